#pragma once

#include "engine/BandFilter.h"
#include "engine/DelayLine.h"
#include "engine/DspBlock.h"
#include "engine/EngineHost.h"
#include "engine/Noise.h"
#include "engine/OnePoleFilter.h"
#include "engine/SineOscillator.h"

#include <atomic>
#include <bit>
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
    // processor has it, and in the AVX or AVX-512 encoding of the same 128-bit operations
    // where it has those), else as scalar code; every path gives the same bits. The lane
    // paths take runs of four or more frames in chunks, pass by pass, and shorter ones frame
    // by frame. The engine starts on the fastest path; tests and the benchmark can pick any
    // available one.
    enum class VoicePath { scalar, lanes, lanesSse41, lanesAvx, lanesAvx512 };
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
    // As while resume resizes them on another thread.
    void setDelayLinesBusyForTest(bool busy) noexcept {
        leftLine_->setBusyForTest(busy);
        rightLine_->setBusyForTest(busy);
    }
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

    // Per-band state, one lane per band. Input, filtered, pre-volume and voice carry the
    // scalar voices' values to the mix of the same frame; the lanes keep theirs in registers.
    struct Bands {
        alignas(16) float input[laneCount];
        alignas(16) float filtered[laneCount];
        alignas(16) float envelope[laneCount];
        alignas(16) float phase[laneCount];
        alignas(16) float previous[laneCount];
        alignas(16) float preVolume[laneCount];
        alignas(16) float voice[laneCount];
        alignas(16) std::atomic<float> release[laneCount];  // set from the parameter thread
    };
    // Bit n: band n + 1 is lit. One word so that the lanes set all three with one store.
    std::atomic<int32_t> activeBits_{0}; // read by the editor

    float parameter(int32_t index) const noexcept { return host_.engineParameter(index); }
    void resetFields() noexcept;
    // A block on one path: blocks of one to three frames by the lanes' short-block loop,
    // the others by run().
    template <bool Replace>
    void processOnPath(const float* inL, const float* inR, float* outL, float* outR, int32_t frames) noexcept;
    template <bool Replace, VoicePath Path>
    void processOn(const float* inL, const float* inR, float* outL, float* outR, int32_t frames) noexcept;
    // Frames `first` to `frames` - 1.
    template <bool Replace, VoicePath Path>
    void run(const float* inL, const float* inR, float* outL, float* outR, int32_t first, int32_t frames) noexcept;
    void scalarVoices(float inL, float inR) noexcept;
    template <bool Replace, bool Events, class VoicesAndMix>
    [[gnu::always_inline]] inline void frameWith(const float* inL, const float* inR, float* outL, float* outR,
                                                 int32_t i, VoicesAndMix voicesAndMix) noexcept;
    // The mix of the voices' results in bands_, with the parameters read now.
    void mixBands(float inL, float inR, float& outL, float& outR) noexcept;

    // The output mix's parameter values of one frame.
    struct MixParameters {
        alignas(16) float preListen[laneCount]; // band values in lanes 0..2, as the voices
        alignas(16) float effect[laneCount];
        alignas(16) float pan[laneCount];
        float delay, stereo, delayVolume, master, dry, feedbackAmount;
    };
    void readMix(MixParameters& m) const noexcept;
    // The pre-listen or the normal mix of one frame from the bands' per-lane results.
    [[gnu::always_inline]] inline void mixFrame(const MixParameters& m, const float* filtered, const float* preVolume,
                                                const float* voice, float inL, float inR, float& outL,
                                                float& outR) noexcept;
    [[gnu::always_inline]] inline void normalMix(const MixParameters& m, const float* preVolume, const float* voice,
                                                 float inL, float inR, float& outL, float& outR) noexcept;
    [[gnu::always_inline]] inline bool nextDelayTimes(int32_t& wait, float delay, float stereo, float& left,
                                                      float& right) noexcept;
    [[gnu::always_inline]] inline void glideDelayTimes(float delay, float stereo, float& left, float& right) noexcept;
    [[gnu::always_inline]] inline void stepDelayTimes(float delay, float stereo) noexcept;
    template <class Line>
    [[gnu::always_inline]] static inline void delayReturn(Line& left, Line& right, float send, float volume,
                                                          float feedback, float& feedbackLeft, float& feedbackRight,
                                                          float& l, float& r) noexcept;
    [[gnu::always_inline]] inline void countSilence(float l, float r) noexcept;

