// SPDX-License-Identifier: GPL-3.0-or-later
// The contract every backend of the dialog layer keeps, written once against the neutral
// interfaces: texts, limits and masking, enabled state, selections, list-view columns and cells,
// combo rows, the date, time and address values, Enter and Esc, the close box, tab order and
// initial focus, the window menu, painting on Update, and that only the user's actions run
// handlers.
//
// A test program includes this file and instantiates the suite for its driver:
//   INSTANTIATE_TYPED_TEST_SUITE_P(Qt, BackendContract, QtDriver);
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "tests/ui/contract/ContractDriver.h"
#include "ui/Dialog.h"
#include "ui/ResourceStore.h"

namespace halvo::ui::contract {

enum ContractId {
    NAME_EDIT = 1001,
    SECRET_EDIT = 1002,
    VALUE_TEXT = 1003,
    LIST = 1004,
    VIEW = 1005,
    CHOICE = 1006,
    FIELD_COMBO = 1007,
    DATE = 1008,
    TIME = 1009,
    ADDRESS = 1010,
    CHECK = 1011,
    APPLY = 1012,
    OFF_BUTTON = 1013,
    QUIET_LIST = 1014,
};

inline constexpr int CONTRACT_TEMPLATE = 7;

// Every kind the dialogs use, in a tab order with a disabled tab stop and a control that is no
// tab stop. Apply is the default push button.
inline constexpr const char* kContractTemplate = R"({
  "id": 7, "title": "Contract — ü", "size": [300, 200], "frame": "modal",
  "font": {"face": "宋体", "pointSize": 9}, "styles": ["sysMenu", "minimizeBox"],
  "controls": [
    {"id": 1003, "kind": "valueField", "text": "start", "rect": [5, 5, 80, 10]},
    {"id": 1001, "kind": "edit", "name": "Your name", "styles": ["border", "tabStop"], "rect": [5, 20, 80, 12]},
    {"id": 1002, "kind": "edit", "styles": ["border", "password", "tabStop"], "rect": [5, 35, 80, 12]},
    {"id": 1013, "kind": "pushButton", "text": "Off", "styles": ["tabStop", "disabled"], "rect": [90, 5, 40, 14]},
    {"id": 1004, "kind": "listBox", "styles": ["border", "notify", "tabStop"], "rect": [5, 50, 80, 40]},
    {"id": 1014, "kind": "listBox", "styles": ["border"], "rect": [90, 50, 40, 40]},
    {"id": 1005, "kind": "listView", "styles": ["report", "singleSel", "border", "tabStop"], "rect": [5, 95, 150, 40]},
    {"id": 1006, "kind": "comboBox", "name": "Choice", "styles": ["dropDownList", "tabStop"], "items": ["one", "two", "three"], "rect": [160, 5, 80, 60]},
    {"id": 1007, "kind": "comboBox", "name": "Field", "styles": ["dropDown", "tabStop"], "rect": [160, 20, 80, 60]},
    {"id": 1008, "kind": "datePicker", "styles": ["shortDate", "tabStop"], "rect": [160, 40, 80, 12]},
    {"id": 1009, "kind": "timePicker", "styles": ["upDown", "tabStop"], "rect": [160, 55, 80, 12]},
    {"id": 1010, "kind": "ipAddress", "name": "Address", "styles": ["tabStop"], "rect": [160, 70, 90, 12]},
    {"id": 1011, "kind": "checkBox", "text": "Check", "styles": ["auto", "tabStop"], "rect": [160, 85, 80, 10]},
    {"kind": "groupBox", "text": "Group", "rect": [155, 0, 140, 100]},
    {"id": 1012, "kind": "defPushButton", "text": "&Apply", "styles": ["tabStop"], "rect": [160, 180, 40, 14]},
    {"id": 1, "kind": "pushButton", "text": "OK", "rect": [205, 180, 40, 14]},
    {"id": 2, "kind": "pushButton", "text": "Cancel", "styles": ["tabStop"], "rect": [250, 180, 40, 14]}
  ]})";

