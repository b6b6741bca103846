#pragma once

// The value texts hosts and the panel show, in real units, worked out with the engine's own
// formulas (engine/ParameterCurves.h) so that a text and the sound never disagree: "315 Hz"
// for a band's tuning, "36.0 ms" for a Release, "+11.1 dB" for Master, "L 20" for a Pan,
// "On" for a switch. And back: a typed "120 Hz" (or "120") gives the value that sounds so,
// and a text read back gives the same text. What each parameter is comes from the
// parameter table's ValueScale (Parameters.h).

#include "core/Parameters.h"

#include <cstddef>
#include <cstdint>

namespace zk {

// What the texts of some parameters depend on beyond their own value: the sample rate, and
// for a band's Band and Fine the other one's value.
struct ValueContext {
    double sampleRate = 44100.0;
    float band[3] = {0.1f, 0.4f, 0.9f};
    float fine[3] = {0.5f, 0.5f, 0.5f};
};

// How hosts should offer a parameter: its unit ("Hz", "ms", "dB", "%", "st"; empty where
// the text says it all), its steps (1 for an on/off switch, 0 for a continuous value), and
// whether it is shown at all (the unused one is not).
struct ValueStyle {
    const char* unit;
    int32_t steps;
    bool hidden;
};
ValueStyle valueStyle(int32_t index) noexcept;

// The text of `value` for parameter `index`: at most `capacity` - 1 characters and a
// terminator; false and an empty text for an index that is no parameter.
bool unitValueText(int32_t index, float value, const ValueContext& context, char* text, size_t capacity) noexcept;

// The value 0..1 that a text stands for: a number in the parameter's unit, with or without
// the unit ("120 Hz", "120", "0.12 kHz"), "-inf" for no gain, "On"/"Off" for switches,
// "C", "L 20", "R 100" for Pan. Out of the range the nearest end; false for text that is none.
bool unitTextValue(int32_t index, const char* text, const ValueContext& context, float& value) noexcept;

} // namespace zk
