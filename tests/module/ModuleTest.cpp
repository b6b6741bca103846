// The built module as a host sees it: loaded with dlopen and driven only through the
// VST 2 record.

#include "tests/support/LoadedModule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace zktest {
namespace {

using namespace vst2;

TEST(ModuleTest, BothEntriesGiveARecordWithTheDesignedValues) {
    ASSERT_NE(builtModule().symbol("VSTPluginMain"), nullptr);
    ASSERT_NE(builtModule().symbol("main"), nullptr);
    HostedEffect hosted(builtModule());
    AEffect* effect = hosted.effect();
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(std::memcmp(&effect->magic, "PtsV", 4), 0);
    EXPECT_EQ(effect->numPrograms, 128);
    EXPECT_EQ(effect->numParams, 54);
    EXPECT_EQ(effect->numInputs, 2);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->flags, 0x3D);
    EXPECT_EQ(std::memcmp(&effect->uniqueID, "0309", 4), 0);
    EXPECT_EQ(effect->version, 1);
    EXPECT_EQ(effect->ioRatio, 1.0f);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_EQ(effect->resvd1 | effect->resvd2, 0);
    EXPECT_NE(effect->process, nullptr);
    EXPECT_NE(effect->processReplacing, nullptr);
    EXPECT_EQ(effect->processDoubleReplacing, nullptr);

    HostedEffect classic(builtModule(), 2400, "main");
    ASSERT_NE(classic.effect(), nullptr);
    EXPECT_NE(classic.effect(), effect);
    EXPECT_EQ(classic.effect()->flags, 0x3D);
    EXPECT_EQ(hosted.close(), 1);
}

TEST(ModuleTest, AHostAnsweringVersionZeroGetsNoInstance) {
    HostedEffect refused(builtModule(), 0);
    EXPECT_EQ(refused.effect(), nullptr);
    EXPECT_TRUE(refused.calls.empty());
    EXPECT_EQ(builtModule().entry()(nullptr), nullptr);
}

TEST(ModuleTest, DispatcherAnswersEveryOpcodeOfTheTable) {
    HostedEffect hosted(builtModule());
    EXPECT_EQ(hosted.dispatch(effOpen), 0);
    EXPECT_EQ(hosted.dispatch(effIdentify), 0x4E764566);
    EXPECT_EQ(hosted.dispatch(effGetVu), 0);
    EXPECT_EQ(hosted.dispatch(effCanBeAutomated, 17), 1);
    EXPECT_EQ(hosted.dispatch(effGetNumProgramCategories), 1);
    EXPECT_EQ(hosted.dispatch(effConnectInput, 0, 1), 1);
    EXPECT_EQ(hosted.dispatch(effConnectOutput, 1, 1), 1);
    EXPECT_EQ(hosted.dispatch(effGetPlugCategory), 0);
    EXPECT_EQ(hosted.dispatch(effSetBlockSizeAndSampleRate, 0, 256, nullptr, 48000.0f), 1);
    EXPECT_EQ(hosted.dispatch(effGetVendorVersion), 1);
    EXPECT_EQ(hosted.dispatch(effKeysRequired), 1);
    EXPECT_EQ(hosted.dispatch(effGetVstVersion), 2300);
    EXPECT_EQ(hosted.dispatch(effGetCurrentMidiProgram), -1);
    EXPECT_EQ(hosted.dispatch(effSetTotalSampleToProcess, 0, 777), 777);
    EXPECT_EQ(hosted.dispatch(effEditKeyDown, 'a', 0, nullptr, 0.0f), 0);
    EXPECT_EQ(hosted.dispatch(effVendorSpecific, 0x73744341, 0x57686565, nullptr, 1.0f), 0);
    EXPECT_EQ(hosted.dispatch(effVendorSpecific, 1, 2), 0);
    for (VstInt32 silent : std::initializer_list<VstInt32>{effGetTailSize, effSetBypass, effGetParameterProperties, effBeginSetProgram,
                            effEndSetProgram, effStartProcess, effStopProcess, effShellGetNextPlugin, 76, 77, 200})
        EXPECT_EQ(hosted.dispatch(silent), 0) << silent;

    EXPECT_EQ(hosted.text(effGetEffectName), "Zephyrkettledrome");
    EXPECT_EQ(hosted.text(effGetProductString), "Zephyrkettledrome");
    EXPECT_FALSE(hosted.text(effGetVendorString).empty());

    char yes1[] = "receiveVstEvents", yes2[] = "receiveVstMidiEvent", no1[] = "receiveVstMidiEvents",
         no2[] = "sendVstMidiEvent", no3[] = "sendVstEvents", no4[] = "";
    EXPECT_EQ(hosted.dispatch(effCanDo, 0, 0, yes1), 1);
    EXPECT_EQ(hosted.dispatch(effCanDo, 0, 0, yes2), 1);
    for (char* no : {no1, no2, no3, no4}) EXPECT_EQ(hosted.dispatch(effCanDo, 0, 0, no), -1) << no;

    VstPinProperties pin;
    std::memset(&pin, 0x55, sizeof pin);
    EXPECT_EQ(hosted.dispatch(effGetOutputProperties, 1, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "Zephyrkettledrome 2");
    EXPECT_EQ(pin.flags, 3);
    EXPECT_EQ(pin.shortLabel[0], 0x55); // nothing else of the record is written
    EXPECT_EQ(hosted.dispatch(effGetOutputProperties, 2, 0, &pin), 0);
    EXPECT_EQ(hosted.dispatch(effGetOutputProperties, -1, 0, &pin), 0);

    void* arrangementIn = &pin;
    void* arrangementOut = &pin;
    EXPECT_EQ(hosted.dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&arrangementIn),
                              &arrangementOut),
              0);
    EXPECT_EQ(arrangementIn, nullptr);
    EXPECT_EQ(arrangementOut, nullptr);

    ERect* rect = nullptr;
    EXPECT_EQ(hosted.dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, 612);
    EXPECT_EQ(rect->bottom - rect->top, 486);
}

