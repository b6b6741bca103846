// The tail the effect reports covers the sound it makes once the input stops, rings on
// (infinite) while the delay's feedback does, and follows the values.

#include "core/PluginEffect.h"
#include "tests/support/ScriptedMessages.h"
#include "core/SilentHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace zktest {
namespace {

class TailTest : public ::testing::Test {
protected:
    TailTest() : effect(host, zk::EffectServices{&messages, nullptr}) {
        effect.initialise();
        effect.setSampleRate(kRate);
        effect.activate();
    }
    // Frames from the end of a burst of loud noise to the last output sample at or above
    // the level the engine counts as sound (1e-4); the render goes on for `limit` frames.
    int64_t ringing(int64_t limit) {
        constexpr int32_t kBlock = 1024;
        constexpr int64_t kBurst = kRate / 2;
        std::mt19937 random(5);
        std::uniform_real_distribution<float> noise(-0.9f, 0.9f);
        std::vector<float> in(kBlock), outL(kBlock), outR(kBlock);
        int64_t last = -1;
        for (int64_t at = 0; at < kBurst + limit; at += kBlock) {
            for (int32_t f = 0; f < kBlock; ++f) in[f] = at + f < kBurst ? noise(random) : 0.0f;
            const float* inputs[2] = {in.data(), in.data()};
            float* outputs[2] = {outL.data(), outR.data()};
            effect.process(inputs, outputs, kBlock);
            for (int32_t f = 0; f < kBlock; ++f)
                if (std::fabs(outL[f]) >= 1e-4f || std::fabs(outR[f]) >= 1e-4f) last = at + f;
        }
        return last - kBurst;
    }

    static constexpr int32_t kRate = 44100;
    zk::SilentHost host;
    ScriptedMessages messages;
    zk::PluginEffect effect;
};

TEST_F(TailTest, TheDefaultProgramsTailCoversItsSound) {
    const uint32_t tail = effect.tailFrames();
    ASSERT_LT(tail, 10u * kRate);
    EXPECT_LT(ringing(3 * int64_t(tail)), int64_t(tail));
}

TEST_F(TailTest, ALongReleaseAndADelayRingingOutAreCovered) {
    for (zk::ParameterIndex band : {zk::paramLeft2, zk::paramRight2, zk::paramLeft3, zk::paramRight3})
        effect.setParameter(band, 1.0f);
    for (int32_t band = 1; band <= 3; ++band) {
        effect.setParameter(zk::bandParameter(zk::paramRelease1, band), 1.0f);
        effect.setParameter(zk::bandParameter(zk::paramEffect1, band), 1.0f);
        effect.setParameter(zk::bandParameter(zk::paramSensitivity1, band), 1.0f);
    }
    effect.setParameter(zk::paramDelay, 0.6f);
    effect.setParameter(zk::paramFeedback, 0.6f);
    effect.setParameter(zk::paramDelayVolume, 1.0f);
    const uint32_t tail = effect.tailFrames();
    ASSERT_LT(tail, 60u * kRate);
    const int64_t ring = ringing(2 * int64_t(tail));
    EXPECT_LT(ring, int64_t(tail));
    EXPECT_GT(ring, int64_t(tail) / 4) << "an estimate, but not a wild one";
}

TEST_F(TailTest, FeedbackThatRingsOnIsInfiniteAndTheTailFollowsTheValues) {
    const uint32_t usual = effect.tailFrames();
    effect.setParameter(zk::paramFeedback, 1.0f);
    effect.setParameter(zk::paramDelayVolume, 1.0f);
    EXPECT_EQ(effect.tailFrames(), zk::Effect::kInfiniteTail);
    effect.setParameter(zk::paramDelayVolume, 0.0f); // nothing comes back from the delay
    const uint32_t releaseOnly = effect.tailFrames();
    EXPECT_LT(releaseOnly, usual);
    effect.setParameter(zk::paramRelease1, 1.0f);
    EXPECT_GT(effect.tailFrames(), releaseOnly);
    effect.setSampleRate(2.0f * kRate);
    EXPECT_GT(effect.tailFrames(), 3 * (releaseOnly / 2)) << "frames at the new rate";
}

} // namespace
} // namespace zktest
