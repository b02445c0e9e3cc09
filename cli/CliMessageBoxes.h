// SPDX-License-Identifier: GPL-3.0-or-later
// The message-box seam for a terminal: every message is one line on standard error, in its exact
// text, and the box remembers what kind of failure it reported so that the command can turn it
// into an exit status.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "cli/ExitStatus.h"
#include "platform/MessageBoxes.h"

namespace halvo::cli {

class CliMessageBoxes final : public platform::MessageBoxes {
  public:
    explicit CliMessageBoxes(std::ostream& errors) : errors_(errors) {}

    void ShowWarning(std::string_view text) override;
    void ShowInformation(platform::WindowHandle owner, std::string_view caption,
                         std::string_view text) override;

    // A line of halvoctl's own ("halvoctl: ..."), for failures no protocol message covers.
    void Report(std::string_view text);
    // A line of advice beside a result ("halvoctl: ..."): no failure, and not the line the
    // failure document of --json quotes.
    void Note(std::string_view text);

    // The status of the first failure a message reported; Ok when none did.
    ExitStatus Status() const { return status_; }
    int Count() const { return count_; }
    // The last line written, for the failure document of --json.
    const std::string& LastLine() const { return last_; }

  private:
    void Line(std::string_view text);

    std::ostream& errors_;
    ExitStatus status_ = ExitStatus::Ok;
    int count_ = 0;
    std::string last_;
};

// What kind of failure a message text reports: time-outs 3, the socket layer's failures 4,
// refusals 1.
ExitStatus StatusOfMessage(std::string_view text);

}  // namespace halvo::cli
