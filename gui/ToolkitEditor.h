#pragma once

#include <cstdint>

namespace zk::gui {

// The editor as the toolkit reaches it through the frame: the edit gestures of the host,
// the idle work that keeps the host running during mouse tracking, and the tick count.
class ToolkitEditor {
public:
    virtual ~ToolkitEditor() = default;
    virtual void beginEdit(int32_t tag) = 0;
    virtual void endEdit(int32_t tag) = 0;
    virtual void runIdle() = 0;
    virtual uint32_t ticks(); // the system's millisecond tick count
    // The pointer now rests on `view`; null: on no view, or off the panel.
    virtual void pointerOver(class View* view) { (void)view; }
};

} // namespace zk::gui
