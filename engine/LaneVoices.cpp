// The three band voices as lanes 0..2 of one SSE register, frame by frame and in chunks of
// frames. Every lane operation is the scalar voice()'s, in its order, so each lane gives
// the scalar bits; an idle lane's results are discarded as voice() discards them.

#include "engine/SoundEngine.h"

#if ZK_ENGINE_SSE

#include "engine/SoundEngineFrame.h"
#include "engine/VoiceConstants.h"

#include <algorithm>
#include <bit>

namespace zk {

using namespace voice;
using namespace lanes;

namespace {
// Inline, not a variable: the compiler must see the constant mask to fold the selects away.
[[gnu::always_inline]] inline F4 allLanes() noexcept { return _mm_castsi128_ps(_mm_set1_epi32(-1)); }

// `fresh` where the lane runs, else `old`; with every lane running, `fresh`.
template <bool AllRun>
[[gnu::always_inline]] inline F4 update(F4 run, F4 fresh, F4 old) noexcept {
    if constexpr (AllRun) return fresh;
    return select(run, fresh, old);
}

[[gnu::always_inline]] inline F4 perLane(const float (&v)[4]) noexcept { return _mm_setr_ps(v[0], v[1], v[2], v[3]); }

// finiteOrZero() on four samples.
[[gnu::always_inline]] inline F4 finiteOrZero4(F4 v) noexcept {
    const __m128i bits = _mm_castps_si128(v);
    const __m128i exponentMask = _mm_set1_epi32(0x7F800000);
    const __m128i exponent = _mm_and_si128(bits, exponentMask);
    const __m128i nonFinite = _mm_cmpeq_epi32(exponent, exponentMask);
    const __m128i tiny = _mm_cmpeq_epi32(exponent, _mm_setzero_si128());
    const __m128i signOnly = _mm_and_si128(bits, _mm_set1_epi32(static_cast<int32_t>(0x80000000u)));
    const __m128i kept = _mm_or_si128(_mm_and_si128(tiny, signOnly), _mm_andnot_si128(tiny, bits));
    return _mm_castsi128_ps(_mm_andnot_si128(nonFinite, kept));
}

// limitFeedback() on lanes: max(-limit, v) is v < -limit ? -limit : v, and min likewise.
[[gnu::always_inline]] inline F4 limitFeedbackLanes(F4 v) noexcept {
    return _mm_min_ps(constant<floatBits(1.0e6f)>(), _mm_max_ps(constant<floatBits(-1.0e6f)>(), v));
}
} // namespace

void SoundEngine::settingsFrom(const FrameParameters& p, float twoPiOverRate, LaneSettings& s) const noexcept {
    s.left = p.left;
    s.right = p.right;
    const F4 zero = _mm_setzero_ps();
    s.run = _mm_or_ps(_mm_cmpgt_ps(p.left, zero), _mm_cmpgt_ps(p.right, zero));
    s.runBits = _mm_movemask_ps(s.run);
    s.allRun = s.runBits == 7;
    s.timbreCoefficient = OnePoleLanes<laneCount>::timbreCoefficientLanes(p.timbre, twoPiOverRate);
    s.gateLevel = _mm_sub_ps(constant<floatBits(1.0f)>(), p.sensivity);
    s.bend = _mm_sub_ps(_mm_mul_ps(p.modDepth, perLane(bendScale)), perLane(bendOffset));
    s.baseFrequency = _mm_add_ps(_mm_mul_ps(_mm_mul_ps(_mm_mul_ps(p.offset, p.offset), p.offset),
                                            constant<floatBits(7000.0f)>()),
                                 constant<floatBits(30.0f)>());
    s.tenAm = _mm_mul_ps(constant<floatBits(10.0f)>(), p.am);
    s.am = p.am;
    s.feedback = _mm_cmpneq_ps(p.fmButton, zero);
    s.feedbackBits = _mm_movemask_ps(s.feedback);
    const F4 lane2 = _mm_castsi128_ps(_mm_setr_epi32(0, 0, -1, 0));
    const F4 feedbackAm = select(lane2, constant<floatBits(1.0f)>(), p.am); // band 3: no Am
    s.feedbackDepth = _mm_mul_ps(_mm_mul_ps(constant<floatBits(10.0f)>(), feedbackAm), splat(p.fmEvery));
    s.sineShare = _mm_sub_ps(constant<floatBits(1.0f)>(), p.timbre);
    s.noiseShare = _mm_mul_ps(p.timbre, p.timbre);
    s.volume = p.volume;
    s.preListenBits = _mm_movemask_ps(_mm_cmpneq_ps(p.preListen, zero)) & 7;
    MixParameters& m = s.mix;
    _mm_store_ps(m.preListen, p.preListen);
    _mm_store_ps(m.effect, p.effect);
    _mm_store_ps(m.pan, p.pan);
    m.delay = p.delay;
    m.stereo = p.stereo;
    m.delayVolume = p.delayVolume;
    m.master = p.master;
    m.dry = p.dry;
    m.feedbackAmount = feedbackAmount_.load(std::memory_order_relaxed);
}

// The lamps after a frame whose followers gave `follower`. Idle bands keep theirs, so over
// frames of one set of values the last frame decides, and it is enough to show that one.
void SoundEngine::updateLamps(F4 follower, int32_t runBits) noexcept {
    // floor(e x scale) != 0 exactly when e x scale is not in [0, 1). The audio thread is the
    // only writer.
    const F4 lamp = _mm_mul_ps(follower, perLane(activityScale));
    const int dark = _mm_movemask_ps(
        _mm_and_ps(_mm_cmpge_ps(lamp, _mm_setzero_ps()), _mm_cmplt_ps(lamp, constant<floatBits(1.0f)>())));
    const int32_t lit = ~dark & runBits & 7;
    // Only bits 0..2 are ever set: with all three bands running, none is kept.
    const int32_t kept = runBits == 7 ? 0 : activeBits_.load(std::memory_order_relaxed) & ~runBits;
    activeBits_.store(kept | lit, std::memory_order_relaxed);
}

bool SoundEngine::holdValues(HeldValues& held) const noexcept {
    if (!timbreFilters_->modesAre(true, false) || !envelopeSmoothers_->modesAre(false, false)) return false;
    if (!bandFilters_->resting(held.band)) return false;
    held.release = load(bands_.release);
    held.smoothing = envelopeSmoothers_->coefficients();
    held.step = modulator_.step();
    return true;
}

// The band filters, envelope followers, noise filters, gates and envelope smoothers, and
// the two shared sources: everything whose state carries from frame to frame but the
// phases and the lamps. `envelope` is the followers' state.
template <bool AllRun, bool Held, bool Sse41>
void SoundEngine::laneRecurrences(LaneFrame& x, const LaneSettings& s, float inL, float inR, F4& envelope,
                                  float attack, const HeldValues& held) noexcept {
    // All running: lane 3 (padding, never read) runs too, so that the mask is constant.
    const F4 run = AllRun ? allLanes() : s.run;
    x.mod = modulator_.processBy<Sse41>(Held ? held.step : modulator_.step());
    x.noise = static_cast<float>(noise_.next()) * noiseScale - 0.5f;

    const F4 input = _mm_add_ps(_mm_mul_ps(s.left, splat(inL)), _mm_mul_ps(s.right, splat(inR)));
    const F4 band = Held ? bandFilters_->processResting(input, run, held.band) : bandFilters_->processLanes(input, run);
    const F4 filtered = _mm_mul_ps(constant<floatBits(2.0f)>(), band);
    _mm_store_ps(x.filtered, AllRun ? filtered : keep(run, filtered));

    // Envelope follower: 1 ms attack, the band's own release.
    const F4 a = abs(filtered);
    const F4 k = select(_mm_cmpgt_ps(a, envelope), splat(attack), Held ? held.release : load(bands_.release));
    F4 e = flush(_mm_add_ps(_mm_mul_ps(_mm_sub_ps(envelope, a), k), a));
    x.follower = e;

    // The engine's noise filters: lanes 0 and 1 narrow band, lane 2 low-pass.
    x.coloured = Held ? timbreFilters_->processLanesAs<true, false>(splat(x.noise), s.timbreCoefficient, run)
                      : timbreFilters_->processLanesWith(splat(x.noise), s.timbreCoefficient, run);

    const F4 gate = _mm_cmplt_ps(_mm_mul_ps(e, constant<floatBits(20.0f)>()), s.gateLevel);
    e = select(gate, perLane(gatedEnvelope), e);
    e = Held ? envelopeSmoothers_->processLanesAs<false, false>(e, held.smoothing, run)
             : envelopeSmoothers_->processLanes(e, run);
    x.envelope = e;
    envelope = AllRun ? e : keep(run, e);
}

// Pitch, phase, FM, sine and the voice's output; the envelope is the follower's for the
// pitch and FM, the smoothed one for the level.
template <bool AllRun, bool Sse41>
void SoundEngine::laneOscillators(LaneFrame& x, const LaneSettings& s, OscillatorLanes& o, F4 floatRate) noexcept {
    const F4 run = AllRun ? allLanes() : s.run;
    const F4 envelope = x.follower;
    const F4 m = _mm_mul_ps(_mm_mul_ps(s.bend, envelope), constant<floatBits(0.0577623f)>());
    const F4 pitch = _mm_add_ps(
        _mm_mul_ps(_mm_add_ps(_mm_mul_ps(constant<floatBits(0.5f)>(), m), constant<floatBits(1.0f)>()), m),
        constant<floatBits(1.0f)>());
    const F4 frequency = _mm_mul_ps(s.baseFrequency, pitch);
    const F4 phase1 = _mm_add_ps(o.phase, _mm_div_ps(frequency, floatRate));
    // roundps gives -0 where floorFast gives +0, but only for -0 + 0.5 = -0 (rounding
    // downwards), where the wrap subtracts it from -0.5: the bits do not differ.
    const F4 phase = _mm_sub_ps(phase1, floorLanes<Sse41>(_mm_add_ps(phase1, constant<floatBits(0.5f)>())));
    o.phase = update<AllRun>(run, phase, o.phase);

    // FM: feedback of the previous output, else the modulator (band 1 scaled by its envelope).
    const F4 mod = splat(x.mod);
    const F4 fmFirst = _mm_mul_ps(_mm_mul_ps(s.tenAm, envelope), mod);
    F4 fm = _mm_move_ss(_mm_mul_ps(s.am, mod), fmFirst); // band 1: fmFirst
    // Feedback FM only where a band asks for it: otherwise the previous output would chain
    // every frame to the one before through the sine.
    if (s.feedbackBits != 0) fm = select(s.feedback, _mm_mul_ps(_mm_mul_ps(s.feedbackDepth, o.previous), envelope), fm);
    const F4 p1 = _mm_add_ps(_mm_mul_ps(fm, constant<floatBits(0.15915507f)>()), phase);
    const F4 p = _mm_sub_ps(p1, floorLanes<Sse41>(_mm_add_ps(p1, constant<floatBits(0.5f)>())));
    const F4 pa = abs(p);
    const F4 sine = _mm_mul_ps(_mm_mul_ps(_mm_mul_ps(_mm_mul_ps(p, _mm_sub_ps(pa, constant<floatBits(0.5f)>())),
                                                     _mm_sub_ps(pa, constant<floatBits(0.732963f)>())),
                                          _mm_add_ps(pa, constant<floatBits(0.232963f)>())),
                               constant<floatBits(68.5949f)>());
    o.previous = AllRun ? sine : keep(run, sine);

    const F4 out =
        _mm_mul_ps(_mm_add_ps(_mm_mul_ps(s.sineShare, sine), _mm_mul_ps(s.noiseShare, x.coloured)), x.envelope);
    const F4 voice = _mm_add_ps(_mm_mul_ps(s.volume, out), _mm_mul_ps(s.volume, out));
    _mm_store_ps(x.preVolume, AllRun ? out : keep(run, out));
    _mm_store_ps(x.voice, AllRun ? voice : keep(run, voice));
}

SoundEngine::OscillatorLanes SoundEngine::loadOscillators() const noexcept {
    const Bands& s = bands_;
    return {_mm_load_ps(s.phase), _mm_load_ps(s.previous)};
}

void SoundEngine::storeOscillators(const OscillatorLanes& o) noexcept {
    Bands& s = bands_;
    _mm_store_ps(s.phase, o.phase);
    _mm_store_ps(s.previous, o.previous);
}

template <bool AllRun, bool Held, bool Sse41, bool Plain>
void SoundEngine::laneFrame(float inL, float inR, const LaneSettings& s, float& outL, float& outR) noexcept {
    Bands& b = bands_;
    LaneFrame x;
    F4 envelope = _mm_load_ps(b.envelope);
    laneRecurrences<AllRun, Held, Sse41>(x, s, inL, inR, envelope, attack_.load(std::memory_order_relaxed),
                                         frameHeld_);
    updateLamps(x.follower, AllRun ? 7 : s.runBits);
    _mm_store_ps(b.envelope, envelope);
    OscillatorLanes o = loadOscillators();
    laneOscillators<AllRun, Sse41>(x, s, o, splat(floatRate_.load(std::memory_order_relaxed)));
    storeOscillators(o);
    if constexpr (Plain) {
        laneNormalMix<true>(s.mix, x, inL, inR, outL, outR);
        return;
    }
    if (s.preListenBits == 0 && laneNormalMix<false>(s.mix, x, inL, inR, outL, outR)) return;
    MixParameters m = s.mix;
    m.feedbackAmount = feedbackAmount_.load(std::memory_order_relaxed);
    mixFrame(m, x.filtered, x.preVolume, x.voice, inL, inR, outL, outR);
}

template <bool Sse41>
bool SoundEngine::laneFrameDone(float inL, float inR, float& outL, float& outR) noexcept {
    // One running band is cheaper alone; with all three (the common case for lanes) the
    // keep-the-old-state blends fold away. Both paths give the same bits, so the choice may
    // follow the last frame: while fewer than two bands ran, the scalar code goes first
    // (without the gathering below) and tells how many run now.
    if (scalarRunCount_ < 2) {
        scalarVoices(inL, inR);
        return false;
    }
    const LaneSettings& s = frameSettings();
    if (s.allRun) {
        if (frameHolds_) laneFrame<true, true, Sse41>(inL, inR, s, outL, outR);
        else laneFrame<true, false, Sse41>(inL, inR, s, outL, outR);
    } else if (std::popcount(static_cast<unsigned>(s.runBits)) == 2) {
        if (frameHolds_) laneFrame<false, true, Sse41>(inL, inR, s, outL, outR);
        else laneFrame<false, false, Sse41>(inL, inR, s, outL, outR);
    } else {
        scalarVoices(inL, inR);
        return false;
    }
    return true;
}

// One frame outside chunks by the lanes, or by the scalar voices where they are cheaper.
template <bool Replace, SoundEngine::VoicePath Path>
void SoundEngine::frameBody(const float* inL, const float* inR, float* outL, float* outR, int32_t i) noexcept {
    frameWith<Replace, true>(
        inL, inR, outL, outR, i, [this](float xl, float xr, float& l, float& r) __attribute__((always_inline)) {
            if (!laneFrameDone<Path != VoicePath::lanes>(xl, xr, l, r))
                mixBands(xl, xr, l, r);
        });
}

// The usual frame: awake, no event pending, the settings current with held values, all
// three bands running, no pre-listening and neither line being resized. It makes no call,
// so that the short-block loop running it (the other frames go out of line) spills and
// reloads nothing around calls, which a lone frame would notice.
template <bool Replace, SoundEngine::VoicePath Path>
bool SoundEngine::plainFrameBody(const float* inL, const float* inR, float* outL, float* outR, int32_t i) noexcept {
    const LaneSettings& s = frameSettings_;
    if (asleep_ || host_.eventsPending() || scalarRunCount_ < 2 ||
        !frameSettingsFor(host_.valueGeneration(), rate_.twoPiOverRate()) || !framePlain_ || leftLine_->busy() ||
        rightLine_->busy())
        return false;
    frameWith<Replace, false>(inL, inR, outL, outR, i,
                              [this, &s](float xl, float xr, float& l, float& r) __attribute__((always_inline)) {
                                  laneFrame<true, true, Path != VoicePath::lanes, true>(xl, xr, s, l, r);
                              });
    return true;
}

// Blocks of one to three frames: run()'s frame-by-frame part in a function of its own,
// without run()'s chunk and sleep logic and its registers.
template <bool Replace, SoundEngine::VoicePath Path>
void SoundEngine::shortBlockBody(const float* inL, const float* inR, float* outL, float* outR,
                                 int32_t frames) noexcept {
    int32_t i = 0;
    while (i < frames && plainFrameBody<Replace, Path>(inL, inR, outL, outR, i)) ++i;
    if (i < frames) shortBlockRest<Replace, Path>(inL, inR, outL, outR, i, frames);
}

// The frames of a short block from the first that is not plain: out of line, so that the
// plain frames' function makes no call but this one, last.
template <bool Replace, SoundEngine::VoicePath Path>
void SoundEngine::shortBlockRest(const float* inL, const float* inR, float* outL, float* outR, int32_t i,
                                 int32_t frames) noexcept {
    for (; i < frames; ++i) {
        if (asleep_) {
            run<Replace, Path>(inL, inR, outL, outR, i, frames);
            return;
        }
        laneFrameAt<Replace, Path>(inL, inR, outL, outR, i);
    }
}

// normalMix() of one frame, with the two channels of each step in lanes of one register
// (left in lane 0, right in lane 1 or 2); false, having done nothing, while a delay line is
// being resized.
template <bool LinesFree>
bool SoundEngine::laneNormalMix(const MixParameters& m, const LaneFrame& x, float inL, float inR, float& outL,
                                float& outR) noexcept {
    if (!LinesFree && (leftLine_->busy() || rightLine_->busy())) return false;
    float leftDelay, rightDelay;
    if (nextDelayTimes(delayUpdateWait_, m.delay, m.stereo, leftDelay, rightDelay)) {
        leftLine_->setDelay(leftDelay);
        rightLine_->setDelay(rightDelay);
    }
    // The send: effect 2, then 3, then 1.
    const F4 sends = _mm_mul_ps(_mm_load_ps(m.effect), _mm_load_ps(x.preVolume));
    const float send =
        _mm_cvtss_f32(_mm_add_ss(_mm_add_ss(_mm_shuffle_ps(sends, sends, 1), _mm_movehl_ps(sends, sends)), sends));
    // The lines' inputs, then their outputs.
    const F4 feedback = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(feedback_));
    const F4 crossed = _mm_shuffle_ps(feedback, feedback, _MM_SHUFFLE(3, 2, 0, 1));
    const F4 in = _mm_add_ps(_mm_add_ps(_mm_mul_ps(constant<floatBits(0.5f)>(), crossed), feedback), splat(send));
    const F4 wet = _mm_mul_ps(splat(m.delayVolume), DelayLine::processPair(*leftLine_, *rightLine_, in));
    const F4 next = limitFeedbackLanes(flush(_mm_mul_ps(splat(feedbackAmount_.load(std::memory_order_relaxed)), wet)));
    _mm_storel_pi(reinterpret_cast<__m64*>(feedback_), next);

