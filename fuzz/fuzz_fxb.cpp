// libFuzzer target: the .fxb reader must reject any malformed file with FormatError, and
// what it accepts must write back into a file it reads again to the same bank.
#include "tools/zkhost/FxFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        zkhost::FxBank bank = zkhost::parseFxb(data, size);
        std::vector<uint8_t> again = zkhost::writeFxb(bank);
        zkhost::FxBank reread = zkhost::parseFxb(again.data(), again.size());
        if (reread.chunk != bank.chunk || reread.programs.size() != bank.programs.size()) std::abort();
    } catch (const zkhost::FormatError&) {
    }
    return 0;
}
