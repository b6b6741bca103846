// Hosts change the program from inside the plug-in's own calls to them, and from threads of
// their own at the same time. No program change may wait for itself, and none may see
// another's values half applied.

#include "core/SilentHost.h"
#include "tests/core/EffectFixture.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <mutex>
#include <thread>

namespace zktest {
namespace {

// Runs `body` on a thread of its own. One still running after `limit` ends the test program
// with a message, so that a hang fails the run instead of stalling it.
void finishesWithin(std::chrono::seconds limit, const char* what, const std::function<void()>& body) {
    std::packaged_task<void()> task(body);
    std::future<void> done = task.get_future();
    std::thread worker(std::move(task));
    if (done.wait_for(limit) != std::future_status::ready) {
        std::fprintf(stderr, "%s: still running after %d s, it hangs\n", what, static_cast<int>(limit.count()));
        std::fflush(stderr);
        std::_Exit(1);
    }
    worker.join();
}

constexpr int32_t kChosenProgram = 5;

// A host that answers one kind of call by selecting program 5 and loading `chunk`, and
// answers once more when that call comes again from inside its answer. Its panel edits a
// parameter from its idle, as ours does when it handles a click there or runs a drag.
class ReenteringHost {
public:
    ReenteringHost(const char* answered, zk::ChunkKind kind) : answered_(answered), kind_(kind) {
        effect = std::make_unique<zk::PluginEffect>(host, zk::EffectServices{&messages_, nullptr},
                                                    recordingEditor(editor));
        editor->onIdle = [this] { effect->editParameter(13, 0.3f); };
        effect->initialise();
        effect->activate();
        host.onCall = [this](const RecordingHost::Call& call) {
            if (call.what != answered_ || answersLeft_ == 0) return;
            --answersLeft_;
            effect->selectProgram(kChosenProgram);
            ASSERT_TRUE(effect->restoreChunk(kind_, chunk.data(), static_cast<int32_t>(chunk.size())));
        };
    }

    // The program the host chose last, with the chunk's values, on the effect and the panel.
    void expectChosenProgram(float master, float dry) {
        EXPECT_EQ(effect->currentProgram(), kChosenProgram);
        EXPECT_EQ(programName(*effect, kChosenProgram), "Chosen");
        EXPECT_EQ(effect->parameter(0), master);
        EXPECT_EQ(effect->parameter(1), dry);
        float shown[2] = {-1.0f, -1.0f};
        for (auto [index, value] : editor->parameters)
            if (index < 2) shown[index] = value;
        EXPECT_TRUE(shown[0] == master && shown[1] == dry) << shown[0] << " " << shown[1];
    }
    void answerTwice() { answersLeft_ = 2; }

    RecordingHost host;
    std::unique_ptr<zk::PluginEffect> effect;
    RecordingEditor* editor = nullptr;
    std::vector<uint8_t> chunk;

private:
    std::string answered_;
    zk::ChunkKind kind_;
    int answersLeft_ = 0;
    ScriptedMessages messages_;
};

TEST(Reentry, AProgramChangeFromInsideDisplayChangedGoesAhead) {
    ReenteringHost host("display", zk::ChunkKind::bank);
    // A bank whose program 5 is named "Chosen", with Master 0.25 and Dry 0.75.
    host.chunk = saved(*host.effect, zk::ChunkKind::bank);
    const size_t program = 1944 + 240 * kChosenProgram;
    std::memcpy(&host.chunk[program], "Chosen", 7);
    putFloat(host.chunk, program + 24, 0.25f);
    putFloat(host.chunk, program + 28, 0.75f);

    host.answerTwice();
    finishesWithin(std::chrono::seconds(20), "selectProgram answered by selectProgram and restoreChunk",
                   [&] { host.effect->selectProgram(2); });
    host.expectChosenProgram(0.25f, 0.75f);
}

TEST(Reentry, AProgramChangeFromInsideThePanelsEditGoesAhead) {
    ReenteringHost host("changed", zk::ChunkKind::preset);
    host.chunk.assign(240, 0);
    std::memcpy(host.chunk.data(), "Chosen", 7);
    putFloat(host.chunk, 24, 0.5f);
    putFloat(host.chunk, 28, 0.125f);

    host.answerTwice();
    finishesWithin(std::chrono::seconds(20), "the panel's edit answered by selectProgram and restoreChunk",
                   [&] { host.effect->panelIdle(); });
    host.expectChosenProgram(0.5f, 0.125f);
}

TEST(Reentry, AProgramChangeOnAnotherThreadWaitsForEveryValueOfTheFirst) {
    ScriptedMessages messages;
    RecordingEditor* editor = nullptr;
    zk::SilentHost host;
    zk::PluginEffect effect(host, zk::EffectServices{&messages, nullptr}, recordingEditor(editor));
    effect.initialise();
    // The first change is held halfway until the second has begun and waits.
    std::mutex lock;
    std::vector<std::thread::id> appliedBy;
    std::promise<void> halfway, secondStarted;
    editor->onParameter = [&](int32_t) {
        {
            std::lock_guard<std::mutex> guard(lock);
            appliedBy.push_back(std::this_thread::get_id());
            if (appliedBy.size() != 20) return;
        }
        halfway.set_value();
        secondStarted.get_future().wait();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    };

    finishesWithin(std::chrono::seconds(20), "two program changes on two threads", [&] {
        std::thread first([&] { effect.selectProgram(2); });
        halfway.get_future().wait();
        std::thread second([&] {
            secondStarted.set_value();
            effect.selectProgram(3);
        });
        first.join();
        second.join();
    });
    ASSERT_EQ(appliedBy.size(), 2u * zk::kNumParameters);
    for (size_t i = 1; i < appliedBy.size(); ++i)
        EXPECT_TRUE(appliedBy[i] == appliedBy[i - 1] || i == size_t{zk::kNumParameters}) << "interleaved at " << i;
    EXPECT_EQ(effect.currentProgram(), 3);
}

} // namespace
} // namespace zktest
