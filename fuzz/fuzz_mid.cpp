// libFuzzer target: the Standard MIDI File reader must reject any malformed file with
// FormatError; the messages it returns are in time order with valid lengths.
#include "tools/zkhost/FxFile.h"
#include "tools/zkhost/MidiFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        zkhost::MidiFile midi = zkhost::parseMidiFile(data, size);
        for (size_t i = 0; i < midi.messages.size(); ++i) {
            const zkhost::MidiMessage& m = midi.messages[i];
            if ((m.length != 2 && m.length != 3) || !(m.bytes[0] & 0x80)) std::abort();
            if (i > 0 && m.seconds < midi.messages[i - 1].seconds) std::abort();
            zkhost::frameAt(m.seconds, 48000.0);
        }
    } catch (const zkhost::FormatError&) {
    }
    return 0;
}
