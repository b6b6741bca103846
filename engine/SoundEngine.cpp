#include "engine/SoundEngine.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace zk {

namespace {

// Parameter indices. Band n's own parameters sit at bandBase(n) + offset.
constexpr int32_t pMaster = 0;
constexpr int32_t pDry = 1;
constexpr int32_t pStereo = 38;
constexpr int32_t pDelay = 39;
constexpr int32_t pVolume = 41;
constexpr int32_t pFmEvery = 43;
constexpr int32_t pPreListen1 = 44;
constexpr int32_t pAm1 = 47;

constexpr int32_t bandBase(int band) { return 2 + 12 * band; } // band 0..2
constexpr int32_t oLeft = 0, oRight = 1, oMod = 4, oOffset = 5, oFmButton = 6, oTimbre = 7, oSensivity = 8,
                  oEffect = 9, oPan = 10, oVolume = 11;

// Per-band constants of the voice (pitch-bend range, lamp threshold, gated envelope);
// lane 3 is padding.
constexpr float bendScale[4] = {512.0f, 512.0f, 384.0f, 0.0f};
constexpr float bendOffset[4] = {256.0f, 256.0f, 128.0f, 0.0f};
constexpr float activityScale[4] = {20.0f, 20.0f, 21.0f, 20.0f};
constexpr float gatedEnvelope[4] = {0.0f, 1e-7f, 1e-7f, 0.0f};

constexpr float noiseScale = 1.0f / 32767.0f; // 3.0518509e-05
constexpr float wakeLevel = 0.001f;
constexpr int32_t wakeBits = std::bit_cast<int32_t>(wakeLevel);
constexpr float quietLevel = 0.0001f;

// 0.01^(1 / (milliseconds x rate x 0.001)) in double with the float constants widened:
// the per-sample factor that covers 99 % of a change in that many milliseconds.
double onePercentFactor(double milliseconds, double rate) {
    return std::pow(static_cast<double>(0.01f), 1.0 / (milliseconds * rate * static_cast<double>(0.001f)));
}

// Hosts do send NaN and infinities; one such sample would poison every recursive state.
// Subnormal samples become zero of their sign: arithmetic on them is many times slower.
inline float finiteOrZero(float x) noexcept {
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const uint32_t exponent = bits & 0x7F800000u;
    if (exponent == 0x7F800000u) return 0.0f;
    if (exponent == 0) bits &= 0x80000000u;
    std::memcpy(&x, &bits, sizeof bits);
    return x;
}

// The wake test on a raw input sample, non-finite samples counting as 0: on the magnitude's
// bits, integer order is float order, and infinity and NaN lie above the finite values.
inline int32_t wakes(const float* x) noexcept {
    int32_t bits;
    std::memcpy(&bits, x, sizeof bits);
    bits &= 0x7FFFFFFF;
    return (bits > wakeBits) & (bits < 0x7F800000);
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
    delayUpdateCounter_ = 0;
}

void SoundEngine::resetFields() noexcept {
    for (int b = 0; b < laneCount; ++b) {
        bands_.input[b] = 0.0f;
        bands_.filtered[b] = 0.0f;
        bands_.envelope[b] = 0.0f;
        bands_.phase[b] = 0.0f;
        bands_.frequency[b] = 200.0f;
        bands_.pitch[b] = 0.0f;
        bands_.fmAmount[b] = 0.0f;
        bands_.previous[b] = 0.0f;
        bands_.preVolume[b] = 0.0f;
        bands_.voice[b] = 0.0f;
        bands_.release[b].store(0.0f, std::memory_order_relaxed);
    }
    attack_.store(static_cast<float>(onePercentFactor(1.0, storedRate_.load(std::memory_order_relaxed))),
                  std::memory_order_relaxed);
    activeBits_.store(0, std::memory_order_relaxed);
    feedbackAmount_.store(0.0f, std::memory_order_relaxed);
    feedbackLeft_ = feedbackRight_ = 0.0f;
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
    }
    return false;
}

SoundEngine::VoicePath SoundEngine::fastestPath() noexcept {
    for (VoicePath path : {VoicePath::lanesSse41, VoicePath::lanes})
        if (pathAvailable(path)) return path;
    return VoicePath::scalar;
}

