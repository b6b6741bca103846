#include "tools/zkhost/FxFile.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace zkhost {

namespace {

constexpr size_t kProgramHeader = 56; // magic .. name
constexpr size_t kBankHeader = 156;   // magic .. future
constexpr size_t kNameField = 28;

int32_t magicOf(const char (&text)[5]) {
    return static_cast<int32_t>((uint32_t(uint8_t(text[0])) << 24) | (uint32_t(uint8_t(text[1])) << 16) |
                                (uint32_t(uint8_t(text[2])) << 8) | uint32_t(uint8_t(text[3])));
}

class Reader {
public:
    Reader(const uint8_t* data, size_t size, const char* what) : data_(data), size_(size), what_(what) {}

    size_t remaining() const { return size_ - pos_; }
    size_t position() const { return pos_; }

    void need(uint64_t bytes, const char* field) const {
        if (bytes > remaining())
            throw FormatError(std::string(what_) + " is truncated: " + field + " needs " + std::to_string(bytes) +
                              " bytes, " + std::to_string(remaining()) + " left");
    }
    int32_t int32(const char* field) {
        need(4, field);
        uint32_t v = (uint32_t(data_[pos_]) << 24) | (uint32_t(data_[pos_ + 1]) << 16) |
                     (uint32_t(data_[pos_ + 2]) << 8) | uint32_t(data_[pos_ + 3]);
        pos_ += 4;
        return static_cast<int32_t>(v);
    }
    float float32(const char* field) {
        int32_t bits = int32(field);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    std::string text(size_t length, const char* field) {
        need(length, field);
        const char* begin = reinterpret_cast<const char*>(data_ + pos_);
        pos_ += length;
        return std::string(begin, strnlen(begin, length));
    }
    std::vector<uint8_t> bytes(size_t length, const char* field) {
        need(length, field);
        std::vector<uint8_t> out(data_ + pos_, data_ + pos_ + length);
        pos_ += length;
        return out;
    }
    void skip(size_t length, const char* field) {
        need(length, field);
        pos_ += length;
    }
    void expectMagic(const char (&expected)[5], const char* field) {
        int32_t got = int32(field);
        if (got != magicOf(expected))
            throw FormatError(std::string(what_) + ": wrong magic '" + fourCC(got) + "', expected '" + expected + "'");
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    const char* what_;
};

class Writer {
public:
    void int32(int32_t v) {
        uint32_t u = static_cast<uint32_t>(v);
        for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(u >> shift));
    }
    void float32(float value) {
        int32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        int32(bits);
    }
    void magic(const char (&text)[5]) { int32(magicOf(text)); }
    void text(const std::string& s, size_t length) {
        size_t n = std::min(s.size(), length - 1); // always terminated
        out.insert(out.end(), s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n));
        out.insert(out.end(), length - n, 0);
    }
    void zeros(size_t n) { out.insert(out.end(), n, 0); }
    void bytes(const std::vector<uint8_t>& b) { out.insert(out.end(), b.begin(), b.end()); }
    // The byte size counts everything after the size field itself.
    void patchSize(size_t at) {
        auto size = static_cast<uint32_t>(out.size() - at - 4);
        for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(size >> (24 - 8 * i));
    }
    std::vector<uint8_t> out;
};

int32_t checkedCount(int32_t count, const char* field, const char* what) {
    if (count < 0) throw FormatError(std::string(what) + ": negative " + field + " " + std::to_string(count));
    return count;
}

// One program record inside the reader, starting at its 'CcnK'.
FxProgram readProgram(Reader& in, const char* what, FxPreset* header) {
    in.expectMagic("CcnK", "chunk magic");
    in.int32("byte size"); // not trusted: common hosts write it inconsistently
    int32_t kind = in.int32("format magic");
    if (kind != magicOf("FxCk") && kind != magicOf("FPCh"))
        throw FormatError(std::string(what) + ": wrong magic '" + fourCC(kind) + "', expected 'FxCk' or 'FPCh'");
    in.int32("format version");
    int32_t id = in.int32("plug-in ID");
    int32_t version = in.int32("plug-in version");
    int32_t numParams = checkedCount(in.int32("parameter count"), "parameter count", what);
    FxProgram program;
    program.name = in.text(kNameField, "program name");
    program.isChunk = kind == magicOf("FPCh");
    if (program.isChunk) {
        int32_t size = checkedCount(in.int32("chunk size"), "chunk size", what);
        program.chunk = in.bytes(static_cast<size_t>(size), "chunk");
    } else {
        in.need(uint64_t(numParams) * 4, "parameter list");
        program.params.reserve(static_cast<size_t>(numParams));
        for (int32_t i = 0; i < numParams; ++i) program.params.push_back(in.float32("parameter"));
    }
    if (header) {
        header->pluginId = id;
        header->pluginVersion = version;
        header->numParams = numParams;
    }
    return program;
}

void writeProgram(Writer& w, int32_t id, int32_t version, const FxProgram& program) {
    size_t start = w.out.size();
    w.magic("CcnK");
    w.int32(0);
    w.magic(program.isChunk ? "FPCh" : "FxCk");
    w.int32(1);
    w.int32(id);
    w.int32(version);
    w.int32(static_cast<int32_t>(program.params.size()));
    w.text(program.name, kNameField);
    if (program.isChunk) {
        w.int32(static_cast<int32_t>(program.chunk.size()));
        w.bytes(program.chunk);
    } else {
        for (float p : program.params) w.float32(p);
    }
    w.patchSize(start + 4);
}

} // namespace

