// The speed button: press tracking, the classic face and the glyph.
#include "framework/Buttons.h"

#include <algorithm>

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner), m_glyph(std::make_unique<TBitmap>()) {
  SetBounds(0, 0, 23, 22);
  // The click comes from the release over the button, not from the generic click rule.
  SetControlStyle(csCaptureMouse | csDoubleClicks);
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetGlyph(const TBitmap& glyph) {
  m_glyph->Assign(glyph);
  Invalidate();
}

void TSpeedButton::SetNumGlyphs(int n) {
  n = std::clamp(n, 1, 4);
  if (m_numGlyphs == n) return;
  m_numGlyphs = n;
  Invalidate();
}

void TSpeedButton::SetEnabled(bool v) {
  if (!v) {
    m_dragging = false;
    m_state = bsUp;
  }
  TGraphicControl::SetEnabled(v);
}

void TSpeedButton::SetState(TButtonState s) {
  if (m_state == s) return;
  m_state = s;
  Invalidate();
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseDown(button, shift, x, y);
  if (button == mbLeft && Enabled()) {
    SetState(bsDown);
    m_dragging = true;
  }
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y) {
  TGraphicControl::MouseMove(shift, x, y);
  if (m_dragging) SetState(ClientRect().Contains({x, y}) ? bsDown : bsUp);
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseUp(button, shift, x, y);
  if (!m_dragging || button != mbLeft) return;
  m_dragging = false;
  const bool over = ClientRect().Contains({x, y});
  SetState(bsUp);
  if (over) Click();
}

bool TSpeedButton::GetPropertyText(std::string_view name, std::string& v) {
  if (name == "Caption")
    v = Caption();
  else if (name == "Down")
    v = PropBool(State() == bsDown);
  else if (name == "NumGlyphs")
    v = PropInt(m_numGlyphs);
  else
    return TGraphicControl::GetPropertyText(name, v);
  return true;
}

void TSpeedButton::DrawFace(TCanvas& c, const TRect& r, bool pushed) {
  c.Brush().Style = bsSolid;
  c.Brush().Color = clBtnFace;
  c.FillRect(r);
  // Two soft frames: raised (light top-left, dark bottom-right) or sunken (the reverse).
  auto frame = [&](const TRect& f, TColor topLeft, TColor bottomRight) {
    c.Brush().Color = topLeft;
    c.FillRect({f.Left, f.Top, f.Right - 1, f.Top + 1});
    c.FillRect({f.Left, f.Top, f.Left + 1, f.Bottom - 1});
    c.Brush().Color = bottomRight;
    c.FillRect({f.Left, f.Bottom - 1, f.Right, f.Bottom});
    c.FillRect({f.Right - 1, f.Top, f.Right, f.Bottom});
  };
  if (pushed) {
    frame(r, clWindowFrame, clBtnHighlight);
    frame(r.Inflate(-1, -1), clBtnShadow, clBtnFace);
  } else {
    frame(r, clBtnHighlight, clWindowFrame);
    frame(r.Inflate(-1, -1), clBtnFace, clBtnShadow);
  }
}

void TSpeedButton::DrawGlyph(TCanvas& c, int x, int y, TButtonState state) {
  if (m_glyph->Empty()) return;
  const TSurface& s = m_glyph->Surface();
  const int w = s.Width / m_numGlyphs, h = s.Height;
  if (w <= 0) return;
  int image = 0;
  if (state == bsDisabled && m_numGlyphs >= 2)
    image = 1;
  else if (state == bsDown && m_numGlyphs >= 3)
    image = 2;
  else if (state == bsExclusive)
    image = m_numGlyphs >= 4 ? 3 : m_numGlyphs >= 3 ? 2 : 0;
  const TPixel key = PixelFromColor(m_glyph->TransparentColor()) & 0x00FFFFFFu;
  auto pixel = [&](int ix, int iy) { return s.At(image * w + ix, iy) & 0x00FFFFFFu; };
  if (state == bsDisabled && m_numGlyphs < 2) {
    // Embossed from the glyph's shape: highlight one pixel right and down, shadow in place.
    for (const auto& [dx, colour] : {std::pair{1, clBtnHighlight}, std::pair{0, clBtnShadow}})
      for (int iy = 0; iy < h; ++iy)
        for (int ix = 0; ix < w; ++ix) {
          const TPixel p = pixel(ix, iy);
          if (p != key && p != 0x00FFFFFFu) c.SetPixel(x + ix + dx, y + iy + dx, colour);
        }
    return;
  }
  for (int iy = 0; iy < h; ++iy)
    for (int ix = 0; ix < w; ++ix) {
      const TPixel p = pixel(ix, iy);
      if (p != key) c.SetPixel(x + ix, y + iy, ColorFromPixel(p));
    }
}

void TSpeedButton::Paint() {
  TCanvas& c = Canvas();
  const TButtonState state = State();
  const bool pushed = state == bsDown || state == bsExclusive;
  const TRect face = ClientRect();
  DrawFace(c, face, pushed);
  const TRect inner = face.Inflate(-2, -2);
  const int offset = pushed ? 1 : 0;

  const int glyphWidth = m_glyph->Empty() ? 0 : m_glyph->Width() / m_numGlyphs;
  const int glyphHeight = m_glyph->Empty() ? 0 : m_glyph->Height();
  c.Font().Assign(Font());
  const std::string& caption = Caption();
  const int textWidth = caption.empty() ? 0 : c.TextWidth(caption);
  const int spacing = caption.empty() || glyphWidth == 0 ? 0 : 4;
  // Glyph left of the caption, the pair centred.
  const int left = inner.Left + (inner.Width() - (glyphWidth + spacing + textWidth) + 1) / 2 + offset;
  if (glyphWidth > 0) DrawGlyph(c, left, inner.Top + (inner.Height() - glyphHeight + 1) / 2 + offset, state);
  if (caption.empty()) return;
  TRect text = Bounds(left + glyphWidth + spacing, inner.Top + offset, textWidth, inner.Height());
  if (state == bsDisabled) {
    TRect shifted = text.Offset(1, 1);
    c.Font().SetColor(clBtnHighlight);
    c.DrawText(caption, shifted, dtVCenter | dtSingleLine);
    c.Font().SetColor(clBtnShadow);
  }
  c.DrawText(caption, text, dtVCenter | dtSingleLine);
}
