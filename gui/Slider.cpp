#include "gui/Slider.h"

#include "gui/Frame.h"

#include <algorithm>

namespace zk::gui {

Slider::Slider(const Rect& size, ControlListener* listener, int32_t tag, int32_t minPosition,
               int32_t maxPosition, Bitmap* handle, Bitmap* background, Point backgroundOffset,
               int32_t style)
    : Control(size, listener, tag, background), sliderBackgroundOffset_(backgroundOffset),
      handleImage_(handle), travel_(maxPosition - minPosition), style_(style),
      controlWidth_(size.width()), controlHeight_(size.height()) {
    if (handleImage_) {
        handleImage_->retain();
        handleWidth_ = handleImage_->width();
        handleHeight_ = handleImage_->height();
    }
    if (horizontal()) {
        minOffset_ = minPosition - size.left;
        minPos_ = minOffset_;
        maxPos_ = minPos_ + travel_ + handleWidth_;
    } else {
        minOffset_ = minPosition - size.top;
        minPos_ = minOffset_ + handleOffset_.v;
        maxPos_ = minPos_ + travel_ + handleHeight_;
    }
}

Slider::~Slider() {
    delete offscreen_;
    if (handleImage_)
        handleImage_->release();
}

void Slider::setHandleOffset(Point offset) {
    handleOffset_ = offset;
    if (horizontal()) {
        minPos_ = minOffset_ + handleOffset_.h;
        maxPos_ = minPos_ + travel_ + handleWidth_;
    } else {
        minPos_ = minOffset_ + handleOffset_.v;
        maxPos_ = minPos_ + travel_ + handleHeight_;
    }
}

void Slider::setHandleImage(Bitmap* bitmap) {
    if (handleImage_)
        handleImage_->release();
    handleImage_ = bitmap;
    if (handleImage_) {
        handleImage_->retain();
        handleWidth_ = handleImage_->width();
        handleHeight_ = handleImage_->height();
    }
}

bool Slider::onAttached(View* parent) {
    delete offscreen_;
    offscreen_ = new OffscreenContext(dynamic_cast<Frame*>(parent), controlWidth_, controlHeight_, colorBlack);
    return true;
}

bool Slider::onRemoved(View*) {
    delete offscreen_;
    offscreen_ = nullptr;
    return true;
}

float Slider::fraction() const {
    return (style_ & (sliderMinLeft | sliderMinTop)) ? value_.load() : 1.0f - value_;
}

Rect Slider::handleRect() const {
    Rect r;
    const float f = fraction();
    if (horizontal()) {
        r.top = handleOffset_.v;
        r.bottom = r.top + handleHeight_;
        r.left = std::max(int32_t(float(travel_) * f) + handleOffset_.h, minPos_);
        r.right = std::min(r.left + handleWidth_, maxPos_);
    } else {
        r.left = handleOffset_.h;
        r.right = r.left + handleWidth_;
        r.top = std::max(int32_t(float(travel_) * f) + handleOffset_.v, minPos_);
        r.bottom = std::min(r.top + handleHeight_, maxPos_);
    }
    return r;
}

void Slider::draw(DrawContext& context) {
    if (!offscreen_)
        return;
    if (background_) {
        const Rect all{0, 0, controlWidth_, controlHeight_};
        if (transparent_)
            background_->drawTransparent(*offscreen_, all, sliderBackgroundOffset_);
        else
            background_->draw(*offscreen_, all, sliderBackgroundOffset_);
    }
    if (handleImage_) {
        if (handleTransparent_)
            handleImage_->drawTransparent(*offscreen_, handleRect(), {0, 0});
        else
            handleImage_->draw(*offscreen_, handleRect(), {0, 0});
    }
    offscreen_->copyTo(context, size_, {0, 0});
    setDirty(false);
}

void Slider::onMouseDown(DrawContext* context, Point where) {
    if (!context || !clickable_ || tracking_)
        return;
    const int32_t buttons = context->mouseButtons();
    if (resetToDefault(context, buttons))
        return;
    if (!(buttons & buttonLeft))
        return;

    const bool across = horizontal();
    int32_t base = across ? size_.left + handleOffset_.h : size_.top + handleOffset_.v;
    const int32_t extent = across ? handleWidth_ : handleHeight_;
    if (!clickAnywhere_) {
        const Rect handle = handleRect().offsetBy(size_.left, size_.top);
        const int32_t position = int32_t(float(travel_) * fraction()) +
                                 (across ? handleOffset_.h + size_.left : handleOffset_.v + size_.top);
        if (!handle.contains(where))
            return;
        base += (across ? where.h : where.v) - position;
    } else {
        base += extent / 2 - 1;
    }

    drag_ = {base, value_, buttons};
    beginDrag(context, where, buttons);
}

void Slider::dragStep(DrawContext* context, Point where, int32_t buttons) {
    if (buttons != drag_.lastButtons) {
        if (buttons & modifierShift)
            drag_.anchor = value_;
        drag_.lastButtons = buttons;
    }
    if (!(buttons & modifierShift))
        drag_.anchor = value_;
    const bool across = horizontal();
    // A slider built without travel stays at its minimum rather than dividing by zero.
    float v = travel_ != 0 ? float((across ? where.h : where.v) - drag_.base) / float(travel_) : 0.0f;
    if (style_ & (sliderMinRight | sliderMinBottom))
        v = 1.0f - v;
    if (buttons & modifierShift)
        v = drag_.anchor + (v - drag_.anchor) / fineFactor_;
    value_ = v;
    clampValue();
    reportChange(context);
}

int32_t Slider::onKeyDown(const KeyStroke& key) { return continuousKey(key); }

bool Slider::onWheel(DrawContext* context, Point, float distance) { return continuousWheel(context, distance); }

} // namespace zk::gui
