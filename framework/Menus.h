// A minimal popup menu: a list of items shown in a borderless window at a screen point, with its
// own loop until an item is chosen or the menu is dismissed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/Types.h"
#include "framework/Classes.h"

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* owner) : TComponent(owner) {}
  const char* ClassName() const override { return "TMenuItem"; }
  const std::string& Caption() const { return m_caption; }
  void SetCaption(const std::string& caption) { m_caption = caption; }
  bool Enabled() const { return m_enabled; }
  void SetEnabled(bool v) { m_enabled = v; }
  TNotifyEvent OnClick;
  void Click();

 private:
  std::string m_caption;
  bool m_enabled = true;
};

class TPopupMenu : public TComponent {
 public:
  explicit TPopupMenu(TComponent* owner) : TComponent(owner) {}
  const char* ClassName() const override { return "TPopupMenu"; }

  // Items in menu order; owned by the menu.
  const std::vector<TMenuItem*>& Items() const { return m_items; }
  TMenuItem* Add(const std::string& caption, TNotifyEvent onClick = {});

  // Raised before the menu window opens.
  TNotifyEvent OnPopup;
  // Shows the menu with its top-left corner at the screen point and returns when it has closed:
  // after an item's OnClick when one was chosen, at once when it was dismissed (Esc, a press
  // outside, another window activated).
  void Popup(int x, int y);
  // The screen point of the last Popup, for callers that check where a menu went.
  TPoint PopupPoint() const { return m_popupPoint; }
  bool Showing() const { return m_showing; }

 private:
  std::vector<TMenuItem*> m_items;
  TPoint m_popupPoint{};
  bool m_showing = false;
};
