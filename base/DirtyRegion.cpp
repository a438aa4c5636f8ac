#include "base/DirtyRegion.h"

#include <algorithm>
#include <cstdint>

namespace {
std::int64_t Area(const TRect& r) { return r.IsEmpty() ? 0 : std::int64_t{r.Width()} * r.Height(); }

bool Covers(const TRect& outer, const TRect& inner) {
  return outer.Left <= inner.Left && outer.Top <= inner.Top && outer.Right >= inner.Right &&
         outer.Bottom >= inner.Bottom;
}

// The area the common box adds to what the two cover apart (their overlap counted once).
std::int64_t JoinCost(const TRect& a, const TRect& b) {
  return Area(a.Union(b)) - Area(a) - Area(b) + Area(a.Intersect(b));
}
}  // namespace

void TDirtyRegion::Add(const TRect& r) {
  if (r.IsEmpty()) return;
  TRect joined = r;
  for (size_t i = 0; i < m_rects.size();) {
    const TRect& c = m_rects[i];
    if (Covers(c, joined)) return;
    if (Covers(joined, c) || JoinCost(joined, c) <= 0) {
      // Joining may make the new rectangle cover or meet ones already passed over: look again.
      joined = joined.Union(c);
      m_rects.erase(m_rects.begin() + static_cast<std::ptrdiff_t>(i));
      i = 0;
      continue;
    }
    ++i;
  }
  m_rects.push_back(joined);
  if (m_rects.size() > MaxRects) JoinCheapestPair();
}

void TDirtyRegion::JoinCheapestPair() {
  size_t bestA = 0, bestB = 1;
  std::int64_t best = INT64_MAX;
  for (size_t a = 0; a < m_rects.size(); ++a) {
    for (size_t b = a + 1; b < m_rects.size(); ++b) {
      const std::int64_t cost = JoinCost(m_rects[a], m_rects[b]);
      if (cost < best) best = cost, bestA = a, bestB = b;
    }
  }
  const TRect joined = m_rects[bestA].Union(m_rects[bestB]);
  m_rects.erase(m_rects.begin() + static_cast<std::ptrdiff_t>(bestB));
  m_rects.erase(m_rects.begin() + static_cast<std::ptrdiff_t>(bestA));
  Add(joined);
}

TRect TDirtyRegion::Bounds() const {
  TRect box;
  for (const TRect& r : m_rects) box = box.Union(r);
  return box;
}
