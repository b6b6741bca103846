#pragma once

// The event lists a CLAP host hands to process and flush: the block's input events, sorted
// by frame, and the output list that copies whatever the plug-in pushes.

#include "formats/clap/ClapAbi.h"

#include <cstdint>
#include <vector>

namespace zkhost {

class ClapInputEvents {
public:
    ClapInputEvents();
    void clear() { events_.clear(); }
    // Events must be added in frame order.
    void addParamValue(uint32_t frame, clap::clap_id id, void* cookie, double value);
    void addMidi(uint32_t frame, uint16_t port, const uint8_t* bytes, uint32_t flags);
    void addNote(uint16_t type, uint32_t frame, int16_t port, int16_t channel, int16_t key, double velocity);
    const clap::clap_input_events* list() const { return &list_; }
    uint32_t size() const { return static_cast<uint32_t>(events_.size()); }

private:
    union Event {
        clap::clap_event_header header;
        clap::clap_event_param_value param;
        clap::clap_event_midi midi;
        clap::clap_event_note note;
    };
    static uint32_t sizeOf(const clap::clap_input_events* list);
    static const clap::clap_event_header* get(const clap::clap_input_events* list, uint32_t index);

    std::vector<Event> events_;
    clap::clap_input_events list_;
};

// Copies every event the plug-in pushes; events of other spaces or of impossible sizes are refused.
class ClapOutputEvents {
public:
    ClapOutputEvents();
    const clap::clap_output_events* list() const { return &list_; }
    void clear() {
        events.clear();
        lastTime = 0;
    }

    struct Event {
        uint16_t type;
        uint32_t time;
        uint32_t flags;
        clap::clap_id paramId;
        double value; // param value only
    };
    std::vector<Event> events; // parameter values and gestures, in the order pushed
    int refused = 0;           // pushes that were not events the host understands
    uint32_t lastTime = 0;     // for the order check
    int outOfOrder = 0;        // events pushed with an earlier time than the one before

private:
    static bool tryPush(const clap::clap_output_events* list, const clap::clap_event_header* event);
    clap::clap_output_events list_;
};

} // namespace zkhost
