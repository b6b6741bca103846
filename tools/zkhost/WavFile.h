#pragma once

// RIFF WAVE files without any library: PCM of 8 to 32 bits and 32- or 64-bit float in,
// 16- or 24-bit PCM or 32-bit float out.

#include "tools/zkhost/AudioFile.h"

#include <cstdio>
#include <vector>

namespace zkhost {

class WavReader final : public AudioReader {
public:
    explicit WavReader(const std::string& path); // throws HostError
    ~WavReader() override;
    const AudioInfo& info() const override { return info_; }
    int64_t read(float* interleaved, int64_t frames) override;

private:
    std::FILE* file_ = nullptr;
    AudioInfo info_;
    int formatTag_ = 0; // 1 PCM, 3 float
    int bytesPerSample_ = 0;
    int64_t framesLeft_ = 0;
    std::vector<unsigned char> buffer_;
};

enum class WavSampleFormat { pcm16, pcm24, float32 };

class WavWriter final : public AudioWriter {
public:
    WavWriter(const std::string& path, WavSampleFormat format, int sampleRate, int channels); // throws HostError
    ~WavWriter() override;
    void write(const float* interleaved, int64_t frames) override;
    void close() override;

private:
    bool finish(); // writes the sizes into the header and closes the file
    std::string path_;
    std::FILE* file_ = nullptr;
    WavSampleFormat format_;
    int channels_;
    int bytesPerSample_;
    uint64_t dataBytes_ = 0;
    std::vector<unsigned char> buffer_;
};

} // namespace zkhost
