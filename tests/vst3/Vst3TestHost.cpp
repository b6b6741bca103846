#include "tests/vst3/Vst3TestHost.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdio>

namespace zkvst3test {

std::string builtModulePath() { return std::string(ZK_VST3_BUNDLE_PATH) + "/Contents/" ZK_VST3_ARCH "/Zephyrkettledrome.so"; }

vst3::IPluginFactory* factory() {
    // Loaded once and never unloaded: instances of every test share it, as in a host.
    static vst3::IPluginFactory* const theFactory = []() -> vst3::IPluginFactory* {
        void* module = dlopen(builtModulePath().c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            std::fprintf(stderr, "cannot load %s: %s\n", builtModulePath().c_str(), dlerror());
            return nullptr;
        }
        auto entry = reinterpret_cast<vst3::ModuleEntryProc>(dlsym(module, "ModuleEntry"));
        auto get = reinterpret_cast<vst3::GetFactoryProc>(dlsym(module, "GetPluginFactory"));
        if (!entry || !get || !entry(module)) return nullptr;
        return get();
    }();
    return theFactory;
}

Instance::Instance() {
    vst3::IPluginFactory* f = factory();
    if (!f) {
        ADD_FAILURE() << "no factory";
        return;
    }
    vst3::PClassInfo info{};
    for (int32_t i = 0; i < f->countClasses(); ++i)
        if (f->getClassInfo(i, &info) == vst3::kResultOk && std::string(info.category) == vst3::kVstAudioEffectClass) break;
    void* made = nullptr;
    if (f->createInstance(info.cid, vst3::IComponent::iid.data(), &made) != vst3::kResultOk || !made) {
        ADD_FAILURE() << "no component";
        return;
    }
    component_ = Vst3Ref<vst3::IComponent>(static_cast<vst3::IComponent*>(made));
    EXPECT_EQ(component_->initialize(&context_), vst3::kResultOk);
    processor_ = component_.query<vst3::IAudioProcessor>();
    vst3::TUID controllerId{};
    made = nullptr;
    EXPECT_EQ(component_->getControllerClassId(controllerId), vst3::kResultOk);
    if (f->createInstance(controllerId, vst3::IEditController::iid.data(), &made) != vst3::kResultOk || !made) {
        ADD_FAILURE() << "no controller";
        return;
    }
    controller_ = Vst3Ref<vst3::IEditController>(static_cast<vst3::IEditController*>(made));
    EXPECT_EQ(controller_->initialize(&context_), vst3::kResultOk);
    controller_->setComponentHandler(&handler_);
    componentPoint_ = component_.query<vst3::IConnectionPoint>();
    controllerPoint_ = controller_.query<vst3::IConnectionPoint>();
    if (componentPoint_ && controllerPoint_) {
        componentPoint_->connect(controllerPoint_.get());
        controllerPoint_->connect(componentPoint_.get());
    }
    zkhost::Vst3MemoryStream stream;
    if (component_->getState(&stream) == vst3::kResultOk) {
        stream.rewind();
        controller_->setComponentState(&stream);
    }
}

Instance::~Instance() {
    stop();
    if (componentPoint_ && controllerPoint_) {
        componentPoint_->disconnect(controllerPoint_.get());
        controllerPoint_->disconnect(componentPoint_.get());
    }
    componentPoint_ = {};
    controllerPoint_ = {};
    if (controller_) {
        controller_->setComponentHandler(nullptr);
        controller_->terminate();
    }
    processor_ = {};
    if (component_) component_->terminate();
    controller_ = {};
    component_ = {};
}

bool Instance::start(double rate, int32_t maxBlock) {
    vst3::SpeakerArrangement in = vst3::SpeakerArr::kStereo, out = vst3::SpeakerArr::kStereo;
    if (processor_->setBusArrangements(&in, 1, &out, 1) != vst3::kResultOk) return false;
    vst3::ProcessSetup setup{vst3::kRealtime, vst3::kSample32, maxBlock, rate};
    if (processor_->setupProcessing(setup) != vst3::kResultOk) return false;
    if (component_->setActive(true) != vst3::kResultOk) return false;
    active_ = true;
    processing_ = processor_->setProcessing(true) == vst3::kResultOk;
    return processing_;
}

void Instance::stop() {
    if (processing_) processor_->setProcessing(false);
    if (active_) component_->setActive(false);
    processing_ = active_ = false;
}

vst3::tresult Instance::process(const float* inL, const float* inR, float* outL, float* outR, int32_t frames,
                                const std::vector<Change>& changes) {
    inputChanges_.clear();
    outputChanges_.clear();
    for (const Change& c : changes) {
        vst3::int32 queueIndex = 0, pointIndex = 0;
        if (vst3::IParamValueQueue* queue = inputChanges_.addParameterData(c.id, queueIndex))
            queue->addPoint(c.frame, c.value, pointIndex);
    }
    float* ins[2] = {const_cast<float*>(inL), const_cast<float*>(inR)};
    float* outs[2] = {outL, outR};
    vst3::AudioBusBuffers input{}, output{};
    input.numChannels = output.numChannels = 2;
    input.channelBuffers32 = ins;
    output.channelBuffers32 = outs;
    vst3::ProcessData data{};
    data.processMode = vst3::kRealtime;
    data.symbolicSampleSize = vst3::kSample32;
    data.numSamples = frames;
    data.numInputs = data.numOutputs = 1;
    data.inputs = &input;
    data.outputs = &output;
    data.inputParameterChanges = &inputChanges_;
    data.outputParameterChanges = &outputChanges_;
    const vst3::tresult result = processor_->process(data);
    outputChanges.clear();
    for (int32_t q = 0; q < outputChanges_.used(); ++q)
        for (const auto& point : outputChanges_.queue(q).points)
            outputChanges.push_back({point.offset, outputChanges_.queue(q).id, point.value});
    return result;
}

Stereo Instance::render(const Stereo& input, const std::vector<int32_t>& sizes) {
    return zktest::renderInBlocks(input, sizes, [this](const float* inL, const float* inR, float* outL, float* outR,
                                                       int32_t frames) { process(inL, inR, outL, outR, frames); });
}

std::vector<uint8_t> Instance::state(int32_t bytesPerCall) {
    zkhost::Vst3MemoryStream stream({}, bytesPerCall);
    if (component_->getState(&stream) != vst3::kResultOk) return {};
    return stream.bytes;
}

vst3::tresult Instance::loadState(const std::vector<uint8_t>& bytes, int32_t bytesPerCall) {
    zkhost::Vst3MemoryStream stream(bytes, bytesPerCall);
    const vst3::tresult result = component_->setState(&stream);
    if (result != vst3::kResultOk) return result;
    zkhost::Vst3MemoryStream again(bytes, bytesPerCall);
    return controller_->setComponentState(&again);
}

} // namespace zkvst3test
