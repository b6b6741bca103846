#pragma once

// A VST3 host for the tests, written against the interface only: the built bundle's module
// loaded with dlopen (RTLD_NOW, as strict hosts do) and entered once, and instances driven
// the documented way (initialise both halves, connect them, hand the controller the
// component's state, bus arrangement, setupProcessing, setActive, setProcessing, process,
// state, terminate). The host objects are zkhost's; what the plug-in reports to the host
// is recorded.

#include "formats/vst3/Vst3Abi.h"
#include "tests/support/Stereo.h"
#include "tools/zkhost/Vst3HostObjects.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zkvst3test {

using zkhost::Vst3Ref;

// The built bundle's module for this machine.
std::string builtModulePath();

// The module, loaded and entered for the whole test program; its factory.
vst3::IPluginFactory* factory();

using zktest::Stereo;
using zktest::badSample;
using zktest::peak;
using zktest::testSignal;

// A parameter change at a frame of a block.
struct Change {
    int32_t frame;
    vst3::ParamID id;
    double value;
};

class Instance final : private zkhost::Vst3HostEvents {
public:
    // Creates, initialises and connects processor and controller (fails the test if not).
    Instance();
    ~Instance() override;
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    vst3::IComponent* component() const { return component_.get(); }
    vst3::IAudioProcessor* processor() const { return processor_.get(); }
    vst3::IEditController* controller() const { return controller_.get(); }

    // Stereo buses, setupProcessing, setActive(true), setProcessing(true): false if refused.
    bool start(double rate, int32_t maxBlock);
    void stop();
    // As a host that forgets to: the instance is then terminated while active and processing.
    void forgetToStop() { active_ = processing_ = false; }
    // One block; `changes` go into the block's input queues (one queue per id, in order).
    vst3::tresult process(const float* inL, const float* inR, float* outL, float* outR, int32_t frames,
                          const std::vector<Change>& changes = {});
    // The input in blocks of the sizes given in turn (repeating the list).
    Stereo render(const Stereo& input, const std::vector<int32_t>& sizes);

    // The component's state (empty if it refused), and loading one into the component and
    // then the controller, as hosts restore a project.
    std::vector<uint8_t> state(int32_t bytesPerCall = 0);
    vst3::tresult loadState(const std::vector<uint8_t>& bytes, int32_t bytesPerCall = 0);

    // What the plug-in reported to the host.
    int restarts = 0;
    int programListChanges = 0;
    std::vector<Change> outputChanges; // of the last block

private:
    void beginEdit(vst3::ParamID) override {}
    void performEdit(vst3::ParamID, vst3::ParamValue) override {}
    void endEdit(vst3::ParamID) override {}
    void restartComponent(int32_t) override { ++restarts; }
    void programListChanged(vst3::ProgramListID, int32_t) override { ++programListChanges; }

    zkhost::Vst3HostContext context_;
    zkhost::Vst3ComponentHandler handler_{*this};
    Vst3Ref<vst3::IComponent> component_;
    Vst3Ref<vst3::IAudioProcessor> processor_;
    Vst3Ref<vst3::IEditController> controller_;
    Vst3Ref<vst3::IConnectionPoint> componentPoint_, controllerPoint_;
    bool active_ = false, processing_ = false;
    zkhost::Vst3ParameterChanges inputChanges_, outputChanges_;
};

} // namespace zkvst3test
