// Drives the engine directly through a fake host holding the parameter values. Every case
// runs on each voice path of this build and processor, side by side in one run.

#include "bench/PlainEngine.h"
#include "tests/engine/FakeHost.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <utility>
#include <vector>

namespace {

using Path = zk::SoundEngine::VoicePath;
using Changes = std::initializer_list<std::pair<int32_t, float>>;
constexpr double rate = 44100.0;

// One second of noise (the right channel partly follows the left), or of silence, looped
// block by block through `process(inL, inR, outL, outR, frames)`.
template <class Process> void measure(benchmark::State& state, size_t blockSize, bool silent, Process process) {
    const size_t length = static_cast<size_t>(rate) / blockSize * blockSize;
    std::vector<float> inL(length), inR(length), outL(blockSize), outR(blockSize);
    uint32_t seed = 12345;
    for (size_t i = 0; i < length && !silent; ++i) {
        seed = seed * 1664525u + 1013904223u;
        inL[i] = static_cast<float>(seed >> 9) / 8388608.0f - 0.5f;
        inR[i] = 0.7f * inL[i] + (i % 200 < 100 ? 0.1f : -0.1f);
    }
    size_t position = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        process(&inL[position], &inR[position], outL.data(), outR.data(), static_cast<int32_t>(blockSize));
        benchmark::DoNotOptimize(outL.data());
        benchmark::ClobberMemory();
        position += blockSize; // no division here: at block size 1 it would show
        if (position == length) position = 0;
        frames += static_cast<int64_t>(blockSize);
    }
    // Seconds per frame (shown with its prefix, e.g. 150ns), and seconds of audio per second.
    state.counters["per_frame"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(frames) / rate, benchmark::Counter::kIsRate);
}

// Arguments: the voice path (its index in SoundEngine::voicePaths) and the block size.
void runEngine(benchmark::State& state, Changes changes, bool silent) {
    const Path path = zk::SoundEngine::voicePaths[state.range(0)];
    if (!zk::SoundEngine::pathAvailable(path)) {
        state.SkipWithError("voice path not available here");
        return;
    }
    zktest::FakeHost host(rate);
    host.engine.useVoicePath(path);
    for (auto [index, value] : changes) host.set(index, value);
    measure(state, static_cast<size_t>(state.range(1)), silent,
            [&](const float* inL, const float* inR, float* outL, float* outR, int32_t frames) {
                host.engine.processBlock(inL, inR, outL, outR, frames, true);
            });
    if (silent != host.engine.asleep()) state.SkipWithError("engine not in the intended sleep state");
}

// The plain yardstick (PlainEngine.h) on the same input and values, blocks of 512.
void runPlainEngine(benchmark::State& state, Changes changes) {
    std::array<float, zk::kNumParameters> values = zktest::defaultProgram;
    for (auto [index, value] : changes) values[static_cast<size_t>(index)] = value;
    zkbench::PlainEngine engine(values.data(), static_cast<float>(rate));
    measure(state, 512, false, [&](const float* inL, const float* inR, float* outL, float* outR, int32_t frames) {
        engine.process(inL, inR, outL, outR, frames);
    });
    if (engine.asleep()) state.SkipWithError("the plain engine fell asleep");
}

// Bands 2 and 3 listening too, and every band's delay send up.
const Changes threeBandsWithSends = {{zk::paramLeft2, 1.0f},   {zk::paramRight2, 0.5f},  {zk::paramLeft3, 0.3f},
                                     {zk::paramRight3, 1.0f},  {zk::paramEffect1, 0.5f}, {zk::paramEffect2, 0.4f},
                                     {zk::paramEffect3, 0.6f}};

void DefaultProgram(benchmark::State& state) { runEngine(state, {}, false); }
void ThreeBandsWithDelaySends(benchmark::State& state) { runEngine(state, threeBandsWithSends, false); }
void PreListen(benchmark::State& state) { runEngine(state, {{zk::paramPreListen1, 1.0f}}, false); }
void Asleep(benchmark::State& state) { runEngine(state, {{zk::paramDry, 1.0f}}, true); }
void PlainDefaultProgram(benchmark::State& state) { runPlainEngine(state, {}); }
void PlainThreeBandsWithDelaySends(benchmark::State& state) { runPlainEngine(state, threeBandsWithSends); }

// Every case on every path at block sizes 1, 32 and 512.
void AllPathsAndBlocks(benchmark::internal::Benchmark* b) {
    b->ArgNames({"path", "block"});
    for (int64_t block : {1, 32, 512})
        for (size_t path = 0; path < std::size(zk::SoundEngine::voicePaths); ++path)
            b->Args({static_cast<int64_t>(path), block});
}

} // namespace

BENCHMARK(DefaultProgram)->Apply(AllPathsAndBlocks);
BENCHMARK(ThreeBandsWithDelaySends)->Apply(AllPathsAndBlocks);
BENCHMARK(PreListen)->Apply(AllPathsAndBlocks);
BENCHMARK(Asleep)->Apply(AllPathsAndBlocks);
BENCHMARK(PlainDefaultProgram);
BENCHMARK(PlainThreeBandsWithDelaySends);

BENCHMARK_MAIN();
