#include "gui/Control.h"

#include "gui/Frame.h"

#include <algorithm>

namespace zk::gui {

std::atomic<int32_t> knobMode{0};

Control::Control(const Rect& size, ControlListener* listener, int32_t tag, Bitmap* background)
    : View(size), listener_(listener), tag_(tag),
      doubleClickDelay_(int32_t(std::max<uint32_t>(platform::current().doubleClickTime(), 250))),
      background_(background) {
    if (background_)
        background_->retain();
}

Control::~Control() {
    if (background_)
        background_->release();
}

bool Control::isDirty() const { return value_ != drawnValue_ || dirty_; }

void Control::setDirty(bool dirty) {
    dirty_ = dirty;
    if (dirty)
        drawnValue_ = value_ == -1.0f ? 0.0f : -1.0f;
    else
        drawnValue_ = value_.load();
}

void Control::startTracking() {
    beginEdit();
    tracking_ = true;
}

void Control::stopTracking() {
    if (!tracking_)
        return;
    tracking_ = false;
    endEdit();
}

void Control::cancelPress() { stopTracking(); }

void Control::beginDrag(DrawContext* context, Point where, int32_t buttons) {
    startTracking();
    if (frame_)
        frame_->moveFocus(this);
    dragStep(context, where, buttons);
}

void Control::onMouseMoved(DrawContext* context, Point where) {
    if (!tracking_ || !context)
        return;
    const int32_t buttons = context->mouseButtons();
    dragStep(context, where, buttons);
    if (!(buttons & buttonLeft))
        stopTracking();
}

void Control::onMouseUp(DrawContext* context, Point where) {
    if (!tracking_)
        return;
    if (context)
        dragStep(context, where, context->mouseButtons() & ~buttonLeft);
    stopTracking();
}

void Control::setBackgroundBitmap(Bitmap* bitmap) {
    if (background_)
        background_->release();
    background_ = bitmap;
    if (background_)
        background_->retain();
}

void Control::clampValue() {
    if (value_ > max_)
        value_ = max_;
    else if (value_ < min_)
        value_ = min_;
}

void Control::reportChange(DrawContext* context) {
    if (isDirty() && listener_)
        listener_->valueChanged(context, this);
}

bool Control::resetToDefault(DrawContext* context, int32_t buttons) {
    if (buttons != (buttonLeft | modifierControl))
        return false;
    value_ = defaultValue_;
    reportChange(context);
    return true;
}

bool Control::continuousWheel(DrawContext* context, float distance) {
    if (!clickable_)
        return false;
    const int32_t buttons = context ? context->mouseButtons() : DrawContext(frame_, nullptr, nullptr).mouseButtons();
    const bool shift = (buttons & modifierShift) != 0;
    float step = distance * wheelStep_;
    if (shift)
        step *= 0.1f;
    value_ = value_ + step;
    clampValue();
    reportChange(context);
    return true;
}

int32_t Control::continuousKey(const KeyStroke& key) {
    float step;
    switch (key.virtualKey) {
    case virtualKeyLeft:
    case virtualKeyDown: step = -wheelStep_; break;
    case virtualKeyUp:
    case virtualKeyRight: step = wheelStep_; break;
    default: return -1;
    }
    if (key.modifiers & keyModifierShift)
        step *= 0.1f;
    value_ = value_ + step;
    clampValue();
    reportChange(nullptr);
    return 1;
}

bool Control::isDoubleClick() {
    const int32_t now = frame_ ? int32_t(frame_->ticks()) : 0;
    if (lastClickTime_ < 1 || lastClickTime_ + doubleClickDelay_ <= now) {
        lastClickTime_ = now;
        return false;
    }
    lastClickTime_ = 0;
    return true;
}

void Control::beginEdit() {
    if (frame_)
        frame_->beginEdit(tag_);
}

void Control::endEdit() {
    if (frame_)
        frame_->endEdit(tag_);
}

} // namespace zk::gui
