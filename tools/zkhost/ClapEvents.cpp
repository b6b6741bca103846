#include "tools/zkhost/ClapEvents.h"

#include <cstring>

namespace zkhost {

using namespace clap;

ClapInputEvents::ClapInputEvents() : list_{this, &ClapInputEvents::sizeOf, &ClapInputEvents::get} {
    events_.reserve(256);
}

void ClapInputEvents::addParamValue(uint32_t frame, clap_id id, void* cookie, double value) {
    Event e{};
    e.param.header = {sizeof(clap_event_param_value), frame, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    e.param.param_id = id;
    e.param.cookie = cookie;
    e.param.note_id = -1;
    e.param.port_index = e.param.channel = e.param.key = -1;
    e.param.value = value;
    events_.push_back(e);
}

void ClapInputEvents::addMidi(uint32_t frame, uint16_t port, const uint8_t* bytes, uint32_t flags) {
    Event e{};
    e.midi.header = {sizeof(clap_event_midi), frame, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, flags};
    e.midi.port_index = port;
    std::memcpy(e.midi.data, bytes, 3);
    events_.push_back(e);
}

void ClapInputEvents::addNote(uint16_t type, uint32_t frame, int16_t port, int16_t channel, int16_t key,
                              double velocity) {
    Event e{};
    e.note.header = {sizeof(clap_event_note), frame, CLAP_CORE_EVENT_SPACE_ID, type, 0};
    e.note.note_id = -1;
    e.note.port_index = port;
    e.note.channel = channel;
    e.note.key = key;
    e.note.velocity = velocity;
    events_.push_back(e);
}

uint32_t ClapInputEvents::sizeOf(const clap_input_events* list) {
    return static_cast<const ClapInputEvents*>(list->ctx)->size();
}

const clap_event_header* ClapInputEvents::get(const clap_input_events* list, uint32_t index) {
    const auto* self = static_cast<const ClapInputEvents*>(list->ctx);
    return index < self->events_.size() ? &self->events_[index].header : nullptr;
}

ClapOutputEvents::ClapOutputEvents() : list_{this, &ClapOutputEvents::tryPush} { events.reserve(256); }

bool ClapOutputEvents::tryPush(const clap_output_events* list, const clap_event_header* event) {
    auto* self = static_cast<ClapOutputEvents*>(list->ctx);
    if (!event || event->size < sizeof(clap_event_header) || event->size > (1u << 20)) {
        ++self->refused;
        return false;
    }
    if (event->time < self->lastTime) ++self->outOfOrder;
    self->lastTime = event->time;
    if (event->space_id != CLAP_CORE_EVENT_SPACE_ID) return true; // another space: taken, not understood
    Event copy{event->type, event->time, event->flags, CLAP_INVALID_ID, 0.0};
    switch (event->type) {
    case CLAP_EVENT_PARAM_VALUE: {
        if (event->size < sizeof(clap_event_param_value)) break;
        const auto* value = reinterpret_cast<const clap_event_param_value*>(event);
        copy.paramId = value->param_id;
        copy.value = value->value;
        self->events.push_back(copy);
        return true;
    }
    case CLAP_EVENT_PARAM_GESTURE_BEGIN:
    case CLAP_EVENT_PARAM_GESTURE_END:
        if (event->size < sizeof(clap_event_param_gesture)) break;
        copy.paramId = reinterpret_cast<const clap_event_param_gesture*>(event)->param_id;
        self->events.push_back(copy);
        return true;
    default:
        return true; // notes ending, MIDI out: nothing plays them here
    }
    ++self->refused;
    return false;
}

} // namespace zkhost
