#pragma once

// The panel as a VST3 view, at its fixed size. attached() opens the effect's panel in the
// host's window (an X11 window id on Linux, an HWND on Windows) and starts its idle: on
// Linux a timer and a watch on the panel's window-system connection, both through the
// host's run loop (found on the frame), since VST3 has no idle call there; on Windows a
// timer of the UI thread. Each timer and descriptor call runs the panel's idle, which also
// takes every event Xlib already holds. removed() stops both and closes the panel. The
// host's content scale sizes the panel (1 to 3) unless the user chose a zoom; when the size
// changes while it is shown, the panel is rebuilt at it and the frame asked to resize.

#include "formats/vst3/Vst3Com.h"
#include "formats/vst3/Vst3Instance.h"
#include "formats/vst3/Vst3Setup.h"

#include <cstdint>
#include <memory>

namespace zk {

class Vst3View final : public vst3::IPlugView,
                       public vst3::IPlugViewContentScaleSupport,
                       public Vst3PanelOwner,
#if !defined(_WIN32)
                       public vst3::Linux::ITimerHandler,
                       public vst3::Linux::IEventHandler,
#endif
                       public Vst3RefCount<Vst3View> {
public:
    static constexpr vst3::TimerInterval kIdleMilliseconds = 30;

    Vst3View(std::shared_ptr<Vst3Instance> instance, const Vst3Setup& setup) noexcept;
    ~Vst3View();

    // FUnknown
    vst3::tresult ZK_VST3_CALL queryInterface(const vst3::TUID iid, void** obj) override;
    vst3::uint32 ZK_VST3_CALL addRef() override { return retain(); }
    vst3::uint32 ZK_VST3_CALL release() override { return drop(); }

    // IPlugView
    vst3::tresult ZK_VST3_CALL isPlatformTypeSupported(vst3::FIDString type) override;
    vst3::tresult ZK_VST3_CALL attached(void* parent, vst3::FIDString type) override;
    vst3::tresult ZK_VST3_CALL removed() override;
    vst3::tresult ZK_VST3_CALL onWheel(float distance) override;
    vst3::tresult ZK_VST3_CALL onKeyDown(vst3::char16 key, vst3::int16 keyCode, vst3::int16 modifiers) override;
    vst3::tresult ZK_VST3_CALL onKeyUp(vst3::char16 key, vst3::int16 keyCode, vst3::int16 modifiers) override;
    vst3::tresult ZK_VST3_CALL getSize(vst3::ViewRect* size) override;
    vst3::tresult ZK_VST3_CALL onSize(vst3::ViewRect* newSize) override;
    vst3::tresult ZK_VST3_CALL onFocus(vst3::TBool) override { return vst3::kResultOk; }
    vst3::tresult ZK_VST3_CALL setFrame(vst3::IPlugFrame* frame) override;
    vst3::tresult ZK_VST3_CALL canResize() override { return vst3::kResultTrue; }
    vst3::tresult ZK_VST3_CALL checkSizeConstraint(vst3::ViewRect* rect) override;

    // IPlugViewContentScaleSupport: the panel at the host's scale, rebuilt at it when open,
    // after which the frame is asked for the new size.
    vst3::tresult ZK_VST3_CALL setContentScaleFactor(ScaleFactor factor) override;

#if !defined(_WIN32)
    // Linux::ITimerHandler, Linux::IEventHandler: the panel's idle.
    void ZK_VST3_CALL onTimer() override { idle(); }
    void ZK_VST3_CALL onFDIsSet(vst3::FileDescriptor) override { idle(); }
#endif
    void idle() noexcept;
    // The panel took a new size (the user's zoom): the frame is asked for it.
    void panelResized(PanelSize size) noexcept override;

private:
    void startIdle() noexcept;
    void stopIdle() noexcept;

    std::shared_ptr<Vst3Instance> instance_;
    const Vst3Setup& setup_;
    Vst3Ptr<vst3::IPlugFrame> frame_;
    void* parent_ = nullptr;
    bool attached_ = false;
#if defined(_WIN32)
    uintptr_t timer_ = 0;
#else
    Vst3Ptr<vst3::Linux::IRunLoop> runLoop_; // the one our handlers are registered with
    bool timerRegistered_ = false;
    bool descriptorRegistered_ = false;
#endif
};

} // namespace zk
