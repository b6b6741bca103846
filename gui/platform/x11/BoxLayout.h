#pragma once

// A message box's text, broken into lines, and its buttons: their places and their look
// (the panel's, at the panel's scale), drawn with the software back end. Knows nothing of
// windows.

#include "gui/platform/software/SoftPixmap.h"

#include <string>
#include <vector>

namespace zk::gui::platform::x11 {

class BoxLayout {
public:
    // No buttons give one "OK".
    BoxLayout(const std::string& text, std::vector<std::string> buttons, float scale = 1.0f);

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    float scale() const { return scale_; }
    FontDesc font() const;
    const std::vector<std::string>& lines() const { return lines_; }
    const std::vector<std::string>& buttons() const { return buttons_; }
    Rect lineRect(std::size_t index) const;
    Rect buttonRect(std::size_t index) const;
    int32_t buttonAt(Point where) const; // -1 for none
    // The width of a line of text in the box's font.
    int32_t textWidth(const std::string& text) const;

    // focus: the button with the keyboard; pressed: the one held down, or -1.
    void paint(software::SoftPixmap& target, int32_t focus, int32_t pressed) const;

private:
    std::vector<std::string> wrap(const std::string& text) const;
    int32_t px(float units) const;

    float scale_;
    std::vector<std::string> lines_;
    std::vector<std::string> buttons_;
    int32_t width_ = 0, height_ = 0, buttonsLeft_ = 0, buttonWidth_ = 0;
};

} // namespace zk::gui::platform::x11
