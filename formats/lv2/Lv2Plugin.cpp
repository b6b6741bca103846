#include "formats/lv2/Lv2Plugin.h"

#include "core/Parameters.h"
#include "core/TextTools.h"
#include "formats/lv2/Lv2Ports.h"

#include <lv2/atom/util.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace zk::lv2 {

namespace {

constexpr uint32_t kSaveDefaultsJob = 1;

// The data of the feature named `uri`, or null.
const void* feature(const LV2_Feature* const* features, const char* uri) noexcept {
    for (; features && *features; ++features)
        if ((*features)->URI && std::strcmp((*features)->URI, uri) == 0) return (*features)->data;
    return nullptr;
}

// The block length the host's options name: the largest, else the usual one; 0 for none.
int32_t optionBlockLength(const LV2_Options_Option* options, const Urids& urids) noexcept {
    int32_t maximum = 0, nominal = 0;
    for (; options && options->key != 0; ++options) {
        if (options->context != LV2_OPTIONS_INSTANCE || options->type != urids.atomInt || options->size != 4 ||
            !options->value)
            continue; // not one of ours, or of a type it may not have
        int32_t frames = 0;
        std::memcpy(&frames, options->value, 4);
        if (frames <= 0) continue;
        if (options->key == urids.bufMaxBlockLength) maximum = frames;
        if (options->key == urids.bufNominalBlockLength) nominal = frames;
    }
    return maximum ? maximum : nominal;
}

uint32_t bandLamps(const PluginEffect& effect) noexcept {
    uint32_t lamps = 0;
    for (int32_t band = 1; band <= 3; ++band)
        if (effect.bandActive(band)) lamps |= 1u << (band - 1);
    return lamps;
}

} // namespace

// ---- the MIDI of a block -----------------------------------------------------------------

void SequenceEvents::reset(const LV2_Atom_Sequence* sequence, uint32_t frames, LV2_URID midiEvent) noexcept {
    sequence_ = sequence;
    frames_ = frames > 0 ? frames : 1;
    midiEvent_ = midiEvent;
    count_ = 0;
    cursor_ = nullptr;
    cursorIndex_ = -1;
    if (!sequence_) return;
    LV2_ATOM_SEQUENCE_FOREACH (sequence_, event)
        ++count_;
}

BlockEvent SequenceEvents::at(int32_t index) const noexcept {
    BlockEvent result;
    if (!sequence_ || index < 0 || index >= count_) return result;
    if (!cursor_ || index < cursorIndex_) {
        cursor_ = lv2_atom_sequence_begin(&sequence_->body);
        cursorIndex_ = 0;
    }
    while (cursorIndex_ < index) {
        cursor_ = lv2_atom_sequence_next(cursor_);
        ++cursorIndex_;
    }
    const LV2_Atom_Event& event = *cursor_;
    // A host's frame outside the block is taken at the block's edge.
    const int64_t frame = event.time.frames;
    result.frame = frame < 0 ? 0 : frame >= frames_ ? static_cast<int32_t>(frames_ - 1) : static_cast<int32_t>(frame);
    const auto* bytes = static_cast<const uint8_t*>(LV2_ATOM_BODY_CONST(&event.body));
    // Channel messages only (a status byte, then up to two data bytes): Control Change and
    // Program Change are among them; system messages play no part.
    if (event.body.type == midiEvent_ && event.body.size >= 1 && event.body.size <= 3 && bytes[0] >= 0x80 &&
        bytes[0] < 0xF0) {
        result.kind = BlockEvent::Kind::midi;
        for (uint32_t i = 0; i < event.body.size; ++i) result.midi[i] = bytes[i];
    }
    return result;
}

// ---- messages to the user --------------------------------------------------------------

namespace {
thread_local bool questionsConfirmed = false;
thread_local void* collectedNotices = nullptr;
} // namespace

Lv2Plugin::Messages::Confirmed::Confirmed(Notices* collect) noexcept {
    questionsConfirmed = true;
    collectedNotices = collect;
}

Lv2Plugin::Messages::Confirmed::~Confirmed() {
    questionsConfirmed = false;
    collectedNotices = nullptr;
}

