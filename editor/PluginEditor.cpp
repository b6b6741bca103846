#include "editor/PluginEditor.h"

#include "product/ParameterIndex.h"
#include "editor/AboutView.h"
#include "editor/LearnOverlay.h"
#include "editor/PanelScale.h"
#include "editor/PanelZoom.h"
#include "editor/ValueReadout.h"
#include "gui/Frame.h"
#include "gui/platform/Platform.h"

#include <cstdio>
#include <mutex>

namespace zk {

namespace {

// What the About page says of the processor's vector unit. Every 64-bit ARM processor has
// NEON, and the engine's lanes use it there.
const char* vectorUnitText() noexcept {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    return __builtin_cpu_supports("sse") ? " With SSE" : " No SSE";
#elif defined(__aarch64__)
    return " With NEON";
#else
    return " No SSE";
#endif
}

bool isParameterTag(int32_t tag) noexcept { return tag >= 0 && tag < kNumParameters; }

// The editor whose panel lock this thread holds, if any.
thread_local const PluginEditor* lockedHere = nullptr;

} // namespace

// Holds the panel lock for one entry, and sends what the panel told the effect meanwhile
// once it is let go. Taken once per thread: an entry reached from inside the panel's own
// work (a message box asking for the window while the panel opens) runs under the hold it
// is in.
class PluginEditor::PanelGuard {
public:
    explicit PanelGuard(PluginEditor& editor) : editor_(editor), outermost_(lockedHere != &editor) {
        if (!outermost_)
            return;
        editor_.panelLock_.lock();
        previous_ = lockedHere;
        lockedHere = &editor_;
    }
    ~PanelGuard() {
        if (!outermost_)
            return;
        std::vector<PendingEdit> pending;
        pending.swap(editor_.pendingEdits_);
        lockedHere = previous_;
        editor_.panelLock_.unlock();
        for (const PendingEdit& edit : pending)
            editor_.send(edit);
    }
    PanelGuard(const PanelGuard&) = delete;
    PanelGuard& operator=(const PanelGuard&) = delete;

private:
    PluginEditor& editor_;
    const bool outermost_;
    const PluginEditor* previous_ = nullptr;
};

PluginEditor::PluginEditor(EditorContext& effect) : effect_(effect), guiThread_(std::this_thread::get_id()) {
    // The pictures wait for the first open: an instance whose panel never opens holds none.
    gui::knobMode = gui::knobModeLinear;
}

PluginEditor::~PluginEditor() {
    std::lock_guard<std::mutex> panel(panelLock_);
    // The end of a drag cut short here is held back like any other and goes with the panel:
    // the effect is going too.
    const PluginEditor* previous = lockedHere;
    lockedHere = this;
    {
        std::lock_guard<ShortLock> guard(viewLock_);
        inactive_.store(true, std::memory_order_relaxed);
    }
    destroyViews(); // the views' references to the pictures go before ours
    lockedHere = previous;
}

bool PluginEditor::open(void* parentWindow) noexcept {
    PanelGuard guard(*this);
    return openLocked(parentWindow);
}

bool PluginEditor::openLocked(void* parentWindow) noexcept {
    if (frame_)
        closeLocked(); // a second open without a close must not leak the first panel
    guiThread_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    hostWindow_ = parentWindow;
    inactive_.store(true, std::memory_order_relaxed);
    try {
        decideScale();
        takePictures();
        frame_ = new gui::Frame({0, 0, size_.width, size_.height}, parentWindow, this);
        // The desktop's scale was a guess; the window's monitor has the last word.
        const gui::platform::Window* window = frame_->platformWindow();
        if (!windowAsked_ && window) {
            windowAsked_ = true;
            if (window->systemScale() > 0)
                pendingSystemScale_.store(window->systemScale(), std::memory_order_relaxed);
        }
        buildViews();
    } catch (...) {
        destroyViews();
        return false;
    }
    goLive();
    return true;
}

void PluginEditor::takePictures() {
    if (pictures_ && pictures_->scale() == scale_)
        return;
    pictures_ = PanelPictures::acquire(scale_);
    background_ = pictures_->background();
    aboutPicture_ = pictures_->about();
    if (pictures_->scale() != scale_) // none could be drawn at that scale
        applyScale(pictures_->scale());
}

void PluginEditor::goLive() {
    aboutRequested_.store(false, std::memory_order_relaxed);
    {
        // A change that arrived while the views were built was stored by the effect but not
        // shown: every control takes the effect's value as the panel goes live.
        std::lock_guard<ShortLock> guard(viewLock_);
        for (int32_t tag = 0; tag < kNumParameters; ++tag)
            if (records_[tag].control && records_[tag].added)
                records_[tag].control->setValue(effect_.parameter(tag));
        inactive_.store(false, std::memory_order_relaxed);
    }
    gui::knobMode = gui::knobModeLinear;
    refreshLearnedControllers();
}

void PluginEditor::buildViews() {
    frame_->setBackgroundBitmap(background_);
    frame_->setScale(scale_);
    gui::knobMode = gui::knobModeLinear;
    buildLayout();
    std::snprintf(versionText_, sizeof versionText_, "Version %s%s", kVersionText, vectorUnitText());
    buildAboutView();
    buildReadout();
    buildPanelMenu();
}

bool PluginEditor::rebuildLocked() noexcept {
    if (!frame_)
        return false;
    {
        std::lock_guard<ShortLock> guard(viewLock_);
        inactive_.store(true, std::memory_order_relaxed);
    }
    releaseViews();
    try {
        takePictures();
        // Where the window cannot change its size, it is made anew.
        if (!frame_->resize(size_.width, size_.height))
            return openLocked(hostWindow_);
        buildViews();
    } catch (...) {
        destroyViews();
        return false;
    }
    goLive();
    frame_->setDirty(true);
    return true;
}

void PluginEditor::chooseZoom(int32_t percent) noexcept {
    panel::writeZoom(effect_.settings(), percent);
    zoomRead_ = true;
    zoomPercent_ = percent;
    rescalePending_ = true;
}

void PluginEditor::close() noexcept {
    PanelGuard guard(*this);
    closeLocked();
}

void PluginEditor::closeLocked() noexcept {
    {
        std::lock_guard<ShortLock> guard(viewLock_);
        inactive_.store(true, std::memory_order_relaxed);
    }
    destroyViews();
}

void PluginEditor::destroyViews() noexcept {
    releaseViews();
    if (frame_)
        frame_->release();
    frame_ = nullptr;
}

void PluginEditor::releaseViews() noexcept {
    const bool aboutInFrame = frame_ && aboutView_ && frame_->holdsView(aboutView_);
    if (frame_)
        frame_->detachAllViews(true);
    for (TagRecord& entry : records_) {
        if (!entry.added) {
            if (entry.control)
                entry.control->release();
            if (entry.overlay)
                entry.overlay->release();
        }
        entry = {};
    }
    if (aboutView_ && !aboutInFrame)
        aboutView_->release();
    aboutView_ = nullptr;
    panelMenu_ = nullptr;
    splash_ = nullptr;
    readout_ = nullptr;
    pointerTag_ = heldTag_ = -1;
}

void PluginEditor::hostIdle() noexcept {
    {
        PanelGuard guard(*this);
        // The host's idle timer runs on a thread of its own: the panel moves to that thread,
        // its window's events and drawing with it, where its window system allows. A Win32
        // window's messages keep coming on the thread that made it, so that panel stays there.
        const gui::platform::Window* window = frame_ ? frame_->platformWindow() : nullptr;
        if (window && window->drivableFromAnyThread())
            guiThread_.store(std::this_thread::get_id(), std::memory_order_relaxed);
        if (!onGuiThread())
            return;
        idleLocked();
        // A zoom chosen in the menu, or a new scale of the window's monitor: the panel is
        // built anew here, where none of its views is on the stack.
        const float system = pendingSystemScale_.exchange(0.0f, std::memory_order_relaxed);
        if (system > 0) {
            windowScale_ = system;
            rescalePending_ = true;
        }
        if (!rescalePending_)
            return;
        rescalePending_ = false;
        const PanelSize before = size_;
        applyScale(wantedScale());
        if (!frame_ || (size_.width == before.width && size_.height == before.height) || !rebuildLocked())
            return;
    }
    effect_.panelResized(size_); // the host hears of the new size, with no lock held
}

void PluginEditor::systemScaleChanged(float scale) {
    windowAsked_ = true;
    if (scale > 0)
        pendingSystemScale_.store(scale, std::memory_order_relaxed);
}

void PluginEditor::idle() noexcept {
    // Reached from the audio thread (a program change there): the new values are already
    // in the controls, which stay dirty until the panel's own thread draws them. That check
    // comes before the lock, which the audio thread must never wait for.
    if (!onGuiThread())
        return;
    PanelGuard guard(*this);
    idleLocked();
}

void PluginEditor::idleLocked() noexcept {
    if (!onGuiThread() || inactive_.load(std::memory_order_relaxed) || !frame_)
        return;
    updateReadout(); // a value may have changed from elsewhere
    frame_->idle(); // the window's events, then what they and others changed
    if (aboutRequested_.load(std::memory_order_relaxed)) {
        if (!frame_->modalView() && aboutView_) {
            if (frame_->holdsView(aboutView_) || frame_->appendView(aboutView_)) {
                aboutView_->setValue(0.0f);
                aboutView_->setDirty(true);
                frame_->setModal(aboutView_);
            }
        }
    } else {
        updateActivityLamps();
    }
}

int32_t PluginEditor::eventDescriptor() noexcept {
    PanelGuard guard(*this);
    const gui::platform::Window* window = frame_ ? frame_->platformWindow() : nullptr;
    return window ? window->eventDescriptor() : -1;
}

void PluginEditor::updateActivityLamps() {
    for (int32_t band = 1; band <= 3; ++band)
        if (gui::Control* lamp = records_[panel::kFirstLampTag + band - 1].control)
            lamp->setValue(effect_.bandActive(band) ? 1.0f : 0.0f);
}

int32_t PluginEditor::onKeyUp(const KeyPress& key) noexcept {
    PanelGuard guard(*this);
    return frame_ ? frame_->onKeyUp(gui::KeyStroke{key.character, key.virtualKey, key.modifiers}) : -1;
}

bool PluginEditor::setKnobMode(int32_t mode) noexcept {
    gui::knobMode = mode;
    return true;
}

bool PluginEditor::onWheel(float distance) noexcept {
    PanelGuard guard(*this);
    if (!frame_ || inactive_.load(std::memory_order_relaxed))
        return false;
    return frame_->onWheel(nullptr, {0, 0}, distance);
}

void PluginEditor::valueChanged(gui::DrawContext* context, gui::Control* control) {
    if (inactive_.load(std::memory_order_relaxed) || !control)
        return;
    if (control->getTag() == kZoomMenuTag) {
        const auto entry = std::size_t(control->getValue());
        if (entry < panel::kZoomChoices.size())
            chooseZoom(panel::kZoomChoices[entry].percent);
        return;
    }
    tellEffect({PendingEdit::Kind::change, control->getTag(), control->getValue()});
    if (readout_ && control->getTag() == heldTag_) {
        updateReadout();
        if (context && readout_->isDirty())
            readout_->update(*context);
    }
    // The About view has just left the frame: drawing it now would put the picture back
    // over the panel that was redrawn without it.
    if (context && frame_ && frame_->holdsView(control))
        control->update(*context);
}

void PluginEditor::setParameter(int32_t index, float value) noexcept {
    if (index == kAboutTag) {
        // Changes the views of the frame and draws: the panel's own thread only.
        if (!onGuiThread())
            return;
        PanelGuard guard(*this);
        if (onGuiThread() && !inactive_.load(std::memory_order_relaxed) && frame_)
            dismissAbout();
        return;
    }
    std::lock_guard<ShortLock> guard(viewLock_);
    if (inactive_.load(std::memory_order_relaxed) || !frame_)
        return;
    if (index == kPanelMenuTag) {
        // Entry 0, "About"; the other entries are the effect's work.
        if (value == 0.0f)
            aboutRequested_.store(true, std::memory_order_relaxed);
        return;
    }
    if (isParameterTag(index) && records_[index].control && records_[index].added)
        records_[index].control->setValue(value);
}

void PluginEditor::dismissAbout() {
    if (frame_->modalView()) {
        frame_->setModal(nullptr);
        if (aboutView_) {
            frame_->detachView(aboutView_, false);
            aboutView_->setValue(1.0f);
        }
        frame_->setDirty(true);
        frame_->drawViewNow(frame_);
        aboutRequested_.store(false, std::memory_order_relaxed);
    }
    if (aboutView_)
        frame_->detachView(aboutView_, false);
}

void PluginEditor::refreshLearnedControllers() noexcept {
    std::lock_guard<ShortLock> guard(viewLock_);
    if (inactive_.load(std::memory_order_relaxed))
        return;
    for (int32_t index = 0; index < kNumParameters; ++index)
        if (LearnOverlay* learn = records_[index].overlay)
            learn->setLearnedCC(effect_.learnedController(index));
}

void* PluginEditor::messageWindow() noexcept {
    // A box over the panel is handled by the panel's idle: only its own thread puts one up.
    if (!onGuiThread())
        return nullptr;
    PanelGuard guard(*this);
    if (!onGuiThread() || inactive_.load(std::memory_order_relaxed) || !frame_ || !frame_->windowOpen())
        return nullptr;
    gui::platform::Window* window = frame_->platformWindow();
    return window ? window->nativeHandle() : nullptr;
}

void PluginEditor::beginEdit(int32_t tag) {
    if (isParameterTag(tag)) {
        heldTag_ = tag;
        updateReadout();
    }
    tellEffect({PendingEdit::Kind::begin, tag, 0.0f});
}

void PluginEditor::endEdit(int32_t tag) {
    tellEffect({PendingEdit::Kind::end, tag, 0.0f});
    // Where the drag ended the window's next pointer event tells.
    if (tag == heldTag_) {
        heldTag_ = -1;
        updateReadout();
    }
}

void PluginEditor::pointerOver(gui::View* view) {
    pointerTag_ = parameterShownBy(view);
    updateReadout();
}

int32_t PluginEditor::parameterShownBy(const gui::View* view) const {
    if (view)
        for (int32_t tag = 0; tag < kNumParameters; ++tag)
            if (records_[tag].added && (records_[tag].control == view || records_[tag].overlay == view))
                return tag;
    return -1;
}

void PluginEditor::updateReadout() {
    if (!readout_)
        return;
    const int32_t tag = heldTag_ >= 0 ? heldTag_ : pointerTag_;
    char text[ValueReadout::kTextCapacity];
    // The control in the hand may be ahead of the effect, whose edit waits for the lock to go.
    const gui::Control* held = tag >= 0 && tag == heldTag_ ? records_[tag].control : nullptr;
    const float value = held ? held->getValue() : tag >= 0 ? effect_.parameter(tag) : 0.0f;
    if (tag < 0 || !effect_.valueToText(tag, value, text, sizeof text)) {
        readout_->clear();
        return;
    }
    readout_->show(effect_.parameterName(tag), text);
}

void PluginEditor::tellEffect(const PendingEdit& edit) {
    if (lockedHere == this)
        pendingEdits_.push_back(edit);
    else
        send(edit);
}

void PluginEditor::send(const PendingEdit& edit) {
    switch (edit.kind) {
    case PendingEdit::Kind::begin: effect_.beginEdit(edit.tag); break;
    case PendingEdit::Kind::change:
        if (TaggedCommand command; commandOfTag(edit.tag, edit.value, command))
            effect_.panelCommand(command.command, command.parameter);
        else
            effect_.editParameter(edit.tag, edit.value);
        break;
    case PendingEdit::Kind::end: effect_.endEdit(edit.tag); break;
    }
}

bool PluginEditor::applyScale(float scale) const noexcept {
    scale = panel::clampScale(scale);
    const bool drawable = scale == 1.0f || gui::platform::current().hasScaledBitmaps();
    scale_ = drawable ? scale : 1.0f;
    size_ = {panel::panelWidth(scale_), panel::panelHeight(scale_)};
    scaleDecided_ = true;
    return drawable;
}

float PluginEditor::wantedScale() const noexcept {
    if (!zoomRead_) {
        zoomPercent_ = panel::readZoom(effect_.settings());
        zoomRead_ = true;
    }
    if (zoomPercent_ > 0)
        return float(zoomPercent_) / 100.0f;
    if (hostScale_ > 0.0f)
        return hostScale_;
    return windowScale_ > 0.0f ? windowScale_ : gui::platform::current().systemScale();
}

void PluginEditor::decideScale() const noexcept {
    if (!scaleDecided_)
        applyScale(wantedScale());
}

bool PluginEditor::setScale(float scale) noexcept {
    PanelGuard guard(*this);
    hostScale_ = panel::clampScale(scale);
    const PanelSize before = size_;
    const bool drawable = hostScale_ == 1.0f || gui::platform::current().hasScaledBitmaps();
    applyScale(wantedScale());
    if (frame_ && (size_.width != before.width || size_.height != before.height))
        rebuildLocked();
    return drawable;
}

PanelSize PluginEditor::size() const noexcept {
    decideScale();
    return size_;
}

float PluginEditor::scale() const noexcept {
    decideScale();
    return scale_;
}

gui::Bitmap* PluginEditor::getBitmap(int32_t resourceId) {
    return bitmapCache_.get(resourceId, scale_, effect_.messages());
}

gui::Control* PluginEditor::control(int32_t tag) const {
    return tag >= 0 && tag < kTagCount ? records_[tag].control : nullptr;
}

LearnOverlay* PluginEditor::overlay(int32_t tag) const {
    return tag >= 0 && tag < kTagCount ? records_[tag].overlay : nullptr;
}

} // namespace zk
