#include "tests/support/LoadedModule.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Change {
    int64_t frame; // -1: right after resume
    int32_t index;
    float value;
};

struct Scenario {
    double rate = 0.0;
    std::vector<Change> changes;
};

Scenario readScenario(const std::string& path) {
    Scenario s;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream words(line);
        std::string word;
        if (!(words >> word) || word[0] == '#') continue;
        Change c{-1, 0, 0.0f};
        if (word == "rate" && words >> s.rate) continue;
        if (word == "at") words >> c.frame >> word;
        if (word != "set" || !(words >> c.index >> c.value)) throw std::runtime_error("bad line: " + line);
        s.changes.push_back(c);
    }
    return s;
}

// Interleaved stereo float samples.
std::vector<float> readWav(const std::string& path, double& rate) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) throw std::runtime_error("cannot open " + path);
    std::vector<float> samples(static_cast<size_t>(info.frames) * 2);
    const sf_count_t read = info.channels == 2 ? sf_readf_float(file, samples.data(), info.frames) : 0;
    sf_close(file);
    if (read != info.frames) throw std::runtime_error("not a complete stereo file: " + path);
    rate = info.samplerate;
    return samples;
}

// 0 for blocks of 512, 1 for single frames, 2 for sizes that keep changing.
int32_t blockSize(int mode, size_t blockNumber) {
    static const int32_t varying[] = {173, 1, 512, 64, 7, 1000, 300, 2, 511, 33};
    return mode == 0 ? 512 : mode == 1 ? 1 : varying[blockNumber % std::size(varying)];
}

std::vector<float> render(const Scenario& s, const std::vector<float>& input, int mode) {
    zktest::LoadedModule module(zktest::builtModulePath());
    zktest::HostedEffect effect(module);
    effect.resume(static_cast<float>(s.rate), mode == 2 ? 1000 : blockSize(mode, 0));
    for (const Change& c : s.changes)
        if (c.frame < 0) effect.setParameter(c.index, c.value);

    const size_t frames = input.size() / 2;
    std::vector<float> inL(frames), inR(frames), outL(frames), outR(frames);
    for (size_t i = 0; i < frames; ++i) inL[i] = input[2 * i], inR[i] = input[2 * i + 1];
    size_t position = 0;
    for (size_t block = 0; position < frames; ++block) {
        size_t end = std::min(frames, position + static_cast<size_t>(blockSize(mode, block)));
        for (const Change& c : s.changes) { // a timed change splits the block it falls in
            const auto at = static_cast<size_t>(c.frame);
            if (c.frame >= 0 && at == position) effect.setParameter(c.index, c.value);
            if (c.frame >= 0 && at > position && at < end) end = at;
        }
        effect.processReplacing(&inL[position], &inR[position], &outL[position], &outR[position],
                                static_cast<int32_t>(end - position));
        position = end;
    }
    std::vector<float> out(2 * frames);
    for (size_t i = 0; i < frames; ++i) out[2 * i] = outL[i], out[2 * i + 1] = outR[i];
    return out;
}

class Reference : public ::testing::TestWithParam<std::tuple<const char*, int>> {};

TEST_P(Reference, MatchesTheExpectedRender) {
    const std::string base = std::string(ZK_REFERENCE_DIR) + "/" + std::get<0>(GetParam());
    const Scenario scenario = readScenario(base + ".scenario");
    double inputRate = 0.0, expectedRate = 0.0;
    const std::vector<float> input = readWav(base + ".input.wav", inputRate);
    const std::vector<float> expected = readWav(base + ".expected.wav", expectedRate);
    ASSERT_EQ(inputRate, scenario.rate);
    ASSERT_EQ(expected.size(), input.size());

    const std::vector<float> actual = render(scenario, input, std::get<1>(GetParam()));
    double signal = 0.0, error = 0.0, worst = 0.0;
    size_t differing = 0;
    for (size_t i = 0; i < actual.size(); ++i) {
        ASSERT_TRUE(std::isfinite(actual[i])) << "sample " << i;
        const double e = static_cast<double>(expected[i]) - actual[i];
        signal += static_cast<double>(expected[i]) * expected[i];
        error += e * e;
        worst = std::max(worst, std::fabs(e));
        differing += e != 0.0;
    }
    const double db = error > 0.0 ? 10.0 * std::log10(error / signal) : -999.0;
    std::cout << "error " << db << " dB rel, max " << worst << ", bit-exact " << (differing == 0) << " ("
              << differing << " of " << actual.size() << " samples differ)\n";
    RecordProperty("bit_exact", differing == 0 ? "1" : "0");
    EXPECT_LE(db, -70.0);
    EXPECT_LE(worst, 0.001);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, Reference,
                         ::testing::Combine(::testing::Values("default-speech-44k", "three-bands-drums-48k"),
                                            ::testing::Values(0, 1, 2)));

} // namespace
