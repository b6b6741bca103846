#include "tests/support/HostedEffect.h"
#include "tests/support/ScriptedMessages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace zktest {
namespace {

thread_local std::vector<int32_t>* hostOpcodes = nullptr;

vst2::VstIntPtr recordingHost(vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32, vst2::VstIntPtr, void*, float) {
    if (opcode == vst2::audioMasterVersion) return 2400;
    if (hostOpcodes) hostOpcodes->push_back(opcode);
    return 0;
}

class Vst2Wrapper : public ::testing::Test {
protected:
    Vst2Wrapper() {
        hostOpcodes = &opcodes;
        for (auto* each : {&one, &two}) {
            *each = std::make_unique<HostedEffect>(&recordingHost, zk::EffectServices{&messages, nullptr});
            (*each)->setSampleRate(48000.0f);
            (*each)->resume();
            for (int32_t band = 1; band <= 3; ++band) {
                (*each)->setParameter(zk::bandParameter(zk::paramLeft1, band), 1.0f);
                (*each)->setParameter(zk::bandParameter(zk::paramVolume1, band), 0.8f);
            }
        }
        opcodes.clear();
    }
    ~Vst2Wrapper() override { hostOpcodes = nullptr; }

    static std::vector<float> loud(size_t frames, uint32_t seed) {
        std::vector<float> samples(frames);
        for (float& sample : samples) {
            seed = seed * 1664525u + 1013904223u;
            sample = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
        }
        return samples;
    }
    void sendMidi(HostedEffect& effect, int32_t frame, uint8_t status, uint8_t data1, uint8_t data2) {
        midi = vst2::VstMidiEvent{};
        midi.type = vst2::kVstMidiType;
        midi.byteSize = sizeof midi;
        midi.deltaFrames = frame;
        midi.midiData[0] = static_cast<char>(status);
        midi.midiData[1] = static_cast<char>(data1);
        midi.midiData[2] = static_cast<char>(data2);
        list.numEvents = 1;
        list.events[0] = reinterpret_cast<vst2::VstEvent*>(&midi);
        effect.dispatch(vst2::effProcessEvents, 0, 0, &list);
    }
    std::vector<uint8_t> chunk(HostedEffect& effect, bool preset) {
        void* data = nullptr;
        const auto size = effect.dispatch(vst2::effGetChunk, preset ? 1 : 0, 0, &data);
        return {static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size};
    }

    ScriptedMessages messages;
    std::vector<int32_t> opcodes;
    std::unique_ptr<HostedEffect> one, two;
    vst2::VstMidiEvent midi{};
    vst2::VstEvents list{};
};

// The accumulating call adds the very samples the replacing one writes, with the host's
// subnormal values and sums as zeros, as the engine's own adding did; a block longer than
// the wrapper computes at once, with events past its first part, comes out the same.
TEST_F(Vst2Wrapper, AccumulatingAddsWhatReplacingWritesOverTheWholeBlock) {
    for (int32_t frames : {512, 20000}) {
        const std::vector<float> in = loud(static_cast<size_t>(frames), 3u + static_cast<uint32_t>(frames));
        std::vector<float> prior = loud(static_cast<size_t>(frames), 99u);
        for (size_t i = 0; i < prior.size(); i += 7) prior[i] = i % 2 ? 1e-40f : -0.0f;
        std::vector<float> replaced(in.size()), replacedR(in.size()), added = prior, addedR = prior;
        for (HostedEffect* each : {one.get(), two.get()}) {
            each->setParameter(zk::CommandLearn, static_cast<float>(zk::paramMaster));
            sendMidi(*each, 10, 0xB0, 30, 127); // teaches controller 30 to Master
        }
        float* in2[2] = {const_cast<float*>(in.data()), const_cast<float*>(in.data())};
        float* outReplaced[2] = {replaced.data(), replacedR.data()};
        float* outAdded[2] = {added.data(), addedR.data()};
        one->processReplacing(in2, outReplaced, 8);
        two->process(in2, outAdded, 8);
        sendMidi(*one, frames - 100, 0xB0, 30, 20);
        sendMidi(*two, frames - 100, 0xB0, 30, 20);
        one->processReplacing(in2, outReplaced, frames);
        std::copy(prior.begin(), prior.end(), added.begin());
        two->process(in2, outAdded, frames);
        size_t sounding = 0;
        for (size_t i = 0; i < in.size(); ++i) {
            const float before = std::fpclassify(prior[i]) == FP_SUBNORMAL ? 0.0f : prior[i];
            ASSERT_EQ(std::bit_cast<uint32_t>(added[i]), std::bit_cast<uint32_t>(before + replaced[i])) << frames << " " << i;
            sounding += replaced[i] != 0.0f;
        }
        EXPECT_GT(sounding, in.size() / 2);
        EXPECT_EQ(one->getParameter(zk::paramMaster), two->getParameter(zk::paramMaster));
        EXPECT_NEAR(two->getParameter(zk::paramMaster), 20.0f / 127.0f, 1e-6f); // the late event came
    }
}

// Events handed over are for the next block only, and a suspend drops them unread.
TEST_F(Vst2Wrapper, HandedOverEventsServeOneBlockAndASuspendDropsThem) {
    std::vector<float> buffer(64, 0.1f);
    float* io[2] = {buffer.data(), buffer.data()};
    sendMidi(*one, 0, 0xC0, 9, 0);
    one->suspend();
    one->resume();
    one->processReplacing(io, io, 64);
    EXPECT_EQ(one->getProgram(), 0);
    sendMidi(*one, 70, 0xC0, 9, 0); // past the block: never acted on
    one->processReplacing(io, io, 64);
    one->processReplacing(io, io, 64);
    EXPECT_EQ(one->getProgram(), 0);
    sendMidi(*one, 3, 0xC0, 9, 0);
    one->processReplacing(io, io, 64);
    EXPECT_EQ(one->getProgram(), 9);
}

// The panel's commands reach the effect as parameter indices 56, 57 and 65, as they
// always have for hosts and their stored automation.
TEST_F(Vst2Wrapper, IndicesOfThePanelsCommandsCarryThemOut) {
    one->setParameter(65, 12.0f);
    EXPECT_EQ(one->learnTarget(), 12);
    one->setParameter(65, -1.0f);
    EXPECT_EQ(one->learnTarget(), -1);
    one->setParameter(57, 2.0f); // asks first, answered No
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], "Warning!|Forget Learned MidiCC?");
    for (int32_t index : {56, 57, 58, 64, 66, 70})
        EXPECT_EQ(one->getParameter(index), 0.0f) << index;
    EXPECT_TRUE(opcodes.empty()); // no command is reported
}

