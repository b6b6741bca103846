// How long the sound goes on once the input stops: the band envelopes' release, slowed by
// the smoothers they run through, then the delay's cross-feedback ringing out.

#include "core/PluginEffect.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zk {

namespace {

// Down by 120 dB: from the loudest the mix makes to well below what the engine counts as quiet.
constexpr double kFall = 1e-6;
// The delay lines hold one second at most.
constexpr double kLongestDelaySeconds = 1.0;
// A sound that lasts longer than this is reported as infinite: hosts keep processing then
// rather than waiting for an end (the engine falls silent on its own once it is quiet).
constexpr double kLongestFiniteSeconds = 60.0;

// Frames for an active band's envelope to fall by kFall once its input stops. Each frame the
// follower releases by its coefficient, and the envelope smoother, whose output the follower
// goes on from, passes only its own coefficient's share of that fall: the smoother stretches
// the release by the inverse of that share.
double releaseFrames(double release, double smooth, double rate) {
    const double smoother = std::clamp(2.0 * std::numbers::pi * (1.0 - smooth) * 1000.0 / rate, 0.02, 1.0);
    const double kept = release > 0.0 ? std::pow(0.01, 1.0 / (release * release * 400.0 * rate * 0.001)) : 0.0;
    const double perFrame = 1.0 - smoother * (1.0 - kept);
    return perFrame < 1.0 ? std::ceil(std::log(kFall) / std::log(perFrame)) : INFINITY;
}

} // namespace

uint32_t PluginEffect::tailFrames() const noexcept {
    const double rate = sampleRate();
    double frames = 0.0;
    for (int32_t band = 1; band <= 3; ++band) {
        if (!(parameter(bandParameter(paramLeft1, band)) > 0.0f || parameter(bandParameter(paramRight1, band)) > 0.0f))
            continue; // an idle band holds no envelope
        frames = std::max(frames, releaseFrames(parameter(bandParameter(paramRelease1, band)), parameter(paramSmooth), rate));
    }
    // Then the delay. Its return passes Volume inside the loop, and each line feeds back the
    // feedback amount of its own output and half of the other's: a sound common to both
    // comes back 1.5 × amount × Volume as loud after each round (taken as the longer line's
    // delay; the shorter line only rings out sooner).
    const double returnLevel = std::fabs(parameter(paramDelayVolume));
    if (returnLevel > 0.0) {
        const double feedback = parameter(paramFeedback);
        const double loopGain = 1.5 * 0.9 * feedback * feedback * returnLevel;
        if (!(loopGain < 1.0)) return kInfiniteTail;
        const double delay = parameter(paramDelay);
        const double round = std::min(delay * delay + 0.14, kLongestDelaySeconds);
        const double rounds = loopGain > 0.0 ? std::ceil(std::log(kFall) / std::log(loopGain)) + 1.0 : 1.0;
        frames += rounds * round * rate;
    }
    if (!(frames <= kLongestFiniteSeconds * rate)) return kInfiniteTail;
    return static_cast<uint32_t>(frames);
}

} // namespace zk
