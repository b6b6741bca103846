#pragma once

// Helpers for the zkhost tests: running the tool, reading audio and files, and building
// Standard MIDI Files byte by byte.

#include <cstdint>
#include <string>
#include <vector>

namespace zkhosttest {

struct RunResult {
    int exitCode = -1;
    std::string out, err;
};

// Runs zkhost with the arguments, each quoted for the shell.
RunResult runZkhost(const std::vector<std::string>& args);

struct Audio {
    int rate = 0, channels = 0;
    int64_t frames = 0;
    int subtype = 0;
    std::vector<float> samples; // interleaved
    float at(int64_t frame, int channel) const { return samples[size_t(frame * channels + channel)]; }
    double rms() const;
};
Audio readAudio(const std::string& path);

std::vector<uint8_t> readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// A fresh folder for one test.
std::string scratchDir(const std::string& name);

// Standard MIDI File building: events are (delta ticks, bytes).
using TrackEvents = std::vector<std::pair<uint32_t, std::vector<uint8_t>>>;
std::vector<uint8_t> smfTrack(const TrackEvents& events);
std::vector<uint8_t> smf(uint16_t format, uint16_t division, const std::vector<std::vector<uint8_t>>& tracks);
std::vector<uint8_t> tempoEvent(uint32_t microsPerQuarter);

std::string modulePath();   // our plug-in
std::string examplePath();  // the committed example input

} // namespace zkhosttest
