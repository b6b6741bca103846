#pragma once

// The single-line edit field over a control: a child window of the panel drawn with the
// software back end, with the keyboard focus while it is open.

#include "gui/platform/Platform.h"
#include "gui/platform/software/SoftPixmap.h"
#include "gui/platform/x11/ImagePusher.h"
#include "gui/platform/x11/LineEditor.h"
#include "gui/platform/x11/X11Connection.h"

#include <memory>

namespace zk::gui::platform::x11 {

class X11Platform;
class X11Window;

class X11EditField final : public EditField, private EventSink {
public:
    X11EditField(X11Window& owner, const EditFieldSetup& setup, EditFieldEvents* events);
    ~X11EditField() override;
    std::size_t text(char* out, std::size_t capacity) const override;

    ::Window id() const { return window_; }
    const LineEditor& editor() const { return editor_; }
    software::SoftPixmap& pixels() { return pixels_; }

private:
    void handleEvent(XEvent& event) override;
    // false when the events destroyed the field
    bool handleKey(XKeyEvent& key);
    void paint();
    int32_t textStart() const; // x of the text's start, scrolled so that the caret shows
    int32_t widthOf(std::size_t characters) const;

    X11Window& owner_;
    Connection& connection_;
    EditFieldSetup setup_;
    EditFieldEvents* events_;
    LineEditor editor_;
    ::Window window_ = 0;
    ::Window previousFocus_ = 0;
    int previousRevert_ = 0;
    software::SoftPixmap pixels_;
    int32_t margin_; // a panel unit at the panel's scale
    std::unique_ptr<ImagePusher> pusher_;
    mutable int32_t scroll_ = 0;
};

class X11EditFieldService final : public EditFieldService {
public:
    explicit X11EditFieldService(X11Platform& platform) : platform_(platform) {}
    // Over a live X11 window an X11 field; otherwise the fallback's.
    std::unique_ptr<EditField> create(Window* owner, const EditFieldSetup& setup, EditFieldEvents* events) override;

private:
    X11Platform& platform_;
};

} // namespace zk::gui::platform::x11
