#include "gui/platform/software/Png.h"

#include "gui/platform/software/SoftDevice.h"
#include "gui/platform/software/SoftwarePlatform.h"

#include <png.h>

#include <cstring>
#include <vector>

namespace zk::gui::platform::software {

bool writePng(const SoftPixmap& pixels, const char* path) {
    if (!path || pixels.width() <= 0 || pixels.height() <= 0)
        return false;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(pixels.width());
    image.height = png_uint_32(pixels.height());
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(std::size_t(pixels.width()) * std::size_t(pixels.height()) * 3);
    std::size_t i = 0;
    for (ColorRef p : pixels.pixels()) {
        if (pixels.monochrome())
            p = p ? 0xFFFFFF : 0;
        rgb[i++] = png_byte(p);
        rgb[i++] = png_byte(p >> 8);
        rgb[i++] = png_byte(p >> 16);
    }
    const int ok = png_image_write_to_file(&image, path, 0, rgb.data(), 0, nullptr);
    png_image_free(&image);
    return ok != 0;
}

bool writePng(const Device& device, const char* path) {
    auto* soft = dynamic_cast<const SoftDevice*>(&device);
    return soft && writePng(*soft->target(), path);
}

bool writePng(const Window& window, const char* path) {
    auto* soft = dynamic_cast<const SoftwareWindow*>(&window);
    return soft && writePng(soft->pixels(), path);
}

std::unique_ptr<SoftPixmap> readPng(const char* path) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path))
        return nullptr;
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return nullptr;
    }
    auto pixmap = std::make_unique<SoftPixmap>(int32_t(image.width), int32_t(image.height), false, 0);
    std::size_t i = 0;
    for (ColorRef& p : pixmap->pixels()) {
        p = ColorRef(rgb[i]) | ColorRef(rgb[i + 1]) << 8 | ColorRef(rgb[i + 2]) << 16;
        i += 3;
    }
    return pixmap;
}

} // namespace zk::gui::platform::software
