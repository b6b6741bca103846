// The panel's controls, built from the layout table with the effect's current values.
#include "product/ParameterIndex.h"
#include "editor/AboutView.h"
#include "editor/LearnOverlay.h"
#include "editor/PanelScale.h"
#include "editor/PanelZoom.h"
#include "editor/PluginEditor.h"
#include "editor/ValueReadout.h"
#include "gui/Buttons.h"
#include "gui/Frame.h"
#include "gui/Knob.h"
#include "gui/OptionMenu.h"
#include "gui/Slider.h"

namespace zk {

namespace {

constexpr bool tagsFitRecords() {
    for (const panel::ControlPlace& place : panel::kControls)
        if (place.tag < 0 || place.tag >= PluginEditor::kTagCount)
            return false;
    return true;
}
static_assert(tagsFitRecords());

gui::Rect rectOf(int32_t left, int32_t top, int32_t width, int32_t height) {
    return {left, top, left + width, top + height};
}

int32_t sizeOr(int32_t measured, int32_t fallback) { return measured > 0 ? measured : fallback; }

gui::Rect rectOf(const panel::PanelRect& r) { return {r.left, r.top, r.right, r.bottom}; }

} // namespace

void PluginEditor::buildLayout() {
    using Kind = panel::ControlKind;
    for (const panel::ControlPlace& place : panel::kControls) {
        const panel::ControlPlace p = panel::scaledPlace(place, scale_);
        switch (p.kind) {
        case Kind::button:
        case Kind::lamp: addOnOffButton(p.left, p.top, p.width, p.height, p.tag, p.bitmap, true); break;
        case Kind::knob: addKnob(p.left, p.top, p.width, p.tag, p.bitmap, true); break;
        case Kind::horizontalSlider:
            addHorizontalSlider(p.left, p.top, p.width, p.height, p.tag, p.bitmap, true, p.minimumPosition,
                                p.maximumPosition, p.style);
            break;
        case Kind::verticalSlider:
            addVerticalSlider(p.left, p.top, p.width, p.height, p.tag, p.bitmap, true, p.minimumPosition,
                              p.maximumPosition, p.style);
            break;
        }
    }
    const gui::Rect large{0, 0, sizeOr(aboutPicture_->width(), size_.width),
                          sizeOr(aboutPicture_->height(), size_.height)};
    splash_ = new gui::SplashControl(rectOf(panel::scaledRect(panel::kSplashRect, scale_)), this, panel::kSplashTag,
                                     aboutPicture_, large, {0, 0});
    if (!frame_->appendView(splash_)) {
        splash_->release();
        splash_ = nullptr;
    }
}

void PluginEditor::record(gui::Control* control, bool add) {
    const int32_t tag = control->getTag();
    const bool parameter = tag < kNumParameters;
    control->setValue(parameter ? effect_.parameter(tag) : 0.0f);
    TagRecord& entry = records_[tag];
    entry.control = control;
    if (parameter)
        entry.overlay = new LearnOverlay(control->size(), this, control);
    if (!add)
        return;
    // The overlay lies above its control, so the mouse reaches it first.
    entry.added = frame_->appendView(control);
    if (entry.added && entry.overlay && !frame_->appendView(entry.overlay)) {
        entry.overlay->release();
        entry.overlay = nullptr;
    }
}

void PluginEditor::addOnOffButton(int32_t left, int32_t top, int32_t width, int32_t height, int32_t tag,
                                  int32_t bitmapId, bool add) {
    auto* button = new gui::OnOffButton(rectOf(left, top, width, height), this, tag, getBitmap(bitmapId));
    button->setWheelStep(10.0f); // one notch switches it fully
    record(button, add);
}

void PluginEditor::addKnob(int32_t left, int32_t top, int32_t size, int32_t tag, int32_t handleId, bool add) {
    auto* knob = new gui::Knob(rectOf(left, top, size, size), this, tag, background_, getBitmap(handleId), {left, top});
    knob->setLinearDragPixels(panel::knobDragPixels(scale_)); // the same hand movement at every scale
    record(knob, add);
}

void PluginEditor::addHorizontalSlider(int32_t left, int32_t top, int32_t width, int32_t height, int32_t tag,
                                       int32_t handleId, bool add, int32_t minPosition, int32_t maxPosition,
                                       int32_t style) {
    record(new gui::HorizontalSlider(rectOf(left, top, width, height), this, tag, minPosition, maxPosition,
                                     getBitmap(handleId), background_, {left, top}, style),
           add);
}

void PluginEditor::addVerticalSlider(int32_t left, int32_t top, int32_t width, int32_t height, int32_t tag,
                                     int32_t handleId, bool add, int32_t minPosition, int32_t maxPosition,
                                     int32_t style) {
    record(new gui::VerticalSlider(rectOf(left, top, width, height), this, tag, minPosition, maxPosition,
                                   getBitmap(handleId), background_, {left, top}, style),
           add);
}

void PluginEditor::buildAboutView() {
    const int32_t height = sizeOr(aboutPicture_->height(), size_.height);
    aboutView_ = new AboutView({0, 0, size_.width, size_.height}, this, kAboutTag, height, aboutPicture_, {0, 0},
                               versionText_, rectOf(panel::scaledRect(panel::kAboutTextRect, scale_)),
                               gui::Color{0, 0, 0, 0});
    aboutView_->setValue(0.0f);
}

void PluginEditor::buildReadout() {
    readout_ = new ValueReadout(rectOf(panel::scaledRect(panel::kReadoutRect, scale_)), scale_, background_);
    if (!frame_->appendView(readout_)) {
        readout_->release();
        readout_ = nullptr;
    }
}

void PluginEditor::buildPanelMenu() {
    // Draws nothing and no text; the menu opens at the area's top edge.
    constexpr int32_t style = gui::styleNoDraw | gui::styleNoText | gui::stylePopupAtTop;
    panelMenu_ = new gui::OptionMenu(rectOf(panel::scaledRect(panel::kPanelMenuRect, scale_)), this, kPanelMenuTag,
                                     nullptr, nullptr, style);
    panelMenu_->insertEntry("About");
    panelMenu_->insertEntry("Default");
    panelMenu_->insertEntry("MidiForget");
    // The zoom entries, the current one checked; the menu holds the sub-menu from here on.
    auto* zoom = new gui::OptionMenu({0, 0, 0, 0}, this, kZoomMenuTag, nullptr, nullptr, gui::styleCheckCurrent);
    for (const panel::ZoomChoice& choice : panel::kZoomChoices)
        zoom->insertEntry(choice.text);
    decideScale();
    zoom->setValue(float(panel::zoomEntry(zoomPercent_)));
    panelMenu_->attachSubMenu(zoom, "Zoom");
    zoom->release();
    if (!frame_->appendView(panelMenu_)) {
        panelMenu_->release();
        panelMenu_ = nullptr;
    }
}

} // namespace zk
