#include "core/Parameters.h"

#include "core/TextTools.h"

#include <cstring>

namespace zk {

namespace {

using S = ValueScale;

// The band is taken from a full name that starts "Band n ".
constexpr int8_t bandOf(const char* fullName) {
    return fullName[0] == 'B' && fullName[1] == 'a' && fullName[2] == 'n' && fullName[3] == 'd' && fullName[4] == ' '
               ? static_cast<int8_t>(fullName[5] - '0')
               : 0;
}
constexpr ParameterInfo plain(const char* name, const char* fullName, const char* symbol, float value, ValueScale scale) {
    return {name, fullName, symbol, value, scale, EngineHook::None, bandOf(fullName)};
}
constexpr ParameterInfo hooked(const char* name, const char* fullName, const char* symbol, float value,
                               ValueScale scale, EngineHook hook) {
    return {name, fullName, symbol, value, scale, hook, bandOf(fullName)};
}

} // namespace

// The names are the stored ones that VST 2 hosts show: longer names are kept to their
// first 8 characters ("FMbutton1" reads "FMbutton"), so three read alike. The full names and
// the symbols tell every parameter apart.
const std::array<ParameterInfo, kNumParameters> kParameterTable = {{
    plain("Master", "Master", "master", 0.9f, S::masterGain),
    plain("Dry", "Dry", "dry", 0.0f, S::dryGain),
    plain("Left1", "Band 1 Left Input", "band1_left_input", 1.0f, S::inputSwitch),
    plain("Right1 ", "Band 1 Right Input", "band1_right_input", 1.0f, S::inputSwitch),
    hooked("Band1 ", "Band 1 Frequency", "band1_frequency", 0.1f, S::bandTuning, EngineHook::BandTuning),
    hooked("Release1", "Band 1 Release", "band1_release", 0.3f, S::release, EngineHook::Release),
    plain("Mod1", "Band 1 Pitch Bend", "band1_pitch_bend", 0.9f, S::pitchBend),
    plain("Offset1", "Band 1 Base Pitch", "band1_base_pitch", 0.1f, S::basePitch),
    plain("FMbutton", "Band 1 Feedback FM", "band1_feedback_fm", 0.0f, S::feedbackFmSwitch),
    plain("Timbre1", "Band 1 Timbre", "band1_timbre", 0.0f, S::timbre),
    plain("Sensivit", "Band 1 Sensitivity", "band1_sensitivity", 0.9f, S::sensitivity),
    plain("Effect1", "Band 1 Delay Send", "band1_delay_send", 0.0f, S::delaySend),
    plain("Pan1", "Band 1 Pan", "band1_pan", 0.4f, S::pan),
    plain("Volume1", "Band 1 Volume", "band1_volume", 0.1f, S::bandVolume),
    plain("Left2 ", "Band 2 Left Input", "band2_left_input", 0.0f, S::inputSwitch),
    plain("Righ2 ", "Band 2 Right Input", "band2_right_input", 0.0f, S::inputSwitch),
    hooked("Band2 ", "Band 2 Frequency", "band2_frequency", 0.4f, S::bandTuning, EngineHook::BandTuning),
    hooked("Release2", "Band 2 Release", "band2_release", 0.3f, S::release, EngineHook::Release),
    plain("Mod2", "Band 2 Pitch Bend", "band2_pitch_bend", 0.633f, S::pitchBend),
    plain("Offset2", "Band 2 Base Pitch", "band2_base_pitch", 0.4f, S::basePitch),
    plain("FMbutton", "Band 2 Feedback FM", "band2_feedback_fm", 0.0f, S::feedbackFmSwitch),
    plain("Timbre2", "Band 2 Timbre", "band2_timbre", 0.4f, S::timbre),
    plain("Sensivit", "Band 2 Sensitivity", "band2_sensitivity", 0.9f, S::sensitivity),
    plain("Effect2", "Band 2 Delay Send", "band2_delay_send", 0.0f, S::delaySend),
    plain("Pan2", "Band 2 Pan", "band2_pan", 0.4f, S::pan),
    plain("Volume2", "Band 2 Volume", "band2_volume", 0.4f, S::bandVolume),
    plain("Left3 ", "Band 3 Left Input", "band3_left_input", 0.0f, S::inputSwitch),
    plain("Right3 ", "Band 3 Right Input", "band3_right_input", 0.0f, S::inputSwitch),
    hooked("Band3 ", "Band 3 Frequency", "band3_frequency", 0.9f, S::bandTuning, EngineHook::BandTuning),
    hooked("Release3", "Band 3 Release", "band3_release", 0.3f, S::release, EngineHook::Release),
    plain("Mod3", "Band 3 Pitch Bend", "band3_pitch_bend", 0.3f, S::pitchBend),
    plain("Offset3", "Band 3 Base Pitch", "band3_base_pitch", 0.4f, S::basePitch),
    plain("FMbutton", "Band 3 Feedback FM", "band3_feedback_fm", 0.0f, S::feedbackFmSwitch),
    plain("Timbre3", "Band 3 Timbre", "band3_timbre", 0.4f, S::timbre),
    plain("Sensivit", "Band 3 Sensitivity", "band3_sensitivity", 0.9f, S::sensitivity),
    plain("Effect3", "Band 3 Delay Send", "band3_delay_send", 0.0f, S::delaySend),
    plain("Pan3", "Band 3 Pan", "band3_pan", 0.4f, S::pan),
    plain("Volume3", "Band 3 Volume", "band3_volume", 0.4f, S::bandVolume),
    plain("Stereo", "Delay Stereo Spread", "delay_stereo_spread", 0.9f, S::stereoSpread),
    plain("Delay", "Delay Time", "delay_time", 0.4f, S::delayTime),
    hooked("Feedback", "Delay Feedback", "delay_feedback", 0.3f, S::delayFeedback, EngineHook::Feedback),
    plain("Volume", "Delay Volume", "delay_volume", 1.0f, S::delayGain),
    hooked("Smooth", "Envelope Smoothing", "envelope_smoothing", 0.4f, S::smoothing, EngineHook::Smooth),
    hooked("FMevery", "FM Frequency", "fm_frequency", 0.4f, S::fmFrequency, EngineHook::FmEvery),
    plain("PL1   ", "Band 1 Pre-Listen", "band1_prelisten", 0.0f, S::preListenSwitch),
    plain("PL2   ", "Band 2 Pre-Listen", "band2_prelisten", 0.0f, S::preListenSwitch),
    plain("PL3   ", "Band 3 Pre-Listen", "band3_prelisten", 0.0f, S::preListenSwitch),
    plain("Am1   ", "Band 1 FM Depth", "band1_fm_depth", 0.0f, S::fmDepth),
    plain("Am2   ", "Band 2 FM Depth", "band2_fm_depth", 0.0f, S::fmDepth),
    plain("Am3   ", "Band 3 FM Depth", "band3_fm_depth", 0.0f, S::fmDepth),
    hooked("Fine1   ", "Band 1 Fine Tune", "band1_fine_tune", 0.5f, S::fineTuning, EngineHook::BandTuning),
    hooked("Fine2   ", "Band 2 Fine Tune", "band2_fine_tune", 0.5f, S::fineTuning, EngineHook::BandTuning),
    hooked("Fine3   ", "Band 3 Fine Tune", "band3_fine_tune", 0.5f, S::fineTuning, EngineHook::BandTuning),
    plain("NonUsed ", "Unused", "unused", 0.0f, S::unused),
}};

void setNameField(char (&field)[kNameBytes], const char* text, int32_t maxChars) noexcept {
    std::memset(field, 0, sizeof field);
    if (maxChars > kNameBytes) maxChars = kNameBytes;
    std::memcpy(field, text, strnlen(text, static_cast<size_t>(maxChars)));
}

} // namespace zk
