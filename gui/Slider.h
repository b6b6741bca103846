#pragma once

#include "gui/Control.h"

namespace zk::gui {

// Slider style bits.
constexpr int32_t sliderHorizontal = 1;
constexpr int32_t sliderVertical = 2;
constexpr int32_t sliderMinLeft = 8;
constexpr int32_t sliderMinRight = 16;
constexpr int32_t sliderMinTop = 32;
constexpr int32_t sliderMinBottom = 64;

// A handle bitmap that moves along one axis over a background; drawn through an
// off-screen copy that exists while the slider is attached to a frame.
class Slider : public Control {
public:
    // minPosition and maxPosition: frame coordinates of the handle's left or top edge.
    Slider(const Rect& size, ControlListener* listener, int32_t tag, int32_t minPosition,
           int32_t maxPosition, Bitmap* handle, Bitmap* background, Point backgroundOffset,
           int32_t style);
    ~Slider() override;

    void draw(DrawContext& context) override;
    void onMouseDown(DrawContext* context, Point where) override;
    int32_t onKeyDown(const KeyStroke& key) override;
    bool onWheel(DrawContext* context, Point where, float distance) override;
    bool onRemoved(View* parent) override;
    bool onAttached(View* parent) override;

    virtual void setHandleTransparent(bool transparent) { handleTransparent_ = transparent; }
    virtual void setClickAnywhere(bool anywhere) { clickAnywhere_ = anywhere; }
    virtual bool getClickAnywhere() const { return clickAnywhere_; }
    virtual void setHandleOffset(Point offset);
    virtual void setHandleImage(Bitmap* bitmap);
    virtual Bitmap* getHandleImage() const { return handleImage_; }
    virtual void setFineFactor(float factor) { fineFactor_ = factor; }
    virtual float getFineFactor() const { return fineFactor_; }

    int32_t style() const { return style_; }
    int32_t minPos() const { return minPos_; }
    int32_t maxPos() const { return maxPos_; }
    int32_t travel() const { return travel_; }
    OffscreenContext* offscreen() const { return offscreen_; }
    // The handle's rectangle inside the control for the current value.
    Rect handleRect() const;

private:
    bool horizontal() const { return (style_ & sliderHorizontal) != 0; }
    float fraction() const;
    void dragStep(DrawContext* context, Point where, int32_t buttons) override;

    // What a drag keeps from its press to its release.
    struct Drag {
        int32_t base = 0;          // the pointer's coordinate that stands for the minimum
        float anchor = 0.0f;       // where the fine mode (Shift) started from
        int32_t lastButtons = 0;
    };
    Drag drag_;

    Point sliderBackgroundOffset_;
    Point handleOffset_{};
    Bitmap* handleImage_;
    OffscreenContext* offscreen_ = nullptr;
    int32_t handleWidth_ = 1;
    int32_t handleHeight_ = 1;
    int32_t travel_;
    int32_t style_;
    int32_t minPos_ = 0;
    int32_t maxPos_ = 0;
    int32_t minOffset_ = 0;
    int32_t controlWidth_;
    int32_t controlHeight_;
    float fineFactor_ = 10.0f;
    bool handleTransparent_ = true;
    bool clickAnywhere_ = true;
};

class HorizontalSlider : public Slider {
public:
    HorizontalSlider(const Rect& size, ControlListener* listener, int32_t tag, int32_t minPosition,
                     int32_t maxPosition, Bitmap* handle, Bitmap* background, Point backgroundOffset,
                     int32_t style = sliderMinLeft)
        : Slider(size, listener, tag, minPosition, maxPosition, handle, background, backgroundOffset,
                 style | sliderHorizontal) {}
};

class VerticalSlider : public Slider {
public:
    VerticalSlider(const Rect& size, ControlListener* listener, int32_t tag, int32_t minPosition,
                   int32_t maxPosition, Bitmap* handle, Bitmap* background, Point backgroundOffset,
                   int32_t style = sliderMinBottom)
        : Slider(size, listener, tag, minPosition, maxPosition, handle, background, backgroundOffset,
                 style | sliderVertical) {}
};

} // namespace zk::gui
