#include "GuiTestSupport.h"

#include "gui/platform/software/FontEngine.h"

namespace zk::gui::test {
namespace {

constexpr platform::ColorRef black = 0, white = rgb(255, 255, 255);

class TextTest : public GuiTest {
protected:
    sw::SoftPixmap canvas{200, 60, false, black};
    sw::SoftDevice device{&canvas};
    DrawContext context{nullptr, &device, nullptr};
};

TEST_F(TextTest, FontIdsOutsideTheTableFallBackToBoldSystemFont) {
    ASSERT_TRUE(sw::FontEngine::instance().ready());
    for (int32_t id : {8, -1}) {
        context.setFont(fontSmall, 0, 0); // something else first
        context.setFont(id);
        EXPECT_EQ(context.fontId(), 0) << id;
        EXPECT_EQ(context.fontSize(), 12) << id;
        EXPECT_EQ(device.currentFont().weight, 700) << id;
        EXPECT_EQ(device.currentFont().height, -12) << id;
    }
}

TEST_F(TextTest, AlignmentsPlaceTheTextAdvanceInTheRectangle) {
    // With an underline the ink's horizontal extent is exactly the text's advance.
    context.setFont(fontNormal, 0, faceUnderline);
    const Rect box{20, 10, 180, 40};
    const int32_t width = sw::FontEngine::instance().measure(device.currentFont(), "Hello", 5).width;
    ASSERT_GT(width, 10);
    for (int32_t align : {0, 2, 1}) {
        canvas.fill(black);
        context.drawText("Hello", box, false, align);
        const Rect ink = boundsOfNot(canvas, black);
        if (align == 0) {
            EXPECT_EQ(ink.left, box.left + 1); // one pixel in
        } else if (align == 2) {
            EXPECT_EQ(ink.right, box.right - 1);
        } else {
            EXPECT_LE(std::abs((ink.left - box.left) - (box.right - 1 - ink.right)), 1);
        }
        EXPECT_EQ(ink.right - ink.left + 1, width) << align;
    }
}

TEST_F(TextTest, AmpersandIsDrawnLiterally) {
    context.setFont(fontNormal);
    const platform::FontDesc font = device.currentFont();
    auto& engine = sw::FontEngine::instance();
    // "&A" is as wide as "&" plus "A": the ampersand is a glyph, not a prefix marker.
    EXPECT_EQ(engine.measure(font, "&A", 2).width, engine.measure(font, "&", 1).width + engine.measure(font, "A", 1).width);
    context.drawText("&", {10, 10, 100, 40}, false, 0);
    EXPECT_GT(countColor(canvas, {0, 0, 200, 60}, white), 0);
}

TEST_F(TextTest, TextIsClippedToItsRectangle) {
    context.setFont(fontBig);
    context.drawText("A long line that cannot fit", {50, 20, 80, 35}, true, 1);
    const Rect inked = boundsOfNot(canvas, black);
    EXPECT_GE(inked.left, 50);
    EXPECT_LE(inked.right, 79);
    EXPECT_GE(inked.top, 20);
    EXPECT_LE(inked.bottom, 34);
}

} // namespace
} // namespace zk::gui::test
