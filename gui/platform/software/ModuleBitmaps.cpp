#include "gui/platform/software/ModuleBitmaps.h"

#include "gui/platform/software/Bmp.h"
#include "resources/ModuleBitmaps.h"

namespace zk::gui::platform::software {

std::unique_ptr<SoftPixmap> loadModuleBitmap(int32_t resourceId) {
    const resources::ResourceBytes bytes = resources::moduleBitmap(resourceId);
    return decodeBmp(bytes.data, bytes.size);
}

} // namespace zk::gui::platform::software
