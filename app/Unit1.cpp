// The main window: its stored description (built in code, in creation order, with the stored
// properties applied while loading), its handlers, and the model's computations.
//
//   window description   CreateComponents
//   handlers             FormCreate, FormShow, FormKeyPress, WM_MOVING
//   computations         jisuan
#include "app/Unit1.h"

#include "app/DivisionModel.h"
#include "app/Unit1Build.h"
#include "controls/CnEdit.h"
#include "framework/Runtime.h"
#include "platform/Keys.h"

std::uint32_t RandSeed = 0;

std::uint32_t RandomRange(std::uint32_t range) {
  RandSeed = RandSeed * 134775813u + 1u;
  return static_cast<std::uint32_t>((static_cast<std::uint64_t>(RandSeed) * range) >> 32);
}

using namespace unit1;

namespace {

// The value labels over the diagram: transparent, centred, own 黑体 font.
TLabel* ValueLabel(TForm1* form, const char* name, const TRect& bounds, const char* caption, bool autoSize,
                   int height = 21) {
  TLabel* l = Make<TLabel>(form, name, form->pnl1);
  l->SetBoundsRect(bounds);
  l->SetAutoSize(autoSize);
  l->SetCaption(caption);
  SetFont(l->Font(), kHeiTi, height, clWhite);
  l->SetTransparent(true);
  l->SetAlignment(taCenter);
  return l;
}

TLabel* CaptionLabel(TForm1* form, const char* name, int left, int width, const char* caption) {
  TLabel* l = Make<TLabel>(form, name, form->pnl2);
  l->SetBounds(left, 11, width, 16);
  l->SetCaption(caption);
  SetFont(l->Font(), kSongTi, 16, clWhite);
  return l;
}

void SetupPanel(TPanel* p, const TRect& bounds, TColor color, int tabOrder) {
  p->SetBoundsRect(bounds);
  p->SetBevelOuter(bvNone);
  p->SetBorderStyle(bsSingle);
  p->SetColor(color);
  p->SetCtl3D(false);
  p->SetTabOrder(tabOrder);
}

}  // namespace

TForm1::TForm1(TComponent* owner) : TForm(owner) {
  BeginLoading();
  CreateComponents();
  // End of loading: the form first, then every component in creation order.
  EndLoading();
  for (TComponent* c : Components()) c->EndLoading();
  DoCreate();
}

void TForm1::CreateComponents() {
  SetName("Form1");
  SetBounds(778, 153, 540, 247);
  SetBorderStyle(bsNone);
  SetColor(clBackground);
  SetFont(Font(), kHeiTi, 16, clWhite);
  SetFormStyle(fsStayOnTop);
  SetKeyPreview(true);
  SetPosition(poScreenCenter);
  SetAlphaBlend(true);
  SetAlphaBlendValue(255);
  OnCreate = [this](TObject* s) { FormCreate(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  OnKeyPress = [this](TObject* s, char32_t& k) { FormKeyPress(s, k); };

  shp1 = Make<TShape>(this, "shp1", this);
  shp1->SetBounds(0, 0, 540, 247);
  shp1->SetAlign(alClient);
  shp1->Brush().Color = 0x00656567;

  pnl1 = Make<TPanel>(this, "pnl1", this);
  SetupPanel(pnl1, Bounds(3, 36, 534, 167), 0x005E5E60, 0);
  CreateDiagrams();

  jiao1l = ValueLabel(this, "jiao1l", Bounds(420, 92, 25, 24), "10", false);
  lishikuan1l = ValueLabel(this, "lishikuan1l", Bounds(350, 92, 33, 21), "656", true);
  feng1l = ValueLabel(this, "feng1l", Bounds(291, 92, 23, 24), "6", false);
  zongchangl = ValueLabel(this, "zongchangl", Bounds(191, 124, 97, 24), "2000", false);
  fengl = ValueLabel(this, "fengl", Bounds(159, 92, 25, 24), "6", false);
  lishiKuanl = ValueLabel(this, "lishiKuanl", Bounds(81, 92, 33, 21), "656", true);
  jiaol = ValueLabel(this, "jiaol", Bounds(28, 92, 25, 24), "10", false);
  kuail = ValueLabel(this, "kuail", Bounds(320, 6, 81, 30), "3", false, 30);
  CreatePictureButtons();

  CreateTitleBar();

  pnl2 = Make<TPanel>(this, "pnl2", this);
  SetupPanel(pnl2, Bounds(3, 204, 534, 40), 0x00656567, 2);
  lbl1 = CaptionLabel(this, "lbl1", 8, 56, "总长度:");
  lbl2 = CaptionLabel(this, "lbl2", 151, 40, "分段:");
  lbl3 = CaptionLabel(this, "lbl3", 256, 56, "理石缝:");
  lbl4 = CaptionLabel(this, "lbl4", 358, 40, "导角:");
  lbl5 = CaptionLabel(this, "lbl5", 445, 40, "样式:");
  CreateInputs();

  tmr1 = Make<TTimer>(this, "tmr1", nullptr);
  tmr1->SetEnabled(false);
  tmr1->SetInterval(100);
  tmr1->SetOnTimer([this](TObject* s) { tmr1Timer(s); });
}

// ---------------------------------------------------------------------------------------------
// Handlers
// ---------------------------------------------------------------------------------------------

void TForm1::FormCreate(TObject*) {
  TDivisionModel& m = Model();
  m.zongchang = 2000;
  m.kuai = 3;
  m.neifeng = 6;
  m.waifeng = 10;
  m.yangshi = 1;
  SetCaption("Orvanta");
  edtzongchang->SelectAll();
}

void TForm1::FormShow(TObject*) {
  edtzongchang->SetFocus();
  edtzongchang->SelectAll();
}

void TForm1::FormKeyPress(TObject* sender, char32_t& key) {
  if (key == platform::ccEscape) btn1Click(sender);
}

void TForm1::WndProc(TMessage& m) {
  // The window-moving notification ends here: the proposed rectangle stays as proposed.
  if (m.Msg == WM_MOVING) {
    m.Result = 0;
    return;
  }
  TForm::WndProc(m);
}

// ---------------------------------------------------------------------------------------------
// Computations
// ---------------------------------------------------------------------------------------------

void TForm1::jisuan() {
  const TDivisionModel& m = Model();
  lishiKuanl->SetCaption(SlabWidthText(m.zongchang, m.kuai, m.neifeng, m.waifeng, m.yangshi, DecimalSeparator()));
  lishikuan1l->SetCaption(lishiKuanl->Caption());
}
