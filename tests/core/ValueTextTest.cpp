// The value texts in real units that CLAP and VST3 hosts and the panel read: what they say
// agrees with what the engine does, texts read back to themselves, typed values land where
// they should, and the switches and the unused parameter are offered as such.

#include "core/PluginEffect.h"
#include "core/ValueText.h"
#include "tests/support/SilentHost.h"
#include "engine/DspBlock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

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
    EXPECT_EQ(textOf(zk::paramMaster, 0.9f), "+11.1 dB");   // 4 x 0.9
    EXPECT_EQ(textOf(zk::paramMaster, 0.25f), "0.0 dB");
    EXPECT_EQ(textOf(zk::paramMaster, 0.0f), "-inf dB");
    EXPECT_EQ(textOf(zk::paramVolume1, 0.1f), "-14.0 dB"); // 2 x 0.1
    EXPECT_EQ(textOf(zk::paramDry, 0.5f), "-6.0 dB");
    EXPECT_EQ(textOf(zk::paramBand1, 0.1f), "44.3 Hz");    // 40 + 4298 x 0.1^3
    EXPECT_EQ(textOf(zk::paramBand2, 0.4f), "315 Hz");
    EXPECT_EQ(textOf(zk::paramFine2, 1.0f), "453 Hz");      // Band 2 at 0.4 with Fine at the top
    EXPECT_EQ(textOf(zk::paramRelease1, 0.3f), "36.0 ms");  // 400 x 0.3^2
    EXPECT_EQ(textOf(zk::paramFeedback, 0.3f), "8.1 %");    // 90 % x 0.3^2
    EXPECT_EQ(textOf(zk::paramDelay, 0.4f), "160 ms");
    EXPECT_EQ(textOf(zk::paramStereo, 1.0f), "41.7 ms");   // 44100 / 24 samples
    EXPECT_EQ(textOf(zk::paramSmooth, 0.4f), "600 Hz");
    EXPECT_EQ(textOf(zk::paramSmooth, 1.0f), "140 Hz");     // the smoother's floor, 0.02 of 2 pi / rate
    EXPECT_EQ(textOf(zk::paramFmEvery, 0.5f), "2000 Hz");
    EXPECT_EQ(textOf(zk::paramOffset1, 0.4f), "478 Hz");
    EXPECT_EQ(textOf(zk::paramMod1, 0.5f), "0.0 st");       // no bend in the middle
    EXPECT_EQ(textOf(zk::paramMod3, 1.0f / 3.0f), "0.0 st"); // band 3's middle is a third
    EXPECT_EQ(textOf(zk::paramSensitivity1, 0.9f), "-46.0 dB"); // the gate closes below 0.1 / 20
    EXPECT_EQ(textOf(zk::paramSensitivity1, 1.0f), "-inf dB");  // and never closes
    EXPECT_EQ(textOf(zk::paramPan1, 0.4f), "L 20");
    EXPECT_EQ(textOf(zk::paramPan1, 0.5f), "C");
    EXPECT_EQ(textOf(zk::paramPan1, 1.0f), "R 100");
    EXPECT_EQ(textOf(zk::paramLeft1, 1.0f), "On");
    EXPECT_EQ(textOf(zk::paramLeft1, 0.0f), "Off");
    EXPECT_EQ(textOf(zk::paramLeft1, 0.5f), "50 %"); // a VST 2 bank's weight sounds as a weight
    EXPECT_EQ(textOf(zk::paramFmButton1, 0.5f), "On"); // the button takes any value but 0 as on
    EXPECT_EQ(textOf(zk::paramNonUsed, 0.5f), "0.5000");

    // The tuning stops where the band filter's coefficient reaches its limit.
    ValueContext slow;
    slow.sampleRate = 32000.0;
    slow.fine[2] = 1.0f;
    EXPECT_EQ(textOf(zk::paramBand3, 1.0f, slow), textOf(zk::paramBand3, 0.95f, slow));
    EXPECT_EQ(textOf(zk::paramBand3, 1.0f, slow), "5093 Hz"); // 32000 / 6.28319
    EXPECT_EQ(textOf(zk::paramBand3, 1.0f, context), "4338 Hz");
}

TEST(ValueText, TheEngineIsTunedAsTheBandTextSays) {
    SilentHost host;
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
    float value = -1.0f;
    for (const char* typed : {"120 Hz", "120", " 120hz ", "0.12 kHz"}) {
        ASSERT_TRUE(zk::unitTextValue(zk::paramBand2, typed, context, value)) << typed;
        EXPECT_EQ(textOf(zk::paramBand2, value), "120 Hz") << typed;
    }
    ASSERT_TRUE(zk::unitTextValue(zk::paramRelease1, "0.1 s", context, value));
    EXPECT_EQ(textOf(zk::paramRelease1, value), "100 ms");
    ASSERT_TRUE(zk::unitTextValue(zk::paramMaster, "0 dB", context, value));
    EXPECT_FLOAT_EQ(value, 0.25f);
    ASSERT_TRUE(zk::unitTextValue(zk::paramMaster, "-inf", context, value));
    EXPECT_EQ(value, 0.0f);
    ASSERT_TRUE(zk::unitTextValue(zk::paramMaster, "+40 dB", context, value));
    EXPECT_EQ(value, 1.0f); // beyond the range: its end
    ASSERT_TRUE(zk::unitTextValue(zk::paramSensitivity2, "-inf dB", context, value));
    EXPECT_EQ(value, 1.0f); // a gate that never closes
    ASSERT_TRUE(zk::unitTextValue(zk::paramPan2, "C", context, value));
    EXPECT_FLOAT_EQ(value, 0.5f);
    ASSERT_TRUE(zk::unitTextValue(zk::paramPan2, "30 R", context, value));
    EXPECT_EQ(textOf(zk::paramPan2, value), "R 30");
    ASSERT_TRUE(zk::unitTextValue(zk::paramPan2, "-30", context, value));
    EXPECT_EQ(textOf(zk::paramPan2, value), "L 30");
    ASSERT_TRUE(zk::unitTextValue(zk::paramPreListen1, "on", context, value));
    EXPECT_EQ(value, 1.0f);
    ASSERT_TRUE(zk::unitTextValue(zk::paramFmButton2, "Off", context, value));
    EXPECT_EQ(value, 0.0f);
    // A downward bend is read on the branch that holds every pitch, not where the bend
    // turns back up.
    ASSERT_TRUE(zk::unitTextValue(zk::paramMod1, "-5 st", context, value));
    EXPECT_GT(value, 0.46f);
    EXPECT_EQ(textOf(zk::paramMod1, value), "-5.0 st");

    value = 0.5f;
    for (const char* none : {"", "abc", "120 ms", "12 dB Hz", "nan", "inf", "0,5", "L", "maybe"})
        EXPECT_FALSE(zk::unitTextValue(zk::paramBand2, none, context, value) &&
                     zk::unitTextValue(zk::paramPan2, none, context, value) &&
                     zk::unitTextValue(zk::paramLeft2, none, context, value))
            << none;
    EXPECT_FALSE(zk::unitTextValue(zk::paramBand2, "120 ms", context, value));
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
