// SPDX-License-Identifier: GPL-3.0-or-later
// What the backend contract needs of a backend: the backend itself and the user's actions on a
// dialog's controls, each done the way that backend's user does it.
#pragma once

#include <functional>
#include <string>

#include "ui/Backend.h"
#include "ui/Dialog.h"

namespace halvo::ui::contract {

class ContractDriver {
  public:
    virtual ~ContractDriver() = default;
    virtual Backend& Ui() = 0;
    // Shows a created top-level dialog (not modally) and lets it take the keyboard.
    virtual void Show(Dialog& dialog) = 0;
    virtual void Hide(Dialog& dialog) = 0;
    // A click on a push button or check box.
    virtual void Click(Dialog& dialog, int id) = 0;
    // Replaces an edit's (or an editable combo field's) text by typing `text`.
    virtual void Type(Dialog& dialog, int id, const std::string& text) = 0;
    // Types into an address control, from its first field on.
    virtual void TypeAddress(Dialog& dialog, int id, const std::string& keys) = 0;
    // Chooses row `row` of a list box, combo box or list view.
    virtual void Choose(Dialog& dialog, int id, int row) = 0;
    // A key on the focused control.
    virtual void Press(Dialog& dialog, Key key) = 0;
    virtual void Tab(Dialog& dialog) = 0;
    // Runs the dialog modally; `steps` run inside the run. A run the steps left open is ended
    // with 2.
    virtual int RunModal(Dialog& dialog, const std::function<void()>& steps) = 0;
    virtual void CloseBox(Dialog& dialog) = 0;
    // Opens the window menu with a right click and chooses item `id`.
    virtual void ChooseMenuItem(Dialog& dialog, int id) = 0;
    // What assistive technology calls the control.
    virtual std::string AccessibleName(Dialog& dialog, int id) = 0;
    // How often the control has painted since the first call asked (which counts from 0).
    virtual int Paints(Dialog& dialog, int id) = 0;
};

}  // namespace halvo::ui::contract
