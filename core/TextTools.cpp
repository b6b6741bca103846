#include "core/TextTools.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace zk {

namespace {
constexpr int kTextWidth = 8;
}

void copyText(char* dest, const char* source, size_t maxChars) noexcept {
    size_t length = source ? strnlen(source, maxChars) : 0;
    if (length) std::memcpy(dest, source, length);
    dest[length] = 0;
}

void floatToText(float value, char* text) noexcept {
    if (std::isnan(value)) {
        std::strcpy(text, "NaN");
        return;
    }
    if (std::isinf(value) || value > 100000000.0f || value < -9999999.0f) {
        std::strcpy(text, "Huge!");
        return;
    }
    const bool negative = value < 0.0f;
    const double magnitude = negative ? -static_cast<double>(value) : static_cast<double>(value);
    int used = negative ? 1 : 0;

    // Integer digits come out least significant first; more than fit are dropped.
    char digits[kTextWidth];
    int digitCount = 0;
    double remaining = std::floor(magnitude);
    do {
        digits[digitCount++] = static_cast<char>('0' + static_cast<int>(std::fmod(remaining, 10.0)));
        remaining *= 0.1;
    } while (remaining >= 1.0 && used + digitCount + 1 < kTextWidth);
    used += digitCount + 1;

    char* out = text;
    if (negative) *out++ = '-';
    for (int i = digitCount - 1; i >= 0; --i) *out++ = digits[i];
    *out++ = '.';

    // The places left are filled with fractional digits, cut rather than rounded.
    const int places = kTextWidth - used;
    double fraction = std::fmod(magnitude, 1.0) * std::pow(10.0, places);
    for (int i = places - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + static_cast<int>(std::fmod(fraction, 10.0)));
        fraction *= 0.1;
    }
    out[places] = 0;
}

void dbToText(float level, char* text) noexcept {
    if (level <= 0.0f)
        std::strcpy(text, "-oo");
    else
        floatToText(static_cast<float>(20.0 * std::log10(level)), text);
}

void hzToText(float samples, float sampleRate, char* text) noexcept {
    floatToText(samples == 0.0f ? 0.0f : sampleRate / samples, text);
}

void msToText(float samples, float sampleRate, char* text) noexcept {
    floatToText(samples * 1000.0f / sampleRate, text);
}

void longToText(int32_t value, char* text) noexcept {
    if (value >= 100000000) {
        std::strcpy(text, "Huge!");
        return;
    }
    char wide[16];
    std::snprintf(wide, sizeof wide, "%7d", static_cast<int>(value));
    copyText(text, wide, kTextWidth);
}

} // namespace zk
