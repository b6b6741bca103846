#pragma once

// The audio processor: the class hosts create first. It owns the shared instance (built in
// initialize), describes the buses (one stereo input, one stereo output, one MIDI event
// input of 16 channels), accepts only stereo, runs the effect in process with the block's
// parameter changes at their frames, and keeps the state. Processing is 32-bit only.
// How a host uses it:
// 1. initialize [main]; getControllerClassId, and connect with the controller [main].
// 2. Buses and arrangements, canProcessSampleSize, setupProcessing [main], while inactive.
// 3. setActive(true) [main], setProcessing [audio or main], then process [audio] block by
//    block; setActive(false) [main]. getLatencySamples, getTailSamples [main].
// 4. getState, setState [main], at any time; the controller is then given the same bytes
//    through setComponentState.
// 5. terminate [main], then the last release.

#include "formats/vst3/Vst3Com.h"
#include "formats/vst3/Vst3Events.h"
#include "formats/vst3/Vst3Link.h"
#include "formats/vst3/Vst3Setup.h"

#include <memory>
#include <vector>

namespace zk {

class Vst3Processor final : public vst3::IComponent,
                            public vst3::IAudioProcessor,
                            public vst3::IProcessContextRequirements,
                            public vst3::IConnectionPoint,
                            public IVst3Link,
                            public Vst3RefCount<Vst3Processor> {
public:
    explicit Vst3Processor(const Vst3Setup& setup) noexcept;
    ~Vst3Processor();

    // FUnknown
    vst3::tresult ZK_VST3_CALL queryInterface(const vst3::TUID iid, void** obj) override;
    vst3::uint32 ZK_VST3_CALL addRef() override { return retain(); }
    vst3::uint32 ZK_VST3_CALL release() override { return drop(); }

    // IPluginBase
    vst3::tresult ZK_VST3_CALL initialize(vst3::FUnknown* context) override;
    vst3::tresult ZK_VST3_CALL terminate() override;

    // IComponent
    vst3::tresult ZK_VST3_CALL getControllerClassId(vst3::TUID classId) override;
    vst3::tresult ZK_VST3_CALL setIoMode(vst3::IoMode) override { return vst3::kResultOk; }
    vst3::int32 ZK_VST3_CALL getBusCount(vst3::MediaType type, vst3::BusDirection dir) override;
    vst3::tresult ZK_VST3_CALL getBusInfo(vst3::MediaType type, vst3::BusDirection dir, vst3::int32 index,
                                          vst3::BusInfo& bus) override;
    vst3::tresult ZK_VST3_CALL getRoutingInfo(vst3::RoutingInfo&, vst3::RoutingInfo&) override {
        return vst3::kNotImplemented;
    }
    vst3::tresult ZK_VST3_CALL activateBus(vst3::MediaType type, vst3::BusDirection dir, vst3::int32 index,
                                           vst3::TBool state) override;
    vst3::tresult ZK_VST3_CALL setActive(vst3::TBool state) override;
    vst3::tresult ZK_VST3_CALL setState(vst3::IBStream* state) override;
    vst3::tresult ZK_VST3_CALL getState(vst3::IBStream* state) override;

    // IAudioProcessor
    vst3::tresult ZK_VST3_CALL setBusArrangements(vst3::SpeakerArrangement* inputs, vst3::int32 numIns,
                                                  vst3::SpeakerArrangement* outputs, vst3::int32 numOuts) override;
    vst3::tresult ZK_VST3_CALL getBusArrangement(vst3::BusDirection dir, vst3::int32 index,
                                                 vst3::SpeakerArrangement& arr) override;
    vst3::tresult ZK_VST3_CALL canProcessSampleSize(vst3::int32 symbolicSampleSize) override;
    vst3::uint32 ZK_VST3_CALL getLatencySamples() override { return 0; }
    vst3::tresult ZK_VST3_CALL setupProcessing(vst3::ProcessSetup& setup) override;
    vst3::tresult ZK_VST3_CALL setProcessing(vst3::TBool state) override;
    vst3::tresult ZK_VST3_CALL process(vst3::ProcessData& data) override;
    vst3::uint32 ZK_VST3_CALL getTailSamples() override;

    // IProcessContextRequirements: no transport information needed.
    vst3::uint32 ZK_VST3_CALL getProcessContextRequirements() override { return 0; }

    // IConnectionPoint
    vst3::tresult ZK_VST3_CALL connect(vst3::IConnectionPoint* other) override;
    vst3::tresult ZK_VST3_CALL disconnect(vst3::IConnectionPoint* other) override;
    vst3::tresult ZK_VST3_CALL notify(vst3::IMessage* message) override;

    // IVst3Link
    Vst3Instance* ZK_VST3_CALL linkedInstance() override { return instance_.get(); }
    void ZK_VST3_CALL offerInstance(Vst3Instance*) override {}

private:
    void announce();

    const Vst3Setup& setup_;
    std::shared_ptr<Vst3Instance> instance_;
    Vst3Ptr<vst3::FUnknown> context_;
    Vst3Ptr<vst3::IConnectionPoint> peer_;
    vst3::ProcessSetup processSetup_{vst3::kRealtime, vst3::kSample32, 1024, 44100.0};
    bool active_ = false;
    bool busActive_[3] = {false, false, false}; // audio in, audio out, events in
    std::vector<float> silence_; // the input of a block the host marks silent
    Vst3BlockEvents events_;
};

} // namespace zk
