#include "editor/PanelPictures.h"
#include "tests/editor/PanelHarness.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

namespace zktest {
namespace {

// Two instances in one module: the second harness's platform is the one in use from its
// construction on, so both panels decode (or find) their pictures there.
TEST(PanelPictures, PanelsOfTwoInstancesShareOneDecodingFreedWithTheLastHolder) {
    auto first = std::make_unique<PanelHarness>();
    auto second = std::make_unique<PanelHarness>();
    EXPECT_EQ(first->editor().background(), nullptr); // nothing decoded for a panel never opened
    EXPECT_EQ(second->editor().aboutPicture(), nullptr);

    ASSERT_TRUE(first->editor().open(first->hostWindow()));
    ASSERT_TRUE(second->editor().open(second->hostWindow()));
    zk::gui::Bitmap* background = first->editor().background();
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(second->editor().background(), background);
    EXPECT_EQ(second->editor().aboutPicture(), first->editor().aboutPicture());
    EXPECT_EQ(background->refCount(), 1 + 2 * (1 + 29 + 12 + 1)); // the module's, then each panel's frame, controls and read-out
    std::weak_ptr<zk::PanelPictures> shared = zk::PanelPictures::acquire();
    EXPECT_EQ(shared.lock()->background(), background);

    first->editor().close();
    EXPECT_EQ(background->refCount(), 1 + 1 + 29 + 12 + 1);
    second.reset(); // (installed last, so it goes first) its instance, panel and hold
    EXPECT_FALSE(shared.expired());
    EXPECT_EQ(background->refCount(), 1); // the first panel, closed, still holds them
    ASSERT_TRUE(first->editor().open(first->hostWindow()));
    EXPECT_EQ(first->editor().background(), background); // not decoded again
    first.reset();
    EXPECT_TRUE(shared.expired());
}

TEST(PanelPictures, PanelsOpeningOnSeveralThreadsAtOnceGetThePicturesOnce) {
    PanelHarness harness; // its platform, for the decoding
    std::vector<std::shared_ptr<zk::PanelPictures>> got(4);
    std::vector<std::thread> threads;
    for (auto& pictures : got) threads.emplace_back([&pictures] { pictures = zk::PanelPictures::acquire(); });
    for (std::thread& thread : threads) thread.join();
    for (const auto& pictures : got) EXPECT_EQ(pictures, got[0]);
    EXPECT_EQ(got[0]->background()->refCount(), 1);
}

} // namespace
} // namespace zktest
