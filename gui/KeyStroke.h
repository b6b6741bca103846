#pragma once

#include <cstdint>

namespace zk::gui {

// A key as the views take it: the character it types, or one of the virtual keys below,
// with the modifier bits of the moment. The numbering is the one plug-in hosts have long
// used for editor keys, so a wrapper passes their codes on unchanged.
struct KeyStroke {
    int32_t character = 0;
    unsigned char virtualKey = 0;
    unsigned char modifiers = 0;
};

// The virtual keys of the arrow keys.
constexpr unsigned char virtualKeyLeft = 11;
constexpr unsigned char virtualKeyUp = 12;
constexpr unsigned char virtualKeyRight = 13;
constexpr unsigned char virtualKeyDown = 14;

// Modifier bits of a key (not those of the mouse state).
constexpr unsigned char keyModifierShift = 1;

} // namespace zk::gui
