#include "bench/PlainEngine.h"

#include "product/ParameterIndex.h"

#include <cfloat>
#include <cmath>

namespace zkbench {

using namespace zk;

namespace {

constexpr float twoPi = 6.28319f;

float flush(float v) { return std::fabs(v) < FLT_MIN ? 0.0f : v; }
float wrap(float y) { return y - std::floor(y + 0.5f); }
float polySine(float p) {
    const float a = std::fabs(p);
    return p * (a - 0.5f) * (a - 0.732963f) * (a + 0.232963f) * 68.5949f;
}
float clamp(float v, float low, float high) { return v < low ? low : (v > high ? high : v); }
// The factor per sample that covers 99 % of a change in that many milliseconds.
float onePercent(double milliseconds, double rate) { return static_cast<float>(std::pow(0.01, 1.0 / (milliseconds * rate * 0.001))); }
int32_t bandIndex(int32_t ofBandOne, int band) { return bandParameter(ofBandOne, band + 1); }

} // namespace

float PlainEngine::OnePole::process(float x) {
    float u = x;
    if (mode == 2) {
        highState = flush((k - 0.01f) * (x - highState) + highState);
        u = x - highState;
    }
    const float d = u - state;
    const float next = d * k + state;
    state = flush(next);
    return mode == 1 ? d : next;
}

float PlainEngine::BandFilter::process(float x) {
    // Four poles, high-pass output.
    float high = x - (band1 * q + low1);
    band1 = flush(high * f + band1);
    low1 = flush(band1 * f + low1);
    out1 = high;
    high = out1 - (band2 * q + low2);
    band2 = flush(high * f + band2);
    low2 = flush(band2 * f + low2);
    out2 = high;
    if (f != smoothed) {
        smoothed = clamp(smoothed, 0.02f, 1.0f);
        if (f > smoothed) smoothed += 0.01f;
        if (f < smoothed) smoothed -= 0.01f;
    }
    smoother = flush((out2 - smoother) * smoothed + smoother);
    if (gainTarget != gain) {
        gain = clamp(gain, 0.103f, 0.67f);
        if (gainTarget > gain) gain += 0.001f;
        if (gainTarget < gain) gain -= 0.001f;
    }
    return gain * smoother;
}

void PlainEngine::Delay::setDelay(float samples) {
    const auto length = static_cast<int32_t>(buffer.size());
    float position = samples > static_cast<float>(length - 1) ? static_cast<float>(write + 1)
                     : samples < 0.0f                          ? static_cast<float>(write)
                                                               : static_cast<float>(write) - samples;
    while (position < 0.0f) position += static_cast<float>(length);
    read = static_cast<int32_t>(position);
    if (read >= length) read = 0;
}

float PlainEngine::Delay::process(float x) {
    const auto length = static_cast<int32_t>(buffer.size());
    buffer[static_cast<size_t>(write)] = x;
    if (++write == length) write = 0;
    const float y = buffer[static_cast<size_t>(read)];
    if (++read == length) read = 0;
    return y;
}

PlainEngine::PlainEngine(const float* parameters, float sampleRate)
    : parameters_(parameters), rate_(sampleRate), twoPiOverRate_(twoPi / sampleRate),
      attack_(onePercent(1.0, sampleRate)) {
    const auto whole = static_cast<size_t>(sampleRate);
    left_.buffer.assign(whole + 1, 0.001f);
    right_.buffer.assign(whole + 1, 0.001f);
    for (int b = 0; b < 3; ++b) {
        bands_[b].timbre.mode = b < 2 ? 2 : 0;
        bands_[b].envelopeSmoother.mode = 0;
    }
    leftDelaySmoother_.k = rightDelaySmoother_.k = clamp(twoPiOverRate_ * 6.0f, 0.02f, 1.0f);
    applySetters();
}

void PlainEngine::applySetters() {
    for (int b = 0; b < 3; ++b) {
        Band& band = bands_[b];
        const float tune = p(bandIndex(paramBand1, b)), fine = p(sideBySideParameter(paramFine1, b + 1));
        const float hz = 40.0f + 4298.0f * tune * tune * tune * (fine + 0.5f);
        band.filter.f = std::fmin(twoPiOverRate_ * hz, 1.0f);
        const double release = p(bandIndex(paramRelease1, b));
        band.release = onePercent(release * release * 400.0, rate_);
        band.envelopeSmoother.k = clamp(twoPiOverRate_ * (1.0f - p(paramSmooth)) * 1000.0f, 0.02f, 1.0f);
    }
    feedbackAmount_ = p(paramFeedback) * p(paramFeedback) * 0.9f;
    const float fmEvery = p(paramFmEvery);
    modStep_ = (fmEvery * fmEvery * 4000.0f + 1000.0f) / rate_;
}

void PlainEngine::voice(int b, float inL, float inR, float mod, float noise) {
    Band& band = bands_[b];
    const float left = p(bandIndex(paramLeft1, b)), right = p(bandIndex(paramRight1, b));
    if (!(left > 0.0f || right > 0.0f)) {
        band.envelope = band.previous = band.preVolume = band.voice = band.filtered = 0.0f;
        return;
    }
    band.filtered = 2.0f * band.filter.process(left * inL + right * inR);

    const float a = std::fabs(band.filtered);
    float envelope = flush((band.envelope - a) * (a > band.envelope ? attack_ : band.release) + a);

    const float mod1 = p(bandIndex(paramMod1, b));
    const float bend = b == 2 ? mod1 * 384.0f - 128.0f : mod1 * 512.0f - 256.0f;
    const float m = bend * envelope * 0.0577623f;
    const float offset = p(bandIndex(paramOffset1, b));
    const float frequency = (offset * offset * offset * 7000.0f + 30.0f) * ((0.5f * m + 1.0f) * m + 1.0f);
    band.phase = wrap(band.phase + frequency / rate_);

    const float am = p(paramAm1 + b);
    float fm;
    if (p(bandIndex(paramFmButton1, b)) != 0.0f) fm = 10.0f * (b == 2 ? 1.0f : am) * p(paramFmEvery) * band.previous * envelope;
    else if (b == 0) fm = 10.0f * am * envelope * mod;
    else fm = am * mod;
    const float sine = polySine(wrap(fm * 0.15915507f + band.phase));
    band.previous = sine;

    const float timbre = p(bandIndex(paramTimbre1, b));
    band.timbre.k = clamp(twoPiOverRate_ * 6500.0f * (timbre * timbre * timbre + 0.03f), 0.01f, 1.0f);
    const float coloured = band.timbre.process(noise);

    if (envelope * 20.0f < 1.0f - p(bandIndex(paramSensitivity1, b))) envelope = b == 0 ? 0.0f : 1e-7f;
    envelope = band.envelopeSmoother.process(envelope);
    band.envelope = envelope;

    const float out = ((1.0f - timbre) * sine + timbre * timbre * coloured) * envelope;
    band.preVolume = out;
    band.voice = 2.0f * p(bandIndex(paramVolume1, b)) * out;
}

void PlainEngine::mix(float inL, float inR, float& outL, float& outR) {
    const float pl1 = p(paramPreListen1), pl2 = p(paramPreListen2), pl3 = p(paramPreListen3);
    if (pl1 != 0.0f || pl2 != 0.0f || pl3 != 0.0f) {
        outL = outR = pl1 * bands_[0].filtered + pl2 * bands_[1].filtered + pl3 * bands_[2].filtered;
        return;
    }
    if (--delayWait_ < 0) {
        delayWait_ = 9;
        const float delay = p(paramDelay), stereo = p(paramStereo);
        const auto whole = static_cast<int32_t>(rate_);
        left_.setDelay(leftDelaySmoother_.process(static_cast<float>(whole) * (delay * delay + 0.14f) -
                                                  static_cast<float>(whole / 24) * stereo * stereo));
        right_.setDelay(rightDelaySmoother_.process(delay * delay * static_cast<float>(whole) + 0.14f));
    }
    float send = 0.0f, l = 0.0f, r = 0.0f;
    for (int b = 0; b < 3; ++b) {
        send += p(bandIndex(paramEffect1, b)) * bands_[b].preVolume;
        const float pan = p(bandIndex(paramPan1, b));
        r += pan * bands_[b].voice;
        l += (1.0f - pan) * bands_[b].voice;
    }
    const float volume = p(paramDelayVolume);
    const float wetL = volume * left_.process(0.5f * feedbackRight_ + feedbackLeft_ + send);
    const float wetR = volume * right_.process(0.5f * feedbackLeft_ + feedbackRight_ + send);
    feedbackLeft_ = clamp(flush(feedbackAmount_ * wetL), -1.0e6f, 1.0e6f);
    feedbackRight_ = clamp(flush(feedbackAmount_ * wetR), -1.0e6f, 1.0e6f);
    const float master = 4.0f * p(paramMaster), dry = p(paramDry);
    outL = master * (wetL + l) + dry * inL;
    outR = master * (wetR + r) + dry * inR;
}

void PlainEngine::process(const float* inL, const float* inR, float* outL, float* outR, int32_t frames) {
    for (int32_t i = 0; i < frames; ++i) {
        const float xl = std::isfinite(inL[i]) ? inL[i] : 0.0f, xr = std::isfinite(inR[i]) ? inR[i] : 0.0f;
        if (asleep_ && std::fabs(xl) <= 0.001f && std::fabs(xr) <= 0.001f) {
            outL[i] = outR[i] = 0.0f;
            continue;
        }
        if (asleep_) asleep_ = false, silence_ = 0;
        modPhase_ += modStep_;
        modPhase_ -= static_cast<float>(static_cast<int32_t>(modPhase_ + 0.5f));
        const float mod = polySine(modPhase_);
        noiseState_ = noiseState_ * 214013u + 2531011u;
        const float noise = static_cast<float>((noiseState_ >> 16) & 0x7FFFu) * (1.0f / 32767.0f) - 0.5f;
        for (int b = 0; b < 3; ++b) voice(b, xl, xr, mod, noise);
        float l, r;
        mix(xl, xr, l, r);
        if (std::fabs(l) < 0.0001f && std::fabs(r) < 0.0001f) {
            if (++silence_ > static_cast<int32_t>(rate_)) asleep_ = true;
        } else {
            silence_ = 0;
        }
        outL[i] = l;
        outR[i] = r;
    }
}

} // namespace zkbench
