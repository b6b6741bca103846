#include "GuiTestSupport.h"

#include "gui/platform/software/FontEngine.h"

namespace zk::gui::test {
namespace {

constexpr platform::ColorRef black = 0, white = rgb(255, 255, 255), red = rgb(255, 0, 0);

class TextTest : public GuiTest {
protected:
    sw::SoftPixmap canvas{200, 60, false, black};
    sw::SoftDevice device{&canvas};
    DrawContext context{nullptr, &device, nullptr};

    // Columns of the underline row: the underline runs exactly over the text's advance.
    std::pair<int32_t, int32_t> inkColumns() const {
        const Rect r = boundsOfNot(canvas, black);
        return {r.left, r.right};
    }
};

TEST_F(TextTest, TheEmbeddedFacesAreLoaded) {
    EXPECT_TRUE(sw::FontEngine::instance().ready());
}

TEST_F(TextTest, FontIdsOutsideTheTableFallBackToBoldSystemFont) {
    for (int32_t id : {8, -1}) {
        context.setFont(id);
        EXPECT_EQ(context.fontId(), 0);
        EXPECT_EQ(context.fontSize(), 12);
        EXPECT_EQ(device.currentFont().weight, 700);
        EXPECT_EQ(device.currentFont().height, -12);
        EXPECT_STREQ(device.currentFont().faceName, "Arial");
    }
    context.setFont(fontSmall, 0, 0);
    EXPECT_EQ(device.currentFont().weight, 400);
    EXPECT_EQ(device.currentFont().height, -12);
    EXPECT_EQ(device.currentFont().pitchAndFamily, 0x22);
    context.setFont(fontSystem, 0, 0);
    EXPECT_EQ(device.currentFont().weight, 700);
    context.setFont(fontSymbol, 0, faceItalic | faceUnderline);
    EXPECT_EQ(context.fontSize(), 13);
    EXPECT_STREQ(device.currentFont().faceName, "Symbol");
    EXPECT_EQ(device.currentFont().pitchAndFamily, 0x50);
    EXPECT_TRUE(device.currentFont().italic);
    EXPECT_TRUE(device.currentFont().underline);
    context.setFont(fontBig, 25, faceBold);
    EXPECT_EQ(context.fontSize(), 25);
    EXPECT_EQ(device.currentFont().weight, 700);
}

TEST_F(TextTest, AlignmentsPlaceTheTextAdvanceInTheRectangle) {
    // With an underline the ink's horizontal extent is exactly the text's advance.
    context.setFont(fontNormal, 0, faceUnderline);
    const Rect box{20, 10, 180, 40};
    platform::FontDesc font = device.currentFont();
    const int32_t width = sw::FontEngine::instance().measure(font, "Hello", 5).width;
    ASSERT_GT(width, 10);

    context.drawText("Hello", box, false, 0);
    EXPECT_EQ(inkColumns(), std::make_pair(box.left + 1, box.left + 1 + width - 1));

    canvas.fill(black);
    context.drawText("Hello", box, false, 2);
    EXPECT_EQ(inkColumns(), std::make_pair(box.right - width, box.right - 1));

    canvas.fill(black);
    context.drawText("Hello", box, false, 1);
    const auto [left, right] = inkColumns();
    EXPECT_LE(std::abs((left - box.left) - (box.right - 1 - right)), 1);
}

TEST_F(TextTest, TextIsVerticallyCentredOnOneLine) {
    context.setFont(fontBig);
    const Rect box{10, 0, 190, 60};
    context.setBrushColor(colorRed); // the opaque box is the line's full height
    context.drawText("HHHH", box, true, 1);
    const Rect inked = boundsOfNot(canvas, black);
    const int32_t lineHeight = inked.bottom - inked.top + 1;
    EXPECT_LE(std::abs(inked.top - (box.height() - lineHeight) / 2), 1);
    EXPECT_GT(countColor(canvas, {0, 0, 200, 60}, red), 0);
    EXPECT_GT(countColor(canvas, {0, 0, 200, 60}, white), 0);
}

TEST_F(TextTest, OpaqueTextPaintsTheFillColourBehindAndTransparentDoesNot) {
    context.setFont(fontSmall);
    context.setBrushColor(colorRed);
    canvas.fill(rgb(0, 0, 90));
    context.drawText("abc", {0, 0, 100, 30}, false, 0);
    EXPECT_EQ(countColor(canvas, {0, 0, 200, 60}, red), 0);
    context.drawText("abc", {0, 0, 100, 30}, true, 0);
    EXPECT_GT(countColor(canvas, {0, 0, 200, 60}, red), 0);
    EXPECT_EQ(device.bkMode(), platform::bkTransparent); // set back after drawing
}

TEST_F(TextTest, AmpersandIsDrawnLiterally) {
    context.setFont(fontNormal);
    platform::FontDesc font = device.currentFont();
    auto& engine = sw::FontEngine::instance();
    // "&A" is as wide as "&" plus "A": the ampersand is a glyph, not a prefix marker.
    EXPECT_EQ(engine.measure(font, "&A", 2).width,
              engine.measure(font, "&", 1).width + engine.measure(font, "A", 1).width);
    context.drawText("&", {10, 10, 100, 40}, false, 0);
    EXPECT_GT(countColor(canvas, {0, 0, 200, 60}, white), 0);
}

TEST_F(TextTest, BoldAndItalicUseOtherFaces) {
    auto& engine = sw::FontEngine::instance();
    platform::FontDesc regular;
    regular.height = -14;
    platform::FontDesc bold = regular;
    bold.weight = 700;
    EXPECT_GT(engine.measure(bold, "mmmmmmmm", 8).width, engine.measure(regular, "mmmmmmmm", 8).width);

    context.setFont(fontNormal);
    context.drawText("Slant", {0, 0, 100, 30}, false, 0);
    const std::vector<platform::ColorRef> upright = canvas.pixels();
    canvas.fill(black);
    context.setFont(fontNormal, 0, faceItalic);
    context.drawText("Slant", {0, 0, 100, 30}, false, 0);
    EXPECT_NE(canvas.pixels(), upright);
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

TEST_F(TextTest, NullTextDrawsNothing) {
    context.drawText(nullptr, {0, 0, 100, 30}, true, 0);
    EXPECT_EQ(countColor(canvas, {0, 0, 200, 60}, black), 200 * 60);
}

} // namespace
} // namespace zk::gui::test
