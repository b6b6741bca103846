#pragma once

#include "gui/DrawContext.h"
#include "gui/KeyStroke.h"

#include <atomic>

namespace zk::gui {

class Frame;
class ToolkitEditor;

// A rectangle of the panel that draws itself and takes input; shared by reference count
// (a new view has count 1, held by its creator; release at 0 deletes it).
class View {
public:
    explicit View(const Rect& size);
    virtual ~View();

    View(const View&) = delete;
    View& operator=(const View&) = delete;

    virtual void draw(DrawContext& context);
    virtual void drawPart(DrawContext& context, const Rect& rect);
    virtual bool overlaps(const Rect& rect) const;
    virtual void onMouseDown(DrawContext* context, Point where);
    // A press the view keeps following (a drag): after onMouseDown said tracksPress, the frame
    // passes it every pointer move (onMouseMoved) and the release (onMouseUp), each with the
    // buttons and modifiers of that moment; cancelPress when the view or its window goes first.
    virtual bool tracksPress() const { return false; }
    virtual void onMouseMoved(DrawContext* context, Point where) {
        (void)context;
        (void)where;
    }
    virtual void onMouseUp(DrawContext* context, Point where) {
        (void)context;
        (void)where;
    }
    virtual void cancelPress() {}
    virtual void update(DrawContext& context);
    virtual int32_t notify(View* sender, const char* message);
    virtual int32_t onKeyDown(const KeyStroke& key);
    virtual int32_t onKeyUp(const KeyStroke& key);
    virtual bool onDrop(int32_t count, platform::DropKind kind, const char* const* items, Point where);
    virtual bool onWheel(DrawContext* context, Point where, float distance);
    virtual void loseFocus(DrawContext* context);
    virtual void gainFocus(DrawContext* context);
    virtual bool isDirty() const;
    virtual void setDirty(bool dirty);
    virtual void setClickable(bool clickable);
    virtual bool isClickable() const;
    virtual void setMouseArea(const Rect& area);
    virtual void getMouseArea(Rect& area) const;
    virtual bool hitTest(Point where, int32_t buttons);
    virtual void setTransparent(bool transparent);
    virtual bool isTransparent() const;
    virtual void setSize(const Rect& size);
    virtual void getSize(Rect& size) const;
    virtual void setParent(View* parent);
    virtual void setFrame(Frame* frame);
    virtual ToolkitEditor* ownerEditor() const;
    virtual bool onRemoved(View* parent);
    virtual bool onAttached(View* parent);
    virtual void release();
    virtual void retain();
    virtual int32_t refCount() const;

    void drawNow(); // at once, through the frame

    const Rect& size() const { return size_; }
    Frame* frame() const { return frame_; }

protected:
    int32_t refCount_ = 1;
    Rect size_;
    Rect mouseArea_;
    Frame* frame_ = nullptr;
    View* parentView_ = nullptr;
    std::atomic<bool> dirty_{false};
    bool clickable_ = true;
    bool transparent_ = false;
};

} // namespace zk::gui
