# SPDX-License-Identifier: GPL-3.0-or-later
# Each library exports only its own headers, so the build refuses an include that skips a layer.
#
#   halvo_export(target FOLDERS protocol [more...] | HEADERS wizard/A.h [more...])
#
# The headers are linked into a folder of the build tree under their path from the source root
# ("protocol/WireFormat.h"), and that folder alone goes on the target's include path: a target
# sees the headers of what it links and nothing else.
function(halvo_export target)
    cmake_parse_arguments(arg "" "" "FOLDERS;HEADERS" ${ARGN})
    set(root ${CMAKE_BINARY_DIR}/exports/${target})
    file(REMOVE_RECURSE ${root})
    set(headers ${arg_HEADERS})
    foreach(folder IN LISTS arg_FOLDERS)
        file(GLOB found CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}
             ${PROJECT_SOURCE_DIR}/${folder}/*.h)
        list(APPEND headers ${found})
    endforeach()
    foreach(header IN LISTS headers)
        if(NOT EXISTS ${PROJECT_SOURCE_DIR}/${header})
            message(FATAL_ERROR "halvo_export(${target}): no header ${header}")
        endif()
        get_filename_component(folder ${root}/${header} DIRECTORY)
        file(MAKE_DIRECTORY ${folder})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${header} ${root}/${header} SYMBOLIC)
    endforeach()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE ${root})
    else()
        target_include_directories(${target} PUBLIC ${root})
    endif()
endfunction()
