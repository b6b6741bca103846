#pragma once

// The streams a CLAP plug-in saves its state into and loads it from: bytes in memory. A
// limit per call makes them move fewer bytes than asked, as streams over files, pipes and
// sockets may, which every plug-in must cope with.

#include "formats/clap/ClapAbi.h"

#include <cstdint>
#include <vector>

namespace zkhost {

class ClapReadStream {
public:
    // bytesPerCall 0: as many as asked.
    ClapReadStream(const std::vector<uint8_t>& bytes, uint64_t bytesPerCall);
    const clap::clap_istream* stream() const { return &stream_; }
    uint64_t position() const { return position_; }
    int calls = 0;

private:
    static int64_t read(const clap::clap_istream* stream, void* buffer, uint64_t size);
    const std::vector<uint8_t>& bytes_;
    uint64_t bytesPerCall_;
    uint64_t position_ = 0;
    clap::clap_istream stream_;
};

class ClapWriteStream {
public:
    ClapWriteStream(uint64_t bytesPerCall, uint64_t maxSize);
    const clap::clap_ostream* stream() const { return &stream_; }
    std::vector<uint8_t> bytes;
    int calls = 0;

private:
    static int64_t write(const clap::clap_ostream* stream, const void* buffer, uint64_t size);
    uint64_t bytesPerCall_;
    uint64_t maxSize_; // past it, writes fail
    clap::clap_ostream stream_;
};

} // namespace zkhost