void SoundEngine::processBlock(const float* inL, const float* inR, float* outL, float* outR, int32_t frames,
                               bool replace) noexcept {
    switch (path_) {
#if ZK_ENGINE_SSE
    case VoicePath::lanesSse41:
        if (replace) run<true, VoicePath::lanesSse41>(inL, inR, outL, outR, frames);
        else run<false, VoicePath::lanesSse41>(inL, inR, outL, outR, frames);
        return;
    case VoicePath::lanes:
        if (replace) run<true, VoicePath::lanes>(inL, inR, outL, outR, frames);
        else run<false, VoicePath::lanes>(inL, inR, outL, outR, frames);
        return;
#endif
    default:
        if (replace) run<true, VoicePath::scalar>(inL, inR, outL, outR, frames);
        else run<false, VoicePath::scalar>(inL, inR, outL, outR, frames);
    }
}

template <bool Replace, SoundEngine::VoicePath Path>
void SoundEngine::run(const float* inL, const float* inR, float* outL, float* outR, int32_t frames) noexcept {
    int32_t i = 0;
    while (i < frames) {
        if (asleep_) {
            // Skip to the first frame that wakes the engine, sixteen frames per test.
            int32_t j = i;
            for (; j + 16 <= frames; j += 16) {
                int32_t any = 0;
                for (int k = 0; k < 16; ++k) any |= wakes(inL + j + k) | wakes(inR + j + k);
                if (any) break;
            }
            while (j < frames && !wakes(inL + j) && !wakes(inR + j)) ++j;
            for (int32_t k = i; k < j; ++k) {
                if constexpr (Replace) {
                    outL[k] = 0.0f;
                    outR[k] = 0.0f;
                } else {
                    outL[k] = outL[k] + 0.0f;
                    outR[k] = outR[k] + 0.0f;
                }
            }
            i = j;
            if (i == frames) break;
            asleep_ = false;
            silenceCounter_ = 0;
        }
        // Input first: with in-place buffers the output overwrites it.
        const float xl = finiteOrZero(inL[i]);
        const float xr = finiteOrZero(inR[i]);
        float l, r;
        computeFrame<Path>(i, xl, xr, l, r);
        if constexpr (Replace) {
            outL[i] = l;
            outR[i] = r;
        } else {
            outL[i] = outL[i] + l;
            outR[i] = outR[i] + r;
        }
        ++i;
    }
}

