#include "gui/platform/software/SoftwarePlatform.h"

#include "gui/platform/software/ModuleBitmaps.h"
#include "gui/platform/software/ScaledPictures.h"

#include <algorithm>
#include <cstring>

namespace zk::gui::platform::software {

// ---- input

void ScriptedInput::set(const InputState& state) {
    state_ = state;
    queue_.clear();
}

void ScriptedInput::queue(const std::vector<InputState>& states) {
    queue_.insert(queue_.end(), states.begin(), states.end());
}

bool ScriptedInput::keyDown(Key key) const {
    switch (key) {
    case Key::leftButton: return (state_.buttons & 1) != 0;
    case Key::middleButton: return (state_.buttons & 2) != 0;
    case Key::rightButton: return (state_.buttons & 4) != 0;
    case Key::shift: return (state_.buttons & 8) != 0;
    case Key::control: return (state_.buttons & 16) != 0;
    case Key::alt: return (state_.buttons & 32) != 0;
    }
    return false;
}

bool ScriptedInput::takeNext(InputState& next) {
    if (queue_.empty())
        return false;
    next = queue_.front();
    queue_.pop_front();
    return true;
}

Point ScriptedInput::readCursor() {
    ++cursorReads_;
    if (!queue_.empty()) {
        state_ = queue_.front();
        queue_.pop_front();
    } else {
        state_.buttons &= ~7;
    }
    return state_.cursor;
}

// ---- windows

SoftwareWindow::SoftwareWindow(SoftwarePlatform* platform, const Rect& rect, Point screenOrigin,
                               WindowEvents* events, std::string className)
    : platform_(platform), pixels_(rect.width(), rect.height(), false, 0xF0F0F0),
      origin_(screenOrigin), events_(events), className_(std::move(className)) {
    platform_->windows_.push_back(this);
}

SoftwareWindow::~SoftwareWindow() {
    if (!destroyed_ && events_)
        events_->onDestroy();
    auto& list = platform_->windows_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

std::unique_ptr<Device> SoftwareWindow::acquireDevice() { return std::make_unique<SoftDevice>(&pixels_); }

bool SoftwareWindow::registerDropTarget(DropTarget* target) {
    dropTarget_ = target;
    return true;
}

void SoftwareWindow::paint(const Rect& updateRect) {
    if (!events_ || destroyed_ || updateRect.width() <= 0 || updateRect.height() <= 0)
        return;
    SoftDevice device(&pixels_);
    events_->onPaint(device, updateRect);
}

void SoftwareWindow::buttonDown(int32_t button, Point where) {
    if (events_ && !destroyed_)
        events_->onButtonDown(button, where);
}

void SoftwareWindow::scaleChanged(float scale) {
    systemScale_ = scale;
    if (events_ && !destroyed_)
        events_->onScaleChanged(scale);
}

bool SoftwareWindow::resize(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0)
        return false;
    pixels_ = SoftPixmap(width, height, false, 0xF0F0F0);
    return true;
}

void SoftwareWindow::processEvents() {
    std::vector<std::function<void()>> events;
    events.swap(atIdle_);
    for (auto& event : events)
        event();
}

void SoftwareWindow::buttonUp(int32_t button, Point where) {
    if (events_ && !destroyed_)
        events_->onButtonUp(button, where);
}

void SoftwareWindow::pointerMove(Point where) {
    if (events_ && !destroyed_)
        events_->onPointerMove(where);
}

void SoftwareWindow::pointerLeave() {
    if (events_ && !destroyed_)
        events_->onPointerLeave();
}

void SoftwareWindow::destroyedByHost() {
    if (destroyed_)
        return;
    destroyed_ = true;
    if (events_)
        events_->onDestroy();
}

bool SoftwareWindow::drop(int32_t count, DropKind kind, const char* const* items, Point where) {
    return dropTarget_ && dropTarget_->onDrop(count, kind, items, where);
}

// ---- menus

class SoftPopupMenu final : public PopupMenu {
public:
    explicit SoftPopupMenu(SoftwareMenuService& service) : service_(service) { ++service_.liveMenus_; }
    ~SoftPopupMenu() override { --service_.liveMenus_; }

