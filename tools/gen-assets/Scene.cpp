#include "tools/gen-assets/Scene.h"

#include <algorithm>

namespace gen {

namespace {

constexpr int kGrid = 8;  // samples per pixel along each axis
constexpr int kSamples = kGrid * kGrid;

int FloorInt(double v) {
  const int i = static_cast<int>(v);
  return v < i ? i - 1 : i;
}

TBox Grow(TBox b, double by) { return {b.Left - by, b.Top - by, b.Right + by, b.Bottom + by}; }

TBox BoundsOf(const std::vector<TPointF>& pts) {
  TBox b{pts.front().X, pts.front().Y, pts.front().X, pts.front().Y};
  for (const TPointF& p : pts) {
    b.Left = std::min(b.Left, p.X);
    b.Top = std::min(b.Top, p.Y);
    b.Right = std::max(b.Right, p.X);
    b.Bottom = std::max(b.Bottom, p.Y);
  }
  return b;
}

class TRectShape : public TShape {
 public:
  TRectShape(double l, double t, double r, double b) : m_box{l, t, r, b} {}
  TBox Bounds() const override { return m_box; }
  bool Contains(double x, double y) const override {
    return x >= m_box.Left && x < m_box.Right && y >= m_box.Top && y < m_box.Bottom;
  }

 private:
  TBox m_box;
};

class TRoundRectShape : public TShape {
 public:
  TRoundRectShape(double l, double t, double r, double b, double radius) : m_box{l, t, r, b}, m_radius(radius) {}
  TBox Bounds() const override { return m_box; }
  bool Contains(double x, double y) const override {
    if (x < m_box.Left || x >= m_box.Right || y < m_box.Top || y >= m_box.Bottom) return false;
    // Distance into the corner square, measured from the corner circle's centre.
    double dx = 0, dy = 0;
    if (x < m_box.Left + m_radius)
      dx = m_box.Left + m_radius - x;
    else if (x > m_box.Right - m_radius)
      dx = x - (m_box.Right - m_radius);
    if (y < m_box.Top + m_radius)
      dy = m_box.Top + m_radius - y;
    else if (y > m_box.Bottom - m_radius)
      dy = y - (m_box.Bottom - m_radius);
    return dx * dx + dy * dy <= m_radius * m_radius;
  }

 private:
  TBox m_box;
  double m_radius;
};

class TEllipseShape : public TShape {
 public:
  TEllipseShape(double cx, double cy, double rx, double ry) : m_cx(cx), m_cy(cy), m_rx(rx), m_ry(ry) {}
  TBox Bounds() const override { return {m_cx - m_rx, m_cy - m_ry, m_cx + m_rx, m_cy + m_ry}; }
  bool Contains(double x, double y) const override {
    const double u = (x - m_cx) / m_rx, v = (y - m_cy) / m_ry;
    return u * u + v * v <= 1.0;
  }

 private:
  double m_cx, m_cy, m_rx, m_ry;
};

class TPolygonShape : public TShape {
 public:
  explicit TPolygonShape(std::vector<TPointF> pts) : m_pts(std::move(pts)), m_box(BoundsOf(m_pts)) {}
  TBox Bounds() const override { return m_box; }
  bool Contains(double x, double y) const override {
    bool inside = false;
    for (size_t i = 0, j = m_pts.size() - 1; i < m_pts.size(); j = i++) {
      const TPointF& a = m_pts[i];
      const TPointF& b = m_pts[j];
      if ((a.Y > y) != (b.Y > y)) {
        const double cross = a.X + (y - a.Y) * (b.X - a.X) / (b.Y - a.Y);
        if (x < cross) inside = !inside;
      }
    }
    return inside;
  }

