// The flat controls.
//
//   title bar      construction, parent rule, activation hook, painting, moving the form
//   speed button   construction and setters, notifications, input, groups, layout, painting
//   disabled glyph CreateDisabledGlyph
#include "controls/FlatCtrls.h"

#include <algorithm>

#include "framework/Forms.h"
#include "framework/Menus.h"

// =============================================================================================
// Title bar
// =============================================================================================

TDefineTitlebar::TDefineTitlebar(TComponent* owner) : TVersionControl(owner), m_alive(std::make_shared<bool>(true)) {
  SetBounds(0, 0, 100, 19);
  // It fills its whole client area itself.
  SetControlStyle(ControlStyle() | csAcceptsControls | csOpaque);
}

TDefineTitlebar::~TDefineTitlebar() { *m_alive = false; }

void TDefineTitlebar::SetActiveTextColor(TColor c) {
  if (m_activeTextColor == c) return;
  m_activeTextColor = c;
  Invalidate();
}

void TDefineTitlebar::SetInactiveTextColor(TColor c) {
  if (m_inactiveTextColor == c) return;
  m_inactiveTextColor = c;
  Invalidate();
}

void TDefineTitlebar::SetTitlebarColor(TColor c) {
  if (m_titlebarColor == c) return;
  m_titlebarColor = c;
  Invalidate();
}

void TDefineTitlebar::SetParent(TWinControl* parent) {
  auto* form = dynamic_cast<TCustomForm*>(parent);
  if (parent && !form) throw EInvalidOperation("TFlatTitlebar can only be placed on a descndant of a TCustomForm");
  m_form = form;
  TVersionControl::SetParent(parent);
}

void TDefineTitlebar::Loaded() {
  TVersionControl::Loaded();
  if (m_form) InstallHook();
}

void TDefineTitlebar::InstallHook() {
  if (m_hookInstalled) return;
  m_form->Handle();
  m_previousWndProc = m_form->WindowProc;
  // The hook may outlive the title bar (the form's window procedure stays replaced); it then
  // only passes messages on.
  m_form->WindowProc = [this, alive = m_alive, previous = m_previousWndProc](TMessage& m) {
    if (*alive)
      HookWndProc(m);
    else
      previous(m);
  };
  m_hookInstalled = true;
}

void TDefineTitlebar::HookWndProc(TMessage& m) {
  if (m.Msg == WM_ACTIVATE) {
    switch (LoWord(m.WParam)) {
      case WA_INACTIVE:
        m_active = false;
        Invalidate();
        if (OnDeactivate) OnDeactivate(this);
        break;
      case WA_ACTIVE:
      case WA_CLICKACTIVE:
        m_active = true;
        Invalidate();
        if (OnActivate) OnActivate(this);
        break;
      default: break;
    }
  }
  // The form sees every message, unchanged, after the title bar.
  m_previousWndProc(m);
}

void TDefineTitlebar::Paint() {
  TCanvas& c = Canvas();
  c.Font().Assign(Font());
  c.Font().SetColor(m_active ? m_activeTextColor : m_inactiveTextColor);
  const int tw = c.TextWidth(Caption());
  const int th = c.TextHeight(Caption());
  c.Brush().Style = bsSolid;
  c.Brush().Color = m_titlebarColor;
  c.FillRect(ClientRect());
  // One line, "&" drawn as it is, cut at the bar's edges.
  c.TextOut(Width() / 2 - tw / 2, Height() / 2 - th / 2, Caption());
}

TCustomForm* TDefineTitlebar::MovedForm() const {
  if (auto* owner = dynamic_cast<TCustomForm*>(Owner())) return owner;
  return m_form;
}

// Moving: a left press starts it, every move while it lasts shifts the form by the pointer's
// offset from the press point (horizontally, then vertically), any release ends it. The form
// moves under the pointer, so the pointer keeps its place on the bar; the positions must be
// those of the messages as delivered.
void TDefineTitlebar::MouseDown(TMouseButton button, TShiftState, int x, int y) {
  if (button == mbLeft && !m_dragging) m_dragging = true;
  m_pressPoint = {x, y};
}

