#include "core/BypassFade.h"

#include <cmath>

namespace zk {

void BypassFade::prepare(double sampleRate) {
    const double frames = std::round(sampleRate * kFadeSeconds);
    const int32_t length = frames >= 1.0 ? static_cast<int32_t>(std::min(frames, 1.0e6)) : 1;
    if (length != length_ || !saved_[0]) {
        // Both first, so that a failure leaves the fade as it was.
        auto left = std::make_unique<float[]>(static_cast<size_t>(length));
        auto right = std::make_unique<float[]>(static_cast<size_t>(length));
        saved_[0] = std::move(left);
        saved_[1] = std::move(right);
        length_ = length;
    }
    position_ = requested() ? length_ : 0;
}

} // namespace zk
