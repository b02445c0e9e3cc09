// SPDX-License-Identifier: GPL-3.0-or-later
// Every window and page of the program, opened in turn on whatever backend the context names
// and checked for cut texts (ui/TextFit.h): the main window before and after a box is selected,
// About, the administrator check, each page of the setup wizard, share mapping and "add device by
// address". The boxes are a fake LAN in memory (no socket is opened); the selected one looks like
// the demo's NAS-Alpha (tools/devsim/configs/box1.ini).
//
// The program that includes this prints one line per window and every cut, and exits 1 on any
// cut: see RunTextFit.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/AboutDialog.h"
#include "app/AddDeviceDialog.h"
#include "app/AppContext.h"
#include "app/MainDialog.h"
#include "platform/testing/FakeNetworkDrives.h"
#include "platform/testing/RecordingMessageBoxes.h"
#include "platform/testing/RecordingShell.h"
#include "protocol/testing/FakeNetwork.h"
#include "shares/ShareMappingDialog.h"
#include "ui/Controls.h"
#include "ui/TextFit.h"
#include "wizard/VerifyDialog.h"
#include "wizard/WizardDialog.h"
#include "wizard/WizardPages.h"

namespace halvo::textfit {

inline protocol::testing::DeviceProfile AlphaProfile() {
    protocol::testing::DeviceProfile p;
    p.name = "NAS-Alpha";
    p.ipAddress = "10.77.0.11";
    p.firmwareVersion = "1203";
    p.system.description.Assign("Office storage, first floor");
    p.system.passwordRequired = 1;
    p.network.ipMode = 0;
    p.shares = {"public", "media", "backup"};
    p.volumes = {protocol::testing::MakeVolume("public", "USB1-FLASH", "FAT32", 7632, 81),
                 protocol::testing::MakeVolume("media", "USB2-DISK", "NTFS", 476940, 37)};
    return p;
}

struct WindowFit {
    std::string name;
    ui::TextFitReport report;
};

// The seams of the program with a fake LAN of one box in memory, on `backend`.
struct FakeProgram {
    FakeProgram(ui::Backend& backend, const ui::ResourceStore& resources,
                const platform::LocalTimeZone& zone, const platform::TextCodec& codec)
        : context{net, net, boxes, shell, resources, backend, drives, zone, codec} {
        net.AddDevice({0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x01}).Serve(AlphaProfile());
    }
    protocol::testing::FakeNetwork net;
    platform::testing::RecordingMessageBoxes boxes;
    platform::testing::RecordingShell shell;
    platform::testing::FakeNetworkDrives drives;
    app::AppContext context;
};

// Opens every window in turn on `program`'s backend, shows it, lets `pump` paint it and checks
// it. `shown` sees each window after the check (for screenshots); may be empty.
inline std::vector<WindowFit> CheckEveryWindow(
    FakeProgram& program, const std::function<void()>& pump,
    const std::function<void(ui::Dialog&, const std::string&)>& shown = {}) {
    std::vector<WindowFit> fits;
    const auto check = [&](ui::Dialog& dialog, const std::string& name) {
        dialog.ShowWindow(true);
        pump();
        fits.push_back({name, ui::CheckTextFit(dialog, name)});
        if (shown) {
            shown(dialog, name);
        }
    };
    const app::AppContext& c = program.context;

    app::MainDialog main(c);
    main.Create();
    check(main, "main window");
    auto* list = main.ControlAs<ui::ListBox>(app::IDC_DEVICE_LIST);
    if (list == nullptr || list->GetCount() == 0) {
        std::fprintf(stderr, "text fit: the fake box was not found\n");
        return {};
    }
    list->SetCurSel(0);
    main.OnSelectDevice();
    check(main, "main window, box selected");
    const protocol::DeviceRecord& record = *main.SelectedDevice();

    {
        app::AboutDialog about(c.ui, c.resources, &main);
        about.Create();
        check(about, "about");
    }
    {
        wizard::VerifyDialog verify(c.ui, c.resources, c.Protocol(), c.codec, &main);
        verify.SetDevice(&record);
        verify.Create();
        check(verify, "verification");
    }
    {
        const wizard::WizardContext wc{c.resources, c.ui, c.Protocol(), c.timeZone, c.codec};
        wizard::WizardDialog frame(wc, &main);
        frame.SetDevice(&record);
        wizard::SystemPage system(c.ui, c.resources, c.codec);
        wizard::NetworkPage network(c.ui, c.resources, c.codec);
        wizard::FinishPage finish(c.ui, c.resources);
        frame.AddPage(&system, wizard::SYSTEM_PAGE_TEMPLATE);
        frame.AddPage(&network, wizard::NETWORK_PAGE_TEMPLATE);
        frame.AddPage(&finish, wizard::FINISH_PAGE_TEMPLATE);
        frame.Create();
        const char* pages[] = {"system", "network", "finish"};
        for (int i = 0; i < frame.PageCount(); ++i) {
            frame.ShowPage(i);
            const std::string name = std::string("wizard, ") + pages[i] + " page";
            check(frame, name + " (frame)");
            check(*frame.GetPage(i), name);
        }
        frame.DestroyWindow();
    }
    {
        shares::ShareMappingDialog mapping({c.drives, c.messages, c.resources, c.ui, c.codec},
                                           &main);
        mapping.SetDevice(&record);
        mapping.Create();
        check(mapping, "share mapping");
    }
    {
        app::AddDeviceDialog add(
            c.ui, c.resources, c.Protocol(), [](std::unique_ptr<protocol::DeviceRecord>) {}, &main);
        add.Create();
        check(add, "add device by address");
    }
    main.DestroyWindow();
    return fits;
}

// One line per window ("checked N, cut M"), one per cut and one for the text that fits with the
// least to spare; true when nothing is cut.
inline bool PrintFits(const std::vector<WindowFit>& fits, const std::string& scale) {
    bool whole = !fits.empty();
    int checked = 0;
    int cut = 0;
    for (const WindowFit& fit : fits) {
        std::printf("%-6s %-34s controls %3d  texts %3d  cut %2d\n", scale.c_str(),
                    fit.name.c_str(), fit.report.controls, fit.report.texts,
                    fit.report.CutControls());
        for (const ui::TextCut& c : fit.report.cuts) {
            std::printf("         CUT %s\n", ui::Describe(c).c_str());
        }
        if (fit.report.tightest) {
            std::printf("         tightest fit: %s\n", ui::Describe(*fit.report.tightest).c_str());
        }
        checked += fit.report.controls;
        cut += fit.report.CutControls();
        whole = whole && fit.report.cuts.empty();
    }
    std::printf("%-6s %-34s controls %3d  cut %d\n", scale.c_str(), "all windows", checked, cut);
    return whole;
}

}  // namespace halvo::textfit
