// SPDX-License-Identifier: GPL-3.0-or-later
// Support for the end-to-end tests of the program's windows: the program put together as main()
// does, on the namespace LAN the test binary runs on, and the clicks and typing of a user.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "app/AppContext.h"
#include "app/MainDialog.h"
#include "platform/NetworkDrives.h"
#include "platform/SystemClock.h"
#include "platform/SystemTimeZone.h"
#include "platform/TextCodec.h"
#include "platform/posix/PosixSocketLayer.h"
#include "platform/testing/RecordingMessageBoxes.h"
#include "platform/testing/RecordingShell.h"
#include "tests/e2e/FetchPage.h"
#include "tools/devsim/LanHosts.h"
#include "ui/Dialog.h"
#include "ui/ResourceStore.h"
#include "ui/qt/QtBackend.h"
#include "ui/qt/QtControls.h"
#include "ui/testing/BuiltInResources.h"
#include "ui/testing/GuiTest.h"

namespace halvo::e2e {

using app::MainDialog;
using devsim::LanDevice;

// The workstation's drive letters for this run, made by main() before the application exists
// (GIO follows mount changes only on the context it was first asked on): the real ones under a
// session bus, scripted ones without one, where no test maps a share.
platform::NetworkDrives& TestDrives();
// The code page main() would choose in this environment (the locale or HALVO_CODEPAGE).
const platform::TextCodec& WorkstationCodec();

using ui::testing::BuiltInResources;
using ui::testing::WhenActive;

// Splits "http://A.B.C.D[:port]" into address and port; port 0 when it is no such address.
std::pair<std::string, std::uint16_t> SplitWebAddress(const std::string& url);

// A UTF-8 text of the test as Qt's.
QString Q(std::string_view text);
QStringList Sorted(QStringList list);

struct ButtonStates {
    bool refresh, web, wizard, share, about, quit;
    bool operator==(const ButtonStates&) const = default;
};
void PrintTo(const ButtonStates& s, std::ostream* out);

inline constexpr ButtonStates kAfterRefresh{true, false, false, false, true, true};
inline constexpr ButtonStates kAllEnabled{true, true, true, true, true, true};

ButtonStates States(const MainDialog& main);
ui::qt::QtListBox* DeviceList(const MainDialog& main);
ui::qt::QtListView* UsbList(const MainDialog& main);
QStringList Entries(const MainDialog& main);
QString FieldText(const MainDialog& main, int id);

// A dialog run from a WhenActive handler is ended when the handler returns, unless it has been
// ended already, whatever a failed check left undone, so that the click that opened it returns.
class EndOnExit {
  public:
    explicit EndOnExit(ui::Dialog* dialog)
        : dialog_(dialog), window_(dialog != nullptr ? ui::qt::WindowOf(*dialog) : nullptr) {}
    ~EndOnExit() {
        // A dialog that was given its result is hidden at once and leaves its loop afterwards.
        // Its window lives as long as the dialog does.
        if (window_ && dialog_->IsRunning() && window_->isVisible()) {
            dialog_->EndDialog(ui::IDCANCEL);
        }
    }
    EndOnExit(const EndOnExit&) = delete;
    EndOnExit& operator=(const EndOnExit&) = delete;

  private:
    ui::Dialog* dialog_;
    QPointer<QWidget> window_;
};

// Clicks control `id` of `dialog`.
void Click(const ui::Dialog& dialog, int id);
// Replaces the text of an edit by typing, as the user would.
void Type(ui::Dialog& dialog, int id, const QString& text);
// Chooses the row of a combo box whose text starts with `text`; false when there is none.
bool Choose(ui::qt::QtComboBox* combo, const QString& text);

// The program as main() puts it together, on the LAN this test runs on.
class GuiLanBase : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // The device whose name the file wrote as `name` (UTF-8).
    const LanDevice& ByName(std::string_view name) const;
    // Every device name the LAN serves as the files wrote them, sorted.
    QStringList LanNames() const;

    // A main window, initialised (the first discovery has run) and on show.
    std::unique_ptr<MainDialog> OpenMain();
    // Clicks the device-list entry that shows `name`, as the user would; this runs the detail
    // query of that device.
    static void ClickEntry(MainDialog& main, std::string_view name);

    devsim::LanLayout layout_;
    platform::PosixSocketLayer sockets_;
    platform::SystemClock clock_;
    platform::testing::RecordingMessageBoxes boxes_;
    platform::testing::RecordingShell shell_;
    platform::SystemTimeZone timeZone_;
    // Owns the answers armed with WhenActive(…, armed_.get()): they give up at the end of the
    // test, so that no answer outlives its test.
    std::unique_ptr<QObject> armed_ = std::make_unique<QObject>();
    ui::qt::QtBackend ui_;
    app::AppContext context_{sockets_,           clock_, boxes_,       shell_,
                             BuiltInResources(), ui_,    TestDrives(), timeZone_,
                             WorkstationCodec()};
};

}  // namespace halvo::e2e

QT_BEGIN_NAMESPACE
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '{';
    for (qsizetype i = 0; i < list.size(); ++i) {
        *out << (i ? ", " : "") << '"' << list[i].toStdString() << '"';
    }
    *out << '}';
}
QT_END_NAMESPACE
