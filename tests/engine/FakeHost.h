#pragma once

// A stand-in for the effect: holds the 54 parameter values of the default program and
// forwards each change to the engine's setters the way the effect's setParameter does.

#include "engine/SoundEngine.h"
#include "product/ParameterIndex.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>

namespace zktest {

inline constexpr std::array<float, zk::kNumParameters> defaultProgram = {
    0.9f, 0.0f, 1.0f, 1.0f, 0.1f, 0.3f, 0.9f,   0.1f, 0.0f, 0.0f, 0.9f, 0.0f, 0.4f, 0.1f,
    0.0f, 0.0f, 0.4f, 0.3f, 0.633f, 0.4f, 0.0f, 0.4f, 0.9f, 0.0f, 0.4f, 0.4f, 0.0f, 0.0f,
    0.9f, 0.3f, 0.3f, 0.4f, 0.0f, 0.4f, 0.9f,   0.0f, 0.4f, 0.4f, 0.9f, 0.4f, 0.3f, 1.0f,
    0.4f, 0.4f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f,   0.0f, 0.5f, 0.5f, 0.5f, 0.0f};

class FakeHost : public zk::EngineHost {
public:
    FakeHost() : engine(*this) { point(); }
    // Construction (set-up at the effect's initial 44100, program 0) and resume at `rate`.
    explicit FakeHost(double rate) : engine(*this) {
        point();
        start(rate);
    }
    void point() noexcept {
        for (int32_t i = 0; i < zk::kNumParameters; ++i) values[static_cast<size_t>(i)].store(defaultProgram[static_cast<size_t>(i)]);
        useLayout(Layout::program);
    }
    void start(double rate) {
        engine.initEngine(44100.0);
        reselectCurrentProgram();
        engine.adoptSampleRate(rate, true);
    }

    // Where the slots point: `values` in index order (as the effect's current program),
    // `other` (a second program), or every other cell of `spread` (values not adjacent).
    enum class Layout { program, other, spread };
    void useLayout(Layout layout) noexcept {
        layout_ = layout;
        for (int32_t i = 0; i < zk::kNumParameters; ++i) setParameterSlot(i, &cell(i));
    }
    // A program change: the slots move to the layout's values, which the setters then apply.
    void changeTo(Layout layout) noexcept {
        useLayout(layout);
        reselectCurrentProgram();
    }

    // What the frames' events do; every frame has events due while it is set.
    void setOnEvents(std::function<void(int32_t)> events) {
        onEvents = std::move(events);
        setEventsPending(static_cast<bool>(onEvents));
    }
    using EngineHost::setEventsPending;
    void handlePendingEvents(int32_t frame) noexcept override {
        ++eventCalls;
        lastEventFrame = frame;
        if (onEvents) onEvents(frame);
    }
    // Every frame is due while onEvents is set, unless nextEvent names the due frames.
    int32_t nextEventFrame(int32_t frame) const noexcept override {
        if (nextEvent) return nextEvent(frame);
        return onEvents ? frame : noPendingEvents;
    }
    void reselectCurrentProgram() noexcept override {
        ++reselects;
        for (int32_t i = 0; i < zk::kNumParameters; ++i) set(i, p(i));
    }

    void set(int32_t index, float value) noexcept {
        value = value > 1.0f ? 1.0f : (value < 0.0f ? 0.0f : value);
        cell(index).store(value);
        announceValueChange();
        for (int32_t n = 1; n <= 3; ++n) {
            const int32_t band = zk::bandParameter(zk::paramBand1, n), fine = zk::sideBySideParameter(zk::paramFine1, n);
            const int32_t release = zk::bandParameter(zk::paramRelease1, n);
            if (index == band || index == fine) engine.setBandTuning(n, p(band), p(fine));
            if (index == release) engine.setRelease(n, p(release));
        }
        if (index == zk::paramFeedback) engine.setFeedback(p(zk::paramFeedback));
        if (index == zk::paramSmooth) engine.setSmooth(p(zk::paramSmooth));
        if (index == zk::paramFmEvery) engine.setFmEvery(p(zk::paramFmEvery));
    }
    float p(int32_t index) const { return const_cast<FakeHost*>(this)->cell(index).load(); }
    std::atomic<float>& cell(int32_t index) noexcept {
        const auto i = static_cast<size_t>(index);
        return layout_ == Layout::program ? values[i] : layout_ == Layout::other ? other[i] : spread[2 * i + 1];
    }

    std::array<std::atomic<float>, zk::kNumParameters> values; // the default layout's values
    std::array<std::atomic<float>, zk::kNumParameters> other{};
    std::array<std::atomic<float>, 2 * zk::kNumParameters> spread{};
    std::function<int32_t(int32_t)> nextEvent; // nextEventFrame(), where set
    int64_t eventCalls = 0;
    int32_t lastEventFrame = -1;
    int32_t reselects = 0;
    zk::SoundEngine engine; // last, so that the values exist when it is built

private:
    std::function<void(int32_t)> onEvents;
    Layout layout_ = Layout::program;
};

} // namespace zktest
