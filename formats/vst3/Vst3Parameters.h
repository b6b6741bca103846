#pragma once

// The parameters a VST3 host sees, in getParameterInfo's order:
//  - the effect's 54, id = index, automatable;
//  - "Program", the program-change parameter of the root unit's program list (127 steps),
//    which selects a program as a MIDI Program Change does;
//  - "Bypass", the host's bypass switch (kIsBypass), kept in the component state;
//  - 120 hidden parameters "MIDI CC 0" .. "MIDI CC 119": IMidiMapping maps each controller
//    number on every channel to one of them, and a change of one reaches the effect as that
//    Control Change, so MIDI learn works as with any other MIDI input. The channel-mode
//    numbers 120..127 are not mapped.

#include "core/Effect.h"
#include "formats/vst3/Vst3Abi.h"
#include "product/ParameterIndex.h"

#include <cstdint>
#include <optional>

namespace zk {

inline constexpr vst3::ParamID kVst3ProgramParameter = 0x10000;
inline constexpr vst3::ParamID kVst3BypassParameter = 0x10001;
inline constexpr vst3::ParamID kVst3FirstControllerParameter = 0x20000;
inline constexpr int32_t kVst3MappedControllers = 120; // Control Change 0 .. 119
inline constexpr int32_t kVst3ParameterCount = kNumParameters + 2 + kVst3MappedControllers;
inline constexpr vst3::ProgramListID kVst3ProgramList = 1;

// What a parameter id stands for.
struct Vst3Parameter {
    enum class Kind { effect, program, bypass, controller };
    Kind kind;
    int32_t number; // the effect's index, or the controller number (0 for the program and the bypass)
};
std::optional<Vst3Parameter> vst3Parameter(vst3::ParamID id) noexcept;
// The id of getParameterInfo's `index`, or kNoParamId.
vst3::ParamID vst3ParameterId(int32_t index) noexcept;

// A mapped parameter's value as the 7-bit number MIDI would carry (a program or a
// controller value): value x 127, rounded, within 0..127.
uint8_t midiDataByte(vst3::ParamValue value) noexcept;

// What the controller tells the host of a parameter, given the effect that owns it.
bool describeVst3Parameter(const Effect& effect, int32_t index, vst3::ParameterInfo& info) noexcept;
bool vst3ValueText(const Effect& effect, vst3::ParamID id, vst3::ParamValue value, vst3::String128 text) noexcept;
bool vst3TextValue(const Effect& effect, vst3::ParamID id, const vst3::TChar* text, vst3::ParamValue& value) noexcept;
// Program number or controller value for the two mapped kinds; the effect's own are 0..1.
vst3::ParamValue vst3PlainValue(vst3::ParamID id, vst3::ParamValue normalised) noexcept;
vst3::ParamValue vst3NormalisedValue(vst3::ParamID id, vst3::ParamValue plain) noexcept;

} // namespace zk
