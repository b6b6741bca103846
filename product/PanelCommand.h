#pragma once

// What the user asks of the plug-in on its panel beyond moving a parameter: the panel menu,
// the learn menu on every control, the About picture. The effect carries the commands out
// (Effect::panelCommand). Where only a number and a value travel (a host that sets them as
// parameters past the 54, the messages between a panel and a plug-in that live apart), a
// command goes as a tag and a value; the tags are those of the panel's controls that send
// them, and never change.

#include "product/ParameterIndex.h"

#include <cstdint>

namespace zk {

enum class PanelCommand : uint8_t {
    closeAbout,           // the About picture, or the splash square, was clicked
    openAbout,            // the panel menu's "About"
    saveDefaults,         // the panel menu's "Default": asks, then stores the values as the defaults
    forgetAllControllers, // the panel menu's "MidiForget": asks, then drops every learned binding
    learnController,      // the learn menu: the next controller moved binds to the parameter; -1 disarms
    forgetController,     // the learn menu: the parameter's binding is dropped
};

// The tags of the controls that send commands, and the numbers they travel as.
inline constexpr int32_t kAboutTag = 56;     // the About picture and the splash square; any value
inline constexpr int32_t kPanelMenuTag = 57; // 0 About, 1 Default, 2 MidiForget
inline constexpr int32_t kLearnTag = 65;     // a parameter arms learning (-1 disarms), parameter + 1000 forgets
inline constexpr float kForgetOffset = 1000.0f;
// The names the effect has always used for the two tags whose commands are its own work.
inline constexpr int32_t CommandDefaults = kPanelMenuTag;
inline constexpr int32_t CommandLearn = kLearnTag;

struct TaggedCommand {
    PanelCommand command = PanelCommand::closeAbout;
    int32_t parameter = -1; // learnController, forgetController
};

// The command a control's tag and value stand for; false for any other pair (a parameter's
// tag, a menu entry that is no command, a learn value that names no parameter, NaN).
constexpr bool commandOfTag(int32_t tag, float value, TaggedCommand& out) noexcept {
    if (tag == kAboutTag) {
        out = {PanelCommand::closeAbout, -1};
        return true;
    }
    if (tag == kPanelMenuTag) {
        if (value == 0.0f) out = {PanelCommand::openAbout, -1};
        else if (value == 1.0f) out = {PanelCommand::saveDefaults, -1};
        else if (value == 2.0f) out = {PanelCommand::forgetAllControllers, -1};
        else return false;
        return true;
    }
    if (tag != kLearnTag) return false;
    if (value > -2.0f && value < static_cast<float>(kNumParameters)) {
        out = {PanelCommand::learnController, static_cast<int32_t>(value)}; // the fraction cut off
        return true;
    }
    if (value >= kForgetOffset && value < kForgetOffset + static_cast<float>(kNumParameters)) {
        out = {PanelCommand::forgetController, static_cast<int32_t>(value - kForgetOffset)};
        return true;
    }
    return false;
}

// The tag and value a command travels as; commandOfTag reads it back.
constexpr void tagOfCommand(PanelCommand command, int32_t parameter, int32_t& tag, float& value) noexcept {
    switch (command) {
    case PanelCommand::closeAbout: tag = kAboutTag, value = 1.0f; return;
    case PanelCommand::openAbout: tag = kPanelMenuTag, value = 0.0f; return;
    case PanelCommand::saveDefaults: tag = kPanelMenuTag, value = 1.0f; return;
    case PanelCommand::forgetAllControllers: tag = kPanelMenuTag, value = 2.0f; return;
    case PanelCommand::learnController: tag = kLearnTag, value = static_cast<float>(parameter); return;
    case PanelCommand::forgetController: tag = kLearnTag, value = static_cast<float>(parameter) + kForgetOffset; return;
    }
}

} // namespace zk
