#include "framework/Graphics.h"

#include <cstdlib>

// ---------------------------------------------------------------------------------------------
// TFont
// ---------------------------------------------------------------------------------------------

void TFont::Changed() {
  if (OnChange) OnChange();
}
void TFont::SetName(const std::string& name) {
  if (m_name == name) return;
  m_name = name;
  Changed();
}
void TFont::SetHeight(int height) {
  if (m_height == height) return;
  m_height = height;
  Changed();
}
void TFont::SetColor(TColor color) {
  if (m_color == color) return;
  m_color = color;
  Changed();
}
void TFont::SetStyle(TFontStyles style) {
  if (m_style == style) return;
  m_style = style;
  Changed();
}
void TFont::SetCharset(int charset) {
  if (m_charset == charset) return;
  m_charset = charset;
  Changed();
}
void TFont::Assign(const TFont& other) {
  if (SameAs(other)) return;
  m_name = other.m_name;
  m_height = other.m_height;
  m_color = other.m_color;
  m_style = other.m_style;
  m_charset = other.m_charset;
  Changed();
}
TFontDesc TFont::Desc() const {
  TFontDesc s;
  s.Name = m_name;
  s.Height = m_height;
  s.Bold = (m_style & fsBold) != 0;
  s.Italic = (m_style & fsItalic) != 0;
  s.Underline = (m_style & fsUnderline) != 0;
  s.StrikeOut = (m_style & fsStrikeOut) != 0;
  return s;
}

// ---------------------------------------------------------------------------------------------
// TCanvas: clip region
// ---------------------------------------------------------------------------------------------

void TCanvas::Attach(TSurface* surface, TPoint origin, const TRect& clip) {
  m_surface = surface;
  m_clip.clear();
  m_scale = surface ? surface->Scale : 1;
  m_origin = {origin.X * m_scale, origin.Y * m_scale};
  if (!surface) return;
  const TRect c = clip.ScaledBy(m_scale).Intersect(surface->BoundsRect());
  if (!c.IsEmpty()) m_clip.push_back(c);
}

TRect TCanvas::ClipRect() const {
  TRect box;
  for (const TRect& c : m_clip) box = box.Union(c);
  if (box.IsEmpty()) return {};
  box = box.Offset(-m_origin.X, -m_origin.Y);
  // Every canvas pixel the region touches, partly covered ones included.
  const auto down = [this](int v) { return v >= 0 ? v / m_scale : -((-v + m_scale - 1) / m_scale); };
  const auto up = [&](int v) { return -down(-v); };
  return {down(box.Left), down(box.Top), up(box.Right), up(box.Bottom)};
}

void TCanvas::IntersectClipRect(const TRect& r) {
  const TRect dev = DeviceRect(r);
  size_t kept = 0;
  for (const TRect& c : m_clip) {
    const TRect part = c.Intersect(dev);
    if (!part.IsEmpty()) m_clip[kept++] = part;  // never ahead of the rectangle being read
  }
  m_clip.resize(kept);
}

void TCanvas::ExcludeClipRect(const TRect& r) {
  const TRect ex = DeviceRect(r);
  std::vector<TRect> out;
  for (const TRect& c : m_clip) {
    const TRect cut = c.Intersect(ex);
    if (cut.IsEmpty()) {
      out.push_back(c);
      continue;
    }
    // Up to four pieces around the cut: above, below, left, right.
    if (cut.Top > c.Top) out.push_back({c.Left, c.Top, c.Right, cut.Top});
    if (cut.Bottom < c.Bottom) out.push_back({c.Left, cut.Bottom, c.Right, c.Bottom});
    if (cut.Left > c.Left) out.push_back({c.Left, cut.Top, cut.Left, cut.Bottom});
    if (cut.Right < c.Right) out.push_back({cut.Right, cut.Top, c.Right, cut.Bottom});
  }
  m_clip = std::move(out);
}

// ---------------------------------------------------------------------------------------------
// TCanvas: shapes
// ---------------------------------------------------------------------------------------------

void TCanvas::FillDevice(const TRect& canvasRect, TColor color) {
  if (!m_surface) return;
  const TPixel p = PixelFromColor(ColorToRGB(color));
  ForEachClipped(canvasRect, [&](const TRect& part) {
    for (int y = part.Top; y < part.Bottom; ++y) {
      TPixel* row = m_surface->Row(y);
      FillPixels(row + part.Left, part.Width(), p);
    }
  });
}

