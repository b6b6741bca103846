#pragma once

#include "gui/platform/software/SoftPixmap.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace zk::gui::platform::software {

// Decodes an uncompressed 24-bit BMP file, bottom-up or top-down; null for anything else,
// including a file too short for the size its header claims.
std::unique_ptr<SoftPixmap> decodeBmp(const unsigned char* data, std::size_t size);

// Encodes colour pixels as a 24-bit bottom-up BMP file.
std::vector<unsigned char> encodeBmp(const SoftPixmap& pixels);

} // namespace zk::gui::platform::software