void Lv2Plugin::Messages::showMessage(const char* text, const char* title, void* window) noexcept {
    auto* notices = static_cast<Notices*>(collectedNotices);
    if (!notices) {
        consoleMessages().showMessage(text, title, window);
        return;
    }
    // The same notice again (one per failed value) is told once.
    for (int32_t i = 0; i < notices->count; ++i)
        if (std::strncmp(notices->items[i].text, text ? text : "", sizeof notices->items[i].text - 1) == 0) return;
    if (notices->count == kMaxNotices) return;
    Notice& notice = notices->items[notices->count++];
    copyText(notice.text, text ? text : "", sizeof notice.text - 1);
    copyText(notice.title, title ? title : "", sizeof notice.title - 1);
}

void Lv2Plugin::Messages::askYesNo(const char* text, const char* title, void* window, Answer answer) noexcept {
    if (questionsConfirmed) {
        if (answer) answer(true);
        return;
    }
    consoleMessages().askYesNo(text, title, window, std::move(answer));
}

// ---- instance -----------------------------------------------------------------------------

std::unique_ptr<Lv2Plugin> Lv2Plugin::create(double sampleRate, const LV2_Feature* const* features,
                                             SettingsStore& settings) noexcept {
    if (!(sampleRate >= 1.0 && sampleRate <= 1.0e7)) return nullptr;
    try {
        std::unique_ptr<Lv2Plugin> plugin(new Lv2Plugin);
        const auto* map = static_cast<const LV2_URID_Map*>(feature(features, LV2_URID__map));
        if (map && map->map) plugin->mapped_ = plugin->urids_.mapAll(*map);
        if (plugin->mapped_)
            lv2_atom_forge_init(&plugin->forge_, const_cast<LV2_URID_Map*>(map));
        else
            plugin->urids_ = {};
        if (plugin->mapped_)
            plugin->worker_ = static_cast<const LV2_Worker_Schedule*>(feature(features, LV2_WORKER__schedule));
        if (plugin->worker_ && !plugin->worker_->schedule_work) plugin->worker_ = nullptr;

        HostServices& host = *plugin; // a private base: only the effect reports to it
        plugin->effect_ = std::make_unique<PluginEffect>(host, EffectServices{&plugin->messages_, &settings});
        PluginEffect& effect = *plugin->effect_;
        effect.setSampleRate(static_cast<float>(sampleRate));
        if (plugin->mapped_) {
            const auto* options = static_cast<const LV2_Options_Option*>(feature(features, LV2_OPTIONS__options));
            if (const int32_t frames = optionBlockLength(options, plugin->urids_)) effect.setMaxBlockSize(frames);
        }
        effect.initialise();
        plugin->ports_.setEchoLifetime(static_cast<int64_t>(2.0 * sampleRate));
        const void* bank = nullptr;
        const int32_t size = effect.saveChunk(ChunkKind::bank, &bank);
        const auto* bytes = static_cast<const uint8_t*>(bank);
        plugin->newInstanceBank_.assign(bytes, bytes + size);
        for (int32_t i = 0; i < kNumParameters; ++i) plugin->knownControllers_[i] = effect.learnedController(i);
        return plugin;
    } catch (...) {
        return nullptr;
    }
}

Lv2Plugin::~Lv2Plugin() = default;

void Lv2Plugin::connectPort(uint32_t port, void* data) noexcept {
    if (port == kAudioInLeft || port == kAudioInRight) {
        audioIn_[port - kAudioInLeft] = static_cast<const float*>(data);
    } else if (port == kAudioOutLeft || port == kAudioOutRight) {
        audioOut_[port - kAudioOutLeft] = static_cast<float*>(data);
    } else if (isParameterPort(port)) {
        controls_[parameterOfPort(port)] = static_cast<const float*>(data);
    } else if (port == kEventsInPort) {
        eventsIn_ = static_cast<const LV2_Atom_Sequence*>(data);
    } else if (port == kNotifyPort) {
        notifyOut_ = static_cast<LV2_Atom_Sequence*>(data);
    } else if (port == kEnabledPort) {
        enabled_ = static_cast<const float*>(data);
    }
}

void Lv2Plugin::activate() noexcept {
    effect_->activate();
    active_ = true;
}

void Lv2Plugin::deactivate() noexcept {
    effect_->deactivate();
    active_ = false;
}

// ---- the block ----------------------------------------------------------------------------

