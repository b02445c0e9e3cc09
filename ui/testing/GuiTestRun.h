// SPDX-License-Identifier: GPL-3.0-or-later
// The run of a GUI test program, for a main() of its own.
#pragma once

namespace halvo::ui::testing {

// Sets the headless platform (unless QT_QPA_PLATFORM is set) and a pinned font resolution,
// creates the application, arms a watchdog that fails the running test and closes any modal
// window or popup open longer than `modalLimitMs`, and runs every test.
int RunGuiTests(int argc, char** argv, int modalLimitMs);

}  // namespace halvo::ui::testing
