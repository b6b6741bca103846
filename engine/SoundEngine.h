#pragma once

#include "engine/BandFilter.h"
#include "engine/DelayLine.h"
#include "engine/DspBlock.h"
#include "engine/EngineHost.h"
#include "engine/Noise.h"
#include "engine/OnePoleFilter.h"
#include "engine/SineOscillator.h"

#include <atomic>
#include <cstdint>
#include <optional>

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

    // The band voices run as SSE2 lanes where available (with SSE4.1 rounding where the
    // processor has it), else as scalar code; every path gives the same bits. The engine
    // starts on the fastest path; tests and the benchmark can pick any available one.
    enum class VoicePath { scalar, lanes, lanesSse41 };
    static bool pathAvailable(VoicePath path) noexcept;
    static VoicePath fastestPath() noexcept;
    // An unavailable path leaves the current one.
    void useVoicePath(VoicePath path) noexcept {
        if (pathAvailable(path)) path_ = path;
    }
    VoicePath voicePath() const noexcept { return path_; }

    // 1 while band 1..3 is above its lamp threshold; 0 otherwise and for any other band.
    int32_t bandActivity(int32_t band) const noexcept;

    // Hooks that the effect's setParameter calls with the stored (clamped) values. `band` is 1..3.
    void setBandTuning(int32_t band, float bandValue, float fineValue) noexcept;
    void setRelease(int32_t band, float releaseValue) noexcept;
    void setFeedback(float feedbackValue) noexcept;
    void setSmooth(float smoothValue) noexcept;
    void setFmEvery(float fmEveryValue) noexcept;

    // State for tests and diagnostics; `band` is 1..3, `channel` 0 (left) or 1 (right).
    bool asleep() const noexcept { return asleep_; }
    int32_t silenceCounter() const noexcept { return silenceCounter_; }
    double storedRate() const noexcept { return storedRate_.load(std::memory_order_relaxed); }
    int32_t wholeRate() const noexcept { return wholeRate_.load(std::memory_order_relaxed); }
    float blockSampleRate() const noexcept { return rate_.rate(); }
    float attackCoefficient() const noexcept { return attack_.load(std::memory_order_relaxed); }
    float feedbackAmount() const noexcept { return feedbackAmount_.load(std::memory_order_relaxed); }
    float releaseCoefficient(int32_t band) const noexcept;
    float bandFrequencyCoefficient(int32_t band) const noexcept;
    float smootherCoefficient(int32_t band) const noexcept;
    float bandEnvelope(int32_t band) const noexcept;
    float bandPhase(int32_t band) const noexcept;
    const SineOscillator& modulator() const noexcept { return modulator_; }
    const DelayLine& delayLine(int32_t channel) const noexcept { return channel == 0 ? *leftLine_ : *rightLine_; }

private:
    static constexpr int laneCount = 4; // three bands, padded to one SIMD register

    // Per-band state, one lane per band.
    struct Bands {
        alignas(16) float input[laneCount];
        alignas(16) float filtered[laneCount];
        alignas(16) float envelope[laneCount];
        alignas(16) float phase[laneCount];
        alignas(16) float frequency[laneCount];
        alignas(16) float pitch[laneCount];
        alignas(16) float fmAmount[laneCount];
        alignas(16) float previous[laneCount];
        alignas(16) float preVolume[laneCount];
        alignas(16) float voice[laneCount];
        std::atomic<float> release[laneCount];  // set from the parameter thread
    };
    // Bit n: band n + 1 is lit. One word so that the lanes set all three with one store.
    std::atomic<int32_t> activeBits_{0}; // read by the editor

    float parameter(int32_t index) const noexcept { return host_.engineParameter(index); }
    void resetFields() noexcept;
    template <bool Replace, VoicePath Path>
    void run(const float* inL, const float* inR, float* outL, float* outR, int32_t frames) noexcept;
    template <VoicePath Path>
    [[gnu::always_inline]] inline void computeFrame(int32_t frameIndex, float inL, float inR, float& outL,
                                                    float& outR) noexcept;
    void scalarVoices(float inL, float inR) noexcept;
#if ZK_ENGINE_SSE
    template <bool Sse41>
    [[gnu::always_inline]] inline void simdVoices(float inL, float inR) noexcept;
    template <bool AllRun, bool Sse41>
    void laneVoices(float inL, float inR, __m128 left, __m128 right) noexcept;
    [[gnu::always_inline]] inline __m128 parameterLanes(int32_t a, int32_t b, int32_t c) const noexcept;
    // Band parameter `offset` of bands 1..3 in lanes 0..2.
    [[gnu::always_inline]] inline __m128 bandLanes(int32_t offset) const noexcept;
#endif
    // The per-band parameter values of one frame, one lane per band.
    struct VoiceParameters {
        int32_t run[laneCount]; // the band is not idle
        float mod[laneCount], offset[laneCount], fmButton[laneCount], feedbackAm[laneCount];
        float oscillatorAm[laneCount], timbre[laneCount], sensivity[laneCount], volume[laneCount];
        float fmEvery; // read only when a band uses feedback FM
    };
    template <int Band>
    [[gnu::always_inline]] inline void voice(const VoiceParameters& v, float mod, float noise, float attack,
                                             float floatRate, float twoPiOverRate) noexcept;
    [[gnu::always_inline]] inline void normalMix(float inL, float inR, float& outL, float& outR) noexcept;

    EngineHost& host_;
    SampleRateContext rate_;
    SineOscillator modulator_; // constructed with the engine, not rebuilt by initEngine
    NoiseGenerator noise_;

    std::optional<BandFilterLanes<laneCount>> bandFilters_;
    std::optional<OnePoleLanes<laneCount>> envelopeSmoothers_;
    std::optional<OnePoleLanes<laneCount>> timbreFilters_;
    std::optional<OnePoleFilter> leftDelaySmoother_;
    std::optional<OnePoleFilter> rightDelaySmoother_;
    std::optional<DelayLine> leftLine_;
    std::optional<DelayLine> rightLine_;

    Bands bands_;

    // Written by resume and the setters, read per frame.
    std::atomic<double> storedRate_{44100.0};
    std::atomic<float> floatRate_{44100.0f};
    std::atomic<int32_t> wholeRate_{44100};
    std::atomic<float> attack_{0.0f};
    std::atomic<float> feedbackAmount_{0.0f};

    float feedbackLeft_ = 0.0f;
    float feedbackRight_ = 0.0f;
    float delayTime_ = 0.0f;
    float stereoAmount_ = 0.0f;
    int32_t delayUpdateCounter_ = 0;
    int32_t silenceCounter_ = 0;
    bool asleep_ = true;
    VoicePath path_ = fastestPath();
    int32_t scalarRunCount_ = 0; // bands that ran in the last frame the scalar code computed
};

} // namespace zk
