#pragma once

// The plug-in as every format's wrapper drives it. A wrapper alone knows its format's
// types: it turns its host's calls into these, and the effect's calls to HostServices
// (HostServices.h) into its host's. How a host uses it:
// 1. Load: the format's entry builds the effect (PluginEffect, PluginEffect.h) with the
//    wrapper's HostServices, the platform's EffectServices and, where the format shows a
//    panel from the same object, an EditorFactory (Editor.h); then initialise() sets up the
//    sound engine and selects program 0, which the host hears of.
// 2. Activate: setSampleRate and setMaxBlockSize while inactive, then activate(); deactivate()
//    before the rate changes again. A second activate() without a deactivate() is harmless.
// 3. Process: process() runs one block on the audio thread, writing its output over the
//    output buffers and acting on the block's MIDI events and parameter changes
//    (BlockEvents.h) at their frames. A wrapper whose host hands events over before the
//    block, or wants the output added to its buffers, does that part itself. tailFrames says
//    how long the sound goes on once the input stops.
// 4. Parameters: the host reads them (parameter, describeParameter, valueToText) and sets
//    them (setParameter, or events of the block); those changes are not reported back.
//    Changes the plug-in makes itself reach the host through HostServices.
// 5. Programs and state: 128 programs (selectProgram, programName); the state as bytes,
//    the bank chunk (every program with the learned bindings) or the preset chunk (one
//    program), saved by saveChunk and loaded by restoreChunk (fails cleanly, changes
//    nothing). A program is renamed or copied by loading its preset chunk, changed, into it.
// 6. Panel: hasPanel, panelSize, openPanel on a native parent window, panelIdle, the keys
//    and the wheel, closePanel. The panel's commands that are no parameters (its menu, the
//    learn menu) reach the effect through panelCommand. Hosts that watch descriptors and run timers (rather than
//    an idle call of their own) call panelIdle when panelEventDescriptor is readable and
//    on a timer.
// 7. Close: closePanel (if open), then destroy the effect.
// Thread tags: [audio] the host's processing thread; [main] the host's main (GUI) thread;
// [any] either, also both at once. VST 2 hosts make [main] calls from other threads too;
// the effect stays safe then, and leaves drawing and message boxes to the panel's thread.

#include "core/BlockEvents.h"
#include "core/Editor.h"
#include "product/PanelCommand.h"

#include <cstddef>
#include <cstdint>
#include <limits>

namespace zk {

// What a host shows of a parameter.
struct ParameterDescription {
    const char* name = "";      // full and unique: "Band 2 Sensitivity"
    const char* symbol = "";    // stable, a C identifier, for ports: "band2_sensitivity"
    const char* shortName = ""; // the 8 characters VST 2 hosts show: "Sensivit"
    const char* unit = "";      // of the value texts: "Hz", "ms", "dB", "%", "st", or none
    float defaultValue = 0.0f;
    float minimum = 0.0f;
    float maximum = 1.0f;
    int32_t steps = 0;          // 1 for an on/off switch, 0 for a continuous value
    bool automatable = true;
    bool hidden = false;        // the unused parameter: kept for old states, shown nowhere
};

enum class ChunkKind : uint8_t {
    bank,   // the parameter descriptors (flags, shared values, learned bindings) and 128 programs
    preset, // the current program: its name and values
};

class Effect {
public:
    // [main] Closes the panel first; every later call is gone with the object.
    virtual ~Effect() = default;
    // [main] Once, after construction and before anything else: sets up the engine and
    // selects program 0 (allParametersChanged, displayChanged). Before it, setParameter and
    // process do nothing.
    virtual void initialise() noexcept = 0;

    // ---- parameters: index 0 .. parameterCount() - 1 --------------------------------
    // [any]
    virtual int32_t parameterCount() const noexcept = 0;
    // [any] False (and `description` untouched) for an index that is no parameter.
    virtual bool describeParameter(int32_t index, ParameterDescription& description) const noexcept = 0;
    // [any] The current value; 0 for any other index.
    virtual float parameter(int32_t index) const noexcept = 0;
    // [any] The host's change: clamped and stored, heard from the next frame, shown on the
    // panel; not reported back. Nothing for an index that is no parameter.
    virtual void setParameter(int32_t index, float value) noexcept = 0;
    // [any] A command of the panel (PanelCommand.h), for `parameter` where it names one: the
    // effect carries out its own (learning, the stored defaults, which ask the user first)
    // and passes every command on to its panel (the About picture is the panel's). Nothing
    // for a parameter the command cannot take. Not reported to the host.
    virtual void panelCommand(PanelCommand command, int32_t parameter = -1) noexcept = 0;
    // [any] The stored 8-character name (a bank may bring others); `text` holds 9 bytes.
    virtual void parameterShortName(int32_t index, char* text) const noexcept = 0;
    // [any] The text a host shows for `value`, in real units at the current rate and values
    // ("315 Hz", "+11.1 dB", "On"; ValueText.h), at most `capacity` - 1 characters and a
    // terminator; false and an empty text for an index that is no parameter.
    virtual bool valueToText(int32_t index, float value, char* text, size_t capacity) const noexcept = 0;
    // [any] The value such a text, or a number in the parameter's unit, stands for, within
    // the range; false for text that is none.
    virtual bool textToValue(int32_t index, const char* text, float& value) const noexcept = 0;

