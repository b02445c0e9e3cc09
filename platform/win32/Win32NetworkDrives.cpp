// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/win32/Win32NetworkDrives.h"

#include <windows.h>
#include <winnetwk.h>

#include <string>

#include "platform/win32/WideText.h"

// windows.h names the A or W variant for GetDriveType; the seam's method keeps its own name.
#undef GetDriveType

namespace halvo::platform {

namespace {

// "Z:" as GetDriveTypeW wants it: the root folder, "Z:\".
std::wstring RootOf(std::string_view localName) {
    std::wstring root = win32::Widen(localName);
    if (root.empty() || root.back() != L'\\') {
        root += L'\\';
    }
    return root;
}

}  // namespace

std::uint32_t Win32NetworkDrives::GetLogicalDrives() {
    return static_cast<std::uint32_t>(::GetLogicalDrives());
}

unsigned Win32NetworkDrives::GetDriveType(std::string_view localName) {
    return ::GetDriveTypeW(RootOf(localName).c_str());
}

std::string Win32NetworkDrives::GetConnection(std::string_view localName) {
    const std::wstring local = win32::Widen(localName);
    std::wstring remote(MAX_PATH + 1, L'\0');
    DWORD size = static_cast<DWORD>(remote.size());
    DWORD rc = ::WNetGetConnectionW(local.c_str(), remote.data(), &size);
    if (rc == ERROR_MORE_DATA) {
        remote.assign(size, L'\0');
        rc = ::WNetGetConnectionW(local.c_str(), remote.data(), &size);
    }
    if (rc != NO_ERROR) {
        return {};
    }
    remote.resize(remote.find(L'\0'));
    return win32::Narrow(remote);
}

int Win32NetworkDrives::AddConnection(std::string_view localName, std::string_view remoteName,
                                      std::string_view userName, std::string_view password) {
    std::wstring local = win32::Widen(localName);
    std::wstring remote = win32::Widen(remoteName);
    const std::wstring user = win32::Widen(userName);
    std::wstring secret = win32::Widen(password);
    NETRESOURCEW resource{};
    resource.dwType = RESOURCETYPE_DISK;
    resource.lpLocalName = local.data();
    resource.lpRemoteName = remote.data();
    const DWORD rc =
        ::WNetAddConnection2W(&resource, secret.c_str(), user.empty() ? nullptr : user.c_str(), 0);
    ::SecureZeroMemory(secret.data(), secret.size() * sizeof(wchar_t));
    return static_cast<int>(rc);
}

int Win32NetworkDrives::CancelConnection(std::string_view localName) {
    const std::wstring local = win32::Widen(localName);
    // Not forced: a letter with open files stays, and the caller is told.
    return static_cast<int>(::WNetCancelConnection2W(local.c_str(), 0, FALSE));
}

}  // namespace halvo::platform
