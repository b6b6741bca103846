#pragma once

#include "gui/Control.h"
#include "product/PanelCommand.h"

#include <atomic>

namespace zk {

// An invisible control over each parameter control. The right button opens the MIDI-learn
// menu of the parameter; other clicks and the wheel go to the control underneath.
class LearnOverlay final : public gui::Control {
public:
    static constexpr int32_t kTag = kLearnTag;                // the learn command
    static constexpr float kForgetOffset = zk::kForgetOffset; // added to the index to forget a binding

    LearnOverlay(const gui::Rect& size, gui::ControlListener* listener, gui::Control* target);
    ~LearnOverlay() override;

    void draw(gui::DrawContext& context) override;
    void onMouseDown(gui::DrawContext* context, gui::Point where) override;
    // A drag begun through the overlay is the control's: its moves and release go on to it.
    bool tracksPress() const override { return target_ && target_->tracksPress(); }
    void onMouseMoved(gui::DrawContext* context, gui::Point where) override;
    void onMouseUp(gui::DrawContext* context, gui::Point where) override;
    void cancelPress() override;
    bool onWheel(gui::DrawContext* context, gui::Point where, float distance) override;

    gui::Control* target() const { return target_; }
    // The controller bound to the target's parameter, 0 for none; may be stored from the
    // audio thread and is read when a menu is built.
    void setLearnedCC(int32_t controller) { learnedCC_.store(controller, std::memory_order_relaxed); }
    int32_t learnedCC() const { return learnedCC_.load(std::memory_order_relaxed); }

private:
    void showLearnMenu(gui::DrawContext* context, gui::Point where);

    gui::Control* target_; // not owned
    std::atomic<int32_t> learnedCC_{0};
};

} // namespace zk
