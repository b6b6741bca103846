#pragma once

// The panel without a window system: an effect with a recording host, scripted dialogs and
// an in-memory settings store, its editor opened on a software platform of its own over a
// stand-in host window, input scripted through the platform, and PNG output.

#include "editor/PluginEditor.h"
#include "gui/platform/software/ScaledPictures.h"
#include "gui/platform/software/SoftwarePlatform.h"
#include "tests/core/MemorySettings.h"
#include "tests/support/HostedEffect.h"
#include "tests/support/ScriptedMessages.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zktest {

namespace sw = zk::gui::platform::software;
using zk::gui::Point;

struct HostCall {
    int32_t opcode;
    int32_t index;
    float value;
    vst2::VstIntPtr data = 0; // the call's value argument
};

// Flat colours of the test pictures; two-state pictures are off above, on below.
namespace picture {
using zk::gui::platform::ColorRef;
constexpr ColorRef rgb(uint8_t r, uint8_t g, uint8_t b) { return r | uint32_t(g) << 8 | uint32_t(b) << 16; }
constexpr ColorRef background = rgb(30, 40, 50);
constexpr ColorRef about = rgb(200, 180, 20);
constexpr ColorRef handle = rgb(250, 250, 250);
constexpr ColorRef off = rgb(90, 0, 0);
constexpr ColorRef on = rgb(255, 60, 60);
} // namespace picture

// Flat pictures of the scaled sizes (two-state ones off above, on below), for panels above
// 1 x on the software platform; each one drawn counts.
std::unique_ptr<sw::SoftPixmap> flatScaledPicture(int32_t id, float scale);
extern std::atomic<int32_t> flatPicturesDrawn;

// Installs a picture drawer for the software platform for the object's lifetime.
struct PictureDrawerScope {
    explicit PictureDrawerScope(sw::PictureDrawer drawer) : previous(sw::installPictureDrawer(drawer)) {}
    ~PictureDrawerScope() { sw::installPictureDrawer(previous); }
    PictureDrawerScope(const PictureDrawerScope&) = delete;
    PictureDrawerScope& operator=(const PictureDrawerScope&) = delete;
    sw::PictureDrawer previous;
};

class PanelHarness {
public:
    // testPictures: every panel bitmap is registered as a flat picture of its size, so that
    // nothing depends on the artwork; otherwise the module's own pictures are used. The
    // effect's message boxes go to `messages` unless another service is given.
    explicit PanelHarness(bool testPictures = true, zk::MessageService* boxes = nullptr);
    ~PanelHarness();
    PanelHarness(const PanelHarness&) = delete;
    PanelHarness& operator=(const PanelHarness&) = delete;

    // Opens over a stand-in host window and paints it once, as the system would.
    bool open();
    // The stand-in window, for opening the editor without the first paint.
    void* hostWindow() { return &hostWindow_; }
    void close() { editor().close(); }
    void idle() { editor().hostIdle(); } // effEditIdle

    HostedEffect& effect() { return *effect_; }
    zk::PluginEditor& editor() { return *static_cast<zk::PluginEditor*>(effect_->editor()); }
    sw::SoftwareWindow& window();
    const sw::SoftPixmap& pixels() { return window().pixels(); }
    zk::gui::platform::ColorRef pixel(Point p) { return pixels().at(p.h, p.v); }

    // A press with the given buttons (1 left, 2 middle, 4 right, 8 Shift ...), then the
    // pointer states that follow until the buttons are let go.
    void press(Point where, int32_t buttons, const std::vector<sw::InputState>& then = {});
    // A left drag in steps from one point to another.
    void drag(Point from, Point to, int32_t steps = 4);
    // The host's wheel message with the pointer over a point.
    bool wheel(Point over, float distance, int32_t modifiers = 0);
    // Answers the next menu with a command id (entries count from 0), then presses.
    void chooseFromMenu(Point where, int32_t buttons, int32_t entry);
    // The texts of the last menu shown; empty when none was.
    std::vector<std::string> lastMenu();
    std::size_t menusShown() { return system.menuService().showings().size(); }
    // A CC message on the audio path, as the host would pass it.
    void controlChange(uint8_t controller, uint8_t value);
    // Host calls of an opcode, or that a test picks, in order.
    std::vector<HostCall> callsOf(int32_t opcode) const;
    std::vector<HostCall> callsWhere(const std::function<bool(const HostCall&)>& wanted) const;
    // Automation and the edit gestures' begins and ends, in order.
    static bool isGesture(const HostCall& call);
    std::vector<HostCall> gestureCalls() const;
    // Those reported with an index that is no parameter (none may be).
    std::vector<HostCall> reportsPastParameters() const;

    bool savePng(const char* path);

    sw::SoftwarePlatform system;
    ScriptedMessages messages;
    MemorySettings settings;
    std::vector<HostCall> calls;
    std::function<void(const HostCall&)> onCall; // runs inside each host call, after it is recorded
    bool hostCanSizeWindow = false; // the host's answer to canDo "sizeWindow"

private:
    static vst2::VstIntPtr hostCallback(vst2::AEffect* effect, vst2::VstInt32 opcode, vst2::VstInt32 index,
                                        vst2::VstIntPtr value, void* ptr, float opt);
    zk::gui::platform::Platform* previous_;
    std::unique_ptr<HostedEffect> effect_;
    int hostWindow_ = 0; // its address stands for the host's window
};

} // namespace zktest
