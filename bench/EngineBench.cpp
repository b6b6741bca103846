// Drives the engine directly through a fake host holding the parameter values. Every case
// runs on each voice path of this build and processor, side by side in one run.

#include "bench/NoiseInput.h"
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
constexpr double rate = 44100.0;

// Arguments: the voice path (its index in SoundEngine::voicePaths) and the block size.
void runEngine(benchmark::State& state, std::initializer_list<std::pair<int32_t, float>> changes, bool silent) {
    const Path path = zk::SoundEngine::voicePaths[state.range(0)];
    const auto blockSize = static_cast<size_t>(state.range(1));
    if (!zk::SoundEngine::pathAvailable(path)) {
        state.SkipWithError("voice path not available here");
        return;
    }
    zktest::FakeHost host(rate);
    host.engine.useVoicePath(path);
    for (auto [index, value] : changes) host.set(index, value);
    // One second of noise, looped block by block.
    const size_t length = static_cast<size_t>(rate) / blockSize * blockSize;
    const zkbench::NoiseInput in(length, silent);
    const std::vector<float>& inL = in.l;
    const std::vector<float>& inR = in.r;
    std::vector<float> outL(blockSize), outR(blockSize);
    size_t position = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        host.engine.processBlock(&inL[position], &inR[position], outL.data(), outR.data(),
                                 static_cast<int32_t>(blockSize), true);
        benchmark::DoNotOptimize(outL.data());
        benchmark::ClobberMemory();
        position += blockSize; // no division here: at block size 1 it would show
        if (position == length) position = 0;
        frames += static_cast<int64_t>(blockSize);
    }
    if (silent != host.engine.asleep()) state.SkipWithError("engine not in the intended sleep state");
    // Seconds per frame (shown with its prefix, e.g. 150ns), and seconds of audio per second.
    state.counters["per_frame"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(frames) / rate, benchmark::Counter::kIsRate);
}

void DefaultProgram(benchmark::State& state) { runEngine(state, {}, false); }

// Bands 2 and 3 listening too, and every band's delay send up.
const std::initializer_list<std::pair<int32_t, float>> threeBandsWithSends = {
    {zk::paramLeft2, 1.0f},   {zk::paramRight2, 0.5f},  {zk::paramLeft3, 0.3f},  {zk::paramRight3, 1.0f},
    {zk::paramEffect1, 0.5f}, {zk::paramEffect2, 0.4f}, {zk::paramEffect3, 0.6f}};

void ThreeBandsWithDelaySends(benchmark::State& state) {
    runEngine(state, threeBandsWithSends, false);
}

// The plain yardstick (PlainEngine.h) on the same input and values, blocks of 512.
void runPlainEngine(benchmark::State& state, std::initializer_list<std::pair<int32_t, float>> changes) {
    std::array<float, zk::kNumParameters> values = zktest::defaultProgram;
    for (auto [index, value] : changes) values[static_cast<size_t>(index)] = value;
    zkbench::PlainEngine engine(values.data(), static_cast<float>(rate));
    constexpr size_t blockSize = 512;
    const size_t length = static_cast<size_t>(rate) / blockSize * blockSize;
    const zkbench::NoiseInput in(length, false);
    std::vector<float> outL(blockSize), outR(blockSize);
    size_t position = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        engine.process(&in.l[position], &in.r[position], outL.data(), outR.data(), static_cast<int32_t>(blockSize));
        benchmark::DoNotOptimize(outL.data());
        benchmark::ClobberMemory();
        position += blockSize;
        if (position == length) position = 0;
        frames += static_cast<int64_t>(blockSize);
    }
    if (engine.asleep()) state.SkipWithError("the plain engine fell asleep");
    state.counters["per_frame"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(frames) / rate, benchmark::Counter::kIsRate);
}

void PlainDefaultProgram(benchmark::State& state) { runPlainEngine(state, {}); }
void PlainThreeBandsWithDelaySends(benchmark::State& state) {
    runPlainEngine(state, threeBandsWithSends);
}

void PreListen(benchmark::State& state) { runEngine(state, {{zk::paramPreListen1, 1.0f}}, false); }

void Asleep(benchmark::State& state) { runEngine(state, {{zk::paramDry, 1.0f}}, true); }

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
