#pragma once

#include "gui/platform/software/SoftPixmap.h"

#include <memory>

namespace zk::gui::platform::software {

// The module's own picture of a bitmap resource id, decoded; null when there is none.
std::unique_ptr<SoftPixmap> loadModuleBitmap(int32_t resourceId);

} // namespace zk::gui::platform::software
