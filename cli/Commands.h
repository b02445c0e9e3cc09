// SPDX-License-Identifier: GPL-3.0-or-later
// halvoctl's commands, each one run from start to exit status on the seams of a CliContext.
// Every failure has printed its line on standard error by the time a command returns.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "cli/CliContext.h"
#include "cli/ExitStatus.h"
#include "cli/SettingsChanges.h"

namespace halvo::cli {

ExitStatus RunDiscover(const CliContext& context);
ExitStatus RunShow(const CliContext& context, std::string_view device);
// The details of every box one discovery finds; a box whose query fails is reported with its
// message and the others go on. The status is that of the first box that failed.
ExitStatus RunShowAll(const CliContext& context);
ExitStatus RunSetSystem(const CliContext& context, std::string_view device,
                        const SystemChanges& changes, const std::optional<std::string>& admin);
ExitStatus RunSetNetwork(const CliContext& context, std::string_view device,
                         const NetworkChanges& changes, const std::optional<std::string>& admin);
ExitStatus RunWeb(const CliContext& context, std::string_view device, bool open);
ExitStatus RunTimezones(const CliContext& context);

// The share's path is built from the box's address; `letter` is checked first.
ExitStatus RunMap(const CliContext& context, std::string_view device, std::string_view share,
                  std::string_view letter, std::string_view user,
                  const std::optional<std::string>& admin);
ExitStatus RunUnmap(const CliContext& context, std::string_view letter);
ExitStatus RunDrives(const CliContext& context);

// `plan` is the plan file's text (see Plan.h).
ExitStatus RunApply(const CliContext& context, std::string_view plan);

}  // namespace halvo::cli
