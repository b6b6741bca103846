#pragma once

// The parts of a frame that the engine's frame-by-frame loop and its chunked lane loop
// share: input sanitising, the output mix and the silence count. Included by the engine's
// own sources only.

#include "engine/SoundEngine.h"
#include "engine/VoiceConstants.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zk {

// Hosts do send NaN and infinities; one such sample would poison every recursive state.
// Subnormal samples become zero of their sign: arithmetic on them is many times slower.
inline float finiteOrZero(float x) noexcept {
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const uint32_t exponent = bits & 0x7F800000u;
    if (exponent - 0x00800000u < 0x7F000000u) return x; // normal: the usual case first
    if (exponent == 0x7F800000u) return 0.0f;
    if (exponent == 0) bits &= 0x80000000u;
    std::memcpy(&x, &bits, sizeof bits);
    return x;
}

// One output frame: replacing the buffers' contents, or added to them.
template <bool Replace>
[[gnu::always_inline]] inline void writeFrame(float* outL, float* outR, int32_t i, float l, float r) noexcept {
    if constexpr (Replace) {
        outL[i] = l;
        outR[i] = r;
    } else {
        outL[i] = outL[i] + l;
        outR[i] = outR[i] + r;
    }
}

// One frame outside chunks: the input check, the frame's events (unless the caller knows
// that none is pending), `voicesAndMix(inL, inR, outL, outR)`, the silence count and the
// output.
template <bool Replace, bool Events, class VoicesAndMix>
[[gnu::always_inline]] inline void SoundEngine::frameWith(const float* inL, const float* inR, float* outL,
                                                          float* outR, int32_t i,
                                                          VoicesAndMix voicesAndMix) noexcept {
    // Input first: with in-place buffers the output overwrites it.
    const float xl = finiteOrZero(inL[i]);
    const float xr = finiteOrZero(inR[i]);
    if (Events && host_.eventsPending()) host_.handlePendingEvents(i);
    float l, r;
    voicesAndMix(xl, xr, l, r);
    countSilence(l, r);
    writeFrame<Replace>(outL, outR, i, l, r);
}

// Every value the mix reads, read after the frame's events. Delay and Stereo are used only
// every tenth frame; reading them always costs less than a branch.
inline void SoundEngine::readMix(MixParameters& m) const noexcept {
    using namespace voice;
    for (int b = 0; b < 3; ++b) {
        m.preListen[b] = parameter(pPreListen1 + b);
        m.effect[b] = parameter(bandBase(b) + oEffect);
        m.pan[b] = parameter(bandBase(b) + oPan);
    }
    m.delay = parameter(pDelay);
    m.stereo = parameter(pStereo);
    m.delayVolume = parameter(pVolume);
    m.master = parameter(pMaster);
    m.dry = parameter(pDry);
    m.feedbackAmount = feedbackAmount_.load(std::memory_order_relaxed);
}

inline void SoundEngine::mixFrame(const MixParameters& m, const float* filtered, const float* preVolume,
                                  const float* voice, float inL, float inR, float& outL, float& outR) noexcept {
    const float* pl = m.preListen;
    if (pl[0] != 0.0f || pl[1] != 0.0f || pl[2] != 0.0f) {
        outL = outR = pl[1] * filtered[1] + pl[2] * filtered[2] + pl[0] * filtered[0];
        return;
    }
    normalMix(m, preVolume, voice, inL, inR, outL, outR);
}

// Every tenth frame of the normal mix the delay times glide towards Delay and Stereo: true
// on those frames, with the lines' new delays in `left` and `right`. `wait` is the number
// of frames before the next such frame.
inline bool SoundEngine::nextDelayTimes(int32_t& wait, float delay, float stereo, float& left,
                                        float& right) noexcept {
    const bool update = --wait < 0;
    if (update) {
        wait = delayUpdateInterval - 1;
        glideDelayTimes(delay, stereo, left, right);
    }
    return update;
}

// One step of the delay times' glide.
inline void SoundEngine::glideDelayTimes(float delay, float stereo, float& left, float& right) noexcept {
    const int32_t whole = wholeRate_.load(std::memory_order_relaxed);
    delayTime_ = delay * delay + 0.14f;
    stereoAmount_ = stereo * stereo;
    // Left: 0.14 s inside the scaling; right: 0.14 samples after it.
    left = leftDelaySmoother_->process(static_cast<float>(whole) * delayTime_ -
                                       static_cast<float>(whole / 24) * stereoAmount_);
    right = rightDelaySmoother_->process(delay * delay * static_cast<float>(whole) + 0.14f);
}

inline void SoundEngine::stepDelayTimes(float delay, float stereo) noexcept {
    float left, right;
    if (nextDelayTimes(delayUpdateWait_, delay, stereo, left, right)) {
        leftLine_->setDelay(left);
        rightLine_->setDelay(right);
    }
}

// The cross-feedback loop gains 1.5 x Volume x feedback amount per round, more than 1 at
// the top of the ranges, so a held echo can grow without end. Held at a level far above
// full scale it stays finite instead of reaching infinity, which would leave NaN in the
// lines for good; nothing below that level changes.
inline float limitFeedback(float v) noexcept {
    constexpr float limit = 1.0e6f;
    return std::min(std::max(v, -limit), limit);
}

// One frame of the delay: the send goes in with the cross-feedback values (kept by the
// caller, so that a run of frames holds them in registers), the scaled return comes out.
// The lines are DelayLines or their Runs.
template <class Line>
inline void SoundEngine::delayReturn(Line& left, Line& right, float send, float volume, float feedback,
                                     float& feedbackLeft, float& feedbackRight, float& l, float& r) noexcept {
    l = volume * left.process(0.5f * feedbackRight + feedbackLeft + send);
    r = volume * right.process(0.5f * feedbackLeft + feedbackRight + send);
    feedbackLeft = limitFeedback(flush(feedback * l));
    feedbackRight = limitFeedback(flush(feedback * r));
}