TEST(ModuleTest, OpcodesThatUseTheirPointerTakeANullOneSafely) {
    HostedEffect hosted(builtModule());
    for (VstInt32 opcode : {effSetProgramName, effGetProgramName, effGetParamLabel, effGetParamDisplay,
                            effGetParamName, effEditGetRect, effEditOpen, effGetChunk, effGetProgramNameIndexed,
                            effGetOutputProperties, effGetEffectName, effGetVendorString, effGetProductString,
                            effCanDo, effProcessEvents, effGetSpeakerArrangement})
        EXPECT_LE(hosted.dispatch(opcode, 0, 0, nullptr), 1) << opcode;
    EXPECT_EQ(hosted.dispatch(effGetChunk, 0, 0, nullptr), 0); // (a missing preset told to the user: tests/vst2)
}

// The short names hosts show, and the stored settings' keys are made of, as they always were.
TEST(ModuleTest, NamesLabelsAndDisplaysOfAllParameters) {
    const char* names[54] = {"Master",   "Dry",      "Left1",    "Right1 ",  "Band1 ",   "Release1", "Mod1",
                             "Offset1",  "FMbutton", "Timbre1",  "Sensivit", "Effect1",  "Pan1",     "Volume1",
                             "Left2 ",   "Righ2 ",   "Band2 ",   "Release2", "Mod2",     "Offset2",  "FMbutton",
                             "Timbre2",  "Sensivit", "Effect2",  "Pan2",     "Volume2",  "Left3 ",   "Right3 ",
                             "Band3 ",   "Release3", "Mod3",     "Offset3",  "FMbutton", "Timbre3",  "Sensivit",
                             "Effect3",  "Pan3",     "Volume3",  "Stereo",   "Delay",    "Feedback", "Volume",
                             "Smooth",   "FMevery",  "PL1   ",   "PL2   ",   "PL3   ",   "Am1   ",   "Am2   ",
                             "Am3   ",   "Fine1   ", "Fine2   ", "Fine3   ", "NonUsed "};
    HostedEffect hosted(builtModule());
    for (int i = 0; i < 54; ++i) {
        EXPECT_EQ(hosted.text(effGetParamName, i), names[i]) << i;
        EXPECT_EQ(hosted.text(effGetParamLabel, i), " ") << i;
        EXPECT_FALSE(hosted.text(effGetParamDisplay, i).empty()) << i;
    }
}

