#pragma once

// Planar stereo audio for the suites that drive a plug-in format from outside, and the
// questions they ask of what comes out.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace zktest {

struct Stereo {
    std::vector<float> left, right;
    explicit Stereo(size_t frames = 0) : left(frames), right(frames) {}
    size_t frames() const { return left.size(); }
    bool operator==(const Stereo&) const = default;
};

// Uniform noise between -level and level, a channel of its own for each side.
inline Stereo noise(size_t frames, uint32_t seed, float level = 0.5f) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> sample(-level, level);
    Stereo s(frames);
    for (size_t i = 0; i < frames; ++i) s.left[i] = sample(rng), s.right[i] = sample(rng);
    return s;
}

// Noise at -6 dB with a pause of silence in its middle, so that the effect falls asleep and
// wakes again inside one render.
inline Stereo testSignal(size_t frames, uint32_t seed = 1) {
    Stereo s = noise(frames, seed);
    std::fill(s.left.begin() + frames * 2 / 5, s.left.begin() + frames * 3 / 5, 0.0f);
    std::fill(s.right.begin() + frames * 2 / 5, s.right.begin() + frames * 3 / 5, 0.0f);
    return s;
}

// Runs `input` through process(inL, inR, outL, outR, frames) in blocks of the sizes given in
// turn (repeating the list), out of place; what comes out.
template <typename Size, typename Process>
Stereo renderInBlocks(const Stereo& input, const std::vector<Size>& sizes, Process&& process) {
    Stereo out(input.frames());
    for (size_t at = 0, turn = 0; at < input.frames(); ++turn) {
        const size_t n = std::min<size_t>(static_cast<size_t>(sizes[turn % sizes.size()]), input.frames() - at);
        process(&input.left[at], &input.right[at], &out.left[at], &out.right[at], static_cast<Size>(n));
        at += n;
    }
    return out;
}

inline float peak(const Stereo& s) {
    float p = 0.0f;
    for (size_t i = 0; i < s.frames(); ++i) p = std::max({p, std::fabs(s.left[i]), std::fabs(s.right[i])});
    return p;
}

// The first sample that is not finite or is subnormal, as text; empty when there is none.
inline std::string badSample(const Stereo& s) {
    for (size_t i = 0; i < s.frames(); ++i)
        for (float v : {s.left[i], s.right[i]})
            if (!std::isfinite(v) || std::fpclassify(v) == FP_SUBNORMAL)
                return "frame " + std::to_string(i) + ": " + std::to_string(v);
    return {};
}

// True when the last `frames` frames are exact zeros (all of them for 0).
inline bool endsSilent(const Stereo& s, size_t frames = 0) {
    const size_t from = frames == 0 || frames > s.frames() ? 0 : s.frames() - frames;
    auto zero = [](float x) { return x == 0.0f; };
    return std::all_of(s.left.begin() + from, s.left.end(), zero) && std::all_of(s.right.begin() + from, s.right.end(), zero);
}

} // namespace zktest
