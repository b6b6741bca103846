#pragma once

// What zkhost's commands need of one plug-in instance, whatever its format. Each format
// implements it in a host class of its own (Vst2Host, ClapHost, Vst3Host, Lv2Host) that
// alone knows the format's types; openPlugin picks the format from what the module exports.
//
// How the commands use it:
//  1. openPlugin loads the module and creates one instance.
//  2. applyState loads state files and applies --set; saveState writes state files at the end.
//  3. info: printInfo. render and bench: start, then process block after block with the
//     events due in each block, then stop.
//  4. panel: panelSize, openPanel on a window of zkhost's own, idlePanel at about 30 Hz and
//     the main-loop work in between (descriptors and timers the plug-in asked for), closePanel.
//     The window takes the size the panel asks for while it is open (requestedPanelSize).
//  5. edits collects what the plug-in reported to the host, in order, for --log-automation.
// zkhost has one thread: it is the main thread and, inside start, process and stop, the
// audio thread. Parameter values are normalised, 0 to 1, in every format.

#include "tools/zkhost/StateOptions.h"

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace zkhost {

// The module, the instance or the host cannot go on; exit code 1.
class HostError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One report of the plug-in to the host, in the order it came.
struct EditRecord {
    enum class Kind { automate, beginEdit, endEdit, rescan };
    Kind kind = Kind::automate;
    int32_t index = -1;       // the parameter, for automate, beginEdit and endEdit
    float value = 0.0f;       // automate: the normalised value
    bool notRecorded = false; // automate: the plug-in asked the host not to record it
    int64_t frame = -1;       // the frame of the run it came at, when it came with audio
    std::string what = {};    // rescan: what the host should read again ("values", "info", ...)
};

// An event the host passes with a block, at a frame inside it.
struct HostEvent {
    enum class Kind { midi, parameter };
    Kind kind = Kind::midi;
    int32_t frame = 0;
    uint8_t midi[3] = {0, 0, 0};
    uint8_t midiLength = 3;
    bool live = false;  // midi: played as it happens (a file being played), not a host's own message
    int32_t index = 0;  // parameter
    float value = 0.0f; // parameter, normalised
};

struct PanelSize {
    int width, height;
};

// The host's window that a panel embeds in.
struct PanelParent {
    void* display = nullptr;   // X11: the host's Display
    unsigned long x11 = 0;     // X11: the window
    void* win32 = nullptr;     // Windows: the HWND
};

// A file descriptor the plug-in asked the host to watch (POSIX only).
struct WatchedDescriptor {
    int fd = -1;
    bool read = false, write = false, error = false;
};

class HostedPlugin {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~HostedPlugin() = default;

    virtual const char* formatName() const = 0; // "VST 2", "CLAP"
    virtual std::string name() = 0;             // the plug-in's name, for window titles
    // Everything the plug-in tells about itself, as text or JSON.
    virtual void printInfo(std::ostream& out, bool json) = 0;

    // Throw UsageError for options of another format, FormatError for files that do not suit.
    virtual void applyState(const StateOptions& state) = 0;
    virtual void saveState(const StateOptions& state) = 0;

    // [main] The instance's whole state as its format carries it, outside start..stop: VST 2,
    // the bank chunk (empty for a plug-in without chunks); CLAP and VST3, the bytes written to
    // the host's stream, at most `bytesPerCall` a call (0: as many as asked); LV2, lilv's state
    // text with the control ports' values. Throws HostError when the plug-in cannot save.
    virtual std::vector<uint8_t> saveStateBytes(int32_t bytesPerCall = 0) = 0;
    // [main] Loads such bytes, outside start..stop; false when the plug-in (for LV2, also
    // lilv) refuses them, in which case nothing may have changed.
    virtual bool loadStateBytes(const std::vector<uint8_t>& bytes, int32_t bytesPerCall = 0) = 0;

    // The presets the plug-in offers in its format: VST 2, its programs; CLAP, what its preset
    // discovery tells; VST3, its .vstpreset files where hosts look for them; LV2, the presets
    // lilv finds. choosePreset loads one by name; UsageError for a name that is none.
    struct Preset {
        std::string name, description, where;
    };
    virtual std::vector<Preset> presets() = 0;
    virtual void choosePreset(const std::string& name) = 0;

    virtual int32_t numParams() = 0;
    virtual std::string paramName(int32_t index) = 0;
    virtual float getParameter(int32_t index) = 0;
    virtual void setParameter(int32_t index, float value) = 0; // outside start..stop or between blocks

    virtual int32_t numInputs() = 0;  // audio channels
    virtual int32_t numOutputs() = 0;
    // Whether MIDI messages of this status byte are passed to the plug-in when a file is played.
    virtual bool takesMidi(uint8_t status) = 0;
    // Whether the accumulating process call exists (--accumulate).
    virtual bool canAccumulate() = 0;
    virtual void start(double sampleRate, int32_t maxBlock) = 0;
    virtual void stop() = 0;
    // Events sorted by frame; each format delivers them its own way.
    virtual void process(float** inputs, float** outputs, int32_t frames, const std::vector<HostEvent>& events,
                         bool accumulate) = 0;

    // Throws HostError for a plug-in without a panel or a size.
    virtual PanelSize panelSize() = 0;
    virtual void openPanel(const PanelParent& parent) = 0; // throws HostError when refused
    virtual void idlePanel() = 0;
    virtual void closePanel() = 0;
    // The factor the panel is to be drawn at, before its size is asked; false where the format has none.
    virtual bool setPanelScale(double /*scale*/) { return false; }

    // The main loop's work for the plug-in between idle calls: descriptors to watch, the next
    // timer, and running what is ready or due (also anything the plug-in asked to be called for).
    virtual std::vector<WatchedDescriptor> watchedDescriptors() { return {}; }
    virtual Clock::time_point nextTimer() { return Clock::time_point::max(); }
    virtual void runMainLoop(const std::vector<WatchedDescriptor>& /*ready*/) {}

    // render --honour-silence: take the plug-in's word on silence as hosts may. CLAP: no
    // process call while the plug-in sleeps, the input is silent and no event is due (the
    // output is silence). VST3: inputs of nothing but zeros are marked silent and hold
    // something else, outputs marked silent are taken as silence.
    bool honourSilence = false;
    int64_t skippedBlocks = 0; // CLAP: blocks not processed while the plug-in slept
    int64_t silentOutputs = 0; // VST3: output channels of a block marked silent

    std::vector<EditRecord> edits;
    // The size the plug-in last asked its panel's window to take (VST 2's
    // audioMasterSizeWindow, CLAP's request_resize, VST3's resizeView, LV2's ui:resize);
    // the panel's window takes it and clears it. {0, 0}: none asked.
    PanelSize requestedPanelSize{0, 0};
};

// Whether `count` channels hold nothing but zeros over `frames`.
bool silentChannels(float* const* channels, int32_t count, int32_t frames);

// Loads the module and creates one instance of the format its exports name; throws HostError.
std::unique_ptr<HostedPlugin> openPlugin(const std::string& modulePath);

// One report as --log-automation prints it: "automate INDEX VALUE", "beginEdit INDEX",
// "endEdit INDEX" or "rescan WHAT"; an automation the plug-in asked not to record ends in
// " not-recorded", and one that came with audio in " at FRAME".
std::string editText(const EditRecord& edit);

} // namespace zkhost
