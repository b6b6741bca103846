#include "engine/SoundEngine.h"

#include "engine/FloatEnvironment.h"
#include "engine/SoundEngineFrame.h"
#include "engine/VoiceConstants.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#if ZK_ENGINE_SSE
#include <smmintrin.h> // SSE4.1, for the functions that ask for it
#endif

namespace zk {

using namespace voice;

namespace {

constexpr float wakeLevel = 0.001f;
constexpr int32_t wakeBits = std::bit_cast<int32_t>(wakeLevel);

// 0.01^(1 / (milliseconds x rate x 0.001)) in double with the float constants widened:
// the per-sample factor that covers 99 % of a change in that many milliseconds.
double onePercentFactor(double milliseconds, double rate) {
    return std::pow(static_cast<double>(0.01f), 1.0 / (milliseconds * rate * static_cast<double>(0.001f)));
}

// The wake test on a raw input sample, non-finite samples counting as 0: on the magnitude's
// bits, integer order is float order, and infinity and NaN lie above the finite values.
inline int32_t wakes(const float* x) noexcept {
    int32_t bits;
    std::memcpy(&bits, x, sizeof bits);
    bits &= 0x7FFFFFFF;
    return (bits > wakeBits) & (bits < 0x7F800000);
}

// wakes() on sixteen frames of both channels.
inline bool anyWakes16(const float* l, const float* r) noexcept {
#if defined(__SSE2__)
    const __m128i magnitude = _mm_set1_epi32(0x7FFFFFFF), low = _mm_set1_epi32(wakeBits);
    const __m128i high = _mm_set1_epi32(0x7F800000);
    __m128i any = _mm_setzero_si128();
    for (int k = 0; k < 16; k += 4) {
        for (const float* p : {l + k, r + k}) {
            const __m128i bits = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), magnitude);
            any = _mm_or_si128(any, _mm_and_si128(_mm_cmpgt_epi32(bits, low), _mm_cmplt_epi32(bits, high)));
        }
    }
    return _mm_movemask_epi8(any) != 0;
#else
    int32_t any = 0;
    for (int k = 0; k < 16; ++k) any |= wakes(l + k) | wakes(r + k);
    return any != 0;
#endif
}

#if ZK_ENGINE_SSE
// firstWakingGroup() with SSE4.1. A sample wakes exactly when its magnitude's bits less
// wakeBits + 1, taken unsigned, are at most `largest` (infinity's bits less them, less 1):
// the least such difference over the group tells whether any sample does.
[[gnu::target("sse4.1")]] int32_t firstWakingGroupSse41(const float* l, const float* r, int32_t j,
                                                          int32_t frames) noexcept {
    const __m128i magnitude = _mm_set1_epi32(0x7FFFFFFF), above = _mm_set1_epi32(wakeBits + 1);
    const __m128i largest = _mm_set1_epi32(0x7F800000 - (wakeBits + 1) - 1);
    for (; j + 16 <= frames; j += 16) {
        __m128i least = _mm_set1_epi32(-1);
        for (int k = 0; k < 16; k += 4)
            for (const float* p : {l + j + k, r + j + k}) {
                const __m128i bits = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), magnitude);
                least = _mm_min_epu32(least, _mm_sub_epi32(bits, above));
            }
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_min_epu32(least, largest), least)) != 0) break;
    }
    return j;
}
#endif

// The first group of sixteen frames from `j` on in which a sample wakes the engine, or
// the first frame after the whole groups: the caller tests the frames from there one by one.
template <SoundEngine::VoicePath Path>
int32_t firstWakingGroup(const float* l, const float* r, int32_t j, int32_t frames) noexcept {
#if ZK_ENGINE_SSE
    if constexpr (Path != SoundEngine::VoicePath::scalar && Path != SoundEngine::VoicePath::lanes)
        return j + 16 <= frames ? firstWakingGroupSse41(l, r, j, frames) : j; // no call for short blocks
#endif
    for (; j + 16 <= frames; j += 16)
        if (anyWakes16(l + j, r + j)) break;
    return j;
}

inline float wrapPhase(float y) noexcept { return y - floorFast(y + 0.5f); }

} // namespace

SoundEngine::SoundEngine(EngineHost& host) : host_(host) {
    // A complete engine from the start, so that nothing is ever missing; the effect sets it
    // up again for its own rate.
    initEngine(SampleRateContext::defaultRate);
}

SoundEngine::~SoundEngine() {
    // Tear-down order: the delay lines and their buffers first, then the filters.
    leftLine_.reset();
    rightLine_.reset();
    bandFilters_.reset();
    envelopeSmoothers_.reset();
    timbreFilters_.reset();
    leftDelaySmoother_.reset();
    rightDelaySmoother_.reset();
}

