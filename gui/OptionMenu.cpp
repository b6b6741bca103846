#include "gui/OptionMenu.h"

#include "gui/Frame.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace zk::gui {

namespace {
constexpr int32_t entryGrowth = 32;
constexpr int32_t subMenuGrowth = 10;
constexpr int32_t columnLimit = 160;

bool startsWith(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }
} // namespace

OptionMenu::OptionMenu(const Rect& size, ControlListener* listener, int32_t tag, Bitmap* background,
                       Bitmap* pressedBitmap, int32_t style)
    : ParamDisplay(size, background, style), pressedBitmap_(pressedBitmap) {
    listener_ = listener;
    tag_ = tag;
    if (pressedBitmap_)
        pressedBitmap_->retain();
}

OptionMenu::~OptionMenu() {
    destroyMenus();
    clearEntries();
    if (pressedBitmap_)
        pressedBitmap_->release();
}

const char* OptionMenu::entry(int32_t index) const {
    return index < 0 || index >= entryCount_ ? nullptr : entries_[std::size_t(index)].data();
}

OptionMenu* OptionMenu::subMenu(int32_t index) const {
    return index < 0 || index >= subMenuCount_ ? nullptr : subMenus_[std::size_t(index)];
}

bool OptionMenu::selectable(const EntryText& text) {
    return std::strcmp(text.data(), "-") != 0 && !startsWith(text.data(), "-T");
}

bool OptionMenu::addEntry(const char* formatted, int32_t index) {
    if (entryCount_ >= maxEntries)
        return false;
    if (entryCount_ == entryCapacity_) {
        try {
            entries_.resize(std::size_t(entryCapacity_ + entryGrowth), EntryText{});
            checkFlags_.resize(std::size_t(entryCapacity_ + entryGrowth), 0);
        } catch (const std::bad_alloc&) {
            return false;
        }
        entryCapacity_ += entryGrowth;
    }
    int32_t at = entryCount_;
    if (index >= 0 && index < entryCount_) {
        at = index;
        // The texts move up; the check flags stay where they are.
        for (int32_t i = entryCount_; i > at; --i)
            entries_[std::size_t(i)] = entries_[std::size_t(i - 1)];
        if (current_ >= index)
            ++current_;
    }
    std::snprintf(entries_[std::size_t(at)].data(), textCapacity, "%s", formatted);
    ++entryCount_;
    return true;
}

bool OptionMenu::insertEntry(const char* text, int32_t index) {
    if (entryCount_ >= maxEntries)
        return false;
    if (!text)
        text = "";
    const int32_t position = (index >= 0 && index < entryCount_) ? index : entryCount_;
    char formatted[textCapacity];
    switch (numberPrefixWidth_) {
    case 2: std::snprintf(formatted, sizeof formatted, "%1d %s", position + 1, text); break;
    case 3: std::snprintf(formatted, sizeof formatted, "%02d %s", position + 1, text); break;
    case 4: std::snprintf(formatted, sizeof formatted, "%03d %s", position + 1, text); break;
    default: std::snprintf(formatted, sizeof formatted, "%s", text); break;
    }
    if (!addEntry(formatted, index))
        return false;
    if (current_ == -1)
        current_ = 0;
    return true;
}

bool OptionMenu::attachSubMenu(OptionMenu* menu, const char* title) {
    if (entryCount_ >= maxEntries || !menu || !title)
        return false;
    char formatted[textCapacity];
    switch (numberPrefixWidth_) {
    case 2: std::snprintf(formatted, sizeof formatted, "-M%1d %s", entryCount_ + 1, title); break;
    case 3: std::snprintf(formatted, sizeof formatted, "-M%02d %s", entryCount_ + 1, title); break;
    case 4: std::snprintf(formatted, sizeof formatted, "-M%03d %s", entryCount_ + 1, title); break;
    default: std::snprintf(formatted, sizeof formatted, "-M%s", title); break;
    }
    if (subMenuCount_ == subMenuCapacity_) {
        try {
            subMenus_.resize(std::size_t(subMenuCapacity_ + subMenuGrowth), nullptr);
        } catch (const std::bad_alloc&) {
            return false;
        }
        subMenuCapacity_ += subMenuGrowth;
    }
    if (!addEntry(formatted, -1))
        return false;
    subMenus_[std::size_t(subMenuCount_++)] = menu;
    menu->retain();
    return true;
}

