// The five layout diagrams: a row of three slabs seen from the front with what lies at its two
// ends, a row of marks above it and two dimension chains below it.
//
//   colours and geometry   the fixed places of the slab row, seams, walls and pieces
//   elements               slab, seam, wall, existing piece, marks, dimension chains
//   styles                 the end conditions and dimension points of each style
#include <algorithm>

#include "tools/gen-assets/Pictures.h"

namespace gen {

namespace {

// --- colours and geometry ---------------------------------------------------------------------

constexpr TRgba kSlabFill = Rgb(0, 153, 255);
constexpr TRgba kSlabHatch = Rgb(127, 204, 255);
constexpr TRgba kSlabOutline = Rgb(0, 63, 105);
constexpr TRgba kSlabBottom = Rgb(0, 35, 58);
constexpr TRgba kSeamLight = Rgb(204, 204, 204);
constexpr TRgba kSeamGrid = Rgb(153, 153, 153);
constexpr TRgba kSeamDark = Rgb(122, 122, 122);
constexpr TRgba kSeamLattice = Rgb(178, 178, 178);
constexpr TRgba kWallFill = Rgb(153, 255, 153);
constexpr TRgba kWallOutline = Rgb(29, 49, 29);
constexpr TRgba kWhite = Rgb(255, 255, 255);
constexpr TRgba kDimension = Rgb(0, 255, 0);

// The slab row: rows 33 to 75; seams (and their fillers) rows 36 to 74.
constexpr double kRowTop = 33, kRowBottom = 76;
constexpr double kSeamTop = 36, kSeamBottom = 75;
// Rows of the light upper part of a seam filler (two thirds of it); the dark part follows.
constexpr int kSeamDarkFrom = 62;
// The 45-degree joint of a wall and its chamfered end slab: x + y = 115 on the left,
// x - y = 378 on the right. The wall lies above it, the slab below.
constexpr double kLeftJoint = 115, kRightJoint = 378;
// A one-pixel inset across a 45-degree line moves the line's constant by the square root of 2.
constexpr double kSqrt2 = 1.4142135623730951;

constexpr int kChainY = 108, kOverallY = 138;
constexpr int kExtensionTop = 82, kExtensionBottom = 138, kOuterExtensionBottom = 150;
constexpr int kLineOverrun = 10;
// The break in the chain line over the middle slab.
constexpr int kBreakLeft = 237, kBreakRight = 244;

int Mod(int a, int m) { return ((a % m) + m) % m; }

// --- elements -----------------------------------------------------------------------------------

// A slab-coloured block: a one-pixel outline (its bottom row darker) round a fill with light
// diagonal lines rising to the right. `outer` and `inner` are the block and the block less one
// pixel all round.
void AddSlabBlock(TScene& s, TShapePtr outer, TShapePtr inner) {
  s.Add(outer, [](int, int py, double, double) {
    return py == static_cast<int>(kRowBottom) - 1 ? kSlabBottom : kSlabOutline;
  });
  s.Add(inner, [](int px, int py, double, double) { return Mod(px + py, 6) == 0 ? kSlabHatch : kSlabFill; });
}

void AddSquareSlab(TScene& s, double left, double right) {
  AddSlabBlock(s, Rect(left, kRowTop, right, kRowBottom), Rect(left + 1, kRowTop + 1, right - 1, kRowBottom - 1));
}

// The end slab under a left wall, its upper outer corner bevelled along the joint.
void AddLeftChamferedSlab(TScene& s, double left, double right) {
  const double j = kLeftJoint, ji = kLeftJoint + kSqrt2;
  AddSlabBlock(
      s, Polygon({{left, j - left}, {j - kRowTop, kRowTop}, {right, kRowTop}, {right, kRowBottom}, {left, kRowBottom}}),
      Polygon({{left + 1, ji - (left + 1)},
               {ji - (kRowTop + 1), kRowTop + 1},
               {right - 1, kRowTop + 1},
               {right - 1, kRowBottom - 1},
               {left + 1, kRowBottom - 1}}));
}

void AddRightChamferedSlab(TScene& s, double left, double right) {
  const double j = kRightJoint, ji = kRightJoint - kSqrt2;
  AddSlabBlock(
      s,
      Polygon({{left, kRowTop}, {j + kRowTop, kRowTop}, {right, right - j}, {right, kRowBottom}, {left, kRowBottom}}),
      Polygon({{left + 1, kRowTop + 1},
               {ji + kRowTop + 1, kRowTop + 1},
               {right - 1, right - 1 - ji},
               {right - 1, kRowBottom - 1},
               {left + 1, kRowBottom - 1}}));
}

// An upright filler in a seam of columns [left, right): rounded top corners, a concave lower
// edge, light grey with a square grid above, darker grey with a light lattice below.
void AddSeam(TScene& s, double left, double right) {
  const double cx = (left + right) / 2, half = (right - left) / 2, depth = 2.5;
  TShapePtr body = RoundRect(left, kSeamTop, right, kSeamBottom + 4, 4);
  TShapePtr shape = Region({left, kSeamTop, right, kSeamBottom}, [=](double x, double y) {
    const double u = (x - cx) / half;
    return y < kSeamBottom - depth * (1 - u * u) && body->Contains(x, y);
  });
  const int gridX = static_cast<int>(left) + 2;
  s.Add(shape, [=](int px, int py, double, double) {
    if (py < kSeamDarkFrom) {
      const bool grid = Mod(px - gridX, 5) == 0 || Mod(py - static_cast<int>(kSeamTop) - 3, 5) == 0;
      return grid ? kSeamGrid : kSeamLight;
    }
    return Mod(px + py, 4) == 0 || Mod(px - py, 4) == 0 ? kSeamLattice : kSeamDark;
  });
}

// A wall block (light green, white diagonal hatching, dark outline) with its lower inner corner
// cut off along the joint.
void AddWall(TScene& s, TShapePtr outer, TShapePtr inner) {
  s.Add(outer, kWallOutline);
  s.Add(inner, [](int px, int py, double, double) { return Mod(px + py, 5) == 0 ? kWhite : kWallFill; });
}

void AddLeftWall(TScene& s) {
  const double l = 39, r = 82, t = 0, b = 55, j = kLeftJoint, ji = kLeftJoint - kSqrt2;
  AddWall(s, Polygon({{l, t}, {r, t}, {r, j - r}, {j - b, b}, {l, b}}),
          Polygon({{l + 1, t + 1}, {r - 1, t + 1}, {r - 1, ji - (r - 1)}, {ji - (b - 1), b - 1}, {l + 1, b - 1}}));
}

void AddRightWall(TScene& s) {
  const double l = 410, r = 453, t = 0, b = 55, j = kRightJoint, ji = kRightJoint + kSqrt2;
  AddWall(s, Polygon({{l, t}, {r, t}, {r, b}, {j + b, b}, {l, l - j}}),
          Polygon({{l + 1, t + 1}, {r - 1, t + 1}, {r - 1, b - 1}, {ji + b - 1, b - 1}, {l + 1, l + 1 - ji}}));
}

// The marks row: "1", an arrow, three dots, an arrow (the slab count label follows it).
// The arrow covers columns [left, right): its head's stroke ends just inside the last column.
void AddArrow(TScene& s, double left, double right) {
  const double width = 1.2, tip = right - width / 2 - 0.05, y = 15.5;
  s.Add(Rect(left, 15, tip, 16), kWhite);
  s.Add(Stroke({{tip - 5, y - 5}, {tip, y}, {tip - 5, y + 5}}, width), kWhite);
}

void AddMarks(TScene& s) {
  s.Add(Union({Rect(114, 6, 117, 26), Stroke({{115.2, 7.2}, {112.3, 10.6}}, 2.4)}), kWhite);
  AddArrow(s, 166, 190);
  for (double cx : {237.0, 245.0, 253.0}) s.Add(Circle(cx, 15, 3), kWhite);
  AddArrow(s, 299, 323);
}

// A short 45-degree tick, rising to the right, centred on pixel (x, y).
TShapePtr Tick(int x, int y) {
  return Pixels(
      {static_cast<double>(x - 2), static_cast<double>(y - 2), static_cast<double>(x + 3), static_cast<double>(y + 3)},
      [=](int px, int py) { return px - x == y - py; });
}

void AddDimensions(TScene& s, const std::vector<int>& points) {
  const int first = points.front(), last = points.back();
  const double from = first - kLineOverrun, to = last + kLineOverrun + 1;
  // Chain line with its break, overall line.
  s.Add(Rect(from, kChainY, kBreakLeft, kChainY + 1), kDimension);
  s.Add(Rect(kBreakRight + 1, kChainY, to, kChainY + 1), kDimension);
  s.Add(Stroke({{kBreakLeft - 0.5, kChainY + 0.5},
                {239.5, kChainY - 3.5},
                {242.5, kChainY + 4.5},
                {kBreakRight + 0.5, kChainY + 0.5}},
               1.1),
        kDimension);
  s.Add(Rect(from, kOverallY, to, kOverallY + 1), kDimension);
  // Extension lines and ticks.
  for (int x : points) {
    const bool outer = x == first || x == last;
    const int bottom = outer ? kOuterExtensionBottom : kExtensionBottom;
    s.Add(Rect(x, kExtensionTop, x + 1, bottom + 1), kDimension);
    s.Add(Tick(x, kChainY), kDimension);
    if (outer) s.Add(Tick(x, kOverallY), kDimension);
  }
}

// --- styles ---------------------------------------------------------------------------------

// The x of each extension line, left to right: the slabs and seams of the row, and the outer
// edge of what lies at an end unless the end is free.
std::vector<int> DimensionPoints(const TLayoutStyle& style) {
  std::vector<int> points;
  if (style.Left != reFree) points.push_back(40);
  for (int x : {60, 170, 192, 300, 322, 432}) points.push_back(x);
  if (style.Right != reFree) points.push_back(451);
  return points;
}

}  // namespace

TPixmap Diagram(const TLayoutStyle& st, int scale) {
  TScene s;
  AddMarks(s);

  // Left end.
  if (st.Left == rePiece) {
    AddSquareSlab(s, 17, 38);
    AddSeam(s, 38, 61);
  }
  if (st.Left == reWall)
    AddLeftChamferedSlab(s, 61, 170);
  else
    AddSquareSlab(s, 61, 170);
  if (st.Left == reWall) AddLeftWall(s);

  // The middle and its seams.
  AddSeam(s, 170, 192);
  AddSquareSlab(s, 192, 301);
  AddSeam(s, 301, 322);

  // Right end.
  if (st.Right == reWall)
    AddRightChamferedSlab(s, 322, 432);
  else
    AddSquareSlab(s, 322, 432);
  if (st.Right == reWall) AddRightWall(s);
  if (st.Right == rePiece) {
    AddSeam(s, 432, 453);
    AddSquareSlab(s, 453, 476);
  }

  AddDimensions(s, DimensionPoints(st));
  // A picture stored as an alpha bitmap is drawn opaque on the panel's colour.
  return st.DiagramForm == dfAlphaBitmap ? s.Render(kDiagramWidth, kDiagramHeight, kPanelColour, scale)
                                         : s.Render(kDiagramWidth, kDiagramHeight, scale);
}

}  // namespace gen
