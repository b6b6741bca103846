// zkhost's CLAP panel on X11, with the tests' own plug-in: its window embeds in zkhost's, its
// timer (run by zkhost) writes to a pipe whose descriptor zkhost watches, and the call for it
// sets Gain as a person's gesture, which zkhost flushes, logs and the panel paints.
// Needs a display: scripts/test-x11 runs it on Xvfb with ZK_TEST_X11_DISPLAY=1.

#include "tests/zkhost/TestTools.h"

#include <gtest/gtest.h>
#include <png.h>
#include "tests/support/SuiteDisplay.h"

#include <regex>

using namespace zkhosttest;

namespace {

class ZkhostClapPanel : public zktest::SuiteDisplayTest {};

struct Pixel {
    int red, green, blue;
    bool operator==(const Pixel&) const = default;
};
void PrintTo(const Pixel& p, std::ostream* os) { *os << p.red << "," << p.green << "," << p.blue; }

// The pixel at x, y of a PNG, and its size.
Pixel pixelAt(const std::string& path, int x, int y, int& width, int& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {-1, -1, -1};
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr);
    width = int(image.width);
    height = int(image.height);
    const uint8_t* p = &rgb[(size_t(y) * image.width + size_t(x)) * 3];
    return {p[0], p[1], p[2]};
}

} // namespace

TEST_F(ZkhostClapPanel, TimerAndDescriptorCallsMakeAGestureThatIsFlushedLoggedAndPainted) {
    std::string dir = scratchDir("clap-panel");
    // The gesture comes at the fourth tick, 0.1 s in; the picture is taken at the end.
    RunResult r = succeed({"panel", testClapPath(), "--seconds", "1", "--log-automation", "--screenshot", dir + "/p.png"});
    EXPECT_TRUE(std::regex_search(r.out, std::regex("^panel open 160 100 at -?[0-9]+ -?[0-9]+\n"))) << r.out;
    EXPECT_TRUE(std::regex_search(r.out, std::regex("\nbeginEdit 0\nautomate 0 0.5\nendEdit 0\n$"))) << r.out;
    EXPECT_FALSE(contains(r.err, "misbehaving")) << r.err;
    int width = 0, height = 0;
    // Gain 2 of 4 paints red 127; Invert off, no green.
    EXPECT_EQ(pixelAt(dir + "/p.png", 80, 50, width, height), (Pixel{127, 0, 0x40}));
    EXPECT_EQ(width, 160);
    EXPECT_EQ(height, 100);
}

TEST_F(ZkhostClapPanel, ScaleIsHandedToThePanelBeforeItsSize) {
    RunResult r = succeed({"panel", testClapPath(), "--seconds", "0.3", "--scale", "2"});
    EXPECT_TRUE(contains(r.out, "panel open 320 200 at ")) << r.out;
}

TEST_F(ZkhostClapPanel, OpenAndCloseCyclesLeaveNothingBehind) {
    RunResult r = succeed({"panel", testClapPath(), "--seconds", "0.3", "--cycles", "20", "--destroy-window-first"});
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.out, m, std::regex("cycles 20: windows ([0-9]+) -> ([0-9]+), descriptors ([0-9]+) -> ([0-9]+)")))
        << r.out;
    EXPECT_EQ(m[1], m[2]);
    EXPECT_EQ(m[3], m[4]);
    EXPECT_FALSE(contains(r.err, "misbehaving")) << r.err;
}
