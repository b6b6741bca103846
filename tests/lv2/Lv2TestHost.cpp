#include "tests/lv2/Lv2TestHost.h"

#include "core/Parameters.h"
#include "formats/lv2/Lv2Ports.h"
#include "tools/zkhost/ModuleLoader.h"

#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>

#include <cstring>
#include <stdexcept>

namespace lv2test {

using namespace zk::lv2;

const LV2_Descriptor& dspDescriptor() {
    static const LV2_Descriptor* descriptor = [] {
        std::string error;
        void* module = zkhost::loadModule(ZK_LV2_DSP_PATH, error);
        if (!module) throw std::runtime_error(error);
        auto entry = reinterpret_cast<LV2_Descriptor_Function>(zkhost::findSymbol(module, "lv2_descriptor"));
        if (!entry || !entry(0)) throw std::runtime_error("no lv2_descriptor");
        return entry(0);
    }();
    return *descriptor;
}

Instance::Instance() : Instance(Setup{}) {}

Instance::Instance(const Setup& setup)
    : rateOption_(float(setup.rate)) {
    for (int32_t i = 0; i < 54; ++i) controls_[size_t(i)] = zk::kParameterTable[size_t(i)].defaultValue;
    eventsIn_.assign(65536 / 8, 0);
    notify_.assign(65536 / 8, 0);
    const LV2_URID atomInt = urids_.map(LV2_ATOM__Int), atomFloat = urids_.map(LV2_ATOM__Float);
    options_ = {{LV2_OPTIONS_INSTANCE, 0, urids_.map(LV2_PARAMETERS__sampleRate), 4, atomFloat, &rateOption_},
                {LV2_OPTIONS_INSTANCE, 0, urids_.map(LV2_BUF_SIZE__maxBlockLength), 4, atomInt, &maxBlock_},
                {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    schedule_.handle = this;
    schedule_.schedule_work = [](LV2_Worker_Schedule_Handle self, uint32_t size, const void* data) {
        const auto* bytes = static_cast<const uint8_t*>(data);
        static_cast<Instance*>(self)->jobs_.emplace_back(bytes, bytes + size);
        return LV2_WORKER_SUCCESS;
    };
    const LV2_Feature mapFeature{LV2_URID__map, urids_.mapFeature()};
    const LV2_Feature optionsFeature{LV2_OPTIONS__options, options_.data()};
    const LV2_Feature workerFeature{LV2_WORKER__schedule, &schedule_};
    std::vector<const LV2_Feature*> features;
    if (setup.map) features.push_back(&mapFeature);
    if (setup.options) features.push_back(&optionsFeature);
    if (setup.worker) features.push_back(&workerFeature);
    features.push_back(nullptr);
    const LV2_Descriptor& d = dspDescriptor();
    handle_ = d.instantiate(&d, setup.rate, "/nowhere/", features.data());
    if (!handle_) return;
    for (int32_t i = 0; i < 54; ++i) d.connect_port(handle_, portOfParameter(i), &controls_[size_t(i)]);
}

void Instance::connectEnabled(const float* enabled) {
    dspDescriptor().connect_port(handle_, kEnabledPort, const_cast<float*>(enabled));
}

Instance::~Instance() {
    if (!handle_) return;
    deactivate();
    dspDescriptor().cleanup(handle_);
}

void Instance::activate() {
    if (!active_) dspDescriptor().activate(handle_);
    active_ = true;
}

void Instance::deactivate() {
    if (active_) dspDescriptor().deactivate(handle_);
    active_ = false;
}

void Instance::event(const std::vector<uint8_t>& atom, uint32_t frame) {
    if (atom.size() < sizeof(LV2_Atom)) throw std::runtime_error("no atom: a message did not fit");
    std::vector<uint8_t> record(sizeof(int64_t));
    const int64_t frames = frame;
    std::memcpy(record.data(), &frames, sizeof frames);
    record.insert(record.end(), atom.begin(), atom.end());
    queued_.push_back(record);
}

void Instance::midi(uint32_t frame, std::vector<uint8_t> bytes) {
    LV2_Atom header{uint32_t(bytes.size()), urids_.map(LV2_MIDI__MidiEvent)};
    std::vector<uint8_t> atom(reinterpret_cast<uint8_t*>(&header), reinterpret_cast<uint8_t*>(&header) + sizeof header);
    atom.insert(atom.end(), bytes.begin(), bytes.end());
    event(atom, frame);
}

void Instance::panelOpened() {
    event(forged(urids_, [&](LV2_Atom_Forge& f) { return writePanelOpened(f, urids_.ours()); }));
}

void Instance::panelClosed() {
    event(forged(urids_, [&](LV2_Atom_Forge& f) { return writePanelClosed(f, urids_.ours()); }));
}

void Instance::panelCommand(int32_t tag, float value) {
    event(forged(urids_, [&](LV2_Atom_Forge& f) { return writePanelCommand(f, urids_.ours(), tag, value); }));
}

void Instance::run(const float* inL, const float* inR, float* outL, float* outR, uint32_t frames) {
    const LV2_Descriptor& d = dspDescriptor();
    d.connect_port(handle_, kAudioInLeft, const_cast<float*>(inL));
    d.connect_port(handle_, kAudioInRight, const_cast<float*>(inR));
    d.connect_port(handle_, kAudioOutLeft, outL);
    d.connect_port(handle_, kAudioOutRight, outR);
    auto* in = reinterpret_cast<LV2_Atom_Sequence*>(eventsIn_.data());
    in->atom.type = urids_.map(LV2_ATOM__Sequence);
    in->atom.size = sizeof(LV2_Atom_Sequence_Body);
    in->body.unit = in->body.pad = 0;
    for (const std::vector<uint8_t>& record : queued_)
        if (!lv2_atom_sequence_append_event(in, uint32_t(eventsIn_.size() * 8 - sizeof(LV2_Atom)),
                                            reinterpret_cast<const LV2_Atom_Event*>(record.data())))
            throw std::runtime_error("events input full");
    queued_.clear();
    auto* out = reinterpret_cast<LV2_Atom_Sequence*>(notify_.data());
    out->atom.type = urids_.map(LV2_ATOM__Chunk);
    out->atom.size = notifyBytes_;
    d.connect_port(handle_, kEventsInPort, eventsConnected_ ? in : nullptr);
    d.connect_port(handle_, kNotifyPort, notifyConnected_ ? out : nullptr);
    activate();
    d.run(handle_, frames);
}

Stereo Instance::render(const Stereo& input, uint32_t block) {
    return zktest::renderInBlocks(input, std::vector<uint32_t>{block},
                                  [this](const float* inL, const float* inR, float* outL, float* outR,
                                         uint32_t frames) { run(inL, inR, outL, outR, frames); });
}

std::vector<const LV2_Atom*> Instance::notified() const {
    std::vector<const LV2_Atom*> atoms;
    const auto* sequence = reinterpret_cast<const LV2_Atom_Sequence*>(notify_.data());
    if (!notifyConnected_ || sequence->atom.type != const_cast<Urids&>(urids_).map(LV2_ATOM__Sequence)) return atoms;
    LV2_ATOM_SEQUENCE_FOREACH (sequence, event) atoms.push_back(&event->body);
    return atoms;
}

std::vector<Message> Instance::messages() const {
    std::vector<Message> out;
    for (const LV2_Atom* atom : notified())
        if (const Message message = readMessage(urids_.ours(), atom); message.kind != Message::Kind::none)
            out.push_back(message);
    return out;
}

int Instance::stateChangedCount() const {
    int count = 0;
    for (const LV2_Atom* atom : notified())
        count += atom->type == urids_.ours().atomObject &&
                 reinterpret_cast<const LV2_Atom_Object*>(atom)->body.otype == urids_.ours().stateChanged;
    return count;
}

State Instance::save() {
    const auto* iface = static_cast<const LV2_State_Interface*>(dspDescriptor().extension_data(LV2_STATE__interface));
    State state;
    const LV2_State_Status status = iface->save(
        handle_,
        [](LV2_State_Handle self, uint32_t key, const void* value, size_t size, uint32_t type, uint32_t) {
            const auto* bytes = static_cast<const uint8_t*>(value);
            (*static_cast<State*>(self))[key] = {type, std::vector<uint8_t>(bytes, bytes + size)};
            return LV2_STATE_SUCCESS;
        },
        &state, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, nullptr);
    if (status != LV2_STATE_SUCCESS) state.clear();
    return state;
}

LV2_State_Status Instance::restore(const State& state) {
    const auto* iface = static_cast<const LV2_State_Interface*>(dspDescriptor().extension_data(LV2_STATE__interface));
    deactivate(); // restore is never called while the plug-in could run
    return iface->restore(
        handle_,
        [](LV2_State_Handle self, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags) -> const void* {
            const auto& values = *static_cast<const State*>(self);
            const auto at = values.find(key);
            if (at == values.end()) return nullptr;
            *size = at->second.bytes.size();
            *type = at->second.type;
            *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
            return at->second.bytes.data();
        },
        const_cast<State*>(&state), 0, nullptr);
}

int Instance::runWorker() {
    const auto* worker = static_cast<const LV2_Worker_Interface*>(dspDescriptor().extension_data(LV2_WORKER__interface));
    std::vector<std::vector<uint8_t>> jobs;
    jobs.swap(jobs_);
    for (const std::vector<uint8_t>& job : jobs)
        worker->work(
            handle_,
            [](LV2_Worker_Respond_Handle self, uint32_t size, const void* data) {
                const auto* bytes = static_cast<const uint8_t*>(data);
                static_cast<Instance*>(self)->responses_.emplace_back(bytes, bytes + size);
                return LV2_WORKER_SUCCESS;
            },
            this, uint32_t(job.size()), job.data());
    for (const std::vector<uint8_t>& response : responses_)
        worker->work_response(handle_, uint32_t(response.size()), response.data());
    responses_.clear();
    return int(jobs.size());
}

} // namespace lv2test
