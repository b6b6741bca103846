#pragma once

// A popup menu's entries, their placement in columns and their look (the panel's, at the
// panel's scale), drawn with the software back end. Knows nothing of windows.

#include "gui/platform/software/SoftPixmap.h"

#include <string>
#include <vector>

namespace zk::gui::platform::x11 {

struct MenuModel;

struct MenuItem {
    uint32_t flags = 0; // the menu item flags of Platform.h
    int32_t commandId = -1;
    std::string text;
    const MenuModel* subMenu = nullptr;
};

struct MenuModel {
    std::vector<MenuItem> items;
};

// Sizes in pixels at a scale; at 1 those of a panel shown at 100 %.
struct MenuMetrics {
    int32_t border, itemHeight, separatorHeight;
    int32_t markWidth;  // room for the check mark
    int32_t arrowWidth; // room for the sub-menu arrow
    int32_t columnGap;  // the line between columns and its margins
    int32_t minimumWidth;
    static MenuMetrics at(float scale);
};

class MenuLayout {
public:
    explicit MenuLayout(const MenuModel& menu, float scale = 1.0f);

    float scale() const { return scale_; }
    const MenuMetrics& metrics() const { return metrics_; }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    const Rect& itemRect(std::size_t index) const { return rects_[index]; }
    std::size_t itemCount() const { return rects_.size(); }
    // The item under a point of the menu (right and bottom excluded), or -1.
    int32_t itemAt(Point where) const;
    // The next item from index that keyboard moves can land on (not a separator), going
    // down (step 1) or up (step -1) and wrapping round; -1 when there is none.
    int32_t nextItem(int32_t index, int32_t step) const;

    void paint(software::SoftPixmap& target, int32_t highlighted) const;

    // An item the user can choose: not a separator, greyed, disabled or sub-menu entry.
    static bool choosable(const MenuItem& item);
    // The text as shown: "&x" marks a mnemonic and is shown as x, "&&" as "&".
    static std::string shownText(const std::string& text);
    FontDesc font() const;

private:
    const MenuModel& menu_;
    float scale_;
    MenuMetrics metrics_;
    std::vector<Rect> rects_;
    std::vector<int32_t> columnLines_; // x of the line left of each column but the first
    int32_t width_ = 0;
    int32_t height_ = 0;
};

} // namespace zk::gui::platform::x11
