// The checks a VST3 validator makes that are VST3's own (the conformance suite makes the
// shared ones on every format), run on the built bundle's module loaded with dlopen: the
// factory's classes, nonsense setups and bus arrangements other than stereo refused,
// parameters and the MIDI mapping, a program change's reports, the view, the state's
// layout, the controller following it and damaged states, processing switched off and on.

#include "core/ValueText.h"
#include "product/ParameterIndex.h"
#include "tests/vst3/Vst3TestHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

using namespace zkvst3test;

namespace {

constexpr vst3::ParamID kProgramParameter = 0x10000;
constexpr vst3::ParamID kFirstControllerParameter = 0x20000;

std::string text8(const vst3::TChar* text) { return zkhost::utf8Of(text, 128); }

// ---- the factory

TEST(Vst3Factory, OffersTheEffectAsAnFxAndItsControllerAndNothingElse) {
    vst3::IPluginFactory* f = factory();
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->countClasses(), 2);
    vst3::PClassInfo effect{}, controller{};
    ASSERT_EQ(f->getClassInfo(0, &effect), vst3::kResultOk);
    ASSERT_EQ(f->getClassInfo(1, &controller), vst3::kResultOk);
    EXPECT_STREQ(effect.category, vst3::kVstAudioEffectClass);
    EXPECT_STREQ(controller.category, vst3::kVstComponentControllerClass);
    EXPECT_NE(f->getClassInfo(2, &effect), vst3::kResultOk);
    Vst3Ref<vst3::IPluginFactory> held(f);
    f->addRef();
    auto f2 = held.query<vst3::IPluginFactory2>();
    ASSERT_TRUE(f2);
    vst3::PClassInfo2 info{};
    ASSERT_EQ(f2->getClassInfo2(0, &info), vst3::kResultOk);
    EXPECT_STREQ(info.subCategories, "Fx");
    // An unknown class, or a known one asked for an interface it lacks, makes nothing.
    vst3::TUID unknown{};
    void* made = reinterpret_cast<void*>(1);
    EXPECT_NE(f->createInstance(unknown, vst3::IComponent::iid.data(), &made), vst3::kResultOk);
    EXPECT_EQ(made, nullptr);
    made = reinterpret_cast<void*>(1);
    EXPECT_NE(f->createInstance(effect.cid, vst3::IPlugView::iid.data(), &made), vst3::kResultOk);
    EXPECT_EQ(made, nullptr);
}

// ---- processing

// (Rates, block sizes, changes at their offsets and many instances, as every format:
// tests/conformance.)
TEST(Vst3Validator, NonsenseRatesBlockSizesDoublePrecisionAndBusesOtherThanStereoAreRefused) {
    constexpr vst3::SpeakerArrangement kMono = 0x80000, kFiveOne = 0x3F, kStereo = 0x3;
    Instance instance;
    for (double wrong : {0.0, -44100.0, std::nan("")}) EXPECT_FALSE(instance.start(wrong, 512)) << wrong;
    EXPECT_FALSE(instance.start(44100, 0));
    EXPECT_EQ(instance.processor()->canProcessSampleSize(vst3::kSample64), vst3::kResultFalse);
    struct Offer {
        std::vector<vst3::SpeakerArrangement> ins, outs;
    };
    for (const Offer& offer : {Offer{{kMono}, {kMono}}, Offer{{kMono}, {kStereo}}, Offer{{kStereo}, {kMono}},
                               Offer{{kFiveOne}, {kFiveOne}}, Offer{{kStereo, kStereo}, {kStereo}}, Offer{{}, {kStereo}},
                               Offer{{kStereo}, {}}}) {
        auto ins = offer.ins, outs = offer.outs;
        EXPECT_EQ(instance.processor()->setBusArrangements(ins.data(), static_cast<vst3::int32>(ins.size()), outs.data(),
                                                           static_cast<vst3::int32>(outs.size())),
                  vst3::kResultFalse);
        vst3::SpeakerArrangement kept = 0;
        EXPECT_EQ(instance.processor()->getBusArrangement(vst3::kInput, 0, kept), vst3::kResultOk);
        EXPECT_EQ(kept, kStereo);
        EXPECT_EQ(instance.processor()->getBusArrangement(vst3::kOutput, 0, kept), vst3::kResultOk);
        EXPECT_EQ(kept, kStereo);
    }
    ASSERT_TRUE(instance.start(44100, 512)); // stereo still taken after the refusals
    EXPECT_GT(peak(instance.render(testSignal(5000), {512})), 0.01f);
}

