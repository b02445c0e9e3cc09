// SPDX-License-Identifier: GPL-3.0-or-later
// The walk that finds cut texts (ui/TextFit.h), on the in-memory backend, whose measure is one
// average character (6 px) per character against the control's whole rectangle: which controls
// it checks, and what a cut names.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "DialogWorld.h"
#include "app/MainDialog.h"
#include "ui/ControlRules.h"
#include "ui/TextFit.h"

namespace halvo::ui {
namespace {

using dialogs::testing::BoxProfile;
using dialogs::testing::DialogWorld;
using dialogs::testing::kBoxMac;

TEST(TextFit, OnlyKindsThatShowAWholeTextAreChecked) {
    std::vector<std::string> whole;
    for (int k = 0; k <= static_cast<int>(ControlKind::icon); ++k) {
        const ControlTraits& row = TraitsOf(static_cast<ControlKind>(k));
        if (row.wholeText) {
            whole.push_back(row.name);
        }
    }
    EXPECT_EQ(whole, (std::vector<std::string>{"pushButton", "defPushButton", "checkBox",
                                               "groupBox", "label", "valueField", "listView"}));
}

TEST(TextFit, ACutNamesTheWindowTheControlTheTextAndBothWidths) {
    DialogWorld world;
    world.net.AddDevice(kBoxMac).Serve(BoxProfile());
    app::MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    main.ShowWindow(true);
    main.ControlAs<ListBox>(app::IDC_DEVICE_LIST)->SetCurSel(0);
    main.OnSelectDevice();

    // The design's main window: 20 controls show text (the device list and the etched line do
    // not), the USB list's five headings each count; at 6 px a character all fit.
    const TextFitReport whole = CheckTextFit(main, "main");
    EXPECT_EQ(whole.controls, 20);
    EXPECT_EQ(whole.texts, 24);
    EXPECT_TRUE(whole.cuts.empty()) << (whole.cuts.empty() ? "" : Describe(whole.cuts[0]));
    // The narrowest fit: "Firmware Version:", 102 px in its 70 dialog units (105 px).
    ASSERT_TRUE(whole.tightest);
    EXPECT_EQ(whole.tightest->text.text, "Firmware Version:");
    EXPECT_EQ(whole.tightest->text.room.width - whole.tightest->text.need.width, 3);

    // A value too long for its field (211 dialog units: 317 px), a heading wider than its column,
    // a button that is hidden (not checked, whatever its caption).
    main.ControlAs<StaticText>(app::IDC_DESCRIPTION)->SetWindowText(std::string(60, 'w'));
    main.ControlAs<ListView>(app::IDC_USB_LIST)->InsertColumn(5, "Mount point", Align::left, 40);
    main.ControlAs<PushButton>(app::IDC_QUIT)->SetWindowText(std::string(40, 'q'));
    main.GetDlgItem(app::IDC_QUIT)->ShowWindow(false);

    const TextFitReport cut = CheckTextFit(main, "main");
    EXPECT_EQ(cut.controls, 19);
    EXPECT_EQ(cut.texts, 24);
    ASSERT_EQ(cut.cuts.size(), 2u);
    EXPECT_EQ(cut.CutControls(), 2);
    EXPECT_EQ(cut.cuts[0].controlId, app::IDC_DESCRIPTION);
    EXPECT_EQ(cut.cuts[0].text.need.width, 360);
    EXPECT_EQ(Describe(cut.cuts[0]), "main: control 1018 (valueField, #12) \"" +
                                         std::string(60, 'w') + "\": text 360 px wide, room " +
                                         std::to_string(cut.cuts[0].text.room.width) + " px");
    EXPECT_LT(cut.cuts[0].text.room.width, 360);
    EXPECT_EQ(Describe(cut.cuts[1]),
              "main: control 1081 (listView, #20) heading 5 \"Mount point\": text 66 px wide, "
              "room 40 px");
}

TEST(TextFit, AWindowNotCreatedHasNothingToCheck) {
    DialogWorld world;
    app::MainDialog main(world.context);
    const TextFitReport report = CheckTextFit(main, "main");
    EXPECT_EQ(report.controls, 0);
    EXPECT_TRUE(report.cuts.empty());
}

}  // namespace
}  // namespace halvo::ui
