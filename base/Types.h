// Value types every layer shares: points, rectangles, colours and pixel surfaces.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

// A rectangle with exclusive right and bottom edges.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool Contains(TPoint p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
  TRect Offset(int dx, int dy) const { return {Left + dx, Top + dy, Right + dx, Bottom + dy}; }
  TRect Inflate(int dx, int dy) const { return {Left - dx, Top - dy, Right + dx, Bottom + dy}; }
  // Every edge multiplied by s: a rectangle of logical pixels in device pixels.
  TRect ScaledBy(int s) const { return {Left * s, Top * s, Right * s, Bottom * s}; }
  TRect Intersect(const TRect& o) const {
    TRect r{std::max(Left, o.Left), std::max(Top, o.Top), std::min(Right, o.Right), std::min(Bottom, o.Bottom)};
    if (r.IsEmpty()) return {};
    return r;
  }
  TRect Union(const TRect& o) const {
    if (IsEmpty()) return o;
    if (o.IsEmpty()) return *this;
    return {std::min(Left, o.Left), std::min(Top, o.Top), std::max(Right, o.Right), std::max(Bottom, o.Bottom)};
  }
  friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect Bounds(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

// A colour value: 0x00BBGGRR, or a system colour (high byte 0xFF, low byte the index).
using TColor = std::int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clNavy = 0x800000;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clOlive = 0x008080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clGray = 0x808080;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor SystemColor(int index) { return static_cast<TColor>(0xFF000000u | static_cast<std::uint32_t>(index)); }
// Indices follow the classic desktop scheme's numbering.
constexpr TColor clBackground = SystemColor(1);
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowFrame = SystemColor(6);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnShadow = SystemColor(16);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clBtnText = SystemColor(18);
constexpr TColor clBtnHighlight = SystemColor(20);

inline bool IsSystemColor(TColor c) { return (static_cast<std::uint32_t>(c) & 0xFF000000u) == 0xFF000000u; }
// The 0x00BBGGRR value a colour stands for (system colours resolved).
TColor ColorToRGB(TColor c);
// The name of a system colour ("clBackground"), empty for other values.
std::string SystemColorName(TColor c);

constexpr std::uint8_t GetRValue(TColor c) { return static_cast<std::uint8_t>(c & 0xFF); }
constexpr std::uint8_t GetGValue(TColor c) { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
constexpr std::uint8_t GetBValue(TColor c) { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }
constexpr TColor RGB(int r, int g, int b) { return r | (g << 8) | (b << 16); }

// A pixel as stored in surfaces: bytes B, G, R, A in memory order (little-endian 0xAARRGGBB).
using TPixel = std::uint32_t;

// Sets `count` pixels from `first` to `value`, four at a time: a plain loop compiles to one
// store and a reload of the value per pixel, and fills are most of what a repaint writes.
void FillPixels(TPixel* first, int count, TPixel value);
constexpr TPixel PixelFromColor(TColor rgb) {
  return 0xFF000000u | (static_cast<std::uint32_t>(GetRValue(rgb)) << 16) |
         (static_cast<std::uint32_t>(GetGValue(rgb)) << 8) | GetBValue(rgb);
}
constexpr TColor ColorFromPixel(TPixel p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }

// A 32-bit pixel buffer, rows top-down. Windows, off-screen bitmaps and canvases draw into these.
// A surface owns its pixels (`Pixels`), or is a view over memory that another owns (`Over`: a
// window system's shared image, painted straight into so that presenting copies nothing).
struct TSurface {
  int Width = 0;
  int Height = 0;
  // Device pixels per logical pixel: a window's buffer on a scaled display holds Scale x Scale
  // pixels for each pixel of the window description; canvases drawing into it scale to match.
  int Scale = 1;
  std::vector<TPixel> Pixels;  // empty for a view over foreign memory

  TSurface() = default;
  TSurface(int w, int h, TPixel fill = 0xFF000000u)
      : Width(std::max(w, 0)), Height(std::max(h, 0)), Pixels(static_cast<size_t>(Width) * Height, fill) {}
  // A view over w x h pixels at `memory`, rows `stride` pixels apart. The memory must outlive the
  // view's use; a copy of a view owns its pixels.
  static TSurface Over(TPixel* memory, int w, int h, int stride) {
    TSurface view;
    view.Width = std::max(w, 0);
    view.Height = std::max(h, 0);
    view.m_foreign = memory;
    view.m_stride = std::max(stride, view.Width);
    return view;
  }
  TSurface(const TSurface& other) : Width(other.Width), Height(other.Height), Scale(other.Scale) {
    CopyPixelsOf(other);
  }
  TSurface& operator=(const TSurface& other) {
    if (this == &other) return *this;
    Width = other.Width;
    Height = other.Height;
    Scale = other.Scale;
    m_foreign = nullptr;
    CopyPixelsOf(other);
    return *this;
  }
  TSurface(TSurface&&) noexcept = default;
  TSurface& operator=(TSurface&&) noexcept = default;

  bool IsView() const { return m_foreign != nullptr; }
  // The first pixel; rows are Stride() pixels apart.
  TPixel* Data() { return m_foreign ? m_foreign : Pixels.data(); }
  const TPixel* Data() const { return m_foreign ? m_foreign : Pixels.data(); }
  int Stride() const { return m_foreign ? m_stride : Width; }
  TPixel* Row(int y) { return Data() + static_cast<size_t>(y) * Stride(); }
  const TPixel* Row(int y) const { return Data() + static_cast<size_t>(y) * Stride(); }
  TPixel& At(int x, int y) { return Row(y)[x]; }
  TPixel At(int x, int y) const { return Row(y)[x]; }
  TRect BoundsRect() const { return {0, 0, Width, Height}; }
  // Owns its pixels afterwards, all `fill`.
  void Resize(int w, int h, TPixel fill = 0xFF000000u) {
    Width = std::max(w, 0);
    Height = std::max(h, 0);
    m_foreign = nullptr;
    Pixels.assign(static_cast<size_t>(Width) * Height, fill);
  }

 private:
  void CopyPixelsOf(const TSurface& other) {
    if (!other.m_foreign) {
      Pixels = other.Pixels;
      return;
    }
    Pixels.resize(static_cast<size_t>(Width) * Height);
    for (int y = 0; y < Height; ++y) std::copy(other.Row(y), other.Row(y) + Width, Row(y));
  }

  TPixel* m_foreign = nullptr;
  int m_stride = 0;
};
