// Ordinary components: TTimer, TShape, TPanel, TLabel, TButton.
#include "framework/ExtCtrls.h"

#include "framework/Forms.h"

// =============================================================================================
// TTimer
// =============================================================================================

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() {
  if (Application) Application->Timers().Cancel(this);
}

void TTimer::Restart() {
  if (!Application) return;
  if (m_enabled && m_interval > 0 && OnTimer)
    Application->Timers().Schedule(this, platform::Platform().NowMs() + static_cast<std::uint64_t>(m_interval));
  else
    Application->Timers().Cancel(this);
}

void TTimer::SetEnabled(bool v) {
  if (m_enabled == v) return;
  m_enabled = v;
  Restart();
}

void TTimer::SetInterval(int ms) {
  if (m_interval == ms) return;
  m_interval = ms;
  Restart();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
  OnTimer = std::move(handler);
  Restart();
}

void TTimer::Tick() {
  if (OnTimer) OnTimer(this);
}

bool TTimer::GetPropertyText(std::string_view name, std::string& v) {
  if (name == "Enabled")
    v = PropBool(m_enabled);
  else if (name == "Interval")
    v = PropInt(m_interval);
  else
    return TComponent::GetPropertyText(name, v);
  return true;
}

// =============================================================================================
// TShape
// =============================================================================================

TShape::TShape(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 65, 65);
  m_brush.Color = clWhite;
  m_pen.Color = clBlack;
}

void TShape::Paint() {
  TCanvas& c = Canvas();
  c.Pen() = m_pen;
  c.Brush() = m_brush;
  const int pw = m_pen.Style == psClear ? 0 : m_pen.Width;
  const int x = pw / 2;
  const int w = Width() - pw + 1, h = Height() - pw + 1;
  if (pw == 0) {
    c.FillRect({0, 0, Width(), Height()});
    return;
  }
  // The outline's centre runs along the control's edge: a one-pixel pen frames the whole area.
  c.Rectangle({x, x, x + w - 1 + (pw % 2), x + h - 1 + (pw % 2)});
}

// =============================================================================================
// TPanel
// =============================================================================================

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) {
  SetBounds(0, 0, 185, 41);
  SetControlStyle(ControlStyle() | csAcceptsControls | csOpaque);
}

void TPanel::PaintNonClient(TCanvas& canvas) {
  if (m_borderStyle != bsSingle) return;
  if (m_ctl3D) {
    canvas.DrawEdge({0, 0, Width(), Height()}, edgeSunken, bfRect);
    return;
  }
  TWinControl::PaintNonClient(canvas);
}

void TPanel::Paint() {
  TCanvas& c = Canvas();
  TRect r = ClientRect();
  c.Brush().Color = Color();
  c.Brush().Style = bsSolid;
  c.FillRect(r);
  if (m_bevelOuter == bvRaised)
    c.DrawEdge(r, edgeRaised, bfRect);
  else if (m_bevelOuter == bvLowered)
    c.DrawEdge(r, edgeSunken, bfRect);
  if (!Caption().empty()) {
    c.Font().Assign(Font());
    c.DrawText(Caption(), r, dtCenter | dtVCenter | dtSingleLine);
  }
}

// =============================================================================================
// TLabel
// =============================================================================================

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 65, 17);
  SetParentColor(true);
  SetControlStyle(ControlStyle() & ~csCaptureMouse);
}

void TLabel::SetTransparent(bool v) {
  if (m_transparent == v) return;
  m_transparent = v;
  Invalidate();
}

void TLabel::SetAlignment(TAlignment a) {
  if (m_alignment == a) return;
  m_alignment = a;
  Invalidate();
}

void TLabel::SetAutoSize(bool v) {
  if (m_autoSize == v) return;
  m_autoSize = v;
  AdjustBounds();
}

