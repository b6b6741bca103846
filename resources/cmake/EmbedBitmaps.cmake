# Writes a C++ source holding the files DIRECTORY/bmp<id>.bmp for every id of IDS (separated
# by commas) as zk::resources::moduleBitmap(id). A missing file leaves its id out, so that the
# first build of the artwork generator works before any picture exists.
# Run as: cmake -DDIRECTORY=... -DIDS=176,178 -DOUTPUT=... -P EmbedBitmaps.cmake
string(REPLACE "," ";" ids "${IDS}")
set(arrays "")
set(cases "")
foreach(id IN LISTS ids)
    set(file "${DIRECTORY}/bmp${id}.bmp")
    if(NOT EXISTS "${file}")
        continue()
    endif()
    file(READ "${file}" hex HEX)
    string(LENGTH "${hex}" hexLength)
    math(EXPR byteCount "${hexLength} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){32})" "\\1\n" bytes "${bytes}")
    string(APPEND arrays "const unsigned char bmp${id}[${byteCount}] = {\n${bytes}\n};\n")
    string(APPEND cases "    case ${id}: return {bmp${id}, sizeof bmp${id}};\n")
endforeach()
file(WRITE "${OUTPUT}" "// Generated from the BMP files of resources/; do not edit.
#include \"resources/ModuleBitmaps.h\"

namespace zk::resources {
namespace {
${arrays}} // namespace

ResourceBytes moduleBitmap(int32_t resourceId) {
    switch (resourceId) {
${cases}    default: return {};
    }
}
} // namespace zk::resources
")