void TDefineTitlebar::MouseMove(TShiftState, int x, int y) {
  if (!m_dragging) return;
  TCustomForm* form = MovedForm();
  if (!form) return;
  form->SetLeft(form->Left() + x - m_pressPoint.X);
  form->SetTop(form->Top() + y - m_pressPoint.Y);
}

void TDefineTitlebar::MouseUp(TMouseButton, TShiftState, int, int) { m_dragging = false; }

bool TDefineTitlebar::GetPropertyText(std::string_view name, std::string& v) {
  if (name == "Caption")
    v = Caption();
  else if (name == "TitlebarColor")
    v = PropColor(m_titlebarColor);
  else if (name == "ActiveTextColor")
    v = PropColor(m_activeTextColor);
  else if (name == "InactiveTextColor")
    v = PropColor(m_inactiveTextColor);
  else
    return TVersionControl::GetPropertyText(name, v);
  return true;
}

// =============================================================================================
// Speed button: construction and setters
// =============================================================================================

TDefineSpeed::TDefineSpeed(TComponent* owner) : TVersionGraphic(owner), m_glyph(std::make_unique<TBitmap>()) {
  SetBounds(0, 0, 25, 25);
  // Captures from a left press, takes double clicks; its clicks come from its own release rule.
  SetControlStyle((ControlStyle() | csCaptureMouse | csDoubleClicks) & ~csClickEvents);
  SetParentColor(true);
}

TDefineSpeed::~TDefineSpeed() = default;

void TDefineSpeed::SetTransparent(FlatUtils::TTransparentMode mode) {
  if (m_transparent == mode) return;
  m_transparent = mode;
  Invalidate();
}

void TDefineSpeed::SetTransBorder(bool v) {
  if (m_transBorder == v) return;
  m_transBorder = v;
  Invalidate();
}

void TDefineSpeed::SetColorFocused(TColor c) {
  m_colorFocused = c;
  Invalidate();
}
void TDefineSpeed::SetColorDown(TColor c) {
  m_colorDown = c;
  Invalidate();
}
void TDefineSpeed::SetColorBorder(TColor c) {
  m_colorBorder = c;
  Invalidate();
}
void TDefineSpeed::SetColorShadow(TColor c) {
  m_colorShadow = c;
  Invalidate();
}
void TDefineSpeed::SetColorFlat(TColor c) {
  m_colorFlat = c;
  Invalidate();
}
void TDefineSpeed::SetFoisColor(TColor c) {
  m_foisColor = c;
  Invalidate();
}

void TDefineSpeed::SetFoisChange(bool v) {
  if (m_foisChange == v) return;
  m_foisChange = v;
  Invalidate();
}

void TDefineSpeed::SetFoisStyle(TFontStyles s) {
  if (m_foisStyle == s) return;
  m_foisStyle = s;
  Invalidate();
}

void TDefineSpeed::SetGlyph(const TBitmap& glyph) {
  if (&glyph == m_glyph.get()) return;
  m_glyph->Assign(glyph);
  const int w = m_glyph->Width(), h = m_glyph->Height();
  if (!m_glyph->Empty() && h != 0 && w % h == 0) {
    const int images = w / h;
    m_numGlyphs = images > FlatUtils::MaxNumGlyphs ? 1 : images;
  }
  Invalidate();
}

void TDefineSpeed::SetLayout(FlatUtils::TButtonLayout layout) {
  if (m_layout == layout) return;
  m_layout = layout;
  Invalidate();
}

void TDefineSpeed::SetMargin(int v) {
  if (v < -1 || m_margin == v) return;
  m_margin = v;
  Invalidate();
}