void TLabel::AdjustBounds() {
  if (!m_autoSize || Loading()) return;
  TCanvas measure;
  measure.Font().Assign(Font());
  TRect r{0, 0, 0, 0};
  measure.DrawText(Caption(), r, dtCalcRect | dtSingleLine);
  int x = Left();
  if (m_alignment == taRightJustify) x += Width() - r.Right;
  SetBounds(x, Top(), r.Right, r.Bottom);
}

void TLabel::TextChanged() {
  AdjustBounds();
  Invalidate();
}

void TLabel::FontChanged() {
  TGraphicControl::FontChanged();
  AdjustBounds();
}

void TLabel::Loaded() { AdjustBounds(); }

void TLabel::Paint() {
  TCanvas& c = Canvas();
  TRect r = ClientRect();
  if (!m_transparent) {
    c.Brush().Color = Color();
    c.Brush().Style = bsSolid;
    c.FillRect(r);
  }
  c.Font().Assign(Font());
  unsigned flags = dtSingleLine;
  if (m_alignment == taCenter)
    flags |= dtCenter;
  else if (m_alignment == taRightJustify)
    flags |= dtRight;
  if (!Enabled()) {
    // Embossed: highlight one pixel right and down, then shadow in place.
    TRect shifted = r.Offset(1, 1);
    c.Font().SetColor(clBtnHighlight);
    c.DrawText(Caption(), shifted, flags);
    c.Font().SetColor(clBtnShadow);
    c.DrawText(Caption(), r, flags);
    return;
  }
  c.DrawText(Caption(), r, flags);
}

bool TLabel::GetPropertyText(std::string_view name, std::string& v) {
  if (name == "Caption")
    v = Caption();
  else if (name == "Transparent")
    v = PropBool(m_transparent);
  else if (name == "AutoSize")
    v = PropBool(m_autoSize);
  else if (name == "Alignment")
    v = PropInt(m_alignment);
  else
    return TGraphicControl::GetPropertyText(name, v);
  return true;
}

// =============================================================================================
// TButton
// =============================================================================================

TButton::TButton(TComponent* owner) : TCustomControl(owner) {
  SetBounds(0, 0, 75, 25);
  SetTabStop(true);
  SetControlStyle((ControlStyle() | csOpaque) & ~csClickEvents);
}

void TButton::Click() {
  if (m_modalResult != 0)
    if (TCustomForm* f = GetParentForm()) f->SetModalResult(m_modalResult);
  TCustomControl::Click();
}

void TButton::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  if (b == mbLeft) {
    m_pressed = true;
    if (CanFocus()) SetFocus();
    Invalidate();
  }
  TCustomControl::MouseDown(b, s, x, y);
}

void TButton::MouseMove(TShiftState s, int x, int y) {
  if (ControlState() & csLButtonDown) {
    const bool inside = ClientRect().Contains({x, y});
    if (inside != m_pressed) {
      m_pressed = inside;
      Invalidate();
    }
  }
  TCustomControl::MouseMove(s, x, y);
}

void TButton::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  const bool click = b == mbLeft && m_pressed && ClientRect().Contains({x, y});
  if (b == mbLeft) {
    m_pressed = false;
    Invalidate();
  }
  TCustomControl::MouseUp(b, s, x, y);
  if (click) Click();
}

void TButton::Paint() {
  TCanvas& c = Canvas();
  TRect r = ClientRect();
  c.Brush().Color = clBtnFace;
  c.Brush().Style = bsSolid;
  c.FillRect(r);
  if (Focused()) {
    c.Brush().Color = clWindowFrame;
    c.FrameRect(r);
    r = r.Inflate(-1, -1);
  }
  c.DrawEdge(r, m_pressed ? edgeSunken : edgeRaised, bfRect);
  c.Font().Assign(Font());
  TRect text = m_pressed ? r.Offset(1, 1) : r;
  c.DrawText(Caption(), text, dtCenter | dtVCenter | dtSingleLine);
  if (Focused()) c.DrawFocusRect(ClientRect().Inflate(-4, -4));
}