void Lv2Plugin::run(uint32_t frames) noexcept {
    inRun_ = true;
    // The notify port: the host says how many bytes it holds. A buffer too small for the
    // sequence's header (or no port, or no map) gets nothing written to it.
    notifyCapacity_ = 0;
    if (notifyOut_ && mapped_ && notifyOut_->atom.size >= sizeof(LV2_Atom_Sequence_Body)) {
        notifyCapacity_ = notifyOut_->atom.size;
        notifyOut_->atom.type = urids_.atomSequence;
        notifyOut_->atom.size = sizeof(LV2_Atom_Sequence_Body);
        notifyOut_->body.unit = 0;
        notifyOut_->body.pad = 0;
    }

    applyControlPorts();
    effect_->setBypass(enabled_ && *enabled_ < 0.5f);
    const bool events = mapped_ && eventsIn_ && eventsIn_->atom.type == urids_.atomSequence &&
                        eventsIn_->atom.size >= sizeof(LV2_Atom_Sequence_Body);
    if (events) takePanelMessages();
    midi_.reset(events ? eventsIn_ : nullptr, frames, urids_.midiEvent);

    const float* inputs[2] = {audioIn_[0], audioIn_[1]};
    float* outputs[2] = {audioOut_[0], audioOut_[1]};
    effect_->process(inputs, outputs, static_cast<int32_t>(frames), &midi_);
    ports_.endBlock(frames);

    writeNotifications();
    inRun_ = false;
}

void Lv2Plugin::applyControlPorts() noexcept {
    for (int32_t i = 0; i < kNumParameters; ++i) {
        if (!controls_[i]) continue;
        const float value = *controls_[i];
        if (ports_.take(i, value, effect_->parameter(i))) effect_->setParameter(i, value);
    }
}

void Lv2Plugin::takePanelMessages() noexcept {
    LV2_ATOM_SEQUENCE_FOREACH (eventsIn_, event) {
        if (event->body.type == urids_.midiEvent) continue;
        const Message message = readMessage(urids_, &event->body);
        switch (message.kind) {
        case Message::Kind::panelOpened:
            ++openPanels_;
            allValuesChanged_.store(true, std::memory_order_relaxed);
            controllersChanged_.store(true, std::memory_order_relaxed);
            lampsChanged_ = true;
            break;
        case Message::Kind::panelClosed:
            if (openPanels_ > 0 && --openPanels_ == 0) ports_.forgetReports();
            break;
        case Message::Kind::panelCommand: carryOutCommand(message.tag, message.value); break;
        default: break; // another UI's message, or our own on its way out
        }
    }
}

void Lv2Plugin::carryOutCommand(int32_t tag, float value) noexcept {
    TaggedCommand command;
    if (!commandOfTag(tag, value, command)) return;
    if (command.command == PanelCommand::learnController || command.command == PanelCommand::forgetController) {
        effect_->panelCommand(command.command, command.parameter);
    } else if (command.command == PanelCommand::forgetAllControllers) {
        Messages::Confirmed confirmed(nullptr); // the user said Yes to "Forget Learned MidiCC?"
        effect_->panelCommand(command.command);
    } else if (command.command == PanelCommand::saveDefaults) {
        // "Save Actual Values as Defaults?" was answered Yes: a file to write, off this thread.
        if (!worker_ || worker_->schedule_work(worker_->handle, sizeof kSaveDefaultsJob, &kSaveDefaultsJob) !=
                            LV2_WORKER_SUCCESS) {
            if (notices_.count < Messages::kMaxNotices) {
                Messages::Notice& notice = notices_.items[notices_.count++];
                copyText(notice.text, "Can't save the defaults: the host has no worker thread.", sizeof notice.text - 1);
                copyText(notice.title, "Error!", sizeof notice.title - 1);
            }
        }
    }
}

LV2_Worker_Status Lv2Plugin::work(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle,
                                  uint32_t size, const void* data) noexcept {
    uint32_t job = 0;
    if (size != sizeof job || !data) return LV2_WORKER_ERR_UNKNOWN;
    std::memcpy(&job, data, sizeof job);
    if (job != kSaveDefaultsJob) return LV2_WORKER_ERR_UNKNOWN;
    Messages::Notices notices;
    {
        Messages::Confirmed confirmed(&notices);
        effect_->panelCommand(PanelCommand::saveDefaults);
    }
    return respond ? respond(handle, sizeof notices, &notices) : LV2_WORKER_SUCCESS;
}

