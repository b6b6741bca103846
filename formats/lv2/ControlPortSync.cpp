#include "formats/lv2/ControlPortSync.h"

namespace zk::lv2 {

namespace {
// Port values compare by bits: a NaN the host put there changes nothing twice.
bool same(float a, float b) noexcept { return a == b || (a != a && b != b); }
} // namespace

bool ControlPortSync::take(int32_t index, float portValue, float effectValue) noexcept {
    if (index < 0 || index >= kNumParameters) return false;
    const float before = seen_[index];
    seen_[index] = portValue;
    switch (mode_) {
    case Mode::first: return !same(portValue, effectValue);
    case Mode::adopt: echoes_[index].count = 0; return false;
    case Mode::follow: break;
    }
    if (same(portValue, before)) return false;
    Echoes& echoes = echoes_[index];
    if (consumeEcho(echoes, portValue)) return false;
    echoes.count = 0; // the host's own change: older echoes would undo it
    return true;
}

void ControlPortSync::endBlock(int64_t frames) noexcept {
    mode_ = Mode::follow;
    now_ += frames;
}

void ControlPortSync::noteReported(int32_t index, float value) noexcept {
    if (index < 0 || index >= kNumParameters) return;
    Echoes& echoes = echoes_[index];
    if (echoes.count == kEchoDepth) { // the oldest gives way
        for (int i = 1; i < kEchoDepth; ++i) echoes.pending[i - 1] = echoes.pending[i];
        --echoes.count;
    }
    echoes.pending[echoes.count++] = {value, now_ + echoLifetime_};
}

void ControlPortSync::forgetReports() noexcept {
    for (Echoes& echoes : echoes_) echoes.count = 0;
}

bool ControlPortSync::consumeEcho(Echoes& echoes, float value) noexcept {
    // Oldest first: a sweep that comes back to a value echoes it twice, in order.
    for (int i = 0; i < echoes.count; ++i) {
        if (echoes.pending[i].expires < now_ || !same(echoes.pending[i].value, value)) continue;
        const int left = echoes.count - (i + 1);
        for (int k = 0; k < left; ++k) echoes.pending[k] = echoes.pending[i + 1 + k];
        echoes.count = left;
        return true;
    }
    return false;
}

} // namespace zk::lv2
