#include "editor/ValueReadout.h"

#include "editor/PanelScale.h"
#include "gui/Bitmap.h"

#include <cstdio>
#include <cstring>

namespace zk {

namespace {
constexpr gui::Color kDisplay{27, 29, 33, 0};   // the title display's dark face
constexpr gui::Color kNameInk{214, 217, 220, 0}; // the panel's label colour
constexpr gui::Color kValueInk{240, 154, 62, 0}; // its amber accent
constexpr int32_t kNameHeight = 15;             // font heights in panel units
constexpr int32_t kValueHeight = 14;
} // namespace

ValueReadout::ValueReadout(const gui::Rect& size, float scale, gui::Bitmap* picture)
    : View(size), picture_(picture), scale_(scale) {
    setClickable(false);
    if (picture_)
        picture_->retain();
}

ValueReadout::~ValueReadout() {
    if (picture_)
        picture_->release();
}

void ValueReadout::show(const char* name, const char* value) {
    if (std::strcmp(name_, name) == 0 && std::strcmp(value_, value) == 0)
        return;
    std::snprintf(name_, sizeof name_, "%s", name);
    std::snprintf(value_, sizeof value_, "%s", value);
    setDirty(true);
}

void ValueReadout::clear() {
    if (!showing())
        return;
    name_[0] = value_[0] = 0;
    setDirty(true);
}

void ValueReadout::draw(gui::DrawContext& context) {
    setDirty(false);
    if (!showing()) {
        if (picture_)
            picture_->draw(context, size_, size_.topLeft());
        return;
    }
    // fillRect leaves the top and left edges out.
    context.setBrushColor(kDisplay);
    context.fillRect({size_.left - 1, size_.top - 1, size_.right, size_.bottom});
    const int32_t middle = size_.top + size_.height() / 2;
    context.setFont(gui::fontNormal, panel::scaled(kNameHeight, scale_), gui::faceBold);
    context.setTextColor(kNameInk);
    context.drawText(name_, {size_.left, size_.top, size_.right, middle}, false, 1);
    context.setFont(gui::fontNormal, panel::scaled(kValueHeight, scale_));
    context.setTextColor(kValueInk);
    context.drawText(value_, {size_.left, middle, size_.right, size_.bottom}, false, 1);
}

} // namespace zk
