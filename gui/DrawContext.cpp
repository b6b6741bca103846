#include "gui/DrawContext.h"

#include "gui/Frame.h"

#include <cstdio>
#include <cstring>

namespace zk::gui {

DrawContext::DrawContext(Frame* frame, platform::Device* device, platform::Window* window)
    : device_(device), window_(window), frame_(frame) {
    if (frame)
        frame->getSize(clip_);
    else
        clip_ = {0, 0, 1000, 1000};
    penColor_ = colorWhite;
    fillColor_ = colorBlack;
    inkColor_ = colorWhite;
    if (device_) {
        savedBrush_ = device_->currentBrush();
        savedPen_ = device_->currentPen();
        savedFont_ = device_->currentFont();
        ownsObjects_ = true;
        device_->setBkMode(platform::bkTransparent);
    }
    if (window_)
        windowOrigin_ = window_->screenOrigin();
    if (device_) {
        remakePen();
        setDashStyle(lineStyle_);
        setBrushColor(fillColor_);
        device_->setTextColor(inkColor_.packed());
    }
}

DrawContext::~DrawContext() {
    if (device_ && ownsObjects_) {
        device_->selectBrush(savedBrush_);
        device_->selectPen(savedPen_);
        device_->selectFont(savedFont_);
    }
}

void DrawContext::remakePen() {
    if (device_)
        device_->selectPen({penStyle_, penWidth_, penColor_.packed()});
}

void DrawContext::moveTo(Point p) {
    if (device_)
        device_->moveTo(p.h + offset_.h, p.v + offset_.v);
}

void DrawContext::lineTo(Point p) {
    if (device_)
        device_->lineTo(p.h + offset_.h, p.v + offset_.v);
}

void DrawContext::frameRect(const Rect& r) {
    moveTo({r.left, r.top});
    lineTo({r.right, r.top});
    lineTo({r.right, r.bottom});
    lineTo({r.left, r.bottom});
    lineTo({r.left, r.top});
}

void DrawContext::fillRect(const Rect& r) {
    if (!device_)
        return;
    const platform::PenDesc previous = device_->selectPen({platform::PenStyle::none, 1, 0});
    device_->fillRect({r.left + 1 + offset_.h, r.top + 1 + offset_.v, r.right + offset_.h, r.bottom + offset_.v});
    device_->selectPen(previous);
}

void DrawContext::setPenColor(Color c) {
    penColor_ = c;
    remakePen();
}

void DrawContext::setDashStyle(int32_t style) {
    lineStyle_ = style;
    penStyle_ = style == 1 ? platform::PenStyle::dot : platform::PenStyle::solid;
    remakePen();
}

void DrawContext::setBrushColor(Color c) {
    fillColor_ = c;
    if (!device_)
        return;
    device_->setBkColor(c.packed());
    device_->selectBrush({false, c.packed()});
}

void DrawContext::setTextColor(Color c) {
    inkColor_ = c;
    if (device_)
        device_->setTextColor(c.packed());
}

void DrawContext::setFont(int32_t id, int32_t height, int32_t faceStyle) {
    if (id < 0 || id >= fontCount)
        id = 0;
    fontId_ = id;
    fontSize_ = height != 0 ? height : fontTable[id].defaultHeight;
    platform::FontDesc setup;
    setup.height = -(frame_ ? frame_->scaled(fontSize_) : fontSize_);
    setup.weight = (faceStyle & faceBold) || id == fontSystem ? 700 : 400;
    setup.italic = (faceStyle & faceItalic) != 0;
    setup.underline = (faceStyle & faceUnderline) != 0;
    setup.family = id == fontSymbol ? platform::FontFamily::decorative : platform::FontFamily::sans;
    setup.pitch = id == fontSymbol ? platform::FontPitch::any : platform::FontPitch::variable;
    std::snprintf(setup.faceName, sizeof setup.faceName, "%s", fontTable[id].face);
    if (device_)
        device_->selectFont(setup);
}

void DrawContext::drawText(const char* text, const Rect& r, bool opaque, int32_t alignment) {
    if (!text || !device_)
        return;
    device_->setBkMode(opaque ? platform::bkOpaque : platform::bkTransparent);
    uint32_t format = platform::textSingleLine | platform::textVCenter | platform::textNoPrefix;
    Rect where = r.offsetBy(offset_.h, offset_.v);
    if (alignment == 1) {
        format |= platform::textCenter;
    } else if (alignment == 2) {
        format |= platform::textRight;
    } else {
        where.left += 1;
    }
    device_->drawText(text, std::strlen(text), where, format);
    device_->setBkMode(platform::bkTransparent);
}

int32_t DrawContext::mouseButtons() const {
    using platform::Key;
    platform::Platform& system = platform::current();
    int32_t buttons = 0;
    if (system.isKeyDown(swapMouseButtons ? Key::rightButton : Key::leftButton))
        buttons |= buttonLeft;
    if (system.isKeyDown(Key::middleButton))
        buttons |= buttonMiddle;
    if (system.isKeyDown(swapMouseButtons ? Key::leftButton : Key::rightButton))
        buttons |= buttonRight;
    if (system.isKeyDown(Key::shift))
        buttons |= modifierShift;
    if (system.isKeyDown(Key::control))
        buttons |= modifierControl;
    if (system.isKeyDown(Key::alt))
        buttons |= modifierAlt;
    return buttons;
}

void DrawContext::mouseLocation(Point& where) const {
    const Point screen = platform::current().cursorPosition();
    where = {screen.h - windowOrigin_.h, screen.v - windowOrigin_.v};
}

} // namespace zk::gui