void TDefineSpeed::SetNumGlyphs(FlatUtils::TNumGlyphs n) {
  if (n < FlatUtils::MinNumGlyphs || n > FlatUtils::MaxNumGlyphs || m_numGlyphs == n) return;
  m_numGlyphs = n;
  Invalidate();
}

void TDefineSpeed::SetSpacing(int v) {
  if (m_spacing == v) return;
  m_spacing = v;
  Invalidate();
}

void TDefineSpeed::Loaded() {
  TVersionGraphic::Loaded();
  Invalidate();
}

void TDefineSpeed::Notification(TComponent* component, bool removing) {
  TVersionGraphic::Notification(component, removing);
  if (removing && component == m_popupMenu) m_popupMenu = nullptr;
}

bool TDefineSpeed::GetPropertyText(std::string_view name, std::string& v) {
  if (name == "Caption")
    v = Caption();
  else if (name == "Down")
    v = PropBool(m_down);
  else if (name == "GroupIndex")
    v = PropInt(m_groupIndex);
  else if (name == "AllowAllUp")
    v = PropBool(m_allowAllUp);
  else if (name == "Transparent")
    v = PropInt(m_transparent);
  else if (name == "TransBorder")
    v = PropBool(m_transBorder);
  else if (name == "ColorFocused")
    v = PropColor(m_colorFocused);
  else if (name == "ColorDown")
    v = PropColor(m_colorDown);
  else if (name == "ColorBorder")
    v = PropColor(m_colorBorder);
  else if (name == "ColorShadow")
    v = PropColor(m_colorShadow);
  else if (name == "ColorFlat")
    v = PropColor(m_colorFlat);
  else if (name == "FoisColor")
    v = PropColor(m_foisColor);
  else if (name == "FoisChange")
    v = PropBool(m_foisChange);
  else if (name == "FoisStyle")
    v = PropInt(m_foisStyle);
  else if (name == "Layout")
    v = PropInt(m_layout);
  else if (name == "Margin")
    v = PropInt(m_margin);
  else if (name == "NumGlyphs")
    v = PropInt(m_numGlyphs);
  else if (name == "Spacing")
    v = PropInt(m_spacing);
  else if (name == "ModalResult")
    v = PropInt(m_modalResult);
  else
    return TVersionGraphic::GetPropertyText(name, v);
  return true;
}

// =============================================================================================
// Speed button: notifications, click, accelerator
// =============================================================================================

void TDefineSpeed::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_MOUSEENTER: MouseEntered(); break;
    case CM_MOUSELEAVE: MouseLeft(); break;
    case CM_ENABLEDCHANGED: EnabledChanged(); break;
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
    case CM_PARENTCOLORCHANGED: Invalidate(); break;
    case CM_DIALOGCHAR:
      // Visibility plays no part: a hidden button with an accelerator still clicks.
      if (Enabled() && IsAccelerator(static_cast<char32_t>(m.WParam))) {
        Click();
        m.Result = 1;
        return;
      }
      break;
    case CM_BUTTONPRESSED:
      GroupButtonPressed(static_cast<int>(m.WParam),
                         dynamic_cast<TDefineSpeed*>(reinterpret_cast<TControl*>(m.LParam)));
      break;
    default: break;
  }
  TVersionGraphic::WndProc(m);
}

void TDefineSpeed::Click() {
  if (Parent())
    if (TCustomForm* form = GetParentForm()) form->SetModalResult(m_modalResult);
  if (m_popupMenu) {
    const TPoint corner = ClientToScreen({0, Height()});
    m_popupMenu->Popup(corner.X, corner.Y);
  }
  TVersionGraphic::Click();
}

