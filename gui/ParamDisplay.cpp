#include "gui/ParamDisplay.h"

#include <cstdio>

namespace zk::gui {

ParamDisplay::ParamDisplay(const Rect& size, Bitmap* background, int32_t style)
    : Control(size, nullptr, 0, background), style_(style), inkColor_(colorWhite), boxColor_(colorBlack),
      borderColor_(colorBlack), shadowTint_(colorRed) {
    if (style_ & styleNoDraw)
        setDirty(false);
}

ParamDisplay::~ParamDisplay() = default;

void ParamDisplay::draw(DrawContext& context) {
    char text[textCapacity] = {};
    if (valueToTextWithData_)
        valueToTextWithData_(value_, text, sizeof text, userData_);
    else if (valueToText_)
        valueToText_(value_, text, sizeof text);
    else
        std::snprintf(text, sizeof text, "%2.2f", double(value_));
    text[sizeof text - 1] = '\0';
    drawText(context, text, nullptr);
}

void ParamDisplay::drawText(DrawContext& context, const char* text, Bitmap* overrideBitmap) {
    setDirty(false);
    if (style_ & styleNoDraw)
        return;
    Bitmap* bitmap = overrideBitmap ? overrideBitmap : background_;
    const bool threeD = (style_ & (style3DIn | style3DOut)) != 0;
    if (!bitmap && !transparent_) {
        context.setBrushColor(boxColor_);
        context.fillRect(size_);
        if (!threeD) {
            context.setPenColor(borderColor_);
            context.frameRect(size_);
        }
    }
    if (bitmap) {
        if (transparent_)
            bitmap->drawTransparent(context, size_, backgroundOffset_);
        else
            bitmap->draw(context, size_, backgroundOffset_);
    }
    if (threeD) {
        const bool sunken = (style_ & style3DIn) != 0;
        context.setPenColor(sunken ? boxColor_ : borderColor_);
        context.moveTo({size_.left, size_.bottom});
        context.lineTo({size_.left, size_.top});
        context.lineTo({size_.right + 1, size_.top});
        context.setPenColor(sunken ? borderColor_ : boxColor_);
        context.moveTo({size_.right, size_.top + 1});
        context.lineTo({size_.right, size_.bottom});
        context.lineTo({size_.left, size_.bottom});
    }
    if ((style_ & styleNoText) || !text)
        return;
    context.setFont(fontId_, 0, faceStyle_);
    if (style_ & styleShadowText) {
        context.setTextColor(shadowTint_);
        context.drawText(text, size_.offsetBy(1, 1), !textTransparent_, horizontalAlign_);
    }
    context.setTextColor(inkColor_);
    context.drawText(text, size_, !textTransparent_, horizontalAlign_);
}

void ParamDisplay::setFont(int32_t fontId) {
    if (fontId_ != fontId) {
        fontId_ = fontId;
        setDirty(true);
    }
}

void ParamDisplay::setInkColor(Color c) {
    if (!(inkColor_ == c)) {
        inkColor_ = c;
        setDirty(true);
    }
}

void ParamDisplay::setBoxColor(Color c) {
    if (!(boxColor_ == c)) {
        boxColor_ = c;
        setDirty(true);
    }
}

void ParamDisplay::setBorderColor(Color c) {
    if (!(borderColor_ == c)) {
        borderColor_ = c;
        setDirty(true);
    }
}

void ParamDisplay::setShadowTint(Color c) {
    if (!(shadowTint_ == c)) {
        shadowTint_ = c;
        setDirty(true);
    }
}

void ParamDisplay::setHorizontalAlign(int32_t align) {
    if (horizontalAlign_ != align) {
        horizontalAlign_ = align;
        setDirty(true);
    }
}

void ParamDisplay::setValueToTextWithData(ValueToTextWithData function, void* userData) {
    valueToTextWithData_ = function;
    userData_ = userData;
}

void ParamDisplay::setValueToText(ValueToText function) { valueToText_ = function; }
void ParamDisplay::setTextToValue(TextToValue function) { textToValue_ = function; }

void ParamDisplay::setDisplayStyle(int32_t style) {
    if (style_ != style) {
        style_ = style;
        setDirty(true);
    }
}

void ParamDisplay::setFaceStyle(int32_t faceStyle) {
    if (faceStyle_ != faceStyle) {
        faceStyle_ = faceStyle;
        setDirty(true);
    }
}

void ParamDisplay::setTextTransparent(bool transparent) { textTransparent_ = transparent; }

} // namespace zk::gui
