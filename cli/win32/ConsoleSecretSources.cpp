// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/win32/ConsoleSecretSources.h"

#include <windows.h>

#include <string>

#include "platform/win32/WideText.h"

namespace halvo::cli {

namespace {

// Appends the UTF-8 bytes of one UTF-16 unit or surrogate pair; false when the secret is full.
bool AppendUtf16(Secret& secret, const wchar_t* units, int count) {
    char bytes[8] = {};
    const int n =
        ::WideCharToMultiByte(CP_UTF8, 0, units, count, bytes, sizeof bytes, nullptr, nullptr);
    bool fits = true;
    for (int i = 0; i < n && fits; ++i) {
        fits = secret.Append(bytes[i]);
    }
    ::SecureZeroMemory(bytes, sizeof bytes);
    return fits;
}

}  // namespace

std::optional<Secret> StdinSecretSource::Read(std::string_view, std::string& problem) {
    const HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
    if (in == nullptr || in == INVALID_HANDLE_VALUE) {
        problem = "no standard input to read the password from";
        return std::nullopt;
    }
    Secret secret;
    bool any = false;
    for (;;) {
        char c = 0;
        DWORD got = 0;
        if (!::ReadFile(in, &c, 1, &got, nullptr)) {
            if (::GetLastError() == ERROR_BROKEN_PIPE) {
                got = 0;  // the writer has gone: the end of input
            } else {
                problem = "cannot read the password: error " + std::to_string(::GetLastError());
                return std::nullopt;
            }
        }
        if (got == 0) {
            if (!any) {
                problem = "no password given (end of input)";
                return std::nullopt;
            }
            break;
        }
        any = true;
        if (c == '\n') {
            break;
        }
        if (!secret.Append(c)) {
            ::SecureZeroMemory(&c, 1);
            problem = "the password line is too long";
            return std::nullopt;
        }
    }
    if (secret.size() > 0 && secret.view().back() == '\r') {
        Secret trimmed;
        trimmed.Assign(secret.view().substr(0, secret.size() - 1));
        return trimmed;
    }
    return secret;
}

std::optional<Secret> ConsoleSecretSource::Read(std::string_view prompt, std::string& problem) {
    const HANDLE in =
        ::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
    const HANDLE out =
        ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD saved = 0;
    if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE ||
        !::GetConsoleMode(in, &saved)) {
        if (in != INVALID_HANDLE_VALUE) {
            ::CloseHandle(in);
        }
        if (out != INVALID_HANDLE_VALUE) {
            ::CloseHandle(out);
        }
        problem = "no console to read the password from (use --password-stdin)";
        return std::nullopt;
    }
    ::SetConsoleMode(in, (saved | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT) & ~ENABLE_ECHO_INPUT);
    const std::wstring text = platform::win32::Widen(std::string(prompt) + ": ");
    DWORD written = 0;
    ::WriteConsoleW(out, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);

    Secret secret;
    bool fits = true;
    bool ended = false;
    wchar_t units[64] = {};
    while (!ended) {
        DWORD got = 0;
        if (!::ReadConsoleW(in, units, 64, &got, nullptr) || got == 0) {
            break;
        }
        for (DWORD i = 0; i < got && !ended; ++i) {
            if (units[i] == L'\r' || units[i] == L'\n') {
                ended = true;
            } else if (fits) {
                const bool pair = units[i] >= 0xD800 && units[i] <= 0xDBFF && i + 1 < got;
                fits = AppendUtf16(secret, &units[i], pair ? 2 : 1);
                i += pair ? 1 : 0;
            }
        }
        ::SecureZeroMemory(units, sizeof units);
    }
    ::SetConsoleMode(in, saved);
    ::WriteConsoleW(out, L"\r\n", 2, &written, nullptr);
    ::CloseHandle(in);
    ::CloseHandle(out);
    if (!fits) {
        problem = "the password line is too long";
        return std::nullopt;
    }
    if (!ended) {
        problem = "no password given (end of input)";
        return std::nullopt;
    }
    return secret;
}

}  // namespace halvo::cli
