#pragma once

#include <cstddef>
#include <cstdint>

namespace zk {

// Copies at most `maxChars` characters of `source` (which need not be terminated within
// them) into `dest` and terminates it; `dest` must hold maxChars + 1 bytes.
void copyText(char* dest, const char* source, size_t maxChars) noexcept;

// The eight-character value text of every parameter display: "0.899999" for 0.9f.
void floatToText(float value, char* text) noexcept;
// Level as decibels; "-oo" for 0 and below.
void dbToText(float level, char* text) noexcept;
// A period of `samples` frames as a frequency at `sampleRate`.
void hzToText(float samples, float sampleRate, char* text) noexcept;
// A length of `samples` frames in milliseconds at `sampleRate`.
void msToText(float samples, float sampleRate, char* text) noexcept;
// Integer in seven columns, "Huge!" from 100000000 on.
void longToText(int32_t value, char* text) noexcept;

} // namespace zk