namespace {
char32_t DecodeAt(const std::string& s, size_t& i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  const int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
  char32_t cp = n == 1 ? c : n == 2 ? c & 0x1F : n == 3 ? c & 0x0F : c & 0x07;
  for (int k = 1; k < n && i + k < s.size(); ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
  i += n;
  return cp;
}
char32_t FoldCase(char32_t c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }
}  // namespace

bool TDefineSpeed::IsAccelerator(char32_t ch) const {
  const std::string& text = Caption();
  for (size_t i = 0; i < text.size();) {
    if (text[i] != '&') {
      DecodeAt(text, i);
      continue;
    }
    ++i;
    if (i >= text.size()) return false;
    if (text[i] == '&') {  // "&&" is a plain "&"
      ++i;
      continue;
    }
    return FoldCase(DecodeAt(text, i)) == FoldCase(ch);
  }
  return false;
}

// =============================================================================================
// Speed button: input and hot tracking
// =============================================================================================
//
//   from          event                                   to
//   up            left press (enabled, not Down)          pressed
//   pressed       move outside while tracking             up
//   up            move inside while tracking              pressed
//   pressed       release inside, no group                up, click
//   pressed       release inside, grouped                 latched (Down := true), click
//   pressed / up  release outside                         up, or latched if Down
//   latched       release inside, grouped, AllowAllUp     up (Down := false), click
//   latched       release inside, grouped, no AllowAllUp  latched, click
//
// "Inside" counts the row just below the button but not the column just right of it.

void TDefineSpeed::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TVersionGraphic::MouseDown(button, shift, x, y);
  if (button != mbLeft || !Enabled()) return;
  if (!m_down) {
    m_state = fbPressed;
    Invalidate();
  }
  m_tracking = true;
  if ((shift & ssDouble) && m_down && OnDblClick) OnDblClick(this);
}

void TDefineSpeed::MouseMove(TShiftState shift, int x, int y) {
  TVersionGraphic::MouseMove(shift, x, y);
  if (!m_tracking) return;
  const TFlatButtonState state = m_down ? fbLatched : Inside(x, y) ? fbPressed : fbUp;
  if (state == m_state) return;
  m_state = state;
  Invalidate();
}

void TDefineSpeed::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TVersionGraphic::MouseUp(button, shift, x, y);
  if (!m_tracking) return;
  m_tracking = false;
  const bool inside = Inside(x, y);
  if (m_groupIndex == 0) {
    m_state = fbUp;
    m_hot = false;
    if (inside) Invalidate();
  } else if (inside) {
    SetDown(!m_down);
    if (m_down) Repaint();
  } else {
    // A release away from where the last move left the state still ends in the rest look.
    m_state = m_down ? fbLatched : fbUp;
    Repaint();
  }
  if (inside)
    Click();
  else
    MouseLeft();
  RederiveHot();
}

void TDefineSpeed::MouseEntered() {
  if (OnMouseEnter) {
    OnMouseEnter(this);
    return;
  }
  if (!Enabled() || m_hot) return;
  m_hot = true;
  Invalidate();
}

void TDefineSpeed::MouseLeft() {
  if (OnMouseLeave) {
    OnMouseLeave(this);
    return;
  }
  // While the mouse button is held the button stays hot.
  if (!Enabled() || !m_hot || m_tracking) return;
  m_hot = false;
  Invalidate();
}

void TDefineSpeed::EnabledChanged() {
  if (!Enabled()) {
    m_hot = false;
    m_state = fbDisabled;
  }
  RederiveHot();
  Invalidate();
}

void TDefineSpeed::RederiveHot() {
  if (!Enabled()) return;
  TControl* under = nullptr;
  if (TCustomForm* form = GetParentForm(); form && form->HasHandle()) {
    const TPoint p = form->ScreenToClient(form->CursorPos());
    if (form->ClientRect().Contains(p)) under = form->ControlAtPos(p, true, true);
  }
  m_hot = under == this;
  Invalidate();
}

// =============================================================================================
// Speed button: groups
// =============================================================================================

void TDefineSpeed::SetDown(bool v) {
  if (m_groupIndex == 0) v = false;
  if (v == m_down || (m_down && !m_allowAllUp)) return;
  m_down = v;
  if (v) {
    if (m_state == fbUp) Invalidate();
    m_state = fbLatched;
    NotifyGroup();
  } else {
    m_state = fbUp;
    Repaint();
  }
}

