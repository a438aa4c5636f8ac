// The main window: its components, its handlers and the two computations of the model.
#pragma once

#include <array>
#include <cstdint>

#include "app/LayoutStyles.h"

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"

class TCnEdit;
class TCnSpinEdit;
class TFlatTitlebar;
class TFlatSpeedButton;
class TPNGButton;

// The window description is built in creation order; each area of the window has its own file:
// Unit1.cpp (frame, panels, value and caption labels, timer), Unit1Inputs.cpp (the five inputs),
// Unit1TitleBar.cpp (the title bar and its buttons), Unit1Pictures.cpp (diagrams and picture
// buttons).
class TForm1 : public TForm {
 public:
  explicit TForm1(TComponent* owner);
  const char* ClassName() const override { return "TForm1"; }

  // Components, bottom to top within each parent.
  TShape* shp1 = nullptr;
  TPanel* pnl1 = nullptr;
  // The diagrams imgs1 ... imgs5 of the layout styles are named by the style table.
  TImage* DiagramOf(std::int32_t style) const { return m_diagrams[static_cast<std::size_t>(style - 1)]; }
  TLabel* jiao1l = nullptr;
  TLabel* lishikuan1l = nullptr;
  TLabel* feng1l = nullptr;
  TLabel* zongchangl = nullptr;
  TLabel* fengl = nullptr;
  TLabel* lishiKuanl = nullptr;
  TLabel* jiaol = nullptr;
  TLabel* kuail = nullptr;
  TPNGButton* btn4 = nullptr;
  TPNGButton* btn5 = nullptr;
  TPNGButton* btn6 = nullptr;
  TFlatTitlebar* fltlbr1 = nullptr;
  TFlatSpeedButton* btn1 = nullptr;
  TFlatSpeedButton* btn2 = nullptr;
  TFlatSpeedButton* btn3 = nullptr;
  TPanel* pnl2 = nullptr;
  TLabel* lbl1 = nullptr;
  TLabel* lbl2 = nullptr;
  TLabel* lbl3 = nullptr;
  TLabel* lbl4 = nullptr;
  TLabel* lbl5 = nullptr;
  TCnEdit* edtzongchang = nullptr;
  TCnSpinEdit* sekuai = nullptr;
  TCnSpinEdit* seneifeng = nullptr;
  TCnSpinEdit* sewaifeng = nullptr;
  TCnSpinEdit* se1 = nullptr;
  TTimer* tmr1 = nullptr;

  // Handlers.
  void FormCreate(TObject* sender);
  void FormShow(TObject* sender);
  void FormKeyPress(TObject* sender, char32_t& key);
  void edtzongchangChange(TObject* sender);
  void sekuaiChange(TObject* sender);
  void seneifengChange(TObject* sender);
  void sewaifengChange(TObject* sender);
  void se1Change(TObject* sender);
  void sekuaiKeyPress(TObject* sender, char32_t& key);
  void imgs5Click(TObject* sender);
  void btn1Click(TObject* sender);
  void btn2Click(TObject* sender);
  void btn3Click(TObject* sender);
  void btn6Click(TObject* sender);
  void tmr1Timer(TObject* sender);
  // Applies the current style (diagram, end labels, chamfer input).
  void bianxing();
  // Hides every style's diagram, in style order, then shows `diagram`.
  void showthis(TImage* diagram);

  // The model's computations, writing into the window's labels.
  void jisuan();
  void ceduan();

 protected:
  void WndProc(TMessage& message) override;

 private:
  void CreateComponents();
  // Parts of the window description, called in creation order.
  void CreateDiagrams();  // the styles' diagrams in pnl1, the last style's first
  // Reads a diagram's picture the first time it is shown: only the first style's shows at start.
  void ReadDiagram(TImage* diagram);
  // The end labels' steps of a style: writes `number` into those (jiaol, then jiao1l) that show
  // `value`; shows or hides both as the style says.
  void WriteEndLabels(const TLayoutStyle& style, TEndValue value, std::int32_t number);
  void ShowEndLabels(const TLayoutStyle& style);

  std::array<TImage*, kStyleCount> m_diagrams{};
  void CreatePictureButtons();  // btn4, btn5, btn6 in pnl1
  void CreateTitleBar();        // fltlbr1 with btn1, btn2, btn3
  void CreateInputs();          // the five inputs in pnl2
};

// The program's random source: one 32-bit seed, 0 at start.
extern std::uint32_t RandSeed;
// Draws a value in 0 ... range-1 from the random source.
std::uint32_t RandomRange(std::uint32_t range);
