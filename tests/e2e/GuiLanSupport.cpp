// SPDX-License-Identifier: GPL-3.0-or-later
#include "GuiLanSupport.h"
#include "ui/qt/QtBackend.h"

#include <QApplication>
#include <cstdlib>
#include <stdexcept>

#include "platform/posix/IconvTextCodec.h"
#include "platform/posix/LocaleCodePage.h"
#include "tools/devsim/NamespaceGuard.h"

namespace halvo::e2e {

const platform::TextCodec& WorkstationCodec() {
    static const std::unique_ptr<platform::IconvTextCodec> codec = [] {
        const platform::CodePageChoice choice =
            platform::ChooseCodePage(platform::ProcessEnvironment());
        auto opened = platform::IconvTextCodec::Open(choice.codePage);
        if (!opened) {
            throw std::runtime_error("no code page for this environment: " + choice.error);
        }
        return opened;
    }();
    return *codec;
}

std::pair<std::string, std::uint16_t> SplitWebAddress(const std::string& url) {
    const std::string scheme = "http://";
    if (url.rfind(scheme, 0) != 0) {
        return {"", 0};
    }
    const std::string rest = url.substr(scheme.size());
    const auto colon = rest.find(':');
    if (colon == std::string::npos) {
        return {rest, 80};
    }
    return {rest.substr(0, colon), static_cast<std::uint16_t>(std::stoul(rest.substr(colon + 1)))};
}

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QStringList Sorted(QStringList list) {
    list.sort();
    return list;
}

void PrintTo(const ButtonStates& s, std::ostream* out) {
    *out << "{refresh " << s.refresh << ", web " << s.web << ", wizard " << s.wizard << ", share "
         << s.share << ", about " << s.about << ", quit " << s.quit << "}";
}

ButtonStates States(const MainDialog& main) {
    auto on = [&](int id) { return ui::qt::Widget(main, id)->isEnabled(); };
    return {on(app::IDC_REFRESH_LIST),  on(app::IDC_ACCESS_VIA_WEB), on(app::IDC_SETUP_WIZARD),
            on(app::IDC_SHARE_MAPPING), on(app::IDC_ABOUT),          on(app::IDC_QUIT)};
}

ui::qt::QtListBox* DeviceList(const MainDialog& main) {
    return main.ControlAs<ui::qt::QtListBox>(app::IDC_DEVICE_LIST);
}

ui::qt::QtListView* UsbList(const MainDialog& main) {
    return main.ControlAs<ui::qt::QtListView>(app::IDC_USB_LIST);
}

QStringList Entries(const MainDialog& main) {
    QStringList entries;
    for (int i = 0; i < DeviceList(main)->GetCount(); ++i) {
        entries << QString::fromStdString(DeviceList(main)->GetText(i));
    }
    return entries;
}

QString FieldText(const MainDialog& main, int id) {
    return main.ControlAs<QLabel>(id)->text();
}

void Click(const ui::Dialog& dialog, int id) {
    QWidget* control = ui::qt::Widget(dialog, id);
    ASSERT_NE(control, nullptr) << "no control " << id;
    ASSERT_TRUE(control->isEnabled()) << "control " << id << " is disabled";
    QTest::mouseClick(control, Qt::LeftButton);
}

void Type(ui::Dialog& dialog, int id, const QString& text) {
    auto* edit = dialog.ControlAs<QLineEdit>(id);
    ASSERT_NE(edit, nullptr) << "no edit " << id;
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

bool Choose(ui::qt::QtComboBox* combo, const QString& text) {
    for (int row = 0; row < combo->GetCount(); ++row) {
        if (QString::fromStdString(combo->GetLBText(row)).startsWith(text)) {
            combo->SetCurSel(row);
            return true;
        }
    }
    return false;
}

void GuiLanBase::SetUp() {
    if (devsim::OwnLanNamespace().empty()) {
        GTEST_SKIP() << "not on the workstation host of a test LAN (run through ctest -L e2e)";
    }
    const char* hosts = std::getenv("HALVO_LAN_HOSTS");
    ASSERT_NE(hosts, nullptr) << "HALVO_LAN_HOSTS is not set (run through lan.sh exec)";
    layout_ = devsim::ReadLanLayout(hosts);
    ASSERT_EQ(layout_.error, "");
}

void GuiLanBase::TearDown() {
    armed_.reset();  // answers that never found their window
}

const LanDevice& GuiLanBase::ByName(std::string_view name) const {
    for (const auto& d : layout_.devices) {
        if (devsim::TextAsWritten(d.config, d.config.name.view()) == name) {
            return d;
        }
    }
    ADD_FAILURE() << "no device " << name << " on this LAN";
    return layout_.devices.front();
}

QStringList GuiLanBase::LanNames() const {
    QStringList names;
    for (const auto& d : layout_.devices) {
        names << Q(devsim::TextAsWritten(d.config, d.config.name.view()));
    }
    return Sorted(names);
}

std::unique_ptr<MainDialog> GuiLanBase::OpenMain() {
    auto main = std::make_unique<MainDialog>(context_);
    EXPECT_TRUE(main->Create());
    ui::qt::WindowOf(*main)->show();
    EXPECT_TRUE(QTest::qWaitForWindowActive(ui::qt::WindowOf(*main)));
    return main;
}

void GuiLanBase::ClickEntry(MainDialog& main, std::string_view name) {
    ui::qt::QtListBox* list = DeviceList(main);
    const int index = static_cast<int>(Entries(main).indexOf(Q(name)));
    ASSERT_GE(index, 0) << name << " is not in the device list";
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(index)).center());
    ASSERT_EQ(list->GetCurSel(), index);
}

}  // namespace halvo::e2e
