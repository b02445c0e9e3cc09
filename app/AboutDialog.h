// SPDX-License-Identifier: GPL-3.0-or-later
// The About box (template 100): the icon, the version line and OK. OK, Esc and the close box
// close it; it has nothing of its own to do.
#pragma once

#include "ui/Dialog.h"

namespace halvo::app {

inline constexpr int IDD_ABOUT = 100;

class AboutDialog : public ui::Dialog {
  public:
    AboutDialog(ui::Backend& backend, const ui::ResourceStore& resources,
                ui::Dialog* owner = nullptr)
        : Dialog(backend, resources, IDD_ABOUT, owner) {}
};

}  // namespace halvo::app
