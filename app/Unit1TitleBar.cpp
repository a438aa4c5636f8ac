// The main window's title bar, its buttons, compact mode and the title-bar flashing.
#include "app/Unit1.h"
#include "app/Unit1Build.h"
#include "controls/FlatCtrls.h"

using namespace unit1;

namespace {

constexpr const char* kTitle = "-= Orvanta =-";
// btn3's caption is the mode: "↑" the full window, "↓" the compact square.
constexpr const char* kNormalMark = "↑";
constexpr const char* kCompactMark = "↓";

}  // namespace

void TForm1::CreateTitleBar() {
  fltlbr1 = Make<TFlatTitlebar>(this, "fltlbr1", this);
  fltlbr1->SetBounds(3, 3, 534, 31);
  fltlbr1->SetCaption(kTitle);
  SetFont(fltlbr1->Font(), kSongTi, 16, clWhite, fsBold);
  fltlbr1->SetTitlebarColor(clSkyBlue);
  fltlbr1->SetActiveTextColor(clNavy);
  fltlbr1->SetInactiveTextColor(0x00829AA2);
  fltlbr1->SetCursor(crDrag);

  btn1 = Make<TFlatSpeedButton>(this, "btn1", fltlbr1);
  btn1->SetBounds(506, 4, 23, 22);
  btn1->SetCaption("×");
  btn1->SetCursor(crHandPoint);
  btn1->SetColorFlat(clSkyBlue);
  btn1->SetColorFocused(clRed);
  btn1->OnClick = [this](TObject* s) { btn1Click(s); };

  btn2 = Make<TFlatSpeedButton>(this, "btn2", fltlbr1);
  btn2->SetBounds(478, 4, 23, 22);
  btn2->SetCaption("－");
  btn2->SetCursor(crHandPoint);
  btn2->SetColorFlat(clSkyBlue);
  btn2->SetVisible(false);
  btn2->OnClick = [this](TObject* s) { btn2Click(s); };

  btn3 = Make<TFlatSpeedButton>(this, "btn3", fltlbr1);
  btn3->SetBounds(6, 6, 19, 19);
  btn3->SetCaption(kNormalMark);
  btn3->SetCursor(crHandPoint);
  btn3->SetColorFlat(clSkyBlue);
  btn3->SetColorFocused(clAqua);
  SetFont(btn3->Font(), kSongTi, 14, clWhite, fsBold);
  btn3->SetHint("缩为小框/还原大框");
  btn3->OnClick = [this](TObject* s) { btn3Click(s); };
}

void TForm1::btn1Click(TObject*) { Close(); }

// The application has no window of its own on the desktop: minimising it is minimising the
// main window.
void TForm1::btn2Click(TObject*) {
  if (HasHandle()) platform::Platform().MinimizeWindow(Handle());
}

void TForm1::btn3Click(TObject*) {
  if (btn3->Caption() == kNormalMark) {
    SetHeight(37);
    SetWidth(37);
    fltlbr1->SetWidth(31);
    btn3->SetCaption(kCompactMark);
    SetAlphaBlendValue(80);
    fltlbr1->SetCaption("");
    tmr1->SetEnabled(true);
    return;
  }
  fltlbr1->SetWidth(534);
  SetHeight(247);
  SetClientWidth(540);
  // Only the primary screen's right and bottom edges pull the window back.
  if (Screen->Height() - Height() < Top()) SetTop(Screen->Height() - Height());
  if (Screen->Width() - ClientWidth() < Left()) SetLeft(Screen->Width() - ClientWidth());
  btn3->SetCaption(kNormalMark);
  SetAlphaBlendValue(255);
  fltlbr1->SetCaption(kTitle);
  tmr1->SetEnabled(false);
  fltlbr1->SetTitlebarColor(clSkyBlue);
  // The restored window takes the keyboard again, whatever the desktop did with the square.
  BringToFront();
}

void TForm1::tmr1Timer(TObject*) {
  const std::uint32_t blue = RandomRange(255);
  const std::uint32_t green = RandomRange(255);
  const std::uint32_t red = RandomRange(255);
  fltlbr1->SetTitlebarColor(static_cast<TColor>(red + 256 * green + 65536 * blue));
}
