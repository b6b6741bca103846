#include "gui/platform/x11/X11Menus.h"

#include "gui/platform/x11/X11Platform.h"
#include "gui/platform/x11/X11Window.h"

#include <X11/Xatom.h>
#include <X11/keysym.h>
#include <poll.h>

#include <cstdlib>

namespace zk::gui::platform::x11 {

std::atomic<int32_t> X11MenuService::openLevels_{0};

namespace {

// Copies a menu tree into menus of another service.
void copyInto(const MenuModel& model, PopupMenu& target, MenuService& service,
              std::vector<std::unique_ptr<PopupMenu>>& keep) {
    for (const MenuItem& item : model.items) {
        if (item.flags & menuSeparator) {
            target.appendSeparator();
        } else if (item.subMenu) {
            keep.push_back(service.createPopupMenu());
            PopupMenu& sub = *keep.back();
            copyInto(*item.subMenu, sub, service, keep);
            target.appendSubMenu(item.flags & ~menuPopup, sub, item.text.c_str());
        } else {
            target.appendItem(item.flags, item.commandId, item.text.c_str());
        }
    }
}

} // namespace

class MenuTracker {
public:
    MenuTracker(X11Window& owner, const MenuModel& menu, bool rightButton)
        : owner_(owner), connection_(owner.connection()), display_(connection_.display()),
          rightButton_(rightButton), top_(menu) {}
    ~MenuTracker() {
        while (!levels_.empty())
            closeDeepest();
        XUngrabPointer(display_, CurrentTime);
        XUngrabKeyboard(display_, CurrentTime);
        XSync(display_, False);
    }

    int32_t run(Point screen) {
        openLevel(top_, screen, nullptr);
        grab();
        while (!done_) {
            if (owner_.gone()) {
                // The host took the panel away: the menu goes with it, and nothing chosen counts.
                result_ = -1;
                break;
            }
            XEvent event;
            if (XPending(display_) > 0) {
                XNextEvent(display_, &event);
                handle(event);
                continue;
            }
            flushAll();
            if (!grabbed_)
                grab();
            pollfd fd{ConnectionNumber(display_), POLLIN, 0};
            poll(&fd, 1, grabbed_ ? 200 : 20);
        }
        return result_;
    }

private:
    struct Level {
        const MenuModel* menu;
        MenuLayout layout;
        ::Window window = 0;
        Point origin;
        int32_t highlighted = -1;
        int32_t openedItem = -1; // the item whose sub-menu is the next level
        software::SoftPixmap pixels;
        std::unique_ptr<ImagePusher> pusher;
        bool dirty = true;
        Level(const MenuModel& m, float scale)
            : menu(&m), layout(m, scale), pixels(std::max(layout.width(), 1), std::max(layout.height(), 1), false) {}
    };

    void openLevel(const MenuModel& menu, Point at, const Rect* besideItem) {
        auto level = std::make_unique<Level>(menu, owner_.contentScale());
        const int screen = DefaultScreen(display_);
        const int32_t sw = DisplayWidth(display_, screen), sh = DisplayHeight(display_, screen);
        const int32_t w = level->layout.width(), h = level->layout.height();
        Point p = at;
        if (besideItem) {
            // To the right of the item, or to its left when there is no room.
            p = {besideItem->right - 2, besideItem->top - level->layout.metrics().border};
            if (p.h + w > sw)
                p.h = besideItem->left - w + 2;
        } else if (p.h + w > sw) {
            p.h = at.h - w;
        }
        if (p.v + h > sh)
            p.v = besideItem ? sh - h : at.v - h;
        p = {std::max(p.h, 0), std::max(p.v, 0)};
        level->origin = p;

        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.save_under = True;
        attributes.background_pixmap = None;
        attributes.border_pixel = 0;
        attributes.colormap = DefaultColormap(display_, screen);
        attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;
        level->window = XCreateWindow(display_, connection_.root(), p.h, p.v, unsigned(w), unsigned(h), 0,
                                      DefaultDepth(display_, screen), InputOutput, DefaultVisual(display_, screen),
                                      CWOverrideRedirect | CWSaveUnder | CWBackPixmap | CWBorderPixel | CWColormap |
                                          CWEventMask,
                                      &attributes);
        const Atom type = XInternAtom(display_, "_NET_WM_WINDOW_TYPE", False);
        Atom popup = XInternAtom(display_, "_NET_WM_WINDOW_TYPE_POPUP_MENU", False);
        XChangeProperty(display_, level->window, type, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&popup), 1);
        level->pusher = std::make_unique<ImagePusher>(connection_, w, h);
        XMapRaised(display_, level->window);
        levels_.push_back(std::move(level));
        ++X11MenuService::openLevels_;
        paint(*levels_.back());
    }