// ---- parameters and the MIDI mapping

TEST(Vst3Validator, TheEffectsParametersTheProgramParameterTheBypassAndTheHiddenControllerParameters) {
    Instance instance;
    vst3::IEditController* controller = instance.controller();
    ASSERT_EQ(controller->getParameterCount(), zk::kNumParameters + 2 + 120);
    const std::set<int32_t> switches = {2, 3, 14, 15, 26, 27, 8, 20, 32, 44, 45, 46}; // L, R, FM, PL
    for (int32_t i = 0; i < controller->getParameterCount(); ++i) {
        vst3::ParameterInfo info{};
        ASSERT_EQ(controller->getParameterInfo(i, info), vst3::kResultOk);
        if (i < zk::kNumParameters) {
            EXPECT_EQ(info.id, static_cast<vst3::ParamID>(i));
            const bool unused = i == zk::paramNonUsed;
            EXPECT_EQ((info.flags & vst3::ParameterInfo::kCanAutomate) != 0, !unused) << i;
            EXPECT_EQ((info.flags & vst3::ParameterInfo::kIsHidden) != 0, unused) << i;
            EXPECT_EQ(info.stepCount, switches.count(i) ? 1 : 0) << i;
        } else if (i == zk::kNumParameters) {
            EXPECT_EQ(info.id, kProgramParameter);
            EXPECT_TRUE(info.flags & vst3::ParameterInfo::kIsProgramChange);
            EXPECT_EQ(info.stepCount, 127);
        } else if (i == zk::kNumParameters + 1) {
            EXPECT_EQ(info.id, 0x10001u);
            EXPECT_EQ(text8(info.title), "Bypass");
            EXPECT_EQ(info.flags, vst3::ParameterInfo::kIsBypass | vst3::ParameterInfo::kCanAutomate);
            EXPECT_EQ(info.stepCount, 1);
        } else {
            EXPECT_EQ(info.id, kFirstControllerParameter + static_cast<vst3::ParamID>(i - zk::kNumParameters - 2));
            EXPECT_TRUE(info.flags & vst3::ParameterInfo::kIsHidden) << i;
            EXPECT_FALSE(info.flags & vst3::ParameterInfo::kCanAutomate) << i;
        }
    }
    vst3::ParameterInfo first{};
    controller->getParameterInfo(zk::paramRelease1, first);
    EXPECT_EQ(text8(first.title), "Band 1 Release");
    EXPECT_EQ(text8(first.units), "ms");
    // Every value's text is the effect's, in real units, and reads back to itself.
    for (int32_t index = 0; index < zk::kNumParameters; ++index)
        for (int step = 0; step <= 100; ++step) {
            const double value = step / 100.0;
            vst3::String128 text{}, again{};
            ASSERT_EQ(controller->getParamStringByValue(index, value, text), vst3::kResultOk);
            char core[64] = {};
            zk::unitValueText(index, static_cast<float>(value), zk::ValueContext{}, core, sizeof core);
            EXPECT_EQ(text8(text), core);
            vst3::ParamValue back = -1.0;
            ASSERT_EQ(controller->getParamValueByString(index, text, back), vst3::kResultOk) << text8(text);
            ASSERT_EQ(controller->getParamStringByValue(index, back, again), vst3::kResultOk);
            EXPECT_EQ(text8(text), text8(again));
        }

    // Controllers 0..119 on every channel go to their hidden parameters, Program Change
    // (130 in the mapping's numbering) to the program parameter; channel-mode numbers
    // 120..127 and the rest stay unmapped.
    controller->addRef(); // for the holder, which releases it
    auto mapping = Vst3Ref<vst3::IEditController>(controller).query<vst3::IMidiMapping>();
    ASSERT_TRUE(mapping);
    for (vst3::int16 channel = 0; channel < 16; ++channel) {
        for (vst3::int16 number = 0; number < 131; ++number) {
            vst3::ParamID id = vst3::kNoParamId;
            const vst3::tresult mapped = mapping->getMidiControllerAssignment(0, channel, number, id);
            if (number < 120) {
                EXPECT_EQ(mapped, vst3::kResultOk) << number;
                EXPECT_EQ(id, kFirstControllerParameter + static_cast<vst3::ParamID>(number));
            } else if (number == 130) {
                EXPECT_EQ(mapped, vst3::kResultOk);
                EXPECT_EQ(id, kProgramParameter);
            } else {
                EXPECT_EQ(mapped, vst3::kResultFalse) << number;
            }
        }
    }
    vst3::ParamID id = 0;
    EXPECT_EQ(mapping->getMidiControllerAssignment(1, 0, 7, id), vst3::kResultFalse) << "there is one event bus";
}

