// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/win32/ConsoleOutput.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

namespace halvo::cli {

void UseUtf8Output() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    ::SetConsoleOutputCP(CP_UTF8);
}

}  // namespace halvo::cli
