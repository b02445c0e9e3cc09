// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/SelectHarness.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace halvo::bench {

namespace {

constexpr int LABEL_WIDTH = 22;  // the table's first column

// The list entry of the box, -1 when discovery did not bring it.
int EntryOf(const app::MainDialog& main, const BoxMatch& box) {
    const auto& devices = main.Devices();
    for (std::size_t i = 0; i < devices.size(); ++i) {
        if (box(main, *devices[i])) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace

std::optional<double> SelectProbe::TimedSelect(int entry, const char* name) {
    Deselect();
    enabledAt_.reset();
    messages_.Clear();
    const auto start = Steady::now();
    Select(entry);
    const protocol::DeviceRecord* record = Main().SelectedDevice();
    const bool whole = enabledAt_ && messages_.Warnings().empty() && record != nullptr &&
                       record->shares.size() == 45;
    if (!whole) {
        for (const std::string& text : messages_.Warnings()) {
            std::fprintf(stderr, "  %s: message \"%s\"\n", name, text.c_str());
        }
        return std::nullopt;
    }
    return Ms(*enabledAt_ - start).count();
}

void SelectProbe::ButtonTurnedOn() {
    if (!enabledAt_ && std::all_of(std::begin(DEVICE_BUTTONS), std::end(DEVICE_BUTTONS),
                                   [this](int id) { return ButtonEnabled(id); })) {
        enabledAt_ = Steady::now();
    }
}

BoxMatch BoxWithMac(const protocol::MacAddress& mac) {
    return [mac](const app::MainDialog&, const protocol::DeviceRecord& d) {
        return d.macAddress == mac;
    };
}

BoxMatch BoxNamed(const std::string& name) {
    return [name](const app::MainDialog& main, const protocol::DeviceRecord& d) {
        return main.DeviceText(d.name.view()) == name;
    };
}

bool LoadResources(ui::ResourceStore& resources, const char* program, void (*printMachine)()) {
    std::string error;
    if (!resources.LoadBuiltIn(&error)) {
        std::fprintf(stderr, "%s: %s\n", program, error.c_str());
        return false;
    }
    printMachine();
    return true;
}

std::optional<double> BuildWindow(SelectProbe& probe, const char* label, const char* program) {
    const auto start = Steady::now();
    if (!probe.Create()) {
        std::fprintf(stderr, "%s: the main window could not be built\n", program);
        return std::nullopt;
    }
    const double took = Ms(Steady::now() - start).count();
    std::printf("%s window: first discovery listed %zu device(s) in %.0f ms\n", label,
                probe.Main().Devices().size(), took);
    return took;
}

void RunSelections(std::vector<SelectLane>& lanes, const BoxMatch& box) {
    int most = 0;
    for (const SelectLane& lane : lanes) {
        most = std::max(most, lane.runs);
    }
    for (int i = 0; i < most; ++i) {
        for (SelectLane& lane : lanes) {
            if (i >= lane.runs) {
                continue;
            }
            // A timeout refreshes the list, so the entry is looked up again each time.
            const int entry = EntryOf(lane.probe->Main(), box);
            const std::optional<double> took =
                entry < 0 ? std::nullopt : lane.probe->TimedSelect(entry, lane.name);
            if (took) {
                lane.samples.ms.push_back(*took);
            } else {
                ++lane.samples.failed;
            }
        }
    }
}

void PrintSelectHead(const std::string& what) {
    std::printf("\n== Select %s: list selection to the three device buttons enabled\n",
                what.c_str());
    PrintTableHead(LABEL_WIDTH);
}

void PrintSelectRow(const char* label, const Samples& samples) {
    PrintRow(LABEL_WIDTH, label, samples);
}

bool SelectTargetMet(const Samples& samples) {
    return !samples.ms.empty() && Median(samples.ms) <= SELECT_TARGET_MS;
}

}  // namespace halvo::bench
