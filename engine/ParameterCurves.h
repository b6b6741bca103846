#pragma once

// What a parameter's value (0 to 1) means to the sound: the formulas the engine computes
// with, written once, for the engine and for the value texts hosts and the panel show.
// Each keeps the engine's float operations in their order, so that engine and texts agree
// to the bit.

#include <cstdint>

namespace zk::curves {

// The frequency band n's filter is tuned to, in Hz, from its Band and Fine values; Fine
// scales the part above 40 Hz by (Fine + 0.5). The cube is built on (Fine + 0.5), rounded
// to float after every multiplication.
inline float bandTuningHz(float band, float fine) noexcept {
    float product = fine + 0.5f;
    product = product * band;
    product = product * band;
    product = product * band;
    return 40.0f + 4298.0f * product;
}

// The band filters take at most this coefficient (2 pi f / rate); above it the tuning stops.
inline constexpr float bandCoefficientLimit = 1.0f;

// Release: the envelope alone falls by 99 % (40 dB) in this many milliseconds.
inline double releaseMilliseconds(float release) noexcept {
    const double r = release;
    return r * r * 400.0;
}

// Feedback: the share of each delay line that goes back into itself (half of it crosses).
inline float feedbackAmount(float feedback) noexcept { return feedback * feedback * 0.9f; }

// Smooth: the envelope smoothers' cut-off in Hz, before their coefficient limits.
inline float smoothCutoffHz(float smooth) noexcept { return (1.0f - smooth) * 1000.0f; }
// The smallest coefficient (2 pi f / rate) of the one-pole filters, and the largest.
inline constexpr float onePoleCoefficientFloor = 0.02f;
inline constexpr float onePoleCoefficientLimit = 1.0f;

// FMevery: the FM oscillator's frequency in Hz.
inline float fmFrequencyHz(float fmEvery) noexcept { return fmEvery * fmEvery * 4000.0f + 1000.0f; }

// Offset: a voice's pitch at rest, in Hz.
inline float basePitchHz(float offset) noexcept { return offset * offset * offset * 7000.0f + 30.0f; }

// Mod: the pitch bend per unit of envelope, in semitones before the series below; band 0..2
// (lane 3 is padding).
alignas(16) inline constexpr float bendScale[4] = {512.0f, 512.0f, 384.0f, 0.0f};
alignas(16) inline constexpr float bendOffset[4] = {256.0f, 256.0f, 128.0f, 0.0f};
inline float bendFigure(int band, float mod) noexcept { return mod * bendScale[band] - bendOffset[band]; }
// ln 2 / 12: a semitone's share of the bend's exponent.
inline constexpr float semitoneExponent = 0.0577623f;
// The voice's pitch ratio for the exponent m = bend x envelope x semitoneExponent: e^m to
// second order.
template <class T>
[[gnu::always_inline]] inline T bendRatio(T m) noexcept {
    return (0.5f * m + 1.0f) * m + 1.0f;
}

// Sensitivity: a band's gate closes while its envelope x gateScale is below this.
inline float gateLevel(float sensitivity) noexcept { return 1.0f - sensitivity; }
inline constexpr float gateScale = 20.0f;

// The output mix: Master scales voices and echoes by this; a band's Volume v gives 2 v (its
// voice is added twice); Dry, the delay's Volume and the sends are gains as they stand.
inline constexpr float masterScale = 4.0f;
inline constexpr float bandVolumeScale = 2.0f;

// The delay times in samples, `whole` being the sample rate's whole part: the right line
// Delay^2 seconds (and 0.14 samples), the left one 0.14 s later, less (whole / 24) x Stereo^2.
inline float rightDelaySamples(float delay, int32_t whole) noexcept {
    return delay * delay * static_cast<float>(whole) + 0.14f;
}
inline float leftDelaySamples(float delay, float stereo, int32_t whole) noexcept {
    return static_cast<float>(whole) * (delay * delay + 0.14f) - static_cast<float>(whole / 24) * (stereo * stereo);
}

} // namespace zk::curves