// The contract's template in a store of its own, on disk as the loader reads it.
inline const ResourceStore& ContractStore() {
    static const ResourceStore store = [] {
        static std::atomic<int> runs{0};
        const auto dir =
            std::filesystem::temp_directory_path() /
            ("halvo-contract-" + std::to_string(::getpid()) + "-" + std::to_string(runs++));
        std::filesystem::create_directories(dir);
        std::ofstream(dir / "manifest.json") << R"({"dialogs": ["contract.json"]})";
        std::ofstream(dir / "contract.json") << kContractTemplate;
        ResourceStore s;
        std::string error;
        EXPECT_TRUE(s.Load(dir.string(), &error)) << error;
        std::filesystem::remove_all(dir);
        return s;
    }();
    return store;
}

// Records every handler the dialog runs; the run ends only when a test ends it.
class ContractDialog : public Dialog {
  public:
    explicit ContractDialog(Backend& backend)
        : Dialog(backend, ContractStore(), CONTRACT_TEMPLATE) {}
    std::vector<int> commands;
    std::vector<int> sysCommands;
    bool endOnCommand = false;

    Edit* name = nullptr;
    Edit* secret = nullptr;
    StaticText* value = nullptr;
    ListBox* list = nullptr;
    ListBox* quietList = nullptr;
    ListView* view = nullptr;
    ComboBox* choice = nullptr;
    ComboBox* field = nullptr;
    DatePicker* date = nullptr;
    TimePicker* time = nullptr;
    IpAddressControl* address = nullptr;
    CheckBox* check = nullptr;
    PushButton* apply = nullptr;
    PushButton* cancel = nullptr;

  protected:
    void BindControls() override {
        Bind(NAME_EDIT, name);
        Bind(SECRET_EDIT, secret);
        Bind(VALUE_TEXT, value);
        Bind(LIST, list);
        Bind(QUIET_LIST, quietList);
        Bind(VIEW, view);
        Bind(CHOICE, choice);
        Bind(FIELD_COMBO, field);
        Bind(DATE, date);
        Bind(TIME, time);
        Bind(ADDRESS, address);
        Bind(CHECK, check);
        Bind(APPLY, apply);
        Bind(IDCANCEL, cancel);
    }
    void OnCommand(int id) override {
        commands.push_back(id);
        if (endOnCommand) {
            EndDialog(id);
        }
    }
    void OnSysCommand(int id) override { sysCommands.push_back(id); }
};

template <class Driver>
class BackendContract : public ::testing::Test {
  protected:
    BackendContract() : dialog(std::make_unique<ContractDialog>(driver.Ui())) {
        EXPECT_TRUE(dialog->Create());
    }
    ContractDialog& D() { return *dialog; }

    Driver driver;
    std::unique_ptr<ContractDialog> dialog;
};

TYPED_TEST_SUITE_P(BackendContract);

TYPED_TEST_P(BackendContract, TextsAreUtf8AndProgrammaticChangesRunNoHandler) {
    ContractDialog& d = this->D();
    EXPECT_EQ(d.GetWindowText(), "Contract — ü");
    EXPECT_EQ(d.value->GetWindowText(), "start");
    EXPECT_EQ(d.apply->GetWindowText(), "&Apply");
    d.value->SetWindowText("Grüße, 宋体");
    EXPECT_EQ(d.value->GetWindowText(), "Grüße, 宋体");
    d.value->Clear();
    EXPECT_EQ(d.value->GetWindowText(), "");
    d.name->SetWindowText("Ünïcode 宋");
    EXPECT_EQ(d.name->GetWindowText(), "Ünïcode 宋");

    // Every change the dialog makes itself is silent.
    d.list->AddString("a");
    d.list->SetCurSel(0);
    d.choice->SetCurSel(1);
    d.field->AddString("x");
    d.field->SetCurSel(0);
    d.view->InsertColumn(0, "c", Align::left, 50);
    d.view->InsertItem(0, "r");
    d.view->SetSelectedRow(0);
    d.check->SetCheck(true);
    d.address->SetAddress("10.0.0.1");
    d.date->SetDate({2020, 2, 29});
    d.time->SetTime({1, 2, 3});
    d.apply->EnableWindow(false);
    d.apply->EnableWindow(true);
    EXPECT_TRUE(d.commands.empty());
    EXPECT_TRUE(d.check->GetCheck());
}

