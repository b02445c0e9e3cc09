// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/posix/XdgShell.h"

#include <spawn.h>
#include <sys/wait.h>

#include <string>

extern char** environ;

namespace halvo::platform {

bool XdgShell::Open(std::string_view address) {
    std::string program = "xdg-open";
    std::string argument(address);
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t child = 0;
    if (::posix_spawnp(&child, "xdg-open", nullptr, nullptr, argv, environ) != 0) {
        return false;
    }
    // xdg-open hands the address on and ends; its status says whether it could.
    int status = 0;
    if (::waitpid(child, &status, 0) != child) {
        return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace halvo::platform
