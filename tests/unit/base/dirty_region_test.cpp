// The dirty region: separate places stay separate, and nothing dirty is ever lost.
#include <gtest/gtest.h>

#include "base/DirtyRegion.h"

namespace {

// Every pixel of `r` lies in some rectangle of the region.
bool Covered(const TDirtyRegion& region, const TRect& r) {
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) {
      bool in = false;
      for (const TRect& c : region.Rects()) in |= c.Contains({x, y});
      if (!in) return false;
    }
  return true;
}

TEST(DirtyRegion, DistantChangesStayApartAndCoveredOnesAreDropped) {
  TDirtyRegion region;
  region.Add({80, 90, 113, 111});    // a label over a picture
  region.Add({67, 208, 148, 235});   // an input at the bottom
  region.Add({100, 210, 101, 231});  // the input's caret, inside it
  region.Add({});
  ASSERT_EQ(region.Rects().size(), 2u);
  EXPECT_EQ(region.Bounds(), (TRect{67, 90, 148, 235}));
  region.Add({0, 0, 540, 247});  // the whole window swallows both
  ASSERT_EQ(region.Rects().size(), 1u);
  EXPECT_EQ(region.Rects()[0], (TRect{0, 0, 540, 247}));
  region.Clear();
  EXPECT_TRUE(region.IsEmpty());
}

TEST(DirtyRegion, NeighboursThatMakeABoxJoinAndACrossDoesNot) {
  TDirtyRegion region;
  region.Add({0, 0, 10, 10});
  region.Add({10, 0, 20, 10});  // side by side: one box of the same pixels
  region.Add({5, 0, 15, 10});   // inside it
  ASSERT_EQ(region.Rects().size(), 1u);
  EXPECT_EQ(region.Rects()[0], (TRect{0, 0, 20, 10}));
  region.Add({8, -20, 12, 30});  // across it: the box round both would add area
  EXPECT_EQ(region.Rects().size(), 2u);
  // A joined box that now meets an earlier rectangle takes it in too.
  TDirtyRegion chain;
  chain.Add({0, 0, 10, 10});
  chain.Add({20, 0, 30, 10});
  chain.Add({10, 0, 20, 10});
  ASSERT_EQ(chain.Rects().size(), 1u);
  EXPECT_EQ(chain.Rects()[0], (TRect{0, 0, 30, 10}));
}

TEST(DirtyRegion, ManyScatteredChangesAreJoinedButNoneIsLost) {
  TDirtyRegion region;
  std::vector<TRect> added;
  for (int i = 0; i < 30; ++i) {
    const TRect r = Bounds((i * 37) % 500, (i * 53) % 230, 3 + i % 5, 2 + i % 7);
    region.Add(r);
    added.push_back(r);
  }
  EXPECT_LE(region.Rects().size(), TDirtyRegion::MaxRects);
  for (const TRect& r : added) EXPECT_TRUE(Covered(region, r)) << r.Left << "," << r.Top;
}

}  // namespace