    // ---- programs: index 0 .. programCount() - 1 --------------------------------------
    // [any]
    virtual int32_t programCount() const noexcept = 0;
    virtual int32_t currentProgram() const noexcept = 0;
    // [any] Makes program `index` current and applies its values (allParametersChanged with
    // origin program, displayChanged); nothing for an index that is no program.
    virtual void selectProgram(int32_t index) noexcept = 0;
    // [any] The name of program `index`; `text` holds 25 bytes. False for no program.
    virtual bool programName(int32_t index, char* text) const noexcept = 0;

    // ---- the factory set: sounds that come with the plug-in, apart from its programs ------
    // [any]
    virtual int32_t factoryPresetCount() const noexcept = 0;
    // [any] Its name and a line saying what it does; false for an index that is none.
    virtual bool factoryPresetInfo(int32_t index, const char** name, const char** description) const noexcept = 0;
    // [main] Loads it into the current program, its values and its name, as a preset chunk
    // loads (origin state); the other programs and the learned bindings stay.
    virtual bool loadFactoryPreset(int32_t index) noexcept = 0;

    // ---- state -------------------------------------------------------------------------
    // [main] The chunk's bytes and their number (a preset chunk: the current program's);
    // they stay valid until the next saveChunk of the same kind.
    virtual int32_t saveChunk(ChunkKind kind, const void** data) noexcept = 0;
    // [main] The chunk must have exactly its size. A bank also makes `program` current (-1
    // keeps the current one); a preset goes into program `program` (-1: the current one).
    // False, with nothing changed, shown or reported, when the bytes or the program do not
    // fit. Else a bank, or a preset into the current program, applies its values as a
    // program change does (origin state); a preset into another program only stores them.
    virtual bool restoreChunk(ChunkKind kind, const void* data, int32_t size, int32_t program = -1) noexcept = 0;

    // ---- audio -------------------------------------------------------------------------
    // [main] While inactive. Rates outside 1 Hz to 10 MHz are ignored.
    virtual void setSampleRate(float rate) noexcept = 0;
    virtual float sampleRate() const noexcept = 0;
    // [main] While inactive: the most frames a process() call will bring (blocks may be
    // shorter; longer ones are processed too).
    virtual void setMaxBlockSize(int32_t frames) noexcept = 0;
    virtual int32_t maxBlockSize() const noexcept = 0;
    // [main] Switches processing on at the current rate (asks the host for MIDI) and off.
    virtual void activate() noexcept = 0;
    virtual void deactivate() noexcept = 0;
    // [audio] One block: two input and two output channels of `frames` floats (an output may
    // be its input), written over; `events` are the block's (null for none), read until the
    // call returns. Missing channels produce nothing but the events are still acted on.
    virtual void process(const float* const* inputs, float* const* outputs, int32_t frames,
                         const BlockEvents* events = nullptr) noexcept = 0;
    // [any] How many frames the output may still sound after the input falls silent, at the
    // current rate and values (an upper estimate); kInfiniteTail while the delay's feedback
    // rings on for longer than a host should wait.
    static constexpr uint32_t kInfiniteTail = std::numeric_limits<uint32_t>::max();
    virtual uint32_t tailFrames() const noexcept = 0;
    // [any] Bypass, for formats whose hosts switch it (a parameter flagged so, a port):
    // bypassed, process() gives the input as the output, fading in and out over 5 ms; MIDI
    // is still taken, the parameters, programs and state stay as they are (no chunk holds
    // it). While inactive it applies from the next activate().
    virtual void setBypass(bool bypassed) noexcept = 0;
    virtual bool bypassed() const noexcept = 0;
    // [audio] After a block: the engine sleeps, so that its output stays silence while the
    // input does (below -60 dB) and no event comes; a host may skip such blocks. Never
    // while bypassed, nor while it fades in or out.
    virtual bool sleeping() const noexcept = 0;

    // ---- panel -------------------------------------------------------------------------
    // [main] Whether the effect has a panel; every entry below does nothing without one.
    virtual bool hasPanel() const noexcept = 0;
    virtual PanelSize panelSize() const noexcept = 0;
    // [main] The host's scale, pixels per panel unit (1 to 3): the panel takes it, with its
    // size, unless the user chose a zoom; an open panel is rebuilt at the new size at once
    // (the wrapper asks its host to follow). False where it cannot be drawn at that scale.
    virtual bool setPanelScale(float scale) noexcept = 0;
    // [main] Opens the panel in a child window of the native `parentWindow` (X11 window id,
    // HWND); false when it could not.
    virtual bool openPanel(void* parentWindow) noexcept = 0;
    virtual void closePanel() noexcept = 0;
    // [main] The file descriptor on which the open panel's window system delivers its events
    // (its X11 connection), for hosts that watch descriptors; -1 when there is none. It may
    // change with every openPanel.
    virtual int32_t panelEventDescriptor() noexcept = 0;
    // [main] The host's idle call (some VST 2 hosts make it from a timer thread of theirs).
    virtual void panelIdle() noexcept = 0;
    // [main] Keys, the wheel and the knob mode, as Editor takes them.
    virtual int32_t panelKeyDown(const KeyPress& key) noexcept = 0;
    virtual int32_t panelKeyUp(const KeyPress& key) noexcept = 0;
    virtual bool panelWheel(float distance) noexcept = 0;
    virtual bool setKnobMode(int32_t mode) noexcept = 0;
};

} // namespace zk
