#include "GuiTestSupport.h"

#include "gui/Bitmap.h"
#include "gui/platform/software/Png.h"

#include <filesystem>

namespace zk::gui::test {
namespace {

constexpr platform::ColorRef black = 0, red = rgb(255, 0, 0), green = rgb(0, 255, 0), blue = rgb(0, 0, 255);
constexpr platform::ColorRef white = rgb(255, 255, 255);

void paintBackground(sw::SoftPixmap& p) {
    for (int32_t y = 0; y < p.height(); ++y)
        for (int32_t x = 0; x < p.width(); ++x)
            p.set(x, y, rgb(uint8_t(x * 5), 200, uint8_t(y * 5)));
}

class PixelTest : public GuiTest {
protected:
    sw::SoftPixmap canvas{40, 40, false, black};
    sw::SoftDevice device{&canvas};
    DrawContext context{nullptr, &device, nullptr};
    void line(Point from, Point to) {
        context.moveTo(from);
        context.lineTo(to);
    }
};

TEST_F(PixelTest, FillRectLeavesTheOutlineToFrameRect) {
    context.setBrushColor(colorRed);
    context.fillRect({10, 10, 20, 20});
    EXPECT_EQ(countColor(canvas, {11, 11, 20, 20}, red), 81);
    EXPECT_EQ(countColor(canvas, {0, 0, 40, 40}, red), 81); // rows and columns 10 and 20 unpainted
    context.setPenColor(colorGreen);
    context.frameRect({10, 10, 20, 20});
    for (int32_t i = 10; i <= 20; ++i)
        for (const Point p : {Point{i, 10}, Point{i, 20}, Point{10, i}, Point{20, i}})
            EXPECT_EQ(canvas.at(p.h, p.v), green) << p.h << "," << p.v;
    EXPECT_EQ(countColor(canvas, {0, 0, 40, 40}, green), 40); // the 11 x 11 outline only
    EXPECT_EQ(countColor(canvas, {0, 0, 40, 40}, red), 81);
}

TEST_F(PixelTest, LinesLeaveOutTheirEndPixelAndDottedPensRunsOfThree) {
    context.setPenColor(colorRed);
    line({2, 5}, {12, 5});
    EXPECT_EQ(countColor(canvas, {0, 5, 40, 6}, red), 10); // 2..11
    EXPECT_EQ(canvas.at(12, 5), black);
    line({30, 30}, {30, 20}); // upward
    EXPECT_EQ(countColor(canvas, {30, 20, 31, 31}, red), 10);
    EXPECT_EQ(canvas.at(30, 20), black);
    line({0, 10}, {5, 15});
    for (int32_t i = 0; i < 5; ++i)
        EXPECT_EQ(canvas.at(i, 10 + i), red) << i;
    EXPECT_EQ(canvas.at(5, 15), black);
    context.lineTo({5, 18}); // continues from the excluded end pixel
    EXPECT_EQ(canvas.at(5, 15), red);
    EXPECT_EQ(canvas.at(5, 18), black);

    context.setPenColor(colorWhite);
    context.setDashStyle(1);
    line({0, 3}, {12, 3});
    for (int32_t x = 0; x < 12; ++x)
        EXPECT_EQ(canvas.at(x, 3) == white, x % 6 < 3) << x;
    context.setDashStyle(0);
    line({0, 6}, {12, 6});
    EXPECT_EQ(countColor(canvas, {0, 6, 12, 7}, white), 12);
}

TEST_F(PixelTest, BothTransparentCopyPathsGiveIdenticalPixels) {
    for (const platform::ColorRef key : {white, rgb(255, 0, 255)}) {
        // The key colour on a diagonal pattern, varied colours elsewhere.
        std::vector<platform::ColorRef> pattern(12 * 10);
        for (int32_t y = 0; y < 10; ++y)
            for (int32_t x = 0; x < 12; ++x)
                pattern[std::size_t(y * 12 + x)] = (x + y) % 3 == 0 ? key : rgb(uint8_t(x * 20), uint8_t(y * 20), 77);
        system.registerBitmap(300, 12, 10, pattern);
        Bitmap bitmap(300);
        bitmap.setKeyColor(Color::fromPacked(key));

        sw::SoftPixmap direct(40, 40, false), masked(40, 40, false);
        paintBackground(direct);
        paintBackground(masked);
        const sw::SoftPixmap before = direct;
        const Rect where{5, 6, 17, 16}; // runs past the bitmap's end from the source point
        const Point source{2, 1};
        for (sw::SoftPixmap* target : {&direct, &masked}) {
            transparentBltAvailable = target == &direct;
            sw::SoftDevice targetDevice(target);
            DrawContext targetContext(nullptr, &targetDevice, nullptr);
            bitmap.drawTransparent(targetContext, where, source);
        }
        EXPECT_EQ(direct.pixels(), masked.pixels());
        for (int32_t y = 0; y < 40; ++y)
            for (int32_t x = 0; x < 40; ++x) {
                const int32_t bx = x - where.left + source.h, by = y - where.top + source.v;
                const bool covered = x >= where.left && x < where.right && y >= where.top && y < where.bottom &&
                                     bx < 12 && by < 10;
                const platform::ColorRef src = covered ? pattern[std::size_t(by * 12 + bx)] : key;
                ASSERT_EQ(masked.at(x, y), src == key ? before.at(x, y) : src) << x << "," << y;
            }
    }
}

TEST_F(PixelTest, StripSourcePointAndMissingBitmap) {
    Bitmap* twoState = strip(301, 10, 20, red, blue);
    twoState->draw(context, {5, 5, 15, 15}, {0, twoState->height() / 2});
    EXPECT_EQ(countColor(canvas, {5, 5, 15, 15}, blue), 100);
    EXPECT_EQ(countColor(canvas, {0, 0, 40, 40}, blue), 100);
    EXPECT_EQ(countColor(canvas, {0, 0, 40, 40}, red), 0);

    Bitmap missing(4242);
    EXPECT_EQ(missing.width(), 0);
    EXPECT_EQ(missing.height(), 0);
    paintBackground(canvas);
    const sw::SoftPixmap before = canvas;
    for (bool direct : {true, false}) {
        transparentBltAvailable = direct;
        missing.draw(context, {0, 0, 40, 40});
        missing.drawTransparent(context, {0, 0, 40, 40});
    }
    EXPECT_EQ(canvas.pixels(), before.pixels());
}

TEST_F(PixelTest, PngOfAContextReadsBackPixelForPixel) {
    paintBackground(canvas);
    const auto path = std::filesystem::temp_directory_path() / "zk_gui_pixel_test.png";
    ASSERT_TRUE(sw::writePng(*context.device(), path.string().c_str())); // what the context draws into
    const std::unique_ptr<sw::SoftPixmap> back = sw::readPng(path.string().c_str());
    std::filesystem::remove(path);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->width(), 40);
    EXPECT_EQ(back->pixels(), canvas.pixels());
    EXPECT_FALSE(sw::writePng(canvas, "/nonexistent-directory/x.png"));
}

} // namespace
} // namespace zk::gui::test
