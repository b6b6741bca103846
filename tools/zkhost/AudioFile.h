#pragma once

// Reading and writing the audio files that zkhost renders. Linux has libsndfile with all
// its formats; Windows builds carry a WAV reader and writer of their own.

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>
#include <string>

namespace zkhost {

struct AudioInfo {
    int channels = 0;
    int sampleRate = 0;
    int64_t frames = 0;
};

class AudioReader {
public:
    virtual ~AudioReader() = default;
    virtual const AudioInfo& info() const = 0;
    // Interleaved frames; fewer than asked only at the end of the file.
    virtual int64_t read(float* interleaved, int64_t frames) = 0;
};

class AudioWriter {
public:
    virtual ~AudioWriter() = default;
    // Interleaved frames; samples beyond -1..1 are clipped in integer formats. Throws
    // HostError when the file cannot take them.
    virtual void write(const float* interleaved, int64_t frames) = 0;
    // Completes the file; throws HostError when that fails. The destructor completes it too,
    // silently.
    virtual void close() = 0;
};

// The extension of a path in lower case, empty when it has none.
inline std::string lowerExtension(const std::string& path) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

// Throw HostError when the file cannot be opened or holds no audio.
std::unique_ptr<AudioReader> openAudioReader(const std::string& path);
// The output format follows the extension; `format` is pcm16, pcm24, float or empty for the
// format's default. Both throw UsageError for what the build cannot write; the writer also
// for a rate or channel count the format cannot hold.
void checkAudioOutput(const std::string& path, const std::string& format);
std::unique_ptr<AudioWriter> openAudioWriter(const std::string& path, const std::string& format, int sampleRate,
                                             int channels);

} // namespace zkhost
