// Two threads as a host runs them, for a while: the audio thread processes blocks of random
// sizes with MIDI Program Change and learned Control Change in their event lists, while
// the GUI thread automates parameters, changes programs, loads banks and presets, arms
// learning and opens, idles and closes the editor. Built under ThreadSanitizer it finds
// data races; everywhere it finds deadlocks and output that is not finite.
// ZK_STRESS_SECONDS sets how long it runs (2 s unless given).

#include "editor/PluginEditor.h"
#include "gui/platform/software/SoftwarePlatform.h"
#include "tests/core/MemorySettings.h"
#include "tests/support/HostedEffect.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

namespace {

using namespace vst2;
using Clock = std::chrono::steady_clock;

struct QuietMessages final : zk::MessageService {
    void showMessage(const char*, const char*, void*) noexcept override {}
    void askYesNo(const char*, const char*, void*, Answer answer) noexcept override { answer(false); }
};

std::atomic<long> hostCalls{0};
VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    if (opcode == audioMasterVersion) return 2400;
    hostCalls.fetch_add(1, std::memory_order_relaxed);
    return 0;
}

double stressSeconds() {
    const char* text = std::getenv("ZK_STRESS_SECONDS");
    const double seconds = text ? std::atof(text) : 2.0;
    return seconds > 0 ? seconds : 2.0;
}

// The events of one block: learned controllers at random frames, now and then a program change.
struct BlockEvents {
    std::vector<VstMidiEvent> events;
    std::vector<char> storage;
    VstEvents* make(std::mt19937& rng, int32_t frames) {
        events.assign(rng() % 6, VstMidiEvent{});
        for (VstMidiEvent& event : events) {
            event.type = kVstMidiType;
            event.byteSize = sizeof(VstMidiEvent);
            event.deltaFrames = static_cast<VstInt32>(rng() % static_cast<uint32_t>(frames));
            const bool programChange = rng() % 8 == 0;
            event.midiData[0] = static_cast<char>((programChange ? 0xC0 : 0xB0) | rng() % 16);
            event.midiData[1] = static_cast<char>(programChange ? rng() % 128 : 20 + rng() % 4);
            event.midiData[2] = static_cast<char>(rng() % 128);
        }
        storage.assign(sizeof(VstEvents) + events.size() * sizeof(VstEvent*), 0);
        auto* list = reinterpret_cast<VstEvents*>(storage.data());
        list->numEvents = static_cast<VstInt32>(events.size());
        VstEvent** slots = list->events; // the array runs on past its declared two
        for (size_t i = 0; i < events.size(); ++i) slots[i] = reinterpret_cast<VstEvent*>(&events[i]);
        return list;
    }
};

