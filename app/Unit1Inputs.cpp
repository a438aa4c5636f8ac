// The main window's five inputs and their handlers: they keep the model in step with the inputs,
// write the values over the diagram and switch the layout style.
#include "app/DivisionModel.h"
#include "app/Unit1.h"
#include "app/Unit1Build.h"
#include "controls/CnEdit.h"
#include "controls/CnSpin.h"
#include "framework/Runtime.h"

using namespace unit1;

namespace {

constexpr TColor kInputColor = 0x00565658;

const TLayoutStyle* StyleOf(std::int32_t yangshi) { return IsLayoutStyle(yangshi) ? &LayoutStyle(yangshi) : nullptr; }

TCnSpinEdit* SpinInput(TForm1* form, const char* name, const TRect& bounds, std::int32_t minValue,
                       std::int32_t maxValue, std::int32_t value, int tabOrder) {
  TCnSpinEdit* e = Make<TCnSpinEdit>(form, name, form->pnl2);
  e->SetBoundsRect(bounds);
  e->SetColor(kInputColor);
  e->SetCtl3D(false);
  SetFont(e->Font(), kHeiTi, 21, clWhite);
  e->SetMaxValue(maxValue);
  e->SetMinValue(minValue);
  e->SetTabOrder(tabOrder);
  e->SetValue(value);
  return e;
}

}  // namespace

void TForm1::CreateInputs() {
  edtzongchang = Make<TCnEdit>(this, "edtzongchang", pnl2);
  edtzongchang->SetBounds(67, 5, 81, 27);
  edtzongchang->SetColor(kInputColor);
  edtzongchang->SetCtl3D(false);
  SetFont(edtzongchang->Font(), kHeiTi, 21, clWhite);
  edtzongchang->SetHideSelection(false);
  edtzongchang->SetImeName("中文(简体) - 极点五笔");
  edtzongchang->SetTabOrder(0);
  edtzongchang->SetText("2000");
  edtzongchang->OnChange = [this](TObject* s) { edtzongchangChange(s); };
  edtzongchang->OnKeyPress = [this](TObject* s, char32_t& k) { sekuaiKeyPress(s, k); };
  edtzongchang->SetTextType(IntegerText);
  edtzongchang->SetEnterAsTab(true);

  sekuai = SpinInput(this, "sekuai", Bounds(194, 3, 59, 31), 2, 3000, 3, 1);
  seneifeng = SpinInput(this, "seneifeng", Bounds(314, 3, 41, 31), 0, 20, 6, 2);
  sewaifeng = SpinInput(this, "sewaifeng", Bounds(401, 3, 41, 31), 0, 20, 10, 3);
  se1 = SpinInput(this, "se1", Bounds(488, 3, 41, 31), 0, 0, 1, 4);
  sekuai->OnChange = [this](TObject* s) { sekuaiChange(s); };
  seneifeng->OnChange = [this](TObject* s) { seneifengChange(s); };
  sewaifeng->OnChange = [this](TObject* s) { sewaifengChange(s); };
  se1->OnChange = [this](TObject* s) { se1Change(s); };
  for (TCnSpinEdit* e : {sekuai, seneifeng, sewaifeng, se1})
    e->OnKeyPress = [this](TObject* s, char32_t& k) { sekuaiKeyPress(s, k); };
}

// ---------------------------------------------------------------------------------------------
// Change handlers
// ---------------------------------------------------------------------------------------------

void TForm1::edtzongchangChange(TObject*) {
  // Any error (a text that is no integer, a width that cannot be computed) is dropped silently.
  try {
    zongchangl->SetCaption(IntToStr(std::get<std::int32_t>(edtzongchang->Value())));
    Model().zongchang = std::get<std::int32_t>(edtzongchang->Value());
    ceduan();
    jisuan();
  } catch (...) {
  }
}

void TForm1::sekuaiChange(TObject*) {
  kuail->SetCaption(IntToStr(sekuai->Value()));
  Model().kuai = sekuai->Value();
  jisuan();
}

void TForm1::seneifengChange(TObject*) {
  TDivisionModel& m = Model();
  fengl->SetCaption(IntToStr(seneifeng->Value()));
  feng1l->SetCaption(fengl->Caption());
  m.neifeng = seneifeng->Value();
  jisuan();
  if (const TLayoutStyle* style = StyleOf(m.yangshi)) WriteEndLabels(*style, evSeam, m.neifeng);
}

void TForm1::sewaifengChange(TObject*) {
  TDivisionModel& m = Model();
  m.waifeng = sewaifeng->Value();
  if (const TLayoutStyle* style = StyleOf(m.yangshi)) WriteEndLabels(*style, evChamfer, m.waifeng);
  jisuan();
}

void TForm1::se1Change(TObject*) {
  // The style wraps around: past the last style becomes the first, 0 or less the last (each write
  // runs this handler again, nested).
  if (se1->Value() > kStyleCount) se1->SetValue(1);
  if (se1->Value() <= 0) se1->SetValue(kStyleCount);
  Model().yangshi = se1->Value();
  bianxing();
  jisuan();
}

void TForm1::sekuaiKeyPress(TObject*, char32_t&) {}

// ---------------------------------------------------------------------------------------------
// Style
// ---------------------------------------------------------------------------------------------

void TForm1::imgs5Click(TObject*) {
  TDivisionModel& m = Model();
  m.yangshi = m.yangshi + 1;
  if (m.yangshi == kStyleCount + 1) m.yangshi = 1;
  se1->SetValue(m.yangshi);
  bianxing();
  jisuan();
  edtzongchang->SelectAll();
}

void TForm1::bianxing() {
  const TDivisionModel& m = Model();
  const TLayoutStyle* style = StyleOf(m.yangshi);
  if (!style) return;
  showthis(DiagramOf(m.yangshi));
  // The end labels take their visibility before the chamfer input is rewritten: that write's
  // nested change handler may show an error box, and the window repaints behind it.
  ShowEndLabels(*style);
  if (style->ChamferInput()) sewaifeng->SetValue(m.waifeng);
  WriteEndLabels(*style, evChamfer, m.waifeng);
  WriteEndLabels(*style, evSeam, m.neifeng);
  sewaifeng->SetEnabled(style->ChamferInput());
  lbl4->SetEnabled(style->ChamferInput());
}

void TForm1::WriteEndLabels(const TLayoutStyle& style, TEndValue value, std::int32_t number) {
  if (style.LeftLabel.Value == value) jiaol->SetCaption(IntToStr(number));
  if (style.RightLabel.Value == value) jiao1l->SetCaption(IntToStr(number));
}

void TForm1::ShowEndLabels(const TLayoutStyle& style) {
  jiaol->SetVisible(style.LeftLabel.Visible);
  jiao1l->SetVisible(style.RightLabel.Visible);
}

void TForm1::showthis(TImage* diagram) {
  for (std::int32_t style = 1; style <= kStyleCount; ++style)
    if (TImage* img = DiagramOf(style)) img->Hide();
  if (!diagram) return;
  ReadDiagram(diagram);
  diagram->Show();
}

// ---------------------------------------------------------------------------------------------
// Suggested slab count
// ---------------------------------------------------------------------------------------------

void TForm1::ceduan() {
  if (const std::optional<std::int32_t> count = SuggestedCount(Model().zongchang)) sekuai->SetValue(*count);
}
