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
// is read through the EngineHost.
class SoundEngine {
public:
    explicit SoundEngine(EngineHost& host);
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

    // How the voices run; every path gives the same bits. `scalar`: one band at a time,
    // frame by frame, reading the parameters again from the frame after the host announces
    // a change, skipping idle bands: the portable code, and the reference the others are
    // tested against. The lane paths run the same code with the three bands as lanes of
    // one SSE register, in chunks of up to 32 frames with the mix four frames per register,
    // reading the parameters again when the host announces a change; `lanesSse41` rounds
    // with SSE4.1, `lanesAvx512` is that code in the AVX-512 encoding (three operands, 32
    // registers). On 64-bit ARM the lanes are NEON's, `lanes` the one lane path, rounding
    // with ARMv8's. The engine starts on the fastest path the processor has; tests and the
    // benchmark can pick any.
    enum class VoicePath { scalar, lanes, lanesSse41, lanesAvx512 };
    // Every path of this build.
    static constexpr VoicePath voicePaths[] = {VoicePath::scalar,
#if ZK_ENGINE_SSE
                                               VoicePath::lanes, VoicePath::lanesSse41, VoicePath::lanesAvx512
#elif ZK_ENGINE_NEON
                                               VoicePath::lanes
#endif
    };
    static const char* pathName(VoicePath path) noexcept;
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
    // As while resume resizes them on another thread.
    void setDelayLinesBusyForTest(bool busy) noexcept {
        leftLine_->setBusyForTest(busy);
        rightLine_->setBusyForTest(busy);
    }
    float blockSampleRate() const noexcept { return rate_.rate(); }
    float bandFrequencyCoefficient(int32_t band) const noexcept;
    float bandEnvelope(int32_t band) const noexcept;
    float bandPhase(int32_t band) const noexcept;
    const SineOscillator& modulator() const noexcept { return modulator_; }
    const DelayLine& delayLine(int32_t channel) const noexcept { return channel == 0 ? *leftLine_ : *rightLine_; }

private:
    static constexpr int32_t chunkFrames = 32;
    static constexpr int32_t delayUpdateInterval = 10; // frames

    // What one set of parameter values gives the frames, worked out once for all the frames
    // that use it: per band (lanes 0..2; lane 3 pads the register) the values and what the
    // voices derive from them alone, then the mix's values.
    struct Settings {
        alignas(16) float left[4], right[4], timbreCoefficient[4], gateLevel[4], bend[4], baseFrequency[4];
        alignas(16) float oscillatorDepth[4], feedbackDepth[4], sineShare[4], noiseShare[4], volume[4];
        alignas(16) float effect[4], pan[4], away[4], preListen[4]; // away: 1 - pan
        alignas(16) int32_t run[4], feedback[4]; // masks: the band is not idle; it uses feedback FM
        float delay, stereo, delayVolume, master, dry, feedbackAmount;
        int32_t runBits;
        bool preListening, anyFeedback;
        int64_t values = -1;  // the host's value generation they were read at
        uint32_t rateBits = 0; // and the bits of twoPiOverRate
    };
    // One frame's results of the voices, per band (float: one per band; F4: the bands in
    // lanes): the envelope after the follower and after the smoothing, the coloured noise,
    // the band filter's signal, the voice before and after its volume; the shared sources.
    template <class T>
    struct Frame {
        static constexpr int groups = width<T> == 1 ? 3 : 1;
        T follower[groups], envelope[groups], coloured[groups], filtered[groups], preVolume[groups], voice[groups];
        float mod, noise;
    };

    float parameter(int32_t index) const noexcept { return host_.engineParameter(index); }
    void storeRate(double sampleRate) noexcept;
    void readSettings() noexcept;
    template <bool Replace, VoicePath Path>
    [[gnu::always_inline]] inline void run(const float* inL, const float* inR, float* outL, float* outR,
                                           int32_t frames) noexcept;
    // run() in a function of its own per path: the AVX-512 one in that encoding.
    template <bool Replace, VoicePath Path>
    void runOn(const float* inL, const float* inR, float* outL, float* outR, int32_t frames) noexcept;
#if defined(__x86_64__) || defined(__i386__)
    template <bool Replace>
    [[gnu::target("avx512f,avx512vl")]] void runAvx512(const float* inL, const float* inR, float* outL, float* outR,
                                                       int32_t frames) noexcept;
#endif
    // Frames `first` to `first + n - 1` (n up to chunkFrames) with one set of values, pass
    // by pass: everything that carries state from frame to frame, then the oscillators,
    // then the mix. The engine is awake and may fall asleep after the last of them only.
    template <bool Replace, VoicePath Path, bool Lone>
    [[gnu::always_inline]] inline void runChunk(const float* inL, const float* inR, float* outL, float* outR,
                                                int32_t first, int32_t n) noexcept;
    template <class T, bool Sse41, bool AllRun>
    [[gnu::always_inline]] inline void voices(Frame<T>* x, const float* inL, const float* inR, int32_t n) noexcept;
    // The delay lines' part of the mix: wet signals from sends.
    template <class T>
    [[gnu::always_inline]] inline void delays(const float* send, float* wetL, float* wetR, int32_t n) noexcept;
    // One step of the delay times' glide towards Delay and Stereo.
    void glideDelayTimes(float& left, float& right) noexcept;

    EngineHost& host_;
    SampleRateContext rate_;
    SineOscillator modulator_; // constructed with the engine, not rebuilt by initEngine
    NoiseGenerator noise_;

    // In lanes 0..2, bands 1..3. Destroyed in reverse: the delay lines first.
    std::optional<BandFilter> bandFilters_;
    std::optional<OnePoleFilter> envelopeSmoothers_, timbreFilters_, leftDelaySmoother_, rightDelaySmoother_;
    std::optional<DelayLine> leftLine_, rightLine_;

    // Per band: the follower's state, the phase, the last sine value and the release.
    alignas(16) float envelope_[4] = {}, phase_[4] = {}, previous_[4] = {};
    std::atomic<float> release_[4] = {}; // set from the parameter thread
    std::atomic<int32_t> activeBits_{0}; // bit n: band n + 1 is lit; read by the editor
    Settings settings_;
    bool rampsRest_ = false; // the band filters' ramps rest for settings_

    // Written by resume and the setters, read per block.
    std::atomic<double> storedRate_{44100.0};
    std::atomic<float> floatRate_{44100.0f};
    std::atomic<int32_t> wholeRate_{44100};
    std::atomic<float> attack_{0.0f};
    std::atomic<float> feedbackAmount_{0.0f};

    float feedback_[2] = {}; // the delay lines' cross-feedback values, left and right
    int32_t delayUpdateWait_ = 0; // frames before the next delay-time update
    int32_t silenceCounter_ = 0;
    std::atomic<int32_t> quietLimit_{44100}; // more quiet frames than this put the engine to sleep
    bool asleep_ = true;
    VoicePath path_ = fastestPath();
};

} // namespace zk
