#include "framework/MessageBox.h"

#include <algorithm>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "platform/Keys.h"

namespace {

// A red round error mark with a white cross.
class TErrorIcon : public TGraphicControl {
 public:
  explicit TErrorIcon(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 32, 32); }

 protected:
  void Paint() override {
    TCanvas& c = Canvas();
    const double r = 15.5, cx = 15.5, cy = 15.5;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        const double dx = x - cx, dy = y - cy;
        if (dx * dx + dy * dy <= r * r) c.SetPixel(x, y, RGB(220, 0, 0));
        const int ax = x - 16, ay = y - 16;
        if (dx * dx + dy * dy <= (r - 5) * (r - 5) && (std::abs(ax - ay) <= 1 || std::abs(ax + ay + 1) <= 1) &&
            std::abs(ax) <= 6 && std::abs(ay) <= 6)
          c.SetPixel(x, y, clWhite);
      }
  }
};

class TMessageForm : public TForm {
 public:
  explicit TMessageForm(TComponent* owner) : TForm(owner) {
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetKeyPreview(true);
    SetColor(clBtnFace);
  }
  const char* ClassName() const override { return "TMessageForm"; }

 protected:
  void KeyDown(int& key, TShiftState shift) override {
    if (key == platform::VK_RETURN || key == platform::VK_SPACE || key == platform::VK_ESCAPE) {
      SetModalResult(mrOk);
      key = 0;
      return;
    }
    TForm::KeyDown(key, shift);
  }
};

}  // namespace

void ShowMessageBox(TComponent* owner, const std::string& text, const std::string& caption, bool errorIcon) {
  auto* form = new TMessageForm(owner);
  form->SetCaption(caption);
  form->Font().SetName("Tahoma");
  form->Font().SetHeight(11);
  form->Font().SetColor(clWindowText);

  // One label per line of the text.
  std::vector<std::string> lines;
  for (size_t start = 0;;) {
    const size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  const int textLeft = errorIcon ? 60 : 16;
  int textWidth = 0, y = 18;
  for (const std::string& line : lines) {
    auto* label = new TLabel(form);
    label->SetParent(form);
    label->SetCaption(line.empty() ? " " : line);
    label->SetLeft(textLeft);
    label->SetTop(y);
    textWidth = std::max(textWidth, label->Width());
    y += label->Height();
  }
  if (errorIcon) {
    auto* icon = new TErrorIcon(form);
    icon->SetParent(form);
    icon->SetBounds(16, 12, 32, 32);
    y = std::max(y, 44);
  }
  const int width = std::max(textLeft + textWidth + 16, 130);
  auto* ok = new TButton(form);
  ok->SetParent(form);
  ok->SetCaption("OK");
  ok->SetModalResult(mrOk);
  ok->SetBounds((width - 75) / 2, y + 14, 75, 23);
  form->SetBounds(0, 0, width, y + 14 + 23 + 12);

  platform::Platform().MessageBoxShown(caption, text);
  ok->SetTabOrder(0);
  form->OnShow = [ok](TObject*) { ok->SetFocus(); };
  form->ShowModal();
  platform::Platform().MessageBoxClosed();
  delete form;
}
