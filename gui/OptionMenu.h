#pragma once

#include "gui/ParamDisplay.h"

#include <array>
#include <memory>
#include <vector>

namespace zk::gui {

// A display that, clicked, pops up a menu of its text entries and reports the chosen one.
// Entry conventions: "-" is a separator, "-M" + title stands for the next sub-menu, "-G"
// greys an entry out, "-T" makes it a disabled title.
class OptionMenu : public ParamDisplay {
public:
    static constexpr int32_t maxEntries = 1024;
    static constexpr std::size_t maxEntryLength = textCapacity - 1;

    OptionMenu(const Rect& size, ControlListener* listener, int32_t tag, Bitmap* background,
               Bitmap* pressedBitmap, int32_t style);
    ~OptionMenu() override;

    void draw(DrawContext& context) override;
    void onMouseDown(DrawContext* context, Point where) override;
    void loseFocus(DrawContext* context) override;
    void gainFocus(DrawContext* context) override;
    void setValue(float value) override;

    virtual bool insertEntry(const char* text, int32_t index = -1);
    virtual bool attachSubMenu(OptionMenu* menu, const char* title);
    // The current entry's index (all entries counted, or only selectable ones), -1 for none.
    virtual int32_t currentEntry(char* text, std::size_t capacity, bool countAll = true) const;
    virtual bool selectEntry(int32_t index, bool countAll = true);
    virtual bool entryText(int32_t index, char* text, std::size_t capacity) const;
    virtual bool setEntryText(int32_t index, const char* text);
    virtual bool deleteEntry(int32_t index);
    virtual void clearEntries();
    virtual int32_t getEntryCount() const { return entryCount_; }
    virtual int32_t findEntry(const char* text) const;
    virtual bool setEntryChecked(int32_t index, bool checked);
    virtual bool checkOnly(int32_t index);
    virtual bool isEntryChecked(int32_t index) const;
    virtual void setItemsPerColumn(int32_t count) { itemsPerColumn_ = count; }
    virtual int32_t getItemsPerColumn() const { return itemsPerColumn_; }
    virtual void* getItemDrawer() const { return itemDrawer_; }
    virtual void setNumberPrefixWidth(int32_t width) { numberPrefixWidth_ = width; }

    const char* entry(int32_t index) const;
    int32_t current() const { return current_; }
    int32_t subMenuCount() const { return subMenuCount_; }
    OptionMenu* subMenu(int32_t index) const;
    int32_t entryCapacity() const { return entryCapacity_; }
    int32_t subMenuCapacity() const { return subMenuCapacity_; }
    int32_t lastResult() const { return lastResult_; }
    OptionMenu* lastMenu() const { return lastMenu_; }
    int32_t lastButtons() const { return lastButtons_; }

private:
    using EntryText = std::array<char, textCapacity>;
    bool addEntry(const char* formatted, int32_t index);
    static bool selectable(const EntryText& text);
    // Builds the native menu with ids from nextId on; false when the platform failed.
    void buildMenu(int32_t& nextId);
    void destroyMenus();
    // The menu owning a command id and the entry's position in it.
    OptionMenu* findOwner(int32_t commandId, int32_t& nextId, int32_t& position);

    std::unique_ptr<platform::PopupMenu> popupMenu_;
    std::vector<EntryText> entries_;
    std::vector<OptionMenu*> subMenus_;
    std::vector<uint8_t> checkFlags_;
    int32_t entryCount_ = 0;
    int32_t subMenuCount_ = 0;
    int32_t current_ = -1;
    Bitmap* pressedBitmap_;
    int32_t lastButtons_ = buttonRight;
    int32_t itemsPerColumn_ = -1;
    int32_t entryCapacity_ = 0;
    int32_t subMenuCapacity_ = 0;
    int32_t lastResult_ = -1;
    int32_t numberPrefixWidth_ = 0;
    OptionMenu* lastMenu_ = nullptr;
    void* itemDrawer_ = nullptr;
};

} // namespace zk::gui
