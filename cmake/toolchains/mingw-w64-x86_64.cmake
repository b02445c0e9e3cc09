# SPDX-License-Identifier: GPL-3.0-or-later
# Cross build for 64-bit Windows with Debian's mingw-w64 (the -posix compilers: std::thread and
# std::jthread need them). The runtime is linked in statically, so a program imports only system
# DLLs and runs on a bare Windows or wine without any DLL beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(HALVO_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${HALVO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HALVO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${HALVO_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${HALVO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# ctest runs the programs under wine through our guard (scripts/wine-run.sh): only inside a
# network namespace of ours, on a wineserver started there.
get_filename_component(HALVO_SOURCE_ROOT ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${HALVO_SOURCE_ROOT}/scripts/wine-run.sh)
