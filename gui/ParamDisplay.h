#pragma once

#include "gui/Control.h"

#include <cstddef>

namespace zk::gui {

// Display style bits, shared with the text edit and the option menu.
constexpr int32_t styleCheckEach = 0x0001;
constexpr int32_t styleShadowText = 0x0004;
constexpr int32_t style3DIn = 0x0080;
constexpr int32_t style3DOut = 0x0100;
constexpr int32_t stylePopupAtTop = 0x0200;
constexpr int32_t styleCheckCurrent = 0x0400;
constexpr int32_t styleNoText = 0x0800;
constexpr int32_t styleNoDraw = 0x1000;
constexpr int32_t styleDoubleClick = 0x2000;

// Every text the toolkit keeps or formats fits this buffer, terminator included.
constexpr std::size_t textCapacity = 256;

// Formatters write at most capacity bytes, terminator included.
using ValueToText = void (*)(float value, char* text, std::size_t capacity);
using ValueToTextWithData = void (*)(float value, char* text, std::size_t capacity, void* userData);
using TextToValue = bool (*)(const char* text, float& value, void* userData);

// One line of text for a value, in a box with its own font and colours, optionally over a
// bitmap, with a shadow and a 3-D frame.
class ParamDisplay : public Control {
public:
    ParamDisplay(const Rect& size, Bitmap* background, int32_t style);
    ~ParamDisplay() override;

    void draw(DrawContext& context) override;

    virtual void setFont(int32_t fontId);
    virtual void setInkColor(Color c);
    virtual void setBoxColor(Color c);
    virtual void setBorderColor(Color c);
    virtual void setShadowTint(Color c);
    virtual void setHorizontalAlign(int32_t align);
    virtual void setValueToTextWithData(ValueToTextWithData function, void* userData);
    virtual void setValueToText(ValueToText function);
    virtual void setTextToValue(TextToValue function);
    virtual void setDisplayStyle(int32_t style);
    virtual void setFaceStyle(int32_t faceStyle);
    virtual void setTextTransparent(bool transparent);

    int32_t displayStyle() const { return style_; }
    int32_t fontId() const { return fontId_; }
    int32_t horizontalAlign() const { return horizontalAlign_; }
    Color inkColor() const { return inkColor_; }
    Color boxColor() const { return boxColor_; }
    Color borderColor() const { return borderColor_; }
    Color shadowTint() const { return shadowTint_; }
    TextToValue textToValue() const { return textToValue_; }

protected:
    // The drawing shared by the text controls; text may be null, bitmap replaces the background.
    void drawText(DrawContext& context, const char* text, Bitmap* overrideBitmap);

    ValueToText valueToText_ = nullptr;
    ValueToTextWithData valueToTextWithData_ = nullptr;
    TextToValue textToValue_ = nullptr;
    void* userData_ = nullptr;
    int32_t horizontalAlign_ = 1;
    int32_t style_;
    int32_t fontId_ = fontSmall;
    int32_t faceStyle_ = 0;
    Color inkColor_;
    Color boxColor_;
    Color borderColor_;
    Color shadowTint_;
    bool textTransparent_ = true;
};

} // namespace zk::gui
