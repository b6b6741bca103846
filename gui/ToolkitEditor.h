#pragma once

#include <cstdint>

namespace zk::gui {

// The editor as the toolkit reaches it through the frame: the edit gestures of the host,
// the tick count, and the system's scale for the frame's window.
class ToolkitEditor {
public:
    virtual ~ToolkitEditor() = default;
    virtual void beginEdit(int32_t tag) = 0;
    virtual void endEdit(int32_t tag) = 0;
    virtual uint32_t ticks(); // the system's millisecond tick count
    // The system's scale for the frame's window changed (pixels per 96 DPI unit). It comes
    // from inside the window's own event handling: the window must outlive this call.
    virtual void systemScaleChanged(float scale) { (void)scale; }
    // The pointer now rests on `view`; null: on no view, or off the panel.
    virtual void pointerOver(class View* view) { (void)view; }
};

} // namespace zk::gui
