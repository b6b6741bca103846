// The layout table at a scale: whole controls the size of their pictures, slider travel
// ending at the slider's edge, and no control on another's pixels (at 1 the panel's own
// tests hold the table's numbers).
#include "editor/PanelScale.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace zk::panel {
namespace {

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