void TCanvas::FillRect(const TRect& r) {
  if (m_brush.Style == bsClear) return;
  FillDevice(r, m_brush.Color);
}

void TCanvas::FrameRect(const TRect& r) {
  if (r.IsEmpty()) return;
  FillDevice({r.Left, r.Top, r.Right, r.Top + 1}, m_brush.Color);
  FillDevice({r.Left, r.Bottom - 1, r.Right, r.Bottom}, m_brush.Color);
  FillDevice({r.Left, r.Top, r.Left + 1, r.Bottom}, m_brush.Color);
  FillDevice({r.Right - 1, r.Top, r.Right, r.Bottom}, m_brush.Color);
}

void TCanvas::Rectangle(const TRect& r) {
  if (r.IsEmpty()) return;
  const int w = m_pen.Style == psClear ? 0 : std::max(1, m_pen.Width);
  if (m_brush.Style != bsClear) FillDevice(r.Inflate(-w, -w), m_brush.Color);
  if (w == 0) return;
  const TColor pc = m_pen.Color;
  FillDevice({r.Left, r.Top, r.Right, r.Top + w}, pc);
  FillDevice({r.Left, r.Bottom - w, r.Right, r.Bottom}, pc);
  FillDevice({r.Left, r.Top, r.Left + w, r.Bottom}, pc);
  FillDevice({r.Right - w, r.Top, r.Right, r.Bottom}, pc);
}

void TCanvas::Hline(int x0, int x1, int y, TColor color) {
  if (x1 < x0) std::swap(x0, x1);
  FillDevice({x0, y, x1 + 1, y + 1}, color);
}

void TCanvas::Vline(int x, int y0, int y1, TColor color) {
  if (y1 < y0) std::swap(y0, y1);
  FillDevice({x, y0, x + 1, y1 + 1}, color);
}

void TCanvas::LineTo(int x, int y) {
  const TPoint from = m_penPos;
  m_penPos = {x, y};
  if (m_pen.Style == psClear) return;
  // Bresenham; the end point is not drawn.
  int dx = std::abs(x - from.X), sx = from.X < x ? 1 : -1;
  int dy = -std::abs(y - from.Y), sy = from.Y < y ? 1 : -1;
  int err = dx + dy;
  int cx = from.X, cy = from.Y;
  int step = 0;
  while (cx != x || cy != y) {
    if (m_pen.Style == psSolid || (step & 1) == 0) SetPixel(cx, cy, m_pen.Color);
    ++step;
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      cx += sx;
    }
    if (e2 <= dx) {
      err += dx;
      cy += sy;
    }
  }
}

TColor TCanvas::GetPixel(int x, int y) const {
  if (!m_surface) return clNone;
  const TPoint d{x * m_scale + m_origin.X, y * m_scale + m_origin.Y};
  for (const TRect& c : m_clip)
    if (c.Contains(d)) return ColorFromPixel(m_surface->At(d.X, d.Y));
  return clNone;
}

void TCanvas::SetPixel(int x, int y, TColor c) { FillDevice({x, y, x + 1, y + 1}, c); }

// ---------------------------------------------------------------------------------------------
// TCanvas: text
// ---------------------------------------------------------------------------------------------

int TCanvas::TextWidth(std::string_view text) { return TFontEngine::Instance().TextWidth(m_font.Desc(), text); }
int TCanvas::TextHeight(std::string_view) { return TFontEngine::Instance().Metrics(m_font.Desc()).Height; }
TPoint TCanvas::TextExtent(std::string_view text) { return {TextWidth(text), TextHeight(text)}; }

void TCanvas::TextOut(int x, int y, std::string_view text) {
  TRect cell{x, y, x + TextWidth(text), y + TextHeight(text)};
  TextRect(cell, x, y, text);
  m_penPos = {cell.Right, y};
}

void TCanvas::TextRect(const TRect& r, int x, int y, std::string_view text) {
  if (!m_surface) return;
  if (m_brush.Style != bsClear) FillDevice(r, m_brush.Color);
  // Text on a scaled surface is rasterised at the device height, not enlarged.
  TFontDesc desc = m_font.Desc();
  desc.Height *= m_scale;
  const TColor color = ColorToRGB(m_font.Color());
  const int dx = x * m_scale + m_origin.X, dy = y * m_scale + m_origin.Y;
  ForEachClipped(
      r, [&](const TRect& part) { TFontEngine::Instance().DrawText(*m_surface, part, dx, dy, desc, text, color); });
}

