// SPDX-License-Identifier: GPL-3.0-or-later
// main() of the GUI test programs: a modal window open longer than 3 seconds fails the test.
#include "ui/testing/GuiTestRun.h"

int main(int argc, char** argv) {
    return halvo::ui::testing::RunGuiTests(argc, argv, 3000);
}
