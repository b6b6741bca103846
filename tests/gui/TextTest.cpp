#include "GuiTestSupport.h"

#include "gui/platform/software/FontEngine.h"

#include <set>

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

// Glyph edges are FreeType's grey levels laid over whatever lies under each pixel: every pixel
// the text changed is a mix of what was there and the ink, the same mix in each channel.
TEST_F(TextTest, InkIsLaidOverTheBackgroundByCoverage) {
    for (int32_t y = 0; y < canvas.height(); ++y)
        for (int32_t x = 0; x < canvas.width(); ++x)
            canvas.set(x, y, rgb(uint8_t(x), uint8_t(40 + y), uint8_t(200 - x / 2)));
    const sw::SoftPixmap before = canvas;
    const platform::ColorRef ink = rgb(250, 230, 20);
    context.setFont(fontNormal);
    context.setTextColor(Color{250, 230, 20, 255});
    context.drawText("Smooth edges, WAVY glyphs", {4, 5, 196, 55}, false, 0);
    auto channel = [](platform::ColorRef c, int shift) { return int32_t((c >> shift) & 0xFF); };
    int32_t full = 0, partial = 0;
    std::set<int32_t> levels;
    for (int32_t y = 0; y < canvas.height(); ++y)
        for (int32_t x = 0; x < canvas.width(); ++x) {
            const platform::ColorRef was = before.at(x, y), now = canvas.at(x, y);
            if (now == was)
                continue;
            if (now == ink) {
                ++full;
                continue;
            }
            ++partial;
            // The coverage, from the channel with the widest span, explains the other two.
            int widest = 0;
            for (int shift : {8, 16})
                if (std::abs(channel(ink, shift) - channel(was, shift)) > std::abs(channel(ink, widest) - channel(was, widest)))
                    widest = shift;
            const double a = double(channel(now, widest) - channel(was, widest)) / (channel(ink, widest) - channel(was, widest));
            ASSERT_GT(a, 0.0) << x << "," << y;
            ASSERT_LT(a, 1.0) << x << "," << y;
            levels.insert(int32_t(a * 16));
            for (int shift : {0, 8, 16})
                ASSERT_NEAR(channel(now, shift), channel(was, shift) + a * (channel(ink, shift) - channel(was, shift)), 1.01)
                    << x << "," << y << " channel " << shift;
        }
    EXPECT_GT(full, 40);
    EXPECT_GT(partial, full / 2) << "edges are not smoothed";
    EXPECT_GE(levels.size(), 10u) << "too few grey levels";
}

// A frame shown at a scale draws its text that much larger.
TEST_F(TextTest, AFramesScaleEnlargesItsFonts) {
    Frame frame({0, 0, 100, 100}, nullptr, nullptr);
    frame.setScale(2.0f);
    DrawContext scaled{&frame, &device, nullptr};
    scaled.setFont(fontSmall);
    EXPECT_EQ(scaled.fontSize(), 12); // in panel units
    EXPECT_EQ(device.currentFont().height, -24);
    frame.setScale(1.5f);
    scaled.setFont(fontSmaller);
    EXPECT_EQ(device.currentFont().height, -17); // 11 x 1.5, rounded
}

} // namespace
} // namespace zk::gui::test