TEST(ModuleTest, ChunksRoundTripThroughACopyAndBadSizesAreShown) {
    HostedEffect hosted(builtModule());
    hosted.dispatch(effSetProgram, 0, 6);
    hosted.setParameter(38, 0.125f);
    void* data = nullptr;
    ASSERT_EQ(hosted.dispatch(effGetChunk, 0, 0, &data), 32664);
    std::vector<uint8_t> bank(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + 32664);
    ASSERT_EQ(hosted.dispatch(effGetChunk, 1, 0, &data), 240);
    std::vector<uint8_t> preset(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + 240);

    HostedEffect other(builtModule());
    EXPECT_EQ(other.dispatch(effSetChunk, 0, 32664, bank.data()), 1);
    EXPECT_EQ(other.dispatch(effGetProgram), 0); // a bank does not carry the program index
    other.dispatch(effSetProgram, 0, 6); // (the bank saved again to the same bytes: tests/conformance)
    EXPECT_EQ(other.getParameter(38), 0.125f);

    other.dispatch(effSetProgram, 0, 1);
    EXPECT_EQ(other.dispatch(effSetChunk, 1, 240, preset.data()), 1);
    EXPECT_EQ(other.getParameter(38), 0.125f);
    ASSERT_EQ(other.dispatch(effGetChunk, 1, 0, &data), 240);
    EXPECT_EQ(std::memcmp(data, preset.data(), preset.size()), 0);

    testing::internal::CaptureStderr();
    EXPECT_EQ(other.dispatch(effSetChunk, 0, 32663, bank.data()), 1); // (each refusal's text: tests/vst2)
    const std::string shown = testing::internal::GetCapturedStderr();
    EXPECT_NE(shown.find("Error!"), std::string::npos);
    EXPECT_NE(shown.find("Can't load bank, wrong file size!"), std::string::npos);
}

// (Replacing overwrites, as in place shows: tests/conformance; accumulating adds: tests/vst2.)

TEST(ModuleTest, MidiLearnAndProgramChangeThroughTheFrameWalk) {
    HostedEffect hosted(builtModule());
    hosted.resume(44100.0f, 256);
    hosted.calls.clear();
    std::vector<float> inL(256, 0.5f), inR(256, 0.5f), outL(256), outR(256);
    auto block = [&](int32_t frames = 256) {
        hosted.processReplacing(inL.data(), inR.data(), outL.data(), outR.data(), frames);
    };
    hosted.setParameter(65, 41.0f); // arm learning for Volume
    hosted.sendMidi({{10, {0xB0, 7, 64}}});
    block();
    EXPECT_EQ(hosted.getParameter(41), 64 * 0.007874016f);
    hosted.sendMidi({{3, {0xB5, 7, 127}}, {200, {0xCF, 3, 0}}});
    block();
    EXPECT_EQ(hosted.dispatch(effGetProgram), 3);
    hosted.dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(hosted.getParameter(41), 1.0f);
    int updates = 0;
    for (const HostCall& call : hosted.calls) updates += call.opcode == audioMasterUpdateDisplay;
    EXPECT_EQ(updates, 2); // the MIDI program change and the host's, nothing else
}

// What real hosts do that the interface does not promise.
TEST(ModuleTest, ImpoliteHostSequencesAreSurvived) {
    HostedEffect early(builtModule());
    EXPECT_EQ(early.dispatch(effGetPlugCategory), 0); // before effOpen
    early.dispatch(effMainsChanged, 0, 0);             // suspend with no resume before it
    early.dispatch(effOpen);
    early.resume(48000.0f, 512);
    early.dispatch(effMainsChanged, 0, 1); // resume twice
    early.dispatch(effSetBlockSize, 0, 8192);
    std::vector<float> inL(8192, 0.1f), inR(8192, -0.1f), outL(8192), outR(8192);
    early.processReplacing(inL.data(), inR.data(), outL.data(), outR.data(), 8192);
    early.processReplacing(inL.data(), inR.data(), outL.data(), outR.data(), 17); // shorter than announced
    early.processReplacing(inL.data(), inR.data(), outL.data(), outR.data(), 0);
    early.processReplacing(inL.data(), inR.data(), outL.data(), outR.data(), -5);
    early.dispatch(effSetProgram, 0, 12);                                          // while running
    void* data = nullptr;
    early.dispatch(effGetChunk, 0, 0, &data);
    std::vector<uint8_t> bank(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + 32664);
    early.dispatch(effSetChunk, 0, 32664, bank.data());
    early.processReplacing(inL.data(), inR.data(), outL.data(), outR.data(), 512);
    std::vector<std::pair<int32_t, std::vector<uint8_t>>> sessionEnd;
    for (uint8_t channel = 0; channel < 16; ++channel)
        for (uint8_t controller : {64, 121, 123}) sessionEnd.push_back({0, {uint8_t(0xB0 | channel), controller, 0}});
    early.sendMidi(sessionEnd);
    early.processReplacing(inL.data(), inR.data(), outL.data(), outR.data(), 512);
    for (float sample : outL) ASSERT_TRUE(std::isfinite(sample));
    EXPECT_EQ(early.close(), 1); // with no suspend first
}

} // namespace
} // namespace zktest
