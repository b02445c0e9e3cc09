// halvoctl on Windows: Winsock, the system's clock and zone, real drive letters, ShellExecute.
#include <memory>

#include "cli/SystemSeams.h"
#include "cli/win32/ConsoleOutput.h"
#include "cli/win32/ConsoleSecretSources.h"
#include "platform/win32/SystemClock.h"
#include "platform/win32/SystemTimeZone.h"
#include "platform/win32/Win32NetworkDrives.h"
#include "platform/win32/Win32NetworkInterfaces.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32SocketLayer.h"

namespace halvo::cli {

namespace {

class Win32SystemSeams final : public SystemSeams {
  public:
    Win32SystemSeams() { UseUtf8Output(); }

    platform::SocketLayer& sockets() override { return sockets_; }
    platform::NetworkInterfaces& interfaces() override { return interfaces_; }
    platform::Clock& clock() override { return clock_; }
    const platform::LocalTimeZone& timeZone() override { return timeZone_; }
    platform::Shell& shell() override { return shell_; }
    platform::NetworkDrives& drives() override { return drives_; }

    std::unique_ptr<SecretSource> StdinSecrets() override {
        return std::make_unique<StdinSecretSource>();
    }
    std::unique_ptr<SecretSource> FdSecrets(int, std::string& problem) override {
        problem =
            "--password-fd and --smb-password-fd are not available on Windows, which hands a "
            "program no such descriptor: use --password-stdin or type the password when asked";
        return nullptr;
    }
    std::unique_ptr<SecretSource> TerminalSecrets() override {
        return std::make_unique<ConsoleSecretSource>();
    }

  private:
    platform::Win32SocketLayer sockets_;
    platform::Win32NetworkInterfaces interfaces_;
    platform::SystemClock clock_;
    const platform::SystemTimeZone timeZone_;
    platform::Win32Shell shell_;
    platform::Win32NetworkDrives drives_;
};

}  // namespace

std::unique_ptr<SystemSeams> MakeSystemSeams() {
    return std::make_unique<Win32SystemSeams>();
}

}  // namespace halvo::cli
