// Passwords for the administrator check and for SMB: read from the terminal without echo, or
// from a file descriptor the caller opened (standard input included), never from the command
// line or the environment. A Secret lives in one fixed buffer that is wiped when it goes.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace halvo::cli {

class Secret {
  public:
    static constexpr std::size_t CAPACITY = 256;

    Secret() = default;
    ~Secret() { Wipe(); }
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;
    Secret(Secret&& other) noexcept;
    Secret& operator=(Secret&& other) noexcept;

    // False when the text does not fit.
    bool Assign(std::string_view text);
    bool Append(char c);
    std::string_view view() const { return {bytes_.data(), length_}; }
    std::size_t size() const { return length_; }
    void Wipe();

  private:
    std::array<char, CAPACITY> bytes_{};
    std::size_t length_ = 0;
};

// Where a command takes its passwords from.
class SecretSource {
  public:
    virtual ~SecretSource() = default;
    // One password; `prompt` says what for (shown only on a terminal). nullopt when none could
    // be read (no terminal, end of input, an overlong line); `problem` then says why.
    virtual std::optional<Secret> Read(std::string_view prompt, std::string& problem) = 0;
};

// One line (without its line break) from a file descriptor, read a byte at a time so that
// nothing beyond the line is consumed and no stream buffer keeps a copy.
class FdSecretSource final : public SecretSource {
  public:
    explicit FdSecretSource(int fd) : fd_(fd) {}
    std::optional<Secret> Read(std::string_view prompt, std::string& problem) override;

  private:
    int fd_;
};

// The controlling terminal, /dev/tty, with echo switched off while the password is typed.
class TerminalSecretSource final : public SecretSource {
  public:
    std::optional<Secret> Read(std::string_view prompt, std::string& problem) override;
};

// Reads one line into `secret`; false at the end of input before any byte, on a read error or
// when the line does not fit.
bool ReadSecretLine(int fd, Secret& secret, std::string& problem);

}  // namespace halvo::cli
