// TImage: a windowless control showing a picture at its natural size (or stretched).
#include "framework/ExtCtrls.h"
#include "framework/Picture.h"

TImage::TImage(TComponent* owner) : TGraphicControl(owner), m_picture(std::make_unique<TPicture>()) {
  SetBounds(0, 0, 105, 105);
  m_picture->OnChange = [this] { PictureChanged(); };
}

TImage::~TImage() = default;

void TImage::SetAutoSize(bool v) {
  if (m_autoSize == v) return;
  m_autoSize = v;
  PictureChanged();
}

void TImage::PictureChanged() {
  if (m_autoSize && !m_picture->Empty()) SetBounds(Left(), Top(), m_picture->Width(), m_picture->Height());
  Invalidate();
}

void TImage::Paint() {
  TGraphic* g = m_picture->Graphic();
  if (!g || g->Empty()) return;
  if (m_stretch)
    Canvas().StretchDraw(ClientRect(), *g);
  else
    Canvas().Draw(0, 0, *g);
}
