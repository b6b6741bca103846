# The Debian changelog (share/doc/zephyrkettledrome/changelog.gz) of this version, dated as
# CHANGELOG.md's heading "## <version> (<YYYY-MM-DD>)" dates it; that file holds the text.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
file(STRINGS ${PROJECT_SOURCE_DIR}/CHANGELOG.md zkReleaseHeading REGEX "^## ${PROJECT_VERSION} \\(")
if(NOT zkReleaseHeading MATCHES "\\(([0-9]+-[0-9]+-[0-9]+)\\)")
    message(FATAL_ERROR "CHANGELOG.md has no heading \"## ${PROJECT_VERSION} (YYYY-MM-DD)\" for this version")
endif()
execute_process(COMMAND date -u -R -d "${CMAKE_MATCH_1} 12:00" OUTPUT_VARIABLE zkReleaseDate
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
file(WRITE ${CMAKE_BINARY_DIR}/packaging/changelog
"${zkPackageName} (${PROJECT_VERSION}) unstable; urgency=medium

  * Release ${PROJECT_VERSION}: see /usr/share/doc/${zkPackageName}/CHANGELOG.md.

 -- ${zkMaintainer}  ${zkReleaseDate}
")
execute_process(COMMAND gzip -9 -n -c ${CMAKE_BINARY_DIR}/packaging/changelog
                OUTPUT_FILE ${CMAKE_BINARY_DIR}/packaging/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${zkDocDir})