    // Left in lane 0, right in lane 2: left adds bands 3, 1, 2 (away from their pans), right
    // bands 2, 3, 1.
    const F4 voice = _mm_load_ps(x.voice), pan = _mm_load_ps(m.pan);
    const F4 toRight = _mm_mul_ps(pan, voice);
    const F4 toLeft = _mm_mul_ps(_mm_sub_ps(constant<floatBits(1.0f)>(), pan), voice);
    F4 sum = _mm_unpacklo_ps(wet, wet);
    sum = _mm_add_ps(sum, _mm_shuffle_ps(toLeft, toRight, _MM_SHUFFLE(1, 1, 2, 2)));
    sum = _mm_add_ps(sum, _mm_shuffle_ps(toLeft, toRight, _MM_SHUFFLE(2, 2, 0, 0)));
    sum = _mm_add_ps(sum, _mm_shuffle_ps(toLeft, toRight, _MM_SHUFFLE(0, 0, 1, 1)));
    const F4 dryIn = _mm_movelh_ps(_mm_set_ss(inL), _mm_set_ss(inR));
    const F4 out = _mm_add_ps(_mm_mul_ps(_mm_mul_ps(splat(m.master), sum), constant<floatBits(4.0f)>()),
                              _mm_mul_ps(splat(m.dry), dryIn));
    outL = _mm_cvtss_f32(out);
    outR = _mm_cvtss_f32(_mm_movehl_ps(out, out));
    return true;
}