// A Program Change while processing (the program parameter moved at a sample offset) brings
// the new program's values; the host hears every one of them, and the program, at that
// offset in the block's output changes (restartComponent is not an audio-thread call).
TEST(Vst3Validator, AProgramChangeInABlockReportsEveryValueAtItsFrame) {
    Instance instance;
    ASSERT_TRUE(instance.start(44100, 512));
    const Stereo input = testSignal(512);
    Stereo out(512);
    instance.process(&input.left[0], &input.right[0], &out.left[0], &out.right[0], 512, {{0, zk::paramMaster, 0.125}});
    EXPECT_TRUE(instance.outputChanges.empty()) << "the host's own changes do not come back";
    const int restarts = instance.restarts;
    instance.process(&input.left[0], &input.right[0], &out.left[0], &out.right[0], 512,
                     {{100, kProgramParameter, 3.0 / 127.0}});
    std::vector<bool> reported(zk::kNumParameters, false);
    bool programReported = false;
    for (const Change& c : instance.outputChanges) {
        EXPECT_EQ(c.frame, 100) << c.id;
        if (c.id == kProgramParameter) {
            programReported = true;
            EXPECT_DOUBLE_EQ(c.value, 3.0 / 127.0);
        } else if (c.id < static_cast<vst3::ParamID>(zk::kNumParameters)) {
            reported[c.id] = true;
            EXPECT_EQ(c.value, instance.controller()->getParamNormalized(c.id)) << c.id;
        }
    }
    EXPECT_TRUE(programReported);
    EXPECT_EQ(std::count(reported.begin(), reported.end(), true), zk::kNumParameters);
    EXPECT_NE(instance.controller()->getParamNormalized(zk::paramMaster), 0.125) << "the program's own value";
    EXPECT_EQ(instance.restarts, restarts);
    // Nothing is left over for later blocks.
    instance.process(&input.left[0], &input.right[0], &out.left[0], &out.right[0], 512);
    EXPECT_TRUE(instance.outputChanges.empty());
    EXPECT_EQ(instance.restarts, restarts);
}

// ---- the view (headless: the panel runs on the software back end, whatever the parent)

