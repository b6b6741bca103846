#pragma once

#include "gui/Bitmap.h"
#include "gui/ToolkitEditor.h"
#include "gui/View.h"

#include <memory>

namespace zk::gui {

// The name of the frame's window class, "Plugin%08x" with the module instance.
extern char windowClassName[64];

// The view that owns all others: a child window of the host's window, the flat list of
// views in drawing order, event routing, the idle redraw, and the modal and focus views.
class Frame : public View {
public:
    Frame(const Rect& size, void* parentWindow, ToolkitEditor* editor);
    ~Frame() override;

    void draw(DrawContext& context) override;
    void drawPart(DrawContext& context, const Rect& rect) override;
    void onMouseDown(DrawContext* context, Point where) override;
    void update(DrawContext& context) override;
    int32_t onKeyDown(const KeyStroke& key) override;
    int32_t onKeyUp(const KeyStroke& key) override;
    bool onDrop(int32_t count, platform::DropKind kind, const char* const* items, Point where) override;
    bool onWheel(DrawContext* context, Point where, float distance) override;
    ToolkitEditor* ownerEditor() const override { return editor_; }

    // The view list; the frame adopts the caller's reference of an appended view.
    virtual bool appendView(View* view);
    virtual bool detachView(View* view, bool withRelease);
    virtual bool detachAllViews(bool withRelease);
    virtual bool holdsView(View* view) const;
    virtual int32_t viewCount() const;
    virtual View* viewAt(int32_t index) const;

    // The frame and its window at a new size; false where the window cannot change its size.
    bool resize(int32_t width, int32_t height);
    void setBackgroundBitmap(Bitmap* bitmap);
    Bitmap* backgroundBitmap() const { return background_; }
    bool setModal(View* view);
    View* modalView() const { return modalView_; }
    void moveFocus(View* view);
    View* focusView() const { return focusView_; }
    void clearFocusView() { focusView_ = nullptr; } // without telling the view
    void drawViewNow(View* view);
    void idle();
    Point cursorLocation() const;
    // The pointer rests at `where` (window coordinates) or left the window: the editor hears
    // of the view under it (none while a modal view is up).
    void pointerMoved(Point where);
    void pointerLeft();
    // The topmost clickable view at a point; null for none.
    View* viewUnder(Point where) const;
    void beginEdit(int32_t tag);
    void endEdit(int32_t tag);
    // The view following a press (a drag) until its button is let go; null for none. The
    // window's pointer moves and the release go to it, not to the views under the pointer.
    View* pressedView() const { return pressedView_; }
    void followPress(DrawContext* context, Point where);
    void endPress(DrawContext* context, Point where);
    // The drag ends where it is (its gesture closed), as when its view or window goes.
    void cancelPress();
    uint32_t ticks() const;

    int32_t viewCapacity() const { return viewCapacity_; }
    bool windowOpen() const { return windowOpen_; }
    bool firstDrawPending() const { return firstDrawPending_; }
    void* parentWindow() const { return parentWindow_; }
    platform::Window* platformWindow() const { return window_.get(); }
    // Pixels per panel unit: text is drawn that much larger, and so are the window's popups.
    void setScale(float scale);
    float scale() const { return scale_; }
    // A size in panel units (a font's height) in pixels at the frame's scale.
    int32_t scaled(int32_t units) const;

private:
    int32_t offerKey(int32_t (View::*handler)(const KeyStroke&), const KeyStroke& key);
    class WindowHandler;
    class FrameDropTarget;
    template <typename Work> void withWindowContext(Work work);

    ToolkitEditor* editor_;
    void* parentWindow_;
    Bitmap* background_ = nullptr;
    int32_t viewCount_ = 0;
    int32_t viewCapacity_ = 0;
    View** views_ = nullptr;
    View* modalView_ = nullptr;
    View* focusView_ = nullptr;
    View* pressedView_ = nullptr;
    int32_t pressButton_ = 0; // the window's button (1, 2, 4) that started the drag
    bool firstDrawPending_ = true;
    bool windowOpen_ = true;
    bool dropTargetRegistered_ = false;
    bool countedWindow_ = false;
    float scale_ = 1.0f;
    std::unique_ptr<WindowHandler> handler_;
    std::unique_ptr<FrameDropTarget> dropTarget_;
    std::unique_ptr<platform::Window> window_;
};

} // namespace zk::gui
