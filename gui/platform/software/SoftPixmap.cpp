#include "gui/platform/software/SoftPixmap.h"

#include <algorithm>

namespace zk::gui::platform::software {

SoftPixmap::SoftPixmap(int32_t width, int32_t height, bool monochrome, ColorRef fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), monochrome_(monochrome),
      pixels_(std::size_t(width_) * std::size_t(height_), fill) {}

void SoftPixmap::fill(ColorRef c) { std::fill(pixels_.begin(), pixels_.end(), c); }

} // namespace zk::gui::platform::software
