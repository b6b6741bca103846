#pragma once

#include "gui/Control.h"

namespace zk::gui {

// A rotary control: a background picture and a handle (a two-colour line or a bitmap) that
// points at the value's angle. Turned by following the pointer's angle or by a linear drag.
class Knob : public Control {
public:
    Knob(const Rect& size, ControlListener* listener, int32_t tag, Bitmap* background,
         Bitmap* handle, Point backgroundOffset);
    ~Knob() override;

    void draw(DrawContext& context) override;
    void onMouseDown(DrawContext* context, Point where) override;
    int32_t onKeyDown(const KeyStroke& key) override;
    bool onWheel(DrawContext* context, Point where, float distance) override;

    virtual void drawHandle(DrawContext& context);
    virtual void setMinAngle(float angle);
    virtual float getMinAngle() const { return minAngle_; }
    virtual void setSweep(float sweep);
    virtual float getSweep() const { return sweep_; }
    virtual void pointForValue(Point& point) const; // relative to the knob's top-left
    virtual float valueAtPoint(Point point) const;  // point relative to the knob's top-left
    virtual void setHandleInset(int32_t inset) { handleInset_ = inset; }
    virtual void setHandleColor(Color c);
    virtual void setHandleShadowColor(Color c);
    virtual void setHandleImage(Bitmap* bitmap);
    virtual void setFineFactor(float factor) { fineFactor_ = factor; }
    // How far a linear drag goes to cover the range (Shift: fineFactor times as far); a
    // panel shown at a scale lengthens it with the scale. At least one pixel.
    void setLinearDragPixels(int32_t pixels) { linearPixels_ = pixels > 0 ? pixels : 1; }
    int32_t linearDragPixels() const { return linearPixels_; }
    virtual float getFineFactor() const { return fineFactor_; }

    int32_t handleInset() const { return handleInset_; }
    float angleScale() const { return angleScale_; }
    float angleBase() const { return angleBase_; }
    float halfDeadAngle() const { return halfDeadAngle_; }

private:
    void computeAngles();
    void dragStep(DrawContext* context, Point where, int32_t buttons) override;
    // A linear drag's value per pixel (Shift: the fine one).
    float linearStep(int32_t buttons) const;

    // What a drag keeps from its press to its release.
    struct Drag {
        bool linear = false;
        Point click{};
        Point last{-1, -1};
        float startValue = 0.0f;
        float step = 0.0f;           // linear: value per pixel
        float lastAngleValue = 0.0f; // circular: the value at the last angle followed
        int32_t changeButtons = 0;   // the buttons the step was chosen for
    };
    Drag drag_;

    Point knobBackgroundOffset_;
    Color handleShadowColor_;
    Color handleColor_;
    Bitmap* handleImage_;
    int32_t handleInset_;
    float minAngle_ = 0.0f;
    float sweep_ = 1.0f;
    float halfDeadAngle_ = 0.0f;
    float angleScale_ = 0.0f;
    float angleBase_ = 0.0f;
    float radius_;
    float fineFactor_ = 1.5f;
    int32_t linearPixels_ = 200;
};

} // namespace zk::gui
