#pragma once

#include "gui/platform/software/SoftPixmap.h"

namespace zk::artwork {

// The panel background (176), drawn to the layout table, and the About picture (178).
gui::platform::software::SoftPixmap drawBackground();
gui::platform::software::SoftPixmap drawAboutPicture();

// The musician's name of a control, or null for one without a label (the lamps).
const char* controlLabel(int32_t tag, int32_t band);

} // namespace zk::artwork