TYPED_TEST_P(BackendContract, UserClicksNotifyAndDisabledControlsTakeNone) {
    ContractDialog& d = this->D();
    this->driver.Show(d);
    this->driver.Click(d, APPLY);
    this->driver.Click(d, CHECK);  // an auto check box toggles, then notifies
    EXPECT_EQ(d.commands, (std::vector<int>{APPLY, CHECK}));
    EXPECT_TRUE(d.check->GetCheck());
    this->driver.Click(d, CHECK);
    EXPECT_FALSE(d.check->GetCheck());

    d.commands.clear();
    EXPECT_FALSE(d.GetDlgItem(OFF_BUTTON)->IsEnabled());  // the template's disabled style
    this->driver.Click(d, OFF_BUTTON);
    d.apply->EnableWindow(false);
    EXPECT_FALSE(d.apply->IsEnabled());
    this->driver.Click(d, APPLY);
    EXPECT_TRUE(d.commands.empty());
    this->driver.Hide(d);
}

TYPED_TEST_P(BackendContract, EditsLimitWhatIsTypedAndMaskSecrets) {
    ContractDialog& d = this->D();
    this->driver.Show(d);
    d.name->LimitText(5);
    EXPECT_EQ(d.name->GetLimitText(), 5);
    this->driver.Type(d, NAME_EDIT, "abcdefgh");
    EXPECT_EQ(d.name->GetWindowText(), "abcde");
    this->driver.Type(d, NAME_EDIT, "äöü");  // characters, not bytes
    EXPECT_EQ(d.name->GetWindowText(), "äöü");
    d.name->LimitText(0);
    EXPECT_GT(d.name->GetLimitText(), 5000);

    EXPECT_TRUE(d.secret->IsMasked());
    EXPECT_FALSE(d.name->IsMasked());
    this->driver.Type(d, SECRET_EDIT, "pw");
    EXPECT_EQ(d.secret->GetWindowText(), "pw");
    d.secret->WipeText();
    EXPECT_EQ(d.secret->GetWindowText(), "");
    EXPECT_TRUE(d.commands.empty());  // typing notifies nothing
    this->driver.Hide(d);
}

TYPED_TEST_P(BackendContract, ListBoxKeepsOrderAndOnlyTheUsersChoiceNotifies) {
    ContractDialog& d = this->D();
    EXPECT_EQ(d.list->AddString("b"), 0);
    EXPECT_EQ(d.list->AddString(""), 1);
    EXPECT_EQ(d.list->AddString("b"), 2);
    EXPECT_EQ(d.list->GetCount(), 3);
    EXPECT_EQ(d.list->GetCurSel(), -1);
    EXPECT_EQ(d.list->GetText(2), "b");
    EXPECT_EQ(d.list->GetText(3), "");
    d.list->SetCurSel(2);
    EXPECT_EQ(d.list->DeleteString(0), 2);
    EXPECT_EQ(d.list->GetCurSel(), 1);  // the selected entry moved up with its row
    EXPECT_EQ(d.list->DeleteString(5), -1);
    d.list->SetCurSel(7);
    EXPECT_EQ(d.list->GetCurSel(), -1);

    this->driver.Show(d);
    this->driver.Choose(d, LIST, 0);
    this->driver.Choose(d, LIST, 0);  // the entry already selected counts again
    EXPECT_EQ(d.commands, (std::vector<int>{LIST, LIST}));
    EXPECT_EQ(d.list->GetCurSel(), 0);
    d.quietList->AddString("q");
    this->driver.Choose(d, QUIET_LIST, 0);  // no notify style
    EXPECT_EQ(d.quietList->GetCurSel(), 0);
    EXPECT_EQ(d.commands, (std::vector<int>{LIST, LIST}));
    d.list->ResetContent();
    EXPECT_EQ(d.list->GetCount(), 0);
    this->driver.Hide(d);
}

