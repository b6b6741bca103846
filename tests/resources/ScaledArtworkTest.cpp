// The generator's pictures at the scales of today's screens: drawn at the target
// resolution (not enlarged), to the same design as at 1 x, and today's pixels at 1 x.
#include "editor/PanelLayout.h"
#include "gui/platform/software/SoftwarePlatform.h"
#include "resources/generator/ControlArtwork.h"
#include "resources/generator/PanelArtwork.h"
#include "editor/PanelScale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace zk::artwork {
namespace {

namespace sw = gui::platform::software;

constexpr float kScales[] = {1.0f, 1.25f, 1.5f, 1.75f, 2.0f, 2.5f, 3.0f};

sw::SoftPixmap draw(int32_t id, float scale) {
    if (id == panel::kBackgroundBitmap)
        return drawBackground(scale);
    if (id == panel::kAboutBitmap)
        return drawAboutPicture(scale);
    return drawControlPicture(id, scale);
}

int32_t channel(gui::platform::ColorRef c, int32_t shift) { return int32_t((c >> shift) & 0xFF); }

// The bounds (right and bottom excluded) of the light pixels within area (in 1 x units) of
// a picture at scale: where a light name's ink lies.
gui::Rect lightBounds(const sw::SoftPixmap& picture, const gui::Rect& area, int32_t scale) {
    gui::Rect r{1 << 20, 1 << 20, -1, -1};
    for (int32_t y = area.top * scale; y < area.bottom * scale; ++y)
        for (int32_t x = area.left * scale; x < area.right * scale; ++x)
            if (channel(picture.at(x, y), 8) > 130) {
                r = {std::min(r.left, x), std::min(r.top, y), std::max(r.right, x + 1), std::max(r.bottom, y + 1)};
            }
    return r;
}

TEST(ScaledArtwork, EveryPictureIsDrawnAtItsScaledSize) {
    for (float scale : kScales) {
        const panel::BitmapSize panelSize = panel::pictureSize(panel::kBackgroundBitmap, scale);
        EXPECT_EQ(panelSize.width, std::lround(612 * scale)) << scale;
        EXPECT_EQ(panelSize.height, std::lround(486 * scale)) << scale;
        for (const panel::BitmapSize& entry : panel::kBitmapSizes) {
            const sw::SoftPixmap picture = draw(entry.id, scale);
            const panel::BitmapSize size = panel::pictureSize(entry.id, scale);
            EXPECT_EQ(picture.width(), size.width) << entry.id << " at " << scale;
            EXPECT_EQ(picture.height(), size.height) << entry.id << " at " << scale;
            if (panel::isTwoStatePicture(entry.id)) {
                EXPECT_EQ(size.height % 2, 0) << entry.id << " at " << scale;
            }
        }
    }
}

// At 1 x the module's committed pictures are what the generator draws (within a step of
// rounding, should another build's maths differ in the last place).
TEST(ScaledArtwork, AtOneTheCommittedPicturesAreWhatItDraws) {
    sw::SoftwarePlatform system;
    for (const panel::BitmapSize& entry : panel::kBitmapSizes) {
        const std::unique_ptr<gui::platform::Pixmap> loaded = system.loadBitmap(entry.id);
        const auto* committed = dynamic_cast<const sw::SoftPixmap*>(loaded.get());
        ASSERT_TRUE(committed) << entry.id;
        const sw::SoftPixmap drawn = draw(entry.id, 1.0f);
        ASSERT_EQ(drawn.width(), committed->width()) << entry.id;
        ASSERT_EQ(drawn.height(), committed->height()) << entry.id;
        int32_t differing = 0;
        for (int32_t y = 0; y < drawn.height(); ++y)
            for (int32_t x = 0; x < drawn.width(); ++x)
                for (int32_t shift : {0, 8, 16})
                    differing += std::abs(channel(drawn.at(x, y), shift) - channel(committed->at(x, y), shift)) > 2;
        EXPECT_EQ(differing, 0) << "bmp" << entry.id << " differs from what is drawn at 1 x";
    }
}

// The 2 x background, averaged over each 2 x 2 block, is the 1 x background: every shape
// and name lies where it lies at 1 x (the names hinted for each size, so only near). Its
// printed names are not a pixel-doubled 1 x.
TEST(ScaledArtwork, TwiceAsLargeIsTheSameDesignWithSharperText) {
    for (int32_t id : {panel::kBackgroundBitmap, panel::kAboutBitmap}) {
        std::vector<gui::Rect> textAreas;
        const sw::SoftPixmap small = id == panel::kBackgroundBitmap ? drawBackground(1.0f, &textAreas)
                                                                     : drawAboutPicture(1.0f, &textAreas);
        const sw::SoftPixmap large = draw(id, 2.0f);
        auto isText = [&](int32_t x, int32_t y) {
            return std::any_of(textAreas.begin(), textAreas.end(), [&](const gui::Rect& r) {
                return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
            });
        };
        double total = 0; // over the shapes: the text is hinted for each size
        int64_t count = 0;
        for (int32_t y = 0; y < small.height(); ++y)
            for (int32_t x = 0; x < small.width(); ++x)
                for (int32_t shift : {0, 8, 16}) {
                    int32_t block = 0;
                    for (int32_t dy = 0; dy < 2; ++dy)
                        for (int32_t dx = 0; dx < 2; ++dx)
                            block += channel(large.at(2 * x + dx, 2 * y + dy), shift);
                    if (!isText(x, y)) {
                        total += std::abs(double(block) / 4 - channel(small.at(x, y), shift));
                        ++count;
                    }
                }
        EXPECT_LT(total / double(count), 1.0) << id << ": the shapes moved";
    }
    const sw::SoftPixmap small = drawBackground(1.0f), large = drawBackground(2.0f);
    for (const PrintedLabel& label : controlLabels()) {
        const gui::Rect area{int32_t(label.box.left), int32_t(label.box.top), int32_t(std::ceil(label.box.right)),
                             int32_t(std::ceil(label.box.bottom))};
        // Each name's ink (its light pixels) lies at the same place at 2 x, to within a unit, and
        // is about as wide (hinting widens small text a little).
        const gui::Rect inkSmall = lightBounds(small, area, 1), inkLarge = lightBounds(large, area, 2);
        EXPECT_NEAR((inkLarge.left + inkLarge.right) / 4.0, (inkSmall.left + inkSmall.right) / 2.0, 1.0) << label.text;
        EXPECT_NEAR(inkLarge.top / 2.0, inkSmall.top, 1.0) << label.text;
        EXPECT_NEAR(inkLarge.bottom / 2.0, inkSmall.bottom, 1.0) << label.text;
        EXPECT_NEAR(inkLarge.width() / 2.0, inkSmall.width(), 1.0 + inkSmall.width() * 0.1) << label.text;
        int32_t blocks = 0; // 1 x pixels whose four 2 x pixels are not all within 24 levels of it
        for (int32_t y = area.top; y < area.bottom; ++y)
            for (int32_t x = area.left; x < area.right; ++x) {
                int32_t worst = 0;
                for (int32_t dy = 0; dy < 2; ++dy)
                    for (int32_t dx = 0; dx < 2; ++dx)
                        for (int32_t shift : {0, 8, 16})
                            worst = std::max(worst, std::abs(channel(large.at(2 * x + dx, 2 * y + dy), shift) -
                                                             channel(small.at(x, y), shift)));
                blocks += worst > 24;
            }
        // A pixel-doubled name has none; the smallest, "L", has about twenty.
        EXPECT_GT(blocks, 12) << "\"" << label.text << "\" at 2 x looks like the 1 x name doubled";
    }
}

} // namespace
} // namespace zk::artwork
