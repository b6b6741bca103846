// Replaces the global allocation functions to prove that processing never allocates: the
// engine's block loop, and the effect's whole process path with MIDI.

#include "editor/PluginEditor.h"
#include "gui/platform/software/SoftwarePlatform.h"
#include "tests/support/HostedEffect.h"
#include "tests/engine/FakeHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <new>
#include <vector>

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
void note() {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
}
} // namespace

// The malloc family through glibc's own entries; operator new and the library's other
// allocation functions all end up here. A sanitizer keeps malloc for itself.
#if !defined(__SANITIZE_ADDRESS__)
#define ZK_COUNT_MALLOC 1
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);
void* malloc(size_t size) { return note(), __libc_malloc(size); }
void* calloc(size_t count, size_t size) { return note(), __libc_calloc(count, size); }
void* realloc(void* p, size_t size) { return note(), __libc_realloc(p, size); }
void* memalign(size_t alignment, size_t size) { return note(), __libc_memalign(alignment, size); }
void* aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }
int posix_memalign(void** out, size_t alignment, size_t size) { return (*out = memalign(alignment, size)) ? 0 : ENOMEM; }
void free(void* p) { __libc_free(p); }
}
#else
void* operator new(size_t size) {
    note();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
#endif

TEST(Allocation, TheCounterSeesAllocations) {
    void* (*volatile allocate)(size_t) = std::malloc;
    counting = true;
    void* a = allocate(32);
    void* b = ::operator new(32);
    counting = false;
    std::free(a);
    ::operator delete(b);
#if ZK_COUNT_MALLOC
    EXPECT_EQ(allocations.exchange(0), 2);
#else
    EXPECT_EQ(allocations.exchange(0), 1);
#endif
}

TEST(Allocation, ProcessBlockNeverAllocates) {
    zktest::FakeHost h(44100.0);
    const int32_t block = 512;
    std::vector<float> inL(block), inR(block), outL(block), outR(block);
    uint32_t seed = 1;
    int64_t events = 0;
    h.setOnEvents([&](int32_t frame) { // MIDI-driven changes, some through the setters
        if (frame % 97 == 0) ++events, h.set(static_cast<int32_t>(events % 54), static_cast<float>(events % 11) / 10.0f);
    });
    for (int32_t done = 0, n = 0; done < 441000; done += block, ++n) { // 10 s of audio
        const bool silent = (n / 200) % 3 == 2; // stretches long enough to fall asleep
        for (size_t i = 0; i < inL.size(); ++i) {
            seed = seed * 1664525u + 1013904223u;
            inL[i] = silent ? 0.0f : static_cast<float>(seed >> 9) / 8388608.0f - 0.5f;
            inR[i] = -0.5f * inL[i];
        }
        h.set(zk::sideBySideParameter(zk::paramPreListen1, n % 3 + 1), n % 5 == 0 ? 0.5f : 0.0f); // pre-listen now and then
        h.set(zk::bandParameter(zk::paramBand1, n % 3 + 1), static_cast<float>(n % 10) / 10.0f);
        h.set(zk::paramLeft2, n % 2 ? 1.0f : 0.0f);
        if (n == 400) h.engine.adoptSampleRate(48000.0, true);
        counting = true;
        h.engine.processBlock(inL.data(), inR.data(), outL.data(), outR.data(), block, n % 2 == 0);
        counting = false;
    }
    EXPECT_GT(events, 1000);
    EXPECT_EQ(allocations.load(), 0);
}

namespace {

struct SilentMessages final : zk::MessageService {
    void showMessage(const char*, const char*, void*) noexcept override {}
    void askYesNo(const char*, const char*, void*, Answer answer) noexcept override { answer(false); }
};

vst2::VstIntPtr quietHost(vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32, vst2::VstIntPtr, void*, float) {
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

} // namespace

// The whole path a host drives: effProcessEvents and both process entries, with learned
// controllers and program changes in the lists, so setParameter, setProgram, the host
// callback and the editor's hooks all run inside the counted calls. The panel is open on
// this thread, the processing one, as in a host that runs audio and panels on one thread.
TEST(Allocation, TheProcessEntriesWithMidiNeverAllocate) {
    zk::gui::platform::software::SoftwarePlatform software;
    zk::gui::platform::Platform* previous = zk::gui::platform::install(&software);
    SilentMessages messages;
    auto* effect = new zktest::HostedEffect(&quietHost, {&messages, nullptr}, [](zk::EditorContext& context) {
        return std::make_unique<zk::PluginEditor>(context);
    });
    vst2::AEffect* record = effect->record();
    char parentWindow = 0;
    ASSERT_NE(record->dispatcher(record, vst2::effEditOpen, 0, 0, &parentWindow, 0.0f), 0);
    ASSERT_NE(software.lastWindow(), nullptr);
    software.lastWindow()->paintAll();
    record->dispatcher(record, vst2::effEditIdle, 0, 0, nullptr, 0.0f);
    record->dispatcher(record, vst2::effSetSampleRate, 0, 0, nullptr, 44100.0f);
    record->dispatcher(record, vst2::effMainsChanged, 0, 1, nullptr, 0.0f);
    for (int32_t i = 0; i < 3; ++i) { // controllers 20..22 learned for Band1..3
        record->setParameter(record, zk::CommandLearn, static_cast<float>(4 + 12 * i));
        vst2::VstMidiEvent learn{};
        learn.type = vst2::kVstMidiType;
        learn.midiData[0] = static_cast<char>(0xB0);
        learn.midiData[1] = static_cast<char>(20 + i);
        effect->handleMidiEvent(learn);
    }

    constexpr int32_t block = 256, perBlock = 8;
    std::vector<vst2::VstMidiEvent> events(perBlock);
    std::vector<char> storage(sizeof(vst2::VstEvents) + perBlock * sizeof(vst2::VstEvent*));
    auto* list = reinterpret_cast<vst2::VstEvents*>(storage.data());
    list->numEvents = perBlock;
    vst2::VstEvent** slots = list->events; // the array runs on past its declared two
    std::vector<float> inL(block), inR(block), outL(block), outR(block);
    float* inputs[2] = {inL.data(), inR.data()};
    float* outputs[2] = {outL.data(), outR.data()};
    uint32_t seed = 7;
    for (int32_t n = 0; n < 800; ++n) {
        for (int32_t e = 0; e < perBlock; ++e) {
            vst2::VstMidiEvent& event = events[static_cast<size_t>(e)];
            event = vst2::VstMidiEvent{};
            event.type = vst2::kVstMidiType;
            event.byteSize = sizeof event;
            event.deltaFrames = e * (block / perBlock);
            const bool programChange = e == 3 && n % 4 == 0;
            event.midiData[0] = static_cast<char>(programChange ? 0xC0 : 0xB0 | (n % 16));
            event.midiData[1] = static_cast<char>(programChange ? n % 128 : 20 + e % 3);
            event.midiData[2] = static_cast<char>((n * 7 + e) % 128);
            slots[e] = reinterpret_cast<vst2::VstEvent*>(&event);
        }
        for (size_t i = 0; i < inL.size(); ++i) {
            seed = seed * 1664525u + 1013904223u;
            inL[i] = static_cast<float>(seed >> 9) / 8388608.0f - 0.5f;
            inR[i] = -0.5f * inL[i];
        }
        counting = true;
        record->dispatcher(record, vst2::effProcessEvents, 0, 0, list, 0.0f);
        if (n % 2)
            record->processReplacing(record, inputs, outputs, block);
        else
            record->process(record, inputs, outputs, block);
        counting = false;
    }
    const int32_t program = static_cast<int32_t>(record->dispatcher(record, vst2::effGetProgram, 0, 0, nullptr, 0.0f));
    record->dispatcher(record, vst2::effEditClose, 0, 0, nullptr, 0.0f);
    record->dispatcher(record, vst2::effClose, 0, 0, nullptr, 0.0f);
    zk::gui::platform::install(previous);
    EXPECT_EQ(program, 796 % 128); // the program changes were acted on
    EXPECT_EQ(allocations.load(), 0);
}
