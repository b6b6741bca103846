// The layout table at a scale: today's numbers at 1, whole controls the size of their
// pictures, slider travel ending at the slider's edge, and no control on another's pixels.
#include "editor/PanelScale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

namespace zk::panel {
namespace {

auto fields(const ControlPlace& c) {
    return std::tuple(c.kind, c.tag, c.left, c.top, c.width, c.height, c.bitmap, c.minimumPosition,
                      c.maximumPosition, c.style, c.band);
}

// Right and bottom excluded: the pixels a control covers.
bool sharePixels(const ControlPlace& a, const ControlPlace& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
}

std::vector<float> everyScale() {
    std::vector<float> scales;
    for (int32_t hundredths = 100; hundredths <= 300; hundredths += 5)
        scales.push_back(float(hundredths) / 100.0f);
    return scales;
}

TEST(PanelScale, AtOneEveryNumberIsTheTables) {
    for (const ControlPlace& c : kControls)
        EXPECT_EQ(fields(scaledPlace(c, 1.0f)), fields(c)) << c.tag;
    for (const BitmapSize& entry : kBitmapSizes) {
        const BitmapSize at1 = pictureSize(entry.id, 1.0f);
        EXPECT_EQ(std::tuple(at1.width, at1.height), std::tuple(entry.width, entry.height)) << entry.id;
    }
    const PanelRect menu = scaledRect(kPanelMenuRect, 1.0f);
    EXPECT_EQ(std::tuple(menu.left, menu.top, menu.right, menu.bottom),
              std::tuple(kPanelMenuRect.left, kPanelMenuRect.top, kPanelMenuRect.right, kPanelMenuRect.bottom));
    EXPECT_EQ(std::tuple(panelWidth(1.0f), panelHeight(1.0f)), std::tuple(kWidth, kHeight));
}

TEST(PanelScale, AtTwoEveryNumberDoubles) {
    for (const ControlPlace& c : kControls) {
        const ControlPlace p = scaledPlace(c, 2.0f);
        EXPECT_EQ(std::tuple(p.left, p.top, p.width, p.height, p.minimumPosition, p.maximumPosition),
                  std::tuple(2 * c.left, 2 * c.top, 2 * c.width, 2 * c.height, 2 * c.minimumPosition,
                             2 * c.maximumPosition))
            << c.tag;
    }
    EXPECT_EQ(std::tuple(panelWidth(2.0f), panelHeight(2.0f), knobDragPixels(2.0f)), std::tuple(1224, 972, 400));
}

TEST(PanelScale, AtEveryScaleControlsFitTheirPicturesAndOneAnother) {
    for (float s : everyScale()) {
        std::vector<ControlPlace> places;
        for (const ControlPlace& c : kControls) {
            const ControlPlace p = scaledPlace(c, s);
            const BitmapSize picture = pictureSize(c.bitmap, s);
            switch (c.kind) {
            case ControlKind::knob:
                EXPECT_EQ(p.width, p.height) << c.tag << " at " << s;
                EXPECT_NEAR(p.width, 40 * s, 1.0f) << c.tag << " at " << s;
                break;
            case ControlKind::button:
            case ControlKind::lamp: // never larger than its picture's half, at most a pixel smaller
                EXPECT_LE(p.width, picture.width) << c.tag << " at " << s;
                EXPECT_LE(p.height, picture.height / 2) << c.tag << " at " << s;
                EXPECT_GE(p.width, picture.width - 1) << c.tag << " at " << s;
                EXPECT_GE(p.height, picture.height / 2 - 1) << c.tag << " at " << s;
                break;
            case ControlKind::horizontalSlider:
                EXPECT_EQ(p.minimumPosition, p.left) << c.tag << " at " << s;
                EXPECT_EQ(p.maximumPosition + picture.width, p.left + p.width) << c.tag << " at " << s;
                break;
            case ControlKind::verticalSlider:
                EXPECT_EQ(p.minimumPosition, p.top) << c.tag << " at " << s;
                EXPECT_EQ(p.maximumPosition + picture.height, p.top + p.height) << c.tag << " at " << s;
                break;
            }
            // (The Master slider's rectangle reaches 3 units below the panel at 1 x already.)
            if (c.top + c.height <= kHeight) {
                EXPECT_LE(p.top + p.height, panelHeight(s)) << c.tag << " at " << s;
            }
            EXPECT_LE(p.left + p.width, panelWidth(s)) << c.tag << " at " << s;
            places.push_back(p);
        }
        // Controls apart at 1 x stay apart: a click reaches one control only.
        for (std::size_t i = 0; i < places.size(); ++i)
            for (std::size_t j = i + 1; j < places.size(); ++j)
                if (!sharePixels(kControls[i], kControls[j])) {
                    EXPECT_FALSE(sharePixels(places[i], places[j]))
                        << kControls[i].tag << " and " << kControls[j].tag << " at " << s;
                }
    }
}

TEST(PanelScale, ScalesOutsideOneToThreeAreBroughtInside) {
    EXPECT_EQ(clampScale(0.5f), 1.0f);
    EXPECT_EQ(clampScale(4.0f), 3.0f);
    EXPECT_EQ(clampScale(1.75f), 1.75f);
    EXPECT_EQ(clampScale(std::numeric_limits<float>::quiet_NaN()), 1.0f);
    EXPECT_EQ(clampScale(std::numeric_limits<float>::infinity()), 3.0f);
}

} // namespace
} // namespace zk::panel
