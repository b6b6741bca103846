#include "gui/platform/x11/X11EditField.h"

#include "gui/platform/software/FontEngine.h"
#include "gui/platform/software/SoftDevice.h"
#include "gui/platform/x11/X11Platform.h"
#include "gui/platform/x11/PopupStyle.h"
#include "gui/platform/x11/X11Window.h"

#include <X11/keysym.h>

#include <algorithm>
#include <cstring>

namespace zk::gui::platform::x11 {


X11EditField::X11EditField(X11Window& owner, const EditFieldSetup& setup, EditFieldEvents* events)
    : owner_(owner), connection_(owner.connection()), setup_(setup), events_(events),
      editor_(setup.text ? setup.text : "", std::size_t(std::max(setup.limit, 0))),
      pixels_(std::max(setup.rect.width(), 1), std::max(setup.rect.height(), 1), false, popup::fieldBack),
      margin_(popup::px(1, owner.contentScale())) {
    setup_.text = nullptr; // not kept: the caller's buffer may change
    Display* display = connection_.display();
    const int screen = DefaultScreen(display);
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None;
    attributes.border_pixel = 0;
    attributes.colormap = DefaultColormap(display, screen);
    attributes.event_mask = ExposureMask | KeyPressMask | FocusChangeMask | ButtonPressMask;
    window_ = XCreateWindow(display, owner.id(), setup.rect.left, setup.rect.top, unsigned(pixels_.width()),
                            unsigned(pixels_.height()), 0, DefaultDepth(display, screen), InputOutput,
                            DefaultVisual(display, screen), CWBackPixmap | CWBorderPixel | CWColormap | CWEventMask,
                            &attributes);
    pusher_ = std::make_unique<ImagePusher>(connection_, pixels_.width(), pixels_.height());
    connection_.addSink(window_, this);
    XGetInputFocus(display, &previousFocus_, &previousRevert_);
    XMapRaised(display, window_);
    XSync(display, False);
    XSetInputFocus(display, window_, RevertToParent, CurrentTime);
    paint();
}

X11EditField::~X11EditField() {
    connection_.removeSink(window_);
    pusher_.reset();
    Display* display = connection_.display();
    if (!owner_.gone()) {
        // Give the keyboard back to whoever had it, if it is still ours to give.
        ::Window focus = 0;
        int revert = 0;
        XGetInputFocus(display, &focus, &revert);
        if (focus == window_ && previousFocus_ > PointerRoot && !connection_.windowGone(previousFocus_))
            XSetInputFocus(display, previousFocus_, previousRevert_, CurrentTime);
        XDestroyWindow(display, window_);
    }
    XSync(display, False);
}

std::size_t X11EditField::text(char* out, std::size_t capacity) const {
    if (!out || capacity == 0)
        return 0;
    const std::string& text = editor_.text();
    const std::size_t n = std::min(text.size(), capacity - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return n;
}

int32_t X11EditField::widthOf(std::size_t characters) const {
    const std::string& text = editor_.text();
    return software::FontEngine::instance().measure(setup_.font, text.data(), std::min(characters, text.size())).width;
}

int32_t X11EditField::textStart() const {
    const int32_t room = pixels_.width() - 2 * margin_;
    const int32_t full = widthOf(editor_.text().size());
    if (full <= room) {
        scroll_ = 0;
        if (setup_.alignment == 0)
            return margin_;
        return setup_.alignment == 2 ? margin_ + room - full : margin_ + (room - full) / 2;
    }
    const int32_t caretX = widthOf(editor_.caret());
    if (caretX - scroll_ > room - 1)
        scroll_ = caretX - room + 1;
    if (caretX - scroll_ < 0)
        scroll_ = caretX;
    scroll_ = std::clamp(scroll_, 0, full - room + 1);
    return margin_ - scroll_;
}

void X11EditField::paint() {
    // The view's colours where it has them, else the panel's.
    ColorRef ink = popup::fieldInk, back = popup::fieldBack;
    if (WindowEvents* events = owner_.events()) {
        ColorRef t = ink, b = back;
        if (events->editFieldColors(t, b)) {
            ink = t;
            back = b;
        }
    }
    software::SoftDevice device(&pixels_);
    const Rect all{0, 0, pixels_.width(), pixels_.height()};
    device.selectBrush({false, back});
    device.fillRect(all);
    device.selectFont(setup_.font);
    device.setBkMode(bkTransparent);
    const std::string& text = editor_.text();
    const int32_t left = textStart();
    // Before, inside and after the selection; advances add up, so the pieces line up.
    const std::size_t cuts[4] = {0, editor_.selectionStart(), editor_.selectionEnd(), text.size()};
    for (int piece = 0; piece < 3; ++piece) {
        const std::size_t from = cuts[piece], to = cuts[piece + 1];
        if (to <= from)
            continue;
        const int32_t x = left + widthOf(from);
        device.setTextColor(piece == 1 ? popup::accentInk : ink);
        if (piece == 1) {
            device.selectBrush({false, popup::accent});
            device.fillRect({x, margin_, left + widthOf(to), pixels_.height() - margin_});
        }
        device.drawText(text.data() + from, to - from, {x, 0, pixels_.width(), pixels_.height()},
                        textLeft | textVCenter | textSingleLine | textNoPrefix);
    }
    if (!editor_.hasSelection()) {
        // The caret: a unit wide, two units short of the top and bottom.
        const int32_t x = left + widthOf(editor_.caret());
        device.selectBrush({false, ink});
        device.fillRect({x, 2 * margin_, x + margin_, pixels_.height() - 2 * margin_});
    }
    if (!owner_.gone())
        pusher_->put(window_, pixels_, all);
}

bool X11EditField::handleKey(XKeyEvent& key) {
    char buffer[32] = {};
    KeySym sym = 0;
    const int n = XLookupString(&key, buffer, sizeof buffer - 1, &sym, nullptr);
    const bool shift = (key.state & ShiftMask) != 0;
    switch (sym) {
    case XK_Return:
    case XK_KP_Enter:
        if (events_)
            events_->onEditReturn(); // this field is gone afterwards
        return false;
    case XK_BackSpace: editor_.backspace(); return true;
    case XK_Delete:
    case XK_KP_Delete: editor_.deleteForward(); return true;
    case XK_Left:
    case XK_KP_Left: editor_.move(LineEditor::Move::left, shift); return true;
    case XK_Right:
    case XK_KP_Right: editor_.move(LineEditor::Move::right, shift); return true;
    case XK_Home:
    case XK_KP_Home: editor_.move(LineEditor::Move::home, shift); return true;
    case XK_End:
    case XK_KP_End: editor_.move(LineEditor::Move::end, shift); return true;
    default: break;
    }
    if (key.state & ControlMask)
        return true;
    std::string typed;
    for (int i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(buffer[i]);
        if (c >= 0x20 && c != 0x7F)
            typed += char(c);
    }
    if (!typed.empty())
        editor_.type(typed);
    return true;
}

void X11EditField::handleEvent(XEvent& event) {
    switch (event.type) {
    case Expose:
        if (event.xexpose.count == 0)
            paint();
        break;
    case KeyPress:
        if (handleKey(event.xkey))
            paint();
        break;
    case ButtonPress: {
        // The caret goes to the character boundary nearest the click.
        const int32_t x = event.xbutton.x - textStart();
        std::size_t best = 0;
        for (std::size_t i = 0; i <= editor_.text().size(); ++i)
            if (std::abs(widthOf(i) - x) < std::abs(widthOf(best) - x))
                best = i;
        editor_.placeCaret(best);
        XSetInputFocus(connection_.display(), window_, RevertToParent, CurrentTime);
        paint();
        break;
    }
    case FocusOut:
        // Focus moving through grabs or into our own children is no loss.
        if (event.xfocus.mode == NotifyGrab || event.xfocus.mode == NotifyUngrab ||
            event.xfocus.detail == NotifyInferior || event.xfocus.detail == NotifyPointer)
            break;
        if (events_)
            events_->onEditFocusLost(); // this field is gone afterwards
        break;
    default: break;
    }
}

std::unique_ptr<EditField> X11EditFieldService::create(Window* owner, const EditFieldSetup& setup,
                                                       EditFieldEvents* events) {
    X11Window* window = platform_.windowOf(owner);
    if (!window || window->gone())
        return platform_.fallback().editFields().create(owner, setup, events);
    return std::make_unique<X11EditField>(*window, setup, events);
}

} // namespace zk::gui::platform::x11