namespace {
// Removes the "&" prefixes: returns the visible text and the byte offset of the underlined
// character (or npos).
std::string StripPrefix(std::string_view text, size_t& underline) {
  std::string out;
  underline = std::string::npos;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) {
      ++i;
      if (text[i] != '&' && underline == std::string::npos) underline = out.size();
    }
    out += text[i];
  }
  return out;
}

size_t Utf8Length(std::string_view s, size_t at) {
  const unsigned char c = static_cast<unsigned char>(s[at]);
  size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
  return std::min(n, s.size() - at);
}
}  // namespace

void TCanvas::DrawText(std::string_view text, TRect& r, unsigned flags) {
  size_t underline = std::string::npos;
  const std::string shown = (flags & dtNoPrefix) ? std::string(text) : StripPrefix(text, underline);
  const TPoint ext = TextExtent(shown);
  if (flags & dtCalcRect) {
    r.Right = r.Left + ext.X;
    r.Bottom = r.Top + ext.Y;
    return;
  }
  int x = r.Left;
  if (flags & dtCenter)
    x = r.Left + (r.Width() - ext.X) / 2;
  else if (flags & dtRight)
    x = r.Right - ext.X;
  int y = r.Top;
  if (flags & dtVCenter)
    y = r.Top + (r.Height() - ext.Y) / 2;
  else if (flags & dtBottom)
    y = r.Bottom - ext.Y;

  const TBrushStyle saved = m_brush.Style;
  m_brush.Style = bsClear;  // text drawing leaves the background alone
  if (flags & dtNoClip) {
    TextRect({x, y, x + ext.X, y + ext.Y}, x, y, shown);
  } else {
    TextRect(r, x, y, shown);
  }
  m_brush.Style = saved;
  if (underline != std::string::npos) {
    const int ux = x + TextWidth(std::string_view(shown).substr(0, underline));
    const int uw = TextWidth(std::string_view(shown).substr(underline, Utf8Length(shown, underline)));
    const auto& m = TFontEngine::Instance().Metrics(m_font.Desc());
    const int uy = y + m.Ascent + 1;
    TRect line{ux, uy, ux + uw, uy + 1};
    if (!(flags & dtNoClip)) line = line.Intersect(r);
    FillDevice(line, m_font.Color());
  }
}

void TCanvas::DrawEdge(const TRect& r, TEdgeKind edge, unsigned flags) {
  if (r.IsEmpty()) return;
  const bool flat = (flags & bfFlat) != 0;
  TColor outerTL, outerBR, innerTL, innerBR;
  switch (edge) {
    case edgeRaised:
      outerTL = clBtnFace;
      outerBR = clWindowFrame;
      innerTL = clBtnHighlight;
      innerBR = clBtnShadow;
      break;
    case edgeSunken:
      outerTL = clBtnShadow;
      outerBR = clBtnHighlight;
      innerTL = clWindowFrame;
      innerBR = clBtnFace;
      break;
    case edgeBump:
      outerTL = clBtnHighlight;
      outerBR = clBtnShadow;
      innerTL = clBtnShadow;
      innerBR = clBtnHighlight;
      break;
    default:
      outerTL = clBtnShadow;
      outerBR = clBtnHighlight;
      innerTL = clBtnHighlight;
      innerBR = clBtnShadow;
      break;
  }
  if (flat) outerTL = outerBR = innerTL = innerBR = clBtnShadow;
  auto frame = [&](const TRect& f, TColor tl, TColor br) {
    FillDevice({f.Left, f.Top, f.Right - 1, f.Top + 1}, tl);
    FillDevice({f.Left, f.Top, f.Left + 1, f.Bottom - 1}, tl);
    FillDevice({f.Left, f.Bottom - 1, f.Right, f.Bottom}, br);
    FillDevice({f.Right - 1, f.Top, f.Right, f.Bottom}, br);
  };
  frame(r, outerTL, outerBR);
  if (!flat) frame(r.Inflate(-1, -1), innerTL, innerBR);
  if (flags & bfMiddle) FillDevice(r.Inflate(flat ? -1 : -2, flat ? -1 : -2), clBtnFace);
}

