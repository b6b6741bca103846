#include "formats/vst3/Vst3View.h"

#include "core/PanelSizing.h"

#include <cstring>

#if defined(_WIN32)
#include <windows.h>

#include <map>
#include <mutex>
#endif

namespace zk {

namespace {

bool supportedType(vst3::FIDString type) {
#if defined(_WIN32)
    return type && std::strcmp(type, vst3::kPlatformTypeHWND) == 0;
#else
    return type && std::strcmp(type, vst3::kPlatformTypeX11EmbedWindowID) == 0;
#endif
}

KeyPress keyPress(vst3::char16 key, vst3::int16 keyCode, vst3::int16 modifiers) {
    KeyPress press;
    press.character = key;
    press.virtualKey = keyCode > 0 && keyCode < 256 ? static_cast<uint8_t>(keyCode) : 0;
    press.modifiers = static_cast<uint8_t>(modifiers & 0xFF);
    return press;
}

#if defined(_WIN32)
// The views whose timers run, by timer id: a thread timer's procedure gets only the id.
std::mutex timersMutex;
std::map<UINT_PTR, Vst3View*>& timerViews() {
    static std::map<UINT_PTR, Vst3View*> views;
    return views;
}

void CALLBACK onTimer(HWND, UINT, UINT_PTR id, DWORD) {
    Vst3View* view = nullptr;
    {
        std::lock_guard<std::mutex> lock(timersMutex);
        auto found = timerViews().find(id);
        if (found != timerViews().end()) view = found->second;
    }
    if (view) view->idle();
}
#endif

} // namespace

Vst3View::Vst3View(std::shared_ptr<Vst3Instance> instance, const Vst3Setup& setup) noexcept
    : instance_(std::move(instance)), setup_(setup) {}

Vst3View::~Vst3View() {
    if (attached_) removed(); // a host that released the view without removing it
}

vst3::tresult Vst3View::queryInterface(const vst3::TUID iid, void** obj) {
    if (!obj) return vst3::kInvalidArgument;
    *obj = nullptr;
    if (offerInterface<vst3::IPlugView>(this, iid, obj) || offerInterface<vst3::FUnknown, vst3::IPlugView>(this, iid, obj) ||
        offerInterface<vst3::IPlugViewContentScaleSupport>(this, iid, obj))
        return vst3::kResultOk;
#if !defined(_WIN32)
    if (offerInterface<vst3::Linux::ITimerHandler>(this, iid, obj) ||
        offerInterface<vst3::Linux::IEventHandler>(this, iid, obj))
        return vst3::kResultOk;
#endif
    return vst3::kNoInterface;
}

vst3::tresult Vst3View::isPlatformTypeSupported(vst3::FIDString type) {
    return supportedType(type) ? vst3::kResultTrue : vst3::kResultFalse;
}

vst3::tresult Vst3View::attached(void* parent, vst3::FIDString type) {
    if (!parent || !supportedType(type) || attached_) return vst3::kResultFalse;
    // One view at a time shows the panel.
    if (!instance_->takePanel(this)) return vst3::kResultFalse;
    if (!instance_->effect().openPanel(parent)) {
        instance_->releasePanel(this);
        return vst3::kResultFalse;
    }
    parent_ = parent;
    attached_ = true;
    startIdle();
    return vst3::kResultOk;
}

vst3::tresult Vst3View::removed() {
    if (!attached_) return vst3::kResultFalse;
    stopIdle();
    instance_->effect().closePanel();
    instance_->releasePanel(this);
    attached_ = false;
    parent_ = nullptr;
    return vst3::kResultOk;
}

vst3::tresult Vst3View::onWheel(float distance) {
    return attached_ && instance_->effect().panelWheel(distance) ? vst3::kResultTrue : vst3::kResultFalse;
}

vst3::tresult Vst3View::onKeyDown(vst3::char16 key, vst3::int16 keyCode, vst3::int16 modifiers) {
    if (!attached_) return vst3::kResultFalse;
    return instance_->effect().panelKeyDown(keyPress(key, keyCode, modifiers)) == 1 ? vst3::kResultTrue
                                                                                     : vst3::kResultFalse;
}

vst3::tresult Vst3View::onKeyUp(vst3::char16 key, vst3::int16 keyCode, vst3::int16 modifiers) {
    if (!attached_) return vst3::kResultFalse;
    return instance_->effect().panelKeyUp(keyPress(key, keyCode, modifiers)) == 1 ? vst3::kResultTrue
                                                                                   : vst3::kResultFalse;
}

vst3::tresult Vst3View::getSize(vst3::ViewRect* size) {
    if (!size) return vst3::kInvalidArgument;
    const PanelSize panel = instance_->effect().panelSize();
    *size = {0, 0, panel.width, panel.height};
    return vst3::kResultOk;
}

// The host resizing the view: sizes at the panel's aspect ratio, the panel drawn at the
// largest scale from 1 to 3 (in eighths) that fits (PanelSizing.h).
vst3::tresult Vst3View::onSize(vst3::ViewRect* newSize) {
    if (!newSize) return vst3::kInvalidArgument;
    const int32_t width = newSize->right - newSize->left, height = newSize->bottom - newSize->top;
    const float scale = panelScaleFitting(width, height);
    const PanelSize fitting = panelSizeAt(scale);
    // A size the panel can take is a scale: drawn at it (unless the user chose a zoom).
    if (fitting.width == width && fitting.height == height) instance_->effect().setPanelScale(scale);
    return vst3::kResultOk;
}

vst3::tresult Vst3View::checkSizeConstraint(vst3::ViewRect* rect) {
    if (!rect) return vst3::kInvalidArgument;
    const PanelSize panel = panelSizeAt(panelScaleFitting(rect->right - rect->left, rect->bottom - rect->top));
    rect->right = rect->left + panel.width;
    rect->bottom = rect->top + panel.height;
    return vst3::kResultTrue;
}

vst3::tresult Vst3View::setContentScaleFactor(ScaleFactor factor) {
    const PanelSize before = instance_->effect().panelSize();
    if (!(factor > 0) || !instance_->effect().setPanelScale(factor)) return vst3::kResultFalse;
    const PanelSize after = instance_->effect().panelSize(); // an open panel was rebuilt at it
    if (attached_ && (after.width != before.width || after.height != before.height)) panelResized(after);
    return vst3::kResultTrue;
}

void Vst3View::panelResized(PanelSize size) noexcept {
    vst3::ViewRect rect{0, 0, size.width, size.height};
    if (attached_ && frame_) frame_->resizeView(this, &rect);
}

vst3::tresult Vst3View::setFrame(vst3::IPlugFrame* frame) {
    // The run loop may come with a new frame: the handlers move to it.
    const bool restart = attached_;
    if (restart) stopIdle();
    frame_ = Vst3Ptr<vst3::IPlugFrame>(frame);
    if (restart) startIdle();
    return vst3::kResultOk;
}

void Vst3View::idle() noexcept {
    if (attached_) instance_->effect().panelIdle();
}

#if defined(_WIN32)

void Vst3View::startIdle() noexcept {
    if (timer_) return;
    std::lock_guard<std::mutex> lock(timersMutex);
    timer_ = SetTimer(nullptr, 0, static_cast<UINT>(kIdleMilliseconds), &onTimer);
    if (timer_) timerViews()[timer_] = this;
}

void Vst3View::stopIdle() noexcept {
    if (!timer_) return;
    std::lock_guard<std::mutex> lock(timersMutex);
    KillTimer(nullptr, timer_);
    timerViews().erase(timer_);
    timer_ = 0;
}

#else

void Vst3View::startIdle() noexcept {
    if (runLoop_ || !frame_) return;
    runLoop_ = frame_.query<vst3::Linux::IRunLoop>();
    if (!runLoop_) return; // a host without one gives the panel no idle
    timerRegistered_ = runLoop_->registerTimer(this, kIdleMilliseconds) == vst3::kResultOk;
    const int descriptor = instance_->effect().panelEventDescriptor();
    descriptorRegistered_ = descriptor >= 0 && runLoop_->registerEventHandler(this, descriptor) == vst3::kResultOk;
}

void Vst3View::stopIdle() noexcept {
    if (!runLoop_) return;
    if (timerRegistered_) runLoop_->unregisterTimer(this);
    if (descriptorRegistered_) runLoop_->unregisterEventHandler(this);
    timerRegistered_ = descriptorRegistered_ = false;
    runLoop_ = {};
}

#endif

} // namespace zk
