#pragma once

// The effect as every format's wrapper holds it, built directly from the library: a host
// that records what the effect tells it, scripted dialogs and an editor that records what
// the effect tells it.

#include "core/PluginEffect.h"
#include "tests/support/ScriptedMessages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zktest {

struct RecordingEditor final : zk::Editor {
    std::vector<std::pair<int32_t, float>> parameters;
    int refreshes = 0;
    std::atomic<int> idles{0}; // program changes on two threads both run the idle
    std::function<void()> onIdle;               // what the panel does in its idle, where set
    std::function<void(int32_t)> onParameter;   // after a value is recorded, where set
    void* window = nullptr; // what messageWindow() reports
    void* messageWindow() noexcept override { return window; }
    zk::PanelSize size() const noexcept override { return {}; }
    bool open(void*) noexcept override { return false; }
    void close() noexcept override {}
    void hostIdle() noexcept override { idle(); }
    void idle() noexcept override {
        ++idles;
        if (onIdle) onIdle();
    }
    bool setKnobMode(int32_t) noexcept override { return false; }
    bool onWheel(float) noexcept override { return false; }
    void setParameter(int32_t index, float value) noexcept override {
        parameters.emplace_back(index, value);
        if (onParameter) onParameter(index);
    }
    void refreshLearnedControllers() noexcept override { ++refreshes; }
};

// Builds a RecordingEditor for an effect and keeps where it is.
inline zk::EditorFactory recordingEditor(RecordingEditor*& editor) {
    return [&editor](zk::EditorContext&) {
        auto made = std::make_unique<RecordingEditor>();
        editor = made.get();
        return made;
    };
}

// Every call the effect makes on its host, in order, with the thread it came on.
struct RecordingHost final : zk::HostServices {
    struct Call {
        std::string what; // begin, end, changed, all, display, midi, resize
        int32_t index = -1;
        float value = 0.0f;
        zk::ChangeOrigin origin = zk::ChangeOrigin::panel;
        std::thread::id thread;
    };
    std::vector<Call> calls;
    std::mutex lock;
    std::function<void(const Call&)> onCall; // a host's answer, made outside the lock

    void note(std::string what, int32_t index = -1, float value = 0.0f,
              zk::ChangeOrigin origin = zk::ChangeOrigin::panel) {
        Call call{std::move(what), index, value, origin, std::this_thread::get_id()};
        {
            std::lock_guard<std::mutex> guard(lock);
            calls.push_back(call);
        }
        if (onCall) onCall(call);
    }
    void beginGesture(int32_t index) noexcept override { note("begin", index); }
    void endGesture(int32_t index) noexcept override { note("end", index); }
    void parameterChanged(int32_t index, float value, zk::ChangeOrigin origin) noexcept override {
        note("changed", index, value, origin);
    }
    void allParametersChanged(zk::ChangeOrigin origin) noexcept override { note("all", -1, 0.0f, origin); }
    void displayChanged() noexcept override { note("display"); }
    void wantMidi() noexcept override { note("midi"); }
    void resizePanel(zk::PanelSize) noexcept override { note("resize"); }

    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const Call& call : calls) out.push_back(call.what);
        return out;
    }
    int count(const std::string& what) const {
        int n = 0;
        for (const Call& call : calls) n += call.what == what;
        return n;
    }
};

using Midi = std::vector<std::pair<int32_t, std::vector<uint8_t>>>; // (frame, bytes)

// A block's MIDI as the effect reads it.
class MidiList {
public:
    explicit MidiList(const Midi& messages = {});
    const zk::BlockEvents* list() const noexcept { return events_.empty() ? nullptr : &list_; }
    std::vector<zk::BlockEvent>& events() noexcept { return events_; }

private:
    std::vector<zk::BlockEvent> events_;
    zk::EventArray list_{nullptr, 0};
};

// The chunk of `kind` the effect holds now, as bytes.
std::vector<uint8_t> saved(zk::PluginEffect& effect, zk::ChunkKind kind);
std::string programName(const zk::PluginEffect& effect, int32_t index);
// Writes a float into a chunk, little-endian, as the chunks hold their values.
void putFloat(std::vector<uint8_t>& bytes, size_t offset, float value);
// Renames the current program as every format does: its preset chunk, renamed, loaded again.
void renameProgram(zk::PluginEffect& effect, const char* name);

class EffectTest : public ::testing::Test {
protected:
    EffectTest();
    ~EffectTest() override;

    // Hands the effect a block's MIDI, for checks that walk the frames themselves
    // (handlePendingEvents) and for the next processFrames.
    void sendMidi(const Midi& messages);
    // Runs `frames` frames of loud input (the engine wakes on it), with what sendMidi gave.
    void processFrames(int32_t frames, float input = 0.5f);
    // The panel's move of a control: a command for the tags that send one, else an edit.
    void panelSets(int32_t tag, float value);
    void learn(int32_t index) { effect->panelCommand(zk::PanelCommand::learnController, index); }

    RecordingHost host;
    ScriptedMessages messages;
    RecordingEditor* editor = nullptr; // owned by the effect
    std::unique_ptr<zk::PluginEffect> effect;

private:
    std::unique_ptr<MidiList> pending_;
};

} // namespace zktest
