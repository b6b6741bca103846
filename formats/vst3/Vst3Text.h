#pragma once

// Text between the effect's 8-bit strings and the interface's UTF-16 ones.

#include "formats/vst3/Vst3Abi.h"

#include <cstddef>
#include <string>

namespace zk {

// Copies UTF-8 `text` into `out` of `capacity` UTF-16 units, cut to fit, always terminated.
void toUtf16(const char* text, vst3::TChar* out, size_t capacity) noexcept;
template <size_t N> void toUtf16(const char* text, vst3::TChar (&out)[N]) noexcept { toUtf16(text, out, N); }

// Copies `text` into an 8-bit field of `capacity` bytes, cut to fit, zero-filled.
void copyField(const char* text, char* out, size_t capacity) noexcept;
template <size_t N> void copyField(const char* text, char (&out)[N]) noexcept { copyField(text, out, N); }

// A host's UTF-16 text (terminated, or `capacity` units at most) as UTF-8.
std::string fromUtf16(const vst3::TChar* text, size_t capacity = 4096);

} // namespace zk