 private:
  std::vector<TPointF> m_pts;
  TBox m_box;
};

class TStrokeShape : public TShape {
 public:
  TStrokeShape(std::vector<TPointF> pts, double width)
      : m_pts(std::move(pts)), m_half(width / 2), m_box(Grow(BoundsOf(m_pts), m_half)) {}
  TBox Bounds() const override { return m_box; }
  bool Contains(double x, double y) const override {
    const double limit = m_half * m_half;
    for (size_t i = 0; i + 1 < m_pts.size(); ++i) {
      const TPointF& a = m_pts[i];
      const TPointF& b = m_pts[i + 1];
      const double vx = b.X - a.X, vy = b.Y - a.Y;
      const double wx = x - a.X, wy = y - a.Y;
      const double len2 = vx * vx + vy * vy;
      double t = len2 > 0 ? (wx * vx + wy * vy) / len2 : 0;
      t = std::clamp(t, 0.0, 1.0);
      const double dx = wx - t * vx, dy = wy - t * vy;
      if (dx * dx + dy * dy <= limit) return true;
    }
    return false;
  }

 private:
  std::vector<TPointF> m_pts;
  double m_half;
  TBox m_box;
};

class TMinusShape : public TShape {
 public:
  TMinusShape(TShapePtr a, TShapePtr b) : m_a(std::move(a)), m_b(std::move(b)) {}
  TBox Bounds() const override { return m_a->Bounds(); }
  bool Contains(double x, double y) const override { return m_a->Contains(x, y) && !m_b->Contains(x, y); }

 private:
  TShapePtr m_a, m_b;
};

class TIntersectShape : public TShape {
 public:
  TIntersectShape(TShapePtr a, TShapePtr b) : m_a(std::move(a)), m_b(std::move(b)) {}
  TBox Bounds() const override {
    const TBox a = m_a->Bounds(), b = m_b->Bounds();
    return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
  }
  bool Contains(double x, double y) const override { return m_a->Contains(x, y) && m_b->Contains(x, y); }

 private:
  TShapePtr m_a, m_b;
};

class TUnionShape : public TShape {
 public:
  explicit TUnionShape(std::vector<TShapePtr> parts) : m_parts(std::move(parts)) {
    m_box = m_parts.front()->Bounds();
    for (const TShapePtr& p : m_parts) {
      const TBox b = p->Bounds();
      m_box = {std::min(m_box.Left, b.Left), std::min(m_box.Top, b.Top), std::max(m_box.Right, b.Right),
               std::max(m_box.Bottom, b.Bottom)};
    }
  }
  TBox Bounds() const override { return m_box; }
  bool Contains(double x, double y) const override {
    return std::any_of(m_parts.begin(), m_parts.end(), [&](const TShapePtr& p) { return p->Contains(x, y); });
  }

 private:
  std::vector<TShapePtr> m_parts;
  TBox m_box;
};

class TRegionShape : public TShape {
 public:
  TRegionShape(TBox box, std::function<bool(double, double)> contains) : m_box(box), m_contains(std::move(contains)) {}
  TBox Bounds() const override { return m_box; }
  bool Contains(double x, double y) const override {
    return x >= m_box.Left && x < m_box.Right && y >= m_box.Top && y < m_box.Bottom && m_contains(x, y);
  }

 private:
  TBox m_box;
  std::function<bool(double, double)> m_contains;
};

class TPixelShape : public TShape {
 public:
  TPixelShape(TBox box, std::function<bool(int, int)> accept) : m_box(box), m_accept(std::move(accept)) {}
  TBox Bounds() const override { return m_box; }
  bool Contains(double x, double y) const override {
    if (x < m_box.Left || x >= m_box.Right || y < m_box.Top || y >= m_box.Bottom) return false;
    return m_accept(FloorInt(x), FloorInt(y));
  }

