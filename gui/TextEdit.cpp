#include "gui/TextEdit.h"

#include "gui/Frame.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace zk::gui {

TextEdit::TextEdit(const Rect& size, ControlListener* listener, int32_t tag, const char* text,
                   Bitmap* background, int32_t style)
    : ParamDisplay(size, background, style) {
    listener_ = listener;
    tag_ = tag;
    std::snprintf(text_, sizeof text_, "%s", text ? text : "");
}

TextEdit::~TextEdit() = default;

void TextEdit::draw(DrawContext& context) {
    if (!editWindow_) {
        char display[textCapacity] = {};
        if (textToDisplayWithData_)
            textToDisplayWithData_(text_, display, sizeof display, displayData_);
        else if (textToDisplay_)
            textToDisplay_(text_, display, sizeof display);
        else
            std::snprintf(display, sizeof display, "%s", text_);
        display[sizeof display - 1] = '\0';
        drawText(context, display, nullptr);
    }
    setDirty(false);
}

void TextEdit::setText(const char* text) {
    if (!text)
        return;
    char copy[textCapacity];
    std::snprintf(copy, sizeof copy, "%s", text);
    if (std::strcmp(copy, text_) != 0) {
        std::memcpy(text_, copy, sizeof text_);
        setDirty(true);
    }
}

void TextEdit::getText(char* text, std::size_t capacity) const {
    if (text && capacity > 0)
        std::snprintf(text, capacity, "%s", text_);
}

void TextEdit::setTextToDisplayWithData(TextToDisplayWithData function, void* userData) {
    textToDisplayWithData_ = function;
    displayData_ = userData;
}

void TextEdit::setTextToDisplay(TextToDisplay function) { textToDisplay_ = function; }

void TextEdit::onMouseDown(DrawContext* context, Point) {
    if (!context || !clickable_ || !(context->mouseButtons() & buttonLeft))
        return;
    if (frame_ && frame_->focusView() == this)
        return;
    if ((style_ & styleDoubleClick) && !isDoubleClick())
        return;
    if (frame_)
        frame_->moveFocus(this);
    gainFocus(context);
}

void TextEdit::gainFocus(DrawContext* context) {
    if (editWindow_)
        return;
    returnPressed_ = false;
    Rect where = size_;
    if (context)
        where = where.offsetBy(context->offset().h, context->offset().v);

    const int32_t id = fontId_ >= 0 && fontId_ < fontCount ? fontId_ : 0;
    editFont_ = {};
    const int32_t height = frame_ ? frame_->scaled(fontTable[id].defaultHeight) : fontTable[id].defaultHeight;
    editFont_.height = -std::min(height, size_.height() - 2);
    editFont_.weight = 400;
    editFont_.family = platform::FontFamily::sans;
    editFont_.pitch = platform::FontPitch::variable;
    std::snprintf(editFont_.faceName, sizeof editFont_.faceName, "%s", fontTable[id].face);

    platform::EditFieldSetup setup;
    setup.rect = {where.left, where.top, where.right + 1, where.bottom + 1};
    setup.alignment = horizontalAlign_ == 0 ? 0 : horizontalAlign_ == 2 ? 2 : 1;
    setup.font = editFont_;
    setup.limit = int32_t(maxTextLength);
    setup.text = text_;
    editWindow_ = platform::current().editFields().create(frame_ ? frame_->platformWindow() : nullptr,
                                                          setup, this);
}

void TextEdit::loseFocus(DrawContext* context) {
    if (!editWindow_ || (frame_ && frame_->focusView() != this))
        return;
    if (frame_)
        frame_->clearFocusView();
    char old[textCapacity];
    std::memcpy(old, text_, sizeof old);
    editWindow_->text(text_, maxTextLength + 1);
    editWindow_.reset();
    // The field covered the control: it is drawn again at the next idle.
    setDirty(true);

    const bool changed = std::strcmp(old, text_) != 0;
    if (changed && listener_) {
        if (context) {
            listener_->valueChanged(context, this);
        } else if (frame_ && frame_->platformWindow()) {
            std::unique_ptr<platform::Device> device = frame_->platformWindow()->acquireDevice();
            DrawContext temporary(frame_, device.get(), frame_->platformWindow());
            listener_->valueChanged(&temporary, this);
        } else {
            listener_->valueChanged(nullptr, this);
        }
    }
    if (frame_)
        frame_->notify(this, "LooseFocus");
}

void TextEdit::onEditReturn() {
    returnPressed_ = true;
    loseFocus(nullptr);
}

void TextEdit::onEditFocusLost() { loseFocus(nullptr); }

} // namespace zk::gui
