// SPDX-License-Identifier: GPL-3.0-or-later
// The control wrappers: IP address fields, edit limits, list and combo operations, pickers.
#include <gtest/gtest.h>

#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCalendarWidget>
#include <QHeaderView>
#include <QTest>
#include <vector>

#include "ui/qt/QtControls.h"
#include "ui/testing/GuiTest.h"

namespace halvo::ui {
namespace {

using qt::QtComboBox;
using qt::QtDatePicker;
using qt::QtEdit;
using qt::QtIpAddressControl;
using qt::QtListBox;
using qt::QtListView;
using qt::QtTimePicker;

// A template entry of `kind`, for a control made on its own.
ControlTemplate Entry(ControlKind kind, std::uint32_t styles = 0) {
    ControlTemplate control;
    control.kind = kind;
    control.styles = styles;
    return control;
}

// ---------------------------------------------------------------- IP address control

TEST(IpAddressControl, TakesDottedQuadsOfBytes) {
    QtIpAddressControl ip(Entry(ControlKind::ipAddress), nullptr);
    EXPECT_TRUE(ip.IsBlank());
    EXPECT_EQ(ip.GetAddress(), "");

    EXPECT_TRUE(ip.SetAddress("192.168.0.7"));
    EXPECT_EQ(ip.GetAddress(), "192.168.0.7");
    EXPECT_TRUE(ip.SetAddress("255.255.255.255"));
    EXPECT_EQ(ip.GetAddress(), "255.255.255.255");
    EXPECT_TRUE(ip.SetAddress("0.0.0.0"));
    EXPECT_EQ(ip.GetAddress(), "0.0.0.0");
    EXPECT_FALSE(ip.IsBlank());
    EXPECT_TRUE(ip.SetAddress("010.001.000.9"));  // leading zeros are read as decimal
    EXPECT_EQ(ip.GetAddress(), "10.1.0.9");
    EXPECT_TRUE(ip.SetAddress(""));
    EXPECT_TRUE(ip.IsBlank());
}

TEST(IpAddressControl, ItsPartsAreNumberedAndItsWholeValueIsReadable) {
    QtIpAddressControl ip(Entry(ControlKind::ipAddress), nullptr);
    for (int i = 0; i < 4; ++i) {
        QAccessibleInterface* part = QAccessible::queryAccessibleInterface(ip.Field(i));
        ASSERT_NE(part, nullptr);
        EXPECT_EQ(part->text(QAccessible::Name), QStringLiteral("%1 of 4").arg(i + 1));
    }
    EXPECT_TRUE(ip.SetAddress("192.168.0.7"));
    EXPECT_EQ(ip.accessibleDescription(), "192.168.0.7");
    ip.Field(3)->clear();
    QTest::keyClicks(ip.Field(3), "42");  // typed by the user
    EXPECT_EQ(ip.accessibleDescription(), "192.168.0.42");
    ip.ClearAddress();
    EXPECT_EQ(ip.accessibleDescription(), "");
}

TEST(IpAddressControl, RefusesAnythingElseAndIsLeftBlank) {
    QtIpAddressControl ip(Entry(ControlKind::ipAddress), nullptr);
    for (const char* bad :
         {"256.1.1.1", "1.2.3", "1.2.3.4.5", "1.2.3.", ".1.2.3", "a.b.c.d", "1.2.3.4 ", " 1.2.3.4",
          "+1.2.3.4", "-1.2.3.4", "1..3.4", "1000.1.1.1", "1.2.3.0x1", "192.168.0.7\n"}) {
        ASSERT_TRUE(ip.SetAddress("9.9.9.9"));
        EXPECT_FALSE(ip.SetAddress(bad)) << bad;
        EXPECT_TRUE(ip.IsBlank()) << bad;
    }
}

class IpTyping : public ::testing::Test {
  protected:
    void SetUp() override {
        window.resize(200, 40);
        ip = new QtIpAddressControl(Entry(ControlKind::ipAddress), &window);
        ip->setGeometry(0, 0, 180, 24);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        ip->setFocus();
    }
    // One key at a time to whichever field has the focus then.
    void Type(const QString& keys) {
        for (const QChar c : keys) {
            QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        }
    }

