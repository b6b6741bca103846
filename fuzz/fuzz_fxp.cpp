// libFuzzer target: the .fxp reader must reject any malformed file with FormatError, and
// what it accepts must write back into a file it reads again to the same program.
#include "tools/zkhost/FxFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        zkhost::FxPreset preset = zkhost::parseFxp(data, size);
        std::vector<uint8_t> again = zkhost::writeFxp(preset);
        zkhost::FxPreset reread = zkhost::parseFxp(again.data(), again.size());
        if (reread.program.chunk != preset.program.chunk || reread.program.params.size() != preset.program.params.size())
            std::abort();
    } catch (const zkhost::FormatError&) {
    }
    return 0;
}
