#include "editor/LearnOverlay.h"

#include "gui/Frame.h"
#include "gui/OptionMenu.h"

#include <cstdio>

namespace zk {

namespace {
// Nothing drawn, the menu at the click point, each chosen entry checked: after the
// menu returns, the checked entry is the one chosen.
constexpr int32_t kLearnMenuStyle =
    gui::styleNoDraw | gui::styleCheckCurrent | gui::stylePopupAtTop | gui::styleCheckEach;
} // namespace

LearnOverlay::LearnOverlay(const gui::Rect& size, gui::ControlListener* listener, gui::Control* target)
    : Control(size, listener, kTag, nullptr), target_(target) {
    value_ = 0.0f;
}

LearnOverlay::~LearnOverlay() = default;

void LearnOverlay::draw(gui::DrawContext&) { setDirty(false); }

void LearnOverlay::onMouseDown(gui::DrawContext* context, gui::Point where) {
    if (context && (context->mouseButtons() & gui::buttonRight)) {
        showLearnMenu(context, where);
        return;
    }
    if (target_)
        target_->onMouseDown(context, where);
}

void LearnOverlay::onMouseMoved(gui::DrawContext* context, gui::Point where) {
    if (target_)
        target_->onMouseMoved(context, where);
}

void LearnOverlay::onMouseUp(gui::DrawContext* context, gui::Point where) {
    if (target_)
        target_->onMouseUp(context, where);
}

void LearnOverlay::cancelPress() {
    if (target_)
        target_->cancelPress();
}

void LearnOverlay::showLearnMenu(gui::DrawContext* context, gui::Point where) {
    if (!frame_ || !target_)
        return;
    gui::Frame* frame = frame_;
    auto* menu = new gui::OptionMenu({where.h, where.v, where.h + 1, where.v + 1}, nullptr, 0, nullptr, nullptr,
                                     kLearnMenuStyle);
    const int32_t controller = learnedCC();
    if (controller != 0) {
        char forget[32];
        std::snprintf(forget, sizeof forget, "Forget CC %d", static_cast<int>(controller));
        menu->insertEntry("MidiLearn New");
        menu->insertEntry(forget);
    } else {
        menu->insertEntry("MidiLearn");
    }
    if (!frame->appendView(menu)) {
        menu->release();
        return;
    }
    menu->onMouseDown(context, where);
    const bool learn = menu->isEntryChecked(0);
    const bool forget = menu->isEntryChecked(1);
    frame->detachView(menu, true);
    if (!learn && !forget)
        return;
    value_ = static_cast<float>(target_->getTag()) + (forget ? kForgetOffset : 0.0f);
    if (listener_)
        listener_->valueChanged(context, this);
}

bool LearnOverlay::onWheel(gui::DrawContext* context, gui::Point, float distance) {
    if (!target_)
        return true;
    const float value = target_->getValue();
    wheelStep_ = target_->getWheelStep();
    float step = distance * wheelStep_;
    if (context && (context->mouseButtons() & gui::modifierShift))
        step *= 0.1f;
    float v = value + step;
    if (v > 1.0f)
        v = 1.0f;
    if (v < 0.0f)
        v = 0.0f;
    target_->setValue(v);
    if (listener_)
        listener_->valueChanged(context, target_);
    return true;
}

} // namespace zk