inline void SoundEngine::normalMix(const MixParameters& m, const float* preVolume, const float* voice, float inL,
                                   float inR, float& outL, float& outR) noexcept {
    stepDelayTimes(m.delay, m.stereo);
    const float send = m.effect[1] * preVolume[1] + m.effect[2] * preVolume[2] + m.effect[0] * preVolume[0];
    float l, r;
    delayReturn(*leftLine_, *rightLine_, send, m.delayVolume, m.feedbackAmount, feedback_[0], feedback_[1], l, r);

    r = r + m.pan[1] * voice[1] + m.pan[2] * voice[2] + m.pan[0] * voice[0];
    l = l + (1.0f - m.pan[2]) * voice[2] + (1.0f - m.pan[0]) * voice[0] + (1.0f - m.pan[1]) * voice[1];

    outL = m.master * l * 4.0f + m.dry * inL;
    outR = m.master * r * 4.0f + m.dry * inR;
}

// More than a second of quiet frames puts the engine to sleep from the next frame.
inline void SoundEngine::countSilence(float l, float r) noexcept {
    constexpr float quietLevel = 0.0001f;
    if (std::fabs(l) < quietLevel && std::fabs(r) < quietLevel) {
        if (++silenceCounter_ > storedRate_.load(std::memory_order_relaxed)) asleep_ = true;
    } else {
        silenceCounter_ = 0; // a rate is positive: no sleep on a loud frame
    }
}

#if ZK_ENGINE_SSE
// Parameters a, b and c in lanes 0..2, 0 in lane 3: movss from memory zero-fills, so two
// shuffles gather them.
inline __m128 SoundEngine::parameterLanes(int32_t a, int32_t b, int32_t c) const noexcept {
    return _mm_movelh_ps(_mm_unpacklo_ps(host_.engineParameterLane0(a), host_.engineParameterLane0(b)),
                         host_.engineParameterLane0(c));
}
inline __m128 SoundEngine::bandLanes(int32_t offset) const noexcept {
    using namespace voice;
    return parameterLanes(bandBase(0) + offset, bandBase(1) + offset, bandBase(2) + offset);
}

// A frame's per-band values, each as the lanes of bands 1..3 that `band(offset)` gives.
template <class FrameValues, class Band>
[[gnu::always_inline]] inline void setBandValues(FrameValues& p, Band band) noexcept {
    using namespace voice;
    p.modDepth = band(oMod);
    p.offset = band(oOffset);
    p.fmButton = band(oFmButton);
    p.timbre = band(oTimbre);
    p.sensivity = band(oSensivity);
    p.effect = band(oEffect);
    p.pan = band(oPan);
    p.volume = band(oVolume);
}

// Every band's parameters are read (a read has no side effect).
inline void SoundEngine::readFrameOneByOne(FrameParameters& p, __m128 left, __m128 right) const noexcept {
    using namespace voice;
    p.left = left;
    p.right = right;
    setBandValues(p, [this](int32_t offset) { return bandLanes(offset); });
    p.am = parameterLanes(pAm1, pAm1 + 1, pAm1 + 2);
    p.preListen = parameterLanes(pPreListen1, pPreListen1 + 1, pPreListen1 + 2);
    p.fmEvery = parameter(pFmEvery);
    p.master = parameter(pMaster);
    p.dry = parameter(pDry);
    p.stereo = parameter(pStereo);
    p.delay = parameter(pDelay);
    p.delayVolume = parameter(pVolume);
}

inline void SoundEngine::readFrame(FrameParameters& p) noexcept {
    using namespace voice;
    // The slots change only with a program change or a parameter's move in or out of the
    // programs; their layout is checked again after each.
    const uint32_t generation = host_.slotGeneration();
    if (generation != slotGeneration_) {
        slotGeneration_ = generation;
        contiguous_ = host_.contiguousValues();
    }
    const std::atomic<float>* v = contiguous_;
    if (!v) {
        readFrameOneByOne(p, bandLanes(oLeft), bandLanes(oRight));
        return;
    }
    // Band n's twelve values from 2 + 12n on, as three rows of four; transposed, each column
    // is one parameter of the three bands (lane 3: 0).
    using namespace lanes;
    F4 column[12];
    for (int g = 0; g < 3; ++g) {
        F4 b0 = load(v + bandBase(0) + 4 * g), b1 = load(v + bandBase(1) + 4 * g), b2 = load(v + bandBase(2) + 4 * g);
        F4 b3 = _mm_setzero_ps();
        _MM_TRANSPOSE4_PS(b0, b1, b2, b3);
        column[4 * g] = b0, column[4 * g + 1] = b1, column[4 * g + 2] = b2, column[4 * g + 3] = b3;
    }
    p.left = column[oLeft];
    p.right = column[oRight];
    setBandValues(p, [&column](int32_t offset) { return column[offset]; });
    const F4 firstThree = _mm_castsi128_ps(_mm_setr_epi32(-1, -1, -1, 0));
    p.am = _mm_and_ps(load(v + pAm1), firstThree);
    p.preListen = _mm_and_ps(load(v + pPreListen1), firstThree);
    p.fmEvery = relaxedLoad(v[pFmEvery]);
    p.master = relaxedLoad(v[pMaster]);
    p.dry = relaxedLoad(v[pDry]);
    p.stereo = relaxedLoad(v[pStereo]);
    p.delay = relaxedLoad(v[pDelay]);
    p.delayVolume = relaxedLoad(v[pVolume]);
}

#endif

} // namespace zk
