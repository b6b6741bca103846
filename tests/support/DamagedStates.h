#pragma once

// Damaged copies of a state in the layout the CLAP and VST3 wrappers share: a header of 16
// bytes (magic, version, current program, size of the bank chunk, each 4 bytes little-endian)
// and the bank chunk. A load of any of them must fail and change nothing.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zktest {

inline std::vector<std::pair<std::string, std::vector<uint8_t>>> damagedStates(const std::vector<uint8_t>& good) {
    auto patched = [&good](size_t at, uint32_t value) {
        std::vector<uint8_t> bytes = good;
        for (size_t b = 0; b < 4; ++b) bytes.at(at + b) = static_cast<uint8_t>(value >> (8 * b));
        return bytes;
    };
    std::vector<uint8_t> foreignMagic = good;
    foreignMagic.at(0) = 'X';
    const auto bankSize = static_cast<uint32_t>(good.size() - 16);
    return {
        {"empty", {}},
        {"ten bytes", {good.begin(), good.begin() + 10}},
        {"header only", {good.begin(), good.begin() + 16}},
        {"a byte short", {good.begin(), good.end() - 1}},
        {"a byte short, as its size says", [&] {
             std::vector<uint8_t> bytes = patched(12, bankSize - 1);
             bytes.pop_back();
             return bytes;
         }()},
        {"all sevens", std::vector<uint8_t>(good.size(), 7)},
        {"foreign magic", foreignMagic},
        {"version 2", patched(4, 2)},
        {"program 128", patched(8, 128)},
        {"program -1", patched(8, 0xFFFFFFFF)},
        {"a smaller chunk", patched(12, bankSize - 1)},
        {"a huge chunk", patched(12, 0x7FFFFFFF)},
    };
}

} // namespace zktest
