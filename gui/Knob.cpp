#include "gui/Knob.h"

#include "gui/Frame.h"

#include <cmath>

namespace zk::gui {

namespace {
constexpr float twoPi = 6.2831855f;

float normalised(float x) {
    if (x < 0.0f)
        return x + twoPi;
    if (x > twoPi)
        return x - twoPi;
    return x;
}
} // namespace

Knob::Knob(const Rect& size, ControlListener* listener, int32_t tag, Bitmap* background,
           Bitmap* handle, Point backgroundOffset)
    : Control(size, listener, tag, background), knobBackgroundOffset_(backgroundOffset),
      handleShadowColor_(colorWhite), handleColor_(colorGrey), handleImage_(handle),
      handleInset_(3), radius_(float(size.width()) * 0.5f) {
    if (handleImage_) {
        handleImage_->retain();
        handleInset_ = int32_t(float(handleImage_->width()) * 0.5f + 2.5f);
    }
    setMinAngle(3.9269907f);
    setSweep(-4.712389f);
}

Knob::~Knob() {
    if (handleImage_)
        handleImage_->release();
}

void Knob::computeAngles() {
    angleScale_ = (max_ - min_) / sweep_;
    angleBase_ = min_ - angleScale_ * minAngle_;
    halfDeadAngle_ = (twoPi - std::fabs(sweep_)) * 0.5f;
}

void Knob::setMinAngle(float angle) {
    minAngle_ = angle;
    computeAngles();
    setDirty(true);
}

void Knob::setSweep(float sweep) {
    sweep_ = sweep;
    computeAngles();
    setDirty(true);
}

void Knob::setHandleColor(Color c) {
    handleColor_ = c;
    setDirty(true);
}

void Knob::setHandleShadowColor(Color c) {
    handleShadowColor_ = c;
    setDirty(true);
}

void Knob::setHandleImage(Bitmap* bitmap) {
    if (handleImage_)
        handleImage_->release();
    handleImage_ = bitmap;
    if (handleImage_) {
        handleImage_->retain();
        handleInset_ = int32_t(float(handleImage_->width()) * 0.5f + 2.5f);
    }
}

void Knob::draw(DrawContext& context) {
    if (background_) {
        if (transparent_)
            background_->drawTransparent(context, size_, knobBackgroundOffset_);
        else
            background_->draw(context, size_, knobBackgroundOffset_);
    }
    drawHandle(context);
    setDirty(false);
}

void Knob::drawHandle(DrawContext& context) {
    Point p;
    pointForValue(p);
    if (!handleImage_) {
        Point end{size_.left + p.h - 1, size_.top + p.v};
        Point centre{size_.left + size_.width() / 2 - 1, size_.top + size_.height() / 2};
        context.setPenColor(handleColor_);
        context.moveTo(end);
        context.lineTo(centre);
        end = {end.h + 1, end.v - 1};
        centre = {centre.h + 1, centre.v - 1};
        context.setPenColor(handleShadowColor_);
        context.moveTo(end);
        context.lineTo(centre);
    } else {
        const int32_t w = handleImage_->width(), h = handleImage_->height();
        const int32_t left = size_.left + p.h - w / 2, top = size_.top + p.v - h / 2;
        handleImage_->drawTransparent(context, {left, top, left + w, top + h}, {0, 0});
    }
}

void Knob::pointForValue(Point& point) const {
    const float alpha = (value_ - angleBase_) / angleScale_;
    const float r = radius_ - float(handleInset_);
    point.h = int32_t(radius_ + std::cos(alpha) * r + 0.5f);
    point.v = int32_t(radius_ - std::sin(alpha) * r + 0.5f);
}

float Knob::valueAtPoint(Point point) const {
    float alpha = std::atan2(radius_ - float(point.v), float(point.h) - radius_);
    if (alpha < 0.0f)
        alpha += twoPi;
    float a = alpha - minAngle_;
    if (sweep_ >= 0.0f) {
        const float b = normalised(a);
        const float limit = sweep_ + halfDeadAngle_;
        if (b > limit)
            return min_;
        if (b > sweep_)
            return max_;
        if (a > limit)
            return (a - twoPi) * angleScale_ + min_;
        if (a < -halfDeadAngle_)
            return (a + twoPi) * angleScale_ + min_;
        return a * angleScale_ + min_;
    }
    a = a - sweep_;
    const float b = normalised(a);
    const float limit = halfDeadAngle_ - sweep_;
    if (b > limit)
        return max_;
    if (b > -sweep_)
        return min_;
    if (a > limit)
        return (a - twoPi) * angleScale_ + max_;
    if (a < -halfDeadAngle_)
        return (a + twoPi) * angleScale_ + max_;
    return a * angleScale_ + max_;
}

void Knob::onMouseDown(DrawContext* context, Point where) {
    if (!context || tracking_)
        return;
    const int32_t buttons = context->mouseButtons();
    if (!clickable_ || !(buttons & buttonLeft))
        return;
    if (resetToDefault(context, buttons))
        return;

    drag_ = {};
    drag_.linear = knobMode == knobModeLinear;
    if (buttons & modifierAlt)
        drag_.linear = !drag_.linear;
    drag_.click = where;
    drag_.startValue = value_;
    drag_.changeButtons = buttons;
    if (drag_.linear)
        drag_.step = linearStep(buttons);
    else
        drag_.lastAngleValue = valueAtPoint({where.h - size_.left, where.v - size_.top});
    beginDrag(context, where, buttons);
}

float Knob::linearStep(int32_t buttons) const {
    const float pixels = (buttons & modifierShift) ? fineFactor_ * float(linearPixels_) : float(linearPixels_);
    return (max_ - min_) / pixels;
}

void Knob::dragStep(DrawContext* context, Point where, int32_t buttons) {
    if (where == drag_.last)
        return;
    drag_.last = where;
    if (drag_.linear) {
        const float d = float((where.h - drag_.click.h) + (drag_.click.v - where.v));
        if (buttons != drag_.changeButtons) {
            // Shift taken or let go: the value stays where it is and the rest of the drag
            // goes at the new rate.
            const float oldStep = drag_.step;
            drag_.step = linearStep(buttons);
            drag_.startValue = drag_.startValue + (oldStep - drag_.step) * d;
            drag_.changeButtons = buttons;
        }
        value_ = drag_.startValue + d * drag_.step;
        clampValue();
    } else {
        const float halfRange = (max_ - min_) * 0.5f;
        const float v = valueAtPoint({where.h - size_.left, where.v - size_.top});
        value_ = v;
        // A turn past the dead zone's edge stops at the end it came from.
        if (drag_.lastAngleValue - v > halfRange)
            value_ = max_;
        else if (v - drag_.lastAngleValue > halfRange)
            value_ = min_;
        else
            drag_.lastAngleValue = v;
    }
    reportChange(context);
}

int32_t Knob::onKeyDown(const KeyStroke& key) { return continuousKey(key); }

bool Knob::onWheel(DrawContext* context, Point, float distance) { return continuousWheel(context, distance); }

} // namespace zk::gui
