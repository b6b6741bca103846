#pragma once

// The plug-in that one processor and its edit controller share: the effect, and its host
// services turned into VST3 terms. Processor and controller are two objects, as hosts
// expect; once connected (the host's connect, or a message through a host's proxy) the
// controller uses the processor's instance, so parameters, programs, learned controllers
// and the panel all have one owner. A controller that never gets connected has an instance
// of its own.
// How the effect's reports reach the host:
// 1. The panel's edits (UI thread): the controller's component handler, as beginEdit,
//    performEdit and endEdit. While a parameter is held on the panel, the host's changes of
//    it (the echo of those edits) are left alone.
// 2. Inside a process call (audio thread), what MIDI moves (a learned controller, a Program
//    Change): the call's output parameter changes, at the frame of the change; a program
//    change reports every parameter and the program parameter.
// 3. A program change on the UI thread: restartComponent(kParamValuesChanged). Inside the
//    host's own state calls (setState, setComponentState) only the program list's new
//    names are told: the host reads the values itself once the state is in, and may hold
//    its locks meanwhile (one host's restartComponent waits for the very lock its preset
//    load holds around setState).

#include "core/Effect.h"
#include "core/HostServices.h"
#include "formats/vst3/Vst3Abi.h"
#include "formats/vst3/Vst3Events.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace zk {

// What shows the panel (a view): told when the panel takes a new size of its own accord.
class Vst3PanelOwner {
public:
    virtual void panelResized(PanelSize size) noexcept = 0;

protected:
    ~Vst3PanelOwner() = default;
};

class Vst3Instance final : public std::enable_shared_from_this<Vst3Instance>, private HostServices {
public:
    using EffectFactory = std::function<std::unique_ptr<Effect>(HostServices& host)>;

    // [main] Builds and initialises the effect; throws what the factory throws.
    static std::shared_ptr<Vst3Instance> create(const EffectFactory& makeEffect);
    // [main] The live instance with this serial (from a connection message), or null.
    static std::shared_ptr<Vst3Instance> find(uint64_t serial);
    ~Vst3Instance() override;
    Vst3Instance(const Vst3Instance&) = delete;
    Vst3Instance& operator=(const Vst3Instance&) = delete;

    Effect& effect() noexcept { return *effect_; }
    uint64_t serial() const noexcept { return serial_; }

    // ---- the controller's side [main]
    // The handler the effect's reports go to; null detaches. Not owned: the controller keeps
    // it until it detaches it.
    void setHandler(vst3::IComponentHandler* handler) noexcept;
    // A mark that counts itself in one of the instance's counters while it lives.
    class Scope {
    public:
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    protected:
        explicit Scope(int32_t& counter) noexcept : counter_(counter) { ++counter_; }
        ~Scope() { --counter_; }

    private:
        int32_t& counter_;
    };
    // Reports to the host are held back while the controller takes what the host tells it.
    class HoldReports : Scope {
    public:
        explicit HoldReports(Vst3Instance& instance) noexcept : Scope(instance.holds_) {}
    };
    // Marks a host's state call: values changed inside it are not reported (see 3. above).
    class HostStateCall : Scope {
    public:
        explicit HostStateCall(Vst3Instance& instance) noexcept : Scope(instance.stateCalls_) {}
    };
    // The panel's owner: one view at a time shows the panel. True when `view` now holds it.
    bool takePanel(Vst3PanelOwner* view) noexcept;
    void releasePanel(const Vst3PanelOwner* view) noexcept;

    // ---- the processor's side [audio]
    // Around the effect's process call: reports on this thread go to the block's output.
    void beginBlock(const Vst3BlockEvents& events) noexcept;
    void endBlock(vst3::IParameterChanges* out) noexcept;
    // The parameters held on the panel, bit `index` set (read with each block's changes).
    uint64_t heldParameters() const noexcept { return held_.load(std::memory_order_relaxed); }
    // [any] Between the host's setProcessing(true) and (false) or setActive(false): the
    // processor takes the host's changes with its blocks. Otherwise the controller applies
    // them at once, so that a change with nothing processing is heard, shown and saved.
    void setProcessing(bool processing) noexcept { processing_.store(processing, std::memory_order_relaxed); }
    bool processing() const noexcept { return processing_.load(std::memory_order_relaxed); }

private:
    Vst3Instance();
    bool inBlock() const noexcept;
    bool mayReport() const noexcept { return handler_ && holds_ == 0; }

    // HostServices
    void beginGesture(int32_t index) noexcept override;
    void endGesture(int32_t index) noexcept override;
    void parameterChanged(int32_t index, float value, ChangeOrigin origin) noexcept override;
    void allParametersChanged(ChangeOrigin origin) noexcept override;
    void displayChanged() noexcept override {}
    void wantMidi() noexcept override {}
    void resizePanel(PanelSize size) noexcept override;

    std::unique_ptr<Effect> effect_;
    uint64_t serial_;
    vst3::IComponentHandler* handler_ = nullptr;
    int32_t holds_ = 0;
    int32_t stateCalls_ = 0; // [main]
    Vst3PanelOwner* panelOwner_ = nullptr;
    std::atomic<uint64_t> held_{0};
    std::atomic<bool> processing_{false};
    std::atomic<std::thread::id> blockThread_{};
    const Vst3BlockEvents* blockEvents_ = nullptr;
    Vst3OutputChanges output_;
};

} // namespace zk