void TCanvas::InvertDevice(const TRect& part) {
  for (int y = part.Top; y < part.Bottom; ++y)
    for (int x = part.Left; x < part.Right; ++x) m_surface->At(x, y) ^= 0x00FFFFFFu;
}

void TCanvas::InvertRect(const TRect& r) {
  if (m_surface) ForEachClipped(r, [&](const TRect& part) { InvertDevice(part); });
}

void TCanvas::DrawFocusRect(const TRect& r) {
  if (!m_surface || r.IsEmpty()) return;
  // A dotted frame drawn by inverting every other pixel.
  auto invert = [&](int x, int y) { ForEachClipped({x, y, x + 1, y + 1}, [&](const TRect& p) { InvertDevice(p); }); };
  for (int x = r.Left; x < r.Right; x += 2) {
    invert(x, r.Top);
    invert(x, r.Bottom - 1);
  }
  for (int y = r.Top + 2; y < r.Bottom - 1; y += 2) {
    invert(r.Left, y);
    invert(r.Right - 1, y);
  }
}

// ---------------------------------------------------------------------------------------------
// TCanvas: block transfers
// ---------------------------------------------------------------------------------------------

namespace {
// Applies a ternary raster operation bit by bit to pattern, source and destination.
inline std::uint32_t Rop3(std::uint8_t code, std::uint32_t p, std::uint32_t s, std::uint32_t d) {
  std::uint32_t out = 0;
  for (int i = 0; i < 8; ++i) {
    if (!(code & (1u << i))) continue;
    out |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return out & 0x00FFFFFFu;
}
}  // namespace

void TCanvas::BitBlt(int x, int y, int w, int h, const TSurface& src, int sx, int sy, std::uint32_t rop) {
  if (!m_surface || w <= 0 || h <= 0) return;
  const std::uint8_t code = static_cast<std::uint8_t>(rop >> 16);
  const std::uint32_t pattern = PixelFromColor(ColorToRGB(m_brush.Color)) & 0x00FFFFFFu;
  // A source of the canvas's scale is copied pixel for pixel; another one by nearest pixel.
  const int ss = src.Scale;
  const TRect dev = DeviceRect({x, y, x + w, y + h});
  const auto source = [&](int d, int origin, int s) { return s * ss + (d - origin) * ss / m_scale; };
  ForEachClipped({x, y, x + w, y + h}, [&](const TRect& part) {
    for (int dy = part.Top; dy < part.Bottom; ++dy) {
      const int syy = source(dy, dev.Top, sy);
      for (int dx = part.Left; dx < part.Right; ++dx) {
        const int sxx = source(dx, dev.Left, sx);
        const std::uint32_t s =
            (sxx >= 0 && syy >= 0 && sxx < src.Width && syy < src.Height) ? src.At(sxx, syy) & 0x00FFFFFFu : 0;
        TPixel& d = m_surface->At(dx, dy);
        d = 0xFF000000u | (code == 0xCC ? s : Rop3(code, pattern, s, d & 0x00FFFFFFu));
      }
    }
  });
}

void TCanvas::Draw(int x, int y, TGraphic& graphic) {
  if (graphic.Empty()) return;
  graphic.ForScale(m_scale).Draw(*this, Bounds(x, y, graphic.Width(), graphic.Height()));
}

void TCanvas::StretchDraw(const TRect& r, TGraphic& graphic) {
  if (graphic.Empty()) return;
  graphic.ForScale(m_scale).Draw(*this, r);
}

// ---------------------------------------------------------------------------------------------
// TGraphic: versions for scaled displays
// ---------------------------------------------------------------------------------------------

void TGraphic::SetScaledVersion(int scale, TLoader loader) {
  m_scaled.erase(scale);
  if (loader)
    m_scaledLoaders[scale] = std::move(loader);
  else
    m_scaledLoaders.erase(scale);
}

TGraphic& TGraphic::ForScale(int scale) {
  if (const auto pending = m_scaledLoaders.find(scale); pending != m_scaledLoaders.end()) {
    TLoader loader = std::move(pending->second);
    m_scaledLoaders.erase(pending);
    if (auto picture = loader()) m_scaled[scale] = std::move(picture);
  }
  const auto it = m_scaled.find(scale);
  return it == m_scaled.end() || it->second->Empty() ? *this : *it->second;
}
