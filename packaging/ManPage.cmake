# zkhost's man page, zkhost.1, made from docs/zkhost.md by go-md2man (Debian: go-md2man): the
# page's title line gives way to the man page's, its "##" sections become the man page's
# sections (in capitals) and "###" their subsections.
find_program(ZK_GO_MD2MAN go-md2man)
if(NOT ZK_GO_MD2MAN)
    message(STATUS "No go-md2man: the packages will have no man page for zkhost (Debian: go-md2man)")
    return()
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/zkhost.md)
file(READ ${PROJECT_SOURCE_DIR}/docs/zkhost.md zkManSource)
string(REGEX REPLACE "^# [^\n]*\n" "" zkManSource "${zkManSource}")
string(REGEX MATCHALL "\n## [^\n]*" zkManSections "${zkManSource}")
foreach(section IN LISTS zkManSections)
    string(REPLACE "\n## " "\n# " heading "${section}")
    string(TOUPPER "${heading}" heading)
    string(REPLACE "${section}" "${heading}" zkManSource "${zkManSource}")
endforeach()
string(REPLACE "\n### " "\n## " zkManSource "${zkManSource}")
set(zkManSource "% ZKHOST 1 \"\" \"zkhost ${PROJECT_VERSION}\" \"User Commands\"\n${zkManSource}")
file(WRITE ${CMAKE_BINARY_DIR}/packaging/zkhost.1.md "${zkManSource}")
execute_process(COMMAND ${ZK_GO_MD2MAN} -in ${CMAKE_BINARY_DIR}/packaging/zkhost.1.md -out ${CMAKE_BINARY_DIR}/packaging/zkhost.1
                COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND gzip -9 -n -c ${CMAKE_BINARY_DIR}/packaging/zkhost.1
                OUTPUT_FILE ${CMAKE_BINARY_DIR}/packaging/zkhost.1.gz COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/zkhost.1.gz DESTINATION share/man/man1)