void SoundEngine::initEngine(double sampleRate) {
    storedRate_.store(sampleRate, std::memory_order_relaxed);
    rate_.setRate(static_cast<float>(sampleRate));
    asleep_ = true;

    // Building any block puts the rate back to 44100, so everything below is configured at
    // 44100 until the first resume adopts the host's rate.
    bandFilters_.emplace(rate_);
    envelopeSmoothers_.emplace(rate_);
    timbreFilters_.emplace(rate_);
    for (int b = 0; b < laneCount; ++b) {
        bandFilters_->setPoles(4, b);
        bandFilters_->setFrequency(2000.0f, b);
        bandFilters_->setType(2, b);
        bandFilters_->setResonance(0.5f, b);
        envelopeSmoothers_->setMode(0, b);
        envelopeSmoothers_->setTimbre(0.01f, b);
        envelopeSmoothers_->setCutoff(200.0f, b);
        timbreFilters_->setMode(b < 2 ? 2 : 0, b);
        timbreFilters_->setTimbre(0.01f, b);
        timbreFilters_->setCutoff(200.0f, b);
    }
    for (std::optional<OnePoleFilter>* smoother : {&leftDelaySmoother_, &rightDelaySmoother_}) {
        smoother->emplace(rate_);
        (*smoother)->setMode(0);
        (*smoother)->setTimbre(0.01f);
        (*smoother)->setCutoff(6.0f);
    }

    const int32_t whole = truncateToInt(rate_.rate());
    wholeRate_.store(whole, std::memory_order_relaxed);
    leftLine_.emplace(rate_, 0.0f, whole);
    rightLine_.emplace(rate_, 0.0f, whole);

    resetFields();
    modulator_.setSampleRate(static_cast<float>(sampleRate));
    modulator_.setFrequency(2000.0f);
    floatRate_.store(static_cast<float>(sampleRate), std::memory_order_relaxed);
    delayUpdateWait_ = 0;
#if ZK_ENGINE_SSE
    frameHolds_ = framePlain_ = false; // the filters' held values are new too
    framesOnSettings_ = chunkFrames;
#endif
}

void SoundEngine::resetFields() noexcept {
    for (int b = 0; b < laneCount; ++b) {
        bands_.input[b] = 0.0f;
        bands_.filtered[b] = 0.0f;
        bands_.envelope[b] = 0.0f;
        bands_.phase[b] = 0.0f;
        bands_.previous[b] = 0.0f;
        bands_.preVolume[b] = 0.0f;
        bands_.voice[b] = 0.0f;
        bands_.release[b].store(0.0f, std::memory_order_relaxed);
    }
    attack_.store(static_cast<float>(onePercentFactor(1.0, storedRate_.load(std::memory_order_relaxed))),
                  std::memory_order_relaxed);
    activeBits_.store(0, std::memory_order_relaxed);
    feedbackAmount_.store(0.0f, std::memory_order_relaxed);
    feedback_[0] = feedback_[1] = 0.0f;
    delayTime_ = stereoAmount_ = 0.0f;
    silenceCounter_ = 0;
    noise_.seed(1);
}

void SoundEngine::adoptSampleRate(double sampleRate, bool effectReady) {
    storedRate_.store(sampleRate, std::memory_order_relaxed);
    if (effectReady) modulator_.setSampleRate(static_cast<float>(sampleRate));
    rate_.setRate(static_cast<float>(sampleRate));
    const int32_t whole = truncateToInt(rate_.rate());
    wholeRate_.store(whole, std::memory_order_relaxed);
    leftLine_->resize(whole);
    rightLine_->resize(whole);
    attack_.store(static_cast<float>(onePercentFactor(1.0, sampleRate)), std::memory_order_relaxed);
    floatRate_.store(static_cast<float>(sampleRate), std::memory_order_relaxed);
    host_.reselectCurrentProgram();
    leftDelaySmoother_->setCutoff(6.0f);
    rightDelaySmoother_->setCutoff(6.0f);
}

int32_t SoundEngine::bandActivity(int32_t band) const noexcept {
    if (band < 1 || band > 3) return 0;
    return activeBits_.load(std::memory_order_relaxed) >> (band - 1) & 1;
}

void SoundEngine::setBandTuning(int32_t band, float bandValue, float fineValue) noexcept {
    if (band < 1 || band > 3) return;
    // The cube is built on (Fine + 0.5), rounded to float after every multiplication.
    float product = fineValue + 0.5f;
    product = product * bandValue;
    product = product * bandValue;
    product = product * bandValue;
    bandFilters_->setFrequency(40.0f + 4298.0f * product, band - 1);
}

