# SPDX-License-Identifier: GPL-3.0-or-later
# Build options shared by every target of the project.
option(HALVO_GUI "Build the Qt front end (off: protocol, platform core, tools and their tests only)" ON)
option(HALVO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(HALVO_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
option(HALVO_E2E "Register the end-to-end tests that need root and network namespaces" ON)
option(HALVO_GIO "Build the GIO network drives without the GUI" OFF)
option(HALVO_WERROR "Treat compiler warnings as errors (on in CI and scripts/test.sh)" OFF)
option(HALVO_REPRODUCIBLE "Map the source and build folders out of objects and debug information" ON)
# CTest's BUILD_TESTING (default ON): off builds no tests, benchmarks or fuzz targets and needs
# no GoogleTest.
include(CTest)

# A packager's build without a type still gets optimised code with debug information.
get_property(HALVO_MULTI_CONFIG GLOBAL PROPERTY GENERATOR_IS_MULTI_CONFIG)
if(NOT CMAKE_BUILD_TYPE AND NOT HALVO_MULTI_CONFIG)
    set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type when none is given" FORCE)
endif()

set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

add_library(halvo_warnings INTERFACE)
target_compile_options(halvo_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align -Wformat=2
    $<$<BOOL:${HALVO_WERROR}>:-Werror>)

if(HALVO_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

if(HALVO_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "HALVO_FUZZ needs clang (configure with CXX=clang++)")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
