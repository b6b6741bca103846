// The committed pictures as the module loads them, checked against the layout table: if
// the table changes and the artwork is not drawn anew, these fail.
#include "editor/PanelLayout.h"
#include "gui/platform/software/SoftwarePlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

namespace zk::gui::platform::software {
namespace {

using panel::ControlKind;
using panel::ControlPlace;

constexpr ColorRef green = 0x00FF00;

int32_t luminance(ColorRef c) {
    return (int32_t(c & 0xFF) * 299 + int32_t((c >> 8) & 0xFF) * 587 + int32_t((c >> 16) & 0xFF) * 114) / 1000;
}

class Artwork : public ::testing::Test {
protected:
    const SoftPixmap& picture(int32_t id) {
        auto& slot = loaded_[id];
        if (!slot) {
            std::unique_ptr<Pixmap> pixmap = system_.loadBitmap(id);
            slot.reset(dynamic_cast<SoftPixmap*>(pixmap.release()));
        }
        if (!slot)
            throw std::runtime_error("no picture " + std::to_string(id));
        return *slot;
    }
    SoftwarePlatform system_;

private:
    std::map<int32_t, std::unique_ptr<SoftPixmap>> loaded_;
};

TEST_F(Artwork, HandlesAreKeyedGreenAroundAndTwoStatePicturesHaveNoGreen) {
    for (int32_t id : {panel::kKnobHandleBitmap, panel::kLargeSliderHandleBitmap, panel::kFineHandleBitmap,
                       panel::kAmHandleBitmap}) {
        const SoftPixmap& p = picture(id);
        const int32_t r = p.width() - 1, b = p.height() - 1;
        for (auto [x, y] : {std::pair{0, 0}, {r, 0}, {0, b}, {r, b}})
            EXPECT_EQ(p.at(x, y), green) << id << " corner " << x << "," << y;
        EXPECT_NE(p.at(p.width() / 2, p.height() / 2), green) << id;
    }
    // Keys and lamps are copied opaquely: a green pixel would show as green.
    for (int32_t id : {panel::kLeftButtonBitmap, panel::kRightButtonBitmap, panel::kFmButtonBitmap,
                       panel::kPreListenButtonBitmap, panel::kLampBitmap, panel::kUnusedBitmap}) {
        const SoftPixmap& p = picture(id);
        for (ColorRef c : p.pixels())
            ASSERT_NE(c, green) << id;
        // Off above on: the halves must tell the states apart.
        int32_t differing = 0;
        const int32_t half = p.height() / 2;
        for (int32_t y = 0; y < half; ++y)
            for (int32_t x = 0; x < p.width(); ++x)
                differing += std::abs(luminance(p.at(x, y)) - luminance(p.at(x, y + half))) > 20;
        EXPECT_GT(differing, p.width() * half / 8) << id;
    }
}

TEST_F(Artwork, BackgroundHasAKnobBodyUnderEveryKnobAndLabelsAboveIt) {
    const SoftPixmap& bg = picture(panel::kBackgroundBitmap);
    for (const ControlPlace& c : panel::kControls) {
        if (c.kind != ControlKind::knob)
            continue;
        // The handle circles the rectangle's middle; the body's dark rim lies at 17..18.5.
        const float cx = float(c.left) + 20, cy = float(c.top) + 20;
        const int32_t plate = luminance(bg.at(c.left, c.top));
        for (int32_t step = 0; step < 24; ++step) {
            const float a = float(step) * 3.14159265f / 12;
            const int32_t x = int32_t(cx + 17.8f * std::cos(a)), y = int32_t(cy - 17.8f * std::sin(a));
            EXPECT_LT(luminance(bg.at(x, y)) * 4, plate * 3) << "knob " << c.tag << " at " << x << "," << y;
        }
        EXPECT_GT(luminance(bg.at(int32_t(cx), int32_t(cy))), luminance(bg.at(int32_t(cx), int32_t(cy - 17.8f))) + 15)
            << "knob " << c.tag;
        int32_t ink = 0;
        for (int32_t y = c.top - 13; y < c.top - 2; ++y)
            for (int32_t x = c.left; x < c.left + c.width; ++x)
                ink += luminance(bg.at(x, y)) > 150;
        EXPECT_GT(ink, 10) << "label of knob " << c.tag;
    }
}

TEST_F(Artwork, BackgroundHasTracksUnderSlidersAndWellsAroundKeysAndLamps) {
    const SoftPixmap& bg = picture(panel::kBackgroundBitmap);
    const SoftPixmap& lamp = picture(panel::kLampBitmap);
    for (const ControlPlace& c : panel::kControls) {
        switch (c.kind) {
        case ControlKind::horizontalSlider: {
            // Along the path of the middle of the handle's visible part.
            const SoftPixmap& handle = picture(c.bitmap);
            int32_t first = handle.height(), last = -1;
            for (int32_t row = 0; row < handle.height(); ++row)
                for (int32_t column = 0; column < handle.width(); ++column)
                    if (handle.at(column, row) != green) {
                        first = std::min(first, row);
                        last = std::max(last, row);
                    }
            const int32_t size = handle.width();
            const int32_t y = c.top + (first + last) / 2;
            for (int32_t x = c.minimumPosition + size / 2; x <= c.maximumPosition + size / 2; x += 3)
                ASSERT_LT(luminance(bg.at(x, y)), 30) << "slider " << c.tag << " at " << x;
            break;
        }
        case ControlKind::verticalSlider:
            for (int32_t y = c.minimumPosition + 2; y <= c.maximumPosition + 2; y += 2)
                ASSERT_LT(luminance(bg.at(c.left + 3, y)), 30) << "slider " << c.tag << " at " << y;
            break;
        case ControlKind::button:
        case ControlKind::lamp:
            for (auto [x, y] : {std::pair{c.left - 1, c.top + c.height / 2}, {c.left + c.width, c.top + c.height / 2},
                                {c.left + c.width / 2, c.top - 1}, {c.left + c.width / 2, c.top + c.height}}) {
                EXPECT_LT(luminance(bg.at(x, y)), 30) << "well of " << c.tag << " at " << x << "," << y;
                if (c.kind == ControlKind::lamp) { // the bezel melts into the well
                    EXPECT_LT(std::abs(luminance(bg.at(x, y)) - luminance(lamp.at(0, 5))), 6) << c.tag;
                }
            }
            break;
        case ControlKind::knob: break;
        }
    }
}

TEST_F(Artwork, AboutPictureKeepsTheTextLinePlainAndLight) {
    const SoftPixmap& about = picture(panel::kAboutBitmap);
    const panel::PanelRect r = panel::kAboutTextRect;
    const ColorRef first = about.at(r.left, r.top);
    EXPECT_GT(luminance(first), 180); // the line is printed in black
    for (int32_t y = r.top; y < r.bottom; ++y)
        for (int32_t x = r.left; x < r.right; ++x)
            ASSERT_EQ(about.at(x, y), first) << x << "," << y;
}

} // namespace
} // namespace zk::gui::platform::software
