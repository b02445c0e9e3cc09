// SPDX-License-Identifier: GPL-3.0-or-later
// The selection benchmark's harness, the same for every front end: time from a selection in the
// main window's device list to its three device buttons enabled, against a box with 45 shares.
// It runs the samples, takes the times and prints the table; a probe per toolkit (bench/qt/,
// bench/win32/) builds the window, makes the selection as the list itself makes it, and tells
// the moment a device button turns on.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/MainDialog.h"
#include "bench/BenchStats.h"
#include "platform/Shell.h"
#include "platform/testing/RecordingMessageBoxes.h"
#include "protocol/DeviceRecord.h"
#include "ui/ResourceStore.h"

namespace halvo::bench {

using Steady = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

inline constexpr double SELECT_TARGET_MS = 5.0;
inline constexpr int DEVICE_BUTTONS[] = {app::IDC_SHARE_MAPPING, app::IDC_ACCESS_VIA_WEB,
                                         app::IDC_SETUP_WIZARD};

// The web page is never opened here.
class NoShell final : public platform::Shell {
  public:
    bool Open(std::string_view) override { return false; }
};

// One main window of a toolkit, with its message boxes recorded instead of shown.
class SelectProbe {
  public:
    virtual ~SelectProbe() = default;

    // Builds the window; its first discovery runs here.
    virtual bool Create() = 0;
    virtual const app::MainDialog& Main() const = 0;
    // Back to the state before a query: no selection (the query ignores that) and the three
    // buttons off, so that their enabling marks the next run's end.
    virtual void Deselect() = 0;
    // Selects list entry `entry` as a user's click does; the whole query runs in here.
    virtual void Select(int entry) = 0;
    virtual bool ButtonEnabled(int id) const = 0;

    // Selects `entry` and returns the time until the three buttons were all enabled; nullopt
    // when they were not, or a message came up (said on stderr, after `name`).
    std::optional<double> TimedSelect(int entry, const char* name);
    const platform::testing::RecordingMessageBoxes& Messages() const { return messages_; }

  protected:
    // For the toolkit's event that a device button turned enabled: notes the moment the last of
    // the three does.
    void ButtonTurnedOn();

    platform::testing::RecordingMessageBoxes messages_;
    NoShell shell_;

  private:
    std::optional<Steady::time_point> enabledAt_;
};

// Which list entry is the box measured: its record as discovery brought it.
using BoxMatch = std::function<bool(const app::MainDialog&, const protocol::DeviceRecord&)>;
BoxMatch BoxWithMac(const protocol::MacAddress& mac);
BoxMatch BoxNamed(const std::string& name);

// Loads the program's built-in resources and prints the machine line (`printMachine`, the
// system's); false after saying on stderr why `program` could not load them.
bool LoadResources(ui::ResourceStore& resources, const char* program, void (*printMachine)());

// Builds the probe's window and prints how long its first discovery took, or says on stderr
// that `program` could not build it. The time in ms, nullopt when it was not built.
std::optional<double> BuildWindow(SelectProbe& probe, const char* label, const char* program);

// Selections of one window: `runs` of them, their times, and the name messages are told by.
struct SelectLane {
    SelectProbe* probe;
    const char* name;
    int runs;
    Samples samples;
};

// Runs the lanes' selections of the box, interleaved while they have runs left.
void RunSelections(std::vector<SelectLane>& lanes, const BoxMatch& box);

// "== Select `what`: ..." and the table's head; then a row for each lane.
void PrintSelectHead(const std::string& what);
void PrintSelectRow(const char* label, const Samples& samples);
// Whether the median of `samples` (some at least) is within SELECT_TARGET_MS.
bool SelectTargetMet(const Samples& samples);

}  // namespace halvo::bench