TEST(Vst3Validator, TheViewTakesTheHostsRunLoopWhileAttached) {
    Instance instance;
    Vst3Ref<vst3::IPlugView> view(instance.controller()->createView(vst3::kEditorViewType));
    ASSERT_TRUE(view);
    EXPECT_EQ(instance.controller()->createView("other"), nullptr);
    EXPECT_EQ(view->isPlatformTypeSupported(vst3::kPlatformTypeX11EmbedWindowID), vst3::kResultTrue);
    EXPECT_EQ(view->isPlatformTypeSupported(vst3::kPlatformTypeHWND), vst3::kResultFalse);
    vst3::ViewRect size{};
    ASSERT_EQ(view->getSize(&size), vst3::kResultOk);
    EXPECT_EQ(size.right - size.left, 612);
    EXPECT_EQ(size.bottom - size.top, 486);
    zkhost::Vst3PlugFrame frame;
    ASSERT_EQ(view->setFrame(&frame), vst3::kResultOk);
    void* parent = reinterpret_cast<void*>(uintptr_t{0x1234});
    EXPECT_NE(view->attached(parent, vst3::kPlatformTypeHWND), vst3::kResultOk);
    for (int cycle = 0; cycle < 3; ++cycle) {
        ASSERT_EQ(view->attached(parent, vst3::kPlatformTypeX11EmbedWindowID), vst3::kResultOk);
        EXPECT_NE(view->attached(parent, vst3::kPlatformTypeX11EmbedWindowID), vst3::kResultOk) << "twice";
        ASSERT_EQ(frame.timers.size(), 1u);
        frame.timers[0].handler->onTimer();
        // A second view of the same instance waits until the first lets go of the panel.
        Vst3Ref<vst3::IPlugView> second(instance.controller()->createView(vst3::kEditorViewType));
        ASSERT_TRUE(second);
        EXPECT_NE(second->attached(parent, vst3::kPlatformTypeX11EmbedWindowID), vst3::kResultOk);
        EXPECT_EQ(view->removed(), vst3::kResultOk);
        EXPECT_TRUE(frame.timers.empty());
        EXPECT_TRUE(frame.watches.empty());
        EXPECT_NE(view->removed(), vst3::kResultOk) << "twice";
    }
    // A host that lets go of an attached view without removing it first.
    ASSERT_EQ(view->attached(parent, vst3::kPlatformTypeX11EmbedWindowID), vst3::kResultOk);
    view = {};
    EXPECT_TRUE(frame.timers.empty());
}

// The host's content scale sizes the view; while attached the panel is made anew at it and
// the frame is asked for the new size, keeping the run loop's handlers.
TEST(Vst3Validator, TheViewTakesTheHostsContentScale) {
    Instance instance;
    zkhost::Vst3PlugFrame frame; // outlives the view, which holds it
    Vst3Ref<vst3::IPlugView> view(instance.controller()->createView(vst3::kEditorViewType));
    ASSERT_TRUE(view);
    vst3::IPlugViewContentScaleSupport* scaling = nullptr;
    ASSERT_EQ(view->queryInterface(vst3::IPlugViewContentScaleSupport::iid.data(), reinterpret_cast<void**>(&scaling)),
              vst3::kResultOk);
    ASSERT_TRUE(scaling);
    EXPECT_EQ(scaling->setContentScaleFactor(2.0f), vst3::kResultTrue);
    vst3::ViewRect size{};
    ASSERT_EQ(view->getSize(&size), vst3::kResultOk);
    EXPECT_EQ(std::pair(size.right - size.left, size.bottom - size.top), std::pair(1224, 972));
    ASSERT_EQ(view->setFrame(&frame), vst3::kResultOk);
    void* parent = reinterpret_cast<void*>(uintptr_t{0x1234});
    ASSERT_EQ(view->attached(parent, vst3::kPlatformTypeX11EmbedWindowID), vst3::kResultOk);
    EXPECT_EQ(frame.resizeRequests, 0);
    EXPECT_EQ(scaling->setContentScaleFactor(1.5f), vst3::kResultTrue);
    EXPECT_EQ(frame.resizeRequests, 1);
    EXPECT_EQ(std::pair(frame.requestedSize.right, frame.requestedSize.bottom), std::pair(918, 729));
    EXPECT_EQ(frame.timers.size(), 1u);
    EXPECT_EQ(scaling->setContentScaleFactor(1.5f), vst3::kResultTrue);
    EXPECT_EQ(frame.resizeRequests, 1) << "the same scale again changes nothing";
    EXPECT_EQ(scaling->setContentScaleFactor(0.0f), vst3::kResultFalse);

    // The host resizes the view: at its aspect ratio, at scales of an eighth, from 1 to 3 x;
    // the size taken is drawn at once without a request back.
    EXPECT_EQ(view->canResize(), vst3::kResultTrue);
    vst3::ViewRect proposed{10, 20, 1010, 1020};
    ASSERT_EQ(view->checkSizeConstraint(&proposed), vst3::kResultTrue);
    EXPECT_EQ(std::pair(proposed.right - proposed.left, proposed.bottom - proposed.top), std::pair(995, 790));
    EXPECT_EQ(proposed.left, 10);
    ASSERT_EQ(view->onSize(&proposed), vst3::kResultOk);
    ASSERT_EQ(view->getSize(&size), vst3::kResultOk);
    EXPECT_EQ(std::pair(size.right, size.bottom), std::pair(995, 790));
    EXPECT_EQ(frame.resizeRequests, 1);
    vst3::ViewRect tiny{0, 0, 100, 100};
    ASSERT_EQ(view->checkSizeConstraint(&tiny), vst3::kResultTrue);
    EXPECT_EQ(std::pair(tiny.right, tiny.bottom), std::pair(612, 486));

    EXPECT_EQ(view->removed(), vst3::kResultOk);
    EXPECT_TRUE(frame.timers.empty());
    scaling->release();
}