LV2_Worker_Status Lv2Plugin::workResponse(uint32_t size, const void* data) noexcept {
    Messages::Notices told;
    if (size != sizeof told || !data) return LV2_WORKER_ERR_UNKNOWN;
    std::memcpy(&told, data, sizeof told);
    for (int32_t i = 0; i < told.count && i < Messages::kMaxNotices && notices_.count < Messages::kMaxNotices; ++i) {
        Messages::Notice& notice = notices_.items[notices_.count++];
        notice = told.items[i];
        notice.text[sizeof notice.text - 1] = 0;
        notice.title[sizeof notice.title - 1] = 0;
    }
    return LV2_WORKER_SUCCESS;
}

// ---- what the plug-in reports -------------------------------------------------------------

void Lv2Plugin::parameterChanged(int32_t index, float value, ChangeOrigin origin) noexcept {
    // Only a learned controller's move comes here (the instance has no panel of its own).
    if (origin != ChangeOrigin::controller || index < 0 || index >= kNumParameters) return;
    changedValues_ |= uint64_t{1} << index;
    changedValue_[index] = value;
    stateChanged_ = true;
}

void Lv2Plugin::allParametersChanged(ChangeOrigin) noexcept {
    allValuesChanged_.store(true, std::memory_order_relaxed);
    // A MIDI Program Change changes the state the host keeps; a program selected while the
    // instance is made or activated, or a restore, does not.
    if (inRun_) stateChanged_ = true;
}

template <typename Write>
bool Lv2Plugin::notify(Write&& write) noexcept {
    if (notifyCapacity_ == 0) return false;
    // Forged apart first, so that a message that does not fit leaves no half behind.
    LV2_Atom_Forge forge = forge_;
    lv2_atom_forge_set_buffer(&forge, scratch_.data(), scratch_.size());
    if (!lv2_atom_forge_frame_time(&forge, 0) || !write(forge)) return false;
    const auto* event = reinterpret_cast<const LV2_Atom_Event*>(scratch_.data());
    return lv2_atom_sequence_append_event(notifyOut_, notifyCapacity_, event) != nullptr;
}

void Lv2Plugin::writeNotifications() noexcept {
    // The learned bindings are compared block by block: learning, forgetting and the
    // message that teaches a binding all change them inside the effect.
    bool controllersMoved = false;
    for (int32_t i = 0; i < kNumParameters; ++i) {
        const int32_t controller = effect_->learnedController(i);
        if (controller != knownControllers_[i]) {
            knownControllers_[i] = controller;
            controllersMoved = true;
        }
    }
    if (controllersMoved) {
        stateChanged_ = true;
        controllersChanged_.store(true, std::memory_order_relaxed);
    }
    const uint32_t lamps = bandLamps(*effect_);
    if (lamps != lamps_) {
        lamps_ = lamps;
        lampsChanged_ = true;
    }

    if (stateChanged_ && notify([&](LV2_Atom_Forge& forge) { return writeStateChanged(forge, urids_); }))
        stateChanged_ = false;

    if (openPanels_ == 0) {
        // Nobody to tell: the next panel asks for everything as it opens.
        changedValues_ = 0;
        notices_.count = 0;
        return;
    }
    if (allValuesChanged_.load(std::memory_order_relaxed)) {
        std::array<float, kNumParameters> values;
        for (int32_t i = 0; i < kNumParameters; ++i) values[i] = effect_->parameter(i);
        const float rate = effect_->sampleRate();
        if (notify([&](LV2_Atom_Forge& forge) { return writeValues(forge, urids_, values.data(), rate); })) {
            allValuesChanged_.store(false, std::memory_order_relaxed);
            changedValues_ = 0;
            for (int32_t i = 0; i < kNumParameters; ++i) ports_.noteReported(i, values[i]);
        }
    }
    for (int32_t i = 0; i < kNumParameters && changedValues_; ++i) {
        if (!(changedValues_ & (uint64_t{1} << i))) continue;
        if (!notify([&](LV2_Atom_Forge& forge) { return writeValue(forge, urids_, i, changedValue_[i]); })) break;
        changedValues_ &= ~(uint64_t{1} << i);
        ports_.noteReported(i, changedValue_[i]);
    }
    if (controllersChanged_.load(std::memory_order_relaxed) &&
        notify([&](LV2_Atom_Forge& forge) { return writeControllers(forge, urids_, knownControllers_.data()); }))
        controllersChanged_.store(false, std::memory_order_relaxed);
    if (lampsChanged_ && notify([&](LV2_Atom_Forge& forge) { return writeLamps(forge, urids_, lamps_); }))
        lampsChanged_ = false;
    int32_t sent = 0;
    while (sent < notices_.count && notify([&](LV2_Atom_Forge& forge) {
               return writeNotice(forge, urids_, notices_.items[sent].text, notices_.items[sent].title);
           }))
        ++sent;
    for (int32_t i = sent; i < notices_.count; ++i) notices_.items[i - sent] = notices_.items[i];
    notices_.count -= sent;
}