 private:
  TBox m_box;
  std::function<bool(int, int)> m_accept;
};

}  // namespace

TShapePtr Rect(double l, double t, double r, double b) { return std::make_shared<TRectShape>(l, t, r, b); }
TShapePtr RoundRect(double l, double t, double r, double b, double radius) {
  return std::make_shared<TRoundRectShape>(l, t, r, b, radius);
}
TShapePtr Circle(double cx, double cy, double r) { return std::make_shared<TEllipseShape>(cx, cy, r, r); }
TShapePtr Ellipse(double cx, double cy, double rx, double ry) {
  return std::make_shared<TEllipseShape>(cx, cy, rx, ry);
}
TShapePtr Polygon(std::vector<TPointF> points) { return std::make_shared<TPolygonShape>(std::move(points)); }
TShapePtr Stroke(std::vector<TPointF> points, double width) {
  return std::make_shared<TStrokeShape>(std::move(points), width);
}
TShapePtr Minus(TShapePtr a, TShapePtr b) { return std::make_shared<TMinusShape>(std::move(a), std::move(b)); }
TShapePtr Intersect(TShapePtr a, TShapePtr b) { return std::make_shared<TIntersectShape>(std::move(a), std::move(b)); }
TShapePtr Union(std::vector<TShapePtr> parts) { return std::make_shared<TUnionShape>(std::move(parts)); }
TShapePtr Region(TBox bounds, std::function<bool(double, double)> contains) {
  return std::make_shared<TRegionShape>(bounds, std::move(contains));
}
TShapePtr Pixels(TBox bounds, std::function<bool(int, int)> accept) {
  return std::make_shared<TPixelShape>(bounds, std::move(accept));
}

TPaint Solid(TRgba colour) {
  return [colour](int, int, double, double) { return colour; };
}

TPixmap TScene::Render(int width, int height, int scale) const { return Render(width, height, TRgba{}, scale); }

TPixmap TScene::Render(int width, int height, TRgba background, int scale) const {
  TPixmap out(width * scale, height * scale);
  const double k = scale;
  std::vector<const TElement*> near;
  for (int dy = 0; dy < out.Height(); ++dy) {
    const int py = dy / scale;
    for (int dx = 0; dx < out.Width(); ++dx) {
      const int px = dx / scale;
      // The elements that can reach this pixel, topmost first.
      near.clear();
      for (auto it = m_elements.rbegin(); it != m_elements.rend(); ++it) {
        const TBox b = it->Shape->Bounds();
        if (b.Right > dx / k && b.Left < (dx + 1) / k && b.Bottom > dy / k && b.Top < (dy + 1) / k)
          near.push_back(&*it);
      }
      std::uint32_t sumA = 0, sumR = 0, sumG = 0, sumB = 0;
      for (int sy = 0; sy < kGrid; ++sy) {
        for (int sx = 0; sx < kGrid; ++sx) {
          const double x = (dx + (sx + 0.5) / kGrid) / k;
          const double y = (dy + (sy + 0.5) / kGrid) / k;
          TRgba c = background;
          for (const TElement* e : near) {
            if (e->Shape->Contains(x, y)) {
              c = e->Paint(px, py, x, y);
              break;
            }
          }
          sumA += c.A;
          sumR += c.R * c.A;
          sumG += c.G * c.A;
          sumB += c.B * c.A;
        }
      }
      TRgba& p = out.At(dx, dy);
      p.A = static_cast<std::uint8_t>((sumA + kSamples / 2) / kSamples);
      if (p.A == 0) continue;  // fully transparent pixels stay (0, 0, 0, 0)
      p.R = static_cast<std::uint8_t>((sumR + sumA / 2) / sumA);
      p.G = static_cast<std::uint8_t>((sumG + sumA / 2) / sumA);
      p.B = static_cast<std::uint8_t>((sumB + sumA / 2) / sumA);
    }
  }
  return out;
}

TPixmap Lighter(const TPixmap& p) {
  TPixmap out = p;
  auto lift = [](std::uint8_t c) { return static_cast<std::uint8_t>(c + (255 - c) / 5); };
  for (int y = 0; y < p.Height(); ++y) {
    for (int x = 0; x < p.Width(); ++x) {
      TRgba& c = out.At(x, y);
      if (c.A == 0) continue;
      c.R = lift(c.R);
      c.G = lift(c.G);
      c.B = lift(c.B);
    }
  }
  return out;
}

TPixmap Shifted(const TPixmap& p, int dx, int dy) {
  TPixmap out(p.Width(), p.Height());
  for (int y = 0; y < p.Height(); ++y) {
    for (int x = 0; x < p.Width(); ++x) {
      const int sx = x - dx, sy = y - dy;
      if (sx >= 0 && sy >= 0 && sx < p.Width() && sy < p.Height()) out.At(x, y) = p.At(sx, sy);
    }
  }
  return out;
}

}  // namespace gen