TYPED_TEST_P(BackendContract, ListViewColumnsCellsAndSelection) {
    ListView* view = this->D().view;
    EXPECT_EQ(view->InsertColumn(0, "Share", Align::left, 110), 0);
    EXPECT_EQ(view->InsertColumn(1, "Id", Align::left, 70), 1);
    EXPECT_EQ(view->InsertColumn(9, "Free", Align::right, 72), 2);  // clamped to the end
    EXPECT_EQ(view->GetColumnCount(), 3);
    EXPECT_EQ(view->GetColumnHeading(1), "Id");
    EXPECT_EQ(view->GetColumnHeading(3), "");
    EXPECT_EQ(view->GetColumnWidth(2), 72);
    EXPECT_EQ(view->GetColumnAlignment(2), Align::right);
    view->SetFullRowSelect(true);
    EXPECT_TRUE(view->IsFullRowSelect());

    EXPECT_EQ(view->InsertItem(0, "b"), 0);
    EXPECT_EQ(view->InsertItem(0, "a"), 0);
    EXPECT_EQ(view->InsertItem(99, "c"), 2);
    EXPECT_TRUE(view->SetItemText(1, 2, "9 MB"));
    EXPECT_FALSE(view->SetItemText(3, 0, "x"));
    EXPECT_FALSE(view->SetItemText(0, 3, "x"));
    EXPECT_EQ(view->GetItemText(1, 0), "b");
    EXPECT_EQ(view->GetItemText(1, 2), "9 MB");
    EXPECT_EQ(view->GetItemText(1, 1), "");
    EXPECT_EQ(view->GetItemText(5, 0), "");

    // A column inserted in front moves the cells to the right.
    EXPECT_EQ(view->InsertColumn(0, "First", Align::center, 20), 0);
    EXPECT_EQ(view->GetItemText(1, 1), "b");
    EXPECT_EQ(view->GetItemText(1, 0), "");
    EXPECT_EQ(view->GetColumnAlignment(0), Align::center);

    EXPECT_EQ(view->GetSelectedRow(), -1);
    view->SetSelectedRow(2);
    EXPECT_TRUE(view->DeleteItem(0));
    EXPECT_EQ(view->GetSelectedRow(), 1);  // the selected row kept its selection
    EXPECT_TRUE(view->DeleteItem(1));
    EXPECT_EQ(view->GetSelectedRow(), -1);
    EXPECT_FALSE(view->DeleteItem(4));
    this->driver.Show(this->D());
    this->driver.Choose(this->D(), VIEW, 0);
    EXPECT_EQ(view->GetSelectedRow(), 0);
    view->DeleteAllItems();
    EXPECT_EQ(view->GetItemCount(), 0);
    EXPECT_TRUE(this->D().commands.empty());  // a list view never notifies
    this->driver.Hide(this->D());
}

