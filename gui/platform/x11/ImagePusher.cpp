#include "gui/platform/x11/ImagePusher.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>

namespace zk::gui::platform::x11 {

namespace {

std::atomic<bool> sharedMemoryAllowed{true};

int shiftOf(unsigned long mask) {
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

} // namespace

void ImagePusher::allowSharedMemory(bool allowed) { sharedMemoryAllowed = allowed; }

ImagePusher::ImagePusher(Connection& connection, int32_t width, int32_t height)
    : connection_(connection), width_(std::max(width, 1)), height_(std::max(height, 1)) {
    Display* display = connection_.display();
    const int screen = DefaultScreen(display);
    Visual* visual = DefaultVisual(display, screen);
    const int depth = DefaultDepth(display, screen);
    if (!(sharedMemoryAllowed && createShared())) {
        char* data = static_cast<char*>(std::calloc(std::size_t(width_) * std::size_t(height_), 4));
        image_ = XCreateImage(display, visual, unsigned(depth), ZPixmap, 0, data, unsigned(width_),
                              unsigned(height_), 32, 0);
        if (!image_)
            std::free(data);
    }
    if (image_) {
        redShift_ = shiftOf(image_->red_mask);
        greenShift_ = shiftOf(image_->green_mask);
        blueShift_ = shiftOf(image_->blue_mask);
        fastPath_ = image_->bits_per_pixel == 32 && image_->byte_order == (ImageByteOrder(display)) &&
                    (image_->red_mask >> redShift_) == 0xFF && (image_->green_mask >> greenShift_) == 0xFF &&
                    (image_->blue_mask >> blueShift_) == 0xFF;
    }
    gc_ = XCreateGC(display, connection_.root(), 0, nullptr);
}

bool ImagePusher::createShared() {
    Display* display = connection_.display();
    if (!XShmQueryExtension(display))
        return false;
    const int screen = DefaultScreen(display);
    image_ = XShmCreateImage(display, DefaultVisual(display, screen), unsigned(DefaultDepth(display, screen)),
                             ZPixmap, nullptr, &segment_, unsigned(width_), unsigned(height_));
    if (!image_)
        return false;
    segment_.shmid = shmget(IPC_PRIVATE, std::size_t(image_->bytes_per_line) * std::size_t(height_), IPC_CREAT | 0600);
    if (segment_.shmid >= 0) {
        void* address = shmat(segment_.shmid, nullptr, 0);
        if (address != reinterpret_cast<void*>(-1)) {
            segment_.shmaddr = image_->data = static_cast<char*>(address);
            segment_.readOnly = False;
            // A remote server refuses the attach; the error is recorded, not fatal.
            shared_ = XShmAttach(display, &segment_) && connection_.syncClean();
        }
        // Marked for removal now, so that it goes when both sides detach, crash or not.
        shmctl(segment_.shmid, IPC_RMID, nullptr);
    }
    if (shared_)
        return true;
    if (segment_.shmaddr)
        shmdt(segment_.shmaddr);
    image_->data = nullptr;
    XDestroyImage(image_);
    image_ = nullptr;
    segment_ = {};
    return false;
}

ImagePusher::~ImagePusher() {
    Display* display = connection_.display();
    if (image_) {
        if (shared_) {
            XShmDetach(display, &segment_);
            XSync(display, False);
            shmdt(segment_.shmaddr);
            image_->data = nullptr;
        }
        XDestroyImage(image_);
    }
    if (gc_)
        XFreeGC(display, gc_);
}

void ImagePusher::convert(const software::SoftPixmap& pixels, const Rect& r) {
    for (int32_t y = r.top; y < r.bottom; ++y) {
        if (fastPath_) {
            auto* row = reinterpret_cast<uint32_t*>(image_->data + std::ptrdiff_t(y) * image_->bytes_per_line);
            for (int32_t x = r.left; x < r.right; ++x) {
                const ColorRef c = pixels.at(x, y);
                row[x] = (c & 0xFF) << redShift_ | ((c >> 8) & 0xFF) << greenShift_ | ((c >> 16) & 0xFF) << blueShift_;
            }
            continue;
        }
        for (int32_t x = r.left; x < r.right; ++x) {
            const ColorRef c = pixels.at(x, y);
            auto scale = [](uint32_t v, unsigned long mask, int shift) {
                const unsigned long top = mask >> shift;
                return ((v * top + 127) / 255) << shift;
            };
            XPutPixel(image_, x, y,
                      scale(c & 0xFF, image_->red_mask, redShift_) | scale((c >> 8) & 0xFF, image_->green_mask, greenShift_) |
                          scale((c >> 16) & 0xFF, image_->blue_mask, blueShift_));
        }
    }
}

void ImagePusher::put(Drawable target, const software::SoftPixmap& pixels, const Rect& rect) {
    if (!image_ || !gc_)
        return;
    const Rect r{std::max(rect.left, 0), std::max(rect.top, 0),
                 std::min({rect.right, pixels.width(), width_}), std::min({rect.bottom, pixels.height(), height_})};
    if (r.width() <= 0 || r.height() <= 0)
        return;
    convert(pixels, r);
    Display* display = connection_.display();
    if (shared_) {
        XShmPutImage(display, target, gc_, image_, r.left, r.top, r.left, r.top, unsigned(r.width()),
                     unsigned(r.height()), False);
        // The server reads the segment later; wait so that the next conversion cannot race it.
        XSync(display, False);
    } else {
        XPutImage(display, target, gc_, image_, r.left, r.top, r.left, r.top, unsigned(r.width()), unsigned(r.height()));
        XFlush(display);
    }
}

} // namespace zk::gui::platform::x11
