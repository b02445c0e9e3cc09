// SPDX-License-Identifier: GPL-3.0-or-later
// The selection benchmark (bench/SelectHarness.h) on the Qt main window, against each box with
// 45 shares on the namespace LAN (scripts/bench.sh brings it up and runs this on its workstation
// host). The main window runs off screen, exactly as the program builds it; the selection goes
// through the list's own selection signal, and the end is taken the moment the last of the three
// buttons becomes enabled. Three windows run side by side, their runs interleaved: the program's
// own (the slot wait in a live event loop that keeps the windows painted), the plain slot wait
// that blocks the thread, and the blind sleep. Prints medians and the target; never fails on
// time.
#include <QApplication>
#include <QEvent>
#include <QPushButton>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/MainDialog.h"
#include "bench/BenchLan.h"
#include "bench/SelectHarness.h"
#include "platform/SystemSeams.h"
#include "platform/posix/IconvTextCodec.h"
#include "platform/testing/FakeNetworkDrives.h"
#include "ui/ResourceStore.h"
#include "ui/live/LiveSeams.h"
#include "ui/qt/QtBackend.h"
#include "ui/qt/QtControls.h"

namespace {

using namespace halvo;
using namespace halvo::bench;

struct Options {
    int slotRuns = 150;
    int blindRuns = 12;
};

enum class Waiting {  // in the order of the names below
    Live,             // the program's: slot wait in a local event loop
    PlainSlot,        // slot wait blocking the thread
    BlindSleep,       // a whole sleep per empty poll
};

// One main window on the real sockets, its list filled by its own first discovery.
class QtSelectProbe final : public QObject, public SelectProbe {
  public:
    QtSelectProbe(const ui::ResourceStore& resources, Waiting waiting)
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

    bool Create() override {
        if (!main_.Create()) {
            return false;
        }
        for (int id : DEVICE_BUTTONS) {
            ui::qt::Widget(main_, id)->installEventFilter(this);
        }
        return true;
    }
    const app::MainDialog& Main() const override { return main_; }
    void Deselect() override {
        main_.ControlAs<ui::qt::QtListBox>(app::IDC_DEVICE_LIST)->clearSelection();
        for (int id : DEVICE_BUTTONS) {
            ui::qt::Widget(main_, id)->setEnabled(false);
        }
    }
    void Select(int entry) override {
        main_.ControlAs<ui::qt::QtListBox>(app::IDC_DEVICE_LIST)
            ->setCurrentRow(entry, QItemSelectionModel::ClearAndSelect);
    }
    bool ButtonEnabled(int id) const override { return ui::qt::Widget(main_, id)->isEnabled(); }

    const char* Name() const {
        constexpr const char* NAMES[] = {"SlotWait, live", "SlotWait, plain", "BlindSleep"};
        return NAMES[static_cast<int>(waiting_)];
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::EnabledChange) {
            ButtonTurnedOn();
        }
        return QObject::eventFilter(watched, event);
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
    ui::qt::QtBackend ui_;
    ui::LiveSeams live_{system_->sockets(), system_->clock(), messages_, ui_.eventWait()};
    platform::testing::FakeNetworkDrives drives_;
    // The bench boxes have ASCII names: any code page reads them.
    std::unique_ptr<platform::IconvTextCodec> codec_ = platform::IconvTextCodec::Open(65001);
    app::AppContext context_;
    app::MainDialog main_;
};

// Runs against one box, interleaving the three windows while they have runs left.
void Measure(QtSelectProbe& live, QtSelectProbe& slot, QtSelectProbe& blind,
             const devsim::LanDevice& box, const Options& options) {
    char what[160];
    std::snprintf(what, sizeof what, "%s (%s, 45 shares, answers after %lld us)",
                  box.config.name.c_str(), box.hostAddress.c_str(),
                  static_cast<long long>(box.config.latency.count()));
    PrintSelectHead(what);
    std::vector<SelectLane> lanes{{&live, live.Name(), options.slotRuns, {}},
                                  {&slot, slot.Name(), options.slotRuns, {}},
                                  {&blind, blind.Name(), options.blindRuns, {}}};
    RunSelections(lanes, BoxWithMac(box.config.mac));
    for (const SelectLane& lane : lanes) {
        PrintSelectRow(lane.name, lane.samples);
    }
    const Samples& liveSamples = lanes[0].samples;
    const Samples& slotSamples = lanes[1].samples;
    const Samples& blindSamples = lanes[2].samples;
    const double slotMedian = Median(slotSamples.ms);
    std::printf("ratio BlindSleep/SlotWait plain: median %.0fx, mean %.0fx\n",
                slotMedian > 0 ? Median(blindSamples.ms) / slotMedian : 0.0,
                Mean(slotSamples.ms) > 0 ? Mean(blindSamples.ms) / Mean(slotSamples.ms) : 0.0);
    std::printf("live beside plain: median %+.3f ms\n", Median(liveSamples.ms) - slotMedian);
    std::printf("target SlotWait <= %.1f ms median: live %s, plain %s\n", SELECT_TARGET_MS,
                Verdict(SelectTargetMet(liveSamples)), Verdict(SelectTargetMet(slotSamples)));
}

bool ParseOptions(int argc, char** argv, Options& o) {
    return ReadArguments(argc, argv, [&o](std::string_view a, const char*) {
        if (a != "--quick") {
            return 0;
        }
        o = Options{30, 4};
        return 1;
    });
}

}  // namespace

int main(int argc, char** argv) {
    // Its window's discovery and queries broadcast: only on the workstation host of our LAN.
    Options options;
    devsim::LanLayout layout;
    if (const int refused = StartLanBench("halvo-bench-select", "[--quick]",
                                          ParseOptions(argc, argv, options), layout)) {
        return refused;
    }
    const std::vector<const devsim::LanDevice*> boxes = BoxesOf(layout);
    if (boxes.empty()) {
        std::fprintf(stderr, "halvo-bench-select: no device with 45 shares on this LAN\n");
        return 1;
    }

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ui::ResourceStore resources;
    if (!LoadResources(resources, "halvo-bench-select", &PrintMachine)) {
        return 1;
    }

    QtSelectProbe live(resources, Waiting::Live);
    QtSelectProbe slot(resources, Waiting::PlainSlot);
    QtSelectProbe blind(resources, Waiting::BlindSleep);
    for (QtSelectProbe* window : {&live, &slot, &blind}) {
        if (!BuildWindow(*window, window->Name(), "halvo-bench-select")) {
            return 1;
        }
    }
    for (const devsim::LanDevice* box : boxes) {
        Measure(live, slot, blind, *box, options);
    }
    return 0;
}