void SoundEngine::ChunkMix::fill(int32_t f, const MixParameters& m) noexcept {
    _mm_store_ps(preListen[f], _mm_load_ps(m.preListen));
    _mm_store_ps(effect[f], _mm_load_ps(m.effect));
    _mm_store_ps(pan[f], _mm_load_ps(m.pan));
    delay[f] = m.delay;
    stereo[f] = m.stereo;
    volume[f] = m.delayVolume;
    master[f] = m.master;
    dry[f] = m.dry;
    feedback[f] = m.feedbackAmount;
}

const SoundEngine::LaneSettings& SoundEngine::frameSettings() noexcept {
    const uint32_t values = host_.valueGeneration();
    const float twoPiOverRate = rate_.twoPiOverRate();
    // Held values stay right until the values or the rate move; until the ramps rest, a
    // chunk's worth of frames passes between looks at whether they do now.
    if (frameSettingsFor(values, twoPiOverRate) && (frameHolds_ || ++framesOnSettings_ < chunkFrames))
        return frameSettings_;
    readFrameSettings(values, twoPiOverRate);
    return frameSettings_;
}

void SoundEngine::readFrameSettings(uint32_t values, float twoPiOverRate) noexcept {
    frameSettingsValues_ = values;
    frameSettingsRate_ = std::bit_cast<uint32_t>(twoPiOverRate);
    framesOnSettings_ = 0;
    FrameParameters p;
    readFrame(p);
    settingsFrom(p, twoPiOverRate, frameSettings_);
    // The held values change only with the values and the rate, or as a ramp settles.
    frameHolds_ = holdValues(frameHeld_);
    framePlain_ = frameHolds_ && frameSettings_.allRun && frameSettings_.preListenBits == 0;
}

