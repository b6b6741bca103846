// The printed names in FreeType's grey levels changed only text: outside the rectangles the
// generator printed in, the 1 x pictures are the ones drawn before (kept beside this test).
#include "gui/platform/software/Bmp.h"
#include "resources/generator/PanelArtwork.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace zk::artwork {
namespace {

namespace sw = gui::platform::software;

std::unique_ptr<sw::SoftPixmap> readBefore(const char* name) {
    std::ifstream in(std::string(ZK_SOURCE_DIR "/tests/resources/before-smooth-text/") + name, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
    return sw::decodeBmp(bytes.data(), bytes.size());
}

bool inside(const std::vector<gui::Rect>& areas, int32_t x, int32_t y) {
    for (const gui::Rect& r : areas)
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom)
            return true;
    return false;
}

bool differs(gui::platform::ColorRef a, gui::platform::ColorRef b) {
    for (int shift : {0, 8, 16})
        if (std::abs(int32_t((a >> shift) & 0xFF) - int32_t((b >> shift) & 0xFF)) > 2)
            return true;
    return false;
}

TEST(SmoothTextArtwork, AtOneOnlyTheTextDiffersFromThePicturesBefore) {
    struct Case {
        const char* file;
        sw::SoftPixmap (*draw)(float, std::vector<gui::Rect>*);
    };
    for (const Case& c : {Case{"bmp176.bmp", &drawBackground}, Case{"bmp178.bmp", &drawAboutPicture}}) {
        const std::unique_ptr<sw::SoftPixmap> before = readBefore(c.file);
        ASSERT_TRUE(before) << c.file;
        std::vector<gui::Rect> text;
        const sw::SoftPixmap now = c.draw(1.0f, &text);
        ASSERT_EQ(now.width(), before->width());
        ASSERT_EQ(now.height(), before->height());
        ASSERT_FALSE(text.empty());
        int64_t textPixels = 0, changedText = 0, changedElsewhere = 0;
        for (int32_t y = 0; y < now.height(); ++y)
            for (int32_t x = 0; x < now.width(); ++x) {
                const bool changed = differs(now.at(x, y), before->at(x, y));
                if (inside(text, x, y)) {
                    ++textPixels;
                    changedText += changed;
                } else {
                    changedElsewhere += changed;
                }
            }
        EXPECT_EQ(changedElsewhere, 0) << c.file << ": pixels outside the text changed";
        // The mask is the text's own boxes, not the picture; and the text did change.
        EXPECT_LT(textPixels, int64_t(now.width()) * now.height() / 6) << c.file;
        EXPECT_GT(changedText, textPixels / 20) << c.file;
    }
}

} // namespace
} // namespace zk::artwork