void TDefineSpeed::SetGroupIndex(int v) {
  if (m_groupIndex == v) return;
  m_groupIndex = v;
  NotifyGroup();
}

void TDefineSpeed::SetAllowAllUp(bool v) {
  if (m_allowAllUp == v) return;
  m_allowAllUp = v;
  NotifyGroup();
}

void TDefineSpeed::NotifyGroup() {
  if (m_groupIndex == 0 || !Parent()) return;
  const auto sender = reinterpret_cast<std::intptr_t>(static_cast<TControl*>(this));
  for (TControl* c : std::vector<TControl*>(Parent()->Controls())) c->Perform(CM_BUTTONPRESSED, m_groupIndex, sender);
}

void TDefineSpeed::GroupButtonPressed(int groupIndex, TDefineSpeed* sender) {
  if (!sender || sender == this || groupIndex != m_groupIndex) return;
  if (sender->m_down && m_down) {
    m_down = false;
    m_state = fbUp;
    Invalidate();
  }
  m_allowAllUp = sender->m_allowAllUp;
}

// =============================================================================================
// Speed button: layout and painting
// =============================================================================================

TFlatButtonLayout CalcFlatButtonLayout(TPoint clientSize, TPoint offset, TPoint glyphSize, TPoint textSize,
                                       FlatUtils::TButtonLayout layout, int margin, int spacing) {
  const int cw = clientSize.X, ch = clientSize.Y;
  const int gw = glyphSize.X, gh = glyphSize.Y;
  const int tw = textSize.X, th = textSize.Y;
  const bool sideways = layout == FlatUtils::blGlyphLeft || layout == FlatUtils::blGlyphRight;
  TPoint glyph, text;
  if (sideways) {
    glyph.Y = (ch - gh + 1) / 2;
    text.Y = (ch - th + 1) / 2;
  } else {
    glyph.X = (cw - gw + 1) / 2;
    text.X = (cw - tw + 1) / 2;
  }
  if (tw == 0 || gw == 0) spacing = 0;
  if (margin == -1 && spacing == -1) {
    margin = sideways ? (cw - (gw + tw)) / 3 : (ch - (gh + th)) / 3;
    spacing = margin;
  } else if (margin == -1) {
    margin = sideways ? (cw - (gw + spacing + tw) + 1) / 2 : (ch - (gh + spacing + th) + 1) / 2;
  } else if (spacing == -1) {
    spacing = sideways ? (cw - (margin + gw) - tw) / 2 : (ch - (margin + gh) - th) / 2;
  }
  switch (layout) {
    case FlatUtils::blGlyphLeft:
      glyph.X = margin;
      text.X = glyph.X + gw + spacing;
      break;
    case FlatUtils::blGlyphRight:
      glyph.X = cw - margin - gw;
      text.X = glyph.X - spacing - tw;
      break;
    case FlatUtils::blGlyphTop:
      glyph.Y = margin;
      text.Y = glyph.Y + gh + spacing;
      break;
    case FlatUtils::blGlyphBottom:
      glyph.Y = ch - margin - gh;
      text.Y = glyph.Y - spacing - th;
      break;
  }
  TFlatButtonLayout result;
  result.GlyphPos = {glyph.X + offset.X, glyph.Y + offset.Y};
  result.TextRect = {text.X + offset.X, text.Y + offset.Y, text.X + offset.X + tw, text.Y + offset.Y + th};
  return result;
}

