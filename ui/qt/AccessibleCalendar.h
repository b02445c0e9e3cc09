// SPDX-License-Identifier: GPL-3.0-or-later
// The date picker's open calendar as assistive technology sees it. Qt's own calendar is a table
// without a name whose cells say only the day of the month ("29"), and the table has no focused
// child, so a screen reader hears nothing it can use while the user moves through the days.
// Here the calendar's grid, which has the keyboard focus while the calendar is open, is named
// as its picker and has the focused day, in the locale's long date, as its value; its focused
// cell says that date as its name. Opening the calendar gives a focus event on the grid, each
// move one on the day moved to.
#pragma once

namespace halvo::ui::qt {

// Has Qt use it for the calendar of every QtDatePicker from now on; the first call does it,
// later calls nothing.
void InstallAccessibleCalendar();

}  // namespace halvo::ui::qt
