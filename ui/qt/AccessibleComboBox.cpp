// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/qt/AccessibleComboBox.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>

#include "ui/qt/QtControls.h"

namespace halvo::ui::qt {

namespace {

// Qt's combo box, but for the name: its children (the list of rows and, when editable, the
// field), its states and its actions are those of Qt's.
class AccessibleComboBox final : public QAccessibleWidget {
  public:
    explicit AccessibleComboBox(QComboBox* combo)
        : QAccessibleWidget(combo, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) {
            return Combo()->isEditable() ? Combo()->lineEdit()->text() : Combo()->currentText();
        }
        return QAccessibleWidget::text(t);  // the name: the accessible name, else the buddy's
    }

    int childCount() const override { return Combo()->isEditable() ? 2 : 1; }

    QAccessibleInterface* child(int index) const override {
        if (index == 0) {
            return QAccessible::queryAccessibleInterface(Combo()->view());
        }
        if (index == 1 && Combo()->isEditable()) {
            return QAccessible::queryAccessibleInterface(Combo()->lineEdit());
        }
        return nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        if (child == nullptr) {
            return -1;
        }
        if (child->object() == Combo()->view()) {
            return 0;
        }
        return Combo()->isEditable() && child->object() == Combo()->lineEdit() ? 1 : -1;
    }

    QAccessibleInterface* focusChild() const override {
        // An editable combo keeps the focus itself; its field is what the user types into.
        return Combo()->isEditable() ? child(1) : nullptr;
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = Combo()->view()->isVisible();
        s.editable = Combo()->isEditable();
        return s;
    }

    QStringList actionNames() const override {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        if (action == showMenuAction() || action == pressAction()) {
            if (Combo()->view()->isVisible()) {
                Combo()->hidePopup();
            } else {
                Combo()->showPopup();
            }
            return;
        }
        QAccessibleWidget::doAction(action);
    }

  private:
    QComboBox* Combo() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* Create(const QString& /*className*/, QObject* object) {
    auto* combo = qobject_cast<QtComboBox*>(object);
    return combo != nullptr ? new AccessibleComboBox(combo) : nullptr;
}

}  // namespace

void InstallAccessibleComboBox() {
    static const bool installed = [] {
        QAccessible::installFactory(&Create);
        return true;
    }();
    (void)installed;
}

}  // namespace halvo::ui::qt
