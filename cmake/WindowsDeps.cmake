# SPDX-License-Identifier: GPL-3.0-or-later
# What the Windows cross build takes from the build machine: GoogleTest built from Debian's
# sources with the cross compiler, and the two header-only libraries of the command line from
# Debian's include folder (those two folders only, never all of /usr/include).

if(BUILD_TESTING)
    set(HALVO_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(${HALVO_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    # GTest::gtest_main runs our own main: a crash ends the process with a fixed failing
    # status, whatever wine's debugger would have made of it.
    set_property(TARGET gtest_main PROPERTY SOURCES
                 ${PROJECT_SOURCE_DIR}/tests/win32/CrashSafeMain.cpp)
    # Test lists are read when ctest runs, under wine inside our namespace, never at build time.
    set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
endif()

function(halvo_header_only_target name header)
    find_path(${name}_DIR ${header} PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
              REQUIRED)
    set(staged ${CMAKE_BINARY_DIR}/host-headers/${name})
    get_filename_component(top ${header} NAME)
    string(REGEX REPLACE "/.*" "" top ${header})
    file(MAKE_DIRECTORY ${staged})
    file(CREATE_LINK ${${name}_DIR}/${top} ${staged}/${top} SYMBOLIC)
    add_library(${name} INTERFACE IMPORTED GLOBAL)
    target_include_directories(${name} SYSTEM INTERFACE ${staged})
endfunction()
halvo_header_only_target(halvo_cli11 CLI/CLI.hpp)
halvo_header_only_target(halvo_nlohmann_json nlohmann/json.hpp)
add_library(CLI11::CLI11 ALIAS halvo_cli11)
add_library(nlohmann_json::nlohmann_json ALIAS halvo_nlohmann_json)