// Banks of the wrong size change nothing and tell the user, each time; so does a missing one.
TEST_F(Vst2Wrapper, WrongBankSizeShowsAnErrorAndChangesNothing) {
    std::vector<uint8_t> bank = chunk(*one, false);
    const std::vector<uint8_t> before = bank;
    bank[1944 + 24] ^= 0xFF;
    EXPECT_EQ(one->dispatch(vst2::effSetChunk, 0, 32663, bank.data()), 1);
    EXPECT_EQ(opcodes, (std::vector<int32_t>{vst2::audioMasterUpdateDisplay})) << "the current program applies again";
    EXPECT_EQ(one->dispatch(vst2::effSetChunk, 0, 32665, bank.data()), 1);
    EXPECT_EQ(one->dispatch(vst2::effSetChunk, 0, 32664, nullptr), 1);
    EXPECT_EQ(chunk(*one, false), before);
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown[0], "Error!|Can't load bank, wrong file size!");
}

TEST_F(Vst2Wrapper, OversizedNegativeOrMissingPresetShowsAnErrorAndChangesNothing) {
    const std::vector<uint8_t> before = chunk(*one, false);
    std::vector<uint8_t> big(241, 0x41);
    EXPECT_EQ(one->dispatch(vst2::effSetChunk, 1, 241, big.data()), 1);
    EXPECT_EQ(one->dispatch(vst2::effSetChunk, 1, -1 & 0x7FFFFFFF, big.data()), 1);
    EXPECT_EQ(one->dispatch(vst2::effSetChunk, 1, -5, big.data()), 1);
    EXPECT_EQ(one->dispatch(vst2::effSetChunk, 1, 10, nullptr), 1);
    EXPECT_EQ(chunk(*one, false), before);
    ASSERT_EQ(messages.shown.size(), 4u);
    for (const std::string& shown : messages.shown) EXPECT_EQ(shown, "Error!|Can't load preset, wrong file size!");
}

// A shorter preset replaces the leading bytes of the current program alone; one of no
// bytes applies the program again.
TEST_F(Vst2Wrapper, PresetReplacesTheLeadingBytesOfTheCurrentProgramOnly) {
    one->setProgram(4);
    std::vector<uint8_t> preset = chunk(*one, true);
    std::memcpy(preset.data(), "Lead\0\0\0", 7);
    const auto bits = std::bit_cast<uint32_t>(0.6f);
    for (int i = 0; i < 4; ++i) preset[24 + 4 + i] = static_cast<uint8_t>(bits >> (8 * i));
    EXPECT_EQ(one->dispatch(vst2::effSetChunk, 1, 240, preset.data()), 1);
    EXPECT_EQ(one->getParameter(1), 0.6f);
    char text[64];
    one->dispatch(vst2::effGetProgramName, 0, 0, text);
    EXPECT_STREQ(text, "Lead");
    one->setProgram(5);
    EXPECT_EQ(one->getParameter(1), 0.0f);

    one->setProgram(4);
    std::vector<uint8_t> nameOnly(24, 0);
    std::memcpy(nameOnly.data(), "Renamed", 7);
    EXPECT_EQ(one->dispatch(vst2::effSetChunk, 1, 24, nameOnly.data()), 1);
    one->dispatch(vst2::effGetProgramName, 0, 0, text);
    EXPECT_STREQ(text, "Renamed");
    EXPECT_EQ(one->getParameter(1), 0.6f);

    opcodes.clear();
    EXPECT_EQ(one->dispatch(vst2::effSetChunk, 1, 0, nameOnly.data()), 1);
    EXPECT_EQ(opcodes, (std::vector<int32_t>{vst2::audioMasterUpdateDisplay})); // applied again
    EXPECT_EQ(one->getParameter(1), 0.6f);
    EXPECT_TRUE(messages.shown.empty());
}

