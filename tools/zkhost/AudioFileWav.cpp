// The audio files of builds without libsndfile: WAV only.

#include "tools/zkhost/AudioFile.h"
#include "tools/zkhost/Options.h"
#include "tools/zkhost/WavFile.h"

namespace zkhost {

namespace {

WavSampleFormat wavFormat(const std::string& path, const std::string& format) {
    if (lowerExtension(path) != "wav") throw UsageError("output " + path + ": unknown extension (this build writes wav)");
    if (format == "pcm16") return WavSampleFormat::pcm16;
    if (format == "pcm24") return WavSampleFormat::pcm24;
    return WavSampleFormat::float32;
}

} // namespace

std::unique_ptr<AudioReader> openAudioReader(const std::string& path) {
    auto reader = std::make_unique<WavReader>(path);
    if (reader->info().channels < 1 || reader->info().sampleRate < 1) throw HostError("input " + path + " has no audio");
    return reader;
}

void checkAudioOutput(const std::string& path, const std::string& format) { wavFormat(path, format); }

std::unique_ptr<AudioWriter> openAudioWriter(const std::string& path, const std::string& format, int sampleRate,
                                             int channels) {
    const WavSampleFormat wav = wavFormat(path, format);
    if (channels < 1 || channels > 256 || sampleRate < 1)
        throw UsageError("output " + path + ": the format cannot hold this audio");
    return std::make_unique<WavWriter>(path, wav, sampleRate, channels);
}

} // namespace zkhost
