// SPDX-License-Identifier: GPL-3.0-or-later
// The backend contract on the Qt backend, driven as the user drives it: mouse clicks, typed keys
// on the focused widget, the window manager's close, a right click for the window menu.
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <map>
#include <vector>

#include "tests/ui/contract/BackendContract.h"
#include "ui/DialogUnits.h"
#include "ui/qt/QtBackend.h"
#include "ui/qt/QtControls.h"
#include "ui/testing/GuiTest.h"

namespace halvo::ui::contract {
namespace {

QWidget* FocusWidget() {
    return QApplication::focusWidget();
}

// Types `text` key by key; a character outside ASCII comes as the key event's text alone, as an
// input method delivers it.
void TypeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(widget, static_cast<char>(c.unicode()));
        } else {
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
}

class QtDriver final : public ContractDriver {
  public:
    Backend& Ui() override { return ui_; }
    void Show(Dialog& dialog) override {
        QWidget* window = qt::WindowOf(dialog);
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    }
    void Hide(Dialog& dialog) override { qt::WindowOf(dialog)->hide(); }
    void Click(Dialog& dialog, int id) override {
        QWidget* widget = qt::Widget(dialog, id);
        // A check box takes clicks on its box and its text, not on the empty rest of its width.
        const QPoint at = qobject_cast<QCheckBox*>(widget) != nullptr
                              ? QPoint(4, widget->height() / 2)
                              : widget->rect().center();
        QTest::mouseClick(widget, Qt::LeftButton, {}, at);
    }
    void Type(Dialog& dialog, int id, const std::string& text) override {
        QWidget* widget = qt::Widget(dialog, id);
        QLineEdit* edit = qobject_cast<QLineEdit*>(widget);
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            edit = combo->lineEdit();
        }
        ASSERT_NE(edit, nullptr);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        TypeText(edit, QString::fromStdString(text));
    }
    void TypeAddress(Dialog& dialog, int id, const std::string& keys) override {
        auto* address = dialog.ControlAs<qt::QtIpAddressControl>(id);
        ASSERT_NE(address, nullptr);
        address->ClearAddress();
        address->Field(0)->setFocus();
        for (const char c : keys) {
            QTest::keyClick(FocusWidget(), c);
        }
    }
    void Choose(Dialog& dialog, int id, int row) override {
        QWidget* widget = qt::Widget(dialog, id);
        if (auto* list = qobject_cast<QListWidget*>(widget)) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(row)).center());
        } else if (auto* view = qobject_cast<QTreeWidget*>(widget)) {
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                              view->visualItemRect(view->topLevelItem(row)).center());
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            // As a choice in the dropped-down list ends.
            combo->setCurrentIndex(row);
            emit combo->activated(row);
        } else {
            ADD_FAILURE() << "control " << id << " has no rows to choose";
        }
    }
    void Press(Dialog& dialog, Key key) override {
        QWidget* target = FocusWidget() != nullptr ? FocusWidget() : qt::WindowOf(dialog);
        switch (key) {
            case Key::enter:
                QTest::keyClick(target, Qt::Key_Return);
                break;
            case Key::escape:
                QTest::keyClick(target, Qt::Key_Escape);
                break;
            case Key::menu:
                QTest::keyClick(target, Qt::Key_Menu);
                break;
            case Key::other:
                QTest::keyClick(target, Qt::Key_A);
                break;
        }
    }
    void Tab(Dialog&) override { QTest::keyClick(FocusWidget(), Qt::Key_Tab); }
    int RunModal(Dialog& dialog, const std::function<void()>& steps) override {
        QTimer poll;
        int waited = 0;
        QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
            QWidget* window = qt::WindowOf(dialog);
            if (window == nullptr || QApplication::activeModalWidget() != window) {
                return;
            }
            // The keyboard follows the activation; a window shown again may need asking.
            if (QApplication::activeWindow() != window && (waited += 10) < 500) {
                window->activateWindow();
                return;
            }
            poll.stop();
            steps();
            if (window->isVisible()) {
                dialog.EndDialog(IDCANCEL);
            }
        });
        poll.start(10);
        return dialog.RunModal();
    }
    void CloseBox(Dialog& dialog) override { qt::WindowOf(dialog)->close(); }
    void ChooseMenuItem(Dialog& dialog, int id) override {
        auto chosen = testing::WhenActive<QMenu>([id](QMenu* menu) {
            for (QAction* action : menu->actions()) {
                if (action->data().toInt() == id && !action->isSeparator()) {
                    QTest::mouseClick(menu, Qt::LeftButton, {},
                                      menu->actionGeometry(action).center());
                    return;
                }
            }
            menu->close();
        });
        QWidget* window = qt::WindowOf(dialog);
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(1, 1),
                                window->mapToGlobal(QPoint(1, 1)));
        QApplication::sendEvent(window, &event);
        EXPECT_TRUE(*chosen);
    }
    std::string AccessibleName(Dialog& dialog, int id) override {
        // As a screen reader asks: through the widget's accessible interface.
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(qt::Widget(dialog, id));
        return face != nullptr ? face->text(QAccessible::Name).toStdString() : std::string();
    }
    int Paints(Dialog& dialog, int id) override {
        // A list paints its rows in its viewport.
        QWidget* widget = qt::Widget(dialog, id);
        if (auto* area = qobject_cast<QAbstractScrollArea*>(widget)) {
            widget = area->viewport();
        }
        if (paints_.count(widget) == 0) {
            paints_[widget] = 0;
            widget->installEventFilter(&counter_);
        }
        return paints_[widget];
    }

  private:
    // Counts the paint events of the widgets it watches.
    class PaintCounter final : public QObject {
      public:
        explicit PaintCounter(std::map<QObject*, int>& paints) : paints_(paints) {}
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint) {
                ++paints_[watched];
            }
            return false;
        }

      private:
        std::map<QObject*, int>& paints_;
    };

    qt::QtBackend ui_;
    std::map<QObject*, int> paints_;
    PaintCounter counter_{paints_};
};

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, BackendContract, QtDriver);

