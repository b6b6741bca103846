#pragma once

#include "gui/ParamDisplay.h"

#include <memory>

namespace zk::gui {

using TextToDisplay = void (*)(const char* text, char* display, std::size_t capacity);
using TextToDisplayWithData = void (*)(const char* text, char* display, std::size_t capacity, void* userData);

// A text display that, clicked, opens a single-line edit field over itself and reports the
// typed text once the edit ends (Return, loss of focus, or a click anywhere on the panel).
class TextEdit : public ParamDisplay, private platform::EditFieldEvents {
public:
    static constexpr std::size_t maxTextLength = textCapacity - 1;

    TextEdit(const Rect& size, ControlListener* listener, int32_t tag, const char* text,
             Bitmap* background, int32_t style);
    ~TextEdit() override;

    void draw(DrawContext& context) override;
    void onMouseDown(DrawContext* context, Point where) override;
    void loseFocus(DrawContext* context) override;
    void gainFocus(DrawContext* context) override;

    virtual void setText(const char* text);
    virtual void getText(char* text, std::size_t capacity) const;
    virtual void setTextToDisplayWithData(TextToDisplayWithData function, void* userData);
    virtual void setTextToDisplay(TextToDisplay function);

    const char* text() const { return text_; }
    bool editing() const { return editWindow_ != nullptr; }
    bool returnPressed() const { return returnPressed_; }

private:
    void onEditReturn() override;
    void onEditFocusLost() override;

    std::unique_ptr<platform::EditField> editWindow_;
    bool returnPressed_ = false;
    platform::FontDesc editFont_{};
    char text_[textCapacity] = {};
    TextToDisplay textToDisplay_ = nullptr;
    TextToDisplayWithData textToDisplayWithData_ = nullptr;
    void* displayData_ = nullptr;
};

} // namespace zk::gui
