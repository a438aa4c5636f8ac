// Drawing: fonts, brushes, pens, the canvas over a pixel surface, and the abstract picture.
//
//   TFont, TBrush, TPen  - drawing attributes; a change notifies the owner (OnChange)
//   TCanvas              - draws into a TSurface through an origin and a clip region
//   TGraphic             - a picture that draws itself into a rectangle of a canvas
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Types.h"
#include "framework/FontEngine.h"

class TStream;
class TCanvas;
class TGraphic;

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;
enum TFontCharset : int { ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, GB2312_CHARSET = 134 };

class TFont {
 public:
  std::function<void()> OnChange;

  const std::string& Name() const { return m_name; }
  void SetName(const std::string& name);
  // Character height in pixels (a stored negative Height).
  int Height() const { return m_height; }
  void SetHeight(int height);
  TColor Color() const { return m_color; }
  void SetColor(TColor color);
  TFontStyles Style() const { return m_style; }
  void SetStyle(TFontStyles style);
  int Charset() const { return m_charset; }
  void SetCharset(int charset);
  void Assign(const TFont& other);  // copies every attribute, notifies once
  TFontDesc Desc() const;
  bool SameAs(const TFont& o) const {
    return m_name == o.m_name && m_height == o.m_height && m_color == o.m_color && m_style == o.m_style &&
           m_charset == o.m_charset;
  }

 private:
  void Changed();
  std::string m_name = "Tahoma";
  int m_height = 11;
  TColor m_color = clWindowText;
  TFontStyles m_style = 0;
  int m_charset = DEFAULT_CHARSET;
};

enum TBrushStyle { bsSolid, bsClear };
class TBrush {
 public:
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
};

enum TPenStyle { psSolid, psDot, psClear };
class TPen {
 public:
  TColor Color = clBlack;
  int Width = 1;
  TPenStyle Style = psSolid;
};

// Flags of TCanvas::DrawText.
enum TDrawTextFlag : unsigned {
  dtLeft = 0,
  dtCenter = 1,
  dtRight = 2,
  dtVCenter = 4,
  dtBottom = 8,
  dtSingleLine = 0x20,
  dtNoClip = 0x100,
  dtCalcRect = 0x400,
  dtNoPrefix = 0x800
};
// Edges of TCanvas::DrawEdge.
enum TEdgeKind { edgeRaised, edgeSunken, edgeBump, edgeEtched };
enum TEdgeFlag : unsigned { bfRect = 0x0F, bfMiddle = 0x800, bfFlat = 0x4000, bfSoft = 0x1000 };

// Ternary raster operations used with BitBlt.
constexpr std::uint32_t SRCCOPY = 0x00CC0020;
constexpr std::uint32_t SRCPAINT = 0x00EE0086;
constexpr std::uint32_t SRCAND = 0x008800C6;
constexpr std::uint32_t SRCINVERT = 0x00660046;
constexpr std::uint32_t MERGEPAINT = 0x00BB0226;
constexpr std::uint32_t NOTSRCCOPY = 0x00330008;
constexpr std::uint32_t PATCOPY = 0x00F00021;
constexpr std::uint32_t DSPDxax = 0x00E20746;  // D ^ (S & (P ^ D)): the brush where the source is white

class TCanvas {
 public:
  TCanvas() = default;
  explicit TCanvas(TSurface& surface) { Attach(&surface, {0, 0}, surface.BoundsRect()); }

  // Binds the canvas to a surface: canvas (0, 0) is `origin` on the surface; drawing stays inside
  // `clip`. Both are in the surface's logical pixels; on a surface of Scale s every canvas pixel
  // covers s x s device pixels.
  void Attach(TSurface* surface, TPoint origin, const TRect& clip);
  // Draws where `other` draws (same surface, origin, clip and scale).
  void AttachLike(const TCanvas& other) {
    m_surface = other.m_surface;
    m_origin = other.m_origin;
    m_clip = other.m_clip;
    m_scale = other.m_scale;
  }
  void Detach() {
    m_surface = nullptr;
    m_clip.clear();
  }
  bool Attached() const { return m_surface != nullptr; }

  TFont& Font() { return m_font; }
  TBrush& Brush() { return m_brush; }
  TPen& Pen() { return m_pen; }
  TPoint PenPos() const { return m_penPos; }

