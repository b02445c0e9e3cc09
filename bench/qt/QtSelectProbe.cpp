// SPDX-License-Identifier: GPL-3.0-or-later
// Time from a selection in the main window's device list to its three device buttons enabled,
// against each box with 45 shares on the namespace LAN (scripts/bench.sh brings it up and runs
// this on its workstation host). The main window runs off screen, exactly as the program builds
// it; the selection goes through the list's own selection signal, and the end is taken the moment
// the last of the three buttons becomes enabled. Three windows run side by side, their runs
// interleaved: the program's own (the slot wait in a live event loop that keeps the windows
// painted), the plain slot wait that blocks the thread, and the blind sleep. Prints medians and
// the target; never fails on time.
#include <QApplication>
#include <QEvent>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <numeric>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/MainDialog.h"
#include "bench/BenchStats.h"
#include "platform/SystemSeams.h"
#include "platform/posix/IconvTextCodec.h"
#include "platform/testing/FakeNetworkDrives.h"
#include "platform/testing/RecordingMessageBoxes.h"
#include "tools/devsim/LanHosts.h"
#include "tools/devsim/NamespaceGuard.h"
#include "ui/ResourceStore.h"
#include "ui/live/LiveSeams.h"
#include "ui/qt/QtBackend.h"
#include "ui/qt/QtControls.h"

namespace {

using namespace halvo;
using namespace halvo::bench;
using Steady = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr double SELECT_TARGET_MS = 5.0;
constexpr int DEVICE_BUTTONS[] = {app::IDC_SHARE_MAPPING, app::IDC_ACCESS_VIA_WEB,
                                  app::IDC_SETUP_WIZARD};

struct Options {
    int slotRuns = 150;
    int blindRuns = 12;
};

enum class Waiting {
    Live,        // the program's: slot wait in a local event loop
    PlainSlot,   // slot wait blocking the thread
    BlindSleep,  // a whole sleep per empty poll
};

// The web page is never opened here.
class NoShell final : public platform::Shell {
  public:
    bool Open(std::string_view) override { return false; }
};

// Notes the moment the last of the three device buttons turns enabled.
class ButtonsWatch final : public QObject {
  public:
    explicit ButtonsWatch(const app::MainDialog& main) : main_(main) {
        for (int id : DEVICE_BUTTONS) {
            ui::qt::Widget(main, id)->installEventFilter(this);
        }
    }
    void Reset() { enabledAt.reset(); }

    std::optional<Steady::time_point> enabledAt;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::EnabledChange && !enabledAt && AllEnabled()) {
            enabledAt = Steady::now();
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    bool AllEnabled() const {
        return std::all_of(std::begin(DEVICE_BUTTONS), std::end(DEVICE_BUTTONS),
                           [this](int id) { return ui::qt::Widget(main_, id)->isEnabled(); });
    }

    const app::MainDialog& main_;
};

// One main window on the real sockets, its list filled by its own first discovery.
class Window {
  public:
    Window(const ui::ResourceStore& resources, Waiting waiting)
        : waiting_(waiting),
          context_{Sockets(),
                   Clock(),
                   messages_,
                   shell_,
                   resources,
                   ui_,
                   drives_,
                   system_->timeZone(),
                   *codec_,
                   waiting == Waiting::BlindSleep ? protocol::WaitMode::BlindSleep
                                                  : protocol::WaitMode::SlotWait},
          main_(context_) {}

    bool Create() {
        if (!main_.Create()) {
            return false;
        }
        watch_ = std::make_unique<ButtonsWatch>(main_);
        return true;
    }
    const char* Name() const {
        switch (waiting_) {
            case Waiting::Live:
                return "SlotWait, live";
            case Waiting::PlainSlot:
                return "SlotWait, plain";
            case Waiting::BlindSleep:
                break;
        }
        return "BlindSleep";
    }
    std::size_t Devices() const { return main_.Devices().size(); }

