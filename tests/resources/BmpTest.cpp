#include "gui/platform/software/Bmp.h"

#include <gtest/gtest.h>

#include <cstring>

namespace zk::gui::platform::software {
namespace {

// Five pixels wide, so that every row carries padding.
SoftPixmap pattern() {
    SoftPixmap p(5, 3, false, 0);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x)
            p.set(x, y, ColorRef(x * 40) | ColorRef(y * 90) << 8 | ColorRef(200 - x * 10 - y) << 16);
    return p;
}

void putU32(std::vector<unsigned char>& file, std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        file[at + std::size_t(i)] = (unsigned char)(v >> (8 * i));
}

std::unique_ptr<SoftPixmap> decode(const std::vector<unsigned char>& file) { return decodeBmp(file.data(), file.size()); }

TEST(Bmp, BottomUpAndTopDownFilesDecodeToTheSamePixels) {
    const SoftPixmap original = pattern();
    std::vector<unsigned char> file = encodeBmp(original);
    ASSERT_EQ(file.size(), 54u + 3u * 16u);
    auto decoded = decode(file);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width(), 5);
    EXPECT_EQ(decoded->height(), 3);
    EXPECT_EQ(decoded->pixels(), original.pixels());

    // The same picture stored top row first, announced by a negative height.
    std::vector<unsigned char> topDown = file;
    putU32(topDown, 22, uint32_t(-3));
    for (int row = 0; row < 3; ++row)
        std::memcpy(topDown.data() + 54 + row * 16, file.data() + 54 + (2 - row) * 16, 16);
    decoded = decode(topDown);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->pixels(), original.pixels());
}

TEST(Bmp, MalformedFilesAreRejected) {
    const std::vector<unsigned char> good = encodeBmp(pattern());
    for (std::size_t size = 0; size < good.size(); ++size)
        EXPECT_FALSE(decodeBmp(good.data(), size)) << "truncated to " << size;
    EXPECT_FALSE(decodeBmp(nullptr, good.size()));

    struct Change {
        const char* what;
        std::size_t at;
        uint32_t value;
    };
    const Change changes[] = {
        {"magic", 0, 0x4D42 ^ 0x0100},
        {"pixel offset past the end", 10, 100000},
        {"pixel offset inside the header", 10, 20},
        {"core header", 14, 12},
        {"header longer than the file", 14, 4000},
        {"zero width", 18, 0},
        {"negative width", 18, uint32_t(-5)},
        {"huge width", 18, 1u << 20},
        {"zero height", 22, 0},
        {"huge height", 22, 1u << 20},
        {"most negative height", 22, 0x80000000u},
        {"width beyond the data", 18, 6},
        {"height beyond the data", 22, 4},
    };
    for (const Change& change : changes) {
        std::vector<unsigned char> bad = good;
        putU32(bad, change.at, change.value);
        EXPECT_FALSE(decode(bad)) << change.what;
    }
    const std::pair<std::size_t, unsigned char> fields[] = {{26, 2}, {28, 32}, {28, 8}, {30, 1}}; // planes, depth, RLE
    for (const auto& [at, value] : fields) {
        std::vector<unsigned char> bad = good;
        bad[at] = value;
        EXPECT_FALSE(decode(bad)) << "byte " << at << " = " << int(value);
    }
}

} // namespace
} // namespace zk::gui::platform::software