int32_t OptionMenu::currentEntry(char* text, std::size_t capacity, bool countAll) const {
    if (current_ < 0 || current_ >= entryCount_)
        return -1;
    if (text && capacity > 0)
        std::snprintf(text, capacity, "%s", entries_[std::size_t(current_)].data());
    if (countAll)
        return current_;
    int32_t before = 0;
    for (int32_t i = 0; i < current_; ++i)
        if (selectable(entries_[std::size_t(i)]))
            ++before;
    return before;
}

bool OptionMenu::selectEntry(int32_t index, bool countAll) {
    if (index < 0 || index >= entryCount_)
        return false;
    if (countAll) {
        if (std::strcmp(entries_[std::size_t(index)].data(), "-") == 0)
            return false;
        current_ = index;
    } else {
        int32_t found = entryCount_ - 1;
        for (int32_t i = 0, seen = 0; i < entryCount_; ++i) {
            if (!selectable(entries_[std::size_t(i)]))
                continue;
            if (seen++ == index) {
                found = i;
                break;
            }
        }
        current_ = found;
    }
    setDirty(true);
    return true;
}

bool OptionMenu::entryText(int32_t index, char* text, std::size_t capacity) const {
    if (index < 0 || index >= entryCount_)
        return false;
    if (text && capacity > 0)
        std::snprintf(text, capacity, "%s", entries_[std::size_t(index)].data());
    return true;
}

bool OptionMenu::setEntryText(int32_t index, const char* text) {
    if (index < 0 || index >= entryCount_)
        return false;
    std::snprintf(entries_[std::size_t(index)].data(), textCapacity, "%s", text ? text : "");
    return true;
}

bool OptionMenu::deleteEntry(int32_t index) {
    if (index < 0 || index >= entryCount_)
        return false;
    for (int32_t i = index; i + 1 < entryCount_; ++i) {
        entries_[std::size_t(i)] = entries_[std::size_t(i + 1)];
        checkFlags_[std::size_t(i)] = checkFlags_[std::size_t(i + 1)];
    }
    --entryCount_;
    entries_[std::size_t(entryCount_)] = EntryText{};
    checkFlags_[std::size_t(entryCount_)] = 0;
    if (current_ >= index)
        --current_;
    if (entryCount_ == 0)
        current_ = -1;
    return true;
}

void OptionMenu::clearEntries() {
    for (int32_t i = 0; i < subMenuCount_; ++i)
        subMenus_[std::size_t(i)]->release();
    entries_.clear();
    checkFlags_.clear();
    subMenus_.clear();
    entryCount_ = 0;
    entryCapacity_ = 0;
    subMenuCount_ = 0;
    subMenuCapacity_ = 0;
    current_ = -1;
}

int32_t OptionMenu::findEntry(const char* text) const {
    if (!text)
        return -1;
    for (int32_t i = 0; i < entryCount_; ++i)
        if (std::strcmp(entries_[std::size_t(i)].data(), text) == 0)
            return i;
    return -1;
}

bool OptionMenu::setEntryChecked(int32_t index, bool checked) {
    if (index < 0 || index >= entryCount_)
        return false;
    checkFlags_[std::size_t(index)] = checked ? 1 : 0;
    return true;
}

bool OptionMenu::checkOnly(int32_t index) {
    if (index < 0 || index >= entryCount_)
        return false;
    for (int32_t i = 0; i < entryCount_; ++i)
        checkFlags_[std::size_t(i)] = 0;
    checkFlags_[std::size_t(index)] = 1;
    return true;
}

bool OptionMenu::isEntryChecked(int32_t index) const {
    return index >= 0 && index < entryCount_ && checkFlags_[std::size_t(index)] != 0;
}

void OptionMenu::setValue(float value) {
    const int32_t position = int32_t(value);
    if (position < 0 || position >= entryCount_)
        return;
    current_ = position;
    if (style_ & styleCheckEach)
        checkFlags_[std::size_t(position)] ^= 1;
    value_ = value;
    setDirty(true);
}

void OptionMenu::draw(DrawContext& context) {
    const char* text = nullptr;
    if (current_ >= 0 && current_ < entryCount_) {
        text = entries_[std::size_t(current_)].data();
        const std::size_t skip = numberPrefixWidth_ > 0 ? std::size_t(numberPrefixWidth_) : 0;
        text += std::min(skip, std::strlen(text));
    }
    drawText(context, text, nullptr);
}

void OptionMenu::onMouseDown(DrawContext* context, Point) {
    if (!clickable_ || !frame_ || !context)
        return;
    lastButtons_ = context->mouseButtons();
    if (!(lastButtons_ & (buttonLeft | buttonRight)))
        return;
    if (pressedBitmap_)
        drawText(*context, entry(current_), pressedBitmap_);
    frame_->moveFocus(this);
    gainFocus(context);
}

