// SPDX-License-Identifier: GPL-3.0-or-later
// End-to-end: boxes set up on a Western (code page 1252) and a simplified-Chinese (936)
// workstation, seen by the program under the locale the test runs in (run-on-lan.sh --locale):
// the box of the workstation's own code page reads as it was written, in the list, the panes and
// the USB list; the other is shown, selectable and never breaks anything.
#include <QApplication>

#include "GuiLanSupport.h"
#include "protocol/DetailQuery.h"

namespace halvo::e2e {
namespace {

class GuiCodePage : public GuiLanBase {
  protected:
    void SetUp() override {
        GuiLanBase::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        ASSERT_EQ(layout_.devices.size(), 2u);
        const std::string locale = std::getenv("LC_ALL") ? std::getenv("LC_ALL") : "";
        // The locale decides, as Windows decides its ANSI code page from the system locale.
        if (locale.rfind("zh_CN", 0) == 0) {
            ASSERT_EQ(WorkstationCodec().CodePage(), 936u);
        } else if (locale.rfind("de_DE", 0) == 0) {
            ASSERT_EQ(WorkstationCodec().CodePage(), 1252u);
        } else {
            FAIL() << "run with LC_ALL=zh_CN.UTF-8 or de_DE.UTF-8, not '" << locale << "'";
        }
    }

    // The box of the workstation's code page and the other one.
    const LanDevice& Own() const { return ByCodePage(WorkstationCodec().CodePage()); }
    const LanDevice& Foreign() const {
        return ByCodePage(WorkstationCodec().CodePage() == 936 ? 1252 : 936);
    }
    const LanDevice& ByCodePage(unsigned page) const {
        for (const LanDevice& d : layout_.devices) {
            if (d.config.codePage == page) {
                return d;
            }
        }
        ADD_FAILURE() << "no box in code page " << page;
        return layout_.devices.front();
    }
};

struct Written {
    QString name, description, share, deviceId;
};

// What the configs wrote, spelled out here so that a wrong decoder cannot agree with itself.
Written WrittenFor(unsigned page) {
    if (page == 936) {
        return {"财务部的存储盒子", "财务部共享存储", "共享文件", "移动硬盘"};
    }
    return {"Büro-Müller", "Ablage für Größen", "Übergabe", "USB-Stück"};
}

TEST_F(GuiCodePage, TheBoxOfTheWorkstationsCodePageReadsAsItWasWritten) {
    const LanDevice& own = Own();
    const Written want = WrittenFor(own.config.codePage);
    auto main = OpenMain();
    const QStringList entries = Entries(*main);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_TRUE(entries.contains(want.name)) << entries.join(", ").toStdString();
    EXPECT_FALSE(entries.join("").contains(QChar(0xFFFD))) << "own box garbled";

    ClickEntry(*main, want.name.toStdString());
    EXPECT_EQ(FieldText(*main, app::IDC_DESCRIPTION), want.description);
    ui::ListView* usb = UsbList(*main);
    ASSERT_EQ(usb->GetItemCount(), 1);
    EXPECT_EQ(usb->GetItemText(0, 0), want.share);
    EXPECT_EQ(usb->GetItemText(0, 1), want.deviceId);
    // The record keeps the box's bytes, not their UTF-8.
    const protocol::DeviceRecord* record = main->SelectedDevice();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->name.view(), own.config.name.view());
    EXPECT_EQ(record->shares.at(0).name.view(), own.config.shares.at(0).name.view());
    EXPECT_EQ(States(*main), kAllEnabled);
    EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(GuiCodePage, TheOtherCodePagesBoxIsStillListedAndSelectable) {
    const LanDevice& foreign = Foreign();
    const Written written = WrittenFor(foreign.config.codePage);
    auto main = OpenMain();
    const QStringList entries = Entries(*main);
    ASSERT_EQ(entries.size(), 2);
    // Its bytes mean something else here: the entry is not what was written, but it is there.
    EXPECT_FALSE(entries.contains(written.name));
    int index = -1;
    for (int i = 0; i < static_cast<int>(main->Devices().size()); ++i) {
        if (main->Devices()[static_cast<std::size_t>(i)]->macAddress == foreign.config.mac) {
            index = i;
        }
    }
    ASSERT_GE(index, 0);
    ClickEntry(*main, entries[index].toStdString());
    EXPECT_NE(FieldText(*main, app::IDC_DESCRIPTION), written.description);
    EXPECT_FALSE(FieldText(*main, app::IDC_DESCRIPTION).isEmpty());
    EXPECT_EQ(UsbList(*main)->GetItemCount(), 1);
    EXPECT_EQ(States(*main), kAllEnabled);
    EXPECT_TRUE(boxes_.boxes.empty());
}

}  // namespace
}  // namespace halvo::e2e
