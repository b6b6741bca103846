#pragma once

#include "gui/Geometry.h"
#include "gui/platform/Platform.h"

namespace zk::gui {

class Frame;

// One piece of drawing work over a device context: the current pen, brush and font, an
// offset added to every coordinate, and the window's screen position for the cursor.
class DrawContext {
public:
    DrawContext(Frame* frame, platform::Device* device, platform::Window* window);
    virtual ~DrawContext();

    DrawContext(const DrawContext&) = delete;
    DrawContext& operator=(const DrawContext&) = delete;

    void moveTo(Point p);
    void lineTo(Point p);          // the end pixel is left out
    void frameRect(const Rect& r); // the whole outline, right and bottom edges included
    void fillRect(const Rect& r);  // the inside only: the outline pixels stay
    void setPenColor(Color c);
    void setDashStyle(int32_t style); // 0 solid, 1 dotted
    void setBrushColor(Color c);
    void setTextColor(Color c);
    void setFont(int32_t id, int32_t height = 0, int32_t faceStyle = 0);
    // One line, vertically centred; alignment 0 left (one pixel in), 1 centre, 2 right.
    void drawText(const char* text, const Rect& r, bool opaque, int32_t alignment);

    int32_t mouseButtons() const; // the bit set of Geometry.h
    void mouseLocation(Point& where) const;

    Point offset() const { return offset_; }
    Point windowOrigin() const { return windowOrigin_; }
    Frame* frame() const { return frame_; }
    platform::Device* device() const { return device_; }
    platform::Window* window() const { return window_; }
    const Rect& clip() const { return clip_; }
    int32_t fontId() const { return fontId_; }
    int32_t fontSize() const { return fontSize_; }
    Color inkColor() const { return inkColor_; }
    Color penColor() const { return penColor_; }
    Color fillColor() const { return fillColor_; }
    int32_t lineStyle() const { return lineStyle_; }
    int32_t penWidth() const { return penWidth_; }

protected:
    void remakePen();

    Point windowOrigin_{};
    Point offset_{};
    platform::Device* device_;
    platform::Window* window_;
    Frame* frame_;
    int32_t fontSize_ = 0;
    int32_t fontId_ = 0;
    Color inkColor_{};
    int32_t penWidth_ = 1;
    Color penColor_{};
    Color fillColor_{};
    int32_t lineStyle_ = 0;
    Rect clip_{};
    // The objects this context selected, and those it found selected and gives back.
    bool ownsObjects_ = false;
    platform::PenDesc savedPen_{};
    platform::BrushDesc savedBrush_{};
    platform::FontDesc savedFont_{};
    platform::PenStyle penStyle_ = platform::PenStyle::solid;
};

} // namespace zk::gui
