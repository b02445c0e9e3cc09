// SPDX-License-Identifier: GPL-3.0-or-later
// The test main of the Windows build. Under wine a crashing program can exit with any status,
// 0 included, so a crash could read as a pass: here an unhandled exception (an access
// violation, an abort) ends the process at once with a fixed failing status instead.
#include <gtest/gtest.h>
#include <windows.h>

#include <csignal>
#include <cstdio>

namespace {

constexpr UINT CRASH_EXIT_STATUS = 3;

LONG WINAPI EndOnCrash(EXCEPTION_POINTERS* info) {
    std::fprintf(stderr, "test program crashed: exception 0x%08lx\n",
                 info != nullptr && info->ExceptionRecord != nullptr
                     ? static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode)
                     : 0UL);
    std::fflush(stderr);
    ::TerminateProcess(::GetCurrentProcess(), CRASH_EXIT_STATUS);
    return EXCEPTION_EXECUTE_HANDLER;
}

void EndOnAbort(int) {
    std::fputs("test program aborted\n", stderr);
    std::fflush(stderr);
    ::TerminateProcess(::GetCurrentProcess(), CRASH_EXIT_STATUS);
}

}  // namespace

int main(int argc, char** argv) {
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    ::SetUnhandledExceptionFilter(EndOnCrash);
    std::signal(SIGABRT, EndOnAbort);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
