#include "tools/zkhost/Vst3Host.h"

#include "tools/zkhost/ModuleLoader.h"
#include "tools/zkhost/ProgramChangeState.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace zkhost {

namespace {

constexpr double kTempo = 120.0;
constexpr int32_t kMidiChannels = 16;

// Entries of each module: it is entered once however many of its instances are alive, and
// left when the last one goes.
std::map<void*, int>& moduleUsers() {
    static std::map<void*, int> users;
    return users;
}

std::string text8(const char* chars, size_t capacity) { return std::string(chars, strnlen(chars, capacity)); }


std::string uidText(const char* cid) {
    // The same digits on every system: Windows ids hold the first three numbers little-endian.
    static const int windowsOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    std::string text;
    char hex[3];
    for (int i = 0; i < 16; ++i) {
#if defined(_WIN32)
        const auto byte = static_cast<unsigned char>(cid[windowsOrder[i]]);
#else
        (void)windowsOrder;
        const auto byte = static_cast<unsigned char>(cid[i]);
#endif
        std::snprintf(hex, sizeof hex, "%02X", byte);
        text += hex;
    }
    return text;
}

void enterModule(void* library, const std::string& modulePath) {
    int& users = moduleUsers()[library];
    if (users++ > 0) return;
#if defined(_WIN32)
    if (auto init = reinterpret_cast<vst3::InitModuleProc>(findSymbol(library, "InitDll")); init && !init()) {
#else
    if (auto entry = reinterpret_cast<vst3::ModuleEntryProc>(findSymbol(library, "ModuleEntry"));
        entry && !entry(library)) {
#endif
        --users;
        throw HostError("the VST3 module " + modulePath + " refused to start");
    }
}

void leaveModule(void* library) {
    if (--moduleUsers()[library] > 0) return;
#if defined(_WIN32)
    if (auto exit = reinterpret_cast<vst3::ExitModuleProc>(findSymbol(library, "ExitDll"))) exit();
#else
    if (auto exit = reinterpret_cast<vst3::ModuleExitProc>(findSymbol(library, "ModuleExit"))) exit();
#endif
}

} // namespace

Vst3Host::Vst3Host(void* library, const std::string& modulePath) : library_(library), modulePath_(modulePath) {
    auto getFactory = reinterpret_cast<vst3::GetFactoryProc>(findSymbol(library, "GetPluginFactory"));
    if (!getFactory) throw HostError(modulePath + " exports no GetPluginFactory");
    enterModule(library_, modulePath_);
    factory_ = getFactory();
    if (!factory_) {
        leaveModule(library_);
        throw HostError(modulePath + " gives no plug-in factory");
    }
    try {
        createInstance();
    } catch (...) {
        teardown();
        throw;
    }
}

Vst3Host::~Vst3Host() { teardown(); }

void Vst3Host::teardown() {
    if (!factory_) return; // torn down already
    stop();
    destroyView();
    if (componentPoint_ && controllerPoint_) {
        componentPoint_->disconnect(controllerPoint_.get());
        controllerPoint_->disconnect(componentPoint_.get());
    }
    componentPoint_ = {};
    controllerPoint_ = {};
    midiMapping_ = {};
    unitInfo_ = {};
    if (controller_ && separateController_ && controllerInitialised_) controller_->terminate();
    controller_ = {};
    processor_ = {};
    if (component_ && componentInitialised_) component_->terminate();
    component_ = {};
    factory_->release();
    factory_ = nullptr;
    leaveModule(library_);
    // The module stays loaded (see loadModule).
}

void Vst3Host::createInstance() {
    vst3::PFactoryInfo factoryInfo{};
    if (factory_->getFactoryInfo(&factoryInfo) == vst3::kResultOk) {
        vendor_ = text8(factoryInfo.vendor, sizeof factoryInfo.vendor);
        url_ = text8(factoryInfo.url, sizeof factoryInfo.url);
        email_ = text8(factoryInfo.email, sizeof factoryInfo.email);
    }
    Vst3Ref<vst3::IPluginFactory> factory(factory_);
    factory_->addRef();
    auto factory2 = factory.query<vst3::IPluginFactory2>();
    if (auto factory3 = factory.query<vst3::IPluginFactory3>()) factory3->setHostContext(&context_);

    vst3::PClassInfo chosen{};
    int32_t index = -1;
    const int32_t classes = factory_->countClasses();
    for (int32_t i = 0; i < classes && i < 1000 && index < 0; ++i) {
        vst3::PClassInfo info{};
        if (factory_->getClassInfo(i, &info) != vst3::kResultOk) continue;
        if (text8(info.category, sizeof info.category) == vst3::kVstAudioEffectClass) {
            chosen = info;
            index = i;
        }
    }
    if (index < 0) throw HostError(modulePath_ + " offers no audio effect class");
    className_ = text8(chosen.name, sizeof chosen.name);
    classCategory_ = text8(chosen.category, sizeof chosen.category);
    cidText_ = uidText(chosen.cid);
    vst3::PClassInfo2 info2{};
    if (factory2 && factory2->getClassInfo2(index, &info2) == vst3::kResultOk) {
        subCategories_ = text8(info2.subCategories, sizeof info2.subCategories);
        classVersion_ = text8(info2.version, sizeof info2.version);
        sdkVersion_ = text8(info2.sdkVersion, sizeof info2.sdkVersion);
        if (vendor_.empty()) vendor_ = text8(info2.vendor, sizeof info2.vendor);
    }

    void* made = nullptr;
    if (factory_->createInstance(chosen.cid, vst3::IComponent::iid.data(), &made) != vst3::kResultOk || !made)
        throw HostError("the factory of " + modulePath_ + " made no " + className_);
    component_ = Vst3Ref<vst3::IComponent>(static_cast<vst3::IComponent*>(made));
    if (component_->initialize(&context_) != vst3::kResultOk)
        throw HostError("the plug-in of " + modulePath_ + " refused to initialise");
    componentInitialised_ = true;
    processor_ = component_.query<vst3::IAudioProcessor>();
    if (!processor_) throw HostError(className_ + " has no audio processor");

    // The controller: the component itself, else the class it names.
    controller_ = component_.query<vst3::IEditController>();
    if (!controller_) {
        vst3::TUID controllerId{};
        made = nullptr;
        if (component_->getControllerClassId(controllerId) == vst3::kResultOk &&
            factory_->createInstance(controllerId, vst3::IEditController::iid.data(), &made) == vst3::kResultOk && made) {
            controller_ = Vst3Ref<vst3::IEditController>(static_cast<vst3::IEditController*>(made));
            separateController_ = true;
            if (controller_->initialize(&context_) != vst3::kResultOk)
                throw HostError("the edit controller of " + modulePath_ + " refused to initialise");
            controllerInitialised_ = true;
        }
    }
    if (!controller_) throw HostError(className_ + " has no edit controller");
    controller_->setComponentHandler(&handler_);
    if (separateController_) {
        componentPoint_ = component_.query<vst3::IConnectionPoint>();
        controllerPoint_ = controller_.query<vst3::IConnectionPoint>();
        if (componentPoint_ && controllerPoint_) {
            componentPoint_->connect(controllerPoint_.get());
            controllerPoint_->connect(componentPoint_.get());
        }
    }
    // The controller learns the processor's state.
    Vst3MemoryStream state;
    if (component_->getState(&state) == vst3::kResultOk) {
        state.rewind();
        controller_->setComponentState(&state);
    }
    midiMapping_ = controller_.query<vst3::IMidiMapping>();
    unitInfo_ = controller_.query<vst3::IUnitInfo>();
    readBuses();
    readParams();
    readMidiMapping();
}

void Vst3Host::readBuses() {
    constexpr int32_t kMostChannels = 64;
    int32_t channels[2] = {0, 0};
    for (vst3::BusDirection dir : {vst3::kInput, vst3::kOutput}) {
        const int32_t buses = component_->getBusCount(vst3::kAudio, dir);
        for (int32_t b = 0; b < buses && b < kMostChannels; ++b) {
            vst3::BusInfo bus{};
            if (component_->getBusInfo(vst3::kAudio, dir, b, bus) != vst3::kResultOk) continue;
            channels[dir] += std::max(0, bus.channelCount);
            component_->activateBus(vst3::kAudio, dir, b, 1);
        }
        if (channels[dir] > kMostChannels) throw HostError(modulePath_ + " reports impossible numbers of channels");
    }
    inputChannels_ = channels[0];
    outputChannels_ = channels[1];
    eventInputs_ = component_->getBusCount(vst3::kEvent, vst3::kInput);
    for (int32_t b = 0; b < eventInputs_ && b < kMostChannels; ++b) component_->activateBus(vst3::kEvent, vst3::kInput, b, 1);
}

void Vst3Host::readParams() {
    params_.clear();
    indexOfId_.clear();
    programParam_ = vst3::kNoParamId;
    const int32_t count = controller_->getParameterCount();
    if (count > 100000) throw HostError(modulePath_ + " reports " + std::to_string(count) + " parameters");
    for (int32_t i = 0; i < count; ++i) {
        vst3::ParameterInfo info{};
        if (controller_->getParameterInfo(i, info) != vst3::kResultOk)
            throw HostError(modulePath_ + " gives no information about parameter " + std::to_string(i));
        if ((info.flags & vst3::ParameterInfo::kIsProgramChange) && programParam_ == vst3::kNoParamId) {
            programParam_ = info.id;
            programSteps_ = info.stepCount;
        }
        if (info.flags & vst3::ParameterInfo::kIsHidden) continue;
        if (!indexOfId_.emplace(info.id, static_cast<int32_t>(params_.size())).second)
            throw HostError(modulePath_ + " has two parameters with the id " + std::to_string(info.id));
        params_.push_back({info.id, utf8Of(info.title, 128), utf8Of(info.units, 128), info.stepCount, info.flags,
                           info.unitId, info.defaultNormalizedValue});
    }
}

void Vst3Host::readMidiMapping() {
    for (auto& channel : midiMap_) channel.fill(vst3::kNoParamId);
    if (!midiMapping_ || eventInputs_ < 1) return;
    for (int16_t channel = 0; channel < kMidiChannels; ++channel)
        for (int16_t number = 0; number < static_cast<int16_t>(midiMap_[0].size()); ++number) {
            vst3::ParamID id = vst3::kNoParamId;
            if (midiMapping_->getMidiControllerAssignment(0, channel, number, id) == vst3::kResultTrue)
                midiMap_[size_t(channel)][size_t(number)] = id;
        }
}

int32_t Vst3Host::indexOf(vst3::ParamID id) const {
    auto found = indexOfId_.find(id);
    return found == indexOfId_.end() ? -1 : found->second;
}

float Vst3Host::getParameter(int32_t index) {
    return static_cast<float>(controller_->getParamNormalized(params_.at(static_cast<size_t>(index)).id));
}

void Vst3Host::setParameter(int32_t index, float value) {
    const vst3::ParamID id = params_.at(static_cast<size_t>(index)).id;
    controller_->setParamNormalized(id, value);
    pending_.push_back({id, value});
    if (!processing_) flushPending();
}

std::string Vst3Host::valueText(vst3::ParamID id, double value) {
    vst3::String128 text{};
    if (controller_->getParamStringByValue(id, value, text) == vst3::kResultOk) return utf8Of(text, 128);
    char number[32];
    std::snprintf(number, sizeof number, "%.9g", value);
    return number;
}

bool Vst3Host::takesMidi(uint8_t status) {
    switch (status & 0xF0) {
    case 0x80:
    case 0x90: return eventInputs_ > 0;
    case 0xC0: return programParam_ != vst3::kNoParamId || midiMap_[0][vst3::kCtrlProgramChange] != vst3::kNoParamId;
    case 0xB0:
    case 0xD0:
    case 0xE0: return midiMapping_ && eventInputs_ > 0;
    default: return false;
    }
}

bool Vst3Host::mappedChange(const uint8_t* midi, uint8_t length, vst3::ParamID& id, double& value) const {
    const auto& map = midiMap_[midi[0] & 0x0F];
    const uint8_t data1 = length > 1 ? midi[1] & 0x7F : 0, data2 = length > 2 ? midi[2] & 0x7F : 0;
    switch (midi[0] & 0xF0) {
    case 0xB0:
        id = map[data1];
        value = data2 / 127.0;
        break;
    case 0xD0:
        id = map[vst3::kAfterTouch];
        value = data1 / 127.0;
        break;
    case 0xE0:
        id = map[vst3::kPitchBend];
        value = ((data2 << 7) | data1) / 16383.0;
        break;
    case 0xC0:
        // The program-change parameter takes program / steps; without one, a mapping of it.
        if (programParam_ != vst3::kNoParamId) {
            id = programParam_;
            value = programSteps_ > 0 ? std::min<int32_t>(data1, programSteps_) / double(programSteps_) : 0.0;
        } else {
            id = map[vst3::kCtrlProgramChange];
            value = data1 / 127.0;
        }
        break;
    default: return false;
    }
    return id != vst3::kNoParamId;
}

void Vst3Host::addNoteEvent(const HostEvent& e, int32_t frame) {
    const uint8_t kind = e.midi[0] & 0xF0;
    if (kind != 0x80 && kind != 0x90) return;
    vst3::Event event{};
    event.busIndex = 0;
    event.sampleOffset = frame;
    event.flags = e.live ? vst3::Event::kIsLive : 0;
    const bool on = kind == 0x90 && e.midi[2] > 0;
    if (on) {
        event.type = vst3::Event::kNoteOnEvent;
        event.noteOn = {static_cast<vst3::int16>(e.midi[0] & 0x0F), static_cast<vst3::int16>(e.midi[1] & 0x7F), 0.0f,
                        (e.midi[2] & 0x7F) / 127.0f, 0, -1};
    } else {
        event.type = vst3::Event::kNoteOffEvent;
        event.noteOff = {static_cast<vst3::int16>(e.midi[0] & 0x0F), static_cast<vst3::int16>(e.midi[1] & 0x7F),
                         (e.midi[2] & 0x7F) / 127.0f, -1, 0.0f};
    }
    inputEvents_.events.push_back(event);
}

void Vst3Host::start(double sampleRate, int32_t maxBlock) {
    stop();
    sampleRate_ = sampleRate;
    maxBlock_ = maxBlock;
    // The arrangements the plug-in has, asked for as they are.
    std::vector<vst3::SpeakerArrangement> arrangements[2];
    for (vst3::BusDirection dir : {vst3::kInput, vst3::kOutput}) {
        const int32_t buses = component_->getBusCount(vst3::kAudio, dir);
        for (int32_t b = 0; b < buses; ++b) {
            vst3::SpeakerArrangement arrangement = 0;
            processor_->getBusArrangement(dir, b, arrangement);
            arrangements[dir].push_back(arrangement);
        }
    }
    processor_->setBusArrangements(arrangements[0].data(), static_cast<int32_t>(arrangements[0].size()),
                                   arrangements[1].data(), static_cast<int32_t>(arrangements[1].size()));
    if (processor_->canProcessSampleSize(vst3::kSample32) != vst3::kResultTrue)
        throw HostError(className_ + " cannot process 32-bit samples");
    vst3::ProcessSetup setup{vst3::kRealtime, vst3::kSample32, maxBlock, sampleRate};
    if (processor_->setupProcessing(setup) != vst3::kResultOk)
        throw HostError("the plug-in refused to process at " + std::to_string(sampleRate) + " Hz with blocks of up to " +
                        std::to_string(maxBlock) + " frames");
    if (component_->setActive(1) != vst3::kResultOk) throw HostError("the plug-in refused to activate");
    active_ = true;
    processor_->setProcessing(1); // some plug-ins answer kNotImplemented: they process anyway
    processing_ = true;
    position_ = 0;
}

void Vst3Host::stop() {
    if (processing_) processor_->setProcessing(0);
    processing_ = false;
    if (active_) component_->setActive(0);
    active_ = false;
}

void Vst3Host::process(float** inputs, float** outputs, int32_t frames, const std::vector<HostEvent>& events, bool) {
    if (!processing_) throw HostError("zkhost processed a block before starting the plug-in");
    inputChanges_.clear();
    outputChanges_.clear();
    inputEvents_.events.clear();
    outputEvents_.events.clear();
    auto addChange = [this](vst3::ParamID id, int32_t frame, double value) {
        vst3::int32 index = 0;
        inputChanges_.addParameterData(id, index)->addPoint(frame, value, index);
        controller_->setParamNormalized(id, value); // the controller's view follows, as in hosts
    };
    for (const Pending& p : pending_) addChange(p.id, 0, p.value);
    pending_.clear();
    for (const HostEvent& e : events) {
        const int32_t frame = frames > 0 ? std::clamp(e.frame, 0, frames - 1) : 0;
        vst3::ParamID id = vst3::kNoParamId;
        double value = 0.0;
        if (e.kind == HostEvent::Kind::parameter)
            addChange(params_.at(static_cast<size_t>(e.index)).id, frame, e.value);
        else if (mappedChange(e.midi, e.midiLength, id, value))
            addChange(id, frame, value);
        else
            addNoteEvent(e, frame);
    }

    // Each bus takes its channels from the host's arrays in order.
    std::vector<vst3::AudioBusBuffers> buses[2];
    float** channels[2] = {inputs, outputs};
    for (vst3::BusDirection dir : {vst3::kInput, vst3::kOutput}) {
        int32_t channel = 0;
        const int32_t count = component_->getBusCount(vst3::kAudio, dir);
        for (int32_t b = 0; b < count; ++b) {
            vst3::BusInfo info{};
            component_->getBusInfo(vst3::kAudio, dir, b, info);
            vst3::AudioBusBuffers bus{};
            bus.numChannels = info.channelCount;
            bus.channelBuffers32 = frames > 0 ? channels[dir] + channel : nullptr;
            channel += info.channelCount;
            buses[dir].push_back(bus);
        }
    }
    const double seconds = double(position_) / sampleRate_;
    processContext_ = {};
    processContext_.state = vst3::ProcessContext::kPlaying | vst3::ProcessContext::kTempoValid |
                            vst3::ProcessContext::kTimeSigValid | vst3::ProcessContext::kProjectTimeMusicValid;
    processContext_.sampleRate = sampleRate_;
    processContext_.projectTimeSamples = position_;
    processContext_.projectTimeMusic = seconds * kTempo / 60.0;
    processContext_.tempo = kTempo;
    processContext_.timeSigNumerator = processContext_.timeSigDenominator = 4;

    vst3::ProcessData data{};
    data.processMode = vst3::kRealtime;
    data.symbolicSampleSize = vst3::kSample32;
    data.numSamples = frames;
    data.numInputs = static_cast<int32_t>(buses[0].size());
    data.numOutputs = static_cast<int32_t>(buses[1].size());
    data.inputs = buses[0].data();
    data.outputs = buses[1].data();
    data.inputParameterChanges = &inputChanges_;
    data.outputParameterChanges = &outputChanges_;
    data.inputEvents = &inputEvents_;
    data.outputEvents = &outputEvents_;
    data.processContext = &processContext_;
    if (honourSilence && frames > 0)
        for (vst3::AudioBusBuffers& bus : buses[0])
            for (int32_t c = 0; c < bus.numChannels && c < 64; ++c)
                if (silentChannels(bus.channelBuffers32 + c, 1, frames)) {
                    bus.silenceFlags |= uint64_t{1} << c;
                    std::fill(bus.channelBuffers32[c], bus.channelBuffers32[c] + frames, 0.5f); // not to be read
                }
    inProcess_ = true;
    const vst3::tresult result = processor_->process(data);
    inProcess_ = false;
    if (honourSilence && frames > 0)
        for (vst3::AudioBusBuffers& bus : buses[1])
            for (int32_t c = 0; c < bus.numChannels && c < 64; ++c)
                if (bus.silenceFlags >> c & 1u) {
                    std::fill(bus.channelBuffers32[c], bus.channelBuffers32[c] + frames, 0.0f);
                    ++silentOutputs;
                }
    takeOutputChanges(frames > 0 ? position_ : -1);
    if (result != vst3::kResultOk && result != vst3::kResultFalse)
        throw HostError("the plug-in's process failed at frame " + std::to_string(position_));
    position_ += frames;
}

// The plug-in's own changes: logged (not to be recorded, since the user made none of them)
// and passed to the controller.
void Vst3Host::takeOutputChanges(int64_t blockStart) {
    for (int32_t q = 0; q < outputChanges_.used(); ++q) {
        const Vst3ParameterChanges::Queue& queue = outputChanges_.queue(q);
        const int32_t index = indexOf(queue.id);
        for (const Vst3ParameterChanges::Point& point : queue.points) {
            controller_->setParamNormalized(queue.id, point.value);
            if (index < 0) continue; // a hidden one
            EditRecord record;
            record.index = index;
            record.value = static_cast<float>(point.value);
            record.notRecorded = true;
            record.frame = blockStart < 0 ? -1 : blockStart + point.offset;
            edits.push_back(record);
        }
    }
}

// Changes that wait for the processor, brought in a call of their own when it is not running.
void Vst3Host::flushPending() {
    if (pending_.empty() || processing_) return;
    start(sampleRate_, 64);
    process(nullptr, nullptr, 0, {}, false);
    stop();
}

void Vst3Host::sendMidiNow(const uint8_t* bytes) {
    sendMidiInOneFrame(*this, processing_, bytes);
}

std::vector<uint8_t> Vst3Host::componentState(int32_t bytesPerCall) {
    Vst3MemoryStream stream({}, bytesPerCall);
    if (component_->getState(&stream) != vst3::kResultOk) throw HostError("the plug-in could not save its state");
    return stream.bytes;
}

bool Vst3Host::loadComponentState(const std::vector<uint8_t>& bytes, int32_t bytesPerCall) {
    Vst3MemoryStream stream(bytes, bytesPerCall);
    inStateLoad_ = true;
    const bool loaded = component_->setState(&stream) == vst3::kResultOk;
    stream.rewind();
    if (loaded) controller_->setComponentState(&stream);
    inStateLoad_ = false;
    return loaded;
}

void Vst3Host::loadControllerState(const std::vector<uint8_t>& bytes) {
    Vst3MemoryStream stream(bytes, 0);
    controller_->setState(&stream);
}

// ---- the plug-in's calls on the handler

void Vst3Host::beginEdit(vst3::ParamID id) {
    EditRecord record;
    record.kind = EditRecord::Kind::beginEdit;
    record.index = indexOf(id);
    edits.push_back(record);
}

void Vst3Host::performEdit(vst3::ParamID id, vst3::ParamValue value) {
    EditRecord record;
    record.index = indexOf(id);
    record.value = static_cast<float>(value);
    edits.push_back(record);
    pending_.push_back({id, value}); // the processor hears of it with the next block
}

void Vst3Host::endEdit(vst3::ParamID id) {
    EditRecord record;
    record.kind = EditRecord::Kind::endEdit;
    record.index = indexOf(id);
    edits.push_back(record);
}

void Vst3Host::restartComponent(int32_t flags) {
    if (inProcess_) std::fprintf(stderr, "zkhost: plug-in misbehaving: it called restartComponent while processing\n");
    // Hosts may hold their own locks around a state load, and read the values after it.
    if (inStateLoad_ && (flags & vst3::kParamValuesChanged))
        std::fprintf(stderr, "zkhost: plug-in misbehaving: it called restartComponent inside a state load\n");
    static const std::pair<int32_t, const char*> words[] = {
        {vst3::kParamValuesChanged, "values"}, {vst3::kParamTitlesChanged, "info"},
        {vst3::kMidiCCAssignmentChanged, "midi-mapping"}, {vst3::kLatencyChanged, "latency"},
        {vst3::kIoChanged, "io"}, {vst3::kReloadComponent, "reload"}};
    EditRecord record;
    record.kind = EditRecord::Kind::rescan;
    for (const auto& [bit, word] : words) {
        if (!(flags & bit)) continue;
        if (!record.what.empty()) record.what += ' ';
        record.what += word;
    }
    edits.push_back(record);
    if (flags & vst3::kParamTitlesChanged) readParams();
    if (flags & vst3::kMidiCCAssignmentChanged) {
        readParams();
        readMidiMapping();
    }
}

void Vst3Host::programListChanged(vst3::ProgramListID, int32_t) {}

// ---- the panel

void Vst3Host::createView() {
    if (view_) return;
    view_ = controller_->createView(vst3::kEditorViewType);
    if (!view_) throw HostError("the plug-in has no panel");
#if defined(_WIN32)
    const char* type = vst3::kPlatformTypeHWND;
#else
    const char* type = vst3::kPlatformTypeX11EmbedWindowID;
#endif
    if (view_->isPlatformTypeSupported(type) != vst3::kResultTrue) {
        destroyView();
        throw HostError(std::string("the plug-in has no panel to embed in a ") + type + " window");
    }
    view_->setFrame(&frame_);
    void* scaling = nullptr;
    if (panelScale_ > 0 &&
        view_->queryInterface(vst3::IPlugViewContentScaleSupport::iid.data(), &scaling) == vst3::kResultOk && scaling) {
        auto* support = static_cast<vst3::IPlugViewContentScaleSupport*>(scaling);
        support->setContentScaleFactor(static_cast<float>(panelScale_));
        support->release();
    }
}

void Vst3Host::destroyView() {
    if (!view_) return;
    if (viewAttached_) view_->removed();
    viewAttached_ = false;
    view_->setFrame(nullptr);
    view_->release();
    view_ = nullptr;
    timerDue_.clear();
}

PanelSize Vst3Host::panelSize() {
    createView();
    vst3::ViewRect rect{};
    if (view_->getSize(&rect) != vst3::kResultOk) throw HostError("the plug-in reports no panel size");
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) throw HostError("the plug-in reports no panel size");
    return {width, height};
}

