// The value texts in real units that CLAP and VST3 hosts and the panel read: what they say
// agrees with what the engine does, texts read back to themselves, typed values land where
// they should, and the switches and the unused parameter are offered as such.

#include "core/PluginEffect.h"
#include "core/ValueText.h"
#include "core/SilentHost.h"
#include "engine/DspBlock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>

namespace zktest {
namespace {

using zk::ValueContext;

std::string textOf(int32_t index, float value, const ValueContext& context = {}) {
    char text[64];
    EXPECT_TRUE(zk::unitValueText(index, value, context, text, sizeof text));
    return text;
}

TEST(ValueText, EveryTextReadsBackToItselfAtEveryRateAndTuning) {
    ValueContext contexts[4];
    contexts[1].sampleRate = 48000.0;
    contexts[2].sampleRate = 32000.0; // the top of the Band range meets the filter's limit
    contexts[3].sampleRate = 96000.0;
    contexts[3].band[0] = 0.0f; // Fine has no effect at Band 0
    contexts[3].fine[1] = 1.0f;
    for (const ValueContext& context : contexts)
        for (int32_t index = 0; index < zk::kNumParameters; ++index)
            for (int step = 0; step <= 100; ++step) {
                const float value = static_cast<float>(step) / 100.0f;
                const std::string text = textOf(index, value, context);
                float back = -1.0f;
                ASSERT_TRUE(zk::unitTextValue(index, text.c_str(), context, back)) << index << " " << text;
                ASSERT_TRUE(back >= 0.0f && back <= 1.0f);
                EXPECT_EQ(textOf(index, back, context), text) << "parameter " << index << " at " << value;
            }
}

TEST(ValueText, TheTextsSayWhatTheEngineDoes) {
    const ValueContext context; // 44100 Hz, the default tunings
    using namespace zk;
    const std::tuple<int32_t, float, const char*> cases[] = {
        {paramMaster, 0.9f, "+11.1 dB"}, {paramMaster, 0.25f, "0.0 dB"},   // 4 x v
        {paramMaster, 0.0f, "-inf dB"}, {paramDry, 0.5f, "-6.0 dB"},
        {paramVolume1, 0.1f, "-14.0 dB"},                                   // 2 x v
        {paramBand1, 0.1f, "44.3 Hz"}, {paramBand2, 0.4f, "315 Hz"},        // 40 + 4298 x v^3
        {paramFine2, 1.0f, "453 Hz"},                                       // Band 2 at 0.4, Fine at the top
        {paramRelease1, 0.3f, "36.0 ms"}, {paramFeedback, 0.3f, "8.1 %"},   // 400 ms, 90 % x v^2
        {paramDelay, 0.4f, "160 ms"}, {paramStereo, 1.0f, "41.7 ms"},       // Stereo: 44100 / 24 samples
        {paramSmooth, 0.4f, "600 Hz"}, {paramSmooth, 1.0f, "140 Hz"},       // the floor, 0.02 of 2 pi / rate
        {paramFmEvery, 0.5f, "2000 Hz"}, {paramOffset1, 0.4f, "478 Hz"},
        {paramMod1, 0.5f, "0.0 st"}, {paramMod3, 1.0f / 3.0f, "0.0 st"},    // no bend; band 3's is at a third
        {paramSensitivity1, 0.9f, "-46.0 dB"}, {paramSensitivity1, 1.0f, "-inf dB"}, // closes below 0.1 / 20
        {paramPan1, 0.4f, "L 20"}, {paramPan1, 0.5f, "C"}, {paramPan1, 1.0f, "R 100"},
        {paramLeft1, 1.0f, "On"}, {paramLeft1, 0.0f, "Off"}, {paramLeft1, 0.5f, "50 %"}, // a bank's weight
        {paramFmButton1, 0.5f, "On"},                                       // any value but 0 is on
        {paramNonUsed, 0.5f, "0.5000"},
    };
    for (const auto& [index, value, text] : cases)
        EXPECT_EQ(textOf(index, value, context), text) << "parameter " << index << " at " << value;

    // The tuning stops where the band filter's coefficient reaches its limit.
    ValueContext slow;
    slow.sampleRate = 32000.0;
    slow.fine[2] = 1.0f;
    EXPECT_EQ(textOf(zk::paramBand3, 1.0f, slow), textOf(zk::paramBand3, 0.95f, slow));
    EXPECT_EQ(textOf(zk::paramBand3, 1.0f, slow), "5093 Hz"); // 32000 / 6.28319
    EXPECT_EQ(textOf(zk::paramBand3, 1.0f, context), "4338 Hz");
}

TEST(ValueText, TheEngineIsTunedAsTheBandTextSays) {
    zk::SilentHost host;
    for (float rate : {44100.0f, 32000.0f}) {
        zk::PluginEffect effect(host, zk::EffectServices{});
        effect.initialise();
        effect.setSampleRate(rate);
        effect.activate();
        for (float band : {0.0f, 0.37f, 0.9f, 1.0f})
            for (float fine : {0.0f, 0.5f, 1.0f}) {
                effect.setParameter(zk::paramBand3, band);
                effect.setParameter(zk::paramFine3, fine);
                char text[32];
                ASSERT_TRUE(effect.valueToText(zk::paramBand3, band, text, sizeof text));
                const double hertz = std::strtod(text, nullptr);
                const double coefficient = effect.engine().bandFrequencyCoefficient(3);
                const double engineHertz = coefficient * rate / static_cast<double>(zk::twoPi);
                EXPECT_NEAR(hertz, engineHertz, engineHertz * 0.005 + 0.05) << text << " at " << rate;
                char fineText[32];
                ASSERT_TRUE(effect.valueToText(zk::paramFine3, fine, fineText, sizeof fineText));
                EXPECT_STREQ(fineText, text); // both read as the band's tuning
            }
    }
}

TEST(ValueText, TypedValuesLandOnTheValueThatSoundsSo) {
    const ValueContext context;
    using namespace zk;
    float value = -1.0f;
    // Typed in units, read back as the text of the value they land on.
    const std::tuple<int32_t, const char*, const char*> texts[] = {
        {paramBand2, "120 Hz", "120 Hz"},   {paramBand2, "120", "120 Hz"}, {paramBand2, " 120hz ", "120 Hz"},
        {paramBand2, "0.12 kHz", "120 Hz"}, {paramRelease1, "0.1 s", "100 ms"},
        {paramPan2, "30 R", "R 30"},        {paramPan2, "-30", "L 30"}};
    for (const auto& [index, typed, text] : texts) {
        ASSERT_TRUE(zk::unitTextValue(index, typed, context, value)) << typed;
        EXPECT_EQ(textOf(index, value), text) << typed;
    }
    // Beyond the range: its end; -inf dB of a gate: one that never closes.
    const std::tuple<int32_t, const char*, float> values[] = {
        {paramMaster, "0 dB", 0.25f},   {paramMaster, "-inf", 0.0f},          {paramMaster, "+40 dB", 1.0f},
        {paramPan2, "C", 0.5f},         {paramSensitivity2, "-inf dB", 1.0f},
        {paramPreListen1, "on", 1.0f},  {paramFmButton2, "Off", 0.0f}};
    for (const auto& [index, typed, expected] : values) {
        ASSERT_TRUE(zk::unitTextValue(index, typed, context, value)) << typed;
        EXPECT_FLOAT_EQ(value, expected) << typed;
    }
    // A downward bend is read on the branch that holds every pitch, not where the bend
    // turns back up.
    ASSERT_TRUE(zk::unitTextValue(zk::paramMod1, "-5 st", context, value));
    EXPECT_GT(value, 0.46f);
    EXPECT_EQ(textOf(zk::paramMod1, value), "-5.0 st");

    value = 0.5f;
    for (const char* none : {"", "abc", "120 ms", "12 dB Hz", "nan", "inf", "0,5", "L", "maybe"})
        EXPECT_FALSE(zk::unitTextValue(zk::paramBand2, none, context, value) ||
                     zk::unitTextValue(zk::paramPan2, none, context, value) ||
                     zk::unitTextValue(zk::paramLeft2, none, context, value))
            << none;
    EXPECT_FALSE(zk::unitTextValue(zk::kNumParameters, "1", context, value));
    EXPECT_EQ(value, 0.5f);
}

TEST(ValueText, SwitchesAreSteppedAndTheUnusedParameterIsHidden) {
    for (int32_t index : {zk::paramLeft1, zk::paramRight3, zk::paramPreListen2, zk::paramFmButton1})
        EXPECT_EQ(zk::valueStyle(index).steps, 1) << index;
    for (int32_t index : {zk::paramMaster, zk::paramBand1, zk::paramPan1, zk::paramNonUsed})
        EXPECT_EQ(zk::valueStyle(index).steps, 0) << index;
    EXPECT_TRUE(zk::valueStyle(zk::paramNonUsed).hidden);
    EXPECT_FALSE(zk::valueStyle(zk::paramFine3).hidden);
    EXPECT_STREQ(zk::valueStyle(zk::paramBand1).unit, "Hz");
    EXPECT_STREQ(zk::valueStyle(zk::paramDelay).unit, "ms");
    EXPECT_STREQ(zk::valueStyle(zk::paramMaster).unit, "dB");
    EXPECT_STREQ(zk::valueStyle(zk::paramTimbre1).unit, "%");
    EXPECT_STREQ(zk::valueStyle(zk::paramMod2).unit, "st");
    EXPECT_STREQ(zk::valueStyle(zk::paramPan1).unit, "");
}

} // namespace
} // namespace zktest
