#include "engine/SoundEngine.h"

#include "engine/ParameterCurves.h"
#include "engine/VoiceConstants.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <iterator>

namespace zk {

using namespace voice;

namespace {

// 0.01^(1 / (milliseconds x rate x 0.001)) in double with the float constants widened:
// the per-sample factor that covers 99 % of a change in that many milliseconds.
double onePercentFactor(double milliseconds, double rate) {
    return std::pow(static_cast<double>(0.01f), 1.0 / (milliseconds * rate * static_cast<double>(0.001f)));
}

} // namespace

SoundEngine::SoundEngine(EngineHost& host) : host_(host) {
    // A complete engine from the start, so that nothing is ever missing; the effect sets it
    // up again for its own rate.
    initEngine(SampleRateContext::defaultRate);
}

void SoundEngine::storeRate(double sampleRate) noexcept {
    storedRate_.store(sampleRate, std::memory_order_relaxed);
    // A count above the rate is one above its whole part.
    quietLimit_.store(truncateToInt(std::floor(sampleRate)), std::memory_order_relaxed);
}

void SoundEngine::initEngine(double sampleRate) {
    storeRate(sampleRate);
    rate_.setRate(static_cast<float>(sampleRate));
    asleep_ = true;

    // Building any block puts the rate back to 44100, so everything below is configured at
    // 44100 until the first resume adopts the host's rate. The voices run the filters with
    // this set-up as constants (see runChunk()).
    bandFilters_.emplace(rate_);
    envelopeSmoothers_.emplace(rate_);
    timbreFilters_.emplace(rate_);
    for (int b = 0; b < 4; ++b) {
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

    for (int b = 0; b < 4; ++b) {
        envelope_[b] = phase_[b] = previous_[b] = 0.0f;
        release_[b].store(0.0f, std::memory_order_relaxed);
    }
    attack_.store(static_cast<float>(onePercentFactor(1.0, sampleRate)), std::memory_order_relaxed);
    activeBits_.store(0, std::memory_order_relaxed);
    feedbackAmount_.store(0.0f, std::memory_order_relaxed);
    feedback_[0] = feedback_[1] = 0.0f;
    silenceCounter_ = 0;
    noise_.seed(1);
    modulator_.setSampleRate(static_cast<float>(sampleRate));
    modulator_.setFrequency(2000.0f);
    floatRate_.store(static_cast<float>(sampleRate), std::memory_order_relaxed);
    delayUpdateWait_ = 0;
    settings_.values = -1;
    rampsRest_ = false;
}

void SoundEngine::adoptSampleRate(double sampleRate, bool effectReady) {
    storeRate(sampleRate);
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
    bandFilters_->setFrequency(curves::bandTuningHz(bandValue, fineValue), band - 1);
}

void SoundEngine::setRelease(int32_t band, float releaseValue) noexcept {
    if (band < 1 || band > 3) return;
    // Release 0 gives 0.01^inf = 0: the envelope falls at once.
    const double k = onePercentFactor(curves::releaseMilliseconds(releaseValue), storedRate_.load(std::memory_order_relaxed));
    release_[band - 1].store(static_cast<float>(k), std::memory_order_relaxed);
}

void SoundEngine::setFeedback(float feedbackValue) noexcept {
    feedbackAmount_.store(curves::feedbackAmount(feedbackValue), std::memory_order_relaxed);
}

void SoundEngine::setSmooth(float smoothValue) noexcept {
    for (int b = 0; b < 3; ++b) envelopeSmoothers_->setCutoff(curves::smoothCutoffHz(smoothValue), b);
}

void SoundEngine::setFmEvery(float fmEveryValue) noexcept {
    modulator_.setFrequency(curves::fmFrequencyHz(fmEveryValue));
}

float SoundEngine::bandFrequencyCoefficient(int32_t band) const noexcept {
    return band >= 1 && band <= 3 ? bandFilters_->frequencyCoefficient(band - 1) : 0.0f;
}
float SoundEngine::bandEnvelope(int32_t band) const noexcept {
    return band >= 1 && band <= 3 ? envelope_[band - 1] : 0.0f;
}
float SoundEngine::bandPhase(int32_t band) const noexcept {
    return band >= 1 && band <= 3 ? phase_[band - 1] : 0.0f;
}

const char* SoundEngine::pathName(VoicePath path) noexcept {
    switch (path) {
    case VoicePath::scalar: return "scalar";
    case VoicePath::lanes: return ZK_ENGINE_NEON ? "neon" : "sse2";
    case VoicePath::lanesSse41: return "sse41";
    case VoicePath::lanesAvx512: return "avx512";
    }
    return "";
}

bool SoundEngine::pathAvailable(VoicePath path) noexcept {
    if (std::find(std::begin(voicePaths), std::end(voicePaths), path) == std::end(voicePaths)) return false;
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    __builtin_cpu_init(); // harmless when the start-up code has run it already
    if (path == VoicePath::lanesSse41) return __builtin_cpu_supports("sse4.1");
    if (path == VoicePath::lanesAvx512) return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
#endif
    return path == VoicePath::scalar || path == VoicePath::lanes;
}

SoundEngine::VoicePath SoundEngine::fastestPath() noexcept {
    VoicePath fastest = VoicePath::scalar;
    for (VoicePath path : voicePaths)
        if (pathAvailable(path)) fastest = path;
    return fastest;
}

void SoundEngine::readSettings() noexcept {
    Settings& s = settings_;
    s.values = host_.valueGeneration(); // first: values read after it are at least as new
    rampsRest_ = false;
    const float twoPiOverRate = rate_.twoPiOverRate();
    s.rateBits = std::bit_cast<uint32_t>(twoPiOverRate);
    const float fmEvery = parameter(pFmEvery);
    for (int b = 0; b < 4; ++b) {
        const auto band = [&](int32_t offset) { return b < 3 ? parameter(bandBase(b) + offset) : 0.0f; };
        const float left = band(oLeft), right = band(oRight), offset = band(oOffset), timbre = band(oTimbre);
        const float am = b < 3 ? parameter(pAm1 + b) : 0.0f;
        s.left[b] = left;
        s.right[b] = right;
        s.run[b] = left > 0.0f || right > 0.0f ? -1 : 0;
        s.timbreCoefficient[b] = OnePoleFilter::timbreCoefficient(twoPiOverRate, timbre);
        s.gateLevel[b] = curves::gateLevel(band(oSensivity));
        s.bend[b] = curves::bendFigure(b, band(oMod));
        s.baseFrequency[b] = curves::basePitchHz(offset);
        s.oscillatorDepth[b] = b == 0 ? 10.0f * am : am; // band 1 also scales by its envelope
        s.feedback[b] = band(oFmButton) != 0.0f ? -1 : 0;
        s.feedbackDepth[b] = 10.0f * (b == 2 ? 1.0f : am) * fmEvery; // band 3: no Am
        s.sineShare[b] = 1.0f - timbre;
        s.noiseShare[b] = timbre * timbre;
        s.volume[b] = band(oVolume);
        s.effect[b] = band(oEffect);
        s.pan[b] = band(oPan);
        s.away[b] = 1.0f - s.pan[b];
        s.preListen[b] = b < 3 ? parameter(pPreListen1 + b) : 0.0f;
    }
    s.runBits = (s.run[0] & 1) | (s.run[1] & 2) | (s.run[2] & 4);
    s.preListening = s.preListen[0] != 0.0f || s.preListen[1] != 0.0f || s.preListen[2] != 0.0f;
    s.anyFeedback = s.feedback[0] || s.feedback[1] || s.feedback[2];
    s.delay = parameter(pDelay);
    s.stereo = parameter(pStereo);
    s.delayVolume = parameter(pVolume);
    s.master = parameter(pMaster);
    s.dry = parameter(pDry);
    s.feedbackAmount = feedbackAmount_.load(std::memory_order_relaxed);
}

void SoundEngine::glideDelayTimes(float& left, float& right) noexcept {
    const Settings& s = settings_;
    const int32_t whole = wholeRate_.load(std::memory_order_relaxed);
    left = leftDelaySmoother_->process(curves::leftDelaySamples(s.delay, s.stereo, whole));
    right = rightDelaySmoother_->process(curves::rightDelaySamples(s.delay, whole));
}

} // namespace zk