void OptionMenu::buildMenu(int32_t& nextId) {
    platform::MenuService& menus = platform::current().menus();
    popupMenu_ = menus.createPopupMenu();
    if (!popupMenu_)
        return;
    const int32_t start = nextId;
    nextId += entryCount_;
    int32_t appended = 0;
    int32_t nextSubMenu = 0;
    for (int32_t i = 0; i < entryCount_; ++i) {
        const char* text = entries_[std::size_t(i)].data();
        const int32_t id = start + i;
        if (std::strcmp(text, "-") == 0) {
            popupMenu_->appendSeparator();
            ++appended;
            continue;
        }
        uint32_t flags = 0;
        if (entryCount_ < columnLimit && itemsPerColumn_ >= 1 && appended > 0 && appended % itemsPerColumn_ == 0)
            flags |= platform::menuBarBreak;
        if (startsWith(text, "-M") && nextSubMenu < subMenuCount_) {
            OptionMenu* sub = subMenus_[std::size_t(nextSubMenu++)];
            sub->buildMenu(nextId);
            if (sub->popupMenu_)
                popupMenu_->appendSubMenu(flags | platform::menuPopup, *sub->popupMenu_, text + 2);
            ++appended;
            continue;
        }
        if (startsWith(text, "-G")) {
            flags |= platform::menuGrayed;
            text += 2;
        } else if (startsWith(text, "-T")) {
            flags |= platform::menuDisabled;
            text += 2;
        } else if (startsWith(text, "-M")) {
            text += 2; // a sub-menu entry without its menu shows as a plain entry
        } else if (style_ & styleCheckEach) {
            if (checkFlags_[std::size_t(i)])
                flags |= platform::menuChecked;
        } else if ((style_ & styleCheckCurrent) && i == current_) {
            flags |= platform::menuChecked;
        }
        popupMenu_->appendItem(flags, id, text);
        ++appended;
    }
}

void OptionMenu::destroyMenus() {
    for (int32_t i = 0; i < subMenuCount_; ++i)
        subMenus_[std::size_t(i)]->destroyMenus();
    popupMenu_.reset();
}

OptionMenu* OptionMenu::findOwner(int32_t commandId, int32_t& nextId, int32_t& position) {
    const int32_t start = nextId;
    nextId += entryCount_;
    if (commandId >= start && commandId < start + entryCount_) {
        position = commandId - start;
        return this;
    }
    int32_t nextSubMenu = 0;
    for (int32_t i = 0; i < entryCount_ && nextSubMenu < subMenuCount_; ++i) {
        if (!startsWith(entries_[std::size_t(i)].data(), "-M"))
            continue;
        if (OptionMenu* owner = subMenus_[std::size_t(nextSubMenu++)]->findOwner(commandId, nextId, position))
            return owner;
    }
    return nullptr;
}

void OptionMenu::gainFocus(DrawContext* context) {
    if (!frame_)
        return;
    lastResult_ = -1;
    lastMenu_ = nullptr;
    platform::Window* window = frame_->platformWindow();
    const Point origin = context ? context->windowOrigin() : window ? window->screenOrigin() : Point{};

    int32_t nextId = 0;
    buildMenu(nextId);
    int32_t result = -1;
    if (popupMenu_) {
        const int32_t y = (style_ & stylePopupAtTop) ? size_.top : size_.bottom;
        const int32_t chosen = platform::current().menus().track(
            *popupMenu_, (lastButtons_ & buttonRight) != 0, {origin.h + size_.left, origin.v + y}, window);
        if (chosen >= 0 && chosen < nextId) {
            result = chosen;
            lastResult_ = result;
        }
    }
    destroyMenus();
    frame_->clearFocusView();

    if (result < 0 && !pressedBitmap_)
        return;
    std::unique_ptr<platform::Device> device;
    std::unique_ptr<DrawContext> temporary;
    if (!context) {
        device = window ? window->acquireDevice() : nullptr;
        temporary = std::make_unique<DrawContext>(frame_, device.get(), window);
        context = temporary.get();
    }
    if (pressedBitmap_)
        setDirty(true);
    if (result >= 0) {
        int32_t start = 0, position = 0;
        if (OptionMenu* owner = findOwner(result, start, position)) {
            lastMenu_ = owner;
            owner->setValue(float(position));
            if (listener_)
                listener_->valueChanged(context, owner);
        }
    }
}

void OptionMenu::loseFocus(DrawContext*) { popupMenu_.reset(); }

} // namespace zk::gui
