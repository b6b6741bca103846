// The bypass that CLAP, VST3 and LV2 hosts switch: the input once the fade is done, no click
// on the way in or out, the same bits whatever the blocks, and nothing else changed.

#include "tests/core/EffectFixture.h"
#include "core/SilentHost.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace zktest {
namespace {

constexpr float kRate = 44100.0f;

// A second of a voice-like input: a swelling tone with bursts of noise.
std::vector<float> input(int channel) {
    std::vector<float> x(static_cast<size_t>(kRate));
    std::minstd_rand noise(static_cast<unsigned>(3 + channel));
    std::uniform_real_distribution<float> hiss(-0.2f, 0.2f);
    for (size_t i = 0; i < x.size(); ++i) {
        const float t = static_cast<float>(i) / kRate;
        const float burst = std::fmod(t, 0.25f) < 0.05f ? hiss(noise) : 0.0f;
        x[i] = 0.4f * std::sin(6.2831853f * 180.0f * t) * std::min(1.0f, 4.0f * t) + burst;
    }
    return x;
}

// An effect with a loud wet sound, far from the input.
std::unique_ptr<zk::PluginEffect> makeEffect(zk::HostServices& host) {
    auto effect = std::make_unique<zk::PluginEffect>(host);
    effect->initialise();
    effect->setSampleRate(kRate);
    effect->setParameter(zk::paramMaster, 1.0f);
    effect->setParameter(zk::paramVolume1, 1.0f);
    effect->setParameter(zk::paramOffset1, 0.3f);
    effect->setParameter(zk::paramMod1, 0.5f); // a steady 219 Hz voice, no bend
    effect->activate();
    return effect;
}

class BypassTest : public ::testing::Test {
protected:
    // Renders [from, to) of the input into `out` (grown to fit) through `effect` in blocks of
    // `block` frames (0: random sizes), in place or not, with `at(frame)` called before each
    // block; a block ends at every frame in `cuts`, where the test switches.
    template <class At>
    void render(zk::PluginEffect& effect, std::vector<float> out[2], size_t from, size_t to, int block, bool inPlace,
                At&& at, std::vector<size_t> cuts = {}) {
        std::mt19937 sizes(11);
        for (int c = 0; c < 2; ++c) out[c].resize(std::max(out[c].size(), to));
        for (size_t f = from; f < to;) {
            at(f);
            size_t n = std::min(to - f, static_cast<size_t>(block ? block : 1 + sizes() % 700));
            for (size_t cut : cuts)
                if (cut > f && cut < f + n) n = cut - f;
            std::vector<float> a(in[0].begin() + f, in[0].begin() + f + n), b(in[1].begin() + f, in[1].begin() + f + n);
            std::vector<float> l(n), r(n);
            const float* inputs[2] = {a.data(), b.data()};
            float* outputs[2] = {inPlace ? a.data() : l.data(), inPlace ? b.data() : r.data()};
            effect.process(inputs, outputs, static_cast<int32_t>(n));
            for (int c = 0; c < 2; ++c) std::copy(outputs[c], outputs[c] + n, out[c].begin() + f);
            f += n;
        }
    }
    zk::SilentHost host;
    std::vector<float> in[2] = {input(0), input(1)};
};

float largestStep(const std::vector<float>& x, size_t from, size_t to) {
    float step = 0.0f;
    for (size_t i = std::max<size_t>(from, 1); i < to; ++i) step = std::max(step, std::fabs(x[i] - x[i - 1]));
    return step;
}

TEST_F(BypassTest, BypassedTheOutputIsTheInputAndNeitherWayClicks) {
    const size_t on = 26460, off = 37485; // at block boundaries of 441 frames, between the bursts
    const size_t fade = static_cast<size_t>(std::round(kRate * zk::BypassFade::kFadeSeconds));
    std::vector<float> wet[2], out[2];
    render(*makeEffect(host), wet, 0, in[0].size(), 441, false, [](size_t) {});
    const auto effect = makeEffect(host);
    render(*effect, out, 0, in[0].size(), 441, false, [&](size_t frame) {
        if (frame == on) effect->setBypass(true);
        if (frame == off) effect->setBypass(false);
    });
    for (int c = 0; c < 2; ++c) {
        // The engine's sound up to the switch, the input once the fade is done.
        EXPECT_TRUE(std::equal(out[c].begin(), out[c].begin() + on, wet[c].begin()));
        EXPECT_TRUE(std::equal(out[c].begin() + on + fade, out[c].begin() + off, in[c].begin() + on + fade));
        EXPECT_FALSE(std::equal(out[c].begin() + on, out[c].begin() + on + fade, in[c].begin() + on));
        // No click: a step in either fade is at most the larger of the two signals' own steps
        // and the fade's share of the distance between them; a switch without the fade would
        // jump the whole distance at once.
        for (size_t at : {on, off}) {
            const size_t from = at - 2 * fade, to = at + 3 * fade;
            float own = std::max(largestStep(in[c], from, to), largestStep(wet[c], from, to));
            own = std::max(own, largestStep(out[c], at + fade, to)); // the engine's sound after its rest
            float distance = 0.0f;
            for (size_t i = at; i < at + fade; ++i) distance = std::max(distance, std::fabs(wet[c][i] - in[c][i]));
            const float allowed = own + distance / static_cast<float>(fade) * 1.05f;
            EXPECT_LE(largestStep(out[c], at - 1, at + fade + 1), allowed) << at;
            EXPECT_GT(distance, 3.0f * allowed) << "the test needs a jump a switch would make";
        }
        // Back out of the bypass: the engine's sound again (it rested meanwhile).
        EXPECT_FALSE(std::equal(out[c].begin() + off + fade, out[c].end(), in[c].begin() + off + fade));
    }
}

TEST_F(BypassTest, TheSameBitsWhateverTheBlocksInPlaceOrNot) {
    auto run = [&](int block, bool inPlace) {
        const auto effect = makeEffect(host);
        std::vector<float> out[2];
        render(*effect, out, 0, in[0].size(), block, inPlace, [&](size_t frame) {
            // Switched in the middle of a fade and back, wherever the blocks fall.
            if (frame >= 10000 && frame < 10100) effect->setBypass(true);
            if (frame >= 10100 && frame < 20000) effect->setBypass(false);
            if (frame >= 20000) effect->setBypass(true);
        }, {10000, 10100, 20000});
        return out[0];
    };
    const std::vector<float> reference = run(1, false);
    EXPECT_EQ(run(1, true), reference);
    EXPECT_EQ(run(0, true), reference);
    EXPECT_EQ(run(0, false), reference);
}

TEST_F(BypassTest, StateBindingsAndMidiAreUntouched) {
    const auto made = makeEffect(host);
    zk::PluginEffect& effect = *made;
    const std::vector<uint8_t> before = saved(effect, zk::ChunkKind::bank);
    effect.setBypass(true);
    std::vector<float> out[2];
    render(effect, out, 0, 4410, 441, false, [](size_t) {});
    EXPECT_EQ(saved(effect, zk::ChunkKind::bank), before) << "no chunk holds the bypass";
    EXPECT_TRUE(effect.bypassed());

    // A Program Change in a bypassed block is taken.
    const MidiList change({{10, {0xC0, 5, 0}}});
    float l[64] = {}, r[64] = {};
    const float* inputs[2] = {l, r};
    float* outputs[2] = {l, r};
    effect.process(inputs, outputs, 64, change.list());
    EXPECT_EQ(effect.currentProgram(), 5);
}

TEST_F(BypassTest, SetWhileInactiveItHoldsFromTheFirstFrame) {
    const auto effect = makeEffect(host);
    effect->deactivate();
    effect->setBypass(true);
    effect->activate();
    std::vector<float> out[2];
    render(*effect, out, 0, 2048, 512, false, [](size_t) {});
    for (int c = 0; c < 2; ++c) EXPECT_TRUE(std::equal(out[c].begin(), out[c].end(), in[c].begin()));
}

} // namespace
} // namespace zktest
