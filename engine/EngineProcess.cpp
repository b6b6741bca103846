// The block loop and its chunks of frames: the voices and the mix, written once over the
// lane type T. The scalar path runs them with float, one band and one frame at a time; the
// lane paths with F4, the three bands as lanes for the voices and four frames as lanes
// for the mix (then float for the frames left over).

#include "engine/FloatEnvironment.h"
#include "engine/ParameterCurves.h"
#include "engine/SoundEngine.h"
#include "engine/VoiceConstants.h"

#include <algorithm>
#include <bit>
#include <type_traits>

namespace zk {

using namespace voice;

namespace {

// The filters' set-up by initEngine, as constant masks, so that the lanes' selects fold
// away: the band filters high-pass with four poles, the noise filters narrow band but band
// 3's low-pass, the envelope smoothers low-pass.
alignas(16) constexpr int32_t allLanes[4] = {-1, -1, -1, -1};
alignas(16) constexpr int32_t noLanes[4] = {};
alignas(16) constexpr int32_t narrowBandLanes[4] = {-1, -1, 0, 0};
// Band 1's FM follows its envelope: the follower (never -0) in lane 0, plus 0; 1 elsewhere.
alignas(16) constexpr int32_t firstLane[4] = {-1, 0, 0, 0};
alignas(16) constexpr float oneButFirst[4] = {0.0f, 1.0f, 1.0f, 1.0f};

// Whether a sample wakes the engine: above 0.001 in magnitude, and finite.
inline bool wakes(float x) noexcept {
    const float a = std::fabs(x);
    return a > 0.001f && a < INFINITY;
}
// False where no sample of sixteen frames of both channels wakes the engine (true also
// where one is infinite): their largest magnitude, NaN left out, is at most 0.001.
template <class T>
bool mayWake16(const float* l, const float* r) noexcept {
    T largest = 0.0f;
    for (int32_t k = 0; k < 16; k += width<T>)
        largest = maxFirst(abs(loadFrames<T>(l + k)), maxFirst(abs(loadFrames<T>(r + k)), largest));
    return any(largest > T(0.001f));
}

// An output channel that overlaps an input channel without being the same buffer: then
// frame n's output may land on an input sample not read yet, and only frame-by-frame
// processing keeps the order that gives.
bool staggered(const float* in, const float* out, int32_t frames) noexcept {
    const auto i = reinterpret_cast<uintptr_t>(in), o = reinterpret_cast<uintptr_t>(out);
    const uintptr_t bytes = static_cast<uintptr_t>(frames) * sizeof(float);
    return i != o && i < o + bytes && o < i + bytes;
}

// Hosts do send NaN and infinities; one such sample would poison every recursive state.
// Subnormal samples become zero of their sign: arithmetic on them is many times slower.
template <class T>
[[gnu::always_inline]] inline T finiteOrZero(T x) noexcept {
    const T a = abs(x);
    return keep(a < T(INFINITY), select(a < T(std::numeric_limits<float>::min()), x * 0.0f, x));
}
// The same on the bits, the usual case first.
template <>
[[gnu::always_inline]] inline float finiteOrZero(float x) noexcept {
    const uint32_t exponent = std::bit_cast<uint32_t>(x) & 0x7F800000u;
    if (exponent - 0x00800000u < 0x7F000000u) return x; // normal
    return exponent == 0 ? x * 0.0f : 0.0f;
}

// True for an idle band on its own (the scalar code): it skips the formulas whose masks
// would only keep its state and zero its outputs. Lanes run every band's formulas.
[[gnu::always_inline]] inline bool idleAlone(bool run) noexcept { return !run; }
#if ZK_ENGINE_LANES
[[gnu::always_inline]] inline bool idleAlone(M4) noexcept { return false; }
#endif

// The cross-feedback loop gains 1.5 x Volume x feedback amount per round, more than 1 at
// the top of the ranges, so a held echo can grow without end. Held at a level far above
// full scale it stays finite instead of reaching infinity, which would leave NaN in the
// lines for good; nothing below that level changes.
template <class T>
[[gnu::always_inline]] inline T limitFeedback(T v) noexcept {
    return minFirst(T(1.0e6f), maxFirst(T(-1.0e6f), v));
}

// body.template operator()<T>(f) for whole registers of frames, then <float> for the rest.
template <class T, class Body>
[[gnu::always_inline]] inline void forFrames(int32_t n, Body body) noexcept {
    int32_t f = 0;
    if constexpr (width<T> > 1)
        for (; f + width<T> <= n; f += width<T>) body.template operator()<T>(f);
    for (; f < n; ++f) body.template operator()<float>(f);
}

// Bands 0..2 of frame f (float), or of frames f to f + 3 with frame i in lane i (F4), from
// a frame record's field: the bands as floats or as lanes.
[[gnu::always_inline]] inline void bandsOf(const float (&bands)[3], float (&b)[3]) noexcept {
    for (int i = 0; i < 3; ++i) b[i] = bands[i];
}
#if ZK_ENGINE_LANES
[[gnu::always_inline]] inline void bandsOf(const F4 (&bands)[1], float (&b)[3]) noexcept {
    b[0] = laneOf<0>(bands[0]), b[1] = laneOf<1>(bands[0]), b[2] = laneOf<2>(bands[0]);
}
#endif
template <class Row>
[[gnu::always_inline]] inline void bandsOfFrames(Row row, int32_t f, float (&b)[3]) noexcept {
    bandsOf(row(f), b);
}

// One frame of the delay: the send goes in with the cross-feedback values of the frame
// before, the scaled return comes out. The lines are DelayLines or their Runs.
template <class Line>
[[gnu::always_inline]] inline void delayFrames(Line& left, Line& right, const float* send, float volume,
                                               float amount, float& feedbackLeft, float& feedbackRight,
                                               float* wetL, float* wetR) noexcept {
    *wetL = volume * left.process(0.5f * feedbackRight + feedbackLeft + *send);
    *wetR = volume * right.process(0.5f * feedbackLeft + feedbackRight + *send);
    feedbackLeft = limitFeedback(flush(amount * *wetL));
    feedbackRight = limitFeedback(flush(amount * *wetR));
}

#if ZK_ENGINE_LANES
template <class Row>
[[gnu::always_inline]] inline void bandsOfFrames(Row row, int32_t f, F4 (&b)[3]) noexcept {
    F4 r0 = row(f)[0], r1 = row(f + 1)[0], r2 = row(f + 2)[0], r3 = row(f + 3)[0];
    transposeLanes(r0, r1, r2, r3);
    b[0] = r0, b[1] = r1, b[2] = r2;
}

#endif

} // namespace

void SoundEngine::processBlock(const float* inL, const float* inR, float* outL, float* outR, int32_t frames,
                               bool replace) noexcept {
    const FlushSubnormalsScope noSubnormals; // once per block, the caller's mode restored after it
    const auto on = [&]<VoicePath Path>() {
        if (replace) runOn<true, Path>(inL, inR, outL, outR, frames);
        else runOn<false, Path>(inL, inR, outL, outR, frames);
    };
    switch (path_) {
#if ZK_ENGINE_SSE
    case VoicePath::lanesAvx512: return on.template operator()<VoicePath::lanesAvx512>();
    case VoicePath::lanesSse41: return on.template operator()<VoicePath::lanesSse41>();
#endif
#if ZK_ENGINE_LANES
    case VoicePath::lanes: return on.template operator()<VoicePath::lanes>();
#endif
    default: return on.template operator()<VoicePath::scalar>();
    }
}

template <bool Replace, SoundEngine::VoicePath Path>
void SoundEngine::runOn(const float* inL, const float* inR, float* outL, float* outR, int32_t frames) noexcept {
#if defined(__x86_64__) || defined(__i386__)
    if constexpr (Path == VoicePath::lanesAvx512) runAvx512<Replace>(inL, inR, outL, outR, frames);
    else
#endif
        run<Replace, Path>(inL, inR, outL, outR, frames);
}
#if defined(__x86_64__) || defined(__i386__)
template <bool Replace>
void SoundEngine::runAvx512(const float* inL, const float* inR, float* outL, float* outR, int32_t frames) noexcept {
    run<Replace, VoicePath::lanesAvx512>(inL, inR, outL, outR, frames);
}
#endif

template <bool Replace, SoundEngine::VoicePath Path>
void SoundEngine::run(const float* inL, const float* inR, float* outL, float* outR, int32_t frames) noexcept {
#if ZK_ENGINE_LANES
    using Lanes = F4; // for the silence skipped while asleep, on every path
#else
    using Lanes = float;
#endif
    const bool oneByOne = Path == VoicePath::scalar ||
                          (frames > 1 && (staggered(inL, outL, frames) || staggered(inR, outL, frames) ||
                                          staggered(inL, outR, frames) || staggered(inR, outR, frames)));
    for (int32_t i = 0; i < frames;) {
        if (asleep_) {
            // Silence up to the first frame that wakes the engine, sixteen frames per test.
            int32_t j = i;
            while (j + 16 <= frames && !mayWake16<Lanes>(inL + j, inR + j)) j += 16;
            while (j < frames && !wakes(inL[j]) && !wakes(inR[j])) ++j;
            for (; i < j; ++i) {
                outL[i] = Replace ? 0.0f : outL[i] + 0.0f;
                outR[i] = Replace ? 0.0f : outR[i] + 0.0f;
            }
            if (i == frames) break;
            asleep_ = false;
            silenceCounter_ = 0;
        }
        // The frame's MIDI events, then a chunk up to the next frame with events.
        int32_t next = EngineHost::noPendingEvents;
        if (host_.eventsPending()) {
            if (host_.nextEventFrame(i) <= i) host_.handlePendingEvents(i);
            next = host_.nextEventFrame(i + 1);
        }
        if (oneByOne || frames - i == 1 || next == i + 1) {
            runChunk<Replace, Path, true>(inL, inR, outL, outR, i++, 1);
            continue;
        }
        // Only after its last frame may the chunk have been quiet for more than a second.
        const int32_t room = quietLimit_.load(std::memory_order_relaxed) - silenceCounter_;
        int32_t n = std::min({frames - i, chunkFrames, next - i});
        if (n - 1 > room) n = room >= 0 ? room + 1 : 1;
        if (n == 1) runChunk<Replace, Path, true>(inL, inR, outL, outR, i, 1);
        else runChunk<Replace, Path, false>(inL, inR, outL, outR, i, n);
        i += n;
    }
}

template <bool Replace, SoundEngine::VoicePath Path, bool Lone>
void SoundEngine::runChunk(const float* inL, const float* inR, float* outL, float* outR, int32_t first,
                           int32_t frames) noexcept {
    // A lone frame: compiled for one frame, the chunk loses its loops and keeps its values
    // in registers.
    const int32_t n = Lone ? 1 : frames;
    constexpr int32_t size = Lone ? 1 : chunkFrames;
#if ZK_ENGINE_LANES
    using T = std::conditional_t<Path == VoicePath::scalar, float, F4>;
#else
    using T = float;
#endif
    // Floors by the rounding instruction: SSE4.1's, or on ARM the lanes' own (every ARMv8 has it).
    constexpr bool Sse41 = Path == VoicePath::lanesSse41 || Path == VoicePath::lanesAvx512 ||
                           (ZK_ENGINE_NEON && Path == VoicePath::lanes);
    // Inputs first: with in-place buffers the outputs overwrite them.
    alignas(16) float xl[size], xr[size];
    forFrames<T>(n, [&]<class U>(int32_t f) __attribute__((always_inline)) {
        storeFrames(xl + f, finiteOrZero(loadFrames<U>(inL + first + f)));
        storeFrames(xr + f, finiteOrZero(loadFrames<U>(inR + first + f)));
    });
    // The values again when the host has announced a change or the rate has moved: on the
    // scalar path, which runs frame by frame, from the frame after a change.
    const Settings& s = settings_;
    if (s.values != host_.valueGeneration() ||
        s.rateBits != std::bit_cast<uint32_t>(rate_.twoPiOverRate()))
        readSettings();
    Frame<T> x[size];
    if (s.runBits == 7) voices<T, Sse41, true>(x, xl, xr, n);
    else voices<T, Sse41, false>(x, xl, xr, n);

    // The lamps after the last frame: floor(e x scale) != 0, NaN included. Idle bands keep theirs.
    int32_t lit = 0;
    for (int lane = 0; lane < 3; lane += width<T>) {
        const T lamp = x[n - 1].follower[lane] * load<T>(activityScale, lane);
        lit |= (~bits((lamp >= T(0.0f)) & (lamp < T(1.0f))) & ((1 << width<T>) - 1)) << lane;
    }
    activeBits_.store((activeBits_.load(std::memory_order_relaxed) & ~s.runBits) | (lit & s.runBits),
                      std::memory_order_relaxed);

    // The mix: the sends, the delay lines, then the panned voices, the levels and the outputs.
    alignas(16) float send[size], wetL[size], wetR[size];
    if (!s.preListening) {
        forFrames<T>(n, [&]<class U>(int32_t f) __attribute__((always_inline)) {
            U pv[3];
            bandsOfFrames([&x](int32_t i) -> const auto& { return x[i].preVolume; }, f, pv);
            storeFrames(send + f, U(s.effect[1]) * pv[1] + U(s.effect[2]) * pv[2] + U(s.effect[0]) * pv[0]);
        });
        delays<T>(send, wetL, wetR, n);
    }
    uint32_t loud = 0; // bit f: frame f is not quiet
    forFrames<T>(n, [&]<class U>(int32_t f) __attribute__((always_inline)) {
        U l, r;
        if (s.preListening) {
            // The weighted band filter signals alone: no delay, Master or Dry.
            U filtered[3];
            bandsOfFrames([&x](int32_t i) -> const auto& { return x[i].filtered; }, f, filtered);
            l = r = U(s.preListen[1]) * filtered[1] + U(s.preListen[2]) * filtered[2] + U(s.preListen[0]) * filtered[0];
        } else {
            U v[3];
            bandsOfFrames([&x](int32_t i) -> const auto& { return x[i].voice; }, f, v);
            r = loadFrames<U>(wetR + f) + U(s.pan[1]) * v[1] + U(s.pan[2]) * v[2] + U(s.pan[0]) * v[0];
            l = loadFrames<U>(wetL + f) + U(s.away[2]) * v[2] + U(s.away[0]) * v[0] + U(s.away[1]) * v[1];
            l = U(s.master) * l * curves::masterScale + U(s.dry) * loadFrames<U>(xl + f);
            r = U(s.master) * r * curves::masterScale + U(s.dry) * loadFrames<U>(xr + f);
        }
        const auto quiet = (abs(l) < U(0.0001f)) & (abs(r) < U(0.0001f));
        loud |= static_cast<uint32_t>(~bits(quiet) & ((1 << width<U>) - 1)) << f;
        float* const left = outL + first + f;
        float* const right = outR + first + f;
        storeFrames(left, Replace ? l : loadFrames<U>(left) + l);
        storeFrames(right, Replace ? r : loadFrames<U>(right) + r);
    });
    // The quiet frames since the last loud one; more than a second of them puts the engine
    // to sleep from the next frame.
    silenceCounter_ = loud == 0 ? silenceCounter_ + n : n - 1 - (31 - std::countl_zero(loud));
    if (silenceCounter_ > quietLimit_.load(std::memory_order_relaxed)) asleep_ = true;
}

// The band filters, envelope followers, noise filters, gates and envelope smoothers over
// the frames, then the oscillators: pitch, phase, FM, sine and the voice's output.
template <class T, bool Sse41, bool AllRun>
void SoundEngine::voices(Frame<T>* x, const float* inL, const float* inR, int32_t n) noexcept {
    const Settings& s = settings_;
    const auto running = [&](int lane) __attribute__((always_inline)) {
        return AllRun ? loadMask<T>(allLanes, lane) : loadMask<T>(s.run, lane);
    };
    const auto none = loadMask<T>(noLanes, 0), all = loadMask<T>(allLanes, 0);
    // What holds for the chunk: the band filters' coefficients and ramps (in registers; the
    // ramps move only until they rest), the releases, the smoothers' coefficients.
    struct Held {
        BandFilter::Values<T> band;
        T release, smoothing, envelope;
    } held[3];
    bool ramps = false;
    for (int lane = 0; lane < 3; lane += width<T>) {
        held[lane] = {bandFilters_->values<T>(lane), loadRelaxed<T>(release_, lane),
                      loadRelaxed<T>(envelopeSmoothers_->coefficients(), lane), load<T>(envelope_, lane)};
        ramps = ramps || (!rampsRest_ && bandFilters_->rampsMove(held[lane].band, running(lane), lane));
    }
    // At rest they stay so until f moves, which the host announces.
    rampsRest_ = !ramps;
    const float attack = attack_.load(std::memory_order_relaxed), step = modulator_.step();
    const auto recurrences = [&]<bool Ramps>() __attribute__((always_inline)) {
        for (int32_t f = 0; f < n; ++f) {
            Frame<T>& y = x[f];
            y.mod = modulator_.processBy<Sse41>(step);
            y.noise = static_cast<float>(noise_.next()) * noiseScale - 0.5f;
            for (int lane = 0; lane < 3; lane += width<T>) {
                Held& h = held[lane];
                const auto run = running(lane);
                if (idleAlone(run)) {
                    // What the masks below give an idle band: its states stay, its outputs are 0.
                    y.filtered[lane] = y.follower[lane] = y.coloured[lane] = y.envelope[lane] = h.envelope = 0.0f;
                    continue;
                }
                const T input = load<T>(s.left, lane) * inL[f] + load<T>(s.right, lane) * inR[f];
                const T filtered = 2.0f * bandFilters_->process(input, h.band, Ramps, none, all, none, run, lane);
                y.filtered[lane] = keep(run, filtered);
                // The follower: 1 ms attack, the band's own release; e = (e - a) k + a, flushed
                const T a = abs(filtered);
                T e = flush((h.envelope - a) * select(a > h.envelope, T(attack), h.release) + a);
                y.follower[lane] = e;
                y.coloured[lane] = timbreFilters_->process(T(y.noise), load<T>(s.timbreCoefficient, lane), true,
                                                           loadMask<T>(narrowBandLanes, lane), none, run, lane);
                // The gate, then the smoother, whose output is the follower's next state.
                e = select(e * curves::gateScale < load<T>(s.gateLevel, lane), load<T>(gatedEnvelope, lane), e);
                e = envelopeSmoothers_->process(e, h.smoothing, false, none, none, run, lane);
                y.envelope[lane] = e;
                h.envelope = keep(run, e);
            }
        }
    };
    if (ramps) recurrences.template operator()<true>();
    else recurrences.template operator()<false>();
    for (int lane = 0; lane < 3; lane += width<T>) {
        bandFilters_->keepRamps(held[lane].band, lane);
        store(envelope_, lane, held[lane].envelope);
    }

    const float floatRate = floatRate_.load(std::memory_order_relaxed);
    T phase[3], previous[3];
    for (int lane = 0; lane < 3; lane += width<T>) phase[lane] = load<T>(phase_, lane), previous[lane] = load<T>(previous_, lane);
    for (int32_t f = 0; f < n; ++f) {
        Frame<T>& y = x[f];
        for (int lane = 0; lane < 3; lane += width<T>) {
            const auto run = running(lane);
            if (idleAlone(run)) {
                previous[lane] = y.preVolume[lane] = y.voice[lane] = 0.0f;
                continue;
            }
            // Pitch bend by the envelope: m is ln of the frequency ratio, e^m to second order.
            const T follower = y.follower[lane];
            const T m = load<T>(s.bend, lane) * follower * curves::semitoneExponent;
            const T pitch = curves::bendRatio(m);
            phase[lane] = select(run, wrapPhase<Sse41>(phase[lane] + load<T>(s.baseFrequency, lane) * pitch / floatRate),
                                 phase[lane]);
            // FM: feedback of the previous output, else the modulator.
            const T byEnvelope = keep(loadMask<T>(firstLane, lane), follower) + load<T>(oneButFirst, lane);
            T fm = load<T>(s.oscillatorDepth, lane) * byEnvelope * y.mod;
            if (s.anyFeedback)
                fm = select(loadMask<T>(s.feedback, lane), load<T>(s.feedbackDepth, lane) * previous[lane] * follower, fm);
            const T sine = polySine(wrapPhase<Sse41>(fm * 0.15915507f + phase[lane]));
            previous[lane] = keep(run, sine);
            // From the sine to the coloured noise by Timbre, at the smoothed envelope.
            const T out = (load<T>(s.sineShare, lane) * sine + load<T>(s.noiseShare, lane) * y.coloured[lane]) *
                          y.envelope[lane];
            const T volume = load<T>(s.volume, lane);
            y.preVolume[lane] = keep(run, out);
            y.voice[lane] = keep(run, volume * out + volume * out);
        }
    }
    for (int lane = 0; lane < 3; lane += width<T>) store(phase_, lane, phase[lane]), store(previous_, lane, previous[lane]);
}

// The delay lines over the chunk's frames, in stretches between updates of the delay times.
template <class T>
void SoundEngine::delays(const float* send, float* wetL, float* wetR, int32_t n) noexcept {
    const Settings& s = settings_;
    float feedbackLeft = feedback_[0], feedbackRight = feedback_[1];
    const auto frames = [&](auto& left, auto& right) __attribute__((always_inline)) {
        int32_t wait = delayUpdateWait_;
        for (int32_t f = 0; f < n;) {
            if (wait == 0) { // every tenth frame the delay times glide towards Delay and Stereo
                float leftDelay, rightDelay;
                glideDelayTimes(leftDelay, rightDelay);
                left.setDelay(leftDelay);
                right.setDelay(rightDelay);
                wait = delayUpdateInterval;
            }
            const int32_t end = f + std::min(n - f, wait);
            wait -= end - f;
            for (; f < end; ++f)
                delayFrames(left, right, send + f, s.delayVolume, s.feedbackAmount, feedbackLeft, feedbackRight,
                            wetL + f, wetR + f);
        }
        delayUpdateWait_ = wait;
    };
    DelayLine::Run left, right;
    if (n > 1 && leftLine_->begin(left) && rightLine_->begin(right)) {
        frames(left, right);
        leftLine_->end(left);
        rightLine_->end(right);
    } else {
        frames(*leftLine_, *rightLine_); // a line being resized outputs 0 and stays as it is, frame by frame
    }
    feedback_[0] = feedbackLeft;
    feedback_[1] = feedbackRight;
}

} // namespace zk
