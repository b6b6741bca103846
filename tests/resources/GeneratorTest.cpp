// The artwork generator: where it prints the controls' names (ScaledArtworkTest checks that
// the committed pictures are what it draws).
#include "editor/PanelLayout.h"
#include "resources/generator/PanelArtwork.h"

#include <gtest/gtest.h>

#include <map>
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

} // namespace
} // namespace zk::artwork
