#pragma once

#include "gui/Control.h"

namespace zk::gui {

// Shows the upper half of its background for 0 and the lower half otherwise; a click
// toggles between 0 and 1.
class OnOffButton : public Control {
public:
    OnOffButton(const Rect& size, ControlListener* listener, int32_t tag, Bitmap* background);
    ~OnOffButton() override;

    void draw(DrawContext& context) override;
    void onMouseDown(DrawContext* context, Point where) override;
};

// The value flips while the button is held over the control and stays flipped when it is
// released there.
class ToggleSwitch : public Control {
public:
    ToggleSwitch(const Rect& size, ControlListener* listener, int32_t tag, int32_t imageHeight,
                 Bitmap* background, Point backgroundOffset);
    ~ToggleSwitch() override;

    void draw(DrawContext& context) override;
    void onMouseDown(DrawContext* context, Point where) override;
    void onMouseMoved(DrawContext* context, Point where) override;
    void onMouseUp(DrawContext* context, Point where) override;

    int32_t imageHeight() const { return imageHeight_; }
    float lastValue() const { return lastValue_; }

protected:
    Point switchBackgroundOffset_;
    int32_t imageHeight_;
    float lastValue_;

private:
    void follow(DrawContext* context, Point where);
    void finish();

    struct Drag {
        float start = 0.0f;   // the value at the press
        int32_t atClick = 0;  // the buttons and modifiers at the press
    };
    Drag drag_;
};

// A hot spot that, clicked, shows a larger picture over the panel as the frame's modal
// view until the next click.
class SplashControl : public Control {
public:
    SplashControl(const Rect& size, ControlListener* listener, int32_t tag, Bitmap* background,
                  const Rect& splashRect, Point splashOffset);
    ~SplashControl() override;

    void draw(DrawContext& context) override;
    void onMouseDown(DrawContext* context, Point where) override;
    bool hitTest(Point where, int32_t buttons) override;
    virtual void hide();

    const Rect& splashRect() const { return splashRect_; }

private:
    void restoreSize();

    Rect splashRect_;
    Rect savedSize_{};
    Point splashOffset_;
    bool shown_ = false;
};

} // namespace zk::gui
