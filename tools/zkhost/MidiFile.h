#pragma once

// A Standard MIDI File reader (formats 0, 1 and 2) that keeps what a controller-driven
// plug-in needs: channel messages with their times in seconds, the tempo map applied.
// No dependency on the host or the command line, so it can be built into a fuzz target.

#include <cstdint>
#include <string>
#include <vector>

namespace zkhost {

struct MidiMessage {
    double seconds = 0;   // from the start of the file, tempo map applied
    uint64_t tick = 0;    // absolute tick in its track
    uint16_t track = 0;
    uint8_t bytes[3] = {0, 0, 0};
    uint8_t length = 0;   // 2 or 3
};

struct MidiFile {
    uint16_t format = 0;
    uint16_t division = 0; // raw header field
    std::vector<MidiMessage> messages; // every channel message, sorted by time, stable
};

// Files larger than this are refused before they are read.
constexpr size_t kMaxMidiFileSize = 64u * 1024u * 1024u;

// Throws FormatError (FxFile.h) with a message saying what is wrong.
MidiFile parseMidiFile(const uint8_t* data, size_t size);

// The sample frame at which a time falls, at the given rate (rounded to the nearest).
int64_t frameAt(double seconds, double sampleRate);

} // namespace zkhost
