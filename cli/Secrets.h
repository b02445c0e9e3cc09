// SPDX-License-Identifier: GPL-3.0-or-later
// Passwords for the administrator check and for SMB: read from the terminal without echo, or
// from standard input or a descriptor the caller opened, never from the command line or the
// environment (the sources are the system's: cli/posix/, cli/win32/). A Secret lives in one
// fixed buffer that is wiped when it goes.
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

}  // namespace halvo::cli
