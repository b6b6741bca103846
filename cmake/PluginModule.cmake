# zk_plugin_module(TARGET SUFFIX suffix EXPORTS_MAP file INSTALL_DIR dir WINDOWS_INSTALL_DIR dir SOURCES ...)
# A loadable plug-in module as hosts load it: at the top of the build folder, with the C++
# runtime linked in so that it needs no runtime library of its own, exporting only what the
# version script (Linux) or the sources' dllexport and .def (Windows) name, and on Windows
# with the DLL entry and the panel's bitmaps as resources. Installed under INSTALL_DIR
# (lib/<format>/...), and for the Linux tarball's component under the same path less lib/.
function(zk_plugin_module target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "SUFFIX;EXPORTS_MAP;INSTALL_DIR;WINDOWS_INSTALL_DIR" "SOURCES")
    add_library(${target} MODULE ${arg_SOURCES} ${PROJECT_SOURCE_DIR}/formats/common/RuntimeReserves.cpp)
    set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME Zephyrkettledrome
        LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR} RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
    if(arg_SUFFIX)
        set_target_properties(${target} PROPERTIES SUFFIX ${arg_SUFFIX})
    endif()
    target_link_libraries(${target} PRIVATE zk_editor zk_services zk_artwork zk_warnings)
    # The panel's pictures at scales other than 1 come from the artwork generator.
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/formats/common/ScaledPictures.cpp)
    if(WIN32)
        target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/formats/common/DllMain.cpp)
        set(resourceScript ${PROJECT_SOURCE_DIR}/resources/resources.rc)
        if(EXISTS ${resourceScript})
            target_sources(${target} PRIVATE ${resourceScript})
            # windres reads the BMPs the script names; a new picture must rebuild the resources.
            file(GLOB bitmaps ${PROJECT_SOURCE_DIR}/resources/*.bmp)
            set_source_files_properties(${resourceScript} PROPERTIES OBJECT_DEPENDS "${bitmaps}")
        endif()
        target_link_libraries(${target} PRIVATE zk_gui_win32)
        target_link_options(${target} PRIVATE -static -Wl,--no-undefined)
        install(TARGETS ${target} LIBRARY DESTINATION ${arg_WINDOWS_INSTALL_DIR})
    else()
        target_link_libraries(${target} PRIVATE zk_gui_x11)
        target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc -Wl,--no-undefined
                                              -Wl,--version-script=${arg_EXPORTS_MAP})
        set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${arg_EXPORTS_MAP})
        install(TARGETS ${target} LIBRARY DESTINATION ${arg_INSTALL_DIR})
        string(REGEX REPLACE "^lib/" "" portableDir ${arg_INSTALL_DIR})
        install(TARGETS ${target} LIBRARY DESTINATION ${portableDir} COMPONENT portable EXCLUDE_FROM_ALL)
    endif()
endfunction()
