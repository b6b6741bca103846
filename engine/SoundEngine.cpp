// Placeholder until the engine lands: silent output that honours replace/accumulate.
#include "engine/SoundEngine.h"

namespace zk {

SoundEngine::SoundEngine(EngineHost& host) : host_(host) {}
SoundEngine::~SoundEngine() = default;
void SoundEngine::initEngine(double) {}
void SoundEngine::adoptSampleRate(double, bool) { host_.reselectCurrentProgram(); }
void SoundEngine::processBlock(const float*, const float*, float* outL, float* outR, int32_t frames,
                               bool replace) noexcept {
    for (int32_t i = 0; i < frames; ++i) {
        host_.handlePendingEvents(i);
        if (replace) { outL[i] = 0.0f; outR[i] = 0.0f; }
    }
}
int32_t SoundEngine::bandActivity(int32_t) const noexcept { return 0; }
void SoundEngine::setBandTuning(int32_t, float, float) noexcept {}
void SoundEngine::setRelease(int32_t, float) noexcept {}
void SoundEngine::setFeedback(float) noexcept {}
void SoundEngine::setSmooth(float) noexcept {}
void SoundEngine::setFmEvery(float) noexcept {}

} // namespace zk
