// How long the sound goes on once the input stops: the band envelopes' release, the
// envelope smoothers, and the delay's cross-feedback ringing out.

#include "core/PluginEffect.h"

#include <algorithm>
#include <cmath>

namespace zk {

namespace {

// Down by 100 dB: from the loudest the mix makes to well below what the engine counts as quiet.
constexpr double kFall = 1e-5;
// A release value r brings its envelope down by 99 % in r² × 400 ms, by 100 dB in 2.5 times that.
constexpr double kReleaseSeconds = 0.4 * 2.5;
// The envelope smoothers move at least 2 % of the way per frame: 100 dB within 600 frames.
constexpr double kSmootherFrames = 600.0;
// The delay lines hold one second at most.
constexpr double kLongestDelaySeconds = 1.0;
// A ring that lasts longer than this is reported as infinite: hosts keep processing then
// rather than waiting for an end (the engine falls silent on its own once it is quiet).
constexpr double kLongestFiniteSeconds = 60.0;

} // namespace

uint32_t PluginEffect::tailFrames() const noexcept {
    double seconds = 0.0;
    for (int32_t band = 1; band <= 3; ++band) {
        const double release = parameter(bandParameter(paramRelease1, band));
        seconds = std::max(seconds, release * release * kReleaseSeconds);
    }
    // The delay's return passes Volume inside the loop; each line feeds back the feedback
    // amount of its own output and half of the other's, so a sound common to both comes
    // back 1.5 × amount × Volume as loud after each round (the longer line's delay; the
    // shorter line only rings out sooner).
    const double returnLevel = std::fabs(parameter(paramDelayVolume));
    if (returnLevel > 0.0) {
        const double feedback = parameter(paramFeedback);
        const double loopGain = 1.5 * 0.9 * feedback * feedback * returnLevel;
        if (!(loopGain < 1.0)) return kInfiniteTail;
        const double delay = parameter(paramDelay);
        const double round = std::min(delay * delay + 0.14, kLongestDelaySeconds);
        const double rounds = loopGain > 0.0 ? std::ceil(std::log(kFall) / std::log(loopGain)) + 1.0 : 1.0;
        const double ringing = rounds * round;
        if (!(ringing <= kLongestFiniteSeconds)) return kInfiniteTail;
        seconds += ringing;
    }
    const double frames = std::ceil(seconds * sampleRate() + kSmootherFrames);
    return frames < double(kInfiniteTail - 1) ? static_cast<uint32_t>(frames) : kInfiniteTail;
}

} // namespace zk
