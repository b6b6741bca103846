#pragma once

#include "core/Editor.h"
#include "editor/BitmapCache.h"
#include "editor/PanelPictures.h"
#include "editor/ShortLock.h"
#include "gui/Control.h"
#include "gui/ToolkitEditor.h"
#include "product/Identity.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace zk {

namespace gui {
class Frame;
class OptionMenu;
class SplashControl;
} // namespace gui

class AboutView;
class LearnOverlay;
class ValueReadout;

// The plug-in's panel. The effect builds it once; every open of the host's window builds
// the views anew inside a frame and every close destroys them. Controls report to it as
// their listener, and every parameter change of the effect ends in its setParameter. It
// knows the effect only as its EditorContext.
//
// Threads: setParameter and refreshLearnedControllers may come from the audio thread. They
// only store values into views, under a short lock that open and close take for the
// moment they publish or withdraw the views, so that they never touch a view that is being
// built or destroyed. Drawing happens only on the panel's thread: the one that opened it,
// or, where the window system allows it, the last one the host called effEditIdle from
// (hosts with an idle timer thread of their own). Open, close, the window's events and
// drawing exclude each other through a second lock that the audio thread never takes; idle
// reached from the audio thread (a program change there) leaves the dirty controls to the
// panel thread's next idle. The host is never called with that lock held: what the panel
// tells the effect while it is held (edits and gestures, which go on to the host) waits
// until the lock is let go, so whatever the host calls back finds the lock free.
class PluginEditor final : public Editor, public gui::ControlListener, public gui::ToolkitEditor {
public:
    static constexpr int32_t kAboutTag = zk::kAboutTag;
    static constexpr int32_t kPanelMenuTag = zk::kPanelMenuTag;
    static constexpr int32_t kZoomMenuTag = 58; // the panel's own: never reaches the effect
    static constexpr int32_t kTagCount = 71; // parameters 0..53 and the lamps 68..70

    explicit PluginEditor(EditorContext& effect);
    ~PluginEditor() override;

    // Host operations, through the effect. [main]
    // The scale is the user's zoom, else the host's (setScale), else the desktop's, read
    // when first needed.
    PanelSize size() const noexcept override;
    bool setScale(float scale) noexcept override;
    float scale() const noexcept override;
    bool open(void* parentWindow) noexcept override;
    void close() noexcept override;
    void hostIdle() noexcept override;
    int32_t eventDescriptor() noexcept override;
    int32_t onKeyUp(const KeyPress& key) noexcept override;
    bool setKnobMode(int32_t mode) noexcept override;
    bool onWheel(float distance) noexcept override;

    // Effect operations. [any]
    void setParameter(int32_t index, float value) noexcept override;
    void refreshLearnedControllers() noexcept override;
    void idle() noexcept override;
    void* messageWindow() noexcept override;

    // Toolkit operations. [main]
    void valueChanged(gui::DrawContext* context, gui::Control* control) override;
    void beginEdit(int32_t tag) override;
    void endEdit(int32_t tag) override;
    void systemScaleChanged(float scale) override;
    void pointerOver(gui::View* view) override;

    gui::Bitmap* getBitmap(int32_t resourceId);
    const char* versionText() const { return versionText_; }

    // What is on the panel, for hosts of the editor such as tests; null when closed.
    gui::Frame* frame() const { return frame_; }
    gui::Control* control(int32_t tag) const;
    LearnOverlay* overlay(int32_t tag) const;
    AboutView* aboutView() const { return aboutView_; }
    gui::OptionMenu* panelMenu() const { return panelMenu_; }
    gui::SplashControl* splash() const { return splash_; }
    ValueReadout* readout() const { return readout_; }
    // The module's shared pictures at the panel's scale; null until the panel first opens.
    gui::Bitmap* background() const { return background_; }
    gui::Bitmap* aboutPicture() const { return aboutPicture_; }
    bool aboutRequested() const { return aboutRequested_.load(std::memory_order_relaxed); }

private:
    class PanelGuard;
    // What the panel tells the effect, held back while the panel lock is held.
    struct PendingEdit {
        enum class Kind : uint8_t { begin, change, end };
        Kind kind;
        int32_t tag;
        float value;
    };
    void tellEffect(const PendingEdit& edit);
    void send(const PendingEdit& edit);

    struct TagRecord {
        LearnOverlay* overlay = nullptr;
        gui::Control* control = nullptr;
        bool added = false;
    };

