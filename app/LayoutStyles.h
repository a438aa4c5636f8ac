// The layout styles, one row each: what lies at the two ends of the run and what follows from it
// in the program. The slab width's numerator, the diagram (drawn by the asset generator, shown by
// the window), the end labels over it and the chamfer input all read this table; styles are
// numbered from 1 in row order.
//
// Header only, with no dependency, so that the asset generator can draw the diagrams from it.
#pragma once

#include <array>
#include <cstdint>

// What lies at one end of the run; it takes that much of the total length.
enum TRunEnd : std::uint8_t {
  reFree,   // nothing: the end slab stops there
  reWall,   // a wall, with the chamfer gap (waifeng) before it
  rePiece,  // an existing piece, joined by an end seam (neifeng)
};

// What an end label over the diagram (jiaol at the left, jiao1l at the right) shows.
enum TEndValue : std::uint8_t {
  evNone,     // its caption is never written
  evChamfer,  // the chamfer width
  evSeam,     // the seam width
};

struct TEndLabel {
  bool Visible;
  TEndValue Value;  // written also while hidden
};

// How the diagram's picture is stored.
enum TDiagramForm : std::uint8_t { dfPng, dfAlphaBitmap };

struct TLayoutStyle {
  TRunEnd Left, Right;
  const char* Diagram;  // the diagram's component name; its picture is "<name>.Picture.Data"
  TDiagramForm DiagramForm;
  TEndLabel LeftLabel, RightLabel;

  // The chamfer input (sewaifeng and its caption lbl4) is enabled, and rewritten from the
  // model, exactly where the run meets a wall.
  constexpr bool ChamferInput() const { return Left == reWall || Right == reWall; }
};

inline constexpr auto kLayoutStyles = std::to_array<TLayoutStyle>({
    // walls at both ends
    {reWall, reWall, "imgs1", dfPng, {true, evChamfer}, {true, evChamfer}},
    // free ends
    {reFree, reFree, "imgs2", dfPng, {false, evNone}, {false, evNone}},
    // existing pieces at both ends
    {rePiece, rePiece, "imgs3", dfPng, {true, evSeam}, {true, evSeam}},
    // free left end, wall at the right
    {reFree, reWall, "imgs4", dfAlphaBitmap, {false, evChamfer}, {true, evChamfer}},
    // existing piece at the left, wall at the right
    {rePiece, reWall, "imgs5", dfAlphaBitmap, {true, evSeam}, {true, evChamfer}},
});

inline constexpr std::int32_t kStyleCount = static_cast<std::int32_t>(kLayoutStyles.size());
// The style the program starts in.
inline constexpr std::int32_t kFirstStyle = 1;

// The row of style 1 ... kStyleCount.
constexpr const TLayoutStyle& LayoutStyle(std::int32_t style) {
  return kLayoutStyles[static_cast<std::size_t>(style - 1)];
}
constexpr bool IsLayoutStyle(std::int32_t style) { return style >= 1 && style <= kStyleCount; }
