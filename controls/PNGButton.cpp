// TPNGButton: construction, property writes, the visual state machine and painting.
#include "controls/PNGButton.h"

#include "framework/Picture.h"

namespace {

constexpr const char* kInfo = "TPNGButton image button - https://controls.example.org/png-button";
constexpr TColor kDisabledCaption = 0x00C0C0C0;  // silver

// Column or row of an object of size `inner` in a box of size `outer`; 0, 1, 2 for start,
// middle, end. The middle truncates toward zero, so an object larger than its box starts left
// of (or above) it.
int Place(int which, int outer, int inner) {
  switch (which) {
    case 0: return 0;
    case 1: return (outer - inner) / 2;
    default: return outer - inner;
  }
}

TPoint Placement(TObjectAlignment a, int width, int height, int innerWidth, int innerHeight) {
  const int column = static_cast<int>(a) / 3, row = static_cast<int>(a) % 3;
  return {Place(column, width, innerWidth), Place(row, height, innerHeight)};
}

}  // namespace

const char* ObjectAlignmentName(TObjectAlignment a) {
  static const char* const names[] = {"tp_Left_Top",   "tp_Left_Middle",   "tp_Left_Bottom",
                                      "tp_Center_Top", "tp_Center_Middle", "tp_Center_Bottom",
                                      "tp_Right_Top",  "tp_Right_Middle",  "tp_Right_Bottom"};
  return names[a];
}

const char* VisualStateName(TVisualState s) {
  static const char* const names[] = {"vsNormal", "vsHot", "vsPressed"};
  return names[s];
}

TPNGButton::TPNGButton(TComponent* owner) : TGraphicControl(owner) {
  m_captionAlignment = tp_Center_Middle;
  m_pictureAlignment = tp_Center_Middle;
  // Switched on before the holders exist: it sizes nothing here.
  m_autoSize = true;
  m_transparent = true;
  SetHeight(25);
  SetWidth(75);
  m_pictureDefault = std::make_unique<TPicture>();
  m_pictureHot = std::make_unique<TPicture>();
  m_picturePress = std::make_unique<TPicture>();
  m_fontDefault.OnChange = [this] { Repaint(); };
  m_info = kInfo;
  m_state = vsNormal;
}

TPNGButton::~TPNGButton() = default;

// --- property writes ----------------------------------------------------------------------------

void TPNGButton::SizeToPicture() {
  SetHeight(m_pictureDefault->Height());
  SetWidth(m_pictureDefault->Width());
}

void TPNGButton::SetPictureDefault(const TPicture& p) {
  m_pictureDefault->Assign(p);
  if (m_autoSize) SizeToPicture();
  Repaint();
}

void TPNGButton::SetPictureHot(const TPicture& p) { m_pictureHot->Assign(p); }
void TPNGButton::SetPicturePress(const TPicture& p) { m_picturePress->Assign(p); }

void TPNGButton::SetCaptionDefault(const std::string& s) {
  if (m_captionDefault == s) return;
  m_captionDefault = s;
  Repaint();
}

void TPNGButton::SetCaptionHot(const std::string& s) { m_captionHot = s; }
void TPNGButton::SetCaptionPress(const std::string& s) { m_captionPress = s; }

void TPNGButton::SetCaptionAlignment(TObjectAlignment a) {
  if (m_captionAlignment == a) return;
  m_captionAlignment = a;
  Repaint();
}

void TPNGButton::SetPictureAlignment(TObjectAlignment a) {
  if (m_pictureAlignment == a) return;
  m_pictureAlignment = a;
  Repaint();
}

void TPNGButton::SetTransparent(bool v) {
  if (m_transparent == v) return;
  m_transparent = v;
  Repaint();
}

void TPNGButton::SetStretch(bool v) {
  if (m_stretch == v) return;
  m_stretch = v;
  Repaint();
}

void TPNGButton::SetAutoSize(bool v) {
  if (m_autoSize == v) return;
  m_autoSize = v;
  if (!v) return;
  SizeToPicture();
  Repaint();
}

// --- visual state -------------------------------------------------------------------------------
//
//   notification            framework part first        then
//   pointer entered         (base handling)             vsHot, repaint, OnMouseEnter
//   pointer left            (base handling)             vsNormal, OnMouseLeave, repaint
//   any button pressed      OnMouseDown                 vsPressed, repaint
//   any button released     OnClick (left, pressed on   vsHot, repaint
//                           it, released inside), then
//                           OnMouseUp
//
// The release does not look at the pointer: while the left button is held the mouse stays
// captured, so a release outside still ends in vsHot until the pointer next enters and leaves.

