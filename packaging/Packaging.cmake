# The packages, made by CPack from the build: cmake --build BUILD --target package puts them
# in BUILD/packages.
#   Linux:   zephyrkettledrome-<version>-linux-<machine>.tar.gz, the plug-ins laid out as
#            hosts expect with zkhost, the docs and install.sh (the install component
#            "portable"), and zephyrkettledrome_<version>_<arch>.deb, the plain install
#            under /usr (plug-ins in lib/{vst,clap,lv2,vst3}, zkhost and its man page, docs).
#   Windows: zephyrkettledrome-<version>-windows-x64.zip or -x86.zip, the plain install:
#            vst/, clap/, vst3/, zkhost.exe, the docs and INSTALL.txt.

set(zkPackageName zephyrkettledrome)
set(zkMaintainer "The Zephyrkettledrome developers <developers@zephyrkettledrome.org>")
set(zkDocDir share/doc/${zkPackageName})

# The manual and every file of the docs it shows or links to (its pictures, the sound
# examples), under docs/ as in the source tree. Links to other pages and to the web are not
# files of its own.
file(READ ${PROJECT_SOURCE_DIR}/docs/manual.md zkManual)
# (Brackets out of the way first: a CMake list does not split inside square brackets.)
string(REPLACE "]" ">" zkManual "${zkManual}")
string(REPLACE "[" "<" zkManual "${zkManual}")
string(REGEX MATCHALL ">\\([^):#;]+\\)" zkManualLinks "${zkManual}")
set(zkManualFiles "")
foreach(link IN LISTS zkManualLinks)
    string(REGEX REPLACE ".*\\(([^)]+)\\)" "\\1" path "${link}")
    if(NOT path MATCHES "\\.md$" AND EXISTS ${PROJECT_SOURCE_DIR}/docs/${path} AND NOT IS_DIRECTORY ${PROJECT_SOURCE_DIR}/docs/${path})
        list(APPEND zkManualFiles ${PROJECT_SOURCE_DIR}/docs/${path})
    endif()
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/manual.md)
list(REMOVE_DUPLICATES zkManualFiles)
function(zk_install_manual destination)
    install(FILES ${PROJECT_SOURCE_DIR}/docs/manual.md DESTINATION ${destination}/docs ${ARGN})
    foreach(linked IN LISTS zkManualFiles)
        file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR}/docs ${linked})
        get_filename_component(folder ${relative} DIRECTORY)
        install(FILES ${linked} DESTINATION ${destination}/docs/${folder} ${ARGN})
    endforeach()
endfunction()

# The factory set as files for VST 2 hosts (the other formats carry it themselves).
file(GLOB zkFactoryFiles ${PROJECT_SOURCE_DIR}/presets/*.fxp ${PROJECT_SOURCE_DIR}/presets/factory.fxb)

if(WIN32)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(zkSystem windows-x64)
        set(ZK_WINDOWS_BITS 64-bit)
    else()
        set(zkSystem windows-x86)
        set(ZK_WINDOWS_BITS 32-bit)
    endif()
    set(ZK_VERSION ${PROJECT_VERSION})
    configure_file(${CMAKE_CURRENT_LIST_DIR}/INSTALL-windows.txt ${CMAKE_BINARY_DIR}/INSTALL.txt @ONLY NEWLINE_STYLE CRLF)
    install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/CHANGELOG.md
                  ${CMAKE_BINARY_DIR}/INSTALL.txt DESTINATION .)
    zk_install_manual(.)
    install(FILES ${zkFactoryFiles} DESTINATION presets)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME ${zkPackageName}-${PROJECT_VERSION}-${zkSystem})
else()
    # The plain install (the .deb): docs, the DEP-5 copyright, the Debian changelog, the man page.
    install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/CHANGELOG.md
                  ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION ${zkDocDir})
    zk_install_manual(${zkDocDir})
    install(FILES ${zkFactoryFiles} DESTINATION share/${zkPackageName}/presets)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/lintian-overrides DESTINATION share/lintian/overrides
            RENAME ${zkPackageName})
    include(${CMAKE_CURRENT_LIST_DIR}/DebianChangelog.cmake)
    include(${CMAKE_CURRENT_LIST_DIR}/ManPage.cmake)

    # The tarball's component: the docs and the installer beside the plug-ins' folders.
    install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/CHANGELOG.md
                  ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
    install(PROGRAMS ${CMAKE_CURRENT_LIST_DIR}/install.sh DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
    zk_install_manual(. COMPONENT portable EXCLUDE_FROM_ALL)
    install(FILES ${zkFactoryFiles} DESTINATION presets COMPONENT portable EXCLUDE_FROM_ALL)

    if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64)$")
        set(zkDebianArch amd64)
    elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64)$")
        set(zkDebianArch arm64)
    else()
        set(zkDebianArch ${CMAKE_SYSTEM_PROCESSOR})
    endif()
    set(CPACK_GENERATOR TGZ DEB)
    set(CPACK_PACKAGE_FILE_NAME ${zkPackageName}-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR})
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${zkDebianArch})
    set(CPACK_DEBIAN_PACKAGE_SECTION sound)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://zephyrkettledrome.org/)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
    # CPack would have them call ldconfig, as for libraries in /usr/lib.
    set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/debian/postinst ${CMAKE_CURRENT_LIST_DIR}/debian/postrm)
    # Per generator: the tarball takes the portable component alone, the .deb the plain install.
    set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/CPackPerGenerator.cmake)
endif()

set(CPACK_PACKAGE_NAME ${zkPackageName})
set(CPACK_PACKAGE_VENDOR zephyrkettledrome.org)
set(CPACK_PACKAGE_CONTACT ${zkMaintainer})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "input-driven synthesizer plug-in (VST 2, CLAP, VST3, LV2)")
set(CPACK_PACKAGE_DESCRIPTION "Three band filters listen to the stereo input; each band's envelope plays
a sine voice of its own (loudness, pitch bend, FM depth) that can blend into
filtered noise, and the voices go through a stereo cross-feedback delay. MIDI
learn, 128 programs and a scalable panel. The package holds the plug-in in four
formats for Linux hosts, and zkhost, a command-line host that renders audio
files through plug-ins.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/packages)
set(CPACK_SOURCE_GENERATOR "") # packages of the build only
include(CPack)
