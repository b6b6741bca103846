#include "resources/generator/PictureDrawer.h"

#include "editor/PanelScale.h"
#include "resources/generator/ControlArtwork.h"
#include "resources/generator/PanelArtwork.h"

#include <mutex>

namespace zk::artwork {

namespace sw = gui::platform::software;

std::unique_ptr<sw::SoftPixmap> drawPicture(int32_t resourceId, float scale) {
    if (!(scale >= panel::kMinimumScale && scale <= panel::kMaximumScale) || panel::pictureSize(resourceId, scale).width == 0)
        return nullptr;
    static std::mutex drawing;
    std::lock_guard<std::mutex> turn(drawing);
    if (resourceId == panel::kBackgroundBitmap)
        return std::make_unique<sw::SoftPixmap>(drawBackground(scale));
    if (resourceId == panel::kAboutBitmap)
        return std::make_unique<sw::SoftPixmap>(drawAboutPicture(scale));
    return std::make_unique<sw::SoftPixmap>(drawControlPicture(resourceId, scale));
}

} // namespace zk::artwork
