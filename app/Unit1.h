// The main window: its components, its handlers and the two computations of the model.
#pragma once

#include <cstdint>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"

class TForm1 : public TForm {
 public:
  explicit TForm1(TComponent* owner);
  const char* ClassName() const override { return "TForm1"; }

  // Components, bottom to top within each parent.
  TShape* shp1 = nullptr;
  TPanel* pnl1 = nullptr;
  TLabel* jiao1l = nullptr;
  TLabel* lishikuan1l = nullptr;
  TLabel* feng1l = nullptr;
  TLabel* zongchangl = nullptr;
  TLabel* fengl = nullptr;
  TLabel* lishiKuanl = nullptr;
  TLabel* jiaol = nullptr;
  TLabel* kuail = nullptr;
  TPanel* pnl2 = nullptr;
  TLabel* lbl1 = nullptr;
  TLabel* lbl2 = nullptr;
  TLabel* lbl3 = nullptr;
  TLabel* lbl4 = nullptr;
  TLabel* lbl5 = nullptr;
  TTimer* tmr1 = nullptr;

  // Handlers.
  void FormCreate(TObject* sender);
  void FormShow(TObject* sender);
  void FormKeyPress(TObject* sender, char32_t& key);
  void btn1Click(TObject* sender);
  void tmr1Timer(TObject* sender);

  // The model's computations, writing into the window's labels.
  void jisuan();
  void ceduan();

 protected:
  void WndProc(TMessage& message) override;

 private:
  void CreateComponents();
};

// The program's random source: one 32-bit seed, 0 at start.
extern std::uint32_t RandSeed;
// Draws a value in 0 ... range-1 from the random source.
std::uint32_t RandomRange(std::uint32_t range);
