// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogs' combo boxes as assistive technology sees them. Qt's own accessible combo box says,
// on Linux, its current text as its name, so a screen reader announces "Static IP, combo box"
// and never the label; this one says the name the dialog gave it and keeps the text as the value.
#pragma once

namespace halvo::ui::qt {

// Has Qt use it for every QtComboBox from now on; the first call does it, later calls nothing.
void InstallAccessibleComboBox();

}  // namespace halvo::ui::qt
