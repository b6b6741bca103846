#pragma once

// A stand-in for the effect: holds the 54 parameter values of the default program and
// forwards each change to the engine's setters the way the effect's setParameter does.

#include "engine/SoundEngine.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>

namespace zktest {

inline constexpr std::array<float, 54> defaultProgram = {
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
        for (int32_t i = 0; i < 54; ++i) values[static_cast<size_t>(i)].store(defaultProgram[static_cast<size_t>(i)]);
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
        for (int32_t i = 0; i < 54; ++i) setParameterSlot(i, &cell(i));
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
        for (int32_t i = 0; i < 54; ++i) set(i, p(i));
    }

    void set(int32_t index, float value) noexcept {
        value = value > 1.0f ? 1.0f : (value < 0.0f ? 0.0f : value);
        cell(index).store(value);
        announceValueChange();
        for (int32_t n = 1; n <= 3; ++n) {
            const int32_t band = 4 + 12 * (n - 1);
            if (index == band || index == 49 + n) engine.setBandTuning(n, p(band), p(49 + n));
            if (index == band + 1) engine.setRelease(n, p(band + 1));
        }
        if (index == 40) engine.setFeedback(p(40));
        if (index == 42) engine.setSmooth(p(42));
        if (index == 43) engine.setFmEvery(p(43));
    }
    float p(int32_t index) const { return const_cast<FakeHost*>(this)->cell(index).load(); }
    std::atomic<float>& cell(int32_t index) noexcept {
        const auto i = static_cast<size_t>(index);
        return layout_ == Layout::program ? values[i] : layout_ == Layout::other ? other[i] : spread[2 * i + 1];
    }

    std::array<std::atomic<float>, 54> values; // the default layout's values
    std::array<std::atomic<float>, 54> other{};
    std::array<std::atomic<float>, 108> spread{};
    std::function<int32_t(int32_t)> nextEvent; // nextEventFrame(), where set
    int64_t eventCalls = 0;
    int32_t lastEventFrame = -1;
    int32_t reselects = 0;
    zk::SoundEngine engine; // last, so that the values exist when it is built

private:
    std::function<void(int32_t)> onEvents;

private:
    Layout layout_ = Layout::program;
};

} // namespace zktest
