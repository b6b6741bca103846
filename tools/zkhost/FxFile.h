#pragma once

// Reading and writing VST 2 preset (.fxp) and bank (.fxb) files: a big-endian 'CcnK'
// header followed by either a parameter list ('FxCk', 'FxBk') or an opaque chunk
// ('FPCh', 'FBCh'). No dependency on the host or the command line, so the readers can
// be built into the fuzz targets on their own.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace zkhost {

// Any malformed or unsuitable file; the message says what is wrong.
class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct FxProgram {
    std::string name;          // at most 27 characters
    std::vector<float> params; // parameter-list form
    std::vector<uint8_t> chunk;
    bool isChunk = false;
};

struct FxPreset {
    int32_t pluginId = 0;
    int32_t pluginVersion = 0;
    int32_t numParams = 0;
    FxProgram program;
};

struct FxBank {
    int32_t pluginId = 0;
    int32_t pluginVersion = 0;
    int32_t numPrograms = 0;
    int32_t currentProgram = 0; // version 2 banks only; 0 otherwise
    bool isChunk = false;
    std::vector<FxProgram> programs; // parameter-list form
    std::vector<uint8_t> chunk;
};

// Files larger than this are refused before they are read.
constexpr size_t kMaxFxFileSize = 256u * 1024u * 1024u;

FxPreset parseFxp(const uint8_t* data, size_t size);
FxBank parseFxb(const uint8_t* data, size_t size);
std::vector<uint8_t> writeFxp(const FxPreset& preset);
std::vector<uint8_t> writeFxb(const FxBank& bank);

// Four characters of a big-endian ID, printable characters only, as text.
std::string fourCC(int32_t id);

// Reads a whole file, refusing ones larger than maxSize; throws FormatError.
std::vector<uint8_t> readFile(const std::string& path, size_t maxSize);
void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

} // namespace zkhost
