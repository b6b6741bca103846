// The checks a CLAP validator makes that are CLAP's own (the conformance suite makes the
// shared ones on every format), run on the built Zephyrkettledrome.clap loaded with dlopen
// (RTLD_NOW): the factory and its id, odd buffers, parameters and their texts, the state's
// layout, refusals and the host's rescans, reset, the events the plug-in emits, the tail
// and the panel's lifecycle.

#include "core/ValueText.h"
#include "product/Identity.h"
#include "tests/clap/ClapTestHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <set>
#include <string>

namespace zkclaptest {
namespace {

using namespace clap;

constexpr uint32_t kParameters = 54;
constexpr uint32_t kUnused = 53;
constexpr uint32_t kMaster = 0, kBand1Release = 5, kDelay = 39, kFeedback = 40, kDelayVolume = 41;

// The state with `controller` bound to each of `parameters` (the bank chunk follows a header
// of 16 bytes; descriptor i lies at 36 i, its controller at 8 in it).
std::vector<uint8_t> withBindings(std::vector<uint8_t> state, int controller, std::initializer_list<uint32_t> parameters) {
    for (uint32_t p : parameters)
        for (int b = 0; b < 4; ++b) state.at(16 + 36 * p + 8 + b) = static_cast<uint8_t>(controller >> (8 * b));
    return state;
}

class ClapValidator : public ::testing::Test {
protected:
    ClapModule module;
    TestHost host;
};

TEST_F(ClapValidator, TheFactoryDescribesOnePlugIn) {
    const clap_plugin_factory* factory = module.factory();
    ASSERT_TRUE(factory);
    EXPECT_TRUE(clap_version_is_compatible(module.entry()->clap_version));
    ASSERT_EQ(factory->get_plugin_count(factory), 1u);
    EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
    EXPECT_EQ(module.entry()->get_factory("clap.plugin-factory.x"), nullptr);
    const clap_plugin_descriptor* d = factory->get_plugin_descriptor(factory, 0);
    ASSERT_TRUE(d);
    EXPECT_TRUE(clap_version_is_compatible(d->clap_version));
    EXPECT_STREQ(d->id, zk::kClapId);
    EXPECT_STREQ(d->name, "Zephyrkettledrome");
    EXPECT_STREQ(d->vendor, zk::kMakerDomain);
    EXPECT_STREQ(d->version, zk::kVersionText);
    std::vector<std::string> features;
    for (const char* const* f = d->features; f && *f; ++f) features.emplace_back(*f);
    EXPECT_EQ(features, (std::vector<std::string>{"audio-effect", "stereo"}));

    // The instance's record carries the same descriptor.
    Instance instance(module, host);
    ASSERT_TRUE(instance.plugin());
    EXPECT_EQ(instance.plugin()->desc, d);
}

TEST_F(ClapValidator, AnIdWithTrailingGarbageOrNoHostIsRefused) {
    const clap_plugin_factory* factory = module.factory();
    ASSERT_TRUE(factory);
    const std::string id = zk::kClapId;
    for (const std::string& wrong : {id + "x", id + " ", id.substr(0, id.size() - 1), std::string()})
        EXPECT_EQ(factory->create_plugin(factory, host.record(), wrong.c_str()), nullptr) << '"' << wrong << '"';
    EXPECT_EQ(factory->create_plugin(factory, host.record(), nullptr), nullptr);
    EXPECT_EQ(factory->create_plugin(factory, nullptr, id.c_str()), nullptr);
    const clap_plugin* right = factory->create_plugin(factory, host.record(), id.c_str());
    ASSERT_TRUE(right);
    right->destroy(right); // destroyed without init
}

// ---- processing

// (Rates, block sizes and in place, as every format: tests/conformance.)
TEST_F(ClapValidator, NonsenseRatesAndBlockSizesAreRefused) {
    Instance instance(module, host);
    for (double wrong : {0.0, -44100.0, 0.5, std::nan(""), 1.0e12}) EXPECT_FALSE(instance.activate(wrong, 512)) << wrong;
    EXPECT_FALSE(instance.activate(44100, 0));
}

// A host that gives no input buffers, no output buffers, too few channels, or a block of no
// frames: nothing is read or written that is not there. (The events of a block of no frames
// act, as in every format: tests/conformance.)
TEST_F(ClapValidator, OddBuffersAreSurvived) {
    Instance instance(module, host);
    ASSERT_TRUE(instance.activate(44100, 256));
    std::vector<float> left(256, 0.25f), right(256, 0.25f);
    float* channels[2] = {left.data(), right.data()};
    clap_audio_buffer stereo{channels, nullptr, 2, 0, 0}, mono{channels, nullptr, 1, 0, 0};
    InputEvents none;
    OutputEvents out;
    for (int shape = 0; shape < 4; ++shape) {
        clap_process block{};
        block.frames_count = shape == 3 ? 0 : 256;
        block.audio_inputs = shape == 0 ? nullptr : shape == 1 ? &mono : &stereo;
        block.audio_inputs_count = shape == 0 ? 0 : 1;
        block.audio_outputs = shape == 2 ? nullptr : &stereo;
        block.audio_outputs_count = shape == 2 ? 0 : 1;
        block.in_events = none.list();
        block.out_events = out.list();
        TestHost::inAudioCall = true;
        const clap_process_status status = instance.plugin()->process(instance.plugin(), &block);
        EXPECT_TRUE(status == CLAP_PROCESS_CONTINUE || status == CLAP_PROCESS_SLEEP) << shape; // asleep on silence
        TestHost::inAudioCall = false;
        if (shape < 2) {
            EXPECT_EQ(*std::max_element(left.begin(), left.end()), 0.0f) << "no input: silence out";
        }
    }
}

// ---- parameters

TEST_F(ClapValidator, ParametersHaveFullNamesRealUnitsTheirFlagsAndTheBypass) {
    Instance instance(module, host);
    const clap_plugin_params* params = instance.params();
    ASSERT_TRUE(params);
    ASSERT_EQ(params->count(instance.plugin()), kParameters + 1);
    const std::set<uint32_t> switches = {2, 3, 14, 15, 26, 27, 8, 20, 32, 44, 45, 46}; // L, R, FM, PL
    std::set<std::string> names;
    for (uint32_t i = 0; i < kParameters; ++i) {
        clap_param_info info{};
        ASSERT_TRUE(params->get_info(instance.plugin(), i, &info));
        EXPECT_EQ(info.id, i);
        const uint32_t flags = i == kUnused           ? uint32_t(CLAP_PARAM_IS_HIDDEN)
                               : switches.count(i) ? uint32_t(CLAP_PARAM_IS_AUTOMATABLE | CLAP_PARAM_IS_STEPPED)
                                                   : uint32_t(CLAP_PARAM_IS_AUTOMATABLE);
        EXPECT_EQ(info.flags, flags) << i;
        EXPECT_EQ(info.min_value, 0.0);
        EXPECT_EQ(info.max_value, 1.0);
        EXPECT_EQ(info.default_value, instance.parameter(i)) << "program 0 holds the defaults";
        EXPECT_TRUE(names.insert(info.name).second) << "twice: " << info.name;
        for (int step = 0; step <= 100; ++step) {
            const float value = static_cast<float>(step) / 100.0f;
            char text[64] = {}, again[64] = {}, core[64] = {};
            ASSERT_TRUE(params->value_to_text(instance.plugin(), i, value, text, sizeof text));
            zk::unitValueText(static_cast<int32_t>(i), value, zk::ValueContext{}, core, sizeof core);
            EXPECT_STREQ(text, core) << "the effect's texts at 44100 Hz with the default tunings";
            double parsed = -1.0;
            ASSERT_TRUE(params->text_to_value(instance.plugin(), i, text, &parsed)) << text;
            ASSERT_TRUE(params->value_to_text(instance.plugin(), i, parsed, again, sizeof again));
            EXPECT_STREQ(again, text);
        }
    }
    EXPECT_TRUE(names.count("Band 2 Sensitivity")) << "full names, not cut to 8 characters";
    clap_param_info bypass{};
    ASSERT_TRUE(params->get_info(instance.plugin(), kParameters, &bypass));
    EXPECT_EQ(bypass.id, kParameters);
    EXPECT_STREQ(bypass.name, "Bypass");
    EXPECT_EQ(bypass.flags, uint32_t(CLAP_PARAM_IS_BYPASS | CLAP_PARAM_IS_STEPPED | CLAP_PARAM_IS_AUTOMATABLE));
    char on[8] = {};
    ASSERT_TRUE(params->value_to_text(instance.plugin(), kParameters, 1.0, on, sizeof on));
    EXPECT_STREQ(on, "On");
    double value = 0.0;
    char text[8] = "x";
    EXPECT_FALSE(params->get_info(instance.plugin(), kParameters + 1, nullptr));
    EXPECT_FALSE(params->get_value(instance.plugin(), kParameters + 1, &value));
    EXPECT_FALSE(params->value_to_text(instance.plugin(), kParameters + 1, 0.5, text, sizeof text));
    EXPECT_FALSE(params->text_to_value(instance.plugin(), 0, "loud", &value));
    EXPECT_FALSE(params->text_to_value(instance.plugin(), kParameters + 1, "0.5", &value));
    ASSERT_TRUE(params->value_to_text(instance.plugin(), 0, 0.9, text, 4));
    EXPECT_STREQ(text, "+11"); // "+11.1 dB" cut to the buffer, terminated
}

// (Changes at their frames, as every format: tests/conformance.) Ids past the parameters
// (the panel's commands inside the effect) are not parameters here.
TEST_F(ClapValidator, IdsPastTheParametersAreNoParameters) {
    Instance instance(module, host);
    ASSERT_TRUE(instance.activate(48000, 512));
    std::vector<float> block(64, 0.1f);
    InputEvents events;
    events.addParameter(0, 65, 5.0); // would arm learning for parameter 5
    events.addParameter(0, 200, 1.0);
    instance.process(block.data(), block.data(), block.data(), block.data(), 64, &events);
    // Learning was never armed: a controller moves nothing.
    const double release = instance.parameter(kBand1Release);
    InputEvents cc;
    cc.addMidi(0, 0xB0, 20, 127);
    instance.process(block.data(), block.data(), block.data(), block.data(), 64, &cc);
    EXPECT_EQ(instance.parameter(kBand1Release), release);
}

// ---- state

class ClapState : public ClapValidator {
protected:
    // An instance moved away from its defaults: values, program 7 by MIDI, a binding.
    std::vector<uint8_t> changeAndSave(Instance& instance) {
        EXPECT_TRUE(instance.activate(44100, 64));
        instance.setParameter(kMaster, 0.25);
        std::vector<float> block(64, 0.1f);
        InputEvents events;
        events.addMidi(3, 0xC5, 7, 0);
        events.addParameter(10, kDelay, 0.75);
        instance.process(block.data(), block.data(), block.data(), block.data(), 64, &events);
        EXPECT_TRUE(instance.load(withBindings(instance.save(), 21, {kDelay})));
        return instance.save();
    }
};

TEST_F(ClapState, TheLayoutIsKeptAndALoadMakesTheHostRescanOnce) {
    Instance first(module, host);
    const std::vector<uint8_t> saved = changeAndSave(first);
    ASSERT_EQ(saved.size(), 16u + 32664u + 4u); // header, bank, flags
    EXPECT_EQ(std::string(saved.begin(), saved.begin() + 4), "ZKCS");
    EXPECT_EQ(saved[8], 7) << "the current program";

    // (The same bytes and values again, as every format: tests/conformance.)
    TestHost otherHost;
    Instance second(module, otherHost);
    ASSERT_TRUE(second.load(saved));
    EXPECT_EQ(otherHost.rescans, std::vector<uint32_t>{CLAP_PARAM_RESCAN_VALUES});
    EXPECT_EQ(otherHost.rescansOffMain, 0);
    // The binding came with it: controller 21 moves Delay.
    ASSERT_TRUE(second.activate(44100, 64));
    std::vector<float> block(64, 0.1f);
    InputEvents cc;
    cc.addMidi(0, 0xB3, 21, 0);
    second.process(block.data(), block.data(), block.data(), block.data(), 64, &cc);
    EXPECT_EQ(second.parameter(kDelay), 0.0);
}

// (Streams of a few bytes a call, as every format: tests/conformance.)
TEST_F(ClapState, EmptyShortForeignOrFailingStreamsAreRefusedWithNothingChanged) {
    Instance instance(module, host);
    const std::vector<uint8_t> saved = changeAndSave(instance);
    const std::vector<uint32_t> rescansBefore = host.rescans;
    auto patched = [&](size_t at, uint32_t value) {
        std::vector<uint8_t> bytes = saved;
        for (int b = 0; b < 4; ++b) bytes[at + b] = static_cast<uint8_t>(value >> (8 * b));
        return bytes;
    };
    // (Empty, short, foreign and random states, as every format: tests/conformance.)
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> wrongs = {
        {"version 3", patched(4, 3)},
        {"program 128", patched(8, 128)},
        {"program -1", patched(8, 0xFFFFFFFF)},
        {"a smaller chunk", patched(12, 32663)},
        {"a huge chunk", patched(12, 0x7FFFFFFF)},
    };
    for (const auto& [what, bytes] : wrongs) {
        EXPECT_FALSE(instance.load(bytes)) << what;
        EXPECT_EQ(instance.save(), saved) << what;
    }
    // Streams that fail (-1) or stop making progress (0) once their first bytes are moved.
    struct Failing {
        const std::vector<uint8_t>& bytes;
        int64_t refusal;
        uint64_t moved = 0;
        int64_t step(uint64_t size, uint64_t limit) {
            if (moved >= limit) return refusal;
            const uint64_t n = std::min<uint64_t>(size, 50);
            moved += n;
            return int64_t(n);
        }
        clap_istream in{this, [](const clap_istream* s, void* buffer, uint64_t size) -> int64_t {
                            auto* self = static_cast<Failing*>(s->ctx);
                            const uint64_t at = self->moved;
                            const int64_t n = self->step(size, 5000);
                            if (n > 0) std::memcpy(buffer, self->bytes.data() + at, size_t(n));
                            return n;
                        }};
        clap_ostream out{this, [](const clap_ostream* s, const void*, uint64_t size) {
                             return static_cast<Failing*>(s->ctx)->step(size, 100);
                         }};
    };
    for (int64_t refusal : {0, -1}) {
        Failing reading{saved, refusal}, writing{saved, refusal};
        EXPECT_FALSE(instance.state()->load(instance.plugin(), &reading.in)) << refusal;
        EXPECT_EQ(instance.save(), saved);
        EXPECT_FALSE(instance.state()->save(instance.plugin(), &writing.out)) << refusal;
    }
    EXPECT_EQ(host.rescans, rescansBefore) << "a refused state is no news for the host";
}

TEST_F(ClapState, TheBypassIsKeptAndAStateOfTheFirstVersionStillLoads) {
    Instance first(module, host);
    std::vector<uint8_t> saved = changeAndSave(first);
    InputEvents bypass;
    bypass.addParameter(0, kParameters, 1.0); // the bypass, after the effect's parameters
    std::vector<float> block(64, 0.1f);
    first.process(block.data(), block.data(), block.data(), block.data(), 64, &bypass);
    const std::vector<uint8_t> bypassed = first.save();
    EXPECT_EQ(bypassed[bypassed.size() - 4], 1) << "flags: bypassed";
    Instance second(module, host);
    ASSERT_TRUE(second.load(bypassed));
    EXPECT_EQ(second.parameter(kParameters), 1.0);
    EXPECT_EQ(second.save(), bypassed);

    // Version 1 ended with the bank; it loads, not bypassed.
    std::vector<uint8_t> first1(saved.begin(), saved.end() - 4);
    first1[4] = 1;
    ASSERT_TRUE(second.load(first1));
    EXPECT_EQ(second.parameter(kParameters), 0.0);
    EXPECT_EQ(second.save(), saved);
}

// A random bank of the right size behind a right header gets in, and the effect must cope
// with whatever it holds. (Random states without one are refused, as in every format:
// tests/conformance.)
TEST_F(ClapState, ARandomMegabyteBankBehindARightHeaderIsSurvived) {
    Instance instance(module, host);
    ASSERT_TRUE(instance.activate(44100, 512));
    const std::vector<uint8_t> header = {'Z', 'K', 'C', 'S', 1, 0, 0, 0, 3, 0, 0, 0, 0x98, 0x7F, 0, 0};
    std::mt19937 random(11);
    std::vector<uint8_t> bytes(1u << 20);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    std::copy(header.begin(), header.end(), bytes.begin());
    EXPECT_TRUE(instance.load(bytes, 997));
    instance.render(testSignal(8000), {512});
    // Any later state puts everything right again.
    Instance fresh(module, host);
    ASSERT_TRUE(instance.load(fresh.save()));
    EXPECT_EQ(instance.save(), fresh.save());
}

// ---- lifecycle

// (Start/stop cycles at new rates, as every format: tests/conformance.)
TEST_F(ClapValidator, ProcessWhileInactiveFailsAndResetAsksForARestart) {
    Instance instance(module, host);
    ASSERT_TRUE(instance.activate(44100, 512));
    instance.deactivate();
    std::vector<float> block(64);
    EXPECT_EQ(instance.process(block.data(), block.data(), block.data(), block.data(), 64), CLAP_PROCESS_ERROR)
        << "inactive";
    ASSERT_TRUE(instance.activate(96000, 64));
    // Reset clears the sound by having the host switch the plug-in off and on again.
    TestHost::inAudioCall = true;
    instance.plugin()->reset(instance.plugin());
    TestHost::inAudioCall = false;
    EXPECT_EQ(host.restartRequests, 1);
    // A host that destroys an active instance without deactivating it.
    Instance forgotten(module, host);
    ASSERT_TRUE(forgotten.activate(44100, 512));
    forgotten.render(testSignal(1000), {512});
    forgotten.forgetToDeactivate();
}

// ---- what the plug-in emits

TEST_F(ClapValidator, TheEventsThePlugInEmitsAreWellFormedAndInOrder) {
    Instance instance(module, host);
    ASSERT_TRUE(instance.activate(44100, 512));
    ASSERT_TRUE(instance.load(withBindings(instance.save(), 7, {kMaster, kDelayVolume})));
    host.rescans.clear();
    const Stereo input = testSignal(512);
    Stereo out(512);
    InputEvents in;
    in.addMidi(5, 0xB0, 7, 127);
    in.addParameter(50, kMaster, 0.5); // the host's own: not reported back
    in.addMidi(100, 0xB0, 7, 0);
    in.addNote(150, 60); // notes play no part
    in.addMidi(200, 0xC0, 3, 0);
    in.addMidi(300, 0xBF, 7, 64);
    OutputEvents emitted;
    instance.process(&input.left[0], &input.right[0], &out.left[0], &out.right[0], 512, &in, &emitted);
    const float step = 0.007874016f;
    const std::vector<std::tuple<uint32_t, uint32_t, double>> expected = {
        {5, kMaster, 1.0}, {5, kDelayVolume, 1.0}, {100, kMaster, 0.0}, {100, kDelayVolume, 0.0},
        {300, kMaster, 64 * step}, {300, kDelayVolume, 64 * step}};
    ASSERT_EQ(emitted.events.size(), expected.size());
    EXPECT_EQ(emitted.misshapen, 0);
    for (size_t i = 0; i < expected.size(); ++i) {
        const OutputEvents::Event& e = emitted.events[i];
        EXPECT_EQ(e.type, CLAP_EVENT_PARAM_VALUE);
        EXPECT_EQ(e.flags, uint32_t(CLAP_EVENT_DONT_RECORD));
        EXPECT_EQ(e.time, std::get<0>(expected[i])) << i;
        EXPECT_EQ(e.paramId, std::get<1>(expected[i])) << i;
        EXPECT_EQ(e.value, std::get<2>(expected[i])) << i;
    }
    EXPECT_EQ(instance.parameter(kMaster), 64 * step); // what the host was told last
    // The program change: the host rescans, on its main thread, when the plug-in asks.
    EXPECT_TRUE(host.rescans.empty());
    EXPECT_EQ(host.callbackRequests, 1);
    instance.runMainThreadCallbacks();
    EXPECT_EQ(host.rescans, std::vector<uint32_t>{CLAP_PARAM_RESCAN_VALUES});
    EXPECT_EQ(host.rescansOffMain, 0);

    // A host list that takes only one event: the host is asked to read the values again.
    OutputEvents small(1);
    InputEvents cc;
    cc.addMidi(0, 0xB0, 7, 10);
    instance.process(&input.left[0], &input.right[0], &out.left[0], &out.right[0], 512, &cc, &small);
    EXPECT_EQ(small.events.size(), 1u);
    EXPECT_EQ(host.callbackRequests, 1);
}

// ---- tail

TEST_F(ClapValidator, TheTailIsFiniteUntilTheFeedbackRingsOnAndTheHostHearsOfChanges) {
    Instance instance(module, host);
    const auto* tail = instance.extension<clap_plugin_tail>(CLAP_EXT_TAIL);
    const auto* latency = instance.extension<clap_plugin_latency>(CLAP_EXT_LATENCY);
    ASSERT_TRUE(tail && latency);
    ASSERT_TRUE(instance.activate(44100, 256));
    EXPECT_EQ(latency->get(instance.plugin()), 0u);
    const uint32_t usual = tail->get(instance.plugin());
    EXPECT_GT(usual, 44100u / 2);
    EXPECT_LT(usual, 44100u * 10);
    std::vector<float> block(256);
    InputEvents loud;
    loud.addParameter(0, kFeedback, 1.0);
    loud.addParameter(0, kDelayVolume, 1.0);
    instance.process(block.data(), block.data(), block.data(), block.data(), 256, &loud);
    EXPECT_GE(tail->get(instance.plugin()), uint32_t(INT32_MAX)) << "infinite";
    EXPECT_EQ(host.tailChanges, 1);
    instance.setParameter(kDelayVolume, 0.0);
    instance.process(block.data(), block.data(), block.data(), block.data(), 256);
    EXPECT_LT(tail->get(instance.plugin()), usual) << "no delay return";
    EXPECT_EQ(host.tailChanges, 2);
    instance.process(block.data(), block.data(), block.data(), block.data(), 256);
    EXPECT_EQ(host.tailChanges, 2) << "no change, no news";
}

// ---- the panel's lifecycle (headless: on the software back end, whatever the parent)

TEST_F(ClapValidator, ThePanelSurvivesTheOrdersHostsUse) {
    Instance instance(module, host);
    const auto* gui = instance.extension<clap_plugin_gui>(CLAP_EXT_GUI);
    ASSERT_TRUE(gui);
    const clap_plugin* p = instance.plugin();
    EXPECT_TRUE(gui->is_api_supported(p, CLAP_WINDOW_API_X11, false));
    EXPECT_FALSE(gui->is_api_supported(p, CLAP_WINDOW_API_X11, true));
    EXPECT_FALSE(gui->is_api_supported(p, CLAP_WINDOW_API_WAYLAND, false));
    const clap_window parent{CLAP_WINDOW_API_X11, {}};
    clap_window window = parent;
    window.x11 = 0x1234;
    uint32_t width = 0, height = 0;
    EXPECT_FALSE(gui->set_parent(p, &window)) << "before create";
    ASSERT_TRUE(gui->create(p, CLAP_WINDOW_API_X11, false));
    EXPECT_FALSE(gui->create(p, CLAP_WINDOW_API_X11, false)) << "twice";
    // The host's scale sets the panel's size (the pictures are drawn at it when it opens).
    using Size = std::pair<uint32_t, uint32_t>;
    for (const auto& [scale, size] :
         std::vector<std::pair<double, Size>>{{2.0, {1224, 972}}, {1.5, {918, 729}}, {1.0, {612, 486}}}) {
        EXPECT_TRUE(gui->set_scale(p, scale));
        ASSERT_TRUE(gui->get_size(p, &width, &height));
        EXPECT_EQ(Size(width, height), size) << scale << " x";
        EXPECT_TRUE(gui->set_size(p, size.first, size.second)) << "its own size at " << scale << " x";
    }
    EXPECT_FALSE(gui->set_scale(p, 0.0));
    EXPECT_FALSE(gui->set_scale(p, std::nan("")));
    // The host may resize it by its window: at its aspect ratio, at scales of an eighth.
    EXPECT_TRUE(gui->can_resize(p));
    clap_gui_resize_hints hints{};
    ASSERT_TRUE(gui->get_resize_hints(p, &hints));
    EXPECT_TRUE(hints.can_resize_horizontally && hints.can_resize_vertically && hints.preserve_aspect_ratio);
    EXPECT_EQ(hints.aspect_ratio_width * 486u, hints.aspect_ratio_height * 612u);
    for (const auto& [proposed, adjusted] : std::vector<std::pair<Size, Size>>{
             {{1000, 1000}, {995, 790}}, // 1.625 x, the largest that fits
             {{700, 486}, {612, 486}},
             {{300, 200}, {612, 486}},    // no smaller than 1 x
             {{5000, 5000}, {1836, 1458}}, // no larger than 3 x
         }) {
        uint32_t w = proposed.first, h = proposed.second;
        ASSERT_TRUE(gui->adjust_size(p, &w, &h));
        EXPECT_EQ(Size(w, h), adjusted) << proposed.first << " x " << proposed.second;
    }
    EXPECT_TRUE(gui->set_size(p, 612, 486));
    EXPECT_FALSE(gui->set_size(p, 700, 486));
    EXPECT_TRUE(gui->set_size(p, 995, 790));
    ASSERT_TRUE(gui->get_size(p, &width, &height));
    EXPECT_EQ(std::pair(width, height), std::pair(995u, 790u));
    EXPECT_TRUE(gui->set_size(p, 612, 486));
    EXPECT_FALSE(gui->show(p)) << "no parent yet";
    ASSERT_TRUE(gui->set_parent(p, &window));
    EXPECT_EQ(host.timers.size(), 1u);
    // A new scale while shown: the panel is made anew at it and the host asked to resize.
    EXPECT_TRUE(gui->set_scale(p, 1.5));
    ASSERT_EQ(host.resizeRequests.size(), 1u);
    EXPECT_EQ(host.resizeRequests[0], std::pair(918u, 729u));
    EXPECT_EQ(host.timers.size(), 1u);
    EXPECT_TRUE(gui->set_scale(p, 1.5));
    EXPECT_EQ(host.resizeRequests.size(), 1u) << "the same scale again changes nothing";
    EXPECT_TRUE(gui->set_scale(p, 1.0));
    EXPECT_EQ(host.resizeRequests.size(), 2u);
    const auto* timers = instance.extension<clap_plugin_timer_support>(CLAP_EXT_TIMER_SUPPORT);
    ASSERT_TRUE(timers);
    timers->on_timer(p, host.timers[0]);
    timers->on_timer(p, 9999); // not ours
    EXPECT_TRUE(gui->show(p));
    EXPECT_TRUE(gui->hide(p));
    EXPECT_TRUE(host.timers.empty());
    EXPECT_TRUE(gui->show(p));
    EXPECT_EQ(host.timers.size(), 1u);
    ASSERT_TRUE(gui->set_parent(p, &window)) << "a second parent";
    EXPECT_EQ(host.timers.size(), 1u);
    gui->destroy(p);
    EXPECT_TRUE(host.timers.empty());
    EXPECT_TRUE(host.descriptors.empty());
    gui->destroy(p); // twice

    // Created and destroyed without a parent; created, given one, destroyed with the instance.
    ASSERT_TRUE(gui->create(p, CLAP_WINDOW_API_X11, false));
    gui->destroy(p);
    ASSERT_TRUE(gui->create(p, CLAP_WINDOW_API_X11, false));
    ASSERT_TRUE(gui->set_parent(p, &window));

    // A host without timers cannot drive an X11 panel.
    TestHost noTimers;
    noTimers.offerTimers = false;
    Instance other(module, noTimers);
    const auto* otherGui = other.extension<clap_plugin_gui>(CLAP_EXT_GUI);
    ASSERT_TRUE(otherGui);
    EXPECT_FALSE(otherGui->create(other.plugin(), CLAP_WINDOW_API_X11, false));
}

} // namespace
} // namespace zkclaptest
