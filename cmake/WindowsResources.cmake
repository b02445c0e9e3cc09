# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows resources of a program, compiled by windres (CMAKE_RC_COMPILER):
#
#   halvo_windows_resources(<target> GUI|CONSOLE "<file description>" "<original file name>")
#
# Every program gets a version resource from the project's version and a manifest (common
# controls 6, per-monitor DPI awareness, asInvoker, Windows 10/11); a GUI program also gets icon
# 128 and the wizard's bitmap 136, made from the images the rest of the program uses, and is
# linked for the Windows subsystem; its property HALVO_WINDOWS_ICON names the .ico (for the
# installer). Each target is listed in the global property HALVO_WINDOWS_RESOURCE_TARGETS
# ("target:GUI" or "target:CONSOLE") for the tests that read the resources back from the built
# program.
enable_language(RC)

set(HALVO_WINDOWS_RESOURCE_TEMPLATES ${CMAKE_CURRENT_LIST_DIR}/windows)
find_program(HALVO_ICOTOOL icotool DOC "icoutils' icotool, which makes the program's .ico")

# Icon 128: the program's own images (resources/images, also built into the program's data) at
# every size Windows asks for from 100 to 200 %; 256 is kept as PNG, as Windows stores it.
set(HALVO_WINDOWS_ICON_IMAGES "")
foreach(size 16 20 24 32 40 48 64)
    list(APPEND HALVO_WINDOWS_ICON_IMAGES ${PROJECT_SOURCE_DIR}/resources/images/icon128_${size}.png)
endforeach()
set(HALVO_WINDOWS_ICON_RAW ${PROJECT_SOURCE_DIR}/resources/images/icon128_256.png)
set(HALVO_WINDOWS_BITMAP_136 ${PROJECT_SOURCE_DIR}/resources/images/bitmap136.bmp)

function(halvo_windows_resources target kind description file_name)
    if(NOT kind MATCHES "^(GUI|CONSOLE)$")
        message(FATAL_ERROR "halvo_windows_resources(${target}): GUI or CONSOLE, not '${kind}'")
    endif()
    if("${description}${file_name}" MATCHES "[\"\\\\<>&]")
        message(FATAL_ERROR "halvo_windows_resources(${target}): no quotes, backslashes, <, > or "
                            "& in the description or the file name")
    endif()
    set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}-resources)
    set(HALVO_RC_TARGET ${target})
    set(HALVO_RC_DESCRIPTION "${description}")
    set(HALVO_RC_FILE_NAME "${file_name}")
    set(HALVO_RC_MANIFEST ${dir}/${target}.manifest)
    configure_file(${HALVO_WINDOWS_RESOURCE_TEMPLATES}/app.manifest.in ${HALVO_RC_MANIFEST} @ONLY)
    set(depends ${HALVO_RC_MANIFEST})

    set(HALVO_RC_IMAGES "")
    if(kind STREQUAL "GUI")
        if(NOT HALVO_ICOTOOL)
            message(FATAL_ERROR "halvo_windows_resources(${target}): icotool not found "
                                "(scripts/install-deps.sh --windows installs icoutils)")
        endif()
        set(icon ${dir}/${target}.ico)
        add_custom_command(OUTPUT ${icon}
            COMMAND ${HALVO_ICOTOOL} --create --output=${icon} ${HALVO_WINDOWS_ICON_IMAGES}
                    --raw=${HALVO_WINDOWS_ICON_RAW}
            DEPENDS ${HALVO_WINDOWS_ICON_IMAGES} ${HALVO_WINDOWS_ICON_RAW}
            COMMENT "Making icon 128 of ${file_name}"
            VERBATIM)
        string(CONCAT HALVO_RC_IMAGES
            "128 ICON \"${icon}\"\n"
            "136 BITMAP \"${HALVO_WINDOWS_BITMAP_136}\"\n")
        list(APPEND depends ${icon} ${HALVO_WINDOWS_BITMAP_136})
        set_property(TARGET ${target} PROPERTY WIN32_EXECUTABLE ON)
        # For the installer's entry in Apps and its shortcut.
        set_property(TARGET ${target} PROPERTY HALVO_WINDOWS_ICON ${icon})
    endif()
    set(rc ${dir}/${target}.rc)
    configure_file(${HALVO_WINDOWS_RESOURCE_TEMPLATES}/resources.rc.in ${rc} @ONLY)
    set_property(SOURCE ${rc} PROPERTY OBJECT_DEPENDS ${depends})

    # A library of its own, so that the target's C++ warning flags never reach windres.
    add_library(${target}_windows_resources OBJECT ${rc})
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:${target}_windows_resources>)
    set_property(GLOBAL APPEND PROPERTY HALVO_WINDOWS_RESOURCE_TARGETS "${target}:${kind}")
endfunction()