void Vst3Host::openPanel(const PanelParent& parent) {
    createView();
#if defined(_WIN32)
    void* window = parent.win32;
    const char* type = vst3::kPlatformTypeHWND;
#else
    void* window = reinterpret_cast<void*>(static_cast<uintptr_t>(parent.x11));
    const char* type = vst3::kPlatformTypeX11EmbedWindowID;
#endif
    if (view_->attached(window, type) != vst3::kResultOk) {
        destroyView();
        throw HostError("the plug-in did not open its panel");
    }
    viewAttached_ = true;
}

void Vst3Host::closePanel() { destroyView(); }

std::vector<WatchedDescriptor> Vst3Host::watchedDescriptors() {
    std::vector<WatchedDescriptor> watched;
    for (const Vst3PlugFrame::Watch& w : frame_.watches) watched.push_back({w.fd, true, false, false});
    return watched;
}

HostedPlugin::Clock::time_point Vst3Host::nextTimer() {
    if (!pending_.empty() && !processing_) return Clock::now();
    Clock::time_point next = Clock::time_point::max();
    for (const Vst3PlugFrame::Timer& t : frame_.timers) {
        auto [due, added] = timerDue_.try_emplace(t.handler, Clock::now() + std::chrono::milliseconds(t.periodMs));
        next = std::min(next, due->second);
    }
    return next;
}