// ---- state

TEST(Vst3State, TheControllerFollowsALoadedState) {
    Instance first;
    ASSERT_TRUE(first.start(44100, 512));
    const Stereo input = testSignal(4000);
    first.process(&input.left[0], &input.right[0], nullptr, nullptr, 0,
                  {{0, kProgramParameter, 5.0 / 127.0}, {0, zk::paramMaster, 0.25}, {0, zk::paramDelay, 0.75}});
    const std::vector<uint8_t> saved = first.state();
    ASSERT_GT(saved.size(), 16u);
    // (The same bytes again, in streams of a few bytes a call, as every format: tests/conformance.)
    Instance second;
    const int restartsBefore = second.restarts, namesBefore = second.programListChanges;
    ASSERT_EQ(second.loadState(saved), vst3::kResultOk);
    EXPECT_EQ(second.controller()->getParamNormalized(zk::paramMaster), 0.25f);
    EXPECT_EQ(second.controller()->getParamNormalized(zk::paramDelay), 0.75f);
    EXPECT_EQ(second.controller()->getParamNormalized(kProgramParameter), 5.0 / 127.0);
    // The host reads the values once its state calls are done; inside them it may hold
    // locks that a restartComponent would wait for. The program names it is told.
    EXPECT_EQ(second.restarts, restartsBefore);
    EXPECT_GT(second.programListChanges, namesBefore);
}

TEST(Vst3State, EmptyShortForeignOrDamagedStatesAreRefusedWithNothingChanged) {
    Instance source;
    ASSERT_TRUE(source.start(44100, 512));
    const Stereo input = testSignal(10);
    source.process(&input.left[0], &input.right[0], nullptr, nullptr, 0, {{0, zk::paramMaster, 0.125}});
    const std::vector<uint8_t> good = source.state();
    ASSERT_GT(good.size(), 16u);
    // (Empty, short, foreign and random states, as every format: tests/conformance.)
    std::vector<std::vector<uint8_t>> bad = {{good.begin(), good.end() - 1}};
    auto damaged = [&](size_t at, uint8_t value) {
        auto bytes = good;
        bytes[at] = value;
        return bytes;
    };
    bad.push_back(damaged(4, 3));    // a version to come
    bad.push_back(damaged(8, 200));  // no such program
    bad.push_back(damaged(15, 0x7F)); // a bank size far past the bytes there
    // The bank a byte short, as its size says, and the flags after it.
    auto shortBank = std::vector<uint8_t>(good.begin(), good.end() - 5);
    shortBank.insert(shortBank.end(), good.end() - 4, good.end());
    const uint32_t bankSize = static_cast<uint32_t>(good.size() - 21);
    for (int i = 0; i < 4; ++i) shortBank[12 + static_cast<size_t>(i)] = static_cast<uint8_t>(bankSize >> (8 * i));
    bad.push_back(shortBank);
    for (size_t i = 0; i < bad.size(); ++i) {
        SCOPED_TRACE(i);
        Instance target;
        const std::vector<uint8_t> before = target.state();
        const int restartsBefore = target.restarts;
        EXPECT_NE(target.loadState(bad[i]), vst3::kResultOk);
        EXPECT_EQ(target.state(), before);
        EXPECT_NE(target.controller()->getParamNormalized(zk::paramMaster), 0.125f);
        EXPECT_EQ(target.restarts, restartsBefore) << "nothing changed, nothing to read again";
    }
}

