#pragma once

// Puts the software back end's pixels on a drawable: through a shared-memory image when
// the server offers MIT-SHM on a local connection, else through XPutImage.

#include "gui/platform/software/SoftPixmap.h"
#include "gui/platform/x11/X11Connection.h"

#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

namespace zk::gui::platform::x11 {

class ImagePusher {
public:
    ImagePusher(Connection& connection, int32_t width, int32_t height);
    ~ImagePusher();
    ImagePusher(const ImagePusher&) = delete;
    ImagePusher& operator=(const ImagePusher&) = delete;

    // Copies the part of pixels inside rect (clipped to both sizes) to the drawable.
    void put(Drawable target, const software::SoftPixmap& pixels, const Rect& rect);
    bool sharedMemory() const { return shared_; }

    // Off: every pusher made afterwards uses XPutImage (tests compare both ways).
    static void allowSharedMemory(bool allowed);

private:
    bool createShared();
    void convert(const software::SoftPixmap& pixels, const Rect& rect);

    Connection& connection_;
    int32_t width_, height_;
    XImage* image_ = nullptr;
    XShmSegmentInfo segment_{};
    bool shared_ = false;
    GC gc_ = nullptr;
    int redShift_ = 0, greenShift_ = 0, blueShift_ = 0;
    bool fastPath_ = false;
};

} // namespace zk::gui::platform::x11
