// Pixel surfaces: owned buffers and views over memory another part of the program owns.
#include <gtest/gtest.h>

#include "base/Types.h"

namespace {

TEST(Surface, AViewPaintsTheForeignMemoryThroughItsStride) {
  std::vector<TPixel> memory(4 * 2, 0u);  // rows of 4 pixels, of which the view shows 3
  TSurface view = TSurface::Over(memory.data(), 3, 2, 4);
  EXPECT_TRUE(view.IsView());
  EXPECT_TRUE(view.Pixels.empty());
  view.At(2, 1) = 7;
  view.Row(1)[0] = 5;
  EXPECT_EQ(memory[4 * 1 + 2], 7u);
  EXPECT_EQ(memory[4 * 1 + 0], 5u);
  EXPECT_EQ(memory[3], 0u);  // the padding at the end of a row is left alone
}

TEST(Surface, ACopyOfAViewOwnsItsPixelsAndAResizedViewLetsTheMemoryGo) {
  std::vector<TPixel> memory(4 * 2, 1u);
  TSurface view = TSurface::Over(memory.data(), 3, 2, 4);
  view.Scale = 2;
  const TSurface copy = view;
  EXPECT_FALSE(copy.IsView());
  EXPECT_EQ(copy.Scale, 2);
  EXPECT_EQ(copy.Pixels, std::vector<TPixel>(6, 1u));
  TSurface assigned;
  assigned = view;
  memory[0] = 9;
  EXPECT_EQ(assigned.At(0, 0), 1u);  // the copies do not follow the memory
  view.Resize(2, 2, 3u);
  EXPECT_FALSE(view.IsView());
  EXPECT_EQ(memory[0], 9u);
  EXPECT_EQ(view.At(1, 1), 3u);
}

}  // namespace