void SoundEngine::setRelease(int32_t band, float releaseValue) noexcept {
    if (band < 1 || band > 3) return;
    const double r = releaseValue;
    // Release 0 gives 0.01^inf = 0: the envelope falls at once.
    const double k = onePercentFactor(r * r * 400.0, storedRate_.load(std::memory_order_relaxed));
    bands_.release[band - 1].store(static_cast<float>(k), std::memory_order_relaxed);
}

void SoundEngine::setFeedback(float feedbackValue) noexcept {
    feedbackAmount_.store(feedbackValue * feedbackValue * 0.9f, std::memory_order_relaxed);
}

void SoundEngine::setSmooth(float smoothValue) noexcept {
    for (int b = 0; b < 3; ++b) envelopeSmoothers_->setCutoff((1.0f - smoothValue) * 1000.0f, b);
}

void SoundEngine::setFmEvery(float fmEveryValue) noexcept {
    modulator_.setFrequency(fmEveryValue * fmEveryValue * 4000.0f + 1000.0f);
}

float SoundEngine::releaseCoefficient(int32_t band) const noexcept {
    return band >= 1 && band <= 3 ? bands_.release[band - 1].load(std::memory_order_relaxed) : 0.0f;
}
float SoundEngine::bandFrequencyCoefficient(int32_t band) const noexcept {
    return band >= 1 && band <= 3 ? bandFilters_->frequencyCoefficient(band - 1) : 0.0f;
}
float SoundEngine::smootherCoefficient(int32_t band) const noexcept {
    return band >= 1 && band <= 3 ? envelopeSmoothers_->coefficient(band - 1) : 0.0f;
}
float SoundEngine::bandEnvelope(int32_t band) const noexcept {
    return band >= 1 && band <= 3 ? bands_.envelope[band - 1] : 0.0f;
}
float SoundEngine::bandPhase(int32_t band) const noexcept {
    return band >= 1 && band <= 3 ? bands_.phase[band - 1] : 0.0f;
}

bool SoundEngine::pathAvailable(VoicePath path) noexcept {
    switch (path) {
    case VoicePath::scalar: return true;
    case VoicePath::lanes: return ZK_ENGINE_SSE != 0;
    case VoicePath::lanesSse41:
#if ZK_ENGINE_SSE && defined(__GNUC__)
        __builtin_cpu_init(); // harmless when the start-up code has run it already
        return __builtin_cpu_supports("sse4.1");
#else
        return false;
#endif
    case VoicePath::lanesAvx:
#if ZK_ENGINE_SSE && defined(__GNUC__)
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx"); // false where the system does not save the AVX registers
#else
        return false;
#endif
    case VoicePath::lanesAvx512:
#if ZK_ENGINE_SSE && defined(__GNUC__)
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
#else
        return false;
#endif
    }
    return false;
}

SoundEngine::VoicePath SoundEngine::fastestPath() noexcept {
    for (VoicePath path : {VoicePath::lanesAvx512, VoicePath::lanesAvx, VoicePath::lanesSse41, VoicePath::lanes})
        if (pathAvailable(path)) return path;
    return VoicePath::scalar;
}

void SoundEngine::processBlock(const float* inL, const float* inR, float* outL, float* outR, int32_t frames,
                               bool replace) noexcept {
    const FlushSubnormalsScope noSubnormals;
    if (replace) processOnPath<true>(inL, inR, outL, outR, frames);
    else processOnPath<false>(inL, inR, outL, outR, frames);
}

template <bool Replace>
void SoundEngine::processOnPath(const float* inL, const float* inR, float* outL, float* outR,
                                int32_t frames) noexcept {
    switch (path_) {
#if ZK_ENGINE_SSE
    case VoicePath::lanesAvx512: return processOn<Replace, VoicePath::lanesAvx512>(inL, inR, outL, outR, frames);
    case VoicePath::lanesAvx: return processOn<Replace, VoicePath::lanesAvx>(inL, inR, outL, outR, frames);
    case VoicePath::lanesSse41: return processOn<Replace, VoicePath::lanesSse41>(inL, inR, outL, outR, frames);
    case VoicePath::lanes: return processOn<Replace, VoicePath::lanes>(inL, inR, outL, outR, frames);
#endif
    default: return processOn<Replace, VoicePath::scalar>(inL, inR, outL, outR, frames);
    }
}

