#include "gui/platform/x11/BoxLayout.h"

#include "gui/platform/software/FontEngine.h"
#include "gui/platform/software/SoftDevice.h"
#include "gui/platform/x11/PopupStyle.h"

#include <algorithm>

namespace zk::gui::platform::x11 {

namespace {

// In panel units.
constexpr float padding = 16;
constexpr float lineHeight = 16;
constexpr float buttonWidth = 80;
constexpr float buttonHeight = 24;
constexpr float buttonGap = 8;
constexpr float buttonMargin = 10; // between a label and its button's sides
constexpr float maxTextWidth = 420;
constexpr float minimumWidth = 160;

void outline(software::SoftDevice& device, const Rect& r, int32_t thickness, ColorRef color) {
    device.selectBrush({false, color});
    device.fillRect({r.left, r.top, r.right, r.top + thickness});
    device.fillRect({r.left, r.bottom - thickness, r.right, r.bottom});
    device.fillRect({r.left, r.top, r.left + thickness, r.bottom});
    device.fillRect({r.right - thickness, r.top, r.right, r.bottom});
}

} // namespace

BoxLayout::BoxLayout(const std::string& text, std::vector<std::string> buttons, float scale)
    : scale_(scale > 0 ? scale : 1.0f), buttons_(std::move(buttons)) {
    if (buttons_.empty())
        buttons_.push_back("OK");
    lines_ = wrap(text);
    const int32_t count = int32_t(buttons_.size());
    int32_t widest = 0;
    for (const std::string& line : lines_)
        widest = std::max(widest, textWidth(line));
    buttonWidth_ = px(buttonWidth);
    for (const std::string& label : buttons_)
        buttonWidth_ = std::max(buttonWidth_, textWidth(label) + 2 * px(buttonMargin));
    const int32_t buttonsWidth = count * buttonWidth_ + (count - 1) * px(buttonGap);
    width_ = std::max({widest, buttonsWidth, px(minimumWidth)}) + 2 * px(padding);
    height_ = px(padding) + int32_t(lines_.size()) * px(lineHeight) + px(padding) + px(buttonHeight) + px(padding);
    buttonsLeft_ = (width_ - buttonsWidth) / 2;
}

int32_t BoxLayout::px(float units) const { return popup::px(units, scale_); }

FontDesc BoxLayout::font() const { return popup::font(scale_); }

int32_t BoxLayout::textWidth(const std::string& text) const {
    return software::FontEngine::instance().measure(font(), text.data(), text.size()).width;
}

// Lines broken at newlines and, where a line is too wide, between words.
std::vector<std::string> BoxLayout::wrap(const std::string& text) const {
    const int32_t limit = px(maxTextWidth);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string rest = text.substr(start, end - start);
        while (textWidth(rest) > limit) {
            std::size_t cut = rest.size();
            while (cut > 0 && (rest[cut - 1] != ' ' || textWidth(rest.substr(0, cut - 1)) > limit))
                --cut;
            if (cut == 0)
                break; // one long word: left as it is, clipped
            lines.push_back(rest.substr(0, cut - 1));
            rest = rest.substr(cut);
        }
        lines.push_back(rest);
        start = end + 1;
    }
    return lines;
}

Rect BoxLayout::lineRect(std::size_t index) const {
    const int32_t top = px(padding) + int32_t(index) * px(lineHeight);
    return {px(padding), top, width_ - px(padding), top + px(lineHeight)};
}

Rect BoxLayout::buttonRect(std::size_t index) const {
    const int32_t left = buttonsLeft_ + int32_t(index) * (buttonWidth_ + px(buttonGap));
    const int32_t top = height_ - px(padding) - px(buttonHeight);
    return {left, top, left + buttonWidth_, top + px(buttonHeight)};
}

int32_t BoxLayout::buttonAt(Point where) const {
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        const Rect r = buttonRect(i);
        if (where.h >= r.left && where.h < r.right && where.v >= r.top && where.v < r.bottom)
            return int32_t(i);
    }
    return -1;
}

void BoxLayout::paint(software::SoftPixmap& target, int32_t focus, int32_t pressed) const {
    software::SoftDevice device(&target);
    device.selectBrush({false, popup::back});
    device.fillRect({0, 0, width_, height_});
    outline(device, {0, 0, width_, height_}, px(1), popup::edge); // apart from the panel behind
    device.selectFont(font());
    device.setBkMode(bkTransparent);
    device.setTextColor(popup::ink);
    for (std::size_t i = 0; i < lines_.size(); ++i)
        device.drawText(lines_[i].data(), lines_[i].size(), lineRect(i),
                        textLeft | textVCenter | textSingleLine | textNoPrefix);
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        const Rect r = buttonRect(i);
        const bool down = int32_t(i) == pressed, focused = int32_t(i) == focus;
        device.selectBrush({false, down ? popup::pressed : popup::raised});
        device.fillRect(r);
        outline(device, r, px(focused ? 2 : 1), focused ? popup::accent : popup::edge);
        device.setTextColor(popup::ink);
        const std::string& label = buttons_[i];
        device.drawText(label.data(), label.size(), r, textCenter | textVCenter | textSingleLine | textNoPrefix);
    }
}

} // namespace zk::gui::platform::x11