TYPED_TEST_P(BackendContract, ComboRowsFieldsAndTheUsersChoice) {
    ContractDialog& d = this->D();
    // Rows from the template; adding never selects.
    EXPECT_EQ(d.choice->GetCount(), 3);
    EXPECT_EQ(d.choice->GetLBText(2), "three");
    EXPECT_EQ(d.choice->GetLBText(3), "");
    EXPECT_EQ(d.choice->GetCurSel(), -1);
    EXPECT_EQ(d.choice->GetWindowText(), "");
    EXPECT_FALSE(d.choice->HasEditableField());
    EXPECT_EQ(d.choice->AddString("four"), 3);
    EXPECT_EQ(d.choice->GetCurSel(), -1);
    d.choice->SetCurSel(1);
    EXPECT_EQ(d.choice->GetWindowText(), "two");
    EXPECT_EQ(d.choice->DeleteString(1), 3);  // the selected row: no selection left
    EXPECT_EQ(d.choice->GetCurSel(), -1);
    EXPECT_EQ(d.choice->GetWindowText(), "");
    EXPECT_EQ(d.choice->DeleteString(3), -1);

    EXPECT_TRUE(d.field->HasEditableField());
    d.field->SetWindowText("typed");
    EXPECT_EQ(d.field->AddString("Z:"), 0);
    EXPECT_EQ(d.field->GetWindowText(), "typed");  // adding keeps the field
    d.field->SetCurSel(0);
    EXPECT_EQ(d.field->GetWindowText(), "Z:");
    d.field->SetCurSel(-1);
    EXPECT_EQ(d.field->GetWindowText(), "");

    this->driver.Show(d);
    this->driver.Choose(d, CHOICE, 2);
    EXPECT_EQ(d.choice->GetCurSel(), 2);
    EXPECT_EQ(d.commands, std::vector<int>{CHOICE});
    this->driver.Choose(d, FIELD_COMBO, 0);
    EXPECT_EQ(d.field->GetWindowText(), "Z:");
    this->driver.Type(d, FIELD_COMBO, "Y:");  // typing leaves no row selected
    EXPECT_EQ(d.field->GetCurSel(), -1);
    EXPECT_EQ(d.field->GetWindowText(), "Y:");
    EXPECT_EQ(d.commands, (std::vector<int>{CHOICE, FIELD_COMBO}));
    d.field->ResetContent();
    EXPECT_EQ(d.field->GetCount(), 0);
    EXPECT_EQ(d.field->GetWindowText(), "");
    this->driver.Hide(d);
}

TYPED_TEST_P(BackendContract, DateTimeAndAddressValues) {
    ContractDialog& d = this->D();
    d.date->SetRange({1970, 1, 1}, {9999, 12, 31});
    d.date->SetDate({2040, 1, 1});
    EXPECT_EQ(d.date->GetDate(), (Date{2040, 1, 1}));
    d.date->SetDate({1969, 7, 20});
    EXPECT_EQ(d.date->GetDate(), (Date{1970, 1, 1}));  // clamped to the range
    d.time->SetTime({23, 59, 58});
    EXPECT_EQ(d.time->GetTime(), (TimeOfDay{23, 59, 58}));

    EXPECT_TRUE(d.address->IsBlank());
    EXPECT_EQ(d.address->GetAddress(), "");
    EXPECT_TRUE(d.address->SetAddress("192.168.001.020"));  // leading zeros are taken
    EXPECT_EQ(d.address->GetAddress(), "192.168.1.20");
    EXPECT_TRUE(d.address->IsComplete());
    for (const char* bad : {"1.2.3", "1.2.3.256", "a.b.c.d", "1..2.3", "1.2.3.4.5", "1234.1.1.1"}) {
        EXPECT_FALSE(d.address->SetAddress(bad)) << bad;
        EXPECT_TRUE(d.address->IsBlank()) << bad;
    }
    EXPECT_TRUE(d.address->SetAddress(""));
    EXPECT_TRUE(d.address->IsBlank());

    this->driver.Show(d);
    // '.' moves on only from a field that holds something; a field refuses a value above 255.
    this->driver.TypeAddress(d, ADDRESS, "10..0.1");
    EXPECT_FALSE(d.address->IsComplete());
    EXPECT_EQ(d.address->GetAddress(), "10.0.1.0");
    this->driver.TypeAddress(d, ADDRESS, "192168.1.2599");
    EXPECT_EQ(d.address->GetAddress(), "192.168.1.25");
    EXPECT_TRUE(d.commands.empty());
    this->driver.Hide(d);
}

