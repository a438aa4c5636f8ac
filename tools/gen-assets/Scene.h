// A small vector scene rendered by coverage sampling.
//
// A scene is a list of elements in painting order. Each element has a shape (a point test in
// picture coordinates, x to the right, y down, pixel (px, py) covering [px, px+1) x [py, py+1))
// and a paint (the colour at a pixel and sample point). Every pixel is sampled on a regular
// 8 x 8 grid; each sample takes the colour of the topmost element whose shape holds it, or
// nothing. The pixel's alpha is the share of covered samples and its colour their average, so
// edges come out anti-aliased and shapes that touch leave no seam between them.
//
// Only +, -, *, / and comparisons on doubles are used (no library functions), so the same scene
// gives the same bytes on every run and every IEEE machine.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace gen {

struct TRgba {
  std::uint8_t R = 0, G = 0, B = 0, A = 0;
  bool operator==(const TRgba&) const = default;
};

constexpr TRgba Rgb(int r, int g, int b) {
  return {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b), 255};
}

// A straight-alpha RGBA picture, rows top-down.
class TPixmap {
 public:
  TPixmap(int width, int height) : m_width(width), m_height(height), m_pixels(static_cast<size_t>(width) * height) {}
  int Width() const { return m_width; }
  int Height() const { return m_height; }
  TRgba& At(int x, int y) { return m_pixels[static_cast<size_t>(y) * m_width + x]; }
  const TRgba& At(int x, int y) const { return m_pixels[static_cast<size_t>(y) * m_width + x]; }

 private:
  int m_width, m_height;
  std::vector<TRgba> m_pixels;
};

struct TPointF {
  double X = 0, Y = 0;
};

// Axis-aligned bounds used to skip elements quickly; [Left, Right) x [Top, Bottom).
struct TBox {
  double Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// A shape: its bounds and its point test.
class TShape {
 public:
  virtual ~TShape() = default;
  virtual TBox Bounds() const = 0;
  virtual bool Contains(double x, double y) const = 0;
};
using TShapePtr = std::shared_ptr<const TShape>;

// Shapes. Rectangles and polygons take edge coordinates (a pixel-aligned rectangle covers whole
// pixels); strokes take centre lines and a width.
TShapePtr Rect(double left, double top, double right, double bottom);
TShapePtr RoundRect(double left, double top, double right, double bottom, double radius);
TShapePtr Circle(double cx, double cy, double r);
TShapePtr Ellipse(double cx, double cy, double rx, double ry);
TShapePtr Polygon(std::vector<TPointF> points);               // even-odd rule
TShapePtr Stroke(std::vector<TPointF> points, double width);  // a polyline with round joins
// Combinations.
TShapePtr Minus(TShapePtr a, TShapePtr b);
TShapePtr Intersect(TShapePtr a, TShapePtr b);
TShapePtr Union(std::vector<TShapePtr> parts);
// Any point test within the bounds.
TShapePtr Region(TBox bounds, std::function<bool(double x, double y)> contains);
// Every pixel whose centre the predicate accepts, as whole pixels (pixel-exact patterns).
TShapePtr Pixels(TBox bounds, std::function<bool(int px, int py)> accept);

// A paint: the colour at pixel (px, py) for the sample at (x, y).
using TPaint = std::function<TRgba(int px, int py, double x, double y)>;
TPaint Solid(TRgba colour);

class TScene {
 public:
  void Add(TShapePtr shape, TPaint paint) { m_elements.push_back({std::move(shape), std::move(paint)}); }
  void Add(TShapePtr shape, TRgba colour) { Add(std::move(shape), Solid(colour)); }
  // Renders onto a transparent picture, or onto an opaque background when one is given. At
  // `scale` k the picture has k x k pixels for each pixel of the scene: shapes are sampled at the
  // finer pixels (sharper edges), paints still see the scene's pixel (px, py), so pixel patterns
  // keep their design and become k x k blocks.
  TPixmap Render(int width, int height, int scale = 1) const;
  TPixmap Render(int width, int height, TRgba background, int scale = 1) const;

 private:
  struct TElement {
    TShapePtr Shape;
    TPaint Paint;
  };
  std::vector<TElement> m_elements;
};

// The picture with every colour channel moved a fixed share towards white (alpha kept).
TPixmap Lighter(const TPixmap& p);
// The picture moved by whole pixels; what moves in is transparent.
TPixmap Shifted(const TPixmap& p, int dx, int dy);

}  // namespace gen
