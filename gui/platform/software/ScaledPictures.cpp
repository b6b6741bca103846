#include "gui/platform/software/ScaledPictures.h"

#include <atomic>

namespace zk::gui::platform::software {

namespace {
std::atomic<PictureDrawer> installed{nullptr};
}

PictureDrawer installPictureDrawer(PictureDrawer drawer) { return installed.exchange(drawer); }

PictureDrawer pictureDrawer() { return installed.load(); }

} // namespace zk::gui::platform::software