namespace {

constexpr std::uint32_t kRgbMask = 0x00FFFFFFu;

std::uint32_t RgbOf(TColor c) { return PixelFromColor(ColorToRGB(c)) & kRgbMask; }

// Copies columns [left, right) of `strip` into a w-wide image, scaling when the widths differ.
TSurface CutImage(const TSurface& strip, int left, int right, int w) {
  TSurface image(w, strip.Height);
  const int span = right - left;
  for (int y = 0; y < strip.Height; ++y)
    for (int x = 0; x < w; ++x) image.At(x, y) = strip.At(left + x * span / w, y);
  return image;
}

// Draws `image` at (x, y) leaving out every pixel of the transparent colour.
void DrawKeyed(TCanvas& canvas, int x, int y, const TSurface& image, std::uint32_t key) {
  TSurface* target = canvas.Surface();
  if (!target) return;
  // An image of the canvas's scale lands pixel for pixel; another one by nearest pixel.
  const int w = image.Width / image.Scale, h = image.Height / image.Scale, s = canvas.Scale();
  const TRect dev = canvas.DeviceRect(Bounds(x, y, w, h));
  canvas.ForEachClipped(Bounds(x, y, w, h), [&](const TRect& part) {
    for (int sy = part.Top; sy < part.Bottom; ++sy) {
      const TPixel* src = image.Row((sy - dev.Top) * image.Scale / s);
      TPixel* dst = target->Row(sy);
      for (int sx = part.Left; sx < part.Right; ++sx) {
        const TPixel p = src[(sx - dev.Left) * image.Scale / s] & kRgbMask;
        if (p != key) dst[sx] = p | 0xFF000000u;
      }
    }
  });
}

}  // namespace

void TDefineSpeed::Paint() {
  TCanvas& c = Canvas();
  // 1. Settle the state.
  if (!Enabled()) {
    m_state = fbDisabled;
    m_tracking = false;
  } else if (m_state == fbDisabled) {
    m_state = m_down && m_groupIndex != 0 ? fbLatched : fbUp;
  }
  // 2. The glyph's transparent colour: its bottom-left pixel.
  const TColor transparentColor = m_glyph->TransparentColor();
  // 3. Caption font.
  c.Font().Assign(Font());
  if (m_hot && m_foisChange) {
    c.Font().SetColor(m_foisColor);
    c.Font().SetStyle(m_foisStyle);
  }
  // 4. Press offset.
  const bool sunk = m_state == fbPressed || m_state == fbLatched;
  const TPoint offset = sunk ? TPoint{1, 1} : TPoint{0, 0};
  // 5. Layout.
  const TPoint glyphSize = m_glyph->Empty() ? TPoint{0, 0} : TPoint{m_glyph->Width() / m_numGlyphs, m_glyph->Height()};
  TPoint textSize{0, 0};
  if (!Caption().empty()) {
    TRect measured{0, 0, Width(), 0};
    c.DrawText(Caption(), measured, dtCalcRect | dtSingleLine);
    textSize = {measured.Width(), measured.Height()};
  }
  const TFlatButtonLayout layout =
      CalcFlatButtonLayout({Width(), Height()}, offset, glyphSize, textSize, m_layout, m_margin, m_spacing);
  m_glyphPos = layout.GlyphPos;
  m_textRect = layout.TextRect;
  // 6. Background.
  const bool filled = m_transparent == FlatUtils::tmNone || (m_transparent == FlatUtils::tmNotFocused && m_hot);
  if (filled) {
    TColor fill = m_colorFlat;
    switch (m_state) {
      case fbUp: fill = m_hot ? m_colorFocused : m_colorFlat; break;
      case fbDisabled: fill = m_colorFlat; break;
      case fbPressed: fill = m_colorDown; break;
      case fbLatched: fill = m_hot ? m_colorFocused : m_colorDown; break;
    }
    c.Brush().Style = bsSolid;
    c.Brush().Color = fill;
    c.FillRect({0, 0, Width(), Height()});
  }
  // 7. Outline.
  if (!m_transBorder) {
    const bool shadow = sunk || (m_state == fbUp && m_hot);
    c.Brush().Style = bsSolid;
    c.Brush().Color = shadow ? m_colorShadow : m_colorBorder;
    c.FrameRect({0, 0, Width(), Height()});
  }
  // 8. Glyph.
  PaintGlyph(c, transparentColor);
  // 9. Caption, embossed in the system button colours when disabled.
  if (!Caption().empty()) {
    const unsigned flags = dtCenter | dtVCenter | dtSingleLine;
    c.Brush().Style = bsClear;
    if (m_state == fbDisabled) {
      TRect raised = m_textRect.Offset(1, 1);
      c.Font().SetColor(clBtnHighlight);
      c.DrawText(Caption(), raised, flags);
      c.Font().SetColor(clBtnShadow);
    }
    TRect r = m_textRect;
    c.DrawText(Caption(), r, flags);
  }
}