SoundEngine::MixParameters SoundEngine::ChunkMix::at(int32_t f) const noexcept {
    MixParameters m;
    for (int b = 0; b < 3; ++b) {
        m.preListen[b] = preListen[f][b];
        m.effect[b] = effect[f][b];
        m.pan[b] = pan[f][b];
    }
    m.delay = delay[f];
    m.stereo = stereo[f];
    m.delayVolume = volume[f];
    m.master = master[f];
    m.dry = dry[f];
    m.feedbackAmount = feedback[f];
    return m;
}

namespace {
// A delay line's run within a stretch where neither index wraps.
struct UnwrappedRun {
    DelayLine::Run& run;
    float process(float x) noexcept { return run.processUnwrapped(x); }
};

// N consecutive floats (4, or 2 in the low lanes) of a float array, in any alignment.
template <int N>
[[gnu::always_inline]] inline F4 loadFrames(const float* p) noexcept {
    if constexpr (N == 4) return _mm_loadu_ps(p);
    return _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(p));
}
template <int N>
[[gnu::always_inline]] inline void storeFrames(float* p, F4 v) noexcept {
    if constexpr (N == 4) _mm_storeu_ps(p, v);
    else _mm_storel_pi(reinterpret_cast<__m64*>(p), v);
}
template <int N>
[[gnu::always_inline]] inline float lastFrame(F4 v) noexcept {
    return _mm_cvtss_f32(_mm_shuffle_ps(v, v, _MM_SHUFFLE(N - 1, N - 1, N - 1, N - 1)));
}

