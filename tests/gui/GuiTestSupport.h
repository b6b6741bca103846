#pragma once

// A fresh software platform per test, an editor that records the edit gestures, a
// listener that records every report, and pixel helpers.

#include "gui/Control.h"
#include "gui/Frame.h"
#include "gui/platform/software/SoftwarePlatform.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zk::gui::test {

namespace sw = platform::software;

class RecordingEditor final : public ToolkitEditor {
public:
    void beginEdit(int32_t tag) override { events.push_back("begin " + std::to_string(tag)); }
    void endEdit(int32_t tag) override { events.push_back("end " + std::to_string(tag)); }
    void runIdle() override { ++idleRuns; }
    std::vector<std::string> events;
    int32_t idleRuns = 0;
};

// Like the editor, it has the control drawn at once after each report, so that the next
// report comes only with the next change.
class RecordingListener final : public ControlListener {
public:
    void valueChanged(DrawContext* context, Control* control) override {
        reports.push_back({control->getTag(), control->getValue()});
        controls.push_back(control);
        contexts.push_back(context);
        if (context && redraw)
            control->update(*context);
    }
    bool redraw = true;
    std::vector<std::pair<int32_t, float>> reports;
    std::vector<Control*> controls;
    std::vector<DrawContext*> contexts;
};

// Installs its own software platform and resets the toolkit's module-wide state.
class GuiTest : public ::testing::Test {
protected:
    GuiTest() {
        previous_ = platform::install(&system);
        knobMode = 0;
        swapMouseButtons = false;
        transparentBltAvailable = false;
    }
    ~GuiTest() override { platform::install(previous_); }

    // A frame with a window at screen position (0, 0) unless moved.
    std::unique_ptr<Frame> makeFrame(Rect size = {0, 0, 200, 150}, ToolkitEditor* editor = nullptr) {
        static int parentWindow;
        return std::make_unique<Frame>(size, &parentWindow, editor);
    }
    sw::SoftwareWindow& windowOf(Frame& frame) {
        return *dynamic_cast<sw::SoftwareWindow*>(frame.platformWindow());
    }
    // Presses in the frame's window: the click state, then the states that follow.
    void press(Frame& frame, Point where, int32_t buttons, const std::vector<sw::InputState>& then = {}) {
        system.press(windowOf(frame), where, buttons, then);
    }
    static sw::InputState at(int32_t h, int32_t v, int32_t buttons, uint32_t ticks = 0) {
        return {{h, v}, buttons, ticks};
    }
    // A bitmap of one colour, or of a top half and a bottom half.
    void registerSolid(int32_t id, int32_t w, int32_t h, platform::ColorRef c) {
        system.registerBitmap(id, w, h, std::vector<platform::ColorRef>(std::size_t(w * h), c));
    }
    void registerStrip(int32_t id, int32_t w, int32_t h, platform::ColorRef top, platform::ColorRef bottom) {
        std::vector<platform::ColorRef> pixels(std::size_t(w * h));
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                pixels[std::size_t(y * w + x)] = y < h / 2 ? top : bottom;
        system.registerBitmap(id, w, h, std::move(pixels));
    }

    sw::SoftwarePlatform system;

private:
    platform::Platform* previous_;
};

// Counts the pixels of a colour inside a rectangle (right and bottom excluded).
inline int32_t countColor(const sw::SoftPixmap& p, const Rect& r, platform::ColorRef c) {
    int32_t n = 0;
    for (int32_t y = r.top; y < r.bottom; ++y)
        for (int32_t x = r.left; x < r.right; ++x)
            if (p.inside(x, y) && p.at(x, y) == c)
                ++n;
    return n;
}

// The bounding box of the pixels that differ from a colour; empty when none do.
inline Rect boundsOfNot(const sw::SoftPixmap& p, platform::ColorRef c) {
    Rect r{p.width(), p.height(), -1, -1};
    for (int32_t y = 0; y < p.height(); ++y)
        for (int32_t x = 0; x < p.width(); ++x)
            if (p.at(x, y) != c) {
                r.left = std::min(r.left, x);
                r.top = std::min(r.top, y);
                r.right = std::max(r.right, x);
                r.bottom = std::max(r.bottom, y);
            }
    return r;
}

constexpr platform::ColorRef rgb(uint8_t r, uint8_t g, uint8_t b) {
    return platform::ColorRef(r) | platform::ColorRef(g) << 8 | platform::ColorRef(b) << 16;
}

} // namespace zk::gui::test
