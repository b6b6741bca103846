#pragma once

// An effect built directly from the library, with a recording host, scripted dialogs and
// an editor that records what the effect tells it.

#include "tests/support/HostedEffect.h"
#include "tests/support/ScriptedMessages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <functional>
#include <string>
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

struct RecordedHostCall {
    int32_t opcode;
    int32_t index;
    float opt;
};

class EffectTest : public ::testing::Test {
protected:
    EffectTest();
    ~EffectTest() override;

    // Builds a MIDI event list and hands it to the effect; `messages` are (frame, bytes).
    void sendMidi(const std::vector<std::pair<int32_t, std::vector<uint8_t>>>& messages);
    // Runs `frames` frames of loud input (the engine wakes on it) through processReplacing.
    void processFrames(int32_t frames, float input = 0.5f);
    int countHostCalls(int32_t opcode) const;

    ScriptedMessages messages;
    RecordingEditor* editor = nullptr; // owned by the effect
    std::unique_ptr<HostedEffect> effect;
    static thread_local std::vector<RecordedHostCall>* hostCalls;
    std::vector<RecordedHostCall> calls;

private:
    static vst2::VstIntPtr hostCallback(vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32 index,
                                        vst2::VstIntPtr, void*, float opt);
    std::vector<vst2::VstMidiEvent> midiEvents_;
    std::vector<vst2::VstEvent*> eventSlots_;
    std::vector<char> eventList_;
};

} // namespace zktest
