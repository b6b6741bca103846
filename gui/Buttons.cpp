#include "gui/Buttons.h"

#include "gui/Frame.h"

namespace zk::gui {

namespace {
void drawBackground(Bitmap& bitmap, DrawContext& context, const Rect& rect, Point source, bool transparent) {
    if (transparent)
        bitmap.drawTransparent(context, rect, source);
    else
        bitmap.draw(context, rect, source);
}
} // namespace

OnOffButton::OnOffButton(const Rect& size, ControlListener* listener, int32_t tag, Bitmap* background)
    : Control(size, listener, tag, background) {}

OnOffButton::~OnOffButton() = default;

void OnOffButton::draw(DrawContext& context) {
    if (background_) {
        const Point source{0, value_ == 0.0f ? 0 : background_->height() / 2};
        drawBackground(*background_, context, size_, source, transparent_);
    }
    setDirty(false);
}

void OnOffButton::onMouseDown(DrawContext* context, Point) {
    if (!context || !clickable_ || !(context->mouseButtons() & buttonLeft))
        return;
    value_ = int32_t(value_) != 0 ? 0.0f : 1.0f;
    if (listener_)
        listener_->valueChanged(context, this);
}

ToggleSwitch::ToggleSwitch(const Rect& size, ControlListener* listener, int32_t tag, int32_t imageHeight,
                           Bitmap* background, Point backgroundOffset)
    : Control(size, listener, tag, background), switchBackgroundOffset_(backgroundOffset),
      imageHeight_(imageHeight), lastValue_(value_) {}

ToggleSwitch::~ToggleSwitch() = default;

void ToggleSwitch::draw(DrawContext& context) {
    clampValue();
    if (background_) {
        const Point source{0, value_ == 0.0f ? 0 : imageHeight_};
        drawBackground(*background_, context, size_, source, transparent_);
    }
    lastValue_ = value_;
    setDirty(false);
}

void ToggleSwitch::onMouseDown(DrawContext* context, Point where) {
    if (!context || !clickable_ || tracking_)
        return;
    const int32_t atClick = context->mouseButtons();
    if (!(atClick & buttonLeft))
        return;
    drag_ = {value_, atClick};
    startTracking();
    follow(context, where);
}

void ToggleSwitch::onMouseMoved(DrawContext* context, Point where) {
    if (!tracking_ || !context)
        return;
    // Any change of the buttons or modifiers ends the press, where the pointer was last.
    if (context->mouseButtons() != drag_.atClick) {
        finish();
        return;
    }
    follow(context, where);
}

void ToggleSwitch::onMouseUp(DrawContext*, Point) {
    if (tracking_)
        finish();
}

void ToggleSwitch::follow(DrawContext* context, Point where) {
    // Switched while the pointer is over the switch; back as it was when it leaves.
    if (size_.contains(where))
        value_ = drag_.start == 0.0f ? 1.0f : 0.0f;
    else
        value_ = drag_.start;
    reportChange(context);
}

void ToggleSwitch::finish() {
    stopTracking();
    lastValue_ = value_;
}

SplashControl::SplashControl(const Rect& size, ControlListener* listener, int32_t tag, Bitmap* background,
                             const Rect& splashRect, Point splashOffset)
    : Control(size, listener, tag, background), splashRect_(splashRect), splashOffset_(splashOffset) {}

SplashControl::~SplashControl() = default;

bool SplashControl::hitTest(Point where, int32_t buttons) {
    return size_.contains(where) && (buttons & buttonLeft);
}

void SplashControl::draw(DrawContext& context) {
    if (value_ != 0.0f && background_)
        drawBackground(*background_, context, splashRect_, splashOffset_, transparent_);
    setDirty(false);
}

void SplashControl::onMouseDown(DrawContext* context, Point) {
    if (!context || !clickable_ || !(context->mouseButtons() & buttonLeft))
        return;
    value_ = value_ == 0.0f ? 1.0f : 0.0f;
    if (value_ != 0.0f) {
        if (frame_ && frame_->setModal(this)) {
            savedSize_ = size_;
            size_ = splashRect_;
            shown_ = true;
            draw(*context);
            if (listener_)
                listener_->valueChanged(context, this);
        }
    } else {
        restoreSize();
        if (frame_) {
            frame_->setModal(nullptr);
            frame_->draw(*context);
        }
        if (listener_)
            listener_->valueChanged(context, this);
    }
    setDirty(true);
}

// Only a splash that was shown has a size to give back; one whose showing was refused
// keeps its own rectangle instead of taking the empty saved one.
void SplashControl::restoreSize() {
    if (shown_)
        size_ = savedSize_;
    shown_ = false;
}

void SplashControl::hide() {
    setDirty(true);
    restoreSize();
    value_ = 0.0f;
    if (frame_ && frame_->modalView() == this) {
        frame_->setModal(nullptr);
        frame_->drawViewNow(nullptr);
    }
}

} // namespace zk::gui
