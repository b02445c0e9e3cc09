// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/win32/ConsoleSecretSources.h"

#include <windows.h>

#include <string>

#include "cli/SecretLine.h"
#include "platform/win32/WideText.h"

namespace halvo::cli {

namespace {

// Hands the UTF-8 bytes of one UTF-16 unit or surrogate pair to the line.
void TakeUtf16(SecretLine& line, const wchar_t* units, int count) {
    char bytes[8] = {};
    const int n =
        ::WideCharToMultiByte(CP_UTF8, 0, units, count, bytes, sizeof bytes, nullptr, nullptr);
    for (int i = 0; i < n; ++i) {
        line.Take(bytes[i]);
    }
    ::SecureZeroMemory(bytes, sizeof bytes);
}

}  // namespace

std::optional<Secret> StdinSecretSource::Read(std::string_view, std::string& problem) {
    const HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
    if (in == nullptr || in == INVALID_HANDLE_VALUE) {
        problem = "no standard input to read the password from";
        return std::nullopt;
    }
    const auto readByte = [in](char& c, std::string& why) {
        DWORD got = 0;
        if (::ReadFile(in, &c, 1, &got, nullptr)) {
            return static_cast<int>(got);
        }
        if (::GetLastError() == ERROR_BROKEN_PIPE) {
            return 0;  // the writer has gone: the end of input
        }
        why = "error " + std::to_string(::GetLastError());
        return -1;
    };
    Secret secret;
    if (!ReadSecretLine(readByte, secret, problem)) {
        return std::nullopt;
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

    SecretLine line;
    wchar_t units[64] = {};
    while (!line.Ended()) {
        DWORD got = 0;
        if (!::ReadConsoleW(in, units, 64, &got, nullptr) || got == 0) {
            break;
        }
        for (DWORD i = 0; i < got && !line.Ended(); ++i) {
            if (units[i] == L'\r' || units[i] == L'\n') {
                line.Take('\n');
            } else {
                const bool pair = units[i] >= 0xD800 && units[i] <= 0xDBFF && i + 1 < got;
                TakeUtf16(line, &units[i], pair ? 2 : 1);
                i += pair ? 1 : 0;
            }
        }
        ::SecureZeroMemory(units, sizeof units);
    }
    ::SetConsoleMode(in, saved);
    ::WriteConsoleW(out, L"\r\n", 2, &written, nullptr);
    ::CloseHandle(in);
    ::CloseHandle(out);
    // At the console a password ends with Enter: input that ends before it gives none.
    return line.Finish(problem, true);
}

}  // namespace halvo::cli
