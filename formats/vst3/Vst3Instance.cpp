#include "formats/vst3/Vst3Instance.h"

#include "formats/vst3/Vst3Com.h"
#include "formats/vst3/Vst3Parameters.h"

#include <map>
#include <stdexcept>
#include <mutex>

namespace zk {

namespace {

// The live instances by serial, for a controller that learns of its processor by message.
struct Registry {
    std::mutex mutex;
    std::map<uint64_t, std::weak_ptr<Vst3Instance>> instances;
    uint64_t nextSerial = 1;
};
Registry& registry() {
    static Registry r;
    return r;
}

} // namespace

Vst3Instance::Vst3Instance() {
    std::lock_guard<std::mutex> lock(registry().mutex);
    serial_ = registry().nextSerial++;
}

std::shared_ptr<Vst3Instance> Vst3Instance::create(const EffectFactory& makeEffect) {
    std::shared_ptr<Vst3Instance> instance(new Vst3Instance);
    instance->effect_ = makeEffect(*instance);
    if (!instance->effect_) throw std::runtime_error("no effect");
    instance->effect_->initialise();
    std::lock_guard<std::mutex> lock(registry().mutex);
    registry().instances[instance->serial_] = instance;
    return instance;
}

std::shared_ptr<Vst3Instance> Vst3Instance::find(uint64_t serial) {
    std::lock_guard<std::mutex> lock(registry().mutex);
    auto found = registry().instances.find(serial);
    return found == registry().instances.end() ? nullptr : found->second.lock();
}

Vst3Instance::~Vst3Instance() {
    {
        std::lock_guard<std::mutex> lock(registry().mutex);
        registry().instances.erase(serial_);
    }
    effect_.reset(); // the effect may still report while it goes; the handler is gone by now
}

void Vst3Instance::setHandler(vst3::IComponentHandler* handler) noexcept { handler_ = handler; }

bool Vst3Instance::takePanel(Vst3PanelOwner* view) noexcept {
    if (panelOwner_ && panelOwner_ != view) return false;
    panelOwner_ = view;
    return true;
}

void Vst3Instance::resizePanel(PanelSize size) noexcept {
    if (panelOwner_) panelOwner_->panelResized(size);
}

void Vst3Instance::releasePanel(const Vst3PanelOwner* view) noexcept {
    if (panelOwner_ == view) panelOwner_ = nullptr;
}

void Vst3Instance::beginBlock(const Vst3BlockEvents& events) noexcept {
    blockEvents_ = &events;
    blockThread_.store(std::this_thread::get_id(), std::memory_order_relaxed);
}

void Vst3Instance::endBlock(vst3::IParameterChanges* out) noexcept {
    blockThread_.store(std::thread::id(), std::memory_order_relaxed);
    blockEvents_ = nullptr;
    output_.handOver(out);
}

bool Vst3Instance::inBlock() const noexcept {
    return blockThread_.load(std::memory_order_relaxed) == std::this_thread::get_id();
}

// ---- HostServices

void Vst3Instance::beginGesture(int32_t index) noexcept {
    if (index < 0 || index >= kNumParameters) return;
    held_.fetch_or(uint64_t(1) << index, std::memory_order_relaxed);
    if (mayReport()) handler_->beginEdit(static_cast<vst3::ParamID>(index));
}

void Vst3Instance::endGesture(int32_t index) noexcept {
    if (index < 0 || index >= kNumParameters) return;
    held_.fetch_and(~(uint64_t(1) << index), std::memory_order_relaxed);
    if (mayReport()) handler_->endEdit(static_cast<vst3::ParamID>(index));
}

void Vst3Instance::parameterChanged(int32_t index, float value, ChangeOrigin) noexcept {
    if (index < 0 || index >= kNumParameters) return;
    if (inBlock()) {
        output_.add(static_cast<vst3::ParamID>(index), blockEvents_ ? blockEvents_->lastFrame() : 0, value);
    } else if (mayReport()) {
        handler_->performEdit(static_cast<vst3::ParamID>(index), value);
    }
}

void Vst3Instance::allParametersChanged(ChangeOrigin origin) noexcept {
    if (inBlock()) {
        // A MIDI Program Change: the host hears every new value, and the program, at its frame
        // (restartComponent is a UI-thread call).
        const int32_t frame = blockEvents_ ? blockEvents_->lastFrame() : 0;
        for (int32_t index = 0; index < kNumParameters; ++index)
            output_.add(static_cast<vst3::ParamID>(index), frame, effect_->parameter(index));
        output_.add(kVst3ProgramParameter, frame,
                    double(effect_->currentProgram()) / double(effect_->programCount() - 1));
        return;
    }
    if (!mayReport()) return;
    // The handler is the host's; the reference the controller holds keeps it alive here.
    Vst3Ptr<vst3::IComponentHandler> handler(handler_);
    if (stateCalls_ == 0) handler->restartComponent(vst3::kParamValuesChanged);
    if (origin == ChangeOrigin::state)
        if (auto units = handler.query<vst3::IUnitHandler>())
            units->notifyProgramListChange(kVst3ProgramList, vst3::kAllProgramInvalid);
}

} // namespace zk