    void closeDeepest() {
        Level& level = *levels_.back();
        level.pusher.reset();
        XDestroyWindow(display_, level.window);
        levels_.pop_back();
        --X11MenuService::openLevels_;
        if (!levels_.empty()) {
            levels_.back()->openedItem = -1;
            levels_.back()->dirty = true;
        }
        XFlush(display_);
    }

    void grab() {
        if (levels_.empty())
            return;
        const ::Window window = levels_.front()->window;
        // The press that opened the menu holds an implicit grab of ours, which this takes over.
        const int pointer = XGrabPointer(display_, window, False,
                                         ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                                         GrabModeAsync, None, None, CurrentTime);
        const int keyboard = XGrabKeyboard(display_, window, False, GrabModeAsync, GrabModeAsync, CurrentTime);
        grabbed_ = pointer == GrabSuccess && keyboard == GrabSuccess;
    }

    void paint(Level& level) {
        level.layout.paint(level.pixels, level.highlighted);
        level.pusher->put(level.window, level.pixels, {0, 0, level.layout.width(), level.layout.height()});
        level.dirty = false;
    }

    void flushAll() {
        for (auto& level : levels_)
            if (level->dirty)
                paint(*level);
    }

    // The deepest level under a screen point and the item there.
    int32_t levelAt(Point screen, int32_t& item) const {
        for (int32_t i = int32_t(levels_.size()) - 1; i >= 0; --i) {
            const Level& level = *levels_[std::size_t(i)];
            const Point local{screen.h - level.origin.h, screen.v - level.origin.v};
            if (local.h >= 0 && local.v >= 0 && local.h < level.layout.width() && local.v < level.layout.height()) {
                item = level.layout.itemAt(local);
                return i;
            }
        }
        item = -1;
        return -1;
    }

    void highlight(std::size_t depth, int32_t item) {
        while (levels_.size() > depth + 1 && levels_[depth]->openedItem != item)
            closeDeepest();
        Level& level = *levels_[depth];
        if (level.highlighted != item) {
            level.highlighted = item;
            level.dirty = true;
        }
    }

    // Opens the sub-menu of the highlighted item of the deepest level, if it has one.
    bool openSubMenu(bool selectFirst) {
        Level& level = *levels_.back();
        if (level.highlighted < 0)
            return false;
        const MenuItem& item = level.menu->items[std::size_t(level.highlighted)];
        if (!item.subMenu || (item.flags & (menuGrayed | menuDisabled)))
            return false;
        const Rect r = level.layout.itemRect(std::size_t(level.highlighted)).offsetBy(level.origin.h, level.origin.v);
        level.openedItem = level.highlighted;
        openLevel(*item.subMenu, {}, &r);
        if (selectFirst) {
            levels_.back()->highlighted = levels_.back()->layout.nextItem(-1, 1);
            levels_.back()->dirty = true;
        }
        return true;
    }

    void choose(const Level& level, int32_t item) {
        const MenuItem& entry = level.menu->items[std::size_t(item)];
        if (!MenuLayout::choosable(entry))
            return;
        result_ = entry.commandId;
        done_ = true;
    }

    bool isMenuWindow(::Window window) const {
        for (const auto& level : levels_)
            if (level->window == window)
                return true;
        return false;
    }

