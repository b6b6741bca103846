#include "tools/zkhost/WavFile.h"

#include "tools/zkhost/HostedPlugin.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace zkhost {

namespace {

constexpr int kFormatPcm = 1;
constexpr int kFormatFloat = 3;
constexpr int kFormatExtensible = 0xFFFE;
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - 64; // what the 32-bit RIFF sizes can hold
constexpr size_t kHeaderBytes = 44;

uint32_t le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t le16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }
void put32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void put16(unsigned char* p, uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

// A sample of the given width as float in -1..1, scaled by 2^(bits - 1) as libsndfile does.
float pcmSample(const unsigned char* p, int bytes) {
    switch (bytes) {
    case 1: return float(int(p[0]) - 128) / 128.0f;
    case 2: return float(int16_t(le16(p))) / 32768.0f;
    case 3: return float(int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24) >> 8) / 8388608.0f;
    default: return float(double(int32_t(le32(p))) / 2147483648.0);
    }
}

float floatSample(const unsigned char* p, int bytes) {
    if (bytes == 4) {
        const uint32_t bits = le32(p);
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    const uint64_t bits = le32(p) | uint64_t(le32(p + 4)) << 32;
    double d;
    std::memcpy(&d, &bits, 8);
    return float(d);
}

int32_t clippedPcm(float sample, double scale, int32_t limit) {
    const double scaled = std::nearbyint(double(sample) * scale);
    if (!(scaled > -limit - 1.0)) return std::isnan(scaled) ? 0 : -limit - 1;
    if (scaled > limit) return limit;
    return int32_t(scaled);
}

} // namespace

WavReader::WavReader(const std::string& path) {
    const std::string what = "cannot read input " + path + ": ";
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_) throw HostError(what + std::strerror(errno));
    unsigned char riff[12];
    if (std::fread(riff, 1, 12, file_) != 12 || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) {
        std::fclose(file_);
        file_ = nullptr;
        throw HostError(what + "not a RIFF WAVE file");
    }
    bool haveFormat = false;
    int64_t dataBytes = -1;
    unsigned char chunk[8];
    while (dataBytes < 0 && std::fread(chunk, 1, 8, file_) == 8) {
        const uint32_t size = le32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16 && size <= 1024) {
            unsigned char fmt[1024];
            if (std::fread(fmt, 1, size, file_) != size) break;
            formatTag_ = le16(fmt);
            if (formatTag_ == kFormatExtensible && size >= 40) formatTag_ = le16(fmt + 24); // the sub-format's tag
            info_.channels = le16(fmt + 2);
            info_.sampleRate = int(le32(fmt + 4));
            const int bits = le16(fmt + 14);
            bytesPerSample_ = (bits + 7) / 8;
            haveFormat = true;
            if (size & 1) std::fseek(file_, 1, SEEK_CUR);
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            dataBytes = size;
        } else if (std::fseek(file_, long(size + (size & 1)), SEEK_CUR) != 0) {
            break;
        }
    }
    const bool supported = haveFormat && info_.channels > 0 && info_.channels <= 256 && info_.sampleRate > 0 &&
                           ((formatTag_ == kFormatPcm && bytesPerSample_ >= 1 && bytesPerSample_ <= 4) ||
                            (formatTag_ == kFormatFloat && (bytesPerSample_ == 4 || bytesPerSample_ == 8)));
    if (!supported || dataBytes < 0) {
        std::fclose(file_);
        file_ = nullptr;
        throw HostError(what + (haveFormat && dataBytes >= 0 ? "unsupported sample format" : "no audio data"));
    }
    // A data size beyond the end of the file (as streaming writers leave it) means up to the end.
    const long dataStart = std::ftell(file_);
    std::fseek(file_, 0, SEEK_END);
    const int64_t available = std::ftell(file_) - dataStart;
    std::fseek(file_, dataStart, SEEK_SET);
    const int64_t frameBytes = int64_t(info_.channels) * bytesPerSample_;
    info_.frames = std::min(dataBytes, std::max<int64_t>(available, 0)) / frameBytes;
    framesLeft_ = info_.frames;
}

WavReader::~WavReader() {
    if (file_) std::fclose(file_);
}

