#include "GuiTestSupport.h"
#include "ProbeView.h"

#include "gui/Knob.h"

#include <algorithm>

namespace zk::gui::test {
namespace {

bool contains(const Log& log, const std::string& entry) { return std::find(log.begin(), log.end(), entry) != log.end(); }

class FrameTest : public GuiTest {
protected:
    // Views of the given names, appended in order; each covers the rectangle given, or a pixel.
    std::vector<ProbeView*> addProbes(Frame& frame, const std::vector<std::pair<std::string, Rect>>& probes) {
        std::vector<ProbeView*> views;
        for (const auto& [name, r] : probes) {
            views.push_back(new ProbeView(r, name, log));
            EXPECT_TRUE(frame.appendView(views.back()));
        }
        log.clear();
        return views;
    }
    Log log;
    KeyStroke key{'a', 0, 0};
    std::unique_ptr<Frame> frame = makeFrame();
};

// ---- lifetimes

TEST_F(FrameTest, BitmapReferencesThroughTheirHolders) {
    Bitmap* bitmap = solid(10, 4, 4, 0);
    EXPECT_EQ(bitmap->refCount(), 1);
    frame->setBackgroundBitmap(bitmap);
    frame->setBackgroundBitmap(bitmap); // release then retain
    EXPECT_EQ(bitmap->refCount(), 2);
    auto* knob = new Knob({0, 0, 4, 4}, nullptr, 0, bitmap, bitmap, {0, 0}); // background and handle
    EXPECT_EQ(bitmap->refCount(), 4);
    knob->setBackgroundBitmap(nullptr);
    EXPECT_EQ(bitmap->refCount(), 3);
    knob->release();
    frame.reset();
    EXPECT_EQ(bitmap->refCount(), 1); // the fixture's own, released at the end
}

TEST_F(FrameTest, ViewReferencesThroughAddDetachAndDestruction) {
    auto v = addProbes(*frame, {{"kept", {}}, {"released", {}}, {"shared", {}}, {"last", {}}});
    EXPECT_EQ(v[0]->refCount(), 1); // the frame adopted the creator's reference
    EXPECT_EQ(v[0]->frame(), frame.get());

    EXPECT_TRUE(frame->detachView(v[0], false));
    EXPECT_TRUE(frame->detachView(v[1], true));
    EXPECT_EQ(log, (Log{"kept removed", "released removed", "released deleted"}));
    EXPECT_FALSE(frame->holdsView(v[0]));
    EXPECT_EQ(frame->viewCount(), 2);
    EXPECT_EQ(frame->viewAt(0), v[2]);
    EXPECT_EQ(frame->viewAt(1), v[3]);

    v[2]->retain();
    frame.reset();
    EXPECT_TRUE(contains(log, "last deleted"));
    EXPECT_FALSE(contains(log, "shared deleted"));
    EXPECT_EQ(v[2]->refCount(), 1);
    v[2]->release();
    v[0]->release();
    EXPECT_TRUE(contains(log, "shared deleted"));
    EXPECT_EQ(std::count(log.begin(), log.end(), "kept deleted"), 1);
}

// Detaching the focus or modal view, one by one or all at once, clears them: nothing dangles.
TEST_F(FrameTest, DetachAllWithAndWithoutReleaseAndTheFocusAndModalViewsGoWithThem) {
    auto v = addProbes(*frame, {{"a", {}}, {"b", {}}});
    frame->moveFocus(v[1]);
    EXPECT_TRUE(frame->detachAllViews(false));
    EXPECT_EQ(frame->focusView(), nullptr);
    EXPECT_EQ(log, (Log{"b loseFocus", "a removed", "b removed"}));
    EXPECT_EQ(frame->viewCount(), 0);
    frame->appendView(v[0]);
    frame->appendView(v[1]);
    frame->detachAllViews(true);
    EXPECT_TRUE(contains(log, "a deleted"));
    EXPECT_TRUE(contains(log, "b deleted"));

    v = addProbes(*frame, {{"c", {}}, {"d", {}}});
    frame->moveFocus(v[0]);
    frame->setModal(v[1]);
    frame->detachView(v[0], true);
    frame->detachView(v[1], true);
    EXPECT_EQ(frame->focusView(), nullptr);
    EXPECT_EQ(frame->modalView(), nullptr);
    EXPECT_EQ(frame->onKeyDown(key), -1);
    press(*frame, {0, 0}, buttonLeft);
}

// ---- drawing

TEST_F(FrameTest, PaintDrawsInOrderAndIdleOnlyDirtyViewsAfterTheFirstPaint) {
    auto v = addProbes(*frame, {{"a", {0, 0, 10, 10}}, {"b", {5, 5, 30, 10}}});
    v[1]->setDirty(true);
    frame->idle();
    EXPECT_TRUE(log.empty()); // no paint yet
    windowOf(*frame).paintAll();
    EXPECT_EQ(log, (Log{"a draw", "b draw"}));
    log.clear();
    frame->idle();
    EXPECT_TRUE(log.empty());
    v[1]->setDirty(true);
    frame->idle();
    EXPECT_EQ(log, (Log{"b draw"}));
    EXPECT_FALSE(v[1]->isDirty());

    log.clear();
    frame->setDirty(true); // the whole frame
    frame->idle();
    EXPECT_EQ(log, (Log{"a draw", "b draw"}));
    log.clear();
    windowOf(*frame).paint({0, 0, 3, 3}); // only a overlaps
    EXPECT_EQ(log, (Log{"a draw"}));
}

// ---- routing

TEST_F(FrameTest, ClicksGoToTheTopMostClickableViewThatHitTests) {
    auto v = addProbes(*frame, {{"below", {10, 10, 50, 50}}, {"above", {30, 30, 70, 70}}});
    frame->moveFocus(v[0]);
    for (const Point p : {Point{40, 40}, Point{50, 50}, Point{10, 10}, Point{71, 71}})
        press(*frame, p, buttonLeft);
    EXPECT_EQ(log, (Log{"below loseFocus", "above click 40,40", "above click 50,50", "below click 10,10"}));
    log.clear();
    v[1]->setClickable(false);
    press(*frame, {40, 40}, buttonLeft);
    EXPECT_EQ(log, (Log{"below click 40,40"}));
}

TEST_F(FrameTest, TheModalViewTakesAllClicksAndIsNeverReplaced) {
    auto v = addProbes(*frame, {{"under", {0, 0, 100, 100}}, {"modal", {40, 40, 60, 60}}});
    ASSERT_TRUE(frame->setModal(v[1]));
    EXPECT_FALSE(frame->setModal(v[0]));
    EXPECT_EQ(v[1]->refCount(), 1); // no reference taken
    log.clear();
    press(*frame, {10, 10}, buttonLeft); // outside the modal view: nobody
    press(*frame, {45, 45}, buttonLeft);
    EXPECT_EQ(log, (Log{"modal click 45,45"}));
    EXPECT_TRUE(frame->setModal(nullptr));
    press(*frame, {10, 10}, buttonLeft);
    EXPECT_EQ(log.back(), "under click 10,10");
}

TEST_F(FrameTest, KeysGoToFocusThenModalAndNeverToTheOthers) {
    auto v = addProbes(*frame, {{"other", {}}, {"modal", {}}, {"focus", {}}});
    v[0]->keyResult = 5;
    EXPECT_EQ(frame->onKeyDown(key), 5); // without a modal view: from the top down
    EXPECT_EQ(log, (Log{"focus key", "modal key", "other key"}));
    frame->setModal(v[1]);
    frame->moveFocus(v[2]);
    log.clear();
    EXPECT_EQ(frame->onKeyDown(key), -1);
    EXPECT_EQ(frame->onKeyUp(key), -1);
    EXPECT_EQ(log, (Log{"focus key", "modal key", "focus keyup", "modal keyup"}));
    v[1]->keyResult = 2;
    EXPECT_EQ(frame->onKeyDown(key), 2);
    v[2]->keyResult = 1;
    log.clear();
    EXPECT_EQ(frame->onKeyDown(key), 1);
    EXPECT_EQ(log, (Log{"focus key"}));
}

TEST_F(FrameTest, WheelTargetsTheViewUnderTheCursor) {
    system.setNewWindowOrigin({300, 200});
    frame = makeFrame();
    auto v = addProbes(*frame, {{"low", {0, 0, 50, 50}}, {"high", {40, 40, 90, 90}}});
    v[1]->setClickable(false); // not consulted for the wheel
    auto wheelAt = [&](int32_t x, int32_t y, float distance) {
        system.input().set({{300 + x, 200 + y}, 0, 0});
        system.input().queue({{{300 + x, 200 + y}, 0, 0}});
        return frame->onWheel(nullptr, {0, 0}, distance);
    };
    EXPECT_TRUE(wheelAt(45, 45, 2.0f));
    EXPECT_TRUE(wheelAt(5, 5, -1.0f));
    EXPECT_FALSE(wheelAt(150, 5, 1.0f));
    EXPECT_EQ(log, (Log{"high wheel 45,45 2", "low wheel 5,5 -1"}));
    frame->setModal(v[0]);
    EXPECT_TRUE(wheelAt(150, 5, 1.0f));
    EXPECT_EQ(log.back(), "low wheel 150,5 1");
}

} // namespace
} // namespace zk::gui::test
