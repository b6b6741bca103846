#include "gui/platform/software/Bmp.h"

#include <cstdint>
#include <limits>

namespace zk::gui::platform::software {
namespace {

constexpr std::size_t fileHeaderSize = 14;
constexpr std::size_t infoHeaderSize = 40;
// Far above any panel picture; keeps a forged header from asking for gigabytes.
constexpr int64_t maximumSide = 8192;

uint32_t readU32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t readU16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

void putU32(std::vector<unsigned char>& out, std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + std::size_t(i)] = (unsigned char)(v >> (8 * i));
}

std::size_t rowBytes(int64_t width) { return std::size_t((width * 3 + 3) & ~int64_t(3)); }

} // namespace

std::unique_ptr<SoftPixmap> decodeBmp(const unsigned char* data, std::size_t size) {
    if (!data || size < fileHeaderSize + infoHeaderSize || data[0] != 'B' || data[1] != 'M')
        return nullptr;
    const unsigned char* info = data + fileHeaderSize;
    const uint32_t pixelOffset = readU32(data + 10);
    const uint32_t headerSize = readU32(info);
    const int64_t width = int32_t(readU32(info + 4));
    const int64_t signedHeight = int32_t(readU32(info + 8));
    const uint16_t planes = readU16(info + 12), bitsPerPixel = readU16(info + 14);
    const uint32_t compression = readU32(info + 16);
    if (headerSize < infoHeaderSize || headerSize > size - fileHeaderSize || planes != 1 || bitsPerPixel != 24 ||
        compression != 0)
        return nullptr;
    const bool topDown = signedHeight < 0;
    const int64_t height = topDown ? -signedHeight : signedHeight;
    if (width <= 0 || height <= 0 || width > maximumSide || height > maximumSide)
        return nullptr;
    const std::size_t stride = rowBytes(width);
    if (pixelOffset < fileHeaderSize + headerSize || pixelOffset > size ||
        (size - pixelOffset) / stride < std::size_t(height))
        return nullptr;

    auto pixmap = std::make_unique<SoftPixmap>(int32_t(width), int32_t(height), false, 0);
    for (int64_t row = 0; row < height; ++row) {
        const unsigned char* p = data + pixelOffset + std::size_t(row) * stride;
        const int32_t y = int32_t(topDown ? row : height - 1 - row);
        for (int32_t x = 0; x < int32_t(width); ++x, p += 3)
            pixmap->set(x, y, ColorRef(p[2]) | ColorRef(p[1]) << 8 | ColorRef(p[0]) << 16);
    }
    return pixmap;
}

std::vector<unsigned char> encodeBmp(const SoftPixmap& pixels) {
    const int32_t width = pixels.width(), height = pixels.height();
    if (width <= 0 || height <= 0 || pixels.monochrome())
        return {};
    const std::size_t stride = rowBytes(width);
    const std::size_t offset = fileHeaderSize + infoHeaderSize;
    std::vector<unsigned char> out(offset + stride * std::size_t(height), 0);
    out[0] = 'B';
    out[1] = 'M';
    putU32(out, 2, uint32_t(out.size()));
    putU32(out, 10, uint32_t(offset));
    putU32(out, 14, uint32_t(infoHeaderSize));
    putU32(out, 18, uint32_t(width));
    putU32(out, 22, uint32_t(height));
    out[26] = 1;  // planes
    out[28] = 24; // bits per pixel
    putU32(out, 34, uint32_t(stride * std::size_t(height)));
    putU32(out, 38, 2835); // 72 dots per inch
    putU32(out, 42, 2835);
    for (int32_t y = 0; y < height; ++y) {
        unsigned char* p = out.data() + offset + std::size_t(height - 1 - y) * stride;
        for (int32_t x = 0; x < width; ++x, p += 3) {
            const ColorRef c = pixels.at(x, y);
            p[0] = (unsigned char)(c >> 16);
            p[1] = (unsigned char)(c >> 8);
            p[2] = (unsigned char)c;
        }
    }
    return out;
}

} // namespace zk::gui::platform::software