template <SoundEngine::VoicePath Path>
void SoundEngine::computeFrame(int32_t frameIndex, float inL, float inR, float& outL, float& outR) noexcept {
    host_.handlePendingEvents(frameIndex);
#if ZK_ENGINE_SSE
    if constexpr (Path != VoicePath::scalar) simdVoices<Path == VoicePath::lanesSse41>(inL, inR);
    else
#endif
        scalarVoices(inL, inR);


    const float pl1 = parameter(pPreListen1);
    const float pl2 = parameter(pPreListen1 + 1);
    const float pl3 = parameter(pPreListen1 + 2);
    float l, r;
    if (pl1 != 0.0f || pl2 != 0.0f || pl3 != 0.0f) {
        l = r = pl2 * bands_.filtered[1] + pl3 * bands_.filtered[2] + pl1 * bands_.filtered[0];
    } else {
        normalMix(inL, inR, l, r);
    }

    if (std::fabs(l) < quietLevel && std::fabs(r) < quietLevel) {
        ++silenceCounter_;
    } else {
        silenceCounter_ = 0;
    }
    if (silenceCounter_ > storedRate_.load(std::memory_order_relaxed)) asleep_ = true;
    outL = l;
    outR = r;
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

#if ZK_ENGINE_SSE
// Parameters a, b and c in lanes 0..2, 0 in lane 3: movss from memory zero-fills, so two
// shuffles gather them.
__m128 SoundEngine::parameterLanes(int32_t a, int32_t b, int32_t c) const noexcept {
    return _mm_movelh_ps(_mm_unpacklo_ps(host_.engineParameterLane0(a), host_.engineParameterLane0(b)),
                         host_.engineParameterLane0(c));
}
__m128 SoundEngine::bandLanes(int32_t offset) const noexcept {
    return parameterLanes(bandBase(0) + offset, bandBase(1) + offset, bandBase(2) + offset);
}

// The three voices as lanes 0..2 of one register, every operation in the order of voice()
// so that each lane gives the scalar bits. Every band's parameters are read (a read has no
// side effect); an idle lane's results are discarded as voice() discards them.
template <bool Sse41>
void SoundEngine::simdVoices(float inL, float inR) noexcept {
    // One running band is cheaper alone; with all three (the common case for lanes) the
    // keep-the-old-state blends fold away. Both paths give the same bits, so the choice may
    // follow the last frame: while fewer than two bands ran, the scalar code goes first
    // (without the gathering below) and tells how many run now.
    if (scalarRunCount_ < 2) {
        scalarVoices(inL, inR);
        return;
    }
    const __m128 left = bandLanes(oLeft), right = bandLanes(oRight);
    const __m128 zero = _mm_setzero_ps();
    const int runBits = _mm_movemask_ps(_mm_or_ps(_mm_cmpgt_ps(left, zero), _mm_cmpgt_ps(right, zero)));
    if (runBits == 7) laneVoices<true, Sse41>(inL, inR, left, right);
    else if (std::popcount(static_cast<unsigned>(runBits)) == 2) laneVoices<false, Sse41>(inL, inR, left, right);
    else scalarVoices(inL, inR);
}

template <bool AllRun, bool Sse41>
void SoundEngine::laneVoices(float inL, float inR, __m128 left, __m128 right) noexcept {
    using namespace lanes;
    const auto band = [this](int32_t offset) { return bandLanes(offset); };
    const F4 input = _mm_add_ps(_mm_mul_ps(left, splat(inL)), _mm_mul_ps(right, splat(inR)));
    _mm_store_ps(bands_.input, input);
    // All running: lane 3 (padding, never read) runs too, so that the mask is constant.
    const F4 run = AllRun ? _mm_castsi128_ps(_mm_set1_epi32(-1))
                          : _mm_or_ps(_mm_cmpgt_ps(left, _mm_setzero_ps()), _mm_cmpgt_ps(right, _mm_setzero_ps()));
    const int runBits = _mm_movemask_ps(run);
    const F4 modDepth = band(oMod), offset = band(oOffset), fmButton = band(oFmButton);
    const F4 am = parameterLanes(pAm1, pAm1 + 1, pAm1 + 2);
    const F4 timbre = band(oTimbre), sensivity = band(oSensivity), volume = band(oVolume);
    const float fmEvery = parameter(pFmEvery);

    const float modValue = modulator_.process();
    const float noise = static_cast<float>(noise_.next()) * noiseScale - 0.5f;
    const F4 mod = splat(modValue);
    Bands& s = bands_;

    const F4 filtered = _mm_mul_ps(constant<floatBits(2.0f)>(), bandFilters_->processLanes(input, run));
    _mm_store_ps(s.filtered, keep(run, filtered));

    // Envelope follower, lamp, pitch and phase.
    const F4 a = abs(filtered);
    const F4 envelope0 = _mm_load_ps(s.envelope);
    const F4 k = select(_mm_cmpgt_ps(a, envelope0), splat(attack_.load(std::memory_order_relaxed)),
                        load(s.release));
    F4 envelope = flush(_mm_add_ps(_mm_mul_ps(_mm_sub_ps(envelope0, a), k), a));
    const F4 lamp = _mm_mul_ps(envelope, _mm_setr_ps(activityScale[0], activityScale[1], activityScale[2], activityScale[3]));
    const int dark = _mm_movemask_ps(_mm_and_ps(_mm_cmpge_ps(lamp, _mm_setzero_ps()), _mm_cmplt_ps(lamp, constant<floatBits(1.0f)>())));
    // Idle bands keep their lamps. The audio thread is the only writer.
    const int32_t lit = ~dark & runBits & 7;
    if constexpr (AllRun) activeBits_.store(lit, std::memory_order_relaxed);
    else activeBits_.store((activeBits_.load(std::memory_order_relaxed) & ~runBits) | lit, std::memory_order_relaxed);

    const F4 m = _mm_mul_ps(
        _mm_mul_ps(_mm_sub_ps(_mm_mul_ps(modDepth, _mm_setr_ps(bendScale[0], bendScale[1], bendScale[2], bendScale[3])),
                              _mm_setr_ps(bendOffset[0], bendOffset[1], bendOffset[2], bendOffset[3])),
                   envelope),
        constant<floatBits(0.0577623f)>());
    const F4 pitch = _mm_add_ps(_mm_mul_ps(_mm_add_ps(_mm_mul_ps(constant<floatBits(0.5f)>(), m), constant<floatBits(1.0f)>()), m), constant<floatBits(1.0f)>());
    const F4 frequency = _mm_mul_ps(
        _mm_add_ps(_mm_mul_ps(_mm_mul_ps(_mm_mul_ps(offset, offset), offset), constant<floatBits(7000.0f)>()), constant<floatBits(30.0f)>()), pitch);
    const F4 phase0 = _mm_load_ps(s.phase);
    const F4 phase1 = _mm_add_ps(phase0, _mm_div_ps(frequency, splat(floatRate_.load(std::memory_order_relaxed))));
    // roundps gives -0 where floorFast gives +0, but only for -0 + 0.5 = -0 (rounding
    // downwards), where the wrap subtracts it from -0.5: the bits do not differ.
    const F4 phase = _mm_sub_ps(phase1, floorLanes<Sse41>(_mm_add_ps(phase1, constant<floatBits(0.5f)>())));
    _mm_store_ps(s.pitch, select(run, pitch, _mm_load_ps(s.pitch)));
    _mm_store_ps(s.frequency, select(run, frequency, _mm_load_ps(s.frequency)));
    _mm_store_ps(s.phase, select(run, phase, phase0));

    // FM: feedback of the previous output, else the modulator (band 1 scaled by its envelope).
    const F4 fmFirst = _mm_mul_ps(_mm_mul_ps(_mm_mul_ps(constant<floatBits(10.0f)>(), am), envelope), mod);
    F4 fm = _mm_move_ss(_mm_mul_ps(am, mod), fmFirst); // band 1: fmFirst
    // Feedback FM only where a band asks for it: otherwise the previous output would chain
    // every frame to the one before through the sine.
    const F4 feedback = _mm_cmpneq_ps(fmButton, _mm_setzero_ps());
    if (_mm_movemask_ps(feedback) != 0) {
        const F4 lane2 = _mm_castsi128_ps(_mm_setr_epi32(0, 0, -1, 0));
        const F4 feedbackAm = select(lane2, constant<floatBits(1.0f)>(), am); // band 3: no Am
        const F4 fmFeedback = _mm_mul_ps(
            _mm_mul_ps(_mm_mul_ps(_mm_mul_ps(constant<floatBits(10.0f)>(), feedbackAm), splat(fmEvery)), _mm_load_ps(s.previous)),
            envelope);
        fm = select(feedback, fmFeedback, fm);
    }
    _mm_store_ps(s.fmAmount, select(run, fm, _mm_load_ps(s.fmAmount)));
    const F4 p1 = _mm_add_ps(_mm_mul_ps(fm, constant<floatBits(0.15915507f)>()), phase);
    const F4 p = _mm_sub_ps(p1, floorLanes<Sse41>(_mm_add_ps(p1, constant<floatBits(0.5f)>())));
    const F4 pa = abs(p);
    const F4 sine = _mm_mul_ps(_mm_mul_ps(_mm_mul_ps(_mm_mul_ps(p, _mm_sub_ps(pa, constant<floatBits(0.5f)>())),
                                                     _mm_sub_ps(pa, constant<floatBits(0.732963f)>())),
                                          _mm_add_ps(pa, constant<floatBits(0.232963f)>())),
                               constant<floatBits(68.5949f)>());
    _mm_store_ps(s.previous, keep(run, sine));

    const F4 timbreK = OnePoleLanes<laneCount>::timbreCoefficientLanes(timbre, rate_.twoPiOverRate());
    const F4 coloured = timbreFilters_->processLanesWith(splat(noise), timbreK, run);

    const F4 gate = _mm_cmplt_ps(_mm_mul_ps(envelope, constant<floatBits(20.0f)>()), _mm_sub_ps(constant<floatBits(1.0f)>(), sensivity));
    envelope = select(gate, _mm_setr_ps(gatedEnvelope[0], gatedEnvelope[1], gatedEnvelope[2], gatedEnvelope[3]),
                      envelope);
    envelope = envelopeSmoothers_->processLanes(envelope, run);
    _mm_store_ps(s.envelope, keep(run, envelope));

    const F4 out = _mm_mul_ps(_mm_add_ps(_mm_mul_ps(_mm_sub_ps(constant<floatBits(1.0f)>(), timbre), sine),
                                         _mm_mul_ps(_mm_mul_ps(timbre, timbre), coloured)),
                              envelope);
    _mm_store_ps(s.preVolume, keep(run, out));
    _mm_store_ps(s.voice, keep(run, _mm_add_ps(_mm_mul_ps(volume, out), _mm_mul_ps(volume, out))));
}
#endif

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
    s.pitch[Band] = (0.5f * m + 1.0f) * m + 1.0f;
    const float offset = v.offset[Band];
    s.frequency[Band] = (offset * offset * offset * 7000.0f + 30.0f) * s.pitch[Band];
    s.phase[Band] = wrapPhase(s.phase[Band] + s.frequency[Band] / floatRate);

    float fm;
    if (v.fmButton[Band] != 0.0f) {
        fm = 10.0f * v.feedbackAm[Band] * v.fmEvery * s.previous[Band] * envelope;
    } else if constexpr (Band == 0) {
        fm = 10.0f * v.oscillatorAm[Band] * envelope * mod;
    } else {
        fm = v.oscillatorAm[Band] * mod;
    }
    s.fmAmount[Band] = fm;
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

void SoundEngine::normalMix(float inL, float inR, float& outL, float& outR) noexcept {
    const Bands& s = bands_;
    // Every read first, so that no value is held across a call.
    const bool updateDelay = delayUpdateCounter_ == 0;
    float delay = 0.0f, stereo = 0.0f;
    if (updateDelay) {
        delay = parameter(pDelay);
        stereo = parameter(pStereo);
    }
    const float effect2 = parameter(bandBase(1) + oEffect);
    const float effect3 = parameter(bandBase(2) + oEffect);
    const float effect1 = parameter(bandBase(0) + oEffect);
    const float volume = parameter(pVolume);
    const float pan1 = parameter(bandBase(0) + oPan);
    const float pan2 = parameter(bandBase(1) + oPan);
    const float pan3 = parameter(bandBase(2) + oPan);
    const float master = parameter(pMaster);
    const float dry = parameter(pDry);

    if (updateDelay) {
        const int32_t whole = wholeRate_.load(std::memory_order_relaxed);
        delayTime_ = delay * delay + 0.14f;
        stereoAmount_ = stereo * stereo;
        // Left: 0.14 s inside the scaling; right: 0.14 samples after it.
        const float leftTarget = leftDelaySmoother_->process(static_cast<float>(whole) * delayTime_ -
                                                             static_cast<float>(whole / 24) * stereoAmount_);
        leftLine_->setDelay(leftTarget);
        const float rightTarget = rightDelaySmoother_->process(delay * delay * static_cast<float>(whole) + 0.14f);
        rightLine_->setDelay(rightTarget);
    }
    if (++delayUpdateCounter_ > 9) delayUpdateCounter_ = 0;

    const float send = effect2 * s.preVolume[1] + effect3 * s.preVolume[2] + effect1 * s.preVolume[0];
    float l = volume * leftLine_->process(0.5f * feedbackRight_ + feedbackLeft_ + send);
    float r = volume * rightLine_->process(0.5f * feedbackLeft_ + feedbackRight_ + send);
    const float feedback = feedbackAmount_.load(std::memory_order_relaxed);
    feedbackLeft_ = flush(feedback * l);
    feedbackRight_ = flush(feedback * r);

    r = r + pan2 * s.voice[1] + pan3 * s.voice[2] + pan1 * s.voice[0];
    l = l + (1.0f - pan3) * s.voice[2] + (1.0f - pan1) * s.voice[0] + (1.0f - pan2) * s.voice[1];

    outL = master * l * 4.0f + dry * inL;
    outR = master * r * 4.0f + dry * inR;
}

} // namespace zk