void TPNGButton::WndProc(TMessage& m) {
  TGraphicControl::WndProc(m);
  switch (m.Msg) {
    case CM_MOUSEENTER:
      SetState(vsHot);
      Repaint();
      if (OnMouseEnter) OnMouseEnter(this);
      break;
    case CM_MOUSELEAVE:
      SetState(vsNormal);
      if (OnMouseLeave) OnMouseLeave(this);
      Repaint();
      break;
    default: break;
  }
}

void TPNGButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  // The second press of a double click counts as a press, but its release is no second click.
  if (button == mbLeft && (shift & ssDouble)) m_controlState &= ~csClicked;
  TGraphicControl::MouseDown(button, shift, x, y);
  SetState(vsPressed);
  Repaint();
}

void TPNGButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseUp(button, shift, x, y);
  SetState(vsHot);
  Repaint();
}

// --- painting -----------------------------------------------------------------------------------

void TPNGButton::Paint() {
  TCanvas& c = Canvas();
  c.Brush() = TBrush{};
  c.Brush().Style = bsClear;
  c.Pen() = TPen{};
  c.Pen().Style = psClear;

  for (TPicture* p : {m_pictureDefault.get(), m_pictureHot.get(), m_picturePress.get()})
    if (TGraphic* g = p->Graphic()) g->SetTransparent(m_transparent);

  // The first non-empty caption and the first holder with a picture, by state.
  const TFont* font = &m_fontDefault;
  const std::string* caption = &m_captionDefault;
  TPicture* picture = m_pictureDefault.get();
  auto firstCaption = [](std::initializer_list<const std::string*> list) {
    for (const std::string* s : list)
      if (!s->empty()) return s;
    return *(list.end() - 1);
  };
  auto firstPicture = [](std::initializer_list<TPicture*> list) {
    for (TPicture* p : list)
      if (p->Graphic()) return p;
    return *(list.end() - 1);
  };
  if (m_state == vsHot) {
    font = &m_fontHot;
    caption = firstCaption({&m_captionHot, &m_captionDefault});
    picture = firstPicture({m_pictureHot.get(), m_pictureDefault.get()});
  } else if (m_state == vsPressed) {
    font = &m_fontPress;
    caption = firstCaption({&m_captionPress, &m_captionHot, &m_captionDefault});
    picture = firstPicture({m_picturePress.get(), m_pictureHot.get(), m_pictureDefault.get()});
  }

  c.Font().Assign(*font);
  if (!Enabled()) c.Font().SetColor(kDisabledCaption);
  const int tw = c.TextWidth(*caption), th = c.TextHeight(*caption);
  const TPoint textAt = Placement(m_captionAlignment, Width(), Height(), tw, th);
  const TPoint pictureAt = Placement(m_pictureAlignment, Width(), Height(), picture->Width(), picture->Height());

  if (TGraphic* g = picture->Graphic(); g && !g->Empty()) {
    if (m_stretch)
      c.StretchDraw(ClientRect(), *g);
    else
      c.Draw(pictureAt.X, pictureAt.Y, *g);
  }
  c.TextOut(textAt.X, textAt.Y, *caption);
}

bool TPNGButton::GetPropertyText(std::string_view name, std::string& v) {
  if (name == "VisualState")
    v = VisualStateName(m_state);
  else if (name == "Stretch")
    v = PropBool(m_stretch);
  else if (name == "AutoSize")
    v = PropBool(m_autoSize);
  else if (name == "Transparent")
    v = PropBool(m_transparent);
  else if (name == "CaptionAlignment")
    v = ObjectAlignmentName(m_captionAlignment);
  else if (name == "PictureAlignment")
    v = ObjectAlignmentName(m_pictureAlignment);
  else if (name == "CaptionDefault")
    v = m_captionDefault;
  else if (name == "CaptionHot")
    v = m_captionHot;
  else if (name == "CaptionPress")
    v = m_captionPress;
  else if (name == "_Info_")
    v = m_info;
  else if (name == "PictureDefault.Width")
    v = PropInt(m_pictureDefault->Width());
  else if (name == "PictureDefault.Height")
    v = PropInt(m_pictureDefault->Height());
  else if (name == "PictureHot.Empty")
    v = PropBool(m_pictureHot->Empty());
  else if (name == "PicturePress.Empty")
    v = PropBool(m_picturePress->Empty());
  else if (name == "FontDefault.Name")
    v = m_fontDefault.Name();
  else if (name == "FontDefault.Height")
    v = PropInt(m_fontDefault.Height());
  else if (name == "FontDefault.Color")
    v = PropColor(m_fontDefault.Color());
  else if (name == "FontDefault.Charset")
    v = PropInt(m_fontDefault.Charset());
  else
    return TGraphicControl::GetPropertyText(name, v);
  return true;
}
