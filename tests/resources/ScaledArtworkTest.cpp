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

// Mean over the channels of the 1 x picture's pixels within area of compare(x, y, shift).
template <typename Compare>
double meanDifference(const sw::SoftPixmap& small, const gui::Rect& area, Compare&& compare) {
    double sum = 0;
    int32_t count = 0;
    for (int32_t y = std::max(0, area.top); y < std::min(small.height(), area.bottom); ++y)
        for (int32_t x = std::max(0, area.left); x < std::min(small.width(), area.right); ++x)
            for (int32_t shift : {0, 8, 16}) {
                sum += compare(x, y, shift);
                ++count;
            }
    return count ? sum / count : 0.0;
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
// and name lies where it lies at 1 x. Its printed names are not a pixel-doubled 1 x.
TEST(ScaledArtwork, TwiceAsLargeIsTheSameDesignWithSharperText) {
    for (int32_t id : {panel::kBackgroundBitmap, panel::kAboutBitmap}) {
        const sw::SoftPixmap small = draw(id, 1.0f), large = draw(id, 2.0f);
        const gui::Rect all{0, 0, small.width(), small.height()};
        const double averaged = meanDifference(small, all, [&](int32_t x, int32_t y, int32_t shift) {
            int32_t sum = 0;
            for (int32_t dy = 0; dy < 2; ++dy)
                for (int32_t dx = 0; dx < 2; ++dx)
                    sum += channel(large.at(2 * x + dx, 2 * y + dy), shift);
            return std::abs(double(sum) / 4 - channel(small.at(x, y), shift));
        });
        EXPECT_LT(averaged, 2.0) << id;
    }
    const sw::SoftPixmap small = drawBackground(1.0f), large = drawBackground(2.0f);
    for (const PrintedLabel& label : controlLabels()) {
        const gui::Rect area{int32_t(label.box.left), int32_t(label.box.top), int32_t(std::ceil(label.box.right)),
                             int32_t(std::ceil(label.box.bottom))};
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