std::string fourCC(int32_t id) {
    std::string out;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = static_cast<char>((static_cast<uint32_t>(id) >> shift) & 0xFF);
        out += (c >= 32 && c < 127) ? c : '?';
    }
    return out;
}

FxPreset parseFxp(const uint8_t* data, size_t size) {
    Reader in(data, size, "preset file");
    FxPreset preset;
    preset.program = readProgram(in, "preset file", &preset);
    return preset;
}

FxBank parseFxb(const uint8_t* data, size_t size) {
    const char* what = "bank file";
    Reader in(data, size, what);
    in.expectMagic("CcnK", "chunk magic");
    in.int32("byte size");
    int32_t kind = in.int32("format magic");
    if (kind != magicOf("FxBk") && kind != magicOf("FBCh"))
        throw FormatError(std::string(what) + ": wrong magic '" + fourCC(kind) + "', expected 'FxBk' or 'FBCh'");
    FxBank bank;
    int32_t formatVersion = in.int32("format version");
    bank.pluginId = in.int32("plug-in ID");
    bank.pluginVersion = in.int32("plug-in version");
    bank.numPrograms = checkedCount(in.int32("program count"), "program count", what);
    int32_t current = in.int32("current program");
    bank.currentProgram = formatVersion >= 2 ? current : 0;
    in.skip(kBankHeader - in.position(), "reserved header bytes");
    bank.isChunk = kind == magicOf("FBCh");
    if (bank.isChunk) {
        int32_t chunkSize = checkedCount(in.int32("chunk size"), "chunk size", what);
        bank.chunk = in.bytes(static_cast<size_t>(chunkSize), "chunk");
        return bank;
    }
    // Every program record takes at least its header, so the count is checked against
    // the file before anything is allocated for it.
    in.need(uint64_t(bank.numPrograms) * kProgramHeader, "program list");
    bank.programs.reserve(static_cast<size_t>(bank.numPrograms));
    int32_t numParams = -1;
    for (int32_t p = 0; p < bank.numPrograms; ++p) {
        FxPreset header;
        FxProgram program = readProgram(in, what, &header);
        if (program.isChunk) throw FormatError("bank file: program " + std::to_string(p) + " is a chunk in a parameter bank");
        if (header.pluginId != bank.pluginId)
            throw FormatError("bank file: program " + std::to_string(p) + " belongs to plug-in '" +
                              fourCC(header.pluginId) + "', the bank to '" + fourCC(bank.pluginId) + "'");
        if (numParams >= 0 && header.numParams != numParams)
            throw FormatError("bank file: program " + std::to_string(p) + " has " + std::to_string(header.numParams) +
                              " parameters, program 0 has " + std::to_string(numParams));
        numParams = header.numParams;
        bank.programs.push_back(std::move(program));
    }
    return bank;
}

std::vector<uint8_t> writeFxp(const FxPreset& preset) {
    Writer w;
    writeProgram(w, preset.pluginId, preset.pluginVersion, preset.program);
    if (preset.program.isChunk) {
        // The parameter count of a chunk preset is the plug-in's, not the list's length.
        Writer count;
        count.int32(preset.numParams);
        std::copy(count.out.begin(), count.out.end(), w.out.begin() + 24);
    }
    return w.out;
}

std::vector<uint8_t> writeFxb(const FxBank& bank) {
    Writer w;
    w.magic("CcnK");
    w.int32(0);
    w.magic(bank.isChunk ? "FBCh" : "FxBk");
    w.int32(2);
    w.int32(bank.pluginId);
    w.int32(bank.pluginVersion);
    w.int32(bank.isChunk ? bank.numPrograms : static_cast<int32_t>(bank.programs.size()));
    w.int32(bank.currentProgram);
    w.zeros(kBankHeader - w.out.size());
    if (bank.isChunk) {
        w.int32(static_cast<int32_t>(bank.chunk.size()));
        w.bytes(bank.chunk);
    } else {
        for (const FxProgram& program : bank.programs) writeProgram(w, bank.pluginId, bank.pluginVersion, program);
    }
    w.patchSize(4);
    return w.out;
}

std::vector<uint8_t> readFile(const std::string& path, size_t maxSize) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) throw FormatError("cannot open " + path);
    std::streamoff size = file.tellg();
    if (size < 0) throw FormatError("cannot read " + path);
    if (static_cast<uint64_t>(size) > maxSize)
        throw FormatError(path + " is too large (" + std::to_string(size) + " bytes, at most " +
                          std::to_string(maxSize) + ")");
    file.seekg(0);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (size > 0 && !file.read(reinterpret_cast<char*>(bytes.data()), size)) throw FormatError("cannot read " + path);
    return bytes;
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) throw FormatError("cannot create " + path);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file.flush()) throw FormatError("cannot write " + path);
}

} // namespace zkhost
