#pragma once

// A yardstick for the engine's speed: the same sound written the plain way, one band after
// the other, one frame at a time, reading its parameters as it uses them, with branches
// where the sound branches. Built without vectorisation (see CMakeLists.txt). Not the
// engine's bits (its floor, gate and idle handling are its own), only its work: three band
// filters and envelopes, three sine voices with pitch bend and FM, the noise colouring and
// the stereo cross-feedback delay.

#include <cstdint>
#include <vector>

namespace zkbench {

class PlainEngine {
public:
    // `parameters`: the 54 values (0..1), read live at every frame; they must outlive it.
    PlainEngine(const float* parameters, float sampleRate);

    // Works out what the effect's setters would (band tunings, releases, feedback, smooth,
    // FM frequency) from the current values. [main]
    void applySetters();
    // Replaces the outputs. [audio]
    void process(const float* inL, const float* inR, float* outL, float* outR, int32_t frames);

    bool asleep() const { return asleep_; }

private:
    struct OnePole {
        float state = 0.0f, highState = 0.0f, k = 1.0f;
        int32_t mode = 0;
        float process(float x);
    };
    struct BandFilter {
        float band1 = 0.0f, low1 = 0.0f, band2 = 0.0f, low2 = 0.0f, out1 = 0.0f, out2 = 0.0f;
        float smoother = 0.0f, smoothed = 0.0f, gain = 0.0f;
        float f = 1.0f, q = 1.0f, gainTarget = 0.49f;
        float process(float x);
    };
    struct Band {
        BandFilter filter;
        OnePole timbre, envelopeSmoother;
        float envelope = 0.0f, phase = 0.0f, previous = 0.0f, release = 0.0f;
        float filtered = 0.0f, preVolume = 0.0f, voice = 0.0f;
    };
    struct Delay {
        std::vector<float> buffer;
        int32_t write = 0, read = 0;
        void setDelay(float samples);
        float process(float x);
    };

    float p(int32_t index) const { return parameters_[index]; }
    void voice(int band, float inL, float inR, float mod, float noise);
    void mix(float inL, float inR, float& outL, float& outR);

    const float* parameters_;
    float rate_, twoPiOverRate_, attack_;
    Band bands_[3];
    OnePole leftDelaySmoother_, rightDelaySmoother_;
    Delay left_, right_;
    float feedbackLeft_ = 0.0f, feedbackRight_ = 0.0f, feedbackAmount_ = 0.0f;
    float modPhase_ = 0.0f, modStep_ = 0.0f;
    uint32_t noiseState_ = 1;
    int32_t delayWait_ = 0, silence_ = 0;
    bool asleep_ = true;
};

} // namespace zkbench
