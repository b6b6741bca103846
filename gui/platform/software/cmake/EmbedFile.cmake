# Writes a C++ source holding the bytes of INPUT as zk::gui::platform::software::fonts::FUNCTION().
# Run as: cmake -DINPUT=... -DOUTPUT=... -DFUNCTION=... -P EmbedFile.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hexLength)
math(EXPR byteCount "${hexLength} / 2")
# 32 bytes to a line keeps the generated source readable by editors and compilers.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){32})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}" "// Generated from ${INPUT}; do not edit.
#include \"gui/platform/software/EmbeddedFonts.h\"

namespace zk::gui::platform::software::fonts {
namespace {
const unsigned char bytes[${byteCount}] = {
${bytes}
};
const EmbeddedFont font{bytes, sizeof bytes};
} // namespace
const EmbeddedFont& ${FUNCTION}() { return font; }
} // namespace zk::gui::platform::software::fonts
")
