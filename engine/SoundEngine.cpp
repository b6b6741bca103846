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
inline float finiteOrZero(float x) noexcept {
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return (bits & 0x7F800000u) == 0x7F800000u ? 0.0f : x;
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
        bands_.active[b].store(0, std::memory_order_relaxed);
    }
    attack_.store(static_cast<float>(onePercentFactor(1.0, storedRate_.load(std::memory_order_relaxed))),
                  std::memory_order_relaxed);
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
    return bands_.active[band - 1].load(std::memory_order_relaxed);
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

void SoundEngine::processBlock(const float* inL, const float* inR, float* outL, float* outR, int32_t frames,
                               bool replace) noexcept {
    if (replace) run<true>(inL, inR, outL, outR, frames);
    else run<false>(inL, inR, outL, outR, frames);
}

template <bool Replace>
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
        computeFrame(i, xl, xr, l, r);
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

void SoundEngine::computeFrame(int32_t frameIndex, float inL, float inR, float& outL, float& outR) noexcept {
    host_.handlePendingEvents(frameIndex);

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

    // Shared sources, drawn on every processed frame.
    const float mod = modulator_.process();
    const float noise = static_cast<float>(noise_.next()) * noiseScale - 0.5f;
    const float attack = attack_.load(std::memory_order_relaxed);
    const float floatRate = floatRate_.load(std::memory_order_relaxed);
    const float twoPiOverRate = rate_.twoPiOverRate();
    voice<0>(v, mod, noise, attack, floatRate, twoPiOverRate);
    voice<1>(v, mod, noise, attack, floatRate, twoPiOverRate);
    voice<2>(v, mod, noise, attack, floatRate, twoPiOverRate);

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
    s.active[Band].store((lamp >= 0.0f) & (lamp < 1.0f) ? 0 : 1, std::memory_order_relaxed);

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