    QWidget window;
    QtIpAddressControl* ip = nullptr;
};

TEST_F(IpTyping, DotsAndFullFieldsMoveOn) {
    Type("192.168.1.20");
    EXPECT_EQ(ip->GetAddress(), "192.168.1.20");
    EXPECT_EQ(QApplication::focusWidget(), ip->Field(3));
}

TEST_F(IpTyping, ValuesAbove255AndFourthDigitsAreRefused) {
    Type("300");  // 300 is above 255: the last 0 is refused
    EXPECT_EQ(ip->Field(0)->text(), "30");
    ip->ClearAddress();
    ip->Field(0)->setFocus();
    Type("2561");  // 25, 6 refused (256), 1 -> 251 fills the field and moves on
    EXPECT_EQ(ip->Field(0)->text(), "251");
    EXPECT_EQ(QApplication::focusWidget(), ip->Field(1));
    Type("999");
    EXPECT_EQ(ip->Field(1)->text(), "99");
    Type("x-+ ");
    EXPECT_EQ(ip->Field(1)->text(), "99");
    EXPECT_EQ(ip->GetAddress(), "251.99.0.0");  // blank fields read as 0
}

TEST_F(IpTyping, ADotInAnEmptyFieldStays) {
    Type(".");
    EXPECT_EQ(QApplication::focusWidget(), ip->Field(0));
    Type("1..2");
    EXPECT_EQ(ip->GetAddress(), "1.2.0.0");
}

TEST_F(IpTyping, BackspaceAtTheStartGoesBack) {
    Type("10.");
    EXPECT_EQ(QApplication::focusWidget(), ip->Field(1));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    EXPECT_EQ(QApplication::focusWidget(), ip->Field(0));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    EXPECT_EQ(ip->Field(0)->text(), "1");
}

// ---------------------------------------------------------------- edit

TEST(EditControl, LimitCountsTypedCharacters) {
    QWidget window;
    auto* edit = new QtEdit(Entry(ControlKind::edit), &window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    edit->LimitText(16);
    QTest::keyClicks(edit, "abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(edit->GetWindowText(), "abcdefghijklmnop");
    edit->LimitText(8);
    EXPECT_EQ(edit->GetWindowText().size(), 8);
    edit->LimitText(0);  // no limit of its own: the platform's
    edit->SetWindowText(std::string(100, 'x'));
    EXPECT_EQ(edit->GetWindowText().size(), 100);
}

// ---------------------------------------------------------------- list box and list view

TEST(ListBoxControl, KeepsInsertionOrderDuplicatesAndEmptyEntries) {
    QtListBox list(Entry(ControlKind::listBox), nullptr);
    EXPECT_EQ(list.AddString("zeta"), 0);
    EXPECT_EQ(list.AddString("alpha"), 1);
    EXPECT_EQ(list.AddString("alpha"), 2);
    EXPECT_EQ(list.AddString(""), 3);
    ASSERT_EQ(list.GetCount(), 4);
    EXPECT_EQ(list.GetText(0), "zeta");
    EXPECT_EQ(list.GetText(3), "");
    EXPECT_EQ(list.GetText(9), "");
    EXPECT_EQ(list.GetCurSel(), -1);
    list.SetCurSel(3);
    EXPECT_EQ(list.GetCurSel(), 3);  // the empty entry is selectable
    list.SetCurSel(-1);
    EXPECT_EQ(list.GetCurSel(), -1);
    EXPECT_EQ(list.DeleteString(0), 3);
    EXPECT_EQ(list.GetText(0), "alpha");
    EXPECT_EQ(list.DeleteString(7), -1);
    list.ResetContent();
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(ListViewControl, ColumnsRowsAndFullRowSelection) {
    QtListView view(Entry(ControlKind::listView), nullptr);
    EXPECT_EQ(view.InsertColumn(0, "Share Name", Align::left, 110), 0);
    EXPECT_EQ(view.InsertColumn(1, "Device Id", Align::left, 70), 1);
    EXPECT_EQ(view.InsertColumn(9, "Free Space", Align::right, 72), 2);  // clamped to the end
    ASSERT_EQ(view.GetColumnCount(), 3);
    EXPECT_EQ(view.GetColumnHeading(1), "Device Id");
    EXPECT_EQ(view.GetColumnWidth(0), 110);
    EXPECT_EQ(view.GetColumnWidth(2), 72);
    EXPECT_EQ(view.GetColumnAlignment(2), Align::right);
    EXPECT_EQ(view.ColumnAlignment(2) & Qt::AlignHorizontal_Mask, Qt::AlignRight);

    EXPECT_EQ(view.InsertItem(0, "disk1"), 0);
    EXPECT_EQ(view.InsertItem(5, "disk2"), 1);
    EXPECT_EQ(view.InsertItem(0, "disk0"), 0);
    EXPECT_TRUE(view.SetItemText(1, 2, "50%"));
    EXPECT_FALSE(view.SetItemText(3, 0, "x"));
    EXPECT_FALSE(view.SetItemText(0, 3, "x"));
    EXPECT_EQ(view.GetItemText(1, 0), "disk1");
    EXPECT_EQ(view.GetItemText(1, 2), "50%");
    EXPECT_EQ(view.GetItemText(7, 0), "");

    view.SetFullRowSelect(true);
    EXPECT_TRUE(view.IsFullRowSelect());
    view.SetSelectedRow(2);
    EXPECT_EQ(view.GetSelectedRow(), 2);
    EXPECT_TRUE(view.DeleteItem(2));
    EXPECT_EQ(view.GetSelectedRow(), -1);
    EXPECT_FALSE(view.DeleteItem(2));
    view.DeleteAllItems();
    EXPECT_EQ(view.GetItemCount(), 0);
    EXPECT_EQ(view.GetColumnCount(), 3);
}

// ---------------------------------------------------------------- combo box

TEST(ComboBoxControl, AddingNeverSelectsAndClearingEmptiesTheField) {
    QtComboBox combo(Entry(ControlKind::comboBox, styleDropDown), 100, nullptr);
    combo.AddString("Static IP");
    combo.AddString("DHCP");
    EXPECT_EQ(combo.GetCurSel(), -1);
    EXPECT_EQ(combo.GetWindowText(), "");
    combo.SetCurSel(1);
    EXPECT_EQ(combo.GetWindowText(), "DHCP");
    combo.SetCurSel(5);
    EXPECT_EQ(combo.GetCurSel(), -1);
    EXPECT_EQ(combo.GetWindowText(), "");
    combo.SetCurSel(0);
    EXPECT_EQ(combo.DeleteString(0), 1);
    EXPECT_EQ(combo.GetCurSel(), -1);
    EXPECT_EQ(combo.GetWindowText(), "");
    EXPECT_EQ(combo.DeleteString(3), -1);
}

TEST(ComboBoxControl, TypingIntoTheFieldLeavesNoRowSelected) {
    QWidget window;
    auto* combo = new QtComboBox(Entry(ControlKind::comboBox, styleDropDown), 100, &window);
    combo->AddString("Z:");
    combo->AddString("Y:");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    combo->setFocus();
    combo->SetCurSel(1);
    combo->lineEdit()->selectAll();
    QTest::keyClicks(QApplication::focusWidget(), "Q");
    EXPECT_EQ(combo->GetCurSel(), -1);
    EXPECT_EQ(combo->GetWindowText(), "Q");
    QTest::keyClicks(QApplication::focusWidget(), ":x");
    EXPECT_EQ(combo->GetWindowText(), "Q:x");
    EXPECT_EQ(combo->GetCount(), 2);  // typing adds no row
}

TEST(ComboBoxControl, ListFieldShowsTheSelectedRow) {
    QtComboBox combo(Entry(ControlKind::comboBox, styleDropDownList), 60, nullptr);
    combo.AddString("a &amp; b");
    EXPECT_EQ(combo.GetWindowText(), "");
    combo.SetCurSel(0);
    EXPECT_EQ(combo.GetWindowText(), "a &amp; b");  // shown literally
    combo.ResetContent();
    EXPECT_EQ(combo.GetCount(), 0);
    EXPECT_EQ(combo.GetCurSel(), -1);
}

TEST(ListFocus, AnEmptyListShowsTheKeyboardFocus) {
    QWidget window;
    QtEdit other(Entry(ControlKind::edit, styleTabStop), &window);
    QtListBox list(Entry(ControlKind::listBox, styleTabStop), &window);
    QtListView view(Entry(ControlKind::listView, styleTabStop), &window);
    other.setGeometry(0, 140, 80, 20);
    list.setGeometry(0, 0, 80, 60);
    view.setGeometry(0, 70, 80, 60);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    other.setFocus();
    QApplication::processEvents();
    const QImage listBefore = list.viewport()->grab().toImage();
    const QImage viewBefore = view.viewport()->grab().toImage();
    QTest::keyClick(&other, Qt::Key_Tab);  // by keyboard: the focus is to be seen
    ASSERT_TRUE(list.hasFocus());
    EXPECT_NE(list.viewport()->grab().toImage(), listBefore);
    QTest::keyClick(&list, Qt::Key_Tab);
    ASSERT_TRUE(view.hasFocus());
    EXPECT_NE(view.viewport()->grab().toImage(), viewBefore);
    EXPECT_EQ(list.viewport()->grab().toImage(), listBefore);  // gone with the focus
}

// ---------------------------------------------------------------- pickers

TEST(Pickers, StartAtTheWorkstationsDateAndTime) {
    const QDateTime before = QDateTime::currentDateTime();
    QtDatePicker date(Entry(ControlKind::datePicker), nullptr);
    QtTimePicker time(Entry(ControlKind::timePicker), nullptr);
    const QDateTime after = QDateTime::currentDateTime();
    EXPECT_GE(date.date(), before.date());
    EXPECT_LE(date.date(), after.date());
    EXPECT_GE(time.time().secsTo(after.time()), 0);
    EXPECT_LE(time.time().secsTo(after.time()), 2);
    EXPECT_TRUE(date.calendarPopup());
    EXPECT_TRUE(date.displayFormat().contains("yyyy"));
    time.SetTime({14, 7, 9});
    EXPECT_EQ(time.text(), "14:07:09");
}

TEST(Pickers, TheCalendarOpensWithF4AndAltDownAndClosesWithEscAndEnter) {
    QtDatePicker date(Entry(ControlKind::datePicker), nullptr);
    date.SetDate({2012, 2, 28});
    date.show();
    date.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&date));
    const auto calendar = [&] { return date.calendarWidget(); };
    const auto open = [&] {
        return calendar() != nullptr && calendar()->window() != &date &&
               calendar()->window()->isVisible();
    };
    QTest::keyClick(&date, Qt::Key_F4);
    ASSERT_TRUE(open());
    QTest::keyClick(calendar(), Qt::Key_Escape);
    EXPECT_FALSE(open());
    EXPECT_EQ(date.GetDate(), (Date{2012, 2, 28}));

    QTest::keyClick(&date, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(open());
    // The keys go to the calendar's grid, which has the focus in the open popup.
    auto* grid = calendar()->findChild<QAbstractItemView*>();
    ASSERT_NE(grid, nullptr);
    QTest::keyClick(grid, Qt::Key_Right);
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_FALSE(open());
    EXPECT_EQ(date.GetDate(), (Date{2012, 2, 29}));  // the day chosen in the calendar
    QTest::keyClick(&date, Qt::Key_Down);  // without Alt: the section steps, nothing opens
    EXPECT_FALSE(open());
}

// What assistive technology was told got the focus, in the order told.
struct Focused {
    QAccessible::Role role = QAccessible::NoRole;
    QString name;
    QString value;
    QString parentName;
    bool focusedState = false;
};
std::vector<Focused>& FocusEvents() {
    static std::vector<Focused> events;
    return events;
}
void RecordFocus(QAccessibleEvent* event) {
    if (event->type() != QAccessible::Focus) {
        return;
    }
    Focused seen;
    if (QAccessibleInterface* face = event->accessibleInterface()) {
        seen.role = face->role();
        seen.name = face->text(QAccessible::Name);
        seen.value = face->text(QAccessible::Value);
        seen.focusedState = face->state().focused;
        if (QAccessibleInterface* parent = face->parent()) {
            seen.parentName = parent->text(QAccessible::Name);
        }
    }
    FocusEvents().push_back(seen);
}

TEST(Pickers, TheOpenCalendarsFocusedDayIsAnnounced) {
    // As while a screen reader runs: the platform's accessibility is on and hears every event.
    QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
    FocusEvents().clear();
    const QAccessible::UpdateHandler previous = QAccessible::installUpdateHandler(RecordFocus);
    QtDatePicker date(Entry(ControlKind::datePicker), nullptr);
    date.setAccessibleName("Device date");
    date.SetDate({2012, 2, 28});
    date.show();
    date.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&date));
    const auto longDate = [&](int day) {
        return date.locale().toString(QDate(2012, 2, day), QLocale::LongFormat);
    };

    QTest::keyClick(&date, Qt::Key_F4);
    auto* grid = date.calendarWidget()->findChild<QAbstractItemView*>();
    ASSERT_NE(grid, nullptr);
    ASSERT_TRUE(grid->hasFocus());
    // The calendar took the focus: it says the picker's name and the day it starts on.
    ASSERT_FALSE(FocusEvents().empty());
    EXPECT_EQ(FocusEvents().back().name, "Device date");
    EXPECT_EQ(FocusEvents().back().value, longDate(28));
    EXPECT_TRUE(FocusEvents().back().focusedState);

    // Each move is the focus on the day moved to, inside the picker's calendar.
    FocusEvents().clear();
    QTest::keyClick(grid, Qt::Key_Right);
    ASSERT_FALSE(FocusEvents().empty());
    const Focused moved = FocusEvents().back();
    EXPECT_EQ(moved.role, QAccessible::Cell);
    EXPECT_EQ(moved.name, longDate(29));
    EXPECT_EQ(moved.parentName, "Device date");
    EXPECT_TRUE(moved.focusedState);
    // The tree holds the same focus.
    QAccessibleInterface* calendar = QAccessible::queryAccessibleInterface(grid);
    ASSERT_NE(calendar, nullptr);
    ASSERT_NE(calendar->focusChild(), nullptr);
    EXPECT_EQ(calendar->focusChild()->text(QAccessible::Name), longDate(29));
    EXPECT_EQ(calendar->child(calendar->indexOfChild(calendar->focusChild())),
              calendar->focusChild());

    QAccessible::installUpdateHandler(previous);
    QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(false);
    QTest::keyClick(grid, Qt::Key_Escape);
}

}  // namespace
}  // namespace halvo::ui