// N frames (4 or 2) of delayReturn() at once, frame i in lane i, on lines whose runs read
// nothing they write within the N frames and do not wrap. The arrays hold the frames'
// values from their first.
template <int N>
[[gnu::always_inline]] inline void delayReturnFrames(DelayLine::Run& left, DelayLine::Run& right, const float* send,
                                                     F4 volume, F4 amount, float& feedbackLeft,
                                                     float& feedbackRight, float* wetL, float* wetR) noexcept {
    const F4 rawL = loadFrames<N>(left.buffer + left.read), rawR = loadFrames<N>(right.buffer + right.read);
    const F4 l = _mm_mul_ps(volume, rawL), r = _mm_mul_ps(volume, rawR);
    const F4 nextL = limitFeedbackLanes(flush(_mm_mul_ps(amount, l)));
    const F4 nextR = limitFeedbackLanes(flush(_mm_mul_ps(amount, r)));
    // The feedback each frame's input sees: the frame before's.
    const auto previous = [](F4 v, float before) {
        return _mm_move_ss(_mm_shuffle_ps(v, v, _MM_SHUFFLE(2, 1, 0, 3)), _mm_set_ss(before));
    };
    const F4 fromL = previous(nextL, feedbackLeft), fromR = previous(nextR, feedbackRight);
    const F4 s = loadFrames<N>(send);
    const F4 half = constant<floatBits(0.5f)>();
    storeFrames<N>(left.buffer + left.write, _mm_add_ps(_mm_add_ps(_mm_mul_ps(half, fromR), fromL), s));
    storeFrames<N>(right.buffer + right.write, _mm_add_ps(_mm_add_ps(_mm_mul_ps(half, fromL), fromR), s));
    storeFrames<N>(wetL, l);
    storeFrames<N>(wetR, r);
    left.last = lastFrame<N>(rawL);
    right.last = lastFrame<N>(rawR);
    feedbackLeft = lastFrame<N>(nextL);
    feedbackRight = lastFrame<N>(nextR);
    left.write += N, left.read += N, right.write += N, right.read += N;
}

// Lane b of four frames' band values (frame f in lane f - first): bands 0..2 in a[0..2].
[[gnu::always_inline]] inline void bandsOfFrames(const float* f0, const float* f1, const float* f2, const float* f3,
                                                 F4 (&a)[4]) noexcept {
    a[0] = _mm_load_ps(f0), a[1] = _mm_load_ps(f1), a[2] = _mm_load_ps(f2), a[3] = _mm_load_ps(f3);
    _MM_TRANSPOSE4_PS(a[0], a[1], a[2], a[3]);
}
} // namespace

