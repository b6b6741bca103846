#pragma once

// The module's pictures at scales other than 1, drawn at run time by the drawer the module
// installs (its artwork generator, which itself draws on this back end, so it cannot be
// linked in here). Without a drawer there are none, and panels stay at 1.

#include "gui/platform/software/SoftPixmap.h"

#include <memory>

namespace zk::gui::platform::software {

// [any] The picture of a resource id at scale, or null for an id it does not draw. It must
// be safe to call from several threads at once.
using PictureDrawer = std::unique_ptr<SoftPixmap> (*)(int32_t resourceId, float scale);

// [any] Installs the module's drawer (null removes it); returns the previous one.
PictureDrawer installPictureDrawer(PictureDrawer drawer);
PictureDrawer pictureDrawer();

} // namespace zk::gui::platform::software