#if ZK_ENGINE_SSE
    struct LaneSettings;
    // One frame, voices and mix, by the lanes; false where the scalar code computed the
    // voices instead (the mix is then the caller's).
    template <bool Sse41>
    [[gnu::always_inline]] inline bool laneFrameDone(float inL, float inR, float& outL, float& outR) noexcept;
    // Frame `i` outside chunks: its events, voices and mix, the silence count and the output.
    template <bool Replace, VoicePath Path>
    [[gnu::always_inline]] inline void frameBody(const float* inL, const float* inR, float* outL, float* outR,
                                                 int32_t i) noexcept;
    // The same for the usual such frame, making no call; false, having changed nothing, for
    // any other.
    template <bool Replace, VoicePath Path>
    [[gnu::always_inline]] inline bool plainFrameBody(const float* inL, const float* inR, float* outL, float* outR,
                                                      int32_t i) noexcept;
    // Blocks of one to three frames, frame by frame.
    template <bool Replace, VoicePath Path>
    [[gnu::always_inline]] inline void shortBlockBody(const float* inL, const float* inR, float* outL, float* outR,
                                                      int32_t frames) noexcept;
    template <bool Replace, VoicePath Path>
    [[gnu::noinline]] void shortBlockRest(const float* inL, const float* inR, float* outL, float* outR, int32_t i,
                                          int32_t frames) noexcept;
    // The lane paths' entry points, each with its body inlined: for the SSE2 and SSE4.1
    // paths, and calls of the AVX paths' own, compiled for AVX and for AVX-512.
    template <bool Replace, VoicePath Path>
    void runChunk(const float* inL, const float* inR, float* outL, float* outR, int32_t first,
                  int32_t frames) noexcept;
    template <bool Replace, VoicePath Path>
    void laneFrameAt(const float* inL, const float* inR, float* outL, float* outR, int32_t i) noexcept;
    template <bool Replace, VoicePath Path>
    void runShortBlock(const float* inL, const float* inR, float* outL, float* outR, int32_t frames) noexcept;
    template <bool Replace>
    [[gnu::target("avx")]] void runChunkAvx(const float* inL, const float* inR, float* outL, float* outR,
                                            int32_t first, int32_t frames) noexcept;
    template <bool Replace>
    [[gnu::target("avx")]] void laneFrameAtAvx(const float* inL, const float* inR, float* outL, float* outR,
                                               int32_t i) noexcept;
    template <bool Replace>
    [[gnu::target("avx")]] void runShortBlockAvx(const float* inL, const float* inR, float* outL, float* outR,
                                                 int32_t frames) noexcept;
    template <bool Replace>
    [[gnu::target("avx512f,avx512vl")]] void runChunkAvx512(const float* inL, const float* inR, float* outL,
                                                            float* outR, int32_t first, int32_t frames) noexcept;
    template <bool Replace>
    [[gnu::target("avx512f,avx512vl")]] void laneFrameAtAvx512(const float* inL, const float* inR, float* outL,
                                                               float* outR, int32_t i) noexcept;
    template <bool Replace>
    [[gnu::target("avx512f,avx512vl")]] void runShortBlockAvx512(const float* inL, const float* inR, float* outL,
                                                                 float* outR, int32_t frames) noexcept;
    [[gnu::always_inline]] inline __m128 parameterLanes(int32_t a, int32_t b, int32_t c) const noexcept;
    // Band parameter `offset` of bands 1..3 in lanes 0..2.
    [[gnu::always_inline]] inline __m128 bandLanes(int32_t offset) const noexcept;

    // One frame of the three voices as lanes, computed in three steps: its parameters; the
    // recurrences (band filter, envelope, noise filter), which chain frame to frame; and the
    // oscillators, which chain only through the phase (and the previous output with
    // feedback FM). Blocks of frames run each step over all their frames before the next,
    // so that the frames' independent work overlaps.
    struct LaneFrame {
        __m128 follower, envelope, coloured; // the envelope after the follower, then smoothed
        float mod, noise;
        alignas(16) float filtered[laneCount];
        alignas(16) float preVolume[laneCount];
        alignas(16) float voice[laneCount];
    };
    // The oscillators' state across frames.
    struct OscillatorLanes {
        __m128 phase, previous;
    };
    // Every parameter value one frame of the lanes uses; band values in lanes 0..2.
    struct FrameParameters {
        __m128 left, right, modDepth, offset, fmButton, timbre, sensivity, effect, pan, volume, am, preListen;
        float fmEvery, master, dry, stereo, delay, delayVolume;
    };
    // What one set of parameter values gives the lanes, worked out once for every frame
    // that uses the set: the values and the products of them alone that the voices use.
    struct LaneSettings {
        __m128 left, right, run; // run: the band is not idle
        __m128 timbreCoefficient, gateLevel;
        __m128 bend, baseFrequency, tenAm, am, feedback, feedbackDepth, sineShare, noiseShare, volume;
        MixParameters mix; // the frame-by-frame code sets its feedbackAmount per frame
        int32_t runBits, feedbackBits, preListenBits;
        bool allRun;
    };
    [[gnu::always_inline]] inline void settingsFrom(const FrameParameters& p, float twoPiOverRate,
                                                    LaneSettings& s) const noexcept;
    // Reads them after the frame's events: with vector loads where the values lie in index
    // order, else one by one (`left` and `right` already read).
    [[gnu::always_inline]] inline void readFrame(FrameParameters& p) noexcept;
    [[gnu::always_inline]] inline void readFrameOneByOne(FrameParameters& p, __m128 left, __m128 right) const noexcept;
    // With Held, the filters run with frameHeld_; with Plain, the caller has ruled out
    // pre-listening and a line being resized.
    template <bool AllRun, bool Held, bool Sse41, bool Plain = false>
    [[gnu::always_inline]] inline void laneFrame(float inL, float inR, const LaneSettings& s, float& outL,
                                                 float& outR) noexcept;
    // The frame-by-frame lanes' settings, with the held values where the filters allow
    // (frameHolds_), read again when the host announces a change, the rate moves, or, while
    // nothing is held, a chunk's worth of frames has passed.
    [[gnu::always_inline]] inline const LaneSettings& frameSettings() noexcept;
    // True when frameSettings_ holds for the values and rate now (the rate compared by its
    // bits, which takes fewer instructions).
    [[gnu::always_inline]] inline bool frameSettingsFor(uint32_t values, float twoPiOverRate) const noexcept {
        return values == frameSettingsValues_ && std::bit_cast<uint32_t>(twoPiOverRate) == frameSettingsRate_;
    }
    void readFrameSettings(uint32_t values, float twoPiOverRate) noexcept;
    [[gnu::always_inline]] inline void updateLamps(__m128 follower, int32_t runBits) noexcept;
    // What a stretch of frames between MIDI events holds in registers where the filters
    // have the engine's set-up and the band filters' ramps rest (see holdValues()).
    struct HeldValues {
        BandFilterLanes<laneCount>::Resting band;
        __m128 release, smoothing;
        float step; // the modulator's
    };
    bool holdValues(HeldValues& held) const noexcept;
    // With Held, the filters are run with `held`'s values rather than their own dispatch.
    template <bool AllRun, bool Held, bool Sse41>
    [[gnu::always_inline]] inline void laneRecurrences(LaneFrame& x, const LaneSettings& s, float inL, float inR,
                                                       __m128& envelope, float attack,
                                                       const HeldValues& held) noexcept;
    // normalMix() with the lanes' results; false while a delay line is being resized (which
    // the caller may have ruled out).
    template <bool LinesFree>
    [[gnu::always_inline]] inline bool laneNormalMix(const MixParameters& m, const LaneFrame& x, float inL, float inR,
                                                     float& outL, float& outR) noexcept;
    template <bool AllRun, bool Sse41>
    [[gnu::always_inline]] inline void laneOscillators(LaneFrame& x, const LaneSettings& s, OscillatorLanes& o,
                                                       __m128 floatRate) noexcept;
    OscillatorLanes loadOscillators() const noexcept;
    void storeOscillators(const OscillatorLanes& o) noexcept;
    // The mix's parameter values and the inputs of a chunk, one array entry per frame.
    static constexpr int32_t chunkFrames = 32;
    struct ChunkMix {
        alignas(16) float preListen[chunkFrames][laneCount]; // band values in lanes, as the voices
        alignas(16) float effect[chunkFrames][laneCount];
        alignas(16) float pan[chunkFrames][laneCount];
        alignas(16) float delay[chunkFrames], stereo[chunkFrames], volume[chunkFrames];
        alignas(16) float master[chunkFrames], dry[chunkFrames], feedback[chunkFrames];
        alignas(16) float inL[chunkFrames], inR[chunkFrames];
        MixParameters at(int32_t frame) const noexcept;
        void fill(int32_t frame, const MixParameters& m) noexcept; // all but the feedback
    };
    // Frames `first` to `first + frames - 1`, a multiple of 4 up to chunkFrames, step by step;
    // the engine is awake and cannot fall asleep within them.
    template <bool Replace, VoicePath Path>
    [[gnu::always_inline]] inline void chunkBody(const float* inL, const float* inR, float* outL, float* outR,
                                                 int32_t first, int32_t frames) noexcept;
    // The normal mix of a chunk without pre-listen frames, four frames per register but for
    // the delay lines.
    // With OneSet, every frame's mix values are `only`'s, else those in `c`.
    template <bool Replace, bool OneSet>
    [[gnu::always_inline]] inline void mixChunk(const ChunkMix& c, const MixParameters& only, const LaneFrame* x,
                                                float* outL, float* outR, int32_t frames) noexcept;
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

    // The delay lines' cross-feedback values, left and right: one 8-byte move for the lanes.
    alignas(8) float feedback_[2] = {0.0f, 0.0f};
    float delayTime_ = 0.0f;
    float stereoAmount_ = 0.0f;
    static constexpr int32_t delayUpdateInterval = 10; // frames
    int32_t delayUpdateWait_ = 0;       // frames before the next delay-time update
    int32_t silenceCounter_ = 0;
    bool asleep_ = true;
    VoicePath path_ = fastestPath();
    int32_t scalarRunCount_ = 0; // bands that ran in the last frame the scalar code computed
    // The host's slot generation that contiguous_ was found for (-1: none yet).
    int64_t slotGeneration_ = -1;
    const std::atomic<float>* contiguous_ = nullptr;
#if ZK_ENGINE_SSE
    LaneSettings frameSettings_{};
    HeldValues frameHeld_{};
    bool frameHolds_ = false;
    bool framePlain_ = false; // held, with all three bands running and no pre-listening
    uint32_t frameSettingsValues_ = 0;
    uint32_t frameSettingsRate_ = 0; // the bits of the twoPiOverRate they were worked out for
    int32_t framesOnSettings_ = chunkFrames;
#endif
};

} // namespace zk