// Three passes over the chunk: the frames' events, parameters and recurrences; the
// oscillators; the mix and the outputs. Each frame's parameters are read right after its
// events, as frame by frame; the rate-derived values change only at resume.
template <bool Replace, SoundEngine::VoicePath Path>
void SoundEngine::chunkBody(const float* inL, const float* inR, float* outL, float* outR, int32_t first,
                            int32_t frames) noexcept {
    constexpr bool Sse41 = Path != VoicePath::lanes;
    LaneFrame x[chunkFrames];
    ChunkMix mix;
    // Input first: with in-place buffers the outputs overwrite it.
    for (int32_t f = 0; f < frames; f += 4) {
        _mm_store_ps(mix.inL + f, finiteOrZero4(_mm_loadu_ps(inL + first + f)));
        _mm_store_ps(mix.inR + f, finiteOrZero4(_mm_loadu_ps(inR + first + f)));
    }
    const float attack = attack_.load(std::memory_order_relaxed);
    const float twoPiOverRate = rate_.twoPiOverRate();
    const F4 floatRate = splat(floatRate_.load(std::memory_order_relaxed));

    // The sets of values the frames use, in order: a new one wherever the host announces a
    // change, most chunks having one. The chunk runs in stretches from one frame with MIDI
    // events to the next: the values are read again after the events, and at the start.
    LaneSettings sets[chunkFrames];
    int32_t setStart[chunkFrames + 1]; // set n: frames setStart[n] to setStart[n + 1] - 1
    int32_t last = -1;
    uint32_t valuesRead = 0;
    int preListening = 0; // bit n: band n + 1 pre-listens in some frame
    F4 envelope = _mm_load_ps(bands_.envelope);
    int32_t nextEvent = host_.nextEventFrame(first);
    for (int32_t f = 0; f < frames; /* the stretches move f on */) {
        if (first + f >= nextEvent) {
            host_.handlePendingEvents(first + f);
            nextEvent = host_.nextEventFrame(first + f + 1);
        }
        const uint32_t values = host_.valueGeneration();
        if (last < 0 || values != valuesRead) {
            if (last >= 0) updateLamps(x[f - 1].follower, sets[last].runBits);
            valuesRead = values;
            FrameParameters p;
            readFrame(p);
            settingsFrom(p, twoPiOverRate, sets[++last]);
            setStart[last] = f;
            preListening |= sets[last].preListenBits;
        }
        const LaneSettings& s = sets[last];
        const int32_t end = nextEvent - first < frames ? nextEvent - first : frames; // nextEvent > first + f here
        HeldValues held;
        // The GNU attribute: a standard one in that place belongs to the type, and the call
        // would not be inlined.
        const auto stretch = [&]<bool AllRun, bool Held>() __attribute__((always_inline)) {
            for (; f < end; ++f)
                laneRecurrences<AllRun, Held, Sse41>(x[f], s, mix.inL[f], mix.inR[f], envelope, attack, held);
        };
        if (holdValues(held)) {
            if (s.allRun) stretch.template operator()<true, true>();
            else stretch.template operator()<false, true>();
        } else {
            if (s.allRun) stretch.template operator()<true, false>();
            else stretch.template operator()<false, false>();
        }
    }
    setStart[last + 1] = frames;
    _mm_store_ps(bands_.envelope, envelope);
    updateLamps(x[frames - 1].follower, sets[last].runBits);

    OscillatorLanes o = loadOscillators();
    for (int32_t n = 0; n <= last; ++n) {
        const LaneSettings& s = sets[n];
        if (s.allRun)
            for (int32_t f = setStart[n]; f < setStart[n + 1]; ++f) laneOscillators<true, Sse41>(x[f], s, o, floatRate);
        else
            for (int32_t f = setStart[n]; f < setStart[n + 1]; ++f) laneOscillators<false, Sse41>(x[f], s, o, floatRate);
    }
    storeOscillators(o);

    if (last > 0 || preListening)
        for (int32_t n = 0; n <= last; ++n)
            for (int32_t f = setStart[n]; f < setStart[n + 1]; ++f) mix.fill(f, sets[n].mix);
    if (!preListening) {
        if (last == 0) mixChunk<Replace, true>(mix, sets[0].mix, x, outL + first, outR + first, frames);
        else mixChunk<Replace, false>(mix, sets[0].mix, x, outL + first, outR + first, frames);
    } else {
        for (int32_t f = 0; f < frames; ++f) {
            float l, r;
            mixFrame(mix.at(f), x[f].filtered, x[f].preVolume, x[f].voice, mix.inL[f], mix.inR[f], l, r);
            countSilence(l, r);
            writeFrame<Replace>(outL, outR, first + f, l, r);
        }
    }
    scalarRunCount_ = std::popcount(static_cast<unsigned>(sets[last].runBits & 7));
}