// Column widths are given at 96 dpi and shown at the window's logical dpi, as the dialog's font
// and dialog units are. Qt's own scaling (QT_SCALE_FACTOR, Xft.dpi) keeps the logical dpi at 96
// and scales everything alike; a desktop's font dpi with that scaling off (Xft.dpi with
// QT_ENABLE_HIGHDPI_SCALING=0; here QT_FONT_DPI, see ui/testing/GuiTestRun.cpp) raises the
// logical dpi, which this program is also run at (HALVO_TEST_DPI=192).
TEST(QtDpi, ColumnsAreShownAtTheWindowsDpiAndAnsweredAt96) {
    qt::QtBackend ui;
    ContractDialog dialog(ui);
    ASSERT_TRUE(dialog.Create());
    const int dpi = qt::WindowOf(dialog)->logicalDpiX();
    ASSERT_EQ(dpi, qEnvironmentVariableIntValue("QT_FONT_DPI"));  // the dpi the run is pinned to
    const std::vector<int> widths = {110, 70, 70, 100, 72};
    for (std::size_t c = 0; c < widths.size(); ++c) {
        dialog.view->InsertColumn(static_cast<int>(c), "c", Align::left, widths[c]);
    }
    const QHeaderView* header = qt::Widget<QTreeWidget>(dialog, VIEW)->header();
    for (std::size_t c = 0; c < widths.size(); ++c) {
        const int column = static_cast<int>(c);
        EXPECT_EQ(header->sectionSize(column), ScaleForDpi(widths[c], dpi)) << column;
        EXPECT_EQ(dialog.view->GetColumnWidth(column), widths[c]) << column;
    }
    // A column inserted in front keeps the others' widths; one the user widened answers its
    // new width.
    dialog.view->InsertColumn(0, "First", Align::left, 208);
    EXPECT_EQ(header->sectionSize(0), ScaleForDpi(208, dpi));
    EXPECT_EQ(dialog.view->GetColumnWidth(1), 110);
    qt::Widget<QTreeWidget>(dialog, VIEW)->header()->resizeSection(1, ScaleForDpi(150, dpi));
    EXPECT_EQ(dialog.view->GetColumnWidth(1), 150);
    EXPECT_EQ(dialog.view->GetColumnWidth(6), 0);
}

}  // namespace
}  // namespace halvo::ui::contract
