# SPDX-License-Identifier: GPL-3.0-or-later
# Builds that come out the same byte for byte from the same sources, whatever folder they are
# built in and whenever (scripts/reproduce.sh checks it).
#
# The source and build folders never reach an object file: not in __FILE__, not in the debug
# information (the deb's build ids are hashed over it before stripping), not in a compilation
# directory. GCC reads the last matching map first, so the build folder, which may lie inside
# the source folder, comes second. A debugger then finds the sources relative to the source
# folder (gdb: `directory`); HALVO_REPRODUCIBLE=OFF keeps the real folders.
if(HALVO_REPRODUCIBLE)
    add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
                        -ffile-prefix-map=${PROJECT_BINARY_DIR}=build)
endif()
if(WIN32)
    # A PE file's header has a link time stamp unless told otherwise; its checksum is computed
    # from the content, and windres gives the resource directory no time.
    add_link_options(-Wl,--no-insert-timestamp)
endif()
