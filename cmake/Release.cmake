# SPDX-License-Identifier: GPL-3.0-or-later
# The release's facts, each written once: the version in project(), the release history and its
# dates in packaging/changelog.in, whose newest entry carries @PROJECT_VERSION@ rather than a
# number. Sets HALVO_RELEASE_DATE (YYYY-MM-DD, the newest entry's date) for the metainfo and the
# manual pages.
set(HALVO_CHANGELOG ${PROJECT_SOURCE_DIR}/packaging/changelog.in)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${HALVO_CHANGELOG})
file(STRINGS ${HALVO_CHANGELOG} halvo_changelog_first LIMIT_COUNT 1)
if(NOT halvo_changelog_first MATCHES "^halvo \\(@PROJECT_VERSION@\\) ")
    message(FATAL_ERROR "packaging/changelog.in: the newest entry must be "
                        "'halvo (@PROJECT_VERSION@) ...', not '${halvo_changelog_first}'")
endif()
file(STRINGS ${HALVO_CHANGELOG} halvo_changelog_trailer REGEX "^ -- " LIMIT_COUNT 1)
set(halvo_date_pattern "^ -- .*  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
if(NOT halvo_changelog_trailer MATCHES "${halvo_date_pattern}")
    message(FATAL_ERROR "packaging/changelog.in: no date in '${halvo_changelog_trailer}'")
endif()
set(halvo_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND halvo_months "${CMAKE_MATCH_2}" halvo_month)
if(halvo_month LESS 0)
    message(FATAL_ERROR "packaging/changelog.in: no month '${CMAKE_MATCH_2}'")
endif()
math(EXPR halvo_month "${halvo_month} + 1")
if(halvo_month LESS 10)
    set(halvo_month "0${halvo_month}")
endif()
set(HALVO_RELEASE_DATE "${CMAKE_MATCH_3}-${halvo_month}-${CMAKE_MATCH_1}")