    void buildLayout();
    void addOnOffButton(int32_t left, int32_t top, int32_t width, int32_t height, int32_t tag, int32_t bitmapId,
                        bool add);
    void addKnob(int32_t left, int32_t top, int32_t size, int32_t tag, int32_t handleId, bool add);
    void addHorizontalSlider(int32_t left, int32_t top, int32_t width, int32_t height, int32_t tag, int32_t handleId,
                             bool add, int32_t minPosition, int32_t maxPosition, int32_t style);
    void addVerticalSlider(int32_t left, int32_t top, int32_t width, int32_t height, int32_t tag, int32_t handleId,
                           bool add, int32_t minPosition, int32_t maxPosition, int32_t style);
    // Stores the control (and for a parameter its overlay) in the tag's record and adds both.
    void record(gui::Control* control, bool add);
    void buildAboutView();
    void buildPanelMenu();
    void buildReadout();
    void buildViews();
    // The module's pictures at the panel's scale (at 1 where none can be drawn at it).
    void takePictures();
    // Every control takes the effect's value, and the panel takes changes from then on.
    void goLive();
    // Destroys every view but the frame.
    void releaseViews() noexcept;
    // Open, close and rebuild with the panel lock held. rebuildLocked: the open panel anew at
    // the current scale, in the same window; false when it could not.
    bool openLocked(void* parentWindow) noexcept;
    void closeLocked() noexcept;
    bool rebuildLocked() noexcept;
    void idleLocked() noexcept;
    // The user's choice from the "Zoom" entries: stored, and applied at the next idle.
    void chooseZoom(int32_t percent) noexcept;
    // The parameter a view shows (its control or the learn overlay over it); -1 for none.
    int32_t parameterShownBy(const gui::View* view) const;
    // The read-out shows the parameter in the hand, else the one under the pointer.
    void updateReadout();
    void dismissAbout();
    void updateActivityLamps();
    void destroyViews() noexcept;
    bool onGuiThread() const noexcept {
        return guiThread_.load(std::memory_order_relaxed) == std::this_thread::get_id();
    }

    EditorContext& effect_;
    void* hostWindow_ = nullptr;
    // Decided by the zoom, else the host, else on first use from the desktop's; size() may
    // be the first use. The stored zoom is read once, then.
    bool applyScale(float scale) const noexcept;
    float wantedScale() const noexcept;
    void decideScale() const noexcept;
    mutable PanelSize size_{kPanelWidth, kPanelHeight};
    mutable float scale_ = 1.0f; // pixels per panel unit
    mutable bool scaleDecided_ = false;
    mutable bool zoomRead_ = false;
    mutable int32_t zoomPercent_ = 0; // the user's choice; 0 automatic
    float hostScale_ = 0.0f;          // 0: the host gave none
    // The system's scale of the panel's window (its monitor's), once the window told it; it
    // replaces the desktop's and is followed at the next host idle.
    bool windowAsked_ = false;
    std::atomic<float> pendingSystemScale_{0.0f}; // a change not yet followed; 0 for none
    float windowScale_ = 0.0f;
    bool rescalePending_ = false;     // a zoom was chosen: the panel is rebuilt at the next idle
    gui::Frame* frame_ = nullptr;

    // Shared with every other panel of the module from the first open until this panel goes.
    std::shared_ptr<PanelPictures> pictures_;
    gui::Bitmap* background_ = nullptr;   // pictures_'s, null until the first open
    gui::Bitmap* aboutPicture_ = nullptr; // likewise
    std::atomic<bool> aboutRequested_{false};
    std::atomic<bool> inactive_{true};
    AboutView* aboutView_ = nullptr;
    gui::OptionMenu* panelMenu_ = nullptr;
    gui::SplashControl* splash_ = nullptr;
    ValueReadout* readout_ = nullptr;
    int32_t pointerTag_ = -1; // the parameter under the pointer
    int32_t heldTag_ = -1;    // the parameter being dragged (between beginEdit and endEdit)
    std::array<TagRecord, kTagCount> records_{};
    BitmapCache bitmapCache_;
    char versionText_[64] = {};

    ShortLock viewLock_; // open and close publishing or withdrawing views; the two calls above
    std::mutex panelLock_; // open, close, the window's events and drawing (PanelGuard)
    std::vector<PendingEdit> pendingEdits_; // under panelLock_
    std::atomic<std::thread::id> guiThread_;
};

} // namespace zk
