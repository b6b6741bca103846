#include "formats/vst3/Vst3Processor.h"

#include "formats/vst3/Vst3Instance.h"
#include "formats/vst3/Vst3State.h"
#include "formats/vst3/Vst3Text.h"
#include "product/Identity.h"

#include <algorithm>
#include <cstring>
#include <cstdio>

namespace zk {

namespace {

constexpr int32_t kMidiChannels = 16;

// The two channels of a block's first bus, or nulls.
void stereoChannels(const vst3::AudioBusBuffers* buses, int32_t count, int32_t frames, float* (&channels)[2]) {
    channels[0] = channels[1] = nullptr;
    if (!buses || count < 1 || buses[0].numChannels < 2 || !buses[0].channelBuffers32 || frames <= 0) return;
    channels[0] = buses[0].channelBuffers32[0];
    channels[1] = buses[0].channelBuffers32[1];
}

void silence(vst3::AudioBusBuffers* buses, int32_t count, int32_t frames) {
    if (!buses || count < 1 || !buses[0].channelBuffers32 || frames <= 0) return;
    for (int32_t c = 0; c < buses[0].numChannels; ++c)
        if (float* channel = buses[0].channelBuffers32[c]) std::fill(channel, channel + frames, 0.0f);
}

} // namespace

Vst3Processor::Vst3Processor(const Vst3Setup& setup) noexcept : setup_(setup) {}

Vst3Processor::~Vst3Processor() = default;

vst3::tresult Vst3Processor::queryInterface(const vst3::TUID iid, void** obj) {
    if (!obj) return vst3::kInvalidArgument;
    *obj = nullptr;
    using namespace vst3;
    if (offerInterface<IComponent>(this, iid, obj) || offerInterface<IPluginBase, IComponent>(this, iid, obj) ||
        offerInterface<FUnknown, IComponent>(this, iid, obj) || offerInterface<IAudioProcessor>(this, iid, obj) ||
        offerInterface<IProcessContextRequirements>(this, iid, obj) ||
        offerInterface<IConnectionPoint>(this, iid, obj) || offerInterface<IVst3Link>(this, iid, obj))
        return kResultOk;
    return kNoInterface;
}

vst3::tresult Vst3Processor::initialize(vst3::FUnknown* context) {
    if (instance_) return vst3::kResultFalse; // once only
    try {
        instance_ = Vst3Instance::create(setup_.makeEffect);
    } catch (...) {
        return vst3::kInternalError;
    }
    context_ = Vst3Ptr<vst3::FUnknown>(context);
    return vst3::kResultOk;
}

vst3::tresult Vst3Processor::terminate() {
    if (active_ && instance_) instance_->effect().deactivate();
    active_ = false;
    peer_ = {};
    context_ = {};
    instance_.reset(); // the effect goes once a controller that shares it lets go too
    return vst3::kResultOk;
}

vst3::tresult Vst3Processor::getControllerClassId(vst3::TUID classId) {
    if (!classId) return vst3::kInvalidArgument;
    std::memcpy(classId, vst3::uidFromReadingOrder(kVst3ControllerId).data(), sizeof(vst3::TUID));
    return vst3::kResultOk;
}

vst3::int32 Vst3Processor::getBusCount(vst3::MediaType type, vst3::BusDirection dir) {
    if (type == vst3::kAudio && (dir == vst3::kInput || dir == vst3::kOutput)) return 1;
    if (type == vst3::kEvent && dir == vst3::kInput) return 1;
    return 0;
}

vst3::tresult Vst3Processor::getBusInfo(vst3::MediaType type, vst3::BusDirection dir, vst3::int32 index,
                                        vst3::BusInfo& bus) {
    if (index != 0 || getBusCount(type, dir) == 0) return vst3::kInvalidArgument;
    bus = {};
    bus.mediaType = type;
    bus.direction = dir;
    bus.busType = vst3::kMain;
    bus.flags = vst3::BusInfo::kDefaultActive;
    if (type == vst3::kAudio) {
        bus.channelCount = 2;
        toUtf16(dir == vst3::kInput ? "Input" : "Output", bus.name);
    } else {
        bus.channelCount = kMidiChannels;
        toUtf16("MIDI Input", bus.name);
    }
    return vst3::kResultOk;
}

vst3::tresult Vst3Processor::activateBus(vst3::MediaType type, vst3::BusDirection dir, vst3::int32 index,
                                         vst3::TBool state) {
    if (index != 0 || getBusCount(type, dir) == 0) return vst3::kInvalidArgument;
    busActive_[type == vst3::kEvent ? 2 : dir == vst3::kInput ? 0 : 1] = state != 0;
    return vst3::kResultOk;
}

vst3::tresult Vst3Processor::setActive(vst3::TBool state) {
    if (!instance_) return vst3::kNotInitialized;
    Effect& effect = instance_->effect();
    // Activating re-applies the current program at the new rate: no value changes that the
    // host would have to hear of.
    Vst3Instance::HoldReports quiet(*instance_);
    if (state) {
        try {
            silence_.assign(static_cast<size_t>(std::max<int32_t>(processSetup_.maxSamplesPerBlock, 1)), 0.0f);
        } catch (...) {
            return vst3::kOutOfMemory;
        }
        effect.setSampleRate(static_cast<float>(processSetup_.sampleRate));
        effect.setMaxBlockSize(processSetup_.maxSamplesPerBlock);
        effect.activate();
    } else {
        effect.deactivate();
        instance_->setProcessing(false);
    }
    active_ = state != 0;
    return vst3::kResultOk;
}

vst3::tresult Vst3Processor::setProcessing(vst3::TBool state) {
    if (!instance_) return vst3::kNotInitialized;
    instance_->setProcessing(state != 0 && active_);
    return vst3::kResultOk;
}

vst3::tresult Vst3Processor::setState(vst3::IBStream* state) {
    if (!instance_) return vst3::kNotInitialized;
    Vst3Instance::HostStateCall inside(*instance_);
    return loadVst3State(instance_->effect(), state) ? vst3::kResultOk : vst3::kResultFalse;
}

vst3::tresult Vst3Processor::getState(vst3::IBStream* state) {
    if (!instance_) return vst3::kNotInitialized;
    return saveVst3State(instance_->effect(), state) ? vst3::kResultOk : vst3::kResultFalse;
}

vst3::tresult Vst3Processor::setBusArrangements(vst3::SpeakerArrangement* inputs, vst3::int32 numIns,
                                                vst3::SpeakerArrangement* outputs, vst3::int32 numOuts) {
    // Stereo in and out only; anything else is answered with what we keep.
    const bool stereo = numIns == 1 && numOuts == 1 && inputs && outputs && inputs[0] == vst3::SpeakerArr::kStereo &&
                        outputs[0] == vst3::SpeakerArr::kStereo;
    return stereo ? vst3::kResultTrue : vst3::kResultFalse;
}

vst3::tresult Vst3Processor::getBusArrangement(vst3::BusDirection dir, vst3::int32 index,
                                               vst3::SpeakerArrangement& arr) {
    if (index != 0 || (dir != vst3::kInput && dir != vst3::kOutput)) return vst3::kInvalidArgument;
    arr = vst3::SpeakerArr::kStereo;
    return vst3::kResultTrue;
}

vst3::tresult Vst3Processor::canProcessSampleSize(vst3::int32 symbolicSampleSize) {
    return symbolicSampleSize == vst3::kSample32 ? vst3::kResultTrue : vst3::kResultFalse;
}

vst3::tresult Vst3Processor::setupProcessing(vst3::ProcessSetup& setup) {
    if (setup.symbolicSampleSize != vst3::kSample32) return vst3::kResultFalse;
    if (setup.maxSamplesPerBlock <= 0 || !(setup.sampleRate > 0.0)) return vst3::kInvalidArgument;
    processSetup_ = setup; // taken at the next setActive(true)
    return vst3::kResultOk;
}

vst3::tresult Vst3Processor::process(vst3::ProcessData& data) {
    if (!instance_) return vst3::kNotInitialized;
    if (data.symbolicSampleSize != vst3::kSample32) return vst3::kInvalidArgument;
    Effect& effect = instance_->effect();
    const int32_t frames = std::max<int32_t>(0, data.numSamples);
    events_.read(data.inputParameterChanges, frames, instance_->heldParameters());
    if (events_.bypassChange() >= 0) effect.setBypass(events_.bypassChange() == 1);
    float* in[2];
    float* out[2];
    stereoChannels(data.inputs, data.numInputs, frames, in);
    stereoChannels(data.outputs, data.numOutputs, frames, out);
    instance_->beginBlock(events_);
    if (!out[0] || !out[1]) {
        // Nothing to write to (or a call that only brings changes): the changes still act.
        silence(data.outputs, data.numOutputs, frames);
        effect.process(nullptr, nullptr, std::max<int32_t>(frames, 1), &events_);
    } else {
        if (!in[0] || !in[1]) {
            // No input: the silent output is the input.
            silence(data.outputs, data.numOutputs, frames);
            in[0] = out[0];
            in[1] = out[1];
        } else if (static_cast<size_t>(frames) <= silence_.size()) {
            // A channel the host marks silent is silence, whatever its buffer holds.
            for (int c = 0; c < 2; ++c)
                if (data.inputs[0].silenceFlags >> c & 1u) in[c] = silence_.data();
        }
        effect.process(in, out, frames, &events_);
    }
    instance_->endBlock(data.outputParameterChanges);
    if (data.outputs && data.numOutputs > 0) {
        // A channel of nothing but zeros is marked silent, so that a host may skip what follows.
        uint64_t silent = 0;
        for (int c = 0; c < 2; ++c)
            if (out[c] && std::all_of(out[c], out[c] + frames, [](float x) { return x == 0.0f; })) silent |= 1u << c;
        data.outputs[0].silenceFlags = out[0] && out[1] ? silent : 3u;
    }
    return vst3::kResultOk;
}

vst3::uint32 Vst3Processor::getTailSamples() {
    static_assert(Effect::kInfiniteTail == vst3::kInfiniteTail);
    return instance_ ? instance_->effect().tailFrames() : vst3::kNoTail;
}

vst3::tresult Vst3Processor::connect(vst3::IConnectionPoint* other) {
    if (!other) return vst3::kInvalidArgument;
    peer_ = Vst3Ptr<vst3::IConnectionPoint>(other);
    if (auto link = peer_.query<IVst3Link>())
        link->offerInstance(instance_.get());
    else
        announce();
    return vst3::kResultOk;
}

vst3::tresult Vst3Processor::disconnect(vst3::IConnectionPoint* other) {
    if (peer_.get() == other) peer_ = {};
    return vst3::kResultOk;
}

vst3::tresult Vst3Processor::notify(vst3::IMessage* message) {
    if (isVst3Message(message, kVst3HelloMessage)) announce();
    return vst3::kResultOk;
}

void Vst3Processor::announce() {
    if (instance_ && peer_) sendVst3Message(context_.get(), peer_.get(), kVst3InstanceMessage, instance_.get());
}

} // namespace zk
