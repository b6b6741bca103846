#include "formats/vst3/Vst3Text.h"

#include <cstring>

namespace zk {

namespace {

// The next code point of UTF-8 text, or U+FFFD for a byte that starts none.
char32_t nextCodePoint(const unsigned char*& p) noexcept {
    const unsigned char lead = *p++;
    if (lead < 0x80) return lead;
    const int extra = lead >= 0xF0 && lead < 0xF8 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (extra < 0) return 0xFFFD;
    char32_t code = lead & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        if ((*p & 0xC0) != 0x80) return 0xFFFD;
        code = (code << 6) | (*p++ & 0x3F);
    }
    return code > 0x10FFFF ? 0xFFFD : code;
}

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace

void toUtf16(const char* text, vst3::TChar* out, size_t capacity) noexcept {
    if (!out || capacity == 0) return;
    size_t n = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(text ? text : "");
    while (*p) {
        const char32_t code = nextCodePoint(p);
        const size_t units = code >= 0x10000 ? 2 : 1;
        if (n + units >= capacity) break;
        if (units == 2) {
            out[n++] = static_cast<vst3::TChar>(0xD800 + ((code - 0x10000) >> 10));
            out[n++] = static_cast<vst3::TChar>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            out[n++] = static_cast<vst3::TChar>(code);
        }
    }
    out[n] = 0;
}

void copyField(const char* text, char* out, size_t capacity) noexcept {
    if (!out || capacity == 0) return;
    std::memset(out, 0, capacity);
    if (text) std::strncpy(out, text, capacity - 1);
}

std::string fromUtf16(const vst3::TChar* text, size_t capacity) {
    std::string out;
    if (!text) return out;
    for (size_t i = 0; i < capacity && text[i]; ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < capacity && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (code >= 0xD800 && code < 0xE000)
            code = 0xFFFD;
        appendUtf8(out, code);
    }
    return out;
}

} // namespace zk
