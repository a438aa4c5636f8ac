#pragma once
// The part of a window that needs painting again, as a few rectangles rather than the one box
// round them: a change at each end of a window (a label over a picture, an input at the bottom)
// then repaints those places and not everything between them.

#include <cstddef>
#include <vector>

#include "base/Types.h"

class TDirtyRegion {
 public:
  // Beyond this many rectangles the two whose common box adds the least area become one.
  static constexpr std::size_t MaxRects = 8;

  // Adds `r`: dropped when a rectangle already covers it; joined with a rectangle it overlaps or
  // touches when their common box is no larger than the two apart.
  void Add(const TRect& r);
  void Clear() { m_rects.clear(); }
  bool IsEmpty() const { return m_rects.empty(); }
  const std::vector<TRect>& Rects() const { return m_rects; }
  TRect Bounds() const;

 private:
  void JoinCheapestPair();

  std::vector<TRect> m_rects;  // disjoint or not, each non-empty; the capacity is kept across Clear
};
