#include "framework/Menus.h"

#include <algorithm>

#include "framework/Forms.h"
#include "platform/Keys.h"

void TMenuItem::Click() {
  if (m_enabled && OnClick) OnClick(this);
}

TMenuItem* TPopupMenu::Add(const std::string& caption, TNotifyEvent onClick) {
  auto* item = new TMenuItem(this);
  item->SetCaption(caption);
  item->OnClick = std::move(onClick);
  m_items.push_back(item);
  return item;
}

namespace {

// The window of an open popup menu: one row per item, the row under the pointer highlighted.
class TPopupWindow : public TCustomForm {
 public:
  TPopupWindow(TComponent* owner, const std::vector<TMenuItem*>& items) : TCustomForm(owner), m_items(items) {
    SetBorderStyle(bsNone);
    SetFormStyle(fsStayOnTop);
    SetColor(clWindow);
    Font().SetName("Tahoma");
    Font().SetHeight(11);
    Font().SetColor(clWindowText);
  }
  const char* ClassName() const override { return "TPopupWindow"; }

  // Sizes the window for its items, with its top-left corner at the screen point.
  void Place(TPoint screen) {
    TCanvas measure;
    measure.Font().Assign(Font());
    int width = 0;
    for (const TMenuItem* item : m_items) width = std::max(width, measure.TextWidth(item->Caption()));
    m_rowHeight = measure.TextHeight("Ag") + 6;
    SetBounds(screen.X, screen.Y, std::max(width + 2 * kTextIndent, 60),
              static_cast<int>(m_items.size()) * m_rowHeight + 2);
  }

  bool Done() const { return m_done; }
  // The chosen item, or nothing when the menu was dismissed.
  TMenuItem* Chosen() const { return m_chosen; }

  void WndProc(TMessage& m) override {
    if (m.Msg == WM_ACTIVATE && LoWord(m.WParam) == WA_INACTIVE) {
      m_done = true;
      m_lostActivation = true;
    }
    TCustomForm::WndProc(m);
  }
  bool LostActivation() const { return m_lostActivation; }

 protected:
  static constexpr int kTextIndent = 12;

  void PaintWindow(TCanvas& canvas) override {
    canvas.Brush().Style = bsSolid;
    canvas.Brush().Color = clWindow;
    canvas.FillRect(ClientRect());
    canvas.Brush().Color = clBtnShadow;
    canvas.FrameRect(ClientRect());
    canvas.Font().Assign(Font());
    for (int i = 0; i < static_cast<int>(m_items.size()); ++i) {
      const TRect row{1, 1 + i * m_rowHeight, Width() - 1, 1 + (i + 1) * m_rowHeight};
      const bool hot = i == m_hot && m_items[i]->Enabled();
      canvas.Brush().Color = hot ? clHighlight : clWindow;
      canvas.FillRect(row);
      canvas.Font().SetColor(!m_items[i]->Enabled() ? clGrayText : hot ? clHighlightText : clWindowText);
      TRect text{row.Left + kTextIndent, row.Top, row.Right - kTextIndent, row.Bottom};
      canvas.DrawText(m_items[i]->Caption(), text, dtLeft | dtVCenter | dtSingleLine);
    }
  }

  void MouseMove(TShiftState shift, int x, int y) override {
    TCustomForm::MouseMove(shift, x, y);
    SetHot(RowAt(x, y));
  }

  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override {
    TCustomForm::MouseUp(button, shift, x, y);
    if (button != mbLeft) return;
    const int row = RowAt(x, y);
    if (row >= 0 && m_items[row]->Enabled()) Choose(m_items[row]);
  }

  void KeyDown(int& key, TShiftState shift) override {
    const int n = static_cast<int>(m_items.size());
    switch (key) {
      case platform::VK_ESCAPE: m_done = true; break;
      case platform::VK_DOWN:
        if (n > 0) SetHot((m_hot + 1) % n);
        break;
      case platform::VK_UP:
        if (n > 0) SetHot(m_hot <= 0 ? n - 1 : m_hot - 1);
        break;
      case platform::VK_RETURN:
        if (m_hot >= 0 && m_items[m_hot]->Enabled()) Choose(m_items[m_hot]);
        break;
      default: TCustomForm::KeyDown(key, shift); return;
    }
    key = 0;
  }

 private:
  int RowAt(int x, int y) const {
    if (x < 0 || x >= Width() || y < 1 || m_rowHeight <= 0) return -1;
    const int row = (y - 1) / m_rowHeight;
    return row < static_cast<int>(m_items.size()) ? row : -1;
  }
  void SetHot(int row) {
    if (row == m_hot) return;
    m_hot = row;
    Invalidate();
  }
  void Choose(TMenuItem* item) {
    m_chosen = item;
    m_done = true;
  }

  const std::vector<TMenuItem*>& m_items;
  int m_rowHeight = 17;
  int m_hot = -1;
  bool m_done = false;
  bool m_lostActivation = false;
  TMenuItem* m_chosen = nullptr;
};

}  // namespace

void TPopupMenu::Popup(int x, int y) {
  m_popupPoint = {x, y};
  if (OnPopup) OnPopup(this);
  if (!Application || m_items.empty() || m_showing) return;
  m_showing = true;
  auto window = std::make_unique<TPopupWindow>(nullptr, m_items);
  TCustomForm* previous = Application->ModalOwnerFor(window.get());
  window->Place({x, y});
  window->Show();
  Application->PushModal(window.get());
  platform::Platform().ActivateWindow(window->Handle());
  while (!window->Done() && !Application->Terminated()) Application->HandleMessage();
  Application->PopModal();
  window->Hide();
  // Closed from inside (an item, Esc): the window that had the activation gets it back.
  if (!window->LostActivation() && previous && previous->HasHandle())
    platform::Platform().ActivateWindow(previous->Handle());
  TMenuItem* chosen = window->Chosen();
  window.reset();
  m_showing = false;
  if (chosen) chosen->Click();
}