void TDefineSpeed::PaintGlyph(TCanvas& canvas, TColor transparentColor) {
  if (m_glyph->Empty()) return;
  // A glyph drawn for the canvas's scale is used as it is; otherwise the glyph is enlarged. The
  // embossed disabled look is made from the 1x glyph, so that its one-pixel offset is a logical
  // pixel at every scale.
  const bool embossed = m_numGlyphs == 1 && m_state == fbDisabled;
  const auto* drawn = dynamic_cast<const TBitmap*>(&m_glyph->ForScale(embossed ? 1 : canvas.Scale()));
  const int glyphScale = drawn && drawn != m_glyph.get() ? canvas.Scale() : 1;
  const TSurface& strip = glyphScale == 1 ? m_glyph->Surface() : drawn->Surface();
  const int n = m_numGlyphs;
  const int w = strip.Width / n;
  if (w <= 0) return;
  // The image for the state: up 0, disabled 1, pressed 2, latched 3, as far as the strip has them.
  int index = 0;
  switch (m_state) {
    case fbUp: index = 0; break;
    case fbDisabled: index = n >= 2 ? 1 : 0; break;
    case fbPressed: index = n >= 3 ? 2 : 0; break;
    case fbLatched: index = n >= 4 ? 3 : n == 3 ? 2 : 0; break;
  }
  const int left = index * w;
  const int right = index == n - 1 ? strip.Width : left + w;
  TSurface work = CutImage(strip, left, right, w);
  std::uint32_t key = RgbOf(transparentColor);
  if (n == 1 && m_state == fbDisabled) {
    work = CreateDisabledGlyph(work, clBlack, clBtnFace, true, clBtnShadow, clBtnHighlight);
    key = work.At(0, work.Height - 1) & kRgbMask;
  }
  work.Scale = glyphScale;
  TPoint at = m_glyphPos;
  if (m_hot && m_foisChange) at = {at.X - 1, at.Y - 1};
  DrawKeyed(canvas, at.X, at.Y, work, key);
}

// =============================================================================================
// Disabled glyph
// =============================================================================================

TSurface CreateDisabledGlyph(const TSurface& image, TColor conversionColor, TColor background, bool highlight,
                             TColor shadowColor, TColor highlightColor) {
  const int w = image.Width, h = image.Height;
  // The mask: white exactly where the image has the conversion colour, black elsewhere. The
  // raster operation DSPDxax then takes the brush where the mask is white and keeps the rest.
  const std::uint32_t convert = RgbOf(conversionColor);
  TSurface mask(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) mask.At(x, y) = (image.At(x, y) & kRgbMask) == convert ? 0xFFFFFFFFu : 0xFF000000u;
  TSurface result(w, h);
  TCanvas canvas(result);
  canvas.Brush().Style = bsSolid;
  canvas.Brush().Color = background;
  canvas.FillRect(result.BoundsRect());
  if (highlight) {
    canvas.Brush().Color = highlightColor;
    canvas.BitBlt(1, 1, w, h, mask, 0, 0, DSPDxax);
  }
  canvas.Brush().Color = shadowColor;
  canvas.BitBlt(0, 0, w, h, mask, 0, 0, DSPDxax);
  return result;
}
