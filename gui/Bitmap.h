#pragma once

#include "gui/DrawContext.h"

#include <atomic>
#include <memory>

namespace zk::gui {

// Whether the platform's keyed transparent copy may be used; found by each frame's
// construction, otherwise bitmaps fall back to the mask method.
extern bool transparentBltAvailable;

// A bitmap of the module's resources, shared by reference count: the creator holds the
// first reference, every other holder retains and releases its own. The count is atomic:
// panels of several instances, on whichever threads their hosts open them, share one.
class Bitmap {
public:
    explicit Bitmap(int32_t resourceId);
    // The picture drawn for a panel at scale pixels per panel unit; at 1 the one above. Where
    // the platform has none at that scale the bitmap is empty (0 x 0).
    Bitmap(int32_t resourceId, float scale);
    ~Bitmap(); // also for direct deletion, whatever the count

    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    void retain() { refCount_.fetch_add(1, std::memory_order_relaxed); }
    void release(); // frees the bitmap with its last reference

    void draw(DrawContext& context, const Rect& rect, Point source = {});
    void drawTransparent(DrawContext& context, const Rect& rect, Point source = {});
    void setKeyColor(Color c) { keyColor_ = c; }
    Color keyColor() const { return keyColor_; }

    int32_t resourceId() const { return resourceId_; }
    float scale() const { return scale_; }
    int32_t refCount() const { return refCount_.load(std::memory_order_relaxed); }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    platform::Pixmap* handle() const { return handle_.get(); }

private:
    void drawMasked(DrawContext& context, const Rect& rect, Point source);

    int32_t resourceId_;
    float scale_ = 1.0f;
    std::atomic<int32_t> refCount_{1};
    int32_t width_ = 0;
    int32_t height_ = 0;
    Color keyColor_;
    std::unique_ptr<platform::Pixmap> handle_;
    std::unique_ptr<platform::Pixmap> mask_; // nothing creates one; freed with the bitmap
};

// A drawing context over a memory pixmap, cleared to a background colour; copyTo puts it
// on another context in one block copy.
class OffscreenContext final : public DrawContext {
public:
    OffscreenContext(Frame* frame, int32_t width, int32_t height, Color background);
    ~OffscreenContext() override;

    void copyTo(DrawContext& destination, const Rect& rect, Point source = {});

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    Color backgroundColor() const { return backgroundColor_; }
    platform::Pixmap* pixmap() const { return pixmap_.get(); }

private:
    Bitmap* sourceBitmap_ = nullptr;
    int32_t reserved_ = 0;
    int32_t height_;
    int32_t width_;
    bool ownsPixmap_ = true;
    Color backgroundColor_;
    std::unique_ptr<platform::Device> memoryDevice_;
    std::unique_ptr<platform::Pixmap> pixmap_;
    platform::Pixmap* savedPixmap_ = nullptr;
};

} // namespace zk::gui