TYPED_TEST_P(BackendContract, EnterAndEscapeFollowTheDialogRules) {
    ContractDialog& d = this->D();
    this->driver.Show(d);
    this->driver.Press(d, Key::enter);  // on the first tab stop, an edit: the default button
    EXPECT_EQ(d.commands, std::vector<int>{APPLY});
    d.GotoDlgCtrl(d.cancel);
    this->driver.Press(d, Key::enter);  // on a push button: that button
    this->driver.Press(d, Key::escape);
    EXPECT_EQ(d.commands, (std::vector<int>{APPLY, IDCANCEL, IDCANCEL}));

    d.commands.clear();
    d.GotoDlgCtrl(d.name);
    d.apply->EnableWindow(false);
    this->driver.Press(d, Key::enter);  // the default button is disabled: nothing
    d.cancel->EnableWindow(false);
    this->driver.Press(d, Key::escape);  // so is Cancel: nothing
    this->driver.Press(d, Key::other);
    EXPECT_TRUE(d.commands.empty());
    this->driver.Hide(d);
}

TYPED_TEST_P(BackendContract, ModalRunsEndByCommandAndTheCloseBoxIsCancel) {
    ContractDialog& d = this->D();
    d.endOnCommand = true;
    EXPECT_EQ(this->driver.RunModal(d, [&] { this->driver.Click(d, APPLY); }), APPLY);
    EXPECT_EQ(this->driver.RunModal(d, [&] { this->driver.CloseBox(d); }), IDCANCEL);
    EXPECT_EQ(d.commands, (std::vector<int>{APPLY, IDCANCEL}));
    EXPECT_FALSE(d.IsWindowVisible());
    EXPECT_NE(d.GetDlgItem(NAME_EDIT), nullptr);  // the controls outlive the run

    d.commands.clear();
    d.cancel->EnableWindow(false);
    int result = -1;
    result = this->driver.RunModal(d, [&] {
        this->driver.CloseBox(d);  // Cancel is disabled: the close box does nothing
        EXPECT_TRUE(d.IsWindowVisible());
        d.EndDialog(5);
    });
    EXPECT_EQ(result, 5);
    EXPECT_TRUE(d.commands.empty());
}

TYPED_TEST_P(BackendContract, InitialFocusAndTabOrderFollowTheTemplate) {
    ContractDialog& d = this->D();
    this->driver.Show(d);
    EXPECT_EQ(d.FocusedControlId(), NAME_EDIT);  // the first enabled tab stop
    std::vector<int> order;
    for (int i = 0; i < 12; ++i) {
        this->driver.Tab(d);
        order.push_back(d.FocusedControlId());
    }
    // The disabled button, the quiet list and OK are no tab stops to reach.
    EXPECT_EQ(order, (std::vector<int>{SECRET_EDIT, LIST, VIEW, CHOICE, FIELD_COMBO, DATE, TIME,
                                       ADDRESS, CHECK, APPLY, IDCANCEL, NAME_EDIT}));
    EXPECT_EQ(d.NextTabStop(d.cancel), d.name);
    EXPECT_EQ(d.NextTabStop(d.name, true), d.cancel);
    this->driver.Hide(d);
}

TYPED_TEST_P(BackendContract, TheWindowMenuHoldsItsItemsAndRunsTheChosenOne) {
    ContractDialog& d = this->D();
    ASSERT_EQ(d.MenuItems().size(), 2u);
    EXPECT_EQ(d.MenuItems()[0], (MenuItem{SC_MINIMIZE, "Minimize"}));
    EXPECT_EQ(d.MenuItems()[1], (MenuItem{SC_CLOSE, "Close"}));
    d.AppendMenuItem(0, {});
    d.AppendMenuItem(0x20, "Add device by address…");
    this->driver.Show(d);
    this->driver.ChooseMenuItem(d, 0x20);
    EXPECT_EQ(d.sysCommands, std::vector<int>{0x20});
    EXPECT_TRUE(d.commands.empty());
    this->driver.Hide(d);
}

