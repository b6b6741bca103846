#include "GuiTestSupport.h"

#include "gui/Bitmap.h"
#include "gui/platform/software/Png.h"

#include <cstdio>
#include <filesystem>

namespace zk::gui::test {
namespace {

constexpr platform::ColorRef black = 0, red = rgb(255, 0, 0), green = rgb(0, 255, 0), blue = rgb(0, 0, 255);
constexpr platform::ColorRef white = rgb(255, 255, 255);

class PixelTest : public GuiTest {
protected:
    sw::SoftPixmap canvas{40, 40, false, black};
    sw::SoftDevice device{&canvas};
};

TEST_F(PixelTest, FillRectLeavesTheOutlineUnpainted) {
    DrawContext context(nullptr, &device, nullptr);
    context.setBrushColor(colorRed);
    context.fillRect({10, 10, 20, 20});
    EXPECT_EQ(countColor(canvas, {11, 11, 20, 20}, red), 81);
    EXPECT_EQ(countColor(canvas, {0, 0, 40, 40}, red), 81); // nothing else, rows and columns 10 and 20 included
}

TEST_F(PixelTest, FrameRectPaintsBothRightAndBottomEdges) {
    DrawContext context(nullptr, &device, nullptr);
    context.setPenColor(colorGreen);
    context.frameRect({10, 10, 20, 20});
    for (int32_t i = 10; i <= 20; ++i) {
        EXPECT_EQ(canvas.at(i, 10), green) << i;
        EXPECT_EQ(canvas.at(i, 20), green) << i;
        EXPECT_EQ(canvas.at(10, i), green) << i;
        EXPECT_EQ(canvas.at(20, i), green) << i;
    }
    EXPECT_EQ(countColor(canvas, {0, 0, 40, 40}, green), 40); // 11 x 11 outline
    EXPECT_EQ(countColor(canvas, {11, 11, 20, 20}, green), 0);
}

TEST_F(PixelTest, LinesLeaveOutTheirEndPixel) {
    DrawContext context(nullptr, &device, nullptr);
    context.setPenColor(colorRed);
    context.moveTo({2, 5});
    context.lineTo({12, 5});
    EXPECT_EQ(countColor(canvas, {2, 5, 12, 6}, red), 10);
    EXPECT_EQ(canvas.at(12, 5), black);
    EXPECT_EQ(canvas.at(1, 5), black);

    context.moveTo({30, 30});
    context.lineTo({30, 20}); // upward
    EXPECT_EQ(countColor(canvas, {30, 21, 31, 31}, red), 10);
    EXPECT_EQ(canvas.at(30, 20), black);

    context.moveTo({0, 10});
    context.lineTo({5, 15});
    for (int32_t i = 0; i < 5; ++i)
        EXPECT_EQ(canvas.at(i, 10 + i), red) << i;
    EXPECT_EQ(canvas.at(5, 15), black);
}

TEST_F(PixelTest, OffsetShiftsEveryCoordinateAndLineToContinuesFromTheEnd) {
    DrawContext context(nullptr, &device, nullptr);
    context.setPenColor(colorBlue);
    context.moveTo({1, 1});
    context.lineTo({4, 1});
    context.lineTo({4, 3}); // starts at the excluded end pixel of the first line
    EXPECT_EQ(canvas.at(4, 1), blue);
    EXPECT_EQ(canvas.at(4, 2), blue);
    EXPECT_EQ(canvas.at(4, 3), black);
}

TEST_F(PixelTest, DottedPenAlternatesRunsOfThreeAndSolidPenIsContinuous) {
    DrawContext context(nullptr, &device, nullptr);
    context.setPenColor(colorWhite);
    context.setDashStyle(1);
    EXPECT_EQ(device.currentPen().style, platform::PenStyle::dot);
    context.moveTo({0, 3});
    context.lineTo({12, 3});
    const bool expected[12] = {true, true, true, false, false, false, true, true, true, false, false, false};
    for (int32_t x = 0; x < 12; ++x)
        EXPECT_EQ(canvas.at(x, 3) == white, expected[x]) << x;

    context.setDashStyle(0);
    EXPECT_EQ(device.currentPen().style, platform::PenStyle::solid);
    context.moveTo({0, 6});
    context.lineTo({12, 6});
    EXPECT_EQ(countColor(canvas, {0, 6, 12, 7}, white), 12);
}

TEST_F(PixelTest, ContextStartsWhiteOnBlackAndGivesBackTheDeviceObjects) {
    const platform::PenDesc pen = device.selectPen({platform::PenStyle::dot, 1, 0x123456});
    device.selectPen(pen);
    device.selectPen({platform::PenStyle::dot, 1, 0x123456});
    device.selectBrush({false, 0x654321});
    {
        DrawContext context(nullptr, &device, nullptr);
        EXPECT_EQ(context.clip(), (Rect{0, 0, 1000, 1000}));
        EXPECT_EQ(device.currentPen().color, white);
        EXPECT_EQ(device.currentBrush().color, black);
        EXPECT_EQ(device.textColor(), white);
        EXPECT_EQ(device.bkMode(), platform::bkTransparent);
        context.setBrushColor(colorRed);
        context.setPenColor(colorGreen);
        context.setFont(fontBig);
    }
    EXPECT_EQ(device.currentPen().color, 0x123456u);
    EXPECT_EQ(device.currentPen().style, platform::PenStyle::dot);
    EXPECT_EQ(device.currentBrush().color, 0x654321u);
    EXPECT_EQ(device.currentFont().height, 0);
}

// A bitmap whose pixels are the key colour on a diagonal pattern and varied colours elsewhere.
std::vector<platform::ColorRef> keyedPattern(int32_t w, int32_t h, platform::ColorRef key) {
    std::vector<platform::ColorRef> pixels(std::size_t(w * h));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            pixels[std::size_t(y * w + x)] = (x + y) % 3 == 0 ? key : rgb(uint8_t(x * 20), uint8_t(y * 20), 77);
    return pixels;
}

void paintBackground(sw::SoftPixmap& p) {
    for (int32_t y = 0; y < p.height(); ++y)
        for (int32_t x = 0; x < p.width(); ++x)
            p.set(x, y, rgb(uint8_t(x * 5), 200, uint8_t(y * 5)));
}

TEST_F(PixelTest, BothTransparentCopyPathsGiveIdenticalPixels) {
    for (const platform::ColorRef key : {white, rgb(255, 0, 255)}) {
        system.registerBitmap(300, 12, 10, keyedPattern(12, 10, key));
        Bitmap bitmap(300);
        bitmap.setKeyColor(Color::fromPacked(key));

        sw::SoftPixmap direct(40, 40, false), masked(40, 40, false);
        paintBackground(direct);
        paintBackground(masked);
        const sw::SoftPixmap before = direct;
        sw::SoftDevice directDevice(&direct), maskedDevice(&masked);
        // Source point inside the bitmap and a rectangle that runs past its end.
        const Rect where{5, 6, 17, 16};
        const Point source{2, 1};
        {
            transparentBltAvailable = true;
            DrawContext context(nullptr, &directDevice, nullptr);
            bitmap.drawTransparent(context, where, source);
        }
        {
            transparentBltAvailable = false;
            DrawContext context(nullptr, &maskedDevice, nullptr);
            bitmap.drawTransparent(context, where, source);
        }
        EXPECT_EQ(direct.pixels(), masked.pixels());

        const std::vector<platform::ColorRef> pattern = keyedPattern(12, 10, key);
        for (int32_t y = 0; y < 40; ++y)
            for (int32_t x = 0; x < 40; ++x) {
                const int32_t bx = x - where.left + source.h, by = y - where.top + source.v;
                const bool covered = x >= where.left && x < where.right && y >= where.top && y < where.bottom &&
                                     bx < 12 && by < 10;
                const platform::ColorRef src = covered ? pattern[std::size_t(by * 12 + bx)] : key;
                const platform::ColorRef expected = src == key ? before.at(x, y) : src;
                ASSERT_EQ(masked.at(x, y), expected) << x << "," << y;
            }
        // The mask method gives the destination its colours back (black fill, white ink).
        EXPECT_EQ(maskedDevice.bkColor(), black);
        EXPECT_EQ(maskedDevice.textColor(), white);
    }
}

TEST_F(PixelTest, LowerHalfOfATwoStateStrip) {
    registerStrip(301, 10, 20, red, blue);
    Bitmap strip(301);
    ASSERT_EQ(strip.height(), 20);
    DrawContext context(nullptr, &device, nullptr);
    strip.draw(context, {5, 5, 15, 15}, {0, strip.height() / 2});
    EXPECT_EQ(countColor(canvas, {5, 5, 15, 15}, blue), 100);
    EXPECT_EQ(countColor(canvas, {0, 0, 40, 40}, red), 0);
    EXPECT_EQ(countColor(canvas, {0, 0, 40, 40}, blue), 100);
}

TEST_F(PixelTest, MissingResourceGivesAnEmptyBitmapThatDrawsNothing) {
    Bitmap missing(4242);
    EXPECT_EQ(missing.width(), 0);
    EXPECT_EQ(missing.height(), 0);
    EXPECT_EQ(missing.handle(), nullptr);
    paintBackground(canvas);
    const sw::SoftPixmap before = canvas;
    DrawContext context(nullptr, &device, nullptr);
    for (bool direct : {true, false}) {
        transparentBltAvailable = direct;
        missing.draw(context, {0, 0, 40, 40});
        missing.drawTransparent(context, {0, 0, 40, 40});
    }
    EXPECT_EQ(canvas.pixels(), before.pixels());
}

TEST_F(PixelTest, ResourceIdsUseTheirLowSixteenBits) {
    registerSolid(7, 3, 2, red);
    Bitmap bitmap(0x10007);
    EXPECT_EQ(bitmap.width(), 3);
    EXPECT_EQ(bitmap.resourceId(), 0x10007);
    EXPECT_EQ(bitmap.keyColor(), colorTransparentKey);
}

TEST_F(PixelTest, OffscreenStartsInItsBackgroundAndCopiesInOneBlock) {
    OffscreenContext offscreen(nullptr, 30, 20, colorBlue);
    EXPECT_EQ(offscreen.clip(), (Rect{0, 0, 30, 20}));
    auto* pixels = dynamic_cast<sw::SoftPixmap*>(offscreen.pixmap());
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(countColor(*pixels, {0, 0, 30, 20}, blue), 600);

    offscreen.setBrushColor(colorRed);
    offscreen.fillRect({-1, -1, 5, 5}); // paints 0..4
    DrawContext screen(nullptr, &device, nullptr);
    offscreen.copyTo(screen, {3, 4, 33, 24}, {0, 0});
    EXPECT_EQ(countColor(canvas, {3, 4, 8, 9}, red), 25);
    EXPECT_EQ(countColor(canvas, {0, 0, 40, 40}, blue), 600 - 25);
    EXPECT_EQ(countColor(canvas, {3, 4, 33, 24}, blue) + 25, 600);

    OffscreenContext inverted(nullptr, -5, 10, colorBlack);
    EXPECT_EQ(inverted.clip(), (Rect{-5, 0, 0, 10}));
}

TEST_F(PixelTest, PngOfAContextReadsBackPixelForPixel) {
    paintBackground(canvas);
    DrawContext context(nullptr, &device, nullptr);
    const auto path = std::filesystem::temp_directory_path() / "zk_gui_pixel_test.png";
    ASSERT_TRUE(sw::writePng(context, path.string().c_str()));
    const std::unique_ptr<sw::SoftPixmap> back = sw::readPng(path.string().c_str());
    std::filesystem::remove(path);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->width(), 40);
    EXPECT_EQ(back->pixels(), canvas.pixels());
    EXPECT_FALSE(sw::writePng(canvas, "/nonexistent-directory/x.png"));
}

TEST_F(PixelTest, MouseButtonsFollowTheSwapSetting) {
    DrawContext context(nullptr, &device, nullptr);
    system.input().set({{0, 0}, buttonRight | modifierShift, 0});
    EXPECT_EQ(context.mouseButtons(), buttonRight | modifierShift);
    swapMouseButtons = true;
    EXPECT_EQ(context.mouseButtons(), buttonLeft | modifierShift);
    system.input().set({{0, 0}, buttonLeft | buttonMiddle | modifierControl | modifierAlt, 0});
    EXPECT_EQ(context.mouseButtons(), buttonRight | buttonMiddle | modifierControl | modifierAlt);
}

TEST_F(PixelTest, ColorsCompareOnRedGreenBlueOnly) {
    EXPECT_EQ((Color{1, 2, 3, 0}), (Color{1, 2, 3, 99}));
    EXPECT_FALSE((Color{1, 2, 3, 0}) == (Color{1, 2, 4, 0}));
    EXPECT_EQ((Color{0x12, 0x34, 0x56, 0xFF}).packed(), 0x563412u);
    EXPECT_EQ(colorTransparentKey, colorWhite);
    EXPECT_NE(&colorTransparentKey, &colorWhite);
    EXPECT_EQ(colorGrey, (Color{127, 127, 127, 0}));
}

TEST_F(PixelTest, RectanglesCountTheirEdgesAsInside) {
    const Rect r{10, 10, 20, 20};
    EXPECT_TRUE(r.contains({20, 20}));
    EXPECT_TRUE(r.contains({10, 15}));
    EXPECT_FALSE(r.contains({21, 15}));
    EXPECT_FALSE(r.contains({15, 9}));
    EXPECT_TRUE(r.overlaps({20, 20, 30, 30}));  // touching corners
    EXPECT_FALSE(r.overlaps({21, 0, 30, 30}));
    EXPECT_FALSE(r.overlaps({0, 0, 9, 9}));
}

} // namespace
} // namespace zk::gui::test
