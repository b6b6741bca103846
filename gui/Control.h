#pragma once

#include "gui/Bitmap.h"
#include "gui/View.h"

#include <atomic>

namespace zk::gui {

class Control;

// Told when the user changed a control's value; reads its tag and value.
class ControlListener {
public:
    virtual ~ControlListener() = default;
    virtual void valueChanged(DrawContext* context, Control* control) = 0;
};

// Knob modes of the editor: 2 is the linear drag, anything else the circular one.
constexpr int32_t knobModeLinear = 2;
extern std::atomic<int32_t> knobMode;

// A view that carries a value. The value may be set from the audio thread while the GUI
// thread draws, so it and the drawn value are atomics.
class Control : public View {
public:
    Control(const Rect& size, ControlListener* listener, int32_t tag, Bitmap* background);
    ~Control() override;

    void draw(DrawContext& context) override = 0;
    bool tracksPress() const override { return tracking_; }
    // A drag's move and release: one step each (dragStep); the release's step is taken
    // without the left button, and a move without it ends the drag as the release would.
    void onMouseMoved(DrawContext* context, Point where) override;
    void onMouseUp(DrawContext* context, Point where) override;
    // The gesture ends (endEdit) without a last value.
    void cancelPress() override;
    bool isDirty() const override;
    void setDirty(bool dirty) override;

    virtual void setValue(float value) { value_ = value; }
    virtual float getValue() const { return value_; }
    virtual void setMin(float v) { min_ = v; }
    virtual float getMin() const { return min_; }
    virtual void setMax(float v) { max_ = v; }
    virtual float getMax() const { return max_; }
    virtual void setDrawnValue(float v) { drawnValue_ = v; }
    virtual float getDrawnValue() const { return drawnValue_; }
    virtual void setDefaultValue(float v) { defaultValue_ = v; }
    virtual float getDefaultValue() const { return defaultValue_; }
    virtual void setTag(int32_t tag) { tag_ = tag; }
    virtual int32_t getTag() const { return tag_; }
    virtual void setBackgroundBitmap(Bitmap* bitmap);
    virtual Bitmap* getBackground() const { return background_; }
    virtual void setBackgroundOffset(Point offset) { backgroundOffset_ = offset; }
    virtual void alignBackgroundOffset() { backgroundOffset_ = size_.topLeft(); }
    virtual void setWheelStep(float step) { wheelStep_ = step; }
    virtual float getWheelStep() const { return wheelStep_; }
    virtual void clampValue();

    ControlListener* listener() const { return listener_; }
    void setListener(ControlListener* listener) { listener_ = listener; }
    int32_t doubleClickDelay() const { return doubleClickDelay_; }
    int32_t lastClickTime() const { return lastClickTime_; }
    Point backgroundOffset() const { return backgroundOffset_; }

protected:
    void reportChange(DrawContext* context); // valueChanged when dirty and listened to
    // The Control + click reset: true when the buttons were exactly left and Control.
    bool resetToDefault(DrawContext* context, int32_t buttons);
    bool continuousWheel(DrawContext* context, float distance);
    int32_t continuousKey(const KeyStroke& key);
    // True for a second click within the double-click delay.
    bool isDoubleClick();
    void beginEdit();
    void endEdit();
    // A drag starts (beginEdit) and ends (endEdit); between them the frame passes the moves.
    void startTracking();
    void stopTracking();
    // A press becomes a drag: the gesture starts, the control takes the focus, and the press
    // is its first step.
    void beginDrag(DrawContext* context, Point where, int32_t buttons);
    // One step of a drag: the value for the pointer at `where` with `buttons` held.
    virtual void dragStep(DrawContext* context, Point where, int32_t buttons) {
        (void)context;
        (void)where;
        (void)buttons;
    }

    ControlListener* listener_;
    int32_t tag_;
    std::atomic<float> drawnValue_{1.0f};
    float defaultValue_ = 0.5f;
    std::atomic<float> value_{0.0f};
    float min_ = 0.0f;
    float max_ = 1.0f;
    float wheelStep_ = 0.1f;
    int32_t lastClickTime_ = -1;
    int32_t doubleClickDelay_;
    Bitmap* background_;
    Point backgroundOffset_{};
    bool tracking_ = false;
};

} // namespace zk::gui
