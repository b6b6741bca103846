#pragma once

// Helpers for the zkhost tests: running the tool, reading audio and files, and building
// Standard MIDI Files byte by byte.

#include <cstdint>
#include <string>
#include <vector>

namespace zkhosttest {

using Bytes = std::vector<uint8_t>;

struct RunResult {
    int exitCode = -1;
    std::string out, err;
};
// Runs zkhost with the arguments, each quoted for the shell.
RunResult runZkhost(const std::vector<std::string>& args);
// The same, expecting exit code 0.
RunResult succeed(const std::vector<std::string>& args);
// A failure with this exit code, a message holding this text on stderr, and nothing on stdout.
void expectFailure(const RunResult& r, int code, const std::string& message);
// The arguments followed by the options.
inline std::vector<std::string> withOptions(std::vector<std::string> args,
                                            const std::vector<std::string>& options) {
    args.insert(args.end(), options.begin(), options.end());
    return args;
}
inline bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct Audio {
    int rate = 0, channels = 0, subtype = 0;
    int64_t frames = 0;
    std::vector<float> samples; // interleaved
    float at(int64_t frame, int channel) const { return samples[size_t(frame * channels + channel)]; }
    double rms() const;
    // The largest magnitude on channel 0 over [from, to).
    double peak(int64_t from, int64_t to) const;
};
Audio readAudio(const std::string& path);

Bytes readBytes(const std::string& path);
// Writes the bytes to dir/name and gives back the path.
std::string writeBytes(const std::string& dir, const std::string& name, const Bytes& bytes);
std::string scratchDir(const std::string& name); // a fresh folder for one test

// Standard MIDI File building: events are (delta ticks, bytes).
using TrackEvents = std::vector<std::pair<uint32_t, Bytes>>;
Bytes smfTrack(const TrackEvents& events);
Bytes smf(uint16_t format, uint16_t division, const std::vector<Bytes>& tracks);
inline Bytes tempoEvent(uint32_t us) { return {0xFF, 0x51, 0x03, uint8_t(us >> 16), uint8_t(us >> 8), uint8_t(us)}; }

inline std::string modulePath() { return ZK_MODULE_PATH; }      // our plug-in
inline std::string testClapPath() { return ZK_TEST_CLAP_MODULE; } // the tests' own CLAP plug-in
inline std::string examplePath() { return ZK_EXAMPLE_INPUT; }  // the committed example input

} // namespace zkhosttest
