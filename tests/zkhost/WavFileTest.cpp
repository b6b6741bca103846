// The WAV reader and writer of builds without libsndfile, checked against libsndfile.

#include "tools/zkhost/HostedPlugin.h"
#include "tools/zkhost/WavFile.h"
#include "tests/zkhost/TestTools.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

using namespace zkhost;
using namespace zkhosttest;

namespace {

std::vector<float> ramp(int64_t frames, int channels) {
    std::vector<float> s(size_t(frames * channels));
    for (size_t i = 0; i < s.size(); ++i) s[i] = float(std::sin(double(i) * 0.37) * 0.9);
    return s;
}

std::vector<float> readWithOurs(const std::string& path, AudioInfo& info) {
    WavReader reader(path);
    info = reader.info();
    std::vector<float> s(size_t(info.frames * info.channels));
    // Odd block sizes, so that reads end inside the data.
    int64_t done = 0;
    while (done < info.frames) {
        const int64_t got = reader.read(s.data() + done * info.channels, 7);
        if (got <= 0) break;
        done += got;
    }
    EXPECT_EQ(done, info.frames);
    EXPECT_EQ(reader.read(s.data(), 7), 0);
    return s;
}

void writeWithSndfile(const std::string& path, int format, int channels, const std::vector<float>& s) {
    SF_INFO info{};
    info.samplerate = 22050;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr);
    sf_writef_float(f, s.data(), sf_count_t(s.size()) / channels);
    sf_close(f);
}

} // namespace

// What we write, libsndfile reads: exact floats, PCM within the rounding of a write at
// 2^(n-1) - 1 and a read at 2^(n-1), clipped beyond full
// scale, and odd data sizes padded without losing the last frame.
TEST(WavFile, WritesWhatLibsndfileReads) {
    const std::string dir = scratchDir("wav-write");
    struct Case {
        WavSampleFormat format;
        int subtype;
        double step; // what a PCM round trip may be off by
        int channels;
        int64_t frames;
    };
    for (const Case& c : {Case{WavSampleFormat::float32, SF_FORMAT_FLOAT, 0.0, 3, 1001},
                          Case{WavSampleFormat::pcm16, SF_FORMAT_PCM_16, 2.0 / 32767, 2, 513},
                          Case{WavSampleFormat::pcm24, SF_FORMAT_PCM_24, 2.0 / 8388607, 1, 5}}) {
        std::vector<float> s = ramp(c.frames, c.channels);
        s[0] = 1.5f;
        s[1] = -1.5f;
        const std::string path = dir + "/out.wav";
        {
            WavWriter writer(path, c.format, 48000, c.channels);
            writer.write(s.data(), 2);
            writer.write(s.data() + 2 * c.channels, c.frames - 2);
            writer.close();
        }
        const Audio a = readAudio(path);
        ASSERT_EQ(a.frames, c.frames);
        EXPECT_EQ(a.channels, c.channels);
        EXPECT_EQ(a.rate, 48000);
        EXPECT_EQ(a.subtype, c.subtype);
        if (c.step > 0) {
            EXPECT_NEAR(a.samples[0], 1.0, c.step);
            EXPECT_NEAR(a.samples[1], -1.0, c.step);
        }
        for (size_t i = 2; i < s.size(); ++i) ASSERT_NEAR(a.samples[i], s[i], c.step) << i;
    }
}

// What libsndfile writes, we read as it does: extra chunks skipped, the extensible header
// understood, integer samples scaled alike.
TEST(WavFile, ReadsWhatLibsndfileWrites) {
    const std::string dir = scratchDir("wav-read");
    const std::vector<float> s = ramp(300, 2);
    for (int format : {SF_FORMAT_WAV | SF_FORMAT_FLOAT, SF_FORMAT_WAV | SF_FORMAT_PCM_16, SF_FORMAT_WAV | SF_FORMAT_PCM_24,
                       SF_FORMAT_WAV | SF_FORMAT_PCM_32, SF_FORMAT_WAV | SF_FORMAT_PCM_U8, SF_FORMAT_WAV | SF_FORMAT_DOUBLE,
                       SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, SF_FORMAT_WAVEX | SF_FORMAT_FLOAT}) {
        const std::string path = dir + "/in.wav";
        writeWithSndfile(path, format, 2, s);
        const Audio expected = readAudio(path);
        AudioInfo info;
        const std::vector<float> ours = readWithOurs(path, info);
        EXPECT_EQ(info.channels, 2);
        EXPECT_EQ(info.sampleRate, 22050);
        ASSERT_EQ(info.frames, expected.frames) << std::hex << format;
        for (size_t i = 0; i < ours.size(); ++i) ASSERT_EQ(ours[i], expected.samples[i]) << std::hex << format << " " << i;
    }
}

TEST(WavFile, RefusesWhatIsNotAudio) {
    const std::string dir = scratchDir("wav-bad");
    Bytes header = readBytes(ZK_EXAMPLE_INPUT);
    header.resize(20); // the fmt chunk cut short, no data
    for (const Bytes& bytes : {Bytes{}, Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '}, header}) {
        const std::string path = writeBytes(dir, "bad.wav", bytes);
        EXPECT_THROW(WavReader{path}, HostError);
    }
    EXPECT_THROW(WavReader{dir + "/missing.wav"}, HostError);
    EXPECT_THROW(WavWriter(dir + "/no/such/dir.wav", WavSampleFormat::float32, 44100, 2), HostError);
}
