// Selection handlers moving their fragment, with a fake window side and a
// mapping where window y grows downward over a 100-row image.
#include <gtest/gtest.h>

#include <vector>

#include "hostapi/fragment.h"
#include "hostapi/selfrg.h"
#include "libs/selfrg/Tracking.h"

namespace lumora::selfrg {
namespace {

class FakeTracking : public Tracking {
 public:
  bool Start(SFHandler*) override { return started = true; }
  void Stop(SFHandler*) override { started = false; }
  void ShowOutline(SFHandler*, const RECT* r) override { outline = r != nullptr ? *r : RECT{0, 0, 0, 0}; }
  void ShowOffset(SFHandler*, POINT) override {}
  void ScrollToward(SFHandler*, POINT p) override { scrolledAt.push_back(p); }
  bool started = false;
  RECT outline{};
  std::vector<POINT> scrolledAt;
};

// The owner: window (x, y) is image pixel (x, 99 - y); snapping pulls a
// moved left edge within 3 pixels onto x = 50.
struct Owner {
  int taken = 0, dropped = 0, deleted = 0;
  bool take = true;
  LURECT takenBounds{};

  static std::intptr_t Ask(SFHandler*, void* o, std::intptr_t code, std::intptr_t value) {
    switch (code) {
      case kSFMapToImage: {
        auto* p = reinterpret_cast<POINT*>(value);
        p->y = 99 - p->y;
        return 1;
      }
      case kSFMapToWindow: {
        auto* r = reinterpret_cast<RECT*>(value);
        *r = RECT{r->left, 100 - r->bottom, r->right, 100 - r->top};
        return 1;
      }
      case kSFSnapMove: {
        auto* m = reinterpret_cast<SF_MOVE*>(value);
        const int left = m->bounds.left + m->offset.x;
        if (left != 50 && left >= 47 && left <= 53) m->offset.x = 50 - m->bounds.left;
        return 1;
      }
      default: return static_cast<Owner*>(o) != nullptr ? 1 : 0;
    }
  }
  static std::intptr_t Take(SFHandler*, void* o, std::intptr_t f) {
    auto* owner = static_cast<Owner*>(o);
    ++owner->taken;
    GetFragmentBoundRect(reinterpret_cast<Fragment*>(f), &owner->takenBounds);
    return owner->take ? 1 : 0;
  }
  static std::intptr_t Drop(SFHandler*, void* o) { return ++static_cast<Owner*>(o)->dropped; }
  static std::intptr_t Deleted(SFHandler*, void* o) { return ++static_cast<Owner*>(o)->deleted; }
};

class SelectionHandler : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTracking(&tracking);
    data = SF_AllocSfrgData(nullptr);
    const SF_HANDLERBLOCK block{reinterpret_cast<void*>(1), Owner::Ask, Owner::Take, Owner::Drop, Owner::Deleted, &owner};
    h = SF_CreateSelHandler(data, &block);
    ASSERT_NE(h, nullptr);
    // Pixels 10..29 x 60..79 (window rows 20..39).
    const LURECT r{10, 60, 20, 20};
    Fragment* f = CreateRectFrg(&r, 0);
    ASSERT_TRUE(SF_SetSelHandlerFrg(h, f, 0));
    DeleteFragment(f);
  }
  void TearDown() override {
    if (h != nullptr) SF_DeleteSelHandler(h);
    SF_FreeSfrgData(data);
    SetTracking(nullptr);
  }
  LURECT Bounds() {
    LURECT b{};
    Fragment* f = SF_GetSelHandlerFrg(h);
    GetFragmentBoundRect(f, &b);
    DeleteFragment(f);
    return b;
  }

  FakeTracking tracking;
  Owner owner;
  void* data = nullptr;
  SFHandler* h = nullptr;
};

TEST_F(SelectionHandler, ADragFromInsideMovesTheFragmentByTheImageOffset) {
  EXPECT_EQ(SF_BeginSelectFrg(h, SFPackPoint(POINT{5, 30}), kSFBeginMove), 0) << "outside the fragment";
  EXPECT_FALSE(tracking.started);
  ASSERT_EQ(SF_BeginSelectFrg(h, SFPackPoint(POINT{15, 30}), kSFBeginMove), 1);
  EXPECT_TRUE(tracking.started);
  EXPECT_EQ(tracking.outline.left, 10);
  EXPECT_EQ(tracking.outline.top, 20);
  EXPECT_EQ(SF_BeginSelectFrg(h, SFPackPoint(POINT{15, 30}), kSFBeginMove), 0) << "one move at a time";
  EXPECT_EQ(SF_SetSelHandlerFrg(h, nullptr, 0), 0) << "not while it moves";
  MoveTo(h, POINT{25, 20});  // 10 right, 10 up on screen
  EXPECT_EQ(tracking.outline.left, 20);
  EXPECT_EQ(tracking.outline.top, 10);
  Release(h, POINT{30, 25});
  EXPECT_FALSE(tracking.started);
  EXPECT_EQ(owner.taken, 1);
  EXPECT_EQ(owner.dropped, 0);
  EXPECT_EQ(owner.takenBounds.x, 25);
  EXPECT_EQ(owner.takenBounds.y, 65) << "image rows count upward";
  EXPECT_EQ(owner.takenBounds.width, 20);
  const LURECT b = Bounds();
  EXPECT_EQ(b.x, 25) << "the handler follows its fragment once taken";
}