TEST(Stress, AudioAndGuiThreadsTogether) {
    // The panel draws into memory: the software back end takes any token as the parent.
    zk::gui::platform::software::SoftwarePlatform software;
    zk::gui::platform::Platform* previous = zk::gui::platform::install(&software);
    char parentWindow = 0;
    QuietMessages messages;
    zktest::MemorySettings settings;
    auto* effect = new zktest::HostedEffect(&hostCallback, {&messages, &settings}, [](zk::EditorContext& context) {
        return std::make_unique<zk::PluginEditor>(context);
    });
    AEffect* record = effect->record();
    auto dispatch = [record](VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                             float opt = 0.0f) { return record->dispatcher(record, opcode, index, value, ptr, opt); };
    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    dispatch(effSetBlockSize, 0, 4096);
    dispatch(effMainsChanged, 0, 1);
    // Controllers 20..23 learned for a few parameters; the bank carries the bindings.
    for (int32_t i = 0; i < 4; ++i) {
        effect->setParameter(zk::CommandLearn, static_cast<float>(12 * i + 6));
        VstMidiEvent learn{};
        learn.type = kVstMidiType;
        learn.midiData[0] = static_cast<char>(0xB0);
        learn.midiData[1] = static_cast<char>(20 + i);
        effect->handleMidiEvent(learn);
    }
    void* data = nullptr;
    const auto bankSize = dispatch(effGetChunk, 0, 0, &data);
    const std::vector<uint8_t> bank(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + bankSize);
    const auto presetSize = dispatch(effGetChunk, 1, 0, &data);
    const std::vector<uint8_t> preset(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + presetSize);

    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(stressSeconds()));
    std::atomic<long> audioBeats{0}, guiBeats{0}, badSamples{0}, frames{0};
    std::atomic<bool> audioDone{false}, guiDone{false};
    long opened = 0; // the GUI thread's until it is joined

    std::thread audio([&] {
        std::mt19937 rng(1);
        std::vector<float> inL(4096), inR(4096), outL(4096), outR(4096);
        BlockEvents events;
        while (Clock::now() < end) {
            const int32_t n = 1 + static_cast<int32_t>(rng() % 4096);
            for (int32_t i = 0; i < n; ++i) {
                inL[i] = static_cast<float>(rng() % 2001) / 1000.0f - 1.0f;
                inR[i] = -0.5f * inL[i];
            }
            dispatch(effProcessEvents, 0, 0, events.make(rng, n));
            float* inputs[2] = {inL.data(), inR.data()};
            float* outputs[2] = {outL.data(), outR.data()};
            if (rng() % 4 == 0) {
                std::fill(outL.begin(), outL.begin() + n, 0.0f);
                std::fill(outR.begin(), outR.begin() + n, 0.0f);
                record->process(record, inputs, outputs, n);
            } else {
                record->processReplacing(record, inputs, outputs, n);
            }
            for (int32_t i = 0; i < n; ++i)
                if (!std::isfinite(outL[i]) || !std::isfinite(outR[i])) badSamples.fetch_add(1);
            frames.fetch_add(n);
            audioBeats.fetch_add(1);
        }
        audioDone = true;
    });

    std::thread gui([&] {
        std::mt19937 rng(2);
        std::uniform_real_distribution<float> value(0.0f, 1.0f);
        std::vector<uint8_t> bankCopy = bank, presetCopy = preset;
        char text[256];
        bool editorOpen = false;
        while (Clock::now() < end) {
            switch (rng() % 12) {
            case 0:
            case 1: record->setParameter(record, static_cast<VstInt32>(rng() % 54), value(rng)); break;
            case 2: effect->setParameterAutomated(static_cast<int32_t>(rng() % 54), value(rng)); break;
            case 3: dispatch(effSetProgram, 0, static_cast<VstIntPtr>(rng() % 128)); break;
            case 4: dispatch(effSetChunk, 0, static_cast<VstIntPtr>(bankCopy.size()), bankCopy.data()); break;
            case 5: dispatch(effSetChunk, 1, static_cast<VstIntPtr>(presetCopy.size()), presetCopy.data()); break;
            case 6: dispatch(effGetChunk, rng() % 2, 0, &data); break;
            case 7:
                dispatch(effGetParamDisplay, static_cast<VstInt32>(rng() % 54), 0, text);
                dispatch(effGetProgramName, 0, 0, text);
                (void)record->getParameter(record, static_cast<VstInt32>(rng() % 54));
                break;
            case 8: effect->setParameter(zk::CommandLearn, static_cast<float>(rng() % 54)); break;
            case 9:
                if (editorOpen) dispatch(effEditClose);
                else opened += dispatch(effEditOpen, 0, 0, &parentWindow) != 0;
                editorOpen = !editorOpen;
                break;
            default: dispatch(effEditIdle); break;
            }
            guiBeats.fetch_add(1);
        }
        if (editorOpen) dispatch(effEditClose);
        guiDone = true;
    });

    // A thread that makes no progress for long is stuck: report it rather than hang.
    long lastAudio = -1, lastGui = -1;
    auto lastProgress = Clock::now();
    while (!(audioDone && guiDone)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const bool audioMoved = audioDone || audioBeats != lastAudio;
        const bool guiMoved = guiDone || guiBeats != lastGui;
        lastAudio = audioBeats, lastGui = guiBeats;
        if (audioMoved && guiMoved) {
            lastProgress = Clock::now();
        } else if (Clock::now() - lastProgress > std::chrono::seconds(20)) {
            std::fprintf(stderr, "Stress: a thread made no progress for 20 s (audio %ld, GUI %ld): deadlock\n",
                         lastAudio, lastGui);
            std::abort();
        }
    }
    audio.join();
    gui.join();
    dispatch(effMainsChanged, 0, 0);
    record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f);
    zk::gui::platform::install(previous);

    std::printf("stress: %.1f s, %ld blocks (%ld frames) on the audio thread, %ld GUI operations, "
                "the editor opened %ld times\n",
                stressSeconds(), audioBeats.load(), frames.load(), guiBeats.load(), opened);
    EXPECT_EQ(badSamples.load(), 0);
    EXPECT_GT(audioBeats.load(), 10);
    EXPECT_GT(guiBeats.load(), 10);
    EXPECT_GT(opened, 0);
}

} // namespace
