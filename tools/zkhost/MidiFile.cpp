#include "tools/zkhost/MidiFile.h"

#include "tools/zkhost/FxFile.h"

#include <algorithm>
#include <cmath>

namespace zkhost {

namespace {

constexpr uint32_t kDefaultTempo = 500000; // microseconds per quarter note: 120 bpm

struct Cursor {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;

    [[noreturn]] void truncated(const char* what) const {
        throw FormatError(std::string("MIDI file is truncated in ") + what);
    }
    uint8_t byte(const char* what) {
        if (pos >= size) truncated(what);
        return data[pos++];
    }
    uint32_t big(int bytes, const char* what) {
        uint32_t v = 0;
        for (int i = 0; i < bytes; ++i) v = (v << 8) | byte(what);
        return v;
    }
    // Variable-length quantity: at most four bytes, 28 bits.
    uint32_t vlq(const char* what) {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t b = byte(what);
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80)) return v;
        }
        throw FormatError(std::string("MIDI file has an over-long variable-length number in ") + what);
    }
    void skip(uint64_t n, const char* what) {
        if (n > size - pos) truncated(what);
        pos += static_cast<size_t>(n);
    }
};

struct TempoChange {
    uint64_t tick;
    uint32_t microsPerQuarter;
};

void readTrack(Cursor track, uint16_t index, std::vector<MidiMessage>& out, std::vector<TempoChange>& tempi) {
    uint64_t tick = 0;
    uint8_t running = 0;
    while (track.pos < track.size) {
        tick += track.vlq("an event time");
        uint8_t status = track.byte("an event");
        if (status == 0xFF) {
            uint8_t type = track.byte("a meta event");
            uint32_t length = track.vlq("a meta event length");
            if (type == 0x2F) return; // end of track
            if (type == 0x51 && length == 3) {
                uint32_t tempo = track.big(3, "a tempo");
                if (tempo == 0) throw FormatError("MIDI file sets a tempo of 0");
                tempi.push_back({tick, tempo});
            } else {
                track.skip(length, "a meta event");
            }
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            track.skip(track.vlq("a system-exclusive length"), "a system-exclusive event");
            running = 0;
            continue;
        }
        uint8_t first;
        if (status & 0x80) {
            if (status >= 0xF0) throw FormatError("MIDI file holds a system message in a track");
            running = status;
            first = track.byte("a channel message");
        } else {
            if (!running) throw FormatError("MIDI file uses running status without a status byte");
            first = status;
            status = running;
        }
        MidiMessage message;
        message.tick = tick;
        message.track = index;
        message.bytes[0] = status;
        message.bytes[1] = first & 0x7F;
        uint8_t kind = status & 0xF0;
        if (kind == 0xC0 || kind == 0xD0) {
            message.length = 2;
        } else {
            message.bytes[2] = track.byte("a channel message") & 0x7F;
            message.length = 3;
        }
        out.push_back(message);
    }
}

} // namespace

MidiFile parseMidiFile(const uint8_t* data, size_t size) {
    Cursor file{data, size};
    if (size < 4 || file.big(4, "the header") != 0x4D546864) // "MThd"
        throw FormatError("not a MIDI file: wrong magic, expected 'MThd'");
    uint32_t headerLength = file.big(4, "the header");
    if (headerLength < 6) throw FormatError("MIDI file header is too short");
    MidiFile midi;
    midi.format = static_cast<uint16_t>(file.big(2, "the header"));
    uint16_t tracks = static_cast<uint16_t>(file.big(2, "the header"));
    midi.division = static_cast<uint16_t>(file.big(2, "the header"));
    file.skip(headerLength - 6, "the header");
    if (midi.format > 2) throw FormatError("MIDI file format " + std::to_string(midi.format) + " is unknown");
    if (midi.division == 0) throw FormatError("MIDI file has a time division of 0");

    std::vector<TempoChange> tempi;
    uint16_t found = 0;
    while (found < tracks) {
        if (file.size - file.pos < 8)
            throw FormatError("MIDI file declares " + std::to_string(tracks) + " tracks but holds " +
                              std::to_string(found));
        uint32_t type = file.big(4, "a chunk header");
        uint32_t length = file.big(4, "a chunk header");
        if (length > file.size - file.pos)
            throw FormatError("MIDI file is truncated: a chunk of " + std::to_string(length) +
                              " bytes runs past the end of the file");
        if (type == 0x4D54726B) // "MTrk"
            readTrack(Cursor{file.data + file.pos, length}, found++, midi.messages, tempi);
        file.pos += length; // chunks of other types are skipped
    }

    // Ticks to seconds. SMPTE divisions are fixed frames per second; metrical ones follow
    // the tempo map, which in formats 0 and 1 is shared by all tracks.
    if (midi.division & 0x8000) {
        int fps = -static_cast<int8_t>(midi.division >> 8);
        int ticksPerFrame = midi.division & 0xFF;
        if (fps <= 0 || ticksPerFrame == 0) throw FormatError("MIDI file has an invalid SMPTE time division");
        double ticksPerSecond = (fps == 29 ? 29.97 : fps) * ticksPerFrame;
        for (MidiMessage& m : midi.messages) m.seconds = double(m.tick) / ticksPerSecond;
    } else {
        double perQuarter = midi.division;
        std::stable_sort(tempi.begin(), tempi.end(), [](auto& a, auto& b) { return a.tick < b.tick; });
        std::stable_sort(midi.messages.begin(), midi.messages.end(),
                         [](const MidiMessage& a, const MidiMessage& b) { return a.tick < b.tick; });
        // One sweep over both, so hostile files with many tempo changes stay linear.
        size_t next = 0;
        double seconds = 0;
        uint64_t at = 0;
        uint32_t tempo = kDefaultTempo;
        for (MidiMessage& m : midi.messages) {
            for (; next < tempi.size() && tempi[next].tick <= m.tick; ++next) {
                seconds += double(tempi[next].tick - at) * tempo / (perQuarter * 1e6);
                at = tempi[next].tick;
                tempo = tempi[next].microsPerQuarter;
            }
            m.seconds = seconds + double(m.tick - at) * tempo / (perQuarter * 1e6);
        }
    }
    std::stable_sort(midi.messages.begin(), midi.messages.end(),
                     [](const MidiMessage& a, const MidiMessage& b) { return a.seconds < b.seconds; });
    return midi;
}

int64_t frameAt(double seconds, double sampleRate) {
    double frame = std::floor(seconds * sampleRate + 0.5);
    if (!(frame < 9.0e18)) return INT64_MAX; // beyond any render
    return static_cast<int64_t>(frame);
}

} // namespace zkhost
