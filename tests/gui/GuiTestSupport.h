#pragma once

// A fresh software platform per test, an editor that records the edit gestures, a
// listener that records every report, a frame of controls, and pixel helpers.

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
using Log = std::vector<std::string>;

class RecordingEditor final : public ToolkitEditor {
public:
    void beginEdit(int32_t tag) override { events.push_back("begin " + std::to_string(tag)); }
    void endEdit(int32_t tag) override { events.push_back("end " + std::to_string(tag)); }
    Log events;
};

// Like the editor, it has the control drawn at once after each report, so that the next
// report comes only with the next change.
class RecordingListener final : public ControlListener {
public:
    void valueChanged(DrawContext* context, Control* control) override {
        reports.push_back({control->getTag(), control->getValue()});
        controls.push_back(control);
        if (context)
            control->update(*context);
    }
    std::vector<std::pair<int32_t, float>> reports;
    std::vector<Control*> controls;
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
    ~GuiTest() override {
        for (Bitmap* b : owned_)
            b->release();
        platform::install(previous_);
    }

    // A frame with a window at screen position (0, 0) unless moved.
    std::unique_ptr<Frame> makeFrame(Rect size = {0, 0, 200, 150}, ToolkitEditor* editor = nullptr) {
        static int parentWindow;
        return std::make_unique<Frame>(size, &parentWindow, editor);
    }
    sw::SoftwareWindow& windowOf(Frame& frame) { return *dynamic_cast<sw::SoftwareWindow*>(frame.platformWindow()); }
    // Presses in the frame's window: the click state, then the states that follow.
    void press(Frame& frame, Point where, int32_t buttons, const std::vector<sw::InputState>& then = {}) {
        system.press(windowOf(frame), where, buttons, then);
    }
    static sw::InputState at(int32_t h, int32_t v, int32_t buttons) { return {{h, v}, buttons, 0}; }
    // Bitmaps of one colour, or of a top half and a bottom half, released when the test ends.
    Bitmap* solid(int32_t id, int32_t w, int32_t h, platform::ColorRef c) {
        system.registerBitmap(id, w, h, std::vector<platform::ColorRef>(std::size_t(w * h), c));
        return owned_.emplace_back(new Bitmap(id));
    }
    Bitmap* strip(int32_t id, int32_t w, int32_t h, platform::ColorRef top, platform::ColorRef bottom) {
        std::vector<platform::ColorRef> pixels(std::size_t(w * h), bottom);
        std::fill(pixels.begin(), pixels.begin() + w * (h / 2), top);
        system.registerBitmap(id, w, h, std::move(pixels));
        return owned_.emplace_back(new Bitmap(id));
    }

    sw::SoftwarePlatform system;

private:
    platform::Platform* previous_;
    std::vector<Bitmap*> owned_;
};

// A 700 x 300 frame linked to a recording editor.
class ControlTest : public GuiTest {
protected:
    template <typename V>
    V* add(V* view) {
        frame->appendView(view);
        return view;
    }
    void click(Point where, int32_t buttons, const std::vector<sw::InputState>& then = {}) {
        press(*frame, where, buttons, then);
    }
    const sw::SoftPixmap& pixels() { return windowOf(*frame).pixels(); }
    static Log gesture(int32_t tag) { return {"begin " + std::to_string(tag), "end " + std::to_string(tag)}; }

    RecordingEditor editor;
    RecordingListener listener;
    std::unique_ptr<Frame> frame = makeFrame({0, 0, 700, 300}, &editor);
};

// Counts the pixels of a colour inside a rectangle (right and bottom excluded).
inline int32_t countColor(const sw::SoftPixmap& p, const Rect& r, platform::ColorRef c) {
    int32_t n = 0;
    for (int32_t y = r.top; y < r.bottom; ++y)
        for (int32_t x = r.left; x < r.right; ++x)
            n += p.inside(x, y) && p.at(x, y) == c;
    return n;
}

// The bounding box of the pixels that differ from a colour; empty when none do.
inline Rect boundsOfNot(const sw::SoftPixmap& p, platform::ColorRef c) {
    Rect r{p.width(), p.height(), -1, -1};
    for (int32_t y = 0; y < p.height(); ++y)
        for (int32_t x = 0; x < p.width(); ++x)
            if (p.at(x, y) != c)
                r = {std::min(r.left, x), std::min(r.top, y), std::max(r.right, x), std::max(r.bottom, y)};
    return r;
}

constexpr platform::ColorRef rgb(uint8_t r, uint8_t g, uint8_t b) {
    return platform::ColorRef(r) | platform::ColorRef(g) << 8 | platform::ColorRef(b) << 16;
}

} // namespace zk::gui::test