    // The list entry of the device with `mac`, -1 when discovery did not bring it.
    int EntryOf(const protocol::MacAddress& mac) const {
        const auto& devices = main_.Devices();
        for (std::size_t i = 0; i < devices.size(); ++i) {
            if (devices[i]->macAddress == mac) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    // Selects entry `entry` as a user's click does and returns the time until the three buttons
    // were enabled; nullopt when they were not, or a message came up.
    std::optional<double> Select(int entry) {
        auto* list = main_.ControlAs<ui::qt::QtListBox>(app::IDC_DEVICE_LIST);
        // Back to the state before a query: no selection (the query ignores that) and the
        // three buttons off, so that their enabling marks this run's end.
        list->clearSelection();
        for (int id : DEVICE_BUTTONS) {
            ui::qt::Widget(main_, id)->setEnabled(false);
        }
        watch_->Reset();
        messages_.Clear();
        const auto start = Steady::now();
        list->setCurrentRow(entry, QItemSelectionModel::ClearAndSelect);  // runs the whole query
        const protocol::DeviceRecord* record = main_.SelectedDevice();
        const bool whole = watch_->enabledAt && messages_.Warnings().empty() && record != nullptr &&
                           record->shares.size() == 45;
        if (!whole) {
            for (const std::string& text : messages_.Warnings()) {
                std::fprintf(stderr, "  %s: message \"%s\"\n", Name(), text.c_str());
            }
            return std::nullopt;
        }
        return Ms(*watch_->enabledAt - start).count();
    }

  private:
    platform::SocketLayer& Sockets() {
        return waiting_ == Waiting::Live ? live_.sockets() : system_->sockets();
    }
    platform::Clock& Clock() {
        return waiting_ == Waiting::Live ? live_.clock() : system_->clock();
    }

    Waiting waiting_;
    const std::unique_ptr<platform::SystemSeams> system_ = platform::MakeSystemSeams();
    platform::testing::RecordingMessageBoxes messages_;
    ui::qt::QtBackend ui_;
    ui::LiveSeams live_{system_->sockets(), system_->clock(), messages_, ui_.eventWait()};
    NoShell shell_;
    platform::testing::FakeNetworkDrives drives_;
    // The bench boxes have ASCII names: any code page reads them.
    std::unique_ptr<platform::IconvTextCodec> codec_ = platform::IconvTextCodec::Open(65001);
    app::AppContext context_;
    app::MainDialog main_;
    std::unique_ptr<ButtonsWatch> watch_;  // once the window exists
};

struct Samples {
    std::vector<double> ms;
    int failed = 0;
};

void Print(const char* label, const Samples& s) {
    std::printf("%-22s %10.3f %10.3f %10.3f %10.3f %6zu %6d\n", label, Median(s.ms), Mean(s.ms),
                Percentile(s.ms, 0.9),
                s.ms.empty() ? 0 : *std::min_element(s.ms.begin(), s.ms.end()), s.ms.size(),
                s.failed);
}

// Runs against one box, interleaving the three windows while they have runs left.
void Measure(Window& live, Window& slot, Window& blind, const devsim::LanDevice& box,
             const Options& options) {
    std::printf(
        "\n== Select %s (%s, 45 shares, answers after %lld us): list selection to the "
        "three device buttons enabled\n",
        box.config.name.c_str(), box.hostAddress.c_str(),
        static_cast<long long>(box.config.latency.count()));
    std::printf("%-22s %10s %10s %10s %10s %6s %6s\n", "", "median ms", "mean ms", "p90 ms",
                "min ms", "runs", "failed");
    Samples liveSamples, slotSamples, blindSamples;
    const auto runOne = [&box](Window& window, Samples& samples) {
        // A timeout refreshes the list, so the entry is looked up again each time.
        const int entry = window.EntryOf(box.config.mac);
        const std::optional<double> took = entry < 0 ? std::nullopt : window.Select(entry);
        if (took) {
            samples.ms.push_back(*took);
        } else {
            ++samples.failed;
        }
    };
    for (int i = 0; i < std::max(options.slotRuns, options.blindRuns); ++i) {
        if (i < options.slotRuns) {
            runOne(live, liveSamples);
            runOne(slot, slotSamples);
        }
        if (i < options.blindRuns) {
            runOne(blind, blindSamples);
        }
    }
    Print(live.Name(), liveSamples);
    Print(slot.Name(), slotSamples);
    Print(blind.Name(), blindSamples);
    const double liveMedian = Median(liveSamples.ms);
    const double slotMedian = Median(slotSamples.ms);
    std::printf("ratio BlindSleep/SlotWait plain: median %.0fx, mean %.0fx\n",
                slotMedian > 0 ? Median(blindSamples.ms) / slotMedian : 0.0,
                Mean(slotSamples.ms) > 0 ? Mean(blindSamples.ms) / Mean(slotSamples.ms) : 0.0);
    std::printf("live beside plain: median %+.3f ms\n", liveMedian - slotMedian);
    std::printf("target SlotWait <= %.1f ms median: live %s, plain %s\n", SELECT_TARGET_MS,
                !liveSamples.ms.empty() && liveMedian <= SELECT_TARGET_MS ? "met" : "NOT met",
                !slotSamples.ms.empty() && slotMedian <= SELECT_TARGET_MS ? "met" : "NOT met");
}

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--quick") {
            o = Options{30, 4};
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: halvo-bench-select [--quick]\n"
                     "Run through scripts/bench.sh, on the workstation host of a test LAN.\n");
        return 2;
    }
    // Its window's discovery and queries broadcast: only on the workstation host of our LAN.
    if (devsim::OwnLanNamespace().empty()) {
        std::fprintf(stderr,
                     "halvo-bench-select: refusing to run outside a test LAN namespace "
                     "(use scripts/bench.sh)\n");
        return 3;
    }
    const char* hosts = std::getenv("HALVO_LAN_HOSTS");
    if (hosts == nullptr) {
        std::fprintf(stderr,
                     "halvo-bench-select: HALVO_LAN_HOSTS is not set (use scripts/bench.sh)\n");
        return 2;
    }
    const devsim::LanLayout layout = devsim::ReadLanLayout(hosts);
    if (!layout.error.empty()) {
        std::fprintf(stderr, "halvo-bench-select: %s\n", layout.error.c_str());
        return 2;
    }
    std::vector<const devsim::LanDevice*> boxes;
    for (const auto& d : layout.devices) {
        if (d.config.shares.size() == 45) {
            boxes.push_back(&d);
        }
    }
    if (boxes.empty()) {
        std::fprintf(stderr, "halvo-bench-select: no device with 45 shares on this LAN\n");
        return 1;
    }

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ui::ResourceStore resources;
    std::string error;
    if (!resources.LoadBuiltIn(&error)) {
        std::fprintf(stderr, "halvo-bench-select: %s\n", error.c_str());
        return 1;
    }

    PrintMachine();

    Window live(resources, Waiting::Live);
    Window slot(resources, Waiting::PlainSlot);
    Window blind(resources, Waiting::BlindSleep);
    for (Window* window : {&live, &slot, &blind}) {
        const auto start = Steady::now();
        if (!window->Create()) {
            std::fprintf(stderr, "halvo-bench-select: the main window could not be built\n");
            return 1;
        }
        std::printf("%s window: first discovery listed %zu device(s) in %.0f ms\n", window->Name(),
                    window->Devices(), Ms(Steady::now() - start).count());
    }
    for (const devsim::LanDevice* box : boxes) {
        Measure(live, slot, blind, *box, options);
    }
    return 0;
}
