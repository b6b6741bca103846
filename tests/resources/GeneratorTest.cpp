// The artwork generator: where it prints the controls' names, and that the committed
// background is what it draws.
#include "editor/PanelLayout.h"
#include "gui/platform/software/SoftwarePlatform.h"
#include "resources/generator/PanelArtwork.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zk::artwork {
namespace {

struct HitArea {
    int32_t tag;
    gui::Rect rect; // right and bottom included, as a click is tested
};

// Every rectangle a click on the panel lands in, with the tag of what it moves.
std::vector<HitArea> hitAreas() {
    std::vector<HitArea> areas;
    for (const panel::ControlPlace& c : panel::kControls)
        areas.push_back({c.tag, {c.left, c.top, c.left + c.width, c.top + c.height}});
    const panel::PanelRect menu = panel::kPanelMenuRect, splash = panel::kSplashRect;
    areas.push_back({57, {menu.left, menu.top, menu.right, menu.bottom}});
    areas.push_back({panel::kSplashTag, {splash.left, splash.top, splash.right, splash.bottom}});
    return areas;
}

// A click on a printed name must reach the control it names or nothing: a name printed on
// another control's area moves that control instead.
TEST(Generator, NoLabelIsPrintedWhereAClickMovesAnotherControl) {
    const std::vector<PrintedLabel> labels = controlLabels();
    EXPECT_EQ(labels.size(), panel::kControls.size() - 3); // all but the three lamps
    for (const PrintedLabel& label : labels) {
        Canvas alone(panel::kWidth, panel::kHeight, {0, 0, 0});
        printLabel(alone, label);
        int32_t inked = 0;
        std::map<int32_t, int32_t> onOthers; // tag -> pixels
        for (int32_t y = 0; y < alone.height(); ++y)
            for (int32_t x = 0; x < alone.width(); ++x) {
                if (alone.coverage(x, y) <= 0.0f)
                    continue;
                ++inked;
                for (const HitArea& area : hitAreas())
                    if (area.tag != label.tag && area.rect.contains({x, y}))
                        ++onOthers[area.tag];
            }
        EXPECT_GT(inked, 10) << label.text << " is not printed";
        for (const auto& [tag, pixels] : onOthers)
            ADD_FAILURE() << "\"" << label.text << "\" has " << pixels << " pixels on the area of control " << tag;
    }
}

TEST(Generator, CommittedBackgroundIsWhatItDraws) {
    gui::platform::software::SoftwarePlatform system;
    const std::unique_ptr<gui::platform::Pixmap> loaded = system.loadBitmap(panel::kBackgroundBitmap);
    const auto* committed = dynamic_cast<const gui::platform::software::SoftPixmap*>(loaded.get());
    ASSERT_TRUE(committed);
    const gui::platform::software::SoftPixmap drawn = drawBackground();
    ASSERT_EQ(drawn.width(), committed->width());
    ASSERT_EQ(drawn.height(), committed->height());
    // Within a step of rounding, should another build's maths differ in the last place.
    int32_t differing = 0;
    for (int32_t y = 0; y < drawn.height(); ++y)
        for (int32_t x = 0; x < drawn.width(); ++x)
            for (int32_t shift : {0, 8, 16}) {
                const int32_t a = int32_t((drawn.at(x, y) >> shift) & 0xFF);
                const int32_t b = int32_t((committed->at(x, y) >> shift) & 0xFF);
                differing += std::abs(a - b) > 2;
            }
    EXPECT_EQ(differing, 0) << "resources/bmp176.bmp is not drawn anew: cmake --build <dir> --target zk_update_artwork";
}

} // namespace
} // namespace zk::artwork
