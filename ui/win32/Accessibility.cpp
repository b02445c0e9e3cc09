// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/win32/Accessibility.h"

#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "platform/win32/WideText.h"
#include "ui/AccessibleNames.h"

namespace halvo::ui::win32 {

namespace {

constexpr UINT_PTR kSubclassId = 0x4E41;  // "NA"
// The name a window answers with, kept on the window.
constexpr wchar_t kNameProperty[] = L"HalvoAccessibleName";

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The system's accessible object of a window, with another name for the window itself. COM
// objects go by Release, never by delete through an interface: the interface needs no virtual
// destructor.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class NamedAccessible final : public IAccessible {
  public:
    // `calendar`, when given, is a month calendar whose value is its selected day.
    NamedAccessible(IAccessible* inner, std::wstring name, HWND calendar = nullptr)
        : inner_(inner), name_(std::move(name)), calendar_(calendar) {}
    NamedAccessible(const NamedAccessible&) = delete;
    NamedAccessible& operator=(const NamedAccessible&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        // Whatever else the system's object offers (IEnumVARIANT, …) comes from it.
        return inner_->QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        return inner_->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return inner_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        return inner_->GetIDsOfNames(iid, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argument) override {
        return inner_->Invoke(id, iid, locale, flags, params, result, exception, argument);
    }

    // IAccessible: the name is ours, the rest the system's.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!IsSelf(child)) {
            return inner_->get_accName(child, name);
        }
        if (name == nullptr) {
            return E_POINTER;
        }
        *name = ::SysAllocString(name_.c_str());
        return *name != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return inner_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        return inner_->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        return inner_->get_accChild(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        if (calendar_ == nullptr || !IsSelf(child)) {
            return inner_->get_accValue(child, value);
        }
        if (value == nullptr) {
            return E_POINTER;
        }
        SYSTEMTIME day{};
        wchar_t text[128] = L"";
        if (::SendMessageW(calendar_, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&day)) == 0 ||
            ::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_LONGDATE, &day, nullptr, text, 128,
                              nullptr) == 0) {
            *value = nullptr;
            return S_FALSE;
        }
        *value = ::SysAllocString(text);
        return *value != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        return inner_->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        return inner_->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return inner_->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return inner_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return inner_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
        return inner_->get_accKeyboardShortcut(child, keys);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
        return inner_->get_accFocus(child);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return inner_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return inner_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        return inner_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* x, LONG* y, LONG* w, LONG* h,
                                          VARIANT child) override {
        return inner_->accLocation(x, y, w, h, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        return inner_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
        return inner_->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return inner_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return inner_->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return inner_->put_accValue(child, value);
    }

  private:
    ~NamedAccessible() { inner_->Release(); }

    IAccessible* inner_;
    std::wstring name_;
    HWND calendar_;
    ULONG references_ = 1;
};
#pragma GCC diagnostic pop

LRESULT CALLBACK Answer(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                        DWORD_PTR data) {
    const auto* name = reinterpret_cast<const std::wstring*>(data);
    if (message == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT) {
        IAccessible* system = nullptr;
        if (SUCCEEDED(::CreateStdAccessibleObject(window, OBJID_CLIENT, IID_IAccessible,
                                                  reinterpret_cast<void**>(&system)))) {
            wchar_t kind[32] = L"";
            ::GetClassNameW(window, kind, 32);
            const bool calendar = std::wcscmp(kind, MONTHCAL_CLASSW) == 0;
            auto* named = new NamedAccessible(system, *name, calendar ? window : nullptr);
            const LRESULT r = ::LresultFromObject(IID_IAccessible, wParam, named);
            named->Release();  // the result holds its own reference
            return r;
        }
    }
    if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(window, &Answer, kSubclassId);
        ::RemovePropW(window, kNameProperty);
        delete name;
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

BOOL CALLBACK CollectChild(HWND child, LPARAM found) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(child);
    return TRUE;
}

void Name(HWND control, std::wstring name) {
    // A second name replaces the first (the subclass keeps its place and takes the new text).
    auto* old = static_cast<std::wstring*>(::GetPropW(control, kNameProperty));
    auto* wide = new std::wstring(std::move(name));
    ::SetPropW(control, kNameProperty, wide);
    ::SetWindowSubclass(control, &Answer, kSubclassId, reinterpret_cast<DWORD_PTR>(wide));
    delete old;
}

}  // namespace

void SetAccessibleName(HWND control, const std::string& name) {
    if (!name.empty()) {
        Name(control, platform::win32::Widen(name));
    }
}

void AnnounceCalendar(HWND picker, bool opened) {
    const auto calendar = reinterpret_cast<HWND>(::SendMessageW(picker, DTM_GETMONTHCAL, 0, 0));
    if (calendar == nullptr) {
        return;
    }
    if (opened) {
        // The calendar may be made anew each time it drops down: it is named each time.
        const auto* name = static_cast<const std::wstring*>(::GetPropW(picker, kNameProperty));
        Name(calendar, name != nullptr ? *name : std::wstring());
    }
    // A calendar not on show yet gets the system's own focus event when it takes the focus.
    if (::IsWindowVisible(calendar)) {
        ::NotifyWinEvent(opened ? EVENT_OBJECT_FOCUS : EVENT_OBJECT_VALUECHANGE, calendar,
                         OBJID_CLIENT, CHILDID_SELF);
    }
}

void NameAddressParts(HWND address, const std::string& name) {
    SetAccessibleName(address, name);
    std::vector<HWND> fields;
    ::EnumChildWindows(address, &CollectChild, reinterpret_cast<LPARAM>(&fields));
    // Named in their order on screen, whatever order the control made them in.
    std::sort(fields.begin(), fields.end(), [](HWND a, HWND b) {
        RECT ra{};
        RECT rb{};
        ::GetWindowRect(a, &ra);
        ::GetWindowRect(b, &rb);
        return ra.left < rb.left;
    });
    const int parts = static_cast<int>(fields.size());
    for (int i = 0; i < parts; ++i) {
        SetAccessibleName(fields[static_cast<std::size_t>(i)], AddressPartName(i, parts));
    }
}

}  // namespace halvo::ui::win32
