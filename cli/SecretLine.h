// SPDX-License-Identifier: GPL-3.0-or-later
// One password line, whatever it is read from: the bytes go straight into a Secret, a line break
// ends the line, a CR before it is dropped (a line typed on another system), and a byte beyond the
// Secret's room refuses the line. The systems' sources (cli/posix/, cli/win32/) add only their
// raw reads and the terminal's echo.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "cli/Secrets.h"

namespace halvo::cli {

inline constexpr std::string_view NO_PASSWORD_GIVEN = "no password given (end of input)";

class SecretLine {
  public:
    // Takes one byte; a line break ends the line, also one found too long. Bytes after the end,
    // or after the line was found too long, are wiped and dropped.
    void Take(char c);
    bool Ended() const { return ended_; }
    bool Overlong() const { return overlong_; }

    // The line once its end or the end of input has come: nullopt with `problem` set when it was
    // too long, when no byte came at all, or (with `lineEndRequired`) when it did not end.
    std::optional<Secret> Finish(std::string& problem, bool lineEndRequired = false);

  private:
    Secret secret_;
    bool any_ = false;
    bool ended_ = false;
    bool overlong_ = false;
};

// A system's read of one byte: 1 with `c` set, 0 at the end of input, -1 on an error, with `why`.
using ReadByte = std::function<int(char& c, std::string& why)>;

// Reads one line a byte at a time, so that nothing beyond it is consumed and no stream buffer
// keeps a copy. False (and `secret` empty) at the end of input before any byte, on a read error
// or when the line does not fit; `problem` then says which.
bool ReadSecretLine(const ReadByte& read, Secret& secret, std::string& problem);

}  // namespace halvo::cli