// ---- state --------------------------------------------------------------------------------

LV2_State_Status Lv2Plugin::save(LV2_State_Store_Function store, LV2_State_Handle handle) noexcept {
    if (!mapped_ || !store) return LV2_STATE_ERR_NO_FEATURE;
    // Inactive, no run will take what the host put on the ports since: take it now, so that
    // the state holds what the host set. (While active, run may be under way on another
    // thread, and takes the ports itself.)
    if (!active_) applyControlPorts();
    const void* bank = nullptr;
    const int32_t size = effect_->saveChunk(ChunkKind::bank, &bank);
    const int32_t program = effect_->currentProgram();
    const int32_t version = kCurrentStateVersion;
    const uint32_t flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    LV2_State_Status status = store(handle, urids_.stateVersion, &version, sizeof version, urids_.atomInt, flags);
    if (status == LV2_STATE_SUCCESS)
        status = store(handle, urids_.stateProgram, &program, sizeof program, urids_.atomInt, flags);
    if (status == LV2_STATE_SUCCESS)
        status = store(handle, urids_.stateBank, bank, static_cast<size_t>(size), urids_.atomChunk, flags);
    return status;
}

LV2_State_Status Lv2Plugin::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle) noexcept {
    if (!mapped_ || !retrieve) return LV2_STATE_ERR_NO_FEATURE;
    struct Value {
        const void* data = nullptr;
        size_t size = 0;
        uint32_t type = 0;
    };
    auto fetch = [&](LV2_URID key) {
        Value value;
        uint32_t flags = 0;
        value.data = retrieve(handle, key, &value.size, &value.type, &flags);
        return value;
    };
    const Value version = fetch(urids_.stateVersion), program = fetch(urids_.stateProgram),
                bank = fetch(urids_.stateBank), preset = fetch(urids_.statePreset);
    int32_t versionNumber = -1, programNumber = -1;
    bool restored = false;
    if (preset.data && !bank.data) {
        // A preset: one program into the current one; the other programs and the learned
        // bindings stay.
        if (preset.type != urids_.atomChunk || preset.size != static_cast<size_t>(PluginEffect::kPresetChunkSize))
            return LV2_STATE_ERR_BAD_TYPE;
        restored = effect_->restoreChunk(ChunkKind::preset, preset.data, static_cast<int32_t>(preset.size));
    } else if (!version.data && !program.data && !bank.data) {
        // An empty state: as a new instance starts.
        restored = effect_->restoreChunk(ChunkKind::bank, newInstanceBank_.data(),
                                         static_cast<int32_t>(newInstanceBank_.size()), 0);
    } else {
        auto intValue = [&](const Value& value, int32_t& out) {
            if (!value.data || value.type != urids_.atomInt || value.size != sizeof out) return false;
            std::memcpy(&out, value.data, sizeof out);
            return true;
        };
        if (!intValue(version, versionNumber) || versionNumber != kCurrentStateVersion) return LV2_STATE_ERR_BAD_TYPE;
        if (!intValue(program, programNumber) || programNumber < 0 || programNumber >= kNumPrograms || !bank.data ||
            bank.type != urids_.atomChunk ||
            bank.size != static_cast<size_t>(PluginEffect::kBankChunkSize))
            return LV2_STATE_ERR_BAD_TYPE;
        restored = effect_->restoreChunk(ChunkKind::bank, bank.data, static_cast<int32_t>(bank.size), programNumber);
    }
    if (!restored) return LV2_STATE_ERR_UNKNOWN;
    // The restored state is the sound: the ports the host sets around it are adopted.
    ports_.adoptPorts();
    for (int32_t i = 0; i < kNumParameters; ++i) knownControllers_[i] = effect_->learnedController(i);
    controllersChanged_.store(true, std::memory_order_relaxed);
    return LV2_STATE_SUCCESS;
}

} // namespace zk::lv2