TYPED_TEST_P(BackendContract, ControlsAreNamedFromTheTemplateAndButtonsByTheirCaption) {
    ContractDialog& d = this->D();
    EXPECT_EQ(this->driver.AccessibleName(d, NAME_EDIT), "Your name");
    EXPECT_EQ(this->driver.AccessibleName(d, ADDRESS), "Address");
    EXPECT_EQ(this->driver.AccessibleName(d, CHECK), "Check");
    EXPECT_EQ(this->driver.AccessibleName(d, APPLY), "Apply");  // without its mnemonic mark
    d.apply->SetWindowText("&Finished");
    EXPECT_EQ(this->driver.AccessibleName(d, APPLY), "Finished");
    // Typing or choosing a row changes the value, never the name.
    this->driver.Type(d, NAME_EDIT, "Your name?");
    EXPECT_EQ(this->driver.AccessibleName(d, NAME_EDIT), "Your name");
    this->driver.Choose(d, CHOICE, 1);
    EXPECT_EQ(this->driver.AccessibleName(d, CHOICE), "Choice");
    this->driver.Type(d, FIELD_COMBO, "Y:");
    EXPECT_EQ(this->driver.AccessibleName(d, FIELD_COMBO), "Field");
}

// A clock that moves only when it is told to sleep.
class SteppedClock final : public platform::Clock {
  public:
    TimePoint Now() override { return now_; }
    void Sleep(std::chrono::milliseconds duration) override { now_ += duration; }

  private:
    TimePoint now_{};
};

TYPED_TEST_P(BackendContract, UpdatePaintsNowEachTimeAndTheDialogPacesItByItsClock) {
    ContractDialog& d = this->D();
    this->driver.Show(d);
    int painted = this->driver.Paints(d, LIST);
    for (int row = 0; row < 3; ++row) {
        d.list->AddString("row");
        d.UpdateWindow();
        const int now = this->driver.Paints(d, LIST);
        EXPECT_GT(now, painted) << "row " << row;
        painted = now;
    }
    SteppedClock clock;
    d.list->AddString("first");
    d.UpdateWindow(clock);
    EXPECT_GT(this->driver.Paints(d, LIST), painted);
    painted = this->driver.Paints(d, LIST);
    clock.Sleep(Dialog::kUpdateEvery - std::chrono::milliseconds(1));
    d.list->AddString("too soon");
    d.UpdateWindow(clock);
    EXPECT_EQ(this->driver.Paints(d, LIST), painted);
    clock.Sleep(std::chrono::milliseconds(1));
    d.UpdateWindow(clock);
    EXPECT_GT(this->driver.Paints(d, LIST), painted);
    this->driver.Hide(d);
}

REGISTER_TYPED_TEST_SUITE_P(BackendContract, TextsAreUtf8AndProgrammaticChangesRunNoHandler,
                            UserClicksNotifyAndDisabledControlsTakeNone,
                            EditsLimitWhatIsTypedAndMaskSecrets,
                            ListBoxKeepsOrderAndOnlyTheUsersChoiceNotifies,
                            ListViewColumnsCellsAndSelection, ComboRowsFieldsAndTheUsersChoice,
                            DateTimeAndAddressValues, EnterAndEscapeFollowTheDialogRules,
                            ModalRunsEndByCommandAndTheCloseBoxIsCancel,
                            InitialFocusAndTabOrderFollowTheTemplate,
                            TheWindowMenuHoldsItsItemsAndRunsTheChosenOne,
                            ControlsAreNamedFromTheTemplateAndButtonsByTheirCaption,
                            UpdatePaintsNowEachTimeAndTheDialogPacesItByItsClock);

}  // namespace halvo::ui::contract
