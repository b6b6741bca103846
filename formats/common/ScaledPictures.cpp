// Every Linux plug-in binary with a panel (the LV2 UI's too) draws the panel's pictures at
// the host's scale with the artwork generator, installed as the software back end's drawer
// when the binary is loaded.
#include "gui/platform/software/ScaledPictures.h"
#include "resources/generator/PictureDrawer.h"

namespace {
const bool drawerInstalled = (zk::gui::platform::software::installPictureDrawer(&zk::artwork::drawPicture), true);
} // namespace