TEST_F(SelectionHandler, TheOwnerSnapsAndMayRefuse) {
  owner.take = false;
  ASSERT_EQ(SF_BeginSelectFrg(h, SFPackPoint(POINT{15, 30}), kSFBeginMove), 1);
  Release(h, POINT{53, 30});  // left edge 48: snapped to 50
  EXPECT_EQ(owner.taken, 1);
  EXPECT_EQ(owner.takenBounds.x, 50);
  EXPECT_EQ(Bounds().x, 10) << "refused: the handler's fragment stays";
}

TEST_F(SelectionHandler, NothingMovedEscapeAndTheNoMoveSwitchHandNothingOver) {
  ASSERT_EQ(SF_BeginSelectFrg(h, SFPackPoint(POINT{15, 30}), kSFBeginMove), 1);
  Release(h, POINT{15, 30});
  EXPECT_EQ(owner.taken, 0);
  EXPECT_EQ(owner.dropped, 1);

  ASSERT_EQ(SF_BeginSelectFrg(h, SFPackPoint(POINT{15, 30}), kSFBeginMove), 1);
  MoveTo(h, POINT{40, 40});
  EXPECT_EQ(SF_EndSelectFrg(h), 1);
  EXPECT_EQ(SF_EndSelectFrg(h), 0) << "none runs";
  EXPECT_EQ(owner.taken, 0);
  EXPECT_EQ(owner.dropped, 2);
  EXPECT_EQ(Bounds().x, 10);

  ASSERT_TRUE(SF_DNotMoveFrg(h, 1));
  EXPECT_EQ(SF_BeginSelectFrg(h, SFPackPoint(POINT{15, 30}), kSFBeginMove), 0);
  ASSERT_TRUE(SF_DNotMoveFrg(h, 0));
  EXPECT_EQ(SF_BeginSelectFrg(h, SFPackPoint(POINT{15, 30}), 2), 0) << "only moves are asked this way";
}

TEST_F(SelectionHandler, AutoScrollAsksTheWindowSideUntilTerminated) {
  ASSERT_TRUE(SF_InitAutoScroll(h));
  ASSERT_EQ(SF_BeginSelectFrg(h, SFPackPoint(POINT{15, 30}), kSFBeginMove), 1);
  MoveTo(h, POINT{-5, 30});
  ASSERT_EQ(tracking.scrolledAt.size(), 1u);
  EXPECT_EQ(tracking.scrolledAt[0].x, -5);
  SF_TerminateAutoScroll();
  MoveTo(h, POINT{-8, 30});
  EXPECT_EQ(tracking.scrolledAt.size(), 1u);
  SF_EndSelectFrg(h);
}

TEST_F(SelectionHandler, DeletionDropsAMoveAndTellsTheOwnerLast) {
  ASSERT_EQ(SF_BeginSelectFrg(h, SFPackPoint(POINT{15, 30}), kSFBeginMove), 1);
  // The data freed first stays until its last handler goes.
  SF_FreeSfrgData(data);
  data = nullptr;
  EXPECT_EQ(SF_DeleteSelHandler(h), 1);
  h = nullptr;
  EXPECT_EQ(owner.dropped, 1);
  EXPECT_EQ(owner.deleted, 1);
  EXPECT_FALSE(tracking.started);
}

TEST(SelectionHandlerDefaults, SettersKeepWhatTheyAcceptAndRefuseTheRest) {
  void* data = SF_AllocSfrgData(nullptr);
  const SF_HANDLERBLOCK block{nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
  SFHandler* h = SF_CreateSelHandler(data, &block);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(SF_BeginSelectFrg(h, 0, kSFBeginMove), 0) << "no window, no fragment";
  EXPECT_EQ(SF_SetDefFrgType(h, kFrgEllipse), 1);
  EXPECT_EQ(SF_SetDefFrgType(h, kFrgEmpty), 0);
  EXPECT_EQ(SF_GetFrgType(h), kFrgEllipse);
  EXPECT_EQ(SF_SetDefLineFrgData(h, 0, 1, 0), 0);
  EXPECT_EQ(SF_SetDefLineFrgData(h, 7, 1, 1), 1);
  EXPECT_EQ(SF_GetLineFrgWidth(h), 7);
  EXPECT_EQ(SF_SetDefPolygonFrgData(h, 3), 0);
  LOGFONTA font{};
  font.lfHeight = -24;
  EXPECT_EQ(SF_SetDefTextFrgData(h, &font, "Lumora"), 1);
  char text[4] = {};
  EXPECT_EQ(SF_GetTextFrgText(h, text, sizeof text), 3);
  EXPECT_STREQ(text, "Lum");
  EXPECT_EQ(SF_GetTextFrgTextLength(h), 6);
  EXPECT_EQ(SF_DeleteSelHandler(h), 1);
  SF_FreeSfrgData(data);
}

}  // namespace
}  // namespace lumora::selfrg
