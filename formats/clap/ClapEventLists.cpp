#include "formats/clap/ClapEventLists.h"

#include <algorithm>
#include <cstdint>

namespace zk {

using namespace clap;

void ClapInputEventList::reset(const clap_input_events* list, uint32_t frames) noexcept {
    list_ = list && list->size && list->get ? list : nullptr;
    const uint32_t count = list_ ? list_->size(list_) : 0;
    count_ = static_cast<int32_t>(std::min<uint32_t>(count, INT32_MAX));
    lastFrameOfBlock_ = frames > 0 ? frames - 1 : 0;
    lastFrame_ = 0;
}

BlockEvent ClapInputEventList::at(int32_t index) const noexcept {
    BlockEvent event;
    const clap_event_header* header = list_->get(list_, static_cast<uint32_t>(index));
    if (!header) {
        event.frame = static_cast<int32_t>(lastFrame_); // a hole keeps the order, acted on at once
        return event;
    }
    lastFrame_ = std::min(header->time, lastFrameOfBlock_);
    event.frame = static_cast<int32_t>(lastFrame_);
    if (header->space_id != CLAP_CORE_EVENT_SPACE_ID) return event;
    if (header->type == CLAP_EVENT_PARAM_VALUE && header->size >= sizeof(clap_event_param_value)) {
        const auto* change = reinterpret_cast<const clap_event_param_value*>(header);
        if (change->param_id < static_cast<uint32_t>(kNumParameters)) {
            event.kind = BlockEvent::Kind::parameter;
            event.parameter = static_cast<int32_t>(change->param_id);
            event.value = static_cast<float>(change->value);
        }
    } else if (header->type == CLAP_EVENT_MIDI && header->size >= sizeof(clap_event_midi)) {
        const auto* midi = reinterpret_cast<const clap_event_midi*>(header);
        event.kind = BlockEvent::Kind::midi;
        std::copy(midi->data, midi->data + 3, event.midi);
    }
    return event;
}

bool ReportQueue::push(const ParameterReport& report) noexcept {
    const uint32_t written = written_.load(std::memory_order_relaxed);
    const uint32_t used = written - taken_.load(std::memory_order_acquire);
    // The last slot is kept for the end of a gesture whose beginning went in.
    const uint32_t room = kCapacity - used;
    if (room == 0 || (room == 1 && report.kind != ParameterReport::Kind::end)) return false;
    slots_[written % kCapacity] = report;
    written_.store(written + 1, std::memory_order_release);
    return true;
}

bool ReportQueue::peek(ParameterReport& report) const noexcept {
    const uint32_t taken = taken_.load(std::memory_order_relaxed);
    if (written_.load(std::memory_order_acquire) == taken) return false;
    report = slots_[taken % kCapacity];
    return true;
}

void ReportQueue::pop() noexcept { taken_.store(taken_.load(std::memory_order_relaxed) + 1, std::memory_order_release); }

} // namespace zk
