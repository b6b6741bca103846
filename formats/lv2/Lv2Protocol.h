#pragma once

// The messages the plug-in and its UI send each other through the event ports, as atom
// objects (Lv2Ports.h names their types), and the URIDs both sides need. How they talk:
// 1. The UI opens and sends PanelOpened; the plug-in answers at its next block with every
//    value and its sample rate (Values), every learned binding (Controllers) and the band
//    lamps (Lamps).
// 2. While a UI is open the plug-in sends what changed inside it: Value for a learned
//    controller's move, Values after a program change or a state restore, Controllers when
//    a binding changed, Lamps when a band starts or stops sounding, Notice for what the
//    user must read (the outcome of saving defaults).
// 3. The UI sends PanelCommand for the panel's commands that are the plug-in's work:
//    learning and forgetting bindings, and saving defaults or forgetting every binding
//    once the user has said Yes on the panel. Parameter edits go through the control ports.
// 4. The UI sends PanelClosed as it goes.
// Every reader checks types and sizes: a host may put anything on a port.

#include "product/ParameterIndex.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/urid/urid.h>

#include <array>
#include <cstdint>

namespace zk::lv2 {

struct Urids {
    LV2_URID atomChunk = 0, atomFloat = 0, atomInt = 0, atomObject = 0, atomBlank = 0, atomSequence = 0,
             atomString = 0, atomVector = 0, atomEventTransfer = 0;
    LV2_URID midiEvent = 0;
    LV2_URID stateChanged = 0;
    LV2_URID bufSampleRate = 0, bufMaxBlockLength = 0, bufNominalBlockLength = 0;
    LV2_URID stateBank = 0, stateProgram = 0, stateVersion = 0, statePreset = 0;
    LV2_URID panelOpened = 0, panelClosed = 0, panelCommand = 0, values = 0, value = 0, controllers = 0, lamps = 0,
             notice = 0;
    LV2_URID keyTag = 0, keyIndex = 0, keyValue = 0, keyValues = 0, keyControllers = 0, keyLamps = 0, keyText = 0,
             keyTitle = 0;

    // Maps every URI once; false when the map gave 0 for any.
    bool mapAll(const LV2_URID_Map& map) noexcept;
};

// A message as read from an atom.
struct Message {
    enum class Kind { none, panelOpened, panelClosed, panelCommand, values, value, controllers, lamps, notice };
    Kind kind = Kind::none;
    int32_t tag = 0;   // panelCommand
    int32_t index = 0; // value
    float value = 0.0f; // panelCommand, value
    std::array<float, kNumParameters> values{};
    std::array<int32_t, kNumParameters> controllers{};
    uint32_t lamps = 0; // bit n - 1: band n sounds
    float sampleRate = 0.0f; // values: the plug-in's rate, 0 where the message holds none
    // notice: terminated, cut to fit
    char text[160] = {};
    char title[32] = {};
};

// Reads one of our messages; Kind::none for anything else (another type, a wrong size, an
// index or tag out of range, a text not terminated).
Message readMessage(const Urids& urids, const LV2_Atom* atom) noexcept;

// Writers: each appends one complete object at the forge's position and returns false
// (having written what fitted, which the caller discards) when the buffer is full.
bool writePanelOpened(LV2_Atom_Forge& forge, const Urids& urids) noexcept;
bool writePanelClosed(LV2_Atom_Forge& forge, const Urids& urids) noexcept;
bool writePanelCommand(LV2_Atom_Forge& forge, const Urids& urids, int32_t tag, float value) noexcept;
bool writeValues(LV2_Atom_Forge& forge, const Urids& urids, const float* values, float sampleRate) noexcept;
bool writeValue(LV2_Atom_Forge& forge, const Urids& urids, int32_t index, float value) noexcept;
bool writeControllers(LV2_Atom_Forge& forge, const Urids& urids, const int32_t* controllers) noexcept;
bool writeLamps(LV2_Atom_Forge& forge, const Urids& urids, uint32_t lamps) noexcept;
bool writeNotice(LV2_Atom_Forge& forge, const Urids& urids, const char* text, const char* title) noexcept;
// state:StateChanged, which tells the host that its saved copy of the state is out of date.
bool writeStateChanged(LV2_Atom_Forge& forge, const Urids& urids) noexcept;

} // namespace zk::lv2
