#pragma once

// The LV2 plug-in's ports and the names it gives its state and its messages, shared by the
// DSP binary, the UI binary and the generator of the bundle's Turtle files, so that the
// three cannot disagree. Port indices and symbols are part of every saved session: they
// never change.

#include "product/Identity.h"
#include "product/ParameterIndex.h"

#include <cstdint>
#include <string_view>

namespace zk::lv2 {

// Two audio inputs and outputs, the parameters in index order, the event ports, then the
// host's bypass switch (lv2:enabled), added last so that the others keep their indices.
constexpr uint32_t kAudioInLeft = 0;
constexpr uint32_t kAudioInRight = 1;
constexpr uint32_t kAudioOutLeft = 2;
constexpr uint32_t kAudioOutRight = 3;
constexpr uint32_t kFirstParameterPort = 4;
// MIDI from the host and messages from the UI.
constexpr uint32_t kEventsInPort = kFirstParameterPort + kNumParameters;
// What the plug-in tells its UI and the host.
constexpr uint32_t kNotifyPort = kEventsInPort + 1;
// 1 processes, 0 bypasses: the output is the input (the effect's bypass). Unconnected: 1.
constexpr uint32_t kEnabledPort = kNotifyPort + 1;
constexpr uint32_t kPortCount = kEnabledPort + 1;
static_assert(kEventsInPort == 58 && kEnabledPort == 60 && kPortCount == 61);

constexpr bool isParameterPort(uint32_t port) { return port >= kFirstParameterPort && port < kEventsInPort; }
constexpr int32_t parameterOfPort(uint32_t port) { return static_cast<int32_t>(port - kFirstParameterPort); }
constexpr uint32_t portOfParameter(int32_t index) { return kFirstParameterPort + static_cast<uint32_t>(index); }

struct FixedPort {
    uint32_t index;
    const char* symbol;
    const char* name;
};
// The ports that are no parameter; their symbols differ from every parameter's.
constexpr FixedPort kAudioPorts[] = {{kAudioInLeft, "in_left", "Left In"},
                                     {kAudioInRight, "in_right", "Right In"},
                                     {kAudioOutLeft, "out_left", "Left Out"},
                                     {kAudioOutRight, "out_right", "Right Out"}};
constexpr FixedPort kEventsInFacts = {kEventsInPort, "events_in", "Events In"};
constexpr FixedPort kNotifyFacts = {kNotifyPort, "notify", "Notify"};
constexpr FixedPort kEnabledFacts = {kEnabledPort, "enabled", "Enabled"};

// The bytes the notify port needs at least: the largest message (every value) and the rest.
constexpr uint32_t kNotifyMinimumBytes = 4096;

// ---- names under the plug-in's URI -----------------------------------------------------
#define ZK_LV2_NAME(fragment) "https://zephyrkettledrome.org/plugins/zephyrkettledrome#" fragment

// State: the bank chunk (atom:Chunk), the current program and the state's version (atom:Int).
constexpr const char* kStateBank = ZK_LV2_NAME("bank");
// A preset's state (the factory set's presets hold it): one program's chunk (atom:Chunk, 240
// bytes), loaded into the current program; the rest of the state stays.
constexpr const char* kStatePreset = ZK_LV2_NAME("preset");
constexpr const char* kStateProgram = ZK_LV2_NAME("program");
constexpr const char* kStateVersion = ZK_LV2_NAME("stateVersion");
// The layout of the state this build writes and the only one it restores.
constexpr int32_t kCurrentStateVersion = 1;

// Messages between the plug-in and its UI: atom objects of these types.
constexpr const char* kPanelOpened = ZK_LV2_NAME("PanelOpened");  // UI -> plug-in: send everything
constexpr const char* kPanelClosed = ZK_LV2_NAME("PanelClosed");  // UI -> plug-in
constexpr const char* kPanelCommand = ZK_LV2_NAME("PanelCommand"); // UI -> plug-in: tag, value
constexpr const char* kValues = ZK_LV2_NAME("Values");             // plug-in -> UI: every value
constexpr const char* kValue = ZK_LV2_NAME("Value");               // plug-in -> UI: index, value
constexpr const char* kControllers = ZK_LV2_NAME("Controllers");   // plug-in -> UI: every binding
constexpr const char* kLamps = ZK_LV2_NAME("Lamps");               // plug-in -> UI: band bits
constexpr const char* kNotice = ZK_LV2_NAME("Notice");             // plug-in -> UI: text, title
// Their properties.
constexpr const char* kKeyTag = ZK_LV2_NAME("tag");
constexpr const char* kKeyIndex = ZK_LV2_NAME("index");
constexpr const char* kKeyValue = ZK_LV2_NAME("value");
constexpr const char* kKeyValues = ZK_LV2_NAME("values");
constexpr const char* kKeyControllers = ZK_LV2_NAME("controllers");
constexpr const char* kKeyLamps = ZK_LV2_NAME("lamps");
constexpr const char* kKeyText = ZK_LV2_NAME("text");
constexpr const char* kKeyTitle = ZK_LV2_NAME("title");
#undef ZK_LV2_NAME

static_assert(std::string_view(kStateBank).starts_with(kLv2Uri), "state and messages live under the plug-in's URI");
static_assert(std::string_view(kLv2UiUri).starts_with(kLv2Uri));

} // namespace zk::lv2
