#include "formats/vst3/Vst3Events.h"

#include "formats/vst3/Vst3Parameters.h"

#include <algorithm>

namespace zk {

Vst3BlockEvents::Vst3BlockEvents() : entries_(std::make_unique<std::array<Entry, kCapacity>>()) {}

void Vst3BlockEvents::add(const BlockEvent& event) noexcept {
    if (count_ >= kCapacity) return;
    (*entries_)[static_cast<size_t>(count_)] = {event, count_};
    ++count_;
}

void Vst3BlockEvents::read(vst3::IParameterChanges* changes, int32_t frames, uint64_t held) noexcept {
    count_ = 0;
    lastFrame_ = 0;
    bypass_ = -1;
    const int32_t queues = changes ? changes->getParameterCount() : 0;
    for (int32_t q = 0; q < queues; ++q) {
        vst3::IParamValueQueue* queue = changes->getParameterData(q);
        if (!queue) continue;
        const auto parameter = vst3Parameter(queue->getParameterId());
        if (!parameter) continue;
        if (parameter->kind == Vst3Parameter::Kind::effect && (held >> parameter->number) & 1u) continue;
        const int32_t points = queue->getPointCount();
        if (parameter->kind == Vst3Parameter::Kind::bypass) {
            // Applied for the whole block, the fade taking care of the rest.
            int32_t offset = 0;
            vst3::ParamValue value = 0.0;
            if (points > 0 && queue->getPoint(points - 1, offset, value) == vst3::kResultOk) bypass_ = value >= 0.5 ? 1 : 0;
            continue;
        }
        for (int32_t p = 0; p < points; ++p) {
            int32_t offset = 0;
            vst3::ParamValue value = 0.0;
            if (queue->getPoint(p, offset, value) != vst3::kResultOk) continue;
            BlockEvent event;
            event.frame = frames <= 0 ? 0 : std::clamp(offset, 0, frames - 1);
            switch (parameter->kind) {
            case Vst3Parameter::Kind::effect:
                event.kind = BlockEvent::Kind::parameter;
                event.parameter = parameter->number;
                event.value = static_cast<float>(value);
                break;
            case Vst3Parameter::Kind::program:
                event.kind = BlockEvent::Kind::midi;
                event.midi[0] = 0xC0;
                event.midi[1] = midiDataByte(value);
                break;
            case Vst3Parameter::Kind::bypass: break;
            case Vst3Parameter::Kind::controller:
                event.kind = BlockEvent::Kind::midi;
                event.midi[0] = 0xB0;
                event.midi[1] = static_cast<uint8_t>(parameter->number);
                event.midi[2] = midiDataByte(value);
                break;
            }
            add(event);
        }
    }
    sort();
}

void Vst3BlockEvents::sort() noexcept {
    // In place, without allocating: by frame, then in the order read.
    std::sort(entries_->begin(), entries_->begin() + count_, [](const Entry& a, const Entry& b) {
        return a.event.frame != b.event.frame ? a.event.frame < b.event.frame : a.order < b.order;
    });
}

BlockEvent Vst3BlockEvents::at(int32_t index) const noexcept {
    const BlockEvent& event = (*entries_)[static_cast<size_t>(index)].event;
    lastFrame_ = event.frame;
    return event;
}

Vst3OutputChanges::Vst3OutputChanges() : entries_(std::make_unique<std::array<Entry, kCapacity>>()) {}

void Vst3OutputChanges::add(vst3::ParamID id, int32_t frame, double value) noexcept {
    if (count_ >= kCapacity) return;
    (*entries_)[static_cast<size_t>(count_++)] = {id, frame, value};
}

void Vst3OutputChanges::handOver(vst3::IParameterChanges* out) noexcept {
    if (out) {
        for (int32_t i = 0; i < count_; ++i) {
            const Entry& e = (*entries_)[static_cast<size_t>(i)];
            vst3::int32 queueIndex = 0, pointIndex = 0;
            if (vst3::IParamValueQueue* queue = out->addParameterData(e.id, queueIndex))
                queue->addPoint(e.frame, e.value, pointIndex);
        }
    }
    count_ = 0;
}

} // namespace zk
