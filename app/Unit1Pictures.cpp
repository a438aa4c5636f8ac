// The main window's diagrams and picture buttons, with their pictures read from the built-in
// picture streams.
#include "app/Unit1.h"
#include "app/Unit1Build.h"
#include "app/assets/BuiltInAssets.h"
#include "controls/PNGButton.h"
#include "framework/Picture.h"
#include "platform/Platform.h"

using namespace unit1;

namespace {

constexpr const char* kAuthorPage = "https://forum.example.org/u/orvanta-author";

// Reads a picture holder from the built-in picture stream of that name. The versions of the
// picture drawn for scaled displays beside it are read when a display of their scale first
// draws them.
void ReadPicture(TPicture& picture, const std::string& asset) {
  TSpanStream stream(BuiltInAsset(asset));
  picture.ReadData(stream);
  if (!picture.Graphic()) return;
  for (int scale = 2; scale <= 3; ++scale) {
    const auto bytes = BuiltInAsset(ScaledAssetName(asset, scale));
    if (bytes.empty()) continue;
    picture.Graphic()->SetScaledVersion(scale, [bytes]() -> std::shared_ptr<TGraphic> {
      TSpanStream scaledStream(bytes);
      TPicture scaled;
      scaled.ReadData(scaledStream);
      return scaled.TakeGraphic();
    });
  }
}

// A hidden diagram keeps the bounds of the window description (its picture's size) until it is
// first shown; only then is its picture read (see ReadDiagram).
TImage* Diagram(TForm1* form, const char* name, bool visible) {
  TImage* img = Make<TImage>(form, name, form->pnl1);
  img->SetBounds(-9, 6, 492, 151);
  img->SetAutoSize(true);
  if (visible) ReadPicture(img->Picture(), std::string(name) + ".Picture.Data");
  img->SetVisible(visible);
  img->OnClick = [form](TObject* s) { form->imgs5Click(s); };
  return img;
}

TPNGButton* PictureButton(TForm1* form, const char* name, const TRect& bounds) {
  TPNGButton* b = Make<TPNGButton>(form, name, form->pnl1);
  b->SetBoundsRect(bounds);
  const std::string prefix = name;
  // The stored pictures are read straight into the button's own holders.
  ReadPicture(b->PictureDefault(), prefix + ".PictureDefault.Data");
  ReadPicture(b->PictureHot(), prefix + ".PictureHot.Data");
  ReadPicture(b->PicturePress(), prefix + ".PicturePress.Data");
  b->SetCaptionDefault(" ");
  b->SetCaptionHot(" ");
  b->SetCaptionPress(" ");
  for (TFont* f : {&b->FontDefault(), &b->FontHot(), &b->FontPress()})
    SetFont(*f, "Tahoma", 11, clWindowText, 0, DEFAULT_CHARSET);
  return b;
}

}  // namespace

void TForm1::ReadDiagram(TImage* diagram) {
  if (diagram->Picture().Empty()) ReadPicture(diagram->Picture(), diagram->Name() + ".Picture.Data");
}

void TForm1::CreateDiagrams() {
  // Bottom to top: the last style's diagram first; the first style's shows at start.
  for (std::int32_t style = kStyleCount; style >= 1; --style)
    m_diagrams[static_cast<std::size_t>(style - 1)] = Diagram(this, LayoutStyle(style).Diagram, style == kFirstStyle);
}

void TForm1::CreatePictureButtons() {
  btn4 = PictureButton(this, "btn4", Bounds(483, 4, 48, 48));
  btn4->OnClick = [this](TObject* s) { imgs5Click(s); };
  btn5 = PictureButton(this, "btn5", Bounds(484, 55, 48, 48));
  btn6 = PictureButton(this, "btn6", Bounds(484, 108, 48, 48));
  btn6->OnClick = [this](TObject* s) { btn6Click(s); };
}

void TForm1::btn6Click(TObject*) { platform::Platform().OpenUrl(kAuthorPage); }
