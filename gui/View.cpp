#include "gui/View.h"

#include "gui/Frame.h"

namespace zk::gui {

View::View(const Rect& size) : size_(size), mouseArea_(size) {}

View::~View() = default;

void View::draw(DrawContext&) { setDirty(false); }
void View::drawPart(DrawContext& context, const Rect&) { draw(context); }
bool View::overlaps(const Rect& rect) const { return size_.overlaps(rect); }
void View::onMouseDown(DrawContext*, Point) {}

void View::update(DrawContext& context) {
    if (isDirty()) {
        draw(context);
        setDirty(false);
    }
}

int32_t View::notify(View*, const char*) { return 0; }
int32_t View::onKeyDown(const KeyStroke&) { return -1; }
int32_t View::onKeyUp(const KeyStroke&) { return -1; }
bool View::onDrop(int32_t, platform::DropKind, const char* const*, Point) { return false; }
bool View::onWheel(DrawContext*, Point, float) { return false; }
void View::loseFocus(DrawContext*) {}
void View::gainFocus(DrawContext*) {}
bool View::isDirty() const { return dirty_; }
void View::setDirty(bool dirty) { dirty_ = dirty; }
void View::setClickable(bool clickable) { clickable_ = clickable; }
bool View::isClickable() const { return clickable_; }
void View::setMouseArea(const Rect& area) { mouseArea_ = area; }
void View::getMouseArea(Rect& area) const { area = mouseArea_; }
bool View::hitTest(Point where, int32_t) { return size_.contains(where); }
void View::setTransparent(bool transparent) { transparent_ = transparent; }
bool View::isTransparent() const { return transparent_; }

void View::setSize(const Rect& size) {
    size_ = size;
    setDirty(true);
}

void View::getSize(Rect& size) const { size = size_; }
void View::setParent(View* parent) { parentView_ = parent; }
void View::setFrame(Frame* frame) { frame_ = frame; }
ToolkitEditor* View::ownerEditor() const { return frame_ ? frame_->ownerEditor() : nullptr; }
bool View::onRemoved(View*) { return true; }
bool View::onAttached(View*) { return true; }

void View::release() {
    if (refCount_ <= 0)
        return;
    if (--refCount_ == 0)
        delete this;
}

void View::retain() { ++refCount_; }
int32_t View::refCount() const { return refCount_; }

void View::drawNow() {
    if (frame_)
        frame_->drawViewNow(this);
}

} // namespace zk::gui
