// The audio files of builds with libsndfile: every format it writes that suits a render.

#include "tools/zkhost/AudioFile.h"
#include "tools/zkhost/Options.h"
#include "tools/zkhost/HostedPlugin.h"

#include <sndfile.h>

namespace zkhost {

namespace {

int outputFormat(const std::string& path, const std::string& format) {
    std::string ext = lowerExtension(path);
    int major = 0;
    if (ext == "wav") major = SF_FORMAT_WAV;
    else if (ext == "aif" || ext == "aiff") major = SF_FORMAT_AIFF;
    else if (ext == "flac") major = SF_FORMAT_FLAC;
    else if (ext == "ogg" || ext == "oga") major = SF_FORMAT_OGG;
    else if (ext == "caf") major = SF_FORMAT_CAF;
    else if (ext == "w64") major = SF_FORMAT_W64;
    else if (ext == "au") major = SF_FORMAT_AU;
    else throw UsageError("output " + path + ": unknown extension (wav, aiff, flac, ogg, caf, w64, au)");
    if (major == SF_FORMAT_OGG) {
        if (!format.empty()) throw UsageError("--format does not apply to Ogg output, which is always Vorbis");
        return major | SF_FORMAT_VORBIS;
    }
    std::string f = format.empty() ? (major == SF_FORMAT_FLAC ? "pcm24" : "float") : format;
    if (f == "pcm16") return major | SF_FORMAT_PCM_16;
    if (f == "pcm24") return major | SF_FORMAT_PCM_24;
    if (major == SF_FORMAT_FLAC) throw UsageError("FLAC output holds pcm16 or pcm24, not float");
    return major | SF_FORMAT_FLOAT;
}

SF_INFO outputInfo(const std::string& path, const std::string& format, int sampleRate, int channels) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = outputFormat(path, format);
    if (!sf_format_check(&info)) throw UsageError("output " + path + ": the format cannot hold this audio");
    return info;
}

class SndfileReader final : public AudioReader {
public:
    explicit SndfileReader(const std::string& path) {
        SF_INFO sf{};
        file_ = sf_open(path.c_str(), SFM_READ, &sf);
        if (!file_) throw HostError("cannot read input " + path + ": " + sf_strerror(nullptr));
        info_ = {sf.channels, sf.samplerate, sf.frames};
        if (sf.channels < 1 || sf.samplerate < 1) {
            sf_close(file_);
            throw HostError("input " + path + " has no audio");
        }
    }
    ~SndfileReader() override { sf_close(file_); }
    const AudioInfo& info() const override { return info_; }
    int64_t read(float* interleaved, int64_t frames) override { return sf_readf_float(file_, interleaved, frames); }

private:
    SNDFILE* file_ = nullptr;
    AudioInfo info_;
};

class SndfileWriter final : public AudioWriter {
public:
    SndfileWriter(const std::string& path, SF_INFO info) : path_(path) {
        file_ = sf_open(path.c_str(), SFM_WRITE, &info);
        if (!file_) throw HostError("cannot write output " + path + ": " + sf_strerror(nullptr));
        sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    }
    ~SndfileWriter() override {
        if (file_) sf_close(file_);
    }
    void write(const float* interleaved, int64_t frames) override {
        if (sf_writef_float(file_, interleaved, frames) != frames)
            throw HostError("cannot write output " + path_ + ": " + sf_strerror(file_));
    }
    void close() override {
        if (!file_) return;
        const int result = sf_close(file_);
        file_ = nullptr;
        if (result != 0) throw HostError("cannot write output " + path_ + ": " + sf_error_number(result));
    }

private:
    std::string path_;
    SNDFILE* file_ = nullptr;
};

} // namespace

std::unique_ptr<AudioReader> openAudioReader(const std::string& path) { return std::make_unique<SndfileReader>(path); }

void checkAudioOutput(const std::string& path, const std::string& format) { outputFormat(path, format); }

std::unique_ptr<AudioWriter> openAudioWriter(const std::string& path, const std::string& format, int sampleRate,
                                             int channels) {
    return std::make_unique<SndfileWriter>(path, outputInfo(path, format, sampleRate, channels));
}

} // namespace zkhost