// normalMix() on the chunk's frames: the sends and the panned sums four frames at a time,
// the delay lines frame by frame between them.
template <bool Replace, bool OneSet>
void SoundEngine::mixChunk(const ChunkMix& c, const MixParameters& only, const LaneFrame* x, float* outL, float* outR,
                           int32_t frames) noexcept {
    // Band b's value of one set in every lane.
    const auto bandSplat = [](F4 v, F4 (&a)[4]) {
        a[0] = _mm_shuffle_ps(v, v, 0x00), a[1] = _mm_shuffle_ps(v, v, 0x55), a[2] = _mm_shuffle_ps(v, v, 0xAA);
    };
    F4 onlyEffect[4], onlyPan[4];
    if constexpr (OneSet) bandSplat(_mm_load_ps(only.effect), onlyEffect), bandSplat(_mm_load_ps(only.pan), onlyPan);
    alignas(16) float send[chunkFrames], wetL[chunkFrames], wetR[chunkFrames];
    for (int32_t f = 0; f < frames; f += 4) {
        F4 pv[4];
        bandsOfFrames(x[f].preVolume, x[f + 1].preVolume, x[f + 2].preVolume, x[f + 3].preVolume, pv);
        F4 e[4];
        if constexpr (OneSet) e[0] = onlyEffect[0], e[1] = onlyEffect[1], e[2] = onlyEffect[2];
        else bandsOfFrames(c.effect[f], c.effect[f + 1], c.effect[f + 2], c.effect[f + 3], e);
        _mm_store_ps(send + f, _mm_add_ps(_mm_add_ps(_mm_mul_ps(e[1], pv[1]), _mm_mul_ps(e[2], pv[2])),
                                          _mm_mul_ps(e[0], pv[0])));
    }
    float feedbackLeft = feedback_[0], feedbackRight = feedback_[1];
    DelayLine::Run left, right;
    if (leftLine_->begin(left) && rightLine_->begin(right)) {
        // The lines' indices in registers for the chunk, which runs in stretches that reach
        // neither a delay-time update nor an index's wrap.
        int32_t wait = delayUpdateWait_;
        UnwrappedRun unwrappedLeft{left}, unwrappedRight{right};
        for (int32_t f = 0; f < frames;) {
            if (wait == 0) {
                float leftDelay, rightDelay;
                glideDelayTimes(OneSet ? only.delay : c.delay[f], OneSet ? only.stereo : c.stereo[f], leftDelay,
                                rightDelay);
                leftLine_->setDelay(left, leftDelay);
                rightLine_->setDelay(right, rightDelay);
            }
            // Up to the next update: from an update frame, the interval.
            const int32_t beforeUpdate = wait == 0 ? delayUpdateInterval : wait;
            const int32_t end =
                f + std::min({frames - f, beforeUpdate, left.framesBeforeWrap(), right.framesBeforeWrap()});
            wait = beforeUpdate - (end - f);
            // Four frames per register where the delays allow, then two, then one.
            if (left.readsNothingItWrites(4) && right.readsNothingItWrites(4)) {
                for (; end - f >= 4; f += 4)
                    delayReturnFrames<4>(left, right, send + f,
                                         OneSet ? splat(only.delayVolume) : loadFrames<4>(c.volume + f),
                                         OneSet ? splat(only.feedbackAmount) : loadFrames<4>(c.feedback + f),
                                         feedbackLeft, feedbackRight, wetL + f, wetR + f);
                if (end - f >= 2) {
                    delayReturnFrames<2>(left, right, send + f,
                                         OneSet ? splat(only.delayVolume) : loadFrames<2>(c.volume + f),
                                         OneSet ? splat(only.feedbackAmount) : loadFrames<2>(c.feedback + f),
                                         feedbackLeft, feedbackRight, wetL + f, wetR + f);
                    f += 2;
                }
            }
            for (; f < end; ++f)
                delayReturn(unwrappedLeft, unwrappedRight, send[f], OneSet ? only.delayVolume : c.volume[f],
                            OneSet ? only.feedbackAmount : c.feedback[f], feedbackLeft, feedbackRight, wetL[f], wetR[f]);
            left.wrap();
            right.wrap();
        }
        delayUpdateWait_ = wait;
        leftLine_->end(left);
        rightLine_->end(right);
    } else {
        // A line being resized outputs 0, tested frame by frame.
        for (int32_t f = 0; f < frames; ++f) {
            stepDelayTimes(OneSet ? only.delay : c.delay[f], OneSet ? only.stereo : c.stereo[f]);
            delayReturn(*leftLine_, *rightLine_, send[f], OneSet ? only.delayVolume : c.volume[f],
                        OneSet ? only.feedbackAmount : c.feedback[f],
                        feedbackLeft, feedbackRight, wetL[f], wetR[f]);
        }
    }
    feedback_[0] = feedbackLeft;
    feedback_[1] = feedbackRight;
    static_assert(chunkFrames <= 32 && chunkFrames % 4 == 0, "one bit per frame, whole registers");
    uint32_t loud = 0; // bit f: frame f is not quiet
    const F4 quietLevel = constant<floatBits(0.0001f)>();
    for (int32_t f = 0; f < frames; f += 4) {
        F4 v[4];
        bandsOfFrames(x[f].voice, x[f + 1].voice, x[f + 2].voice, x[f + 3].voice, v);
        F4 pans[4];
        if constexpr (OneSet) pans[0] = onlyPan[0], pans[1] = onlyPan[1], pans[2] = onlyPan[2];
        else bandsOfFrames(c.pan[f], c.pan[f + 1], c.pan[f + 2], c.pan[f + 3], pans);
        const auto pan = [&](int b) { return pans[b]; };
        const auto away = [&](int b) { return _mm_sub_ps(constant<floatBits(1.0f)>(), pans[b]); };
        F4 r = _mm_load_ps(wetR + f), l = _mm_load_ps(wetL + f);
        r = _mm_add_ps(_mm_add_ps(_mm_add_ps(r, _mm_mul_ps(pan(1), v[1])), _mm_mul_ps(pan(2), v[2])),
                       _mm_mul_ps(pan(0), v[0]));
        l = _mm_add_ps(_mm_add_ps(_mm_add_ps(l, _mm_mul_ps(away(2), v[2])), _mm_mul_ps(away(0), v[0])),
                       _mm_mul_ps(away(1), v[1]));
        const F4 master = OneSet ? splat(only.master) : _mm_load_ps(c.master + f);
        const F4 dry = OneSet ? splat(only.dry) : _mm_load_ps(c.dry + f);
        const F4 four = _mm_set1_ps(4.0f);
        const F4 outLeft =
            _mm_add_ps(_mm_mul_ps(_mm_mul_ps(master, l), four), _mm_mul_ps(dry, _mm_load_ps(c.inL + f)));
        const F4 outRight =
            _mm_add_ps(_mm_mul_ps(_mm_mul_ps(master, r), four), _mm_mul_ps(dry, _mm_load_ps(c.inR + f)));
        const F4 quiet = _mm_and_ps(_mm_cmplt_ps(abs(outLeft), quietLevel), _mm_cmplt_ps(abs(outRight), quietLevel));
        loud |= static_cast<uint32_t>(~_mm_movemask_ps(quiet) & 15) << f;
        if constexpr (Replace) {
            _mm_storeu_ps(outL + f, outLeft);
            _mm_storeu_ps(outR + f, outRight);
        } else {
            _mm_storeu_ps(outL + f, _mm_add_ps(_mm_loadu_ps(outL + f), outLeft));
            _mm_storeu_ps(outR + f, _mm_add_ps(_mm_loadu_ps(outR + f), outRight));
        }
    }
    // What countSilence() frame by frame leaves: the quiet frames since the last loud one.
    // The chunk was chosen so that it cannot reach the sleep threshold.
    if (loud == 0) silenceCounter_ += frames;
    else silenceCounter_ = frames - 1 - (31 - std::countl_zero(loud));
}