// The host's bypass: heard as the input once the fade is done, kept in the component state;
// a state of the first version, which had no flags, loads not bypassed.
TEST(Vst3State, TheBypassIsHeardAndKeptAndAStateOfTheFirstVersionStillLoads) {
    constexpr vst3::ParamID kBypass = 0x10001;
    Instance instance;
    ASSERT_TRUE(instance.start(44100, 512));
    const Stereo input = testSignal(8192);
    Stereo out(input.frames());
    for (int32_t f = 0; f < 8192; f += 512) {
        const std::vector<Change> changes = f == 1024 ? std::vector<Change>{{0, kBypass, 1.0}} : std::vector<Change>{};
        instance.process(&input.left[size_t(f)], &input.right[size_t(f)], &out.left[size_t(f)], &out.right[size_t(f)],
                         512, changes);
    }
    EXPECT_TRUE(std::equal(out.left.begin() + 2048, out.left.end(), input.left.begin() + 2048));
    EXPECT_FALSE(std::equal(out.left.begin(), out.left.begin() + 1024, input.left.begin()));
    EXPECT_EQ(instance.controller()->getParamNormalized(kBypass), 1.0);
    const std::vector<uint8_t> bypassed = instance.state();
    EXPECT_EQ(bypassed[bypassed.size() - 4], 1) << "flags: bypassed";
    Instance second;
    ASSERT_EQ(second.loadState(bypassed), vst3::kResultOk);
    EXPECT_EQ(second.controller()->getParamNormalized(kBypass), 1.0);
    EXPECT_EQ(second.state(), bypassed);
    std::vector<uint8_t> first(bypassed.begin(), bypassed.end() - 4);
    first[4] = 1;
    ASSERT_EQ(second.loadState(first), vst3::kResultOk);
    EXPECT_EQ(second.controller()->getParamNormalized(kBypass), 0.0);
}

// A host that sets values through the controller while nothing processes (the transport
// stopped, or the processor not even active) and then saves finds them in the state.
TEST(Vst3State, ChangesThroughTheControllerWithNothingProcessingAreInTheNextState) {
    for (bool started : {false, true}) {
        SCOPED_TRACE(started);
        Instance instance;
        if (started) {
            ASSERT_TRUE(instance.start(44100, 512));
            ASSERT_EQ(instance.processor()->setProcessing(false), vst3::kResultOk); // transport stopped
        }
        vst3::IEditController* controller = instance.controller();
        ASSERT_EQ(controller->setParamNormalized(zk::paramMaster, 0.0439457), vst3::kResultOk);
        ASSERT_EQ(controller->setParamNormalized(0x10001, 1.0), vst3::kResultOk);
        const std::vector<uint8_t> saved = instance.state();
        Instance other;
        ASSERT_EQ(other.loadState(saved), vst3::kResultOk);
        EXPECT_NEAR(other.controller()->getParamNormalized(zk::paramMaster), 0.0439457, 1e-6);
        EXPECT_EQ(other.controller()->getParamNormalized(0x10001), 1.0);
    }
    // While processing, the processor takes the host's changes with its blocks: a value the
    // controller hears then waits for them.
    Instance processing;
    ASSERT_TRUE(processing.start(44100, 512));
    processing.controller()->setParamNormalized(zk::paramMaster, 0.125);
    EXPECT_NE(processing.controller()->getParamNormalized(zk::paramMaster), 0.125);
}

// ---- lifecycle

// (Activate/deactivate cycles at new rates, as every format: tests/conformance.)
TEST(Vst3Validator, ProcessingOffAndOnWithoutDeactivatingAndATerminatedActiveInstance) {
    Instance instance;
    const Stereo input = testSignal(3000);
    ASSERT_TRUE(instance.start(44100, 512));
    const Stereo before = instance.render(input, {64, 13});
    EXPECT_EQ(instance.processor()->setProcessing(false), vst3::kResultOk);
    EXPECT_EQ(instance.processor()->setProcessing(true), vst3::kResultOk);
    const Stereo after = instance.render(input, {64, 13});
    EXPECT_EQ(badSample(after), "");
    EXPECT_GT(peak(after), 0.001f);
    EXPECT_GT(peak(before), 0.001f);
    // A host that terminates an active instance.
    Instance forgotten;
    ASSERT_TRUE(forgotten.start(44100, 512));
    forgotten.render(input, {512});
    forgotten.forgetToStop();
}

} // namespace