template <bool Replace, SoundEngine::VoicePath Path>
void SoundEngine::processOn(const float* inL, const float* inR, float* outL, float* outR, int32_t frames) noexcept {
#if ZK_ENGINE_SSE
    if constexpr (Path != VoicePath::scalar) {
        if (frames < 4 && !asleep_) { // run() skips silence while asleep
            runShortBlock<Replace, Path>(inL, inR, outL, outR, frames);
            return;
        }
    }
#endif
    run<Replace, Path>(inL, inR, outL, outR, 0, frames);
}

#if ZK_ENGINE_SSE
namespace {
// An output channel that overlaps an input channel without being the same buffer: then
// frame n's output may land on an input sample not read yet, and only frame-by-frame
// processing keeps the order that gives.
bool staggered(const float* in, const float* out, int32_t frames) noexcept {
    const auto i = reinterpret_cast<uintptr_t>(in), o = reinterpret_cast<uintptr_t>(out);
    const uintptr_t bytes = static_cast<uintptr_t>(frames) * sizeof(float);
    return i != o && i < o + bytes && o < i + bytes;
}
} // namespace
#endif

template <bool Replace, SoundEngine::VoicePath Path>
void SoundEngine::run(const float* inL, const float* inR, float* outL, float* outR, int32_t first,
                      int32_t frames) noexcept {
#if ZK_ENGINE_SSE
    const bool chunked = Path != VoicePath::scalar && frames >= 4 && !staggered(inL, outL, frames) &&
                         !staggered(inR, outL, frames) && !staggered(inL, outR, frames) && !staggered(inR, outR, frames);
#endif
    int32_t i = first;
    while (i < frames) {
        if (asleep_) {
            // Skip to the first frame that wakes the engine, sixteen frames per test.
            int32_t j = firstWakingGroup<Path>(inL, inR, i, frames);
            while (j < frames && !wakes(inL + j) && !wakes(inR + j)) ++j;
            for (int32_t k = i; k < j; ++k) writeFrame<Replace>(outL, outR, k, 0.0f, 0.0f);
            i = j;
            if (i == frames) break;
            asleep_ = false;
            silenceCounter_ = 0;
        }
#if ZK_ENGINE_SSE
        if constexpr (Path != VoicePath::scalar) {
            // A chunk must not reach the frame that could put the engine to sleep: the frames
            // after it would not be processed.
            const int32_t n = std::min(frames - i, chunkFrames) & ~3; // whole registers of frames
            if (chunked && n > 0 &&
                static_cast<double>(silenceCounter_) + n <= storedRate_.load(std::memory_order_relaxed)) {
                runChunk<Replace, Path>(inL, inR, outL, outR, i, n);
                i += n;
                continue;
            }
            laneFrameAt<Replace, Path>(inL, inR, outL, outR, i++);
            continue;
        }
#endif
        frameWith<Replace, true>(inL, inR, outL, outR, i++, [this](float xl, float xr, float& l, float& r) {
            scalarVoices(xl, xr);
            mixBands(xl, xr, l, r);
        });
    }
}

void SoundEngine::mixBands(float inL, float inR, float& outL, float& outR) noexcept {
    MixParameters mix;
    readMix(mix);
    mixFrame(mix, bands_.filtered, bands_.preVolume, bands_.voice, inL, inR, outL, outR);
}

void SoundEngine::scalarVoices(float inL, float inR) noexcept {
    // Parameters are read after the frame's events, so a change at this frame is heard now;
    // an idle band reads only its Left and Right.
    // Not zero-filled as a whole (a rep stos per frame): voice() reads only what is set here.
    VoiceParameters v;
    v.fmEvery = 0.0f;
    bool feedbackFm = false;
    for (int b = 0; b < 3; ++b) {
        const int32_t base = bandBase(b);
        const float left = parameter(base + oLeft);
        const float right = parameter(base + oRight);
        bands_.input[b] = left * inL + right * inR;
        v.run[b] = left > 0.0f || right > 0.0f;
        if (!v.run[b]) continue;
        v.mod[b] = parameter(base + oMod);
        v.offset[b] = parameter(base + oOffset);
        v.fmButton[b] = parameter(base + oFmButton);
        if (v.fmButton[b] != 0.0f) {
            feedbackFm = true;
            v.feedbackAm[b] = b < 2 ? parameter(pAm1 + b) : 1.0f; // band 3: no Am (10 x 1 is 10)
            v.oscillatorAm[b] = 0.0f;
        } else {
            v.oscillatorAm[b] = parameter(pAm1 + b);
            v.feedbackAm[b] = 0.0f;
        }
        v.timbre[b] = parameter(base + oTimbre);
        v.sensivity[b] = parameter(base + oSensivity);
        v.volume[b] = parameter(base + oVolume);
    }
    if (feedbackFm) v.fmEvery = parameter(pFmEvery);
    scalarRunCount_ = v.run[0] + v.run[1] + v.run[2];

    // Shared sources, drawn on every processed frame.
    const float mod = modulator_.process();
    const float noise = static_cast<float>(noise_.next()) * noiseScale - 0.5f;
    const float attack = attack_.load(std::memory_order_relaxed);
    const float floatRate = floatRate_.load(std::memory_order_relaxed);
    const float twoPiOverRate = rate_.twoPiOverRate();
    voice<0>(v, mod, noise, attack, floatRate, twoPiOverRate);
    voice<1>(v, mod, noise, attack, floatRate, twoPiOverRate);
    voice<2>(v, mod, noise, attack, floatRate, twoPiOverRate);
}

