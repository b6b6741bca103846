#include "core/Parameters.h"

#include <cstring>

namespace zk {

namespace {
constexpr ParameterInfo plain(const char* name, float value) { return {name, value, EngineHook::None, 0}; }
constexpr ParameterInfo hooked(const char* name, float value, EngineHook hook, int8_t band = 0) {
    return {name, value, hook, band};
}
} // namespace

// Longer names are kept to their first 8 characters ("FMbutton1" reads "FMbutton").
const std::array<ParameterInfo, kNumParameters> kParameterTable = {{
    plain("Master", 0.9f),
    plain("Dry", 0.0f),
    plain("Left1", 1.0f),
    plain("Right1 ", 1.0f),
    hooked("Band1 ", 0.1f, EngineHook::BandTuning, 1),
    hooked("Release1", 0.3f, EngineHook::Release, 1),
    plain("Mod1", 0.9f),
    plain("Offset1", 0.1f),
    plain("FMbutton", 0.0f),
    plain("Timbre1", 0.0f),
    plain("Sensivit", 0.9f),
    plain("Effect1", 0.0f),
    plain("Pan1", 0.4f),
    plain("Volume1", 0.1f),
    plain("Left2 ", 0.0f),
    plain("Righ2 ", 0.0f),
    hooked("Band2 ", 0.4f, EngineHook::BandTuning, 2),
    hooked("Release2", 0.3f, EngineHook::Release, 2),
    plain("Mod2", 0.633f),
    plain("Offset2", 0.4f),
    plain("FMbutton", 0.0f),
    plain("Timbre2", 0.4f),
    plain("Sensivit", 0.9f),
    plain("Effect2", 0.0f),
    plain("Pan2", 0.4f),
    plain("Volume2", 0.4f),
    plain("Left3 ", 0.0f),
    plain("Right3 ", 0.0f),
    hooked("Band3 ", 0.9f, EngineHook::BandTuning, 3),
    hooked("Release3", 0.3f, EngineHook::Release, 3),
    plain("Mod3", 0.3f),
    plain("Offset3", 0.4f),
    plain("FMbutton", 0.0f),
    plain("Timbre3", 0.4f),
    plain("Sensivit", 0.9f),
    plain("Effect3", 0.0f),
    plain("Pan3", 0.4f),
    plain("Volume3", 0.4f),
    plain("Stereo", 0.9f),
    plain("Delay", 0.4f),
    hooked("Feedback", 0.3f, EngineHook::Feedback),
    plain("Volume", 1.0f),
    hooked("Smooth", 0.4f, EngineHook::Smooth),
    hooked("FMevery", 0.4f, EngineHook::FmEvery),
    plain("PL1   ", 0.0f),
    plain("PL2   ", 0.0f),
    plain("PL3   ", 0.0f),
    plain("Am1   ", 0.0f),
    plain("Am2   ", 0.0f),
    plain("Am3   ", 0.0f),
    hooked("Fine1   ", 0.5f, EngineHook::BandTuning, 1),
    hooked("Fine2   ", 0.5f, EngineHook::BandTuning, 2),
    hooked("Fine3   ", 0.5f, EngineHook::BandTuning, 3),
    plain("NonUsed ", 0.0f),
}};

void setNameField(char (&field)[kNameBytes], const char* text, int32_t maxChars) noexcept {
    std::memset(field, 0, sizeof field);
    if (maxChars > kNameBytes) maxChars = kNameBytes;
    std::memcpy(field, text, strnlen(text, static_cast<size_t>(maxChars)));
}

} // namespace zk