int64_t WavReader::read(float* interleaved, int64_t frames) {
    frames = std::max<int64_t>(0, std::min(frames, framesLeft_));
    const size_t frameBytes = size_t(info_.channels) * size_t(bytesPerSample_);
    buffer_.resize(size_t(frames) * frameBytes);
    const int64_t got = int64_t(std::fread(buffer_.data(), frameBytes, size_t(frames), file_));
    framesLeft_ = got < frames ? 0 : framesLeft_ - got;
    const unsigned char* p = buffer_.data();
    const int64_t samples = got * info_.channels;
    for (int64_t i = 0; i < samples; ++i, p += bytesPerSample_)
        interleaved[i] = formatTag_ == kFormatFloat ? floatSample(p, bytesPerSample_) : pcmSample(p, bytesPerSample_);
    return got;
}

WavWriter::WavWriter(const std::string& path, WavSampleFormat format, int sampleRate, int channels)
    : path_(path), format_(format), channels_(channels),
      bytesPerSample_(format == WavSampleFormat::pcm16 ? 2 : format == WavSampleFormat::pcm24 ? 3 : 4) {
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) throw HostError("cannot write output " + path + ": " + std::strerror(errno));
    unsigned char header[kHeaderBytes] = {};
    std::memcpy(header, "RIFF", 4);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    put32(header + 16, 16);
    put16(header + 20, format == WavSampleFormat::float32 ? kFormatFloat : kFormatPcm);
    put16(header + 22, uint16_t(channels));
    put32(header + 24, uint32_t(sampleRate));
    put32(header + 28, uint32_t(sampleRate) * uint32_t(channels * bytesPerSample_));
    put16(header + 32, uint16_t(channels * bytesPerSample_));
    put16(header + 34, uint16_t(bytesPerSample_ * 8));
    std::memcpy(header + 36, "data", 4);
    if (std::fwrite(header, 1, kHeaderBytes, file_) != kHeaderBytes) {
        std::fclose(file_);
        file_ = nullptr;
        throw HostError("cannot write output " + path);
    }
}

WavWriter::~WavWriter() {
    if (file_) finish();
}

void WavWriter::write(const float* interleaved, int64_t frames) {
    if (!file_) throw HostError("cannot write output " + path_ + ": the file is closed");
    const size_t samples = size_t(frames) * size_t(channels_);
    const size_t bytes = samples * size_t(bytesPerSample_);
    if (dataBytes_ + bytes > kMaxDataBytes) throw HostError("cannot write output " + path_ + ": a WAV file holds 4 GiB at most");
    buffer_.resize(bytes);
    unsigned char* p = buffer_.data();
    for (size_t i = 0; i < samples; ++i, p += bytesPerSample_) {
        if (format_ == WavSampleFormat::float32) {
            uint32_t bits;
            std::memcpy(&bits, &interleaved[i], 4);
            put32(p, bits);
        } else if (format_ == WavSampleFormat::pcm16) {
            put16(p, uint16_t(clippedPcm(interleaved[i], 32767.0, 32767)));
        } else {
            const auto v = uint32_t(clippedPcm(interleaved[i], 8388607.0, 8388607));
            p[0] = static_cast<unsigned char>(v);
            p[1] = static_cast<unsigned char>(v >> 8);
            p[2] = static_cast<unsigned char>(v >> 16);
        }
    }
    if (std::fwrite(buffer_.data(), 1, bytes, file_) != bytes)
        throw HostError("cannot write output " + path_ + ": " + std::strerror(errno));
    dataBytes_ += bytes;
}

bool WavWriter::finish() {
    bool ok = true;
    if (dataBytes_ & 1) ok = std::fputc(0, file_) != EOF; // chunks are padded to even sizes
    unsigned char size[4];
    put32(size, uint32_t(kHeaderBytes - 8 + dataBytes_ + (dataBytes_ & 1)));
    ok = ok && std::fseek(file_, 4, SEEK_SET) == 0 && std::fwrite(size, 1, 4, file_) == 4;
    put32(size, uint32_t(dataBytes_));
    ok = ok && std::fseek(file_, 40, SEEK_SET) == 0 && std::fwrite(size, 1, 4, file_) == 4;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    return ok;
}

void WavWriter::close() {
    if (file_ && !finish()) throw HostError("cannot write output " + path_);
}

} // namespace zkhost
