#pragma once

#include "gui/platform/software/SoftPixmap.h"

#include <memory>

namespace zk::gui::platform::software {

// Writes 8-bit RGB PNG files of software pixels; false when the file cannot be written.
bool writePng(const SoftPixmap& pixels, const char* path);
bool writePng(const Device& device, const char* path); // what a software device draws into
bool writePng(const Window& window, const char* path); // a software window's pixels

// Reads back a PNG file (for checks of the writer); false on any failure.
std::unique_ptr<SoftPixmap> readPng(const char* path);

} // namespace zk::gui::platform::software
