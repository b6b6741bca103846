// Every plug-in binary with a panel (the LV2 UI's too) draws the panel's pictures at scales
// other than 1 with the artwork generator, installed as the back end's drawer when the
// binary is loaded.
#include "gui/platform/software/ScaledPictures.h"
#include "resources/generator/PictureDrawer.h"

namespace {
const bool drawerInstalled = (zk::gui::platform::software::installPictureDrawer(&zk::artwork::drawPicture), true);
} // namespace