  // The surface behind the canvas, for pictures that read what lies beneath them.
  TSurface* Surface() { return m_surface; }
  // Device pixels per canvas pixel (the surface's Scale).
  int Scale() const { return m_scale; }
  // Where canvas (0, 0) lies on the surface, in device pixels.
  TPoint Origin() const { return m_origin; }
  // The device pixels a rectangle of canvas pixels covers.
  TRect DeviceRect(const TRect& r) const { return r.ScaledBy(m_scale).Offset(m_origin.X, m_origin.Y); }
  // The clip region as disjoint rectangles in device pixels of the surface.
  const std::vector<TRect>& ClipRects() const { return m_clip; }
  // The bounding box of the clip region in canvas coordinates.
  TRect ClipRect() const;
  void IntersectClipRect(const TRect& r);  // canvas coordinates
  void ExcludeClipRect(const TRect& r);    // canvas coordinates

  void FillRect(const TRect& r);   // with the brush
  void FrameRect(const TRect& r);  // one pixel, with the brush colour
  void Rectangle(const TRect& r);  // pen outline, brush inside
  void MoveTo(int x, int y) { m_penPos = {x, y}; }
  void LineTo(int x, int y);  // end point excluded
  TColor GetPixel(int x, int y) const;
  void SetPixel(int x, int y, TColor c);

  int TextWidth(std::string_view text);
  int TextHeight(std::string_view text);
  TPoint TextExtent(std::string_view text);
  // Draws one line with its cell's top-left at (x, y); an opaque cell in the brush colour unless
  // the brush style is bsClear.
  void TextOut(int x, int y, std::string_view text);
  // As TextOut, clipped to r; with an opaque brush r is filled first.
  void TextRect(const TRect& r, int x, int y, std::string_view text);
  // One line inside r with the "&" prefix rule (unless dtNoPrefix): "&x" underlines x, "&&" is "&".
  // With dtCalcRect nothing is drawn and r receives the text's extent.
  void DrawText(std::string_view text, TRect& r, unsigned flags);
  void DrawEdge(const TRect& r, TEdgeKind edge, unsigned flags);
  // Inverts the colour of every pixel of `r`: doing it twice restores them.
  void InvertRect(const TRect& r);
  void DrawFocusRect(const TRect& r);

  // Combines w x h pixels of `src` at (sx, sy) into the canvas at (x, y) with a raster operation
  // (the brush colour is the pattern).
  void BitBlt(int x, int y, int w, int h, const TSurface& src, int sx, int sy, std::uint32_t rop);
  void Draw(int x, int y, TGraphic& graphic);
  void StretchDraw(const TRect& r, TGraphic& graphic);

  // Calls f(deviceRect) for each part of the clip region that r (canvas coordinates) covers.
  template <class F>
  void ForEachClipped(const TRect& r, F&& f) const {
    const TRect dev = DeviceRect(r);
    for (const TRect& c : m_clip) {
      const TRect part = dev.Intersect(c);
      if (!part.IsEmpty()) f(part);
    }
  }

 private:
  void FillDevice(const TRect& canvasRect, TColor color);
  void InvertDevice(const TRect& part);
  void Hline(int x0, int x1, int y, TColor color);
  void Vline(int x, int y0, int y1, TColor color);

  TSurface* m_surface = nullptr;
  TPoint m_origin;  // device pixels
  int m_scale = 1;
  std::vector<TRect> m_clip;
  TFont m_font;
  TBrush m_brush;
  TPen m_pen;
  TPoint m_penPos;
};

// A picture that knows its size and draws itself into a rectangle of a canvas.
class TGraphic {
 public:
  virtual ~TGraphic() = default;
  virtual const char* ClassName() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual bool Empty() const = 0;
  virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) const = 0;
  virtual std::unique_ptr<TGraphic> Clone() const = 0;
  virtual bool Transparent() const { return m_transparent; }
  void SetTransparent(bool value) { m_transparent = value; }

  // The same picture drawn for a display scale, with `scale` x this one's pixels in each
  // direction: a canvas of that scale draws it pixel for pixel instead of stretching this one.
  // `loader` reads it when a canvas of that scale first draws it: a program carries versions for
  // every scale and draws at one, so reading the others at start-up is wasted work (the 2x and 3x
  // versions hold 13 times the pixels of the picture itself). A loader that gives null leaves
  // this picture to be stretched; an empty loader drops the version.
  using TLoader = std::function<std::shared_ptr<TGraphic>()>;
  void SetScaledVersion(int scale, TLoader loader);
  // The version drawn for a canvas of this scale: the scaled version when there is one, else this.
  TGraphic& ForScale(int scale);

 private:
  bool m_transparent = false;
  std::map<int, std::shared_ptr<TGraphic>> m_scaled;
  std::map<int, TLoader> m_scaledLoaders;  // versions not read yet
};
