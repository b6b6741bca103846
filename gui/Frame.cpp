#include "gui/Frame.h"

#include "gui/TextEdit.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

namespace zk::gui {

char windowClassName[64] = {};

namespace {
int32_t framesWithWindows = 0;
constexpr int32_t viewGrowth = 20;
} // namespace

uint32_t ToolkitEditor::ticks() { return platform::current().tickCount(); }

// The window procedure of the frame's window class.
class Frame::WindowHandler final : public platform::WindowEvents {
public:
    explicit WindowHandler(Frame& frame) : frame_(frame) {}

    void onPaint(platform::Device& device, const Rect& updateRect) override {
        DrawContext context(&frame_, &device, frame_.window_.get());
        frame_.drawPart(context, updateRect);
    }
    void onButtonDown(int32_t button, Point where) override {
        if (frame_.pressedView_)
            return; // another button during a drag: the drag's own release ends it
        frame_.withWindowContext([&](DrawContext& context) { frame_.onMouseDown(&context, where); });
        if (frame_.pressedView_)
            frame_.pressButton_ = button;
    }
    void onButtonUp(int32_t button, Point where) override {
        if (!frame_.pressedView_ || button != frame_.pressButton_)
            return;
        // The view under the pointer is told at the next move, as the editor expects.
        frame_.withWindowContext([&](DrawContext& context) { frame_.endPress(&context, where); });
    }
    void onPointerCaptureLost() override { frame_.cancelPress(); }
    void onWheel(Point where, float distance) override { frame_.onWheel(nullptr, where, distance); }
    void onScaleChanged(float scale) override {
        if (frame_.editor_)
            frame_.editor_->systemScaleChanged(scale);
    }
    void onPointerMove(Point where) override {
        if (frame_.pressedView_)
            frame_.withWindowContext([&](DrawContext& context) { frame_.followPress(&context, where); });
        else
            frame_.pointerMoved(where);
    }
    void onPointerLeave() override { frame_.pointerLeft(); }
    void onDestroy() override {
        frame_.cancelPress();
        frame_.windowOpen_ = false;
        frame_.parentWindow_ = nullptr;
    }
    bool editFieldColors(platform::ColorRef& text, platform::ColorRef& back) override {
        auto* edit = dynamic_cast<TextEdit*>(frame_.focusView_);
        if (!edit)
            return false;
        text = edit->inkColor().packed();
        back = edit->boxColor().packed();
        return true;
    }

private:
    Frame& frame_;
};

// Accepts dropped files or text and hands them to the frame.
class Frame::FrameDropTarget final : public platform::DropTarget {
public:
    explicit FrameDropTarget(Frame& frame) : frame_(frame) {}
    bool onDrop(int32_t count, platform::DropKind kind, const char* const* items, Point where) override {
        return frame_.onDrop(count, kind, items, where);
    }

private:
    Frame& frame_;
};

Frame::Frame(const Rect& size, void* parentWindow, ToolkitEditor* editor)
    : View(size), editor_(editor), parentWindow_(parentWindow) {
    platform::Platform& system = platform::current();
    transparentBltAvailable = false;
    transparentBltAvailable = system.hasTransparentBlt();
    if (!parentWindow_)
        return;
    countedWindow_ = true;
    if (++framesWithWindows == 1) {
        std::snprintf(windowClassName, sizeof windowClassName, "Plugin%08x",
                      static_cast<unsigned>(reinterpret_cast<uintptr_t>(system.moduleInstance())));
        system.registerWindowClass(windowClassName);
        swapMouseButtons = system.mouseButtonsSwapped();
    }
    handler_ = std::make_unique<WindowHandler>(*this);
    window_ = system.createChildWindow(parentWindow_, windowClassName, "Window",
                                       {0, 0, size.width(), size.height()}, handler_.get());
    if (window_) {
        dropTarget_ = std::make_unique<FrameDropTarget>(*this);
        dropTargetRegistered_ = window_->registerDropTarget(dropTarget_.get());
    }
}

Frame::~Frame() {
    if (dropTargetRegistered_ && window_)
        window_->revokeDropTarget();
    detachAllViews(true);
    if (background_)
        background_->release();
    background_ = nullptr;
    if (window_) {
        window_->detachEvents();
        window_.reset();
    }
    if (countedWindow_ && --framesWithWindows == 0)
        platform::current().unregisterWindowClass(windowClassName);
}

void Frame::setScale(float scale) {
    scale_ = scale > 0 ? scale : 1.0f;
    if (window_)
        window_->setContentScale(scale_);
}

int32_t Frame::scaled(int32_t units) const { return int32_t(std::lround(float(units) * scale_)); }

template <typename Work> void Frame::withWindowContext(Work work) {
    if (!window_)
        return;
    std::unique_ptr<platform::Device> device = window_->acquireDevice();
    auto context = std::make_unique<DrawContext>(this, device.get(), window_.get());
    work(*context);
}

void Frame::draw(DrawContext& context) {
    firstDrawPending_ = false;
    if (background_ && background_->handle())
        background_->draw(context, {0, 0, background_->width(), background_->height()});
    for (int32_t i = 0; i < viewCount_; ++i)
        views_[i]->draw(context);
    if (modalView_)
        modalView_->draw(context);
}

void Frame::drawPart(DrawContext& context, const Rect& rect) {
    firstDrawPending_ = false;
    if (background_ && background_->handle())
        background_->draw(context, rect, rect.topLeft());
    for (int32_t i = 0; i < viewCount_; ++i)
        if (views_[i]->overlaps(rect))
            views_[i]->drawPart(context, rect);
    if (modalView_ && modalView_->overlaps(rect))
        modalView_->draw(context);
}

void Frame::update(DrawContext& context) {
    if (!windowOpen_)
        return;
    if (modalView_) {
        modalView_->update(context);
    } else if (isDirty()) {
        draw(context);
        setDirty(false);
    } else {
        for (int32_t i = 0; i < viewCount_; ++i)
            views_[i]->update(context);
    }
}

void Frame::idle() {
    if (window_ && windowOpen_)
        window_->processEvents(); // may paint, and so end firstDrawPending_
    if (firstDrawPending_ || !windowOpen_)
        return;
    bool anything = modalView_ != nullptr || isDirty();
    for (int32_t i = 0; !anything && i < viewCount_; ++i)
        anything = views_[i]->isDirty();
    if (!anything)
        return;
    withWindowContext([&](DrawContext& context) { update(context); });
}

void Frame::drawViewNow(View* view) {
    withWindowContext([&](DrawContext& context) {
        if (view && holdsView(view))
            view->draw(context);
        else
            draw(context);
    });
}

void Frame::onMouseDown(DrawContext* context, Point where) {
    if (focusView_) {
        focusView_->loseFocus(nullptr);
        focusView_ = nullptr;
    }
    const int32_t buttons = context ? context->mouseButtons() : -1;
    if (modalView_) {
        if (modalView_->hitTest(where, buttons)) {
            View* view = modalView_;
            view->onMouseDown(context, where);
            if (modalView_ == view && view->tracksPress())
                pressedView_ = view;
        }
        return;
    }
    for (int32_t i = viewCount_ - 1; i >= 0; --i) {
        View* view = views_[i];
        if (view->isClickable() && view->hitTest(where, buttons)) {
            view->onMouseDown(context, where);
            if (holdsView(view) && view->tracksPress())
                pressedView_ = view;
            return;
        }
    }
}

void Frame::followPress(DrawContext* context, Point where) {
    View* view = pressedView_;
    if (!view)
        return;
    view->onMouseMoved(context, where);
    if (pressedView_ == view && !view->tracksPress())
        pressedView_ = nullptr;
}

void Frame::endPress(DrawContext* context, Point where) {
    View* view = pressedView_;
    if (!view)
        return;
    pressedView_ = nullptr;
    view->onMouseUp(context, where);
}

void Frame::cancelPress() {
    View* view = pressedView_;
    pressedView_ = nullptr;
    if (view)
        view->cancelPress();
}

// Keys go to the focus view, then the modal view, then the views from last to first;
// the first answer other than -1 wins.
int32_t Frame::offerKey(int32_t (View::*handler)(const KeyStroke&), const KeyStroke& key) {
    if (focusView_) {
        const int32_t result = (focusView_->*handler)(key);
        if (result != -1)
            return result;
    }
    if (modalView_)
        return (modalView_->*handler)(key);
    for (int32_t i = viewCount_ - 1; i >= 0; --i) {
        const int32_t result = (views_[i]->*handler)(key);
        if (result != -1)
            return result;
    }
    return -1;
}

int32_t Frame::onKeyDown(const KeyStroke& key) { return offerKey(&View::onKeyDown, key); }

int32_t Frame::onKeyUp(const KeyStroke& key) { return offerKey(&View::onKeyUp, key); }

bool Frame::onWheel(DrawContext* context, Point, float distance) {
    const Point cursor = cursorLocation();
    View* target = modalView_;
    for (int32_t i = viewCount_ - 1; !target && i >= 0; --i)
        if (views_[i]->size().contains(cursor))
            target = views_[i];
    if (!target)
        return false;
    if (context)
        return target->onWheel(context, cursor, distance);
    bool result = false;
    if (window_) {
        withWindowContext([&](DrawContext& temporary) { result = target->onWheel(&temporary, cursor, distance); });
    } else {
        DrawContext temporary(this, nullptr, nullptr);
        result = target->onWheel(&temporary, cursor, distance);
    }
    return result;
}

bool Frame::onDrop(int32_t count, platform::DropKind kind, const char* const* items, Point where) {
    if (modalView_ || focusView_)
        return false;
    for (int32_t i = viewCount_ - 1; i >= 0; --i) {
        View* view = views_[i];
        if (view->isClickable() && view->size().contains(where) && view->onDrop(count, kind, items, where))
            return true;
    }
    return false;
}

bool Frame::appendView(View* view) {
    if (!view)
        return false;
    if (viewCount_ == viewCapacity_) {
        const int32_t capacity = viewCapacity_ + viewGrowth;
        View** grown = new (std::nothrow) View*[std::size_t(capacity)];
        if (!grown)
            return false;
        for (int32_t i = 0; i < viewCount_; ++i)
            grown[i] = views_[i];
        delete[] views_;
        views_ = grown;
        viewCapacity_ = capacity;
    }
    views_[viewCount_++] = view;
    view->setFrame(this);
    view->onAttached(this);
    return true;
}

// A detached view is no longer the focus or modal view, so that neither pointer outlives it.
bool Frame::detachView(View* view, bool withRelease) {
    for (int32_t i = 0; i < viewCount_; ++i) {
        if (views_[i] != view)
            continue;
        if (focusView_ == view)
            focusView_ = nullptr;
        if (modalView_ == view)
            modalView_ = nullptr;
        if (pressedView_ == view)
            cancelPress();
        view->onRemoved(this);
        if (withRelease)
            view->release();
        for (int32_t j = i; j + 1 < viewCount_; ++j)
            views_[j] = views_[j + 1];
        --viewCount_;
        break;
    }
    return true;
}

bool Frame::detachAllViews(bool withRelease) {
    cancelPress();
    if (focusView_) {
        focusView_->loseFocus(nullptr);
        focusView_ = nullptr;
    }
    if (modalView_ && holdsView(modalView_))
        modalView_ = nullptr;
    for (int32_t i = 0; i < viewCount_; ++i) {
        views_[i]->onRemoved(this);
        if (withRelease)
            views_[i]->release();
    }
    delete[] views_;
    views_ = nullptr;
    viewCount_ = 0;
    viewCapacity_ = 0;
    return true;
}

bool Frame::holdsView(View* view) const {
    for (int32_t i = 0; i < viewCount_; ++i)
        if (views_[i] == view)
            return true;
    return false;
}

int32_t Frame::viewCount() const { return viewCount_; }

View* Frame::viewAt(int32_t index) const {
    return index < 0 || index >= viewCount_ ? nullptr : views_[index];
}

bool Frame::resize(int32_t width, int32_t height) {
    if (window_ && !window_->resize(width, height))
        return false;
    setSize({0, 0, width, height});
    return true;
}

void Frame::setBackgroundBitmap(Bitmap* bitmap) {
    if (background_)
        background_->release();
    background_ = bitmap;
    if (background_)
        background_->retain();
}

bool Frame::setModal(View* view) {
    if (view && modalView_)
        return false;
    if (modalView_)
        modalView_->onRemoved(this);
    modalView_ = view;
    if (modalView_)
        modalView_->onAttached(this);
    return true;
}

void Frame::moveFocus(View* view) {
    View* previous = focusView_;
    focusView_ = view;
    if (previous)
        previous->loseFocus(nullptr);
}

Point Frame::cursorLocation() const {
    const Point screen = platform::current().cursorPosition();
    const Point origin = window_ ? window_->screenOrigin() : Point{};
    return {screen.h - origin.h, screen.v - origin.v};
}

View* Frame::viewUnder(Point where) const {
    for (int32_t i = viewCount_ - 1; i >= 0; --i)
        if (views_[i]->isClickable() && views_[i]->size().contains(where))
            return views_[i];
    return nullptr;
}

void Frame::pointerMoved(Point where) {
    if (editor_)
        editor_->pointerOver(modalView_ ? nullptr : viewUnder(where));
}

void Frame::pointerLeft() {
    if (editor_)
        editor_->pointerOver(nullptr);
}

void Frame::beginEdit(int32_t tag) {
    if (editor_)
        editor_->beginEdit(tag);
}

void Frame::endEdit(int32_t tag) {
    if (editor_)
        editor_->endEdit(tag);
}

uint32_t Frame::ticks() const { return editor_ ? editor_->ticks() : 0; }

} // namespace zk::gui