// One band voice (Band 0..2). An idle band keeps its filter states and phase; its
// envelope, previous output, pre-volume output, voice and filtered signal become 0.
template <int Band>
void SoundEngine::voice(const VoiceParameters& v, float mod, float noise, float attack,
                        float floatRate, float twoPiOverRate) noexcept {
    Bands& s = bands_;
    if (!v.run[Band]) {
        s.envelope[Band] = 0.0f;
        s.previous[Band] = 0.0f;
        s.preVolume[Band] = 0.0f;
        s.voice[Band] = 0.0f;
        s.filtered[Band] = 0.0f;
        return;
    }
    const float filtered = 2.0f * bandFilters_->process(s.input[Band], Band);
    s.filtered[Band] = filtered;

    // Envelope follower: 1 ms attack, the band's own release.
    const float a = std::fabs(filtered);
    float envelope = s.envelope[Band];
    const float release = s.release[Band].load(std::memory_order_relaxed);
    const float k = a > envelope ? attack : release;
    envelope = flush((envelope - a) * k + a);
    // floorFast(x) != 0 exactly when x is not in [0, 1) (NaN included).
    const float lamp = envelope * activityScale[Band];
    const int32_t lit = ((lamp >= 0.0f) & (lamp < 1.0f)) ? 0 : 1 << Band;
    activeBits_.store((activeBits_.load(std::memory_order_relaxed) & ~(1 << Band)) | lit, std::memory_order_relaxed);

    // Pitch bend by the envelope: m is ln of the frequency ratio, e^m to second order.
    const float m = (v.mod[Band] * bendScale[Band] - bendOffset[Band]) * envelope * 0.0577623f;
    const float pitch = (0.5f * m + 1.0f) * m + 1.0f;
    const float offset = v.offset[Band];
    const float frequency = (offset * offset * offset * 7000.0f + 30.0f) * pitch;
    s.phase[Band] = wrapPhase(s.phase[Band] + frequency / floatRate);

    float fm;
    if (v.fmButton[Band] != 0.0f) {
        fm = 10.0f * v.feedbackAm[Band] * v.fmEvery * s.previous[Band] * envelope;
    } else if constexpr (Band == 0) {
        fm = 10.0f * v.oscillatorAm[Band] * envelope * mod;
    } else {
        fm = v.oscillatorAm[Band] * mod;
    }
    const float sine = polySine(wrapPhase(fm * 0.15915507f + s.phase[Band]));
    s.previous[Band] = sine;

    const float timbre = v.timbre[Band];
    timbreFilters_->setTimbreAt(timbre, twoPiOverRate, Band);
    const float coloured = timbreFilters_->process(noise, Band);

    if (envelope * 20.0f < 1.0f - v.sensivity[Band]) envelope = gatedEnvelope[Band];
    envelope = envelopeSmoothers_->process(envelope, Band);
    s.envelope[Band] = envelope;

    const float out = ((1.0f - timbre) * sine + timbre * timbre * coloured) * envelope;
    s.preVolume[Band] = out;
    s.voice[Band] = v.volume[Band] * out + v.volume[Band] * out;
}

#if ZK_ENGINE_SSE
// The lane paths' frame loops for both replace flags, each path's a line.
#define ZK_LANE_RUN(Path)                                                                                          \
    template void SoundEngine::run<true, Path>(const float*, const float*, float*, float*, int32_t, int32_t) noexcept; \
    template void SoundEngine::run<false, Path>(const float*, const float*, float*, float*, int32_t, int32_t) noexcept;
ZK_LANE_RUN(SoundEngine::VoicePath::lanes)
ZK_LANE_RUN(SoundEngine::VoicePath::lanesSse41)
ZK_LANE_RUN(SoundEngine::VoicePath::lanesAvx)
ZK_LANE_RUN(SoundEngine::VoicePath::lanesAvx512)
#undef ZK_LANE_RUN
#endif

} // namespace zk