void Vst3Host::runMainLoop(const std::vector<WatchedDescriptor>& ready) {
    // A handler may unregister itself or others: each call looks its registration up anew.
    for (const WatchedDescriptor& d : ready) {
        const std::vector<Vst3PlugFrame::Watch> watches = frame_.watches;
        for (const Vst3PlugFrame::Watch& w : watches) {
            const bool still = std::any_of(frame_.watches.begin(), frame_.watches.end(), [&](const auto& x) {
                return x.handler == w.handler && x.fd == w.fd;
            });
            if (w.fd == d.fd && still) w.handler->onFDIsSet(w.fd);
        }
    }
    const Clock::time_point now = Clock::now();
    const std::vector<Vst3PlugFrame::Timer> timers = frame_.timers;
    for (const Vst3PlugFrame::Timer& t : timers) {
        auto [due, added] = timerDue_.try_emplace(t.handler, now + std::chrono::milliseconds(t.periodMs));
        if (due->second > now) continue;
        // Late timers are not caught up: the next one is a period from now.
        due->second = std::max(due->second + std::chrono::milliseconds(t.periodMs), now);
        const bool still = std::any_of(frame_.timers.begin(), frame_.timers.end(),
                                       [&](const auto& x) { return x.handler == t.handler; });
        if (still) t.handler->onTimer();
    }
    flushPending();
    if (frame_.resizeRequests != resizesTaken_) { // the window follows the view's last request
        resizesTaken_ = frame_.resizeRequests;
        requestedPanelSize = {frame_.requestedSize.right - frame_.requestedSize.left,
                              frame_.requestedSize.bottom - frame_.requestedSize.top};
    }
}

} // namespace zkhost
