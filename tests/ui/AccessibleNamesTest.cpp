// SPDX-License-Identifier: GPL-3.0-or-later
// Accessible names from the templates: the rule on hand-made cases, and every interactive control
// of every real dialog named by something other than its value.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "ui/AccessibleNames.h"
#include "ui/testing/BuiltInResources.h"

namespace halvo::ui {
namespace {

using testing::BuiltInResources;

TEST(SpokenText, DropsMnemonicMarksAndATrailingColon) {
    EXPECT_EQ(SpokenText("&Name:"), "Name");
    EXPECT_EQ(SpokenText("Save && quit"), "Save & quit");
    EXPECT_EQ(SpokenText("Next >>"), "Next >>");
    EXPECT_EQ(SpokenText("Map to: "), "Map to");
    EXPECT_EQ(SpokenText("&"), "&");
    EXPECT_EQ(SpokenText(""), "");
}

int IndexOf(const DialogTemplate& t, int id) {
    for (std::size_t i = 0; i < t.controls.size(); ++i) {
        if (t.controls[i].id == id) {
            return static_cast<int>(i);
        }
    }
    ADD_FAILURE() << "no control " << id << " in dialog " << t.id;
    return -1;
}

std::string NameOf(int dialogId, int controlId) {
    const DialogTemplate& t = BuiltInResources().Template(dialogId);
    return AccessibleName(t, IndexOf(t, controlId));
}

TEST(AccessibleNames, TheLabelBeforeTheGroupAroundAListOrTheTemplatesOwnName) {
    EXPECT_EQ(NameOf(102, 1001), "Device list");       // the group box comes after the list
    EXPECT_EQ(NameOf(102, 1081), "USB information");   // ... and around it
    EXPECT_EQ(NameOf(102, 1016), "Firmware Version");  // a value field says its caption
    EXPECT_EQ(NameOf(130, 1029), "Device description");
    EXPECT_EQ(NameOf(130, 1059), "Device Date");
    EXPECT_EQ(NameOf(131, 1045), "Protocol");
    EXPECT_EQ(NameOf(131, 1051), "Subnet mask");
    EXPECT_EQ(NameOf(105, 1071), "Map share to local");  // the group box just before it
    EXPECT_EQ(NameOf(105, 1075), "Map to");
    EXPECT_EQ(NameOf(105, 1074), "List of mapped share");
    EXPECT_EQ(NameOf(141, 1065), "Name");  // its label stands after it: named in the template
    EXPECT_EQ(NameOf(141, 1066), "Password");
    EXPECT_EQ(NameOf(129, 1022), "Next >>");
    EXPECT_EQ(NameOf(143, 1090), "IP address");
}

TEST(AccessibleNames, ATemplatesNameMustBeAString) {
    const char* json = R"({"id": 9, "title": "", "size": [10, 10], "frame": "modal",
      "font": {"face": "x", "pointSize": 9},
      "controls": [{"id": 5, "kind": "edit", "name": %s, "rect": [0, 0, 5, 5]}]})";
    std::string error;
    std::string text(json);
    const auto put = [&](const char* value) {
        std::string t = text;
        t.replace(t.find("%s"), 2, value);
        return t;
    };
    const auto bad = ParseDialogTemplate(put("5"), "bad.json", &error);
    EXPECT_FALSE(bad.has_value());
    EXPECT_NE(error.find("\"name\""), std::string::npos) << error;
    const auto good = ParseDialogTemplate(put("\"Box\""), "good.json", &error);
    ASSERT_TRUE(good.has_value()) << error;
    EXPECT_EQ(AccessibleName(*good, 0), "Box");
}

TEST(AccessibleNames, LabelsAreBuddiesOfTheControlAfterThemOnly) {
    const DialogTemplate& system = BuiltInResources().Template(130);
    EXPECT_EQ(LabelIndex(system, IndexOf(system, 1029)), IndexOf(system, 1039));
    EXPECT_EQ(LabelIndex(system, IndexOf(system, 1027)), -1);  // a check box labels itself
    const DialogTemplate& main = BuiltInResources().Template(102);
    EXPECT_EQ(LabelIndex(main, IndexOf(main, 1016)), -1);  // a value field takes no focus
    EXPECT_EQ(LabelIndex(main, IndexOf(main, 1001)), -1);
    const DialogTemplate& verify = BuiltInResources().Template(141);
    EXPECT_EQ(LabelIndex(verify, IndexOf(verify, 1065)), -1);
    EXPECT_EQ(LabelIndex(verify, -1), -1);
    EXPECT_EQ(LabelIndex(verify, 99), -1);
    EXPECT_EQ(AccessibleName(verify, 99), "");
}

TEST(AccessibleNames, EveryInteractiveControlOfEveryDialogHasANameThatIsNotItsValue) {
    int controls = 0;
    for (const int dialogId : {100, 102, 105, 129, 130, 131, 132, 141, 143}) {
        const DialogTemplate& t = BuiltInResources().Template(dialogId);
        for (int i = 0; i < static_cast<int>(t.controls.size()); ++i) {
            const ControlTemplate& c = t.controls[static_cast<std::size_t>(i)];
            if (!IsInteractive(c.kind)) {
                continue;
            }
            ++controls;
            const std::string name = AccessibleName(t, i);
            EXPECT_FALSE(name.empty()) << "dialog " << dialogId << " control " << c.id;
            EXPECT_TRUE(std::find(c.items.begin(), c.items.end(), name) == c.items.end())
                << "dialog " << dialogId << " control " << c.id << " is named by a row";
        }
    }
    EXPECT_EQ(controls, 41);  // the program's whole keyboard surface
}

}  // namespace
}  // namespace halvo::ui