// Names are cut at 24 characters and copies are exact; renaming and copying change the
// programs only: the host hears nothing, and the chunk it still holds keeps its bytes.
TEST_F(Vst2Wrapper, NamesAreCutAtTwentyFourCharactersAndCopiesAreExactAndSilent) {
    one->setProgram(7);
    opcodes.clear();
    void* held = nullptr;
    const auto size = one->dispatch(vst2::effGetChunk, 1, 0, &held);
    const std::vector<uint8_t> heldBytes(static_cast<uint8_t*>(held), static_cast<uint8_t*>(held) + size);
    char longName[] = "A name of thirty characters!!!";
    one->dispatch(vst2::effSetProgramName, 0, 0, longName);
    char text[64];
    one->dispatch(vst2::effGetProgramName, 0, 0, text);
    EXPECT_STREQ(text, "A name of thirty charact");
    char shortName[] = "Pad";
    one->dispatch(vst2::effSetProgramName, 0, 0, shortName);
    one->dispatch(vst2::effGetProgramNameIndexed, 7, 0, text);
    EXPECT_STREQ(text, "Pad"); // the rest of the old name is gone

    EXPECT_EQ(one->dispatch(vst2::effCopyProgram, 5), 1);
    EXPECT_EQ(one->dispatch(vst2::effCopyProgram, -1), 0);
    EXPECT_EQ(one->dispatch(vst2::effCopyProgram, 128), 0);
    EXPECT_TRUE(opcodes.empty());
    EXPECT_EQ(0, std::memcmp(held, heldBytes.data(), heldBytes.size()));
    one->setParameter(39, 0.8f);
    EXPECT_EQ(one->dispatch(vst2::effCopyProgram, 5), 1);
    EXPECT_EQ(one->dispatch(vst2::effGetProgram), 7);
    one->dispatch(vst2::effGetProgramNameIndexed, 5, 0, text);
    EXPECT_STREQ(text, "Pad");
    one->setProgram(5);
    EXPECT_EQ(one->getParameter(39), 0.8f);
    EXPECT_EQ(one->dispatch(vst2::effGetProgramNameIndexed, 128, 0, text), 0);
}

// The dispatcher's texts for indices that are no parameter are empty; events of other
// types in a host's list are skipped; a missing list is taken as none; MIDI-driven moves
// are no automation for a VST 2 host.
TEST_F(Vst2Wrapper, WhatTheHostPassesThatIsNoneOfOursIsSkipped) {
    char text[32] = "untouched";
    one->dispatch(vst2::effGetParamName, -5, 0, text);
    EXPECT_STREQ(text, "");
    std::strcpy(text, "untouched");
    one->dispatch(vst2::effGetParamDisplay, 54, 0, text);
    EXPECT_STREQ(text, "");

    one->setParameter(zk::CommandLearn, 12.0f);
    std::vector<uint8_t> list(sizeof(vst2::VstEvents) + 3 * sizeof(void*));
    vst2::VstMidiEvent first{vst2::kVstMidiType, 32, 0, 0, 0, 0, {char(0xB0), 40, 127, 0}, 0, 0, 0, 0};
    vst2::VstEvent sysex{vst2::kVstSysExType, 16, 0, 0, {}};
    vst2::VstMidiEvent last{vst2::kVstMidiType, 32, 0, 0, 0, 0, {char(0xC0), 9, 0, 0}, 0, 0, 0, 0};
    auto* events = reinterpret_cast<vst2::VstEvents*>(list.data());
    events->numEvents = 3;
    vst2::VstEvent* slots[3] = {reinterpret_cast<vst2::VstEvent*>(&first), &sysex,
                                reinterpret_cast<vst2::VstEvent*>(&last)};
    std::memcpy(events->events, slots, sizeof slots);
    one->dispatch(vst2::effProcessEvents, 0, 0, events);
    std::vector<float> buffer(64, 0.1f);
    float* io[2] = {buffer.data(), buffer.data()};
    one->processReplacing(io, io, 64);
    EXPECT_EQ(one->getProgram(), 9);
    EXPECT_EQ(one->learnedController(12), 40);
    one->setProgram(0);
    EXPECT_EQ(one->getParameter(12), 1.0f);
    EXPECT_EQ(std::count(opcodes.begin(), opcodes.end(), vst2::audioMasterAutomate), 0);

    EXPECT_EQ(one->dispatch(vst2::effProcessEvents, 0, 0, nullptr), 1);
    one->processReplacing(io, io, 64);
}

} // namespace
} // namespace zktest
