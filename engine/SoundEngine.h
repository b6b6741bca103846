#pragma once

#include "engine/EngineHost.h"

#include <cstdint>

namespace zk {

// The per-frame signal processing: three band voices driven by the input, the output mix
// with its cross-feedback delay, and the sleep mode. Owned by the effect; every parameter
// is read live through the EngineHost.
class SoundEngine {
public:
    explicit SoundEngine(EngineHost& host);
    ~SoundEngine();
    SoundEngine(const SoundEngine&) = delete;
    SoundEngine& operator=(const SoundEngine&) = delete;

    // Builds and configures every block for the effect's current sample rate. The effect
    // keeps its own not-ready flag raised around this call.
    void initEngine(double sampleRate);

    // The engine's half of resume: adopts `sampleRate`, reallocates the delay lines and has
    // the host re-select the current program. `effectReady` is the effect's !notReady.
    void adoptSampleRate(double sampleRate, bool effectReady);

    // Visits `frames` frames in order; replace overwrites the outputs, otherwise adds.
    void processBlock(const float* inL, const float* inR, float* outL, float* outR, int32_t frames,
                      bool replace) noexcept;

    // 1 while band 1..3 is above its lamp threshold; 0 otherwise and for any other band.
    int32_t bandActivity(int32_t band) const noexcept;

    // Hooks that the effect's setParameter calls with the stored (clamped) values. `band` is 1..3.
    void setBandTuning(int32_t band, float bandValue, float fineValue) noexcept;
    void setRelease(int32_t band, float releaseValue) noexcept;
    void setFeedback(float feedbackValue) noexcept;
    void setSmooth(float smoothValue) noexcept;
    void setFmEvery(float fmEveryValue) noexcept;

private:
    EngineHost& host_;
};

} // namespace zk
