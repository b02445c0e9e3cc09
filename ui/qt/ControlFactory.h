// SPDX-License-Identifier: GPL-3.0-or-later
// Makes the widget of one template control: its kind and styles become a Qt widget with the
// matching behaviour, and its notifications (clicks, selection changes by the user) become
// commands of the dialog.
#pragma once

#include <QRect>
#include <QWidget>
#include <functional>

#include "ui/Controls.h"
#include "ui/DialogTemplate.h"
#include "ui/ResourceStore.h"

namespace halvo::ui::qt {

// A made control: one object, seen as the widget and as its interface.
struct MadeControl {
    QWidget* widget = nullptr;
    Control* control = nullptr;
};

class ControlFactory {
  public:
    // Receives the identifier of a control that notified.
    using Notify = std::function<void(int id)>;

    // Controls are made inside `parent`, which also scopes their notifications; pictures and
    // icons come from `store`. Both must outlive the factory and the controls.
    ControlFactory(QWidget* parent, const ResourceStore& store, Notify notify);

    // The control at `index` in template order, shown at `geometry` (its rectangle in the
    // parent's pixels; a combo box takes the height of its field, an image its own size), with
    // the focus policy and enabled state its styles give.
    MadeControl Create(const ControlTemplate& control, QRect geometry, int index) const;

  private:
    QWidget* parent_;
    const ResourceStore& store_;
    Notify notify_;
};

}  // namespace halvo::ui::qt
