#include "gui/Bitmap.h"

#include "gui/Frame.h"

#include <utility>

namespace zk::gui {

bool transparentBltAvailable = false;

Bitmap::Bitmap(int32_t resourceId) : Bitmap(resourceId, 1.0f) {}

Bitmap::Bitmap(int32_t resourceId, float scale)
    : resourceId_(resourceId), scale_(scale), keyColor_(colorTransparentKey) {
    handle_ = scale == 1.0f ? platform::current().loadBitmap(resourceId & 0xFFFF)
                            : platform::current().loadScaledBitmap(resourceId & 0xFFFF, scale);
    if (handle_) {
        width_ = handle_->width();
        height_ = handle_->height();
    }
}

Bitmap::~Bitmap() = default;

void Bitmap::release() {
    int32_t count = refCount_.load(std::memory_order_relaxed);
    do {
        if (count <= 0)
            return;
    } while (!refCount_.compare_exchange_weak(count, count - 1, std::memory_order_acq_rel, std::memory_order_relaxed));
    if (count == 1)
        delete this;
}

void Bitmap::draw(DrawContext& context, const Rect& rect, Point source) {
    platform::Device* destination = context.device();
    if (!handle_ || !destination)
        return;
    std::unique_ptr<platform::Device> memory = platform::current().createMemoryDevice(destination);
    platform::Pixmap* previous = memory->selectPixmap(handle_.get());
    destination->bitBlt(context.offset().h + rect.left, context.offset().v + rect.top, rect.width(),
                        rect.height(), *memory, source.h, source.v, platform::RasterOp::copy);
    memory->selectPixmap(previous);
}

void Bitmap::drawTransparent(DrawContext& context, const Rect& rect, Point source) {
    platform::Device* destination = context.device();
    if (!handle_ || !destination)
        return;
    if (!transparentBltAvailable) {
        drawMasked(context, rect, source);
        return;
    }
    const int32_t x = context.offset().h + rect.left, y = context.offset().v + rect.top;
    const int32_t w = rect.width(), h = rect.height();
    std::unique_ptr<platform::Device> memory = platform::current().createMemoryDevice(destination);
    platform::Pixmap* previous = memory->selectPixmap(handle_.get());
    destination->transparentBlt(x, y, w, h, *memory, source.h, source.v, w, h, keyColor_.packed());
    memory->selectPixmap(previous);
}

// Without the platform's keyed copy: a mask that is 1 on the key colour, then
// invert-and-invert around it, so that key pixels keep the background.
void Bitmap::drawMasked(DrawContext& context, const Rect& rect, Point source) {
    platform::Platform& system = platform::current();
    platform::Device& destination = *context.device();
    const int32_t x = context.offset().h + rect.left, y = context.offset().v + rect.top;
    const int32_t w = rect.width(), h = rect.height();
    if (w <= 0 || h <= 0)
        return;

    std::unique_ptr<platform::Device> colours = system.createMemoryDevice(&destination);
    platform::Pixmap* previousColours = colours->selectPixmap(handle_.get());
    std::unique_ptr<platform::Device> maskDevice = system.createMemoryDevice(&destination);
    std::unique_ptr<platform::Pixmap> mask = system.createMonochromePixmap(w, h);
    platform::Pixmap* previousMask = maskDevice->selectPixmap(mask.get());

    const platform::ColorRef savedBack = destination.setBkColor(0xFFFFFF);
    const platform::ColorRef savedText = destination.setTextColor(0);

    colours->setBkColor(keyColor_.packed());
    maskDevice->bitBlt(0, 0, w, h, *colours, source.h, source.v, platform::RasterOp::copy);

    destination.bitBlt(x, y, w, h, *colours, source.h, source.v, platform::RasterOp::invert);
    destination.bitBlt(x, y, w, h, *maskDevice, 0, 0, platform::RasterOp::mask);
    destination.bitBlt(x, y, w, h, *colours, source.h, source.v, platform::RasterOp::invert);

    maskDevice->selectPixmap(previousMask);
    colours->selectPixmap(previousColours);
    destination.setBkColor(savedBack);
    destination.setTextColor(savedText);
}

OffscreenContext::OffscreenContext(Frame* frame, int32_t width, int32_t height, Color background)
    : DrawContext(frame, nullptr, nullptr), height_(height), width_(width), backgroundColor_(background) {
    clip_ = {0, 0, width, height};
    if (clip_.left > clip_.right)
        std::swap(clip_.left, clip_.right);
    if (clip_.top > clip_.bottom)
        std::swap(clip_.top, clip_.bottom);

    platform::Platform& system = platform::current();
    platform::Window* window = frame ? frame->platformWindow() : nullptr;
    std::unique_ptr<platform::Device> windowDevice = window ? window->acquireDevice() : nullptr;
    memoryDevice_ = system.createMemoryDevice(windowDevice.get());
    pixmap_ = system.createCompatiblePixmap(windowDevice.get(), width, height);
    savedPixmap_ = memoryDevice_->selectPixmap(pixmap_.get());
    windowDevice.reset();
    device_ = memoryDevice_.get();
    window_ = nullptr; // the memory pixmap takes the window's place

    setBrushColor(backgroundColor_);
    setPenColor(backgroundColor_);
    fillRect({0, 0, width, height});
    frameRect({0, 0, width, height});
}

OffscreenContext::~OffscreenContext() {
    if (sourceBitmap_)
        sourceBitmap_->release();
    if (memoryDevice_)
        memoryDevice_->selectPixmap(savedPixmap_);
    device_ = nullptr;
    memoryDevice_.reset();
    if (ownsPixmap_)
        pixmap_.reset();
}

void OffscreenContext::copyTo(DrawContext& destination, const Rect& rect, Point source) {
    if (!destination.device() || !device_)
        return;
    destination.device()->bitBlt(rect.left + destination.offset().h, rect.top + destination.offset().v,
                                 rect.width(), rect.height(), *device_, source.h, source.v,
                                 platform::RasterOp::copy);
}

} // namespace zk::gui