// The entry points: one function per path, with the bodies inlined. The AVX paths' are the
// SSE4.1 path's operations in the VEX encoding (three operands: no register copies) or the
// EVEX one (also 32 registers instead of 16), which give the same bits.
template <bool Replace, SoundEngine::VoicePath Path>
void SoundEngine::runChunk(const float* inL, const float* inR, float* outL, float* outR, int32_t first,
                           int32_t frames) noexcept {
    if constexpr (Path == VoicePath::lanesAvx512) runChunkAvx512<Replace>(inL, inR, outL, outR, first, frames);
    else if constexpr (Path == VoicePath::lanesAvx) runChunkAvx<Replace>(inL, inR, outL, outR, first, frames);
    else chunkBody<Replace, Path>(inL, inR, outL, outR, first, frames);
}
template <bool Replace, SoundEngine::VoicePath Path>
void SoundEngine::laneFrameAt(const float* inL, const float* inR, float* outL, float* outR, int32_t i) noexcept {
    if constexpr (Path == VoicePath::lanesAvx512) laneFrameAtAvx512<Replace>(inL, inR, outL, outR, i);
    else if constexpr (Path == VoicePath::lanesAvx) laneFrameAtAvx<Replace>(inL, inR, outL, outR, i);
    else frameBody<Replace, Path>(inL, inR, outL, outR, i);
}
template <bool Replace, SoundEngine::VoicePath Path>
void SoundEngine::runShortBlock(const float* inL, const float* inR, float* outL, float* outR, int32_t frames) noexcept {
    if constexpr (Path == VoicePath::lanesAvx512) runShortBlockAvx512<Replace>(inL, inR, outL, outR, frames);
    else if constexpr (Path == VoicePath::lanesAvx) runShortBlockAvx<Replace>(inL, inR, outL, outR, frames);
    else shortBlockBody<Replace, Path>(inL, inR, outL, outR, frames);
}
template <bool Replace>
void SoundEngine::runChunkAvx(const float* inL, const float* inR, float* outL, float* outR, int32_t first,
                              int32_t frames) noexcept {
    chunkBody<Replace, VoicePath::lanesAvx>(inL, inR, outL, outR, first, frames);
}
template <bool Replace>
void SoundEngine::laneFrameAtAvx(const float* inL, const float* inR, float* outL, float* outR, int32_t i) noexcept {
    frameBody<Replace, VoicePath::lanesAvx>(inL, inR, outL, outR, i);
}
template <bool Replace>
void SoundEngine::runShortBlockAvx(const float* inL, const float* inR, float* outL, float* outR,
                                   int32_t frames) noexcept {
    shortBlockBody<Replace, VoicePath::lanesAvx>(inL, inR, outL, outR, frames);
}
template <bool Replace>
void SoundEngine::runChunkAvx512(const float* inL, const float* inR, float* outL, float* outR, int32_t first,
                                 int32_t frames) noexcept {
    chunkBody<Replace, VoicePath::lanesAvx512>(inL, inR, outL, outR, first, frames);
}
template <bool Replace>
void SoundEngine::laneFrameAtAvx512(const float* inL, const float* inR, float* outL, float* outR,
                                    int32_t i) noexcept {
    frameBody<Replace, VoicePath::lanesAvx512>(inL, inR, outL, outR, i);
}
template <bool Replace>
void SoundEngine::runShortBlockAvx512(const float* inL, const float* inR, float* outL, float* outR,
                                      int32_t frames) noexcept {
    shortBlockBody<Replace, VoicePath::lanesAvx512>(inL, inR, outL, outR, frames);
}

// The lane paths' entry points for both replace flags, each path's a line.
#define ZK_LANE_ENTRY_POINTS(Replace, Path)                                                                        \
    template void SoundEngine::runChunk<Replace, Path>(const float*, const float*, float*, float*, int32_t,          \
                                                       int32_t) noexcept;                                          \
    template void SoundEngine::laneFrameAt<Replace, Path>(const float*, const float*, float*, float*,               \
                                                          int32_t) noexcept;                                       \
    template void SoundEngine::runShortBlock<Replace, Path>(const float*, const float*, float*, float*, int32_t) noexcept;
#define ZK_LANE_PATH(Path) ZK_LANE_ENTRY_POINTS(true, Path) ZK_LANE_ENTRY_POINTS(false, Path)
ZK_LANE_PATH(SoundEngine::VoicePath::lanes)
ZK_LANE_PATH(SoundEngine::VoicePath::lanesSse41)
ZK_LANE_PATH(SoundEngine::VoicePath::lanesAvx)
ZK_LANE_PATH(SoundEngine::VoicePath::lanesAvx512)
#undef ZK_LANE_PATH
#undef ZK_LANE_ENTRY_POINTS

} // namespace zk

#endif