    void handle(XEvent& event) {
        if (!isMenuWindow(event.xany.window)) {
            // The panel keeps being painted; its input waits for the menu to go.
            if (event.type == Expose || event.type == DestroyNotify)
                connection_.dispatch(event);
            return;
        }
        switch (event.type) {
        case Expose:
            for (auto& level : levels_)
                if (level->window == event.xexpose.window && event.xexpose.count == 0)
                    level->dirty = true;
            break;
        case MotionNotify: {
            const Point p{event.xmotion.x_root, event.xmotion.y_root};
            if (!moved_ && (std::abs(p.h - start_.h) > 2 || std::abs(p.v - start_.v) > 2))
                moved_ = true;
            int32_t item = -1;
            const int32_t depth = levelAt(p, item);
            if (depth < 0)
                break;
            highlight(std::size_t(depth), item);
            if (std::size_t(depth) + 1 == levels_.size())
                openSubMenu(false);
            break;
        }
        case ButtonPress: {
            int32_t item = -1;
            if (levelAt({event.xbutton.x_root, event.xbutton.y_root}, item) < 0) {
                done_ = true; // a click outside every level dismisses the menu
                break;
            }
            pressedInside_ = true;
            break;
        }
        case ButtonRelease: {
            const unsigned button = event.xbutton.button;
            if (button != 1 && !(rightButton_ && button == 3))
                break;
            // The release of the press that opened the menu, where it opened, chooses nothing.
            if (!moved_ && !pressedInside_)
                break;
            int32_t item = -1;
            const int32_t depth = levelAt({event.xbutton.x_root, event.xbutton.y_root}, item);
            if (depth >= 0 && item >= 0)
                choose(*levels_[std::size_t(depth)], item);
            break;
        }
        case KeyPress: handleKey(XLookupKeysym(&event.xkey, 0)); break;
        default: break;
        }
    }

    void handleKey(KeySym key) {
        Level& level = *levels_.back();
        switch (key) {
        case XK_Up:
        case XK_Down:
            level.highlighted = level.layout.nextItem(level.highlighted, key == XK_Down ? 1 : -1);
            level.dirty = true;
            break;
        case XK_Right: openSubMenu(true); break;
        case XK_Left:
            if (levels_.size() > 1)
                closeDeepest();
            break;
        case XK_Escape:
            if (levels_.size() > 1)
                closeDeepest();
            else
                done_ = true;
            break;
        case XK_Return:
        case XK_KP_Enter:
        case XK_space:
            if (level.highlighted >= 0 && !openSubMenu(true))
                choose(level, level.highlighted);
            break;
        default: break;
        }
    }

public:
    void setStart(Point p) { start_ = p; }

private:
    X11Window& owner_;
    Connection& connection_;
    Display* display_;
    bool rightButton_;
    const MenuModel& top_;
    std::vector<std::unique_ptr<Level>> levels_;
    bool grabbed_ = false;
    bool done_ = false;
    bool moved_ = false;
    bool pressedInside_ = false;
    Point start_;
    int32_t result_ = -1;
};

int32_t X11MenuService::track(PopupMenu& menu, bool rightButton, Point screen, Window* owner) {
    auto* ours = dynamic_cast<X11PopupMenu*>(&menu);
    X11Window* window = platform_.windowOf(owner);
    if (!ours)
        return -1;
    if (!window || window->gone()) {
        MenuService& other = platform_.fallback().menus();
        std::unique_ptr<PopupMenu> copy = other.createPopupMenu();
        std::vector<std::unique_ptr<PopupMenu>> subMenus;
        copyInto(ours->model(), *copy, other, subMenus);
        return other.track(*copy, rightButton, screen, owner);
    }
    window->flush(); // the pressed look of the control shows under the menu
    MenuTracker tracker(*window, ours->model(), rightButton);
    tracker.setStart(platform_.cursorPosition());
    return tracker.run(screen);
}

} // namespace zk::gui::platform::x11
