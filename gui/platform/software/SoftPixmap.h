#pragma once

#include "gui/platform/Platform.h"

#include <vector>

namespace zk::gui::platform::software {

// Pixels kept as packed colours (red | green << 8 | blue << 16), or as 0/1 for a mask.
class SoftPixmap final : public Pixmap {
public:
    SoftPixmap(int32_t width, int32_t height, bool monochrome, ColorRef fill = 0);

    int32_t width() const override { return width_; }
    int32_t height() const override { return height_; }
    bool monochrome() const override { return monochrome_; }

    bool inside(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    ColorRef at(int32_t x, int32_t y) const { return pixels_[std::size_t(y) * std::size_t(width_) + std::size_t(x)]; }
    void set(int32_t x, int32_t y, ColorRef c) { pixels_[std::size_t(y) * std::size_t(width_) + std::size_t(x)] = c; }
    void fill(ColorRef c);
    std::vector<ColorRef>& pixels() { return pixels_; }
    const std::vector<ColorRef>& pixels() const { return pixels_; }

private:
    int32_t width_;
    int32_t height_;
    bool monochrome_;
    std::vector<ColorRef> pixels_;
};

} // namespace zk::gui::platform::software
