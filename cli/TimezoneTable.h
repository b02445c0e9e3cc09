// SPDX-License-Identifier: GPL-3.0-or-later
// The timezone table whose row index is the device's timezoneIndex. Its rows are read from the
// system page's dialog template (the combo box's items), built into the program, never copied.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace halvo::cli {

inline constexpr int TIMEZONE_COMBO_ID = 1062;

// The rows in their stored order. Throws std::runtime_error when the built-in template has no
// such combo box (a broken build).
const std::vector<std::string>& TimezoneRows();

// The rows of combo box `controlId` in a dialog template given as JSON text; throws
// std::runtime_error when the text is no template or holds no such control with items.
std::vector<std::string> ReadComboItems(std::string_view templateJson, int controlId);

// The text of row `index`, or empty when the table has no such row (an index of 75 or more).
std::string_view TimezoneText(int index);

}  // namespace halvo::cli
