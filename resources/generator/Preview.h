#pragma once

#include <map>

#include "gui/platform/software/SoftPixmap.h"

namespace zk::artwork {

// Assembles the panel from the given pictures with the toolkit's own controls, each at a
// value of its own so that every handle position can be checked, and writes it as PNG.
bool writePreview(const std::map<int32_t, gui::platform::software::SoftPixmap>& pictures, const char* path);

} // namespace zk::artwork
