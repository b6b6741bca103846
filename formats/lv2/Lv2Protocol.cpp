#include "formats/lv2/Lv2Protocol.h"

#include "formats/lv2/Lv2Ports.h"

#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/parameters/parameters.h>
#include <lv2/state/state.h>

#include <cstring>
#include <initializer_list>
#include <utility>

namespace zk::lv2 {

bool Urids::mapAll(const LV2_URID_Map& map) noexcept {
    const std::pair<LV2_URID*, const char*> uris[] = {
        {&atomChunk, LV2_ATOM__Chunk},
        {&atomFloat, LV2_ATOM__Float},
        {&atomInt, LV2_ATOM__Int},
        {&atomObject, LV2_ATOM__Object},
        {&atomBlank, LV2_ATOM__Blank},
        {&atomSequence, LV2_ATOM__Sequence},
        {&atomString, LV2_ATOM__String},
        {&atomVector, LV2_ATOM__Vector},
        {&atomEventTransfer, LV2_ATOM__eventTransfer},
        {&midiEvent, LV2_MIDI__MidiEvent},
        {&stateChanged, LV2_STATE__StateChanged},
        {&bufSampleRate, LV2_PARAMETERS__sampleRate},
        {&bufMaxBlockLength, LV2_BUF_SIZE__maxBlockLength},
        {&bufNominalBlockLength, LV2_BUF_SIZE__nominalBlockLength},
        {&stateBank, kStateBank},
        {&statePreset, kStatePreset},
        {&stateProgram, kStateProgram},
        {&stateVersion, kStateVersion},
        {&panelOpened, kPanelOpened},
        {&panelClosed, kPanelClosed},
        {&panelCommand, kPanelCommand},
        {&values, kValues},
        {&value, kValue},
        {&controllers, kControllers},
        {&lamps, kLamps},
        {&notice, kNotice},
        {&keyTag, kKeyTag},
        {&keyIndex, kKeyIndex},
        {&keyValue, kKeyValue},
        {&keyValues, kKeyValues},
        {&keyControllers, kKeyControllers},
        {&keyLamps, kKeyLamps},
        {&keyText, kKeyText},
        {&keyTitle, kKeyTitle},
    };
    bool complete = true;
    for (const auto& [urid, uri] : uris) {
        *urid = map.map(map.handle, uri);
        complete = complete && *urid != 0;
    }
    return complete;
}

namespace {

// The value of an atom of `type` holding one 32-bit number, or null.
const void* scalar(const LV2_Atom* atom, LV2_URID type) noexcept {
    return atom && atom->type == type && atom->size == 4 ? LV2_ATOM_BODY_CONST(atom) : nullptr;
}

bool readInt(const Urids& urids, const LV2_Atom* atom, int32_t& out) noexcept {
    const void* body = scalar(atom, urids.atomInt);
    if (body) std::memcpy(&out, body, 4);
    return body != nullptr;
}

bool readFloat(const Urids& urids, const LV2_Atom* atom, float& out) noexcept {
    const void* body = scalar(atom, urids.atomFloat);
    if (body) std::memcpy(&out, body, 4);
    return body != nullptr;
}

// A vector of exactly kNumParameters 32-bit elements of `childType`, copied to `out`.
bool readVector(const LV2_Atom* atom, LV2_URID vectorType, LV2_URID childType, void* out) noexcept {
    if (!atom || atom->type != vectorType || atom->size < sizeof(LV2_Atom_Vector_Body)) return false;
    const auto* vector = reinterpret_cast<const LV2_Atom_Vector*>(atom);
    if (vector->body.child_type != childType || vector->body.child_size != 4 ||
        atom->size != sizeof(LV2_Atom_Vector_Body) + 4u * kNumParameters)
        return false;
    std::memcpy(out, &vector->body + 1, 4u * kNumParameters);
    return true;
}

// A terminated string that fits `capacity` bytes.
bool readString(const Urids& urids, const LV2_Atom* atom, char* out, size_t capacity) noexcept {
    if (!atom || atom->type != urids.atomString || atom->size == 0 || atom->size > capacity) return false;
    const auto* text = static_cast<const char*>(LV2_ATOM_BODY_CONST(atom));
    if (text[atom->size - 1] != 0) return false;
    std::memcpy(out, text, atom->size);
    return true;
}

// Every property lies within the object's body. The library's walk trusts each value's
// size: one near 4 GB wraps its step to 0 and the walk never ends.
bool propertiesFit(const LV2_Atom* atom) noexcept {
    const auto* body = static_cast<const uint8_t*>(LV2_ATOM_BODY_CONST(atom));
    const uint64_t size = atom->size;
    for (uint64_t at = sizeof(LV2_Atom_Object_Body); at < size;) {
        if (at + sizeof(LV2_Atom_Property_Body) > size) return false;
        LV2_Atom_Property_Body property;
        std::memcpy(&property, body + at, sizeof property);
        const uint64_t end = at + sizeof property + property.value.size;
        if (end > size) return false;
        at = (end + 7) & ~uint64_t{7};
    }
    return true;
}

} // namespace

Message readMessage(const Urids& urids, const LV2_Atom* atom) noexcept {
    Message message;
    if (!atom || (atom->type != urids.atomObject && atom->type != urids.atomBlank) ||
        atom->size < sizeof(LV2_Atom_Object_Body) || !propertiesFit(atom))
        return message;
    const auto* object = reinterpret_cast<const LV2_Atom_Object*>(atom);
    const LV2_URID type = object->body.otype;
    const LV2_Atom *tag = nullptr, *index = nullptr, *value = nullptr, *values = nullptr, *controllers = nullptr,
                   *lamps = nullptr, *text = nullptr, *title = nullptr, *rate = nullptr;
    lv2_atom_object_get(object, urids.keyTag, &tag, urids.keyIndex, &index, urids.keyValue, &value, urids.keyValues,
                        &values, urids.keyControllers, &controllers, urids.keyLamps, &lamps, urids.keyText, &text,
                        urids.keyTitle, &title, urids.bufSampleRate, &rate, 0);
    using Kind = Message::Kind;
    Kind kind = Kind::none;
    if (type == urids.panelOpened) {
        kind = Kind::panelOpened;
    } else if (type == urids.panelClosed) {
        kind = Kind::panelClosed;
    } else if (type == urids.panelCommand) {
        if (readInt(urids, tag, message.tag) && readFloat(urids, value, message.value)) kind = Kind::panelCommand;
    } else if (type == urids.value) {
        if (readInt(urids, index, message.index) && message.index >= 0 && message.index < kNumParameters &&
            readFloat(urids, value, message.value))
            kind = Kind::value;
    } else if (type == urids.values) {
        if (readVector(values, urids.atomVector, urids.atomFloat, message.values.data())) kind = Kind::values;
        if (!readFloat(urids, rate, message.sampleRate) || !(message.sampleRate > 0.0f)) message.sampleRate = 0.0f;
    } else if (type == urids.controllers) {
        if (readVector(controllers, urids.atomVector, urids.atomInt, message.controllers.data()))
            kind = Kind::controllers;
    } else if (type == urids.lamps) {
        int32_t bits = 0;
        if (readInt(urids, lamps, bits)) {
            message.lamps = static_cast<uint32_t>(bits);
            kind = Kind::lamps;
        }
    } else if (type == urids.notice) {
        if (readString(urids, text, message.text, sizeof message.text) &&
            readString(urids, title, message.title, sizeof message.title))
            kind = Kind::notice;
    }
    message.kind = kind;
    return message;
}

namespace {

// Writes an object of `type` whose properties `body` adds; false when anything did not fit.
template <typename Body>
bool writeObject(LV2_Atom_Forge& forge, LV2_URID type, Body&& body) noexcept {
    LV2_Atom_Forge_Frame frame;
    if (!lv2_atom_forge_object(&forge, &frame, 0, type)) return false;
    const bool complete = body();
    lv2_atom_forge_pop(&forge, &frame);
    return complete;
}

bool intProperty(LV2_Atom_Forge& forge, LV2_URID key, int32_t value) noexcept {
    return lv2_atom_forge_key(&forge, key) && lv2_atom_forge_int(&forge, value);
}

bool floatProperty(LV2_Atom_Forge& forge, LV2_URID key, float value) noexcept {
    return lv2_atom_forge_key(&forge, key) && lv2_atom_forge_float(&forge, value);
}

// lv2_atom_forge_vector reports the header written even when the elements did not fit.
bool vectorProperty(LV2_Atom_Forge& forge, LV2_URID key, LV2_URID childType, const void* elements) noexcept {
    LV2_Atom_Forge_Frame frame;
    if (!lv2_atom_forge_key(&forge, key) || !lv2_atom_forge_vector_head(&forge, &frame, 4, childType)) return false;
    const bool complete = lv2_atom_forge_write(&forge, elements, 4u * kNumParameters) != 0;
    lv2_atom_forge_pop(&forge, &frame);
    return complete;
}

bool stringProperty(LV2_Atom_Forge& forge, LV2_URID key, const char* text, size_t capacity) noexcept {
    const uint32_t length = static_cast<uint32_t>(strnlen(text ? text : "", capacity - 1));
    return lv2_atom_forge_key(&forge, key) && lv2_atom_forge_string(&forge, text ? text : "", length);
}

} // namespace

bool writePanelOpened(LV2_Atom_Forge& forge, const Urids& urids) noexcept {
    return writeObject(forge, urids.panelOpened, [] { return true; });
}

bool writePanelClosed(LV2_Atom_Forge& forge, const Urids& urids) noexcept {
    return writeObject(forge, urids.panelClosed, [] { return true; });
}

bool writePanelCommand(LV2_Atom_Forge& forge, const Urids& urids, int32_t tag, float value) noexcept {
    return writeObject(forge, urids.panelCommand, [&] {
        return intProperty(forge, urids.keyTag, tag) && floatProperty(forge, urids.keyValue, value);
    });
}

bool writeValues(LV2_Atom_Forge& forge, const Urids& urids, const float* values, float sampleRate) noexcept {
    return writeObject(forge, urids.values, [&] {
        return vectorProperty(forge, urids.keyValues, urids.atomFloat, values) &&
               floatProperty(forge, urids.bufSampleRate, sampleRate);
    });
}

bool writeValue(LV2_Atom_Forge& forge, const Urids& urids, int32_t index, float value) noexcept {
    return writeObject(forge, urids.value, [&] {
        return intProperty(forge, urids.keyIndex, index) && floatProperty(forge, urids.keyValue, value);
    });
}

bool writeControllers(LV2_Atom_Forge& forge, const Urids& urids, const int32_t* controllers) noexcept {
    return writeObject(forge, urids.controllers, [&] {
        return vectorProperty(forge, urids.keyControllers, urids.atomInt, controllers);
    });
}

bool writeLamps(LV2_Atom_Forge& forge, const Urids& urids, uint32_t lamps) noexcept {
    return writeObject(forge, urids.lamps,
                       [&] { return intProperty(forge, urids.keyLamps, static_cast<int32_t>(lamps)); });
}

bool writeNotice(LV2_Atom_Forge& forge, const Urids& urids, const char* text, const char* title) noexcept {
    return writeObject(forge, urids.notice, [&] {
        return stringProperty(forge, urids.keyText, text, sizeof Message::text) &&
               stringProperty(forge, urids.keyTitle, title, sizeof Message::title);
    });
}

bool writeStateChanged(LV2_Atom_Forge& forge, const Urids& urids) noexcept {
    return writeObject(forge, urids.stateChanged, [] { return true; });
}

} // namespace zk::lv2
