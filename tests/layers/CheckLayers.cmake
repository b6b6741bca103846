# Fails when a source file includes a header of a layer it may not use. With one include
# root for the whole tree the compiler cannot see a header-only upward include; this does.
#   cmake -DROOT=<source tree> -P CheckLayers.cmake
# Each rule: a regular expression for the files of a layer, then one for the headers they
# may include ("a/b.h" forms; includes without a folder are the file's neighbours). The
# first rule whose files match applies; files no rule names (tests, tools of the build)
# may include anything. In the rule of formats/, <format> stands for the file's own
# format folder: a wrapper uses its own format's headers and no other's.
set(rules
    "^product/" "^product/"
    "^engine/" "^(product|engine)/"
    "^core/" "^(product|engine|core)/"
    "^gui/platform/(Renderer|Windowing|Platform)\\.h$" "^gui/platform/(Renderer|Windowing)\\.h$|^gui/Geometry\\.h$"
    "^gui/platform/software/" "^gui/platform/(Platform\\.h|software/)|^gui/Geometry\\.h$|^resources/ModuleBitmaps\\.h$"
    "^gui/platform/x11/" "^gui/platform/(Platform\\.h|software/|x11/)|^gui/Geometry\\.h$"
    "^gui/platform/win32/" "^gui/platform/(Platform\\.h|win32/|software/(SoftPixmap|ScaledPictures|FontEngine)\\.h)|^gui/Geometry\\.h$"
    "^gui/" "^gui/[^/]+$|^gui/platform/Platform\\.h$"
    "^editor/" "^(product|editor)/|^core/(Editor|Services)\\.h$|^gui/[^/]+$|^gui/platform/Platform\\.h$"
    "^services/" "^(product|services)/|^core/Services\\.h$|^gui/platform/x11/"
    "^formats/common/ScaledPictures\\.cpp$" "^gui/platform/software/ScaledPictures\\.h$|^resources/generator/PictureDrawer\\.h$"
    "^formats/" "^(product|core|editor|services|formats/<format>)/|^gui/platform/(x11/X11Platform|win32/ModuleInstance)\\.h$"
    "^tools/" "^tools/|^formats/[^/]+/[^/]*Abi\\.h$"
    "^resources/" "^(product|resources|gui)/|^editor/Panel(Layout|Scale)\\.h$"
)

if(NOT ROOT)
    message(FATAL_ERROR "usage: cmake -DROOT=<source tree> -P CheckLayers.cmake")
endif()
file(GLOB_RECURSE sources RELATIVE ${ROOT}
    ${ROOT}/product/* ${ROOT}/engine/* ${ROOT}/core/* ${ROOT}/gui/* ${ROOT}/editor/* ${ROOT}/services/*
    ${ROOT}/formats/* ${ROOT}/tools/* ${ROOT}/resources/*)
list(FILTER sources INCLUDE REGEX "\\.(h|cpp)$")
list(LENGTH rules ruleCount)
math(EXPR lastRule "${ruleCount} - 1")

set(checked 0)
set(faults "")
foreach(source IN LISTS sources)
    set(allowed "")
    foreach(at RANGE 0 ${lastRule} 2)
        list(GET rules ${at} files)
        if(source MATCHES "${files}")
            math(EXPR next "${at} + 1")
            list(GET rules ${next} allowed)
            break()
        endif()
    endforeach()
    if(allowed STREQUAL "")
        continue()
    endif()
    if(source MATCHES "^formats/([^/]+)/")
        string(REPLACE "<format>" "${CMAKE_MATCH_1}" allowed "${allowed}")
    endif()
    math(EXPR checked "${checked} + 1")
    file(STRINGS ${ROOT}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" header "${line}")
        if(NOT header MATCHES "/" OR header MATCHES "${allowed}")
            continue()
        endif()
        string(APPEND faults "  ${source} includes ${header}\n")
    endforeach()
endforeach()

if(checked EQUAL 0)
    message(FATAL_ERROR "no source of any layer found under ${ROOT}")
endif()
if(NOT faults STREQUAL "")
    message(FATAL_ERROR "includes across the layers:\n${faults}")
endif()
message(STATUS "${checked} files keep to their layers")
