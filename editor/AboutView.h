#pragma once

#include "gui/Buttons.h"

namespace zk {

// The About picture over the whole panel with one line of text, shown as the frame's
// modal view and dismissed by a left click (the switch's press, which reports tag 56).
class AboutView final : public gui::ToggleSwitch {
public:
    static constexpr std::size_t kTextCapacity = 1024;

    AboutView(const gui::Rect& size, gui::ControlListener* listener, int32_t tag, int32_t imageHeight,
              gui::Bitmap* picture, gui::Point pictureOffset, const char* text, const gui::Rect& textRect,
              gui::Color textColor);
    ~AboutView() override;

    void draw(gui::DrawContext& context) override;

    const char* text() const { return text_; }

private:
    char text_[kTextCapacity];
    gui::Rect textRect_;
    gui::Color textColor_;
};

} // namespace zk
