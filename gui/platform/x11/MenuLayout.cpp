#include "gui/platform/x11/MenuLayout.h"

#include "gui/platform/software/FontEngine.h"
#include "gui/platform/software/SoftDevice.h"
#include "gui/platform/x11/PopupStyle.h"

#include <algorithm>
#include <cmath>

namespace zk::gui::platform::x11 {

namespace {

void fill(software::SoftDevice& device, const Rect& r, ColorRef color) {
    device.selectBrush({false, color});
    device.fillRect(r);
}

void line(software::SoftDevice& device, Point from, Point to, ColorRef color) {
    device.selectPen({PenStyle::solid, 1, color});
    device.moveTo(from.h, from.v);
    device.lineTo(to.h, to.v);
}

} // namespace

MenuMetrics MenuMetrics::at(float scale) {
    using popup::px;
    return {px(2, scale), px(20, scale), px(8, scale), px(22, scale), px(22, scale), px(5, scale), px(80, scale)};
}

FontDesc MenuLayout::font() const { return popup::font(scale_); }

std::string MenuLayout::shownText(const std::string& text) {
    std::string shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size())
            ++i;
        shown += text[i];
    }
    return shown;
}

bool MenuLayout::choosable(const MenuItem& item) {
    return !(item.flags & (menuSeparator | menuGrayed | menuDisabled | menuPopup)) && !item.subMenu;
}

MenuLayout::MenuLayout(const MenuModel& menu, float scale)
    : menu_(menu), scale_(scale > 0 ? scale : 1.0f), metrics_(MenuMetrics::at(scale_)) {
    const auto [border, itemHeight, separatorHeight, markWidth, arrowWidth, columnGap, minimumWidth] = metrics_;
    const FontDesc f = font();
    software::FontEngine& fonts = software::FontEngine::instance();
    // First the columns' widths and heights, then the rectangles.
    std::vector<int32_t> columnOf, columnWidth{0}, columnHeight{0};
    for (std::size_t i = 0; i < menu.items.size(); ++i) {
        const MenuItem& item = menu.items[i];
        if ((item.flags & menuBarBreak) && i > 0) {
            columnWidth.push_back(0);
            columnHeight.push_back(0);
        }
        columnOf.push_back(int32_t(columnWidth.size()) - 1);
        if (item.flags & menuSeparator) {
            columnHeight.back() += separatorHeight;
            continue;
        }
        const std::string shown = shownText(item.text);
        const int32_t textWidth = fonts.measure(f, shown.data(), shown.size()).width;
        columnWidth.back() = std::max(columnWidth.back(), markWidth + textWidth + arrowWidth);
        columnHeight.back() += itemHeight;
    }
    for (int32_t& w : columnWidth)
        w = std::max(w, minimumWidth);
    std::vector<int32_t> columnLeft;
    int32_t x = border;
    for (std::size_t c = 0; c < columnWidth.size(); ++c) {
        if (c > 0) {
            columnLines_.push_back(x + columnGap / 2);
            x += columnGap;
        }
        columnLeft.push_back(x);
        x += columnWidth[c];
    }
    width_ = x + border;
    height_ = 2 * border + std::max(itemHeight, *std::max_element(columnHeight.begin(), columnHeight.end()));
    std::vector<int32_t> y(columnWidth.size(), border);
    for (std::size_t i = 0; i < menu.items.size(); ++i) {
        const std::size_t c = std::size_t(columnOf[i]);
        const int32_t h = (menu.items[i].flags & menuSeparator) ? separatorHeight : itemHeight;
        rects_.push_back({columnLeft[c], y[c], columnLeft[c] + columnWidth[c], y[c] + h});
        y[c] += h;
    }
}

int32_t MenuLayout::itemAt(Point where) const {
    for (std::size_t i = 0; i < rects_.size(); ++i) {
        const Rect& r = rects_[i];
        if (where.h >= r.left && where.h < r.right && where.v >= r.top && where.v < r.bottom)
            return int32_t(i);
    }
    return -1;
}

int32_t MenuLayout::nextItem(int32_t index, int32_t step) const {
    const int32_t n = int32_t(menu_.items.size());
    if (n == 0)
        return -1;
    int32_t i = index < 0 ? (step > 0 ? -1 : n) : index;
    for (int32_t tries = 0; tries < n; ++tries) {
        i = ((i + step) % n + n) % n;
        if (!(menu_.items[std::size_t(i)].flags & menuSeparator))
            return i;
    }
    return -1;
}

void MenuLayout::paint(software::SoftPixmap& target, int32_t highlighted) const {
    const auto [border, itemHeight, separatorHeight, markWidth, arrowWidth, columnGap, minimumWidth] = metrics_;
    (void)columnGap;
    (void)minimumWidth;
    auto u = [this](float units) { return int32_t(std::lround(units * scale_)); }; // panel units to pixels
    const int32_t lineWidth = popup::px(1, scale_);
    software::SoftDevice device(&target);
    fill(device, {0, 0, width_, height_}, popup::back);
    for (int32_t k = 0; k < lineWidth; ++k) {
        device.selectPen({PenStyle::solid, 1, popup::edge});
        device.moveTo(k, k);
        device.lineTo(width_ - 1 - k, k);
        device.lineTo(width_ - 1 - k, height_ - 1 - k);
        device.lineTo(k, height_ - 1 - k);
        device.lineTo(k, k);
    }
    for (int32_t x : columnLines_)
        fill(device, {x, border + u(2), x + lineWidth, height_ - border - u(2)}, popup::edge);

    device.selectFont(font());
    device.setBkMode(bkTransparent);
    for (std::size_t i = 0; i < menu_.items.size(); ++i) {
        const MenuItem& item = menu_.items[i];
        const Rect& r = rects_[i];
        if (item.flags & menuSeparator) {
            const int32_t mid = r.top + separatorHeight / 2 - lineWidth;
            fill(device, {r.left + u(2), mid, r.right - u(2), mid + lineWidth}, popup::edge);
            fill(device, {r.left + u(2), mid + lineWidth, r.right - u(2), mid + 2 * lineWidth}, popup::ridge);
            continue;
        }
        const bool lit = int32_t(i) == highlighted && !(item.flags & (menuGrayed | menuDisabled));
        if (lit)
            fill(device, r, popup::accent);
        const ColorRef ink = lit ? popup::accentInk : (item.flags & menuGrayed) ? popup::greyInk : popup::ink;
        const std::string shown = shownText(item.text);
        device.setTextColor(ink);
        device.drawText(shown.data(), shown.size(), {r.left + markWidth, r.top, r.right - arrowWidth, r.bottom},
                        textLeft | textVCenter | textSingleLine | textNoPrefix);
        const int32_t cy = r.top + itemHeight / 2;
        if (item.flags & menuChecked) {
            // A tick two units thick.
            for (int32_t d = 0; d < u(2); ++d) {
                line(device, {r.left + u(6), cy - u(1) + d}, {r.left + u(9), cy + u(2) + d}, ink);
                line(device, {r.left + u(9), cy + u(2) + d}, {r.left + u(16), cy - u(5) + d}, ink);
            }
        }
        if ((item.flags & menuPopup) || item.subMenu) {
            // A small triangle pointing right.
            for (int32_t k = 0; k < u(4); ++k)
                line(device, {r.right - u(12) + k, cy - u(3) + k}, {r.right - u(12) + k, cy + u(4) - k}, ink);
        }
    }
}

} // namespace zk::gui::platform::x11