    void appendSeparator() override { items_.push_back({menuSeparator, 0, {}, nullptr}); }
    void appendItem(uint32_t flags, int32_t commandId, const char* text) override {
        items_.push_back({flags, commandId, text ? text : "", nullptr});
    }
    void appendSubMenu(uint32_t flags, PopupMenu& subMenu, const char* text) override {
        items_.push_back({flags | menuPopup, 0, text ? text : "", dynamic_cast<SoftPopupMenu*>(&subMenu)});
    }

    std::vector<MenuItemRecord> record() const {
        std::vector<MenuItemRecord> out;
        for (const Item& item : items_) {
            MenuItemRecord r{item.flags, item.commandId, item.text, {}};
            if (item.sub)
                r.subMenu = item.sub->record();
            out.push_back(std::move(r));
        }
        return out;
    }

private:
    struct Item {
        uint32_t flags;
        int32_t commandId;
        std::string text;
        SoftPopupMenu* sub;
    };
    SoftwareMenuService& service_;
    std::vector<Item> items_;
};

std::unique_ptr<PopupMenu> SoftwareMenuService::createPopupMenu() {
    return std::make_unique<SoftPopupMenu>(*this);
}

int32_t SoftwareMenuService::track(PopupMenu& menu, bool rightButton, Point screen, Window*) {
    auto* soft = dynamic_cast<SoftPopupMenu*>(&menu);
    showings_.push_back({soft ? soft->record() : std::vector<MenuItemRecord>{}, rightButton, screen});
    if (answers_.empty())
        return -1;
    const int32_t answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void SoftwareMenuService::reset() {
    answers_.clear();
    showings_.clear();
}

// ---- edit fields

std::unique_ptr<EditField> SoftwareEditFieldService::create(Window* owner, const EditFieldSetup& setup,
                                                            EditFieldEvents* events) {
    ++created_;
    return std::make_unique<SoftwareEditField>(*this, owner, setup, events);
}

SoftwareEditField::SoftwareEditField(SoftwareEditFieldService& service, Window* owner,
                                     const EditFieldSetup& setup, EditFieldEvents* events)
    : service_(service), owner_(owner), setup_(setup), events_(events),
      text_(setup.text ? setup.text : ""), initialText_(text_) {
    if (setup_.limit >= 0 && text_.size() > std::size_t(setup_.limit))
        text_.resize(std::size_t(setup_.limit));
    setup_.text = initialText_.c_str();
    service_.open_.push_back(this);
}

SoftwareEditField::~SoftwareEditField() {
    auto& open = service_.open_;
    open.erase(std::remove(open.begin(), open.end(), this), open.end());
}

std::size_t SoftwareEditField::text(char* out, std::size_t capacity) const {
    if (!out || capacity == 0)
        return 0;
    const std::size_t n = std::min(text_.size(), capacity - 1);
    std::memcpy(out, text_.data(), n);
    out[n] = '\0';
    return n;
}

void SoftwareEditField::type(const std::string& text) {
    if (selectedAll_)
        text_.clear();
    selectedAll_ = false;
    text_ += text;
    if (setup_.limit >= 0 && text_.size() > std::size_t(setup_.limit))
        text_.resize(std::size_t(setup_.limit));
}

// The events may destroy this field; nothing is touched after them.
void SoftwareEditField::pressReturn() {
    if (events_)
        events_->onEditReturn();
}

void SoftwareEditField::loseFocus() {
    if (events_)
        events_->onEditFocusLost();
}

bool SoftwareEditField::colors(ColorRef& text, ColorRef& back) const {
    auto* window = dynamic_cast<SoftwareWindow*>(owner_);
    return window && window->events() && window->events()->editFieldColors(text, back);
}

// ---- platform

SoftwarePlatform::SoftwarePlatform() = default;
SoftwarePlatform::~SoftwarePlatform() = default;

std::unique_ptr<Device> SoftwarePlatform::createMemoryDevice(Device*) {
    return std::make_unique<SoftDevice>(nullptr);
}

std::unique_ptr<Pixmap> SoftwarePlatform::createCompatiblePixmap(Device*, int32_t w, int32_t h) {
    return std::make_unique<SoftPixmap>(w, h, false, 0);
}

// A fresh mask is all 1 (key), so that a part a copy does not reach stays transparent.
std::unique_ptr<Pixmap> SoftwarePlatform::createMonochromePixmap(int32_t w, int32_t h) {
    return std::make_unique<SoftPixmap>(w, h, true, 1);
}

std::unique_ptr<Pixmap> SoftwarePlatform::loadBitmap(int32_t resourceId) {
    // A registered bitmap wins over the module's own picture of that id.
    const auto found = bitmaps_.find(resourceId);
    if (found == bitmaps_.end())
        return loadModuleBitmap(resourceId);
    auto pixmap = std::make_unique<SoftPixmap>(found->second.width, found->second.height, false, 0);
    pixmap->pixels() = found->second.pixels;
    return pixmap;
}

bool SoftwarePlatform::hasScaledBitmaps() { return pictureDrawer() != nullptr; }

std::unique_ptr<Pixmap> SoftwarePlatform::loadScaledBitmap(int32_t resourceId, float scale) {
    const PictureDrawer drawer = pictureDrawer();
    return drawer ? drawer(resourceId, scale) : nullptr;
}

void SoftwarePlatform::registerBitmap(int32_t resourceId, int32_t width, int32_t height,
                                      std::vector<ColorRef> pixels) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    pixels.resize(std::size_t(width) * std::size_t(height), 0);
    for (ColorRef& p : pixels)
        p &= 0xFFFFFF;
    bitmaps_[resourceId] = {width, height, std::move(pixels)};
}

bool SoftwarePlatform::registerWindowClass(const char* name) {
    if (!name)
        return false;
    ++classRegistrations_;
    ++classes_[name];
    return true;
}

void SoftwarePlatform::unregisterWindowClass(const char* name) {
    if (!name)
        return;
    ++classUnregistrations_;
    classes_.erase(name);
}

std::unique_ptr<Window> SoftwarePlatform::createChildWindow(void* parent, const char* className,
                                                            const char*, const Rect& rect,
                                                            WindowEvents* events) {
    if (!parent || !className || windowCreationFails_ || !classes_.count(className))
        return nullptr;
    auto window = std::make_unique<SoftwareWindow>(this, rect, newWindowOrigin_, events, className);
    window->setSystemScale(newWindowScale_);
    return window;
}

void* SoftwarePlatform::moduleInstance() {
    static char instance;
    return &instance;
}

void SoftwarePlatform::press(SoftwareWindow& window, Point where, int32_t buttons,
                             const std::vector<InputState>& then) {
    const Point origin = window.screenOrigin();
    input_.set({{origin.h + where.h, origin.v + where.v}, buttons, input_.state().ticks});
    input_.queue(then);
    const int32_t button = (buttons & 1) ? 1 : (buttons & 4) ? 4 : 2;
    window.buttonDown(button, where);
    // What follows comes as a system sends it: the moves while the button is held, then its
    // release, at the first state without it or, once the script ends, where the pointer is.
    // Each state is the key state while its event is handled.
    auto stillOpen = [&] { return std::find(windows_.begin(), windows_.end(), &window) != windows_.end(); };
    while (stillOpen()) {
        InputState next = input_.state();
        const bool scripted = input_.takeNext(next);
        if (!scripted)
            next.buttons &= ~7;
        input_.setCurrent(next);
        const Point local{next.cursor.h - origin.h, next.cursor.v - origin.v};
        if (!(next.buttons & button)) {
            window.buttonUp(button, local);
            return;
        }
        window.pointerMove(local);
    }
}

SoftwarePlatform& defaultPlatform() {
    static SoftwarePlatform platform;
    return platform;
}

} // namespace zk::gui::platform::software

namespace zk::gui::platform {
Platform& builtInPlatform() { return software::defaultPlatform(); }
} // namespace zk::gui::platform
