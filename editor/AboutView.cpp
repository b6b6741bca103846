#include "editor/AboutView.h"

#include <cstring>

namespace zk {

AboutView::AboutView(const gui::Rect& size, gui::ControlListener* listener, int32_t tag, int32_t imageHeight,
                     gui::Bitmap* picture, gui::Point pictureOffset, const char* text, const gui::Rect& textRect,
                     gui::Color textColor)
    : ToggleSwitch(size, listener, tag, imageHeight, picture, pictureOffset), textRect_(textRect),
      textColor_(textColor) {
    // A missing text is a single blank, which draws nothing.
    const char* source = text && text[0] ? text : " ";
    std::strncpy(text_, source, kTextCapacity - 1);
    text_[kTextCapacity - 1] = 0;
}

AboutView::~AboutView() = default;

void AboutView::draw(gui::DrawContext& context) {
    clampValue();
    if (background_) {
        if (transparent_)
            background_->drawTransparent(context, size_);
        else
            background_->draw(context, size_);
    }
    if (text_[0] != ' ') {
        // The text controls' look: small font, centred, no box behind the letters.
        context.setFont(gui::fontSmall);
        context.setTextColor(textColor_);
        context.drawText(text_, textRect_, false, 1);
    }
    setDirty(false);
}

} // namespace zk
