// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/win32/Accessibility.h"

#include <initguid.h>  // the annotation service's identifiers are defined here, once
#include <oleacc.h>

#include <algorithm>
#include <vector>

#include "platform/win32/WideText.h"
#include "ui/AccessibleNames.h"

namespace halvo::ui::win32 {

namespace {

IAccPropServices* Service() {
    // One instance for the program's life; COM is started on the window thread by the backend.
    static IAccPropServices* service = [] {
        IAccPropServices* s = nullptr;
        if (FAILED(::CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IAccPropServices, reinterpret_cast<void**>(&s)))) {
            return static_cast<IAccPropServices*>(nullptr);
        }
        return s;
    }();
    return service;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM found) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(child);
    return TRUE;
}

}  // namespace

bool AnnotateName(HWND control, const std::string& name) {
    IAccPropServices* service = Service();
    if (service == nullptr || name.empty()) {
        return false;
    }
    const std::wstring wide = platform::win32::Widen(name);
    return SUCCEEDED(service->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT),
                                             CHILDID_SELF, PROPID_ACC_NAME, wide.c_str()));
}

void NameAddressParts(HWND address, const std::string& name) {
    AnnotateName(address, name);
    std::vector<HWND> fields;
    ::EnumChildWindows(address, &CollectChild, reinterpret_cast<LPARAM>(&fields));
    // The control creates its fields right to left on some systems: order them on screen.
    std::sort(fields.begin(), fields.end(), [](HWND a, HWND b) {
        RECT ra{};
        RECT rb{};
        ::GetWindowRect(a, &ra);
        ::GetWindowRect(b, &rb);
        return ra.left < rb.left;
    });
    const int parts = static_cast<int>(fields.size());
    for (int i = 0; i < parts; ++i) {
        AnnotateName(fields[static_cast<std::size_t>(i)], AddressPartName(i, parts));
    }
}

}  // namespace halvo::ui::win32
