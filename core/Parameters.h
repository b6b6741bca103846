#pragma once

#include "product/Identity.h"
#include "product/PanelCommand.h"
#include "product/ParameterIndex.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace zk {

constexpr int32_t kNameBytes = 24;       // descriptor and program name fields
constexpr int32_t kParamNameChars = 8;   // significant characters of a parameter name
constexpr int32_t kProgramNameChars = 24;

// The questions saveDefaults and forgetAllControllers (PanelCommand.h) put to the user first,
// with their title; a panel that lives apart from the effect asks them itself.
constexpr const char* kSaveDefaultsQuestion = "Save Actual Values as Defaults?";
constexpr const char* kForgetControllersQuestion = "Forget Learned MidiCC?";
constexpr const char* kQuestionTitle = "Warning!";

// What setting a parameter does to the sound engine beyond storing it.
enum class EngineHook : uint8_t { None, BandTuning, Release, Feedback, Smooth, FmEvery };

// What a parameter's value means in real terms, for the value texts, units and steps hosts
// show (ValueText.h): a gain, a frequency, a time, a switch...
enum class ValueScale : uint8_t {
    masterGain,
    dryGain,
    inputSwitch, // L and R: on, off, or a VST 2 bank's weight between
    bandTuning,  // Band, read with its band's Fine
    fineTuning,  // Fine, read with its band's Band
    release,
    pitchBend,
    basePitch,
    feedbackFmSwitch,
    timbre,
    sensitivity,
    delaySend,
    pan,
    bandVolume,
    stereoSpread,
    delayTime,
    delayFeedback,
    delayGain,
    smoothing,
    fmFrequency,
    preListenSwitch,
    fmDepth,
    unused,
};

struct ParameterInfo {
    const char* name;     // as stored: at most 8 characters, trailing blanks included
    const char* fullName; // full and unique, band included: "Band 2 Sensitivity"
    const char* symbol;   // stable, a C identifier: "band2_sensitivity"
    float defaultValue;
    ValueScale scale;
    EngineHook hook;
    int8_t band; // 1..3 for the band's own parameters, 0 otherwise
};

// The fixed table every part of the plug-in refers to by index.
extern const std::array<ParameterInfo, kNumParameters> kParameterTable;

// Index of Band_n and Fine_n, whose values together tune band filter n.
constexpr int32_t bandIndex(int32_t band) { return bandParameter(paramBand1, band); }
constexpr int32_t fineIndex(int32_t band) { return sideBySideParameter(paramFine1, band); }

// One per parameter. The flags are bytes and the controller a 32-bit number because the
// descriptor table is written byte for byte into bank chunks.
struct ParameterDescriptor {
    std::atomic<uint8_t> inProgram{1};       // value lives in the current program
    std::atomic<uint8_t> unclamped{0};       // setParameter stores the value unchanged
    std::atomic<uint8_t> savedAsDefault{0};  // the save command stores the value too
    std::atomic<uint8_t> reserved{0};
    std::atomic<float> value{1.0f};          // default, or the shared value when not in a program
    std::atomic<int32_t> learnedController{0}; // 0 = none
    char name[kNameBytes] = {};              // not necessarily terminated
};

struct ProgramRecord {
    char name[kNameBytes] = {}; // not necessarily terminated
    std::array<std::atomic<float>, kNumParameters> values{};
};

// Sets a 24-byte name field from `text`: zero-filled, at most `maxChars` characters.
void setNameField(char (&field)[kNameBytes], const char* text, int32_t maxChars = kNameBytes) noexcept;

} // namespace zk
