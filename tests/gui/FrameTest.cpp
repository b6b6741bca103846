#include "GuiTestSupport.h"
#include "ProbeView.h"

#include <algorithm>

namespace zk::gui::test {
namespace {

using Log = std::vector<std::string>;

bool contains(const Log& log, const std::string& entry) {
    return std::find(log.begin(), log.end(), entry) != log.end();
}
int32_t occurrences(const Log& log, const std::string& entry) {
    return int32_t(std::count(log.begin(), log.end(), entry));
}

class FrameTest : public GuiTest {
protected:
    Log log;
    vst2::VstKeyCode key{'a', 0, 0};
};

// ---- lifetimes

TEST_F(FrameTest, BitmapReferenceCounts) {
    registerSolid(10, 4, 4, 0);
    std::vector<std::string> none;
    auto* once = new Bitmap(10);
    EXPECT_EQ(once->refCount(), 1);
    once->release(); // freed: the sanitizer run reports a leak or a double free otherwise

    auto* twice = new Bitmap(10);
    twice->retain();
    twice->release();
    EXPECT_EQ(twice->refCount(), 1);
    twice->release();

    auto* direct = new Bitmap(10);
    direct->retain();
    delete direct; // whatever the count
}

TEST_F(FrameTest, FrameAndControlsHoldTheirOwnBitmapReferences) {
    registerSolid(11, 4, 4, 0);
    auto* background = new Bitmap(11);
    {
        auto frame = makeFrame();
        frame->setBackgroundBitmap(background);
        EXPECT_EQ(background->refCount(), 2);
        frame->setBackgroundBitmap(background); // release then retain
        EXPECT_EQ(background->refCount(), 2);
    }
    EXPECT_EQ(background->refCount(), 1);
    background->release();
}

TEST_F(FrameTest, ViewReferencesThroughAddDetachAndDestruction) {
    auto frame = makeFrame();
    auto* kept = new ProbeView({0, 0, 10, 10}, "kept", log);
    auto* released = new ProbeView({0, 0, 10, 10}, "released", log);
    auto* shared = new ProbeView({0, 0, 10, 10}, "shared", log);
    auto* last = new ProbeView({0, 0, 10, 10}, "last", log);
    for (View* v : {static_cast<View*>(kept), static_cast<View*>(released), static_cast<View*>(shared),
                    static_cast<View*>(last)})
        ASSERT_TRUE(frame->appendView(v));
    EXPECT_EQ(kept->refCount(), 1); // the frame adopted the creator's reference
    EXPECT_EQ(kept->frame(), frame.get());
    EXPECT_TRUE(contains(log, "kept attached"));

    EXPECT_TRUE(frame->detachView(kept, false));
    EXPECT_TRUE(contains(log, "kept removed"));
    EXPECT_FALSE(contains(log, "kept deleted"));
    EXPECT_FALSE(frame->holdsView(kept));
    EXPECT_TRUE(frame->detachView(kept, false)); // not in the list: still true

    EXPECT_TRUE(frame->detachView(released, true));
    EXPECT_TRUE(contains(log, "released deleted"));
    EXPECT_EQ(frame->viewCount(), 2);
    EXPECT_EQ(frame->viewAt(0), shared);
    EXPECT_EQ(frame->viewAt(1), last);

    shared->retain();
    frame.reset();
    EXPECT_TRUE(contains(log, "last deleted"));
    EXPECT_FALSE(contains(log, "shared deleted"));
    EXPECT_EQ(shared->refCount(), 1);
    shared->release();
    EXPECT_TRUE(contains(log, "shared deleted"));
    kept->release();
    EXPECT_EQ(occurrences(log, "kept deleted"), 1);
}

TEST_F(FrameTest, DetachAllWithAndWithoutRelease) {
    auto frame = makeFrame();
    auto* a = new ProbeView({0, 0, 10, 10}, "a", log);
    auto* b = new ProbeView({0, 0, 10, 10}, "b", log);
    frame->appendView(a);
    frame->appendView(b);
    frame->moveFocus(b);
    EXPECT_TRUE(frame->detachAllViews(false));
    EXPECT_EQ(frame->focusView(), nullptr);
    EXPECT_EQ(log, (Log{"a attached", "b attached", "b loseFocus", "a removed", "b removed"}));
    EXPECT_EQ(frame->viewCount(), 0);
    EXPECT_EQ(frame->viewCapacity(), 0);
    frame->appendView(a);
    frame->appendView(b);
    frame->detachAllViews(true);
    EXPECT_TRUE(contains(log, "a deleted"));
    EXPECT_TRUE(contains(log, "b deleted"));
}

TEST_F(FrameTest, ReleaseOnAViewWithoutReferencesDoesNothing) {
    auto* v = new ProbeView({0, 0, 1, 1}, "v", log);
    v->retain();
    v->release();
    v->release();
    EXPECT_EQ(occurrences(log, "v deleted"), 1);
}

// ---- the view list

TEST_F(FrameTest, TheTwentyFirstViewGrowsTheListToFortySlotsInOrder) {
    auto frame = makeFrame();
    std::vector<View*> added;
    for (int i = 0; i < 21; ++i) {
        added.push_back(new ProbeView({i, 0, i + 1, 1}, "v" + std::to_string(i), log));
        ASSERT_TRUE(frame->appendView(added.back()));
        EXPECT_EQ(frame->viewCapacity(), i < 20 ? 20 : 40) << i;
    }
    EXPECT_EQ(frame->viewCount(), 21);
    for (int i = 0; i < 21; ++i)
        EXPECT_EQ(frame->viewAt(i), added[std::size_t(i)]);
    EXPECT_EQ(frame->viewAt(-1), nullptr);
    EXPECT_EQ(frame->viewAt(frame->viewCount()), nullptr);
}

// ---- window and class

TEST_F(FrameTest, TheWindowClassIsRegisteredOnceAndUnregisteredWithTheLastFrame) {
    auto first = makeFrame();
    auto second = makeFrame();
    EXPECT_EQ(system.classRegistrations(), 1);
    EXPECT_TRUE(system.classRegistered(windowClassName));
    EXPECT_EQ(std::string(windowClassName).rfind("Plugin", 0), 0u);
    EXPECT_EQ(std::string(windowClassName).size(), 14u);
    EXPECT_EQ(windowOf(*first).className(), windowClassName);
    first.reset();
    EXPECT_EQ(system.classUnregistrations(), 0);
    second.reset();
    EXPECT_EQ(system.classUnregistrations(), 1);
    EXPECT_FALSE(system.classRegistered(windowClassName));

    Frame windowless({0, 0, 10, 10}, nullptr, nullptr); // no parent: no window, no class
    EXPECT_EQ(windowless.platformWindow(), nullptr);
    EXPECT_EQ(system.classRegistrations(), 1);
}

TEST_F(FrameTest, FrameConstructionFindsTheTransparentCopyAndTheButtonSwap) {
    system.setTransparentBlt(true);
    system.setMouseButtonsSwapped(true);
    auto frame = makeFrame();
    EXPECT_TRUE(transparentBltAvailable);
    EXPECT_TRUE(swapMouseButtons);
    system.setTransparentBlt(false);
    Frame other({0, 0, 10, 10}, nullptr, nullptr);
    EXPECT_FALSE(transparentBltAvailable);
    auto* window = frame->platformWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_NE(windowOf(*frame).dropTarget(), nullptr);
}

TEST_F(FrameTest, AFailedWindowLeavesAFrameThatDrawsNothing) {
    system.setWindowCreationFails(true);
    auto frame = makeFrame();
    EXPECT_EQ(frame->platformWindow(), nullptr);
    frame->appendView(new ProbeView({0, 0, 10, 10}, "v", log));
    frame->drawViewNow(nullptr);
    frame->idle();
    EXPECT_FALSE(contains(log, "v draw"));
}

// ---- drawing

TEST_F(FrameTest, PaintDrawsBackgroundThenViewsInOrderThenTheModalView) {
    registerSolid(20, 200, 150, rgb(0, 0, 200));
    auto* background = new Bitmap(20);
    auto frame = makeFrame();
    frame->setBackgroundBitmap(background);
    background->release();
    auto* a = new ProbeView({10, 10, 30, 30}, "a", log);
    auto* b = new ProbeView({20, 20, 40, 40}, "b", log, colorGreen);
    auto* modal = new ProbeView({100, 100, 120, 120}, "modal", log);
    frame->appendView(a);
    frame->appendView(b);
    frame->appendView(modal);
    frame->setModal(modal);
    log.clear();
    EXPECT_TRUE(frame->firstDrawPending());
    windowOf(*frame).paintAll();
    EXPECT_FALSE(frame->firstDrawPending());
    EXPECT_EQ(log, (Log{"a draw", "b draw", "modal draw", "modal draw"}));
    const sw::SoftPixmap& pixels = windowOf(*frame).pixels();
    EXPECT_EQ(pixels.at(0, 0), rgb(0, 0, 200));
    EXPECT_EQ(pixels.at(25, 25), rgb(0, 255, 0)); // b above a
    EXPECT_EQ(pixels.at(12, 12), rgb(255, 0, 0));

    log.clear();
    windowOf(*frame).paint({0, 0, 15, 15}); // only a overlaps
    EXPECT_EQ(log, (Log{"a draw"}));
}

TEST_F(FrameTest, IdleDrawsOnlyDirtyViewsAndNothingBeforeTheFirstPaint) {
    auto frame = makeFrame();
    auto* a = new ProbeView({0, 0, 10, 10}, "a", log);
    auto* b = new ProbeView({20, 0, 30, 10}, "b", log);
    frame->appendView(a);
    frame->appendView(b);
    b->setDirty(true);
    frame->idle();
    EXPECT_FALSE(contains(log, "b draw")); // no paint yet
    windowOf(*frame).paintAll();
    log.clear();
    frame->idle();
    EXPECT_TRUE(log.empty());
    b->setDirty(true);
    frame->idle();
    EXPECT_EQ(log, (Log{"b draw"}));
    EXPECT_FALSE(b->isDirty());

    log.clear();
    frame->setDirty(true); // the whole frame
    a->setDirty(true);
    frame->idle();
    EXPECT_EQ(log, (Log{"a draw", "b draw"}));
    EXPECT_FALSE(frame->isDirty());

    log.clear();
    windowOf(*frame).destroyedByHost();
    EXPECT_FALSE(frame->windowOpen());
    EXPECT_EQ(frame->parentWindow(), nullptr);
    a->setDirty(true);
    frame->idle();
    EXPECT_TRUE(log.empty());
}

TEST_F(FrameTest, WithAModalViewIdleUpdatesOnlyIt) {
    auto frame = makeFrame();
    auto* a = new ProbeView({0, 0, 10, 10}, "a", log);
    auto* modal = new ProbeView({20, 0, 30, 10}, "modal", log);
    frame->appendView(a);
    frame->appendView(modal);
    windowOf(*frame).paintAll();
    frame->setModal(modal);
    log.clear();
    a->setDirty(true);
    frame->idle();
    EXPECT_TRUE(log.empty()); // modal not dirty, a not asked
    modal->setDirty(true);
    frame->idle();
    EXPECT_EQ(log, (Log{"modal draw"}));
}

TEST_F(FrameTest, DrawViewNowDrawsAListedViewOrElseTheWholeFrame) {
    auto frame = makeFrame();
    auto* a = new ProbeView({0, 0, 10, 10}, "a", log);
    auto* b = new ProbeView({20, 0, 30, 10}, "b", log);
    auto* outside = new ProbeView({0, 0, 5, 5}, "outside", log);
    frame->appendView(a);
    frame->appendView(b);
    log.clear();
    b->drawNow();
    EXPECT_EQ(log, (Log{"b draw"}));
    log.clear();
    frame->drawViewNow(outside);
    EXPECT_EQ(log, (Log{"a draw", "b draw"}));
    outside->release();
}

// ---- routing

TEST_F(FrameTest, ClicksGoToTheTopMostClickableViewThatHitTests) {
    auto frame = makeFrame();
    auto* below = new ProbeView({10, 10, 50, 50}, "below", log);
    auto* above = new ProbeView({30, 30, 70, 70}, "above", log);
    frame->appendView(below);
    frame->appendView(above);
    log.clear();
    press(*frame, {40, 40}, buttonLeft);
    press(*frame, {50, 50}, buttonLeft); // edges are inside both
    press(*frame, {10, 10}, buttonLeft);
    press(*frame, {71, 71}, buttonLeft);
    EXPECT_EQ(log, (Log{"above click 40,40", "above click 50,50", "below click 10,10"}));

    log.clear();
    above->setClickable(false);
    press(*frame, {40, 40}, buttonLeft);
    EXPECT_EQ(log, (Log{"below click 40,40"}));
}

TEST_F(FrameTest, AClickFirstTakesTheFocusAway) {
    auto frame = makeFrame();
    auto* a = new ProbeView({0, 0, 10, 10}, "a", log);
    frame->appendView(a);
    frame->moveFocus(a);
    log.clear();
    press(*frame, {100, 100}, buttonLeft);
    EXPECT_EQ(log, (Log{"a loseFocus"}));
    EXPECT_EQ(frame->focusView(), nullptr);
}

TEST_F(FrameTest, TheModalViewTakesAllClicks) {
    auto frame = makeFrame();
    auto* under = new ProbeView({0, 0, 100, 100}, "under", log);
    auto* modal = new ProbeView({40, 40, 60, 60}, "modal", log);
    frame->appendView(under);
    frame->appendView(modal);
    ASSERT_TRUE(frame->setModal(modal));
    log.clear();
    press(*frame, {10, 10}, buttonLeft); // outside the modal view: nobody
    press(*frame, {45, 45}, buttonLeft);
    EXPECT_EQ(log, (Log{"modal click 45,45"}));
}

TEST_F(FrameTest, SetModalRefusesASecondViewAndAlwaysTakesNone) {
    auto frame = makeFrame();
    auto* one = new ProbeView({0, 0, 1, 1}, "one", log);
    auto* two = new ProbeView({0, 0, 1, 1}, "two", log);
    frame->appendView(one);
    frame->appendView(two);
    log.clear();
    EXPECT_TRUE(frame->setModal(one));
    EXPECT_FALSE(frame->setModal(two));
    EXPECT_EQ(frame->modalView(), one);
    EXPECT_TRUE(frame->setModal(nullptr));
    EXPECT_TRUE(frame->setModal(nullptr));
    EXPECT_EQ(log, (Log{"one attached", "one removed"}));
    EXPECT_EQ(one->refCount(), 1); // no reference taken
}

TEST_F(FrameTest, KeysGoToFocusThenModalAndNeverToTheOthers) {
    auto frame = makeFrame();
    auto* other = new ProbeView({0, 0, 1, 1}, "other", log);
    auto* modal = new ProbeView({0, 0, 1, 1}, "modal", log);
    auto* focus = new ProbeView({0, 0, 1, 1}, "focus", log);
    frame->appendView(other);
    frame->appendView(modal);
    frame->appendView(focus);
    other->keyResult = 5;
    frame->setModal(modal);
    frame->moveFocus(focus);
    log.clear();
    EXPECT_EQ(frame->onKeyDown(key), -1);
    EXPECT_EQ(frame->onKeyUp(key), -1);
    EXPECT_EQ(log, (Log{"focus key", "modal key", "focus keyup", "modal keyup"}));

    modal->keyResult = 2;
    EXPECT_EQ(frame->onKeyDown(key), 2);
    focus->keyResult = 1;
    log.clear();
    EXPECT_EQ(frame->onKeyDown(key), 1);
    EXPECT_EQ(log, (Log{"focus key"}));
}

TEST_F(FrameTest, WithoutModalViewKeysWalkTheViewsFromTheTop) {
    auto frame = makeFrame();
    auto* first = new ProbeView({0, 0, 1, 1}, "first", log);
    auto* second = new ProbeView({0, 0, 1, 1}, "second", log);
    auto* third = new ProbeView({0, 0, 1, 1}, "third", log);
    frame->appendView(first);
    frame->appendView(second);
    frame->appendView(third);
    second->keyResult = 7;
    log.clear();
    EXPECT_EQ(frame->onKeyDown(key), 7);
    EXPECT_EQ(log, (Log{"third key", "second key"}));
}

TEST_F(FrameTest, MoveFocusStoresTheNewViewBeforeTellingTheOldOne) {
    auto frame = makeFrame();
    struct Watcher : ProbeView {
        using ProbeView::ProbeView;
        void loseFocus(DrawContext*) override { focusSeen = frame()->focusView(); }
        View* focusSeen = nullptr;
    };
    auto* old = new Watcher({0, 0, 1, 1}, "old", log);
    auto* next = new ProbeView({0, 0, 1, 1}, "next", log);
    frame->appendView(old);
    frame->appendView(next);
    frame->moveFocus(old);
    frame->moveFocus(next);
    EXPECT_EQ(old->focusSeen, next);
}

TEST_F(FrameTest, WheelTargetsTheViewUnderTheCursor) {
    system.setNewWindowOrigin({300, 200});
    auto frame = makeFrame();
    auto* low = new ProbeView({0, 0, 50, 50}, "low", log);
    auto* high = new ProbeView({40, 40, 90, 90}, "high", log);
    high->setClickable(false); // not consulted for the wheel
    frame->appendView(low);
    frame->appendView(high);
    log.clear();
    system.input().set({{300 + 45, 200 + 45}, 0, 0});
    system.input().queue({{{300 + 45, 200 + 45}, 0, 0}});
    EXPECT_TRUE(frame->onWheel(nullptr, {0, 0}, 2.0f));
    system.input().set({{300 + 5, 200 + 5}, 0, 0});
    system.input().queue({{{300 + 5, 200 + 5}, 0, 0}});
    EXPECT_TRUE(frame->onWheel(nullptr, {45, 45}, -1.0f));
    system.input().set({{300 + 150, 200 + 5}, 0, 0});
    system.input().queue({{{300 + 150, 200 + 5}, 0, 0}});
    EXPECT_FALSE(frame->onWheel(nullptr, {5, 5}, 1.0f));
    EXPECT_EQ(log, (Log{"high wheel 45,45 2", "low wheel 5,5 -1"}));

    frame->setModal(low);
    log.clear();
    system.input().set({{300 + 150, 200 + 5}, 0, 0});
    system.input().queue({{{300 + 150, 200 + 5}, 0, 0}});
    EXPECT_TRUE(frame->onWheel(nullptr, {0, 0}, 1.0f));
    EXPECT_EQ(log, (Log{"low wheel 150,5 1"}));
}

TEST_F(FrameTest, DropsAreRefusedWhileModalOrFocusedAndOfferedFromTheTop) {
    auto frame = makeFrame();
    auto* low = new ProbeView({0, 0, 50, 50}, "low", log);
    auto* high = new ProbeView({0, 0, 50, 50}, "high", log);
    low->acceptDrop = true;
    frame->appendView(low);
    frame->appendView(high);
    const char* items[] = {"/tmp/a.txt"};
    log.clear();
    EXPECT_TRUE(windowOf(*frame).drop(1, platform::DropKind::files, items, {10, 10}));
    EXPECT_EQ(log, (Log{"high drop", "low drop"}));
    log.clear();
    frame->moveFocus(high);
    EXPECT_FALSE(windowOf(*frame).drop(1, platform::DropKind::files, items, {10, 10}));
    frame->clearFocusView();
    frame->setModal(high);
    EXPECT_FALSE(frame->onDrop(1, platform::DropKind::text, items, {10, 10}));
    EXPECT_EQ(log, (Log{"high attached"})); // from setModal; no view was offered the drop
}

TEST_F(FrameTest, EditorLinksDoNothingWithoutAnEditor) {
    RecordingEditor editor;
    auto linked = makeFrame({0, 0, 10, 10}, &editor);
    linked->beginEdit(3);
    linked->endEdit(3);
    linked->runIdle();
    system.input().set({{0, 0}, 0, 1234});
    EXPECT_EQ(linked->ticks(), 1234u);
    EXPECT_EQ(editor.events, (std::vector<std::string>{"begin 3", "end 3"}));
    EXPECT_EQ(editor.idleRuns, 1);
    EXPECT_EQ(linked->ownerEditor(), &editor);

    auto alone = makeFrame();
    alone->beginEdit(1);
    alone->runIdle();
    EXPECT_EQ(alone->ticks(), 0u);
    EXPECT_EQ(alone->ownerEditor(), nullptr);
}

TEST_F(FrameTest, DetachingTheFocusOrModalViewClearsThem) {
    auto frame = makeFrame();
    auto* a = new ProbeView({0, 0, 1, 1}, "a", log);
    auto* b = new ProbeView({0, 0, 1, 1}, "b", log);
    frame->appendView(a);
    frame->appendView(b);
    frame->moveFocus(a);
    frame->setModal(b);
    frame->detachView(a, true);
    frame->detachView(b, true);
    EXPECT_EQ(frame->focusView(), nullptr);
    EXPECT_EQ(frame->modalView(), nullptr);
    EXPECT_EQ(frame->onKeyDown(key), -1); // nothing dangles
}

} // namespace
} // namespace zk::gui::test
