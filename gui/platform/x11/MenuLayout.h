#pragma once

// A popup menu's entries, their placement in columns and their look, drawn with the
// software back end. Knows nothing of windows.

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

class MenuLayout {
public:
    static constexpr int32_t border = 2;
    static constexpr int32_t itemHeight = 20;
    static constexpr int32_t separatorHeight = 8;
    static constexpr int32_t markWidth = 22;  // room for the check mark
    static constexpr int32_t arrowWidth = 22; // room for the sub-menu arrow
    static constexpr int32_t columnGap = 5;   // the line between columns and its margins

    explicit MenuLayout(const MenuModel& menu);

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
    static FontDesc font();

private:
    const MenuModel& menu_;
    std::vector<Rect> rects_;
    std::vector<int32_t> columnLines_; // x of the line left of each column but the first
    int32_t width_ = 0;
    int32_t height_ = 0;
};

} // namespace zk::gui::platform::x11
