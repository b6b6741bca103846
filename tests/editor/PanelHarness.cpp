#include "tests/editor/PanelHarness.h"

#include "editor/PanelLayout.h"
#include "editor/PanelScale.h"
#include "gui/Frame.h"
#include "gui/platform/software/Png.h"

#include <cstring>

namespace zktest {

std::atomic<int32_t> flatPicturesDrawn{0};

std::unique_ptr<sw::SoftPixmap> flatScaledPicture(int32_t id, float scale) {
    const zk::panel::BitmapSize size = zk::panel::pictureSize(id, scale);
    if (size.width == 0) return nullptr;
    flatPicturesDrawn.fetch_add(1);
    const auto colour = id == zk::panel::kBackgroundBitmap ? picture::background
                        : id == zk::panel::kAboutBitmap    ? picture::about
                                                           : picture::handle;
    auto pixmap = std::make_unique<sw::SoftPixmap>(size.width, size.height, false, colour);
    if (zk::panel::isTwoStatePicture(id))
        for (int32_t y = 0; y < size.height; ++y)
            for (int32_t x = 0; x < size.width; ++x) pixmap->set(x, y, y < size.height / 2 ? picture::off : picture::on);
    return pixmap;
}

PanelHarness::PanelHarness(bool testPictures, zk::MessageService* boxes)
    : previous_(zk::gui::platform::install(&system)) {
    if (testPictures) {
        for (const zk::panel::BitmapSize& size : zk::panel::kBitmapSizes) {
            const std::unique_ptr<sw::SoftPixmap> flat = flatScaledPicture(size.id, 1.0f);
            system.registerBitmap(size.id, flat->width(), flat->height(), flat->pixels());
        }
    }
    effect_ = std::make_unique<HostedEffect>(&hostCallback, zk::EffectServices{boxes ? boxes : &messages, &settings},
                                             [](zk::EditorContext& effect) { return std::make_unique<zk::PluginEditor>(effect); });
    effect_->record()->user = this;
    effect_->resume();
}

PanelHarness::~PanelHarness() {
    effect_.reset();
    zk::gui::platform::install(previous_);
}

vst2::VstIntPtr PanelHarness::hostCallback(vst2::AEffect* effect, vst2::VstInt32 opcode, vst2::VstInt32 index,
                                           vst2::VstIntPtr value, void* ptr, float opt) {
    if (opcode == vst2::audioMasterVersion) return 2400;
    auto* harness = effect ? static_cast<PanelHarness*>(effect->user) : nullptr;
    if (!harness) return 0;
    // audioMasterSizeWindow's height comes as the value.
    harness->calls.push_back({opcode, index, opcode == vst2::audioMasterSizeWindow ? float(value) : opt, value});
    if (harness->onCall)
        harness->onCall(harness->calls.back());
    if (opcode == vst2::audioMasterCanDo && ptr && std::strcmp(static_cast<const char*>(ptr), "sizeWindow") == 0)
        return harness->hostCanSizeWindow ? 1 : 0;
    return 0;
}

bool PanelHarness::open() {
    if (!editor().open(&hostWindow_)) return false;
    if (!editor().frame() || !editor().frame()->platformWindow()) return false;
    window().paintAll();
    return true;
}

sw::SoftwareWindow& PanelHarness::window() {
    return *dynamic_cast<sw::SoftwareWindow*>(editor().frame()->platformWindow());
}

void PanelHarness::press(Point where, int32_t buttons, const std::vector<sw::InputState>& then) {
    system.press(window(), where, buttons, then);
}

void PanelHarness::drag(Point from, Point to, int32_t steps) {
    std::vector<sw::InputState> moves;
    for (int32_t i = 1; i <= steps; ++i)
        moves.push_back({{from.h + (to.h - from.h) * i / steps, from.v + (to.v - from.v) * i / steps}, 1, 0});
    moves.push_back({to, 1, 0});
    press(from, 1, moves);
}

bool PanelHarness::wheel(Point over, float distance, int32_t modifiers) {
    system.input().set({over, modifiers, 0});
    // The wheel message some hosts send through effVendorSpecific.
    return effect_->dispatch(vst2::effVendorSpecific, 0x73744341, 0x57686565, nullptr, distance) != 0;
}

void PanelHarness::chooseFromMenu(Point where, int32_t buttons, int32_t entry) {
    system.menuService().answer(entry);
    press(where, buttons);
}

std::vector<std::string> PanelHarness::lastMenu() {
    std::vector<std::string> texts;
    const auto& showings = system.menuService().showings();
    if (!showings.empty())
        for (const sw::MenuItemRecord& item : showings.back().items) texts.push_back(item.text);
    return texts;
}

void PanelHarness::controlChange(uint8_t controller, uint8_t value) {
    effect_->handleMidiEvent(vst2::VstMidiEvent{vst2::kVstMidiType, int32_t(sizeof(vst2::VstMidiEvent)), 0, 0, 0, 0,
                                                {char(0xB0), char(controller), char(value), 0}, 0, 0, 0, 0});
}

std::vector<HostCall> PanelHarness::callsWhere(const std::function<bool(const HostCall&)>& wanted) const {
    std::vector<HostCall> found;
    for (const HostCall& call : calls)
        if (wanted(call)) found.push_back(call);
    return found;
}

std::vector<HostCall> PanelHarness::callsOf(int32_t opcode) const {
    return callsWhere([opcode](const HostCall& call) { return call.opcode == opcode; });
}

bool PanelHarness::isGesture(const HostCall& call) {
    return call.opcode == vst2::audioMasterAutomate || call.opcode == vst2::audioMasterBeginEdit ||
           call.opcode == vst2::audioMasterEndEdit;
}

std::vector<HostCall> PanelHarness::gestureCalls() const { return callsWhere(&isGesture); }

std::vector<HostCall> PanelHarness::reportsPastParameters() const {
    return callsWhere([](const HostCall& call) {
        return isGesture(call) && (call.index < 0 || call.index >= zk::kNumParameters);
    });
}

bool PanelHarness::savePng(const char* path) { return sw::writePng(*editor().frame()->platformWindow(), path); }

} // namespace zktest
