#include "platform/headless/HeadlessPlatform.h"

#include <algorithm>
#include <cctype>

namespace platform {

namespace {
std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}
}  // namespace

THeadlessPlatform::TWindowRecord* THeadlessPlatform::Find(TWindowId id) {
  auto it = m_windows.find(id);
  return it == m_windows.end() ? nullptr : &it->second;
}

const THeadlessPlatform::TWindowRecord* THeadlessPlatform::Window(TWindowId id) const {
  auto it = m_windows.find(id);
  return it == m_windows.end() ? nullptr : &it->second;
}

TWindowId THeadlessPlatform::AddForeignWindow(const std::string& className, const std::string& caption) {
  const TWindowId id = m_nextId++;
  TWindowRecord& w = m_windows[id];
  w.Params.ClassName = className;
  w.Caption = caption;
  w.Foreign = true;
  w.Visible = false;  // found by the window search, takes no input
  m_stack.insert(m_stack.begin(), id);
  return id;
}

void THeadlessPlatform::ChangeDesktopScale(double scale) {
  m_desktopScale = scale;
  for (const auto& [id, w] : m_windows) {
    if (w.Foreign) continue;
    TEvent e(evScaleChange, id);
    e.Scale = scale;
    e.Bounds = w.Bounds;
    m_queue.push_back(e);
  }
}

TWindowId THeadlessPlatform::CreateWindow(const TWindowParams& params) {
  const TWindowId id = m_nextId++;
  TWindowRecord& w = m_windows[id];
  w.Params = params;
  w.Caption = params.Caption;
  w.Bounds = params.Bounds;
  w.StayOnTop = params.StayOnTop;
  w.NoTaskbar = params.NoTaskbar;
  w.Pixels.Resize(params.Bounds.Width(), params.Bounds.Height());
  m_stack.push_back(id);
  return id;
}

void THeadlessPlatform::DestroyWindow(TWindowId id) {
  m_windows.erase(id);
  m_stack.erase(std::remove(m_stack.begin(), m_stack.end(), id), m_stack.end());
  if (m_active == id) m_active = NoWindow;
  if (m_hover == id) m_hover = NoWindow;
  if (m_capture == id) m_capture = NoWindow;
  // Events for a window that is gone are dropped.
  m_queue.erase(std::remove_if(m_queue.begin(), m_queue.end(), [id](const TEvent& e) { return e.Window == id; }),
                m_queue.end());
}

void THeadlessPlatform::ShowWindow(TWindowId id, bool visible) {
  TWindowRecord* w = Find(id);
  if (!w || w->Visible == visible) return;
  w->Visible = visible;
  if (visible) {
    w->Minimized = false;
    m_stack.erase(std::remove(m_stack.begin(), m_stack.end(), id), m_stack.end());
    m_stack.push_back(id);
    Push({evExpose, id});
    Activate(id, false);
  } else if (m_active == id) {
    m_active = NoWindow;
    Push({evDeactivate, id});
  }
}

void THeadlessPlatform::Activate(TWindowId id, bool byClick) {
  if (m_active == id) return;
  if (m_active != NoWindow) {
    TEvent e{evDeactivate, m_active};
    Push(e);
  }
  m_active = id;
  const TWindowRecord* w = Window(id);
  if (id != NoWindow && w && !w->Foreign) {
    TEvent e{evActivate, id};
    e.ByClick = byClick;
    Push(e);
  }
}

void THeadlessPlatform::SetWindowBounds(TWindowId id, const TRect& bounds) {
  TWindowRecord* w = Find(id);
  if (!w) return;
  const bool resized = bounds.Width() != w->Bounds.Width() || bounds.Height() != w->Bounds.Height();
  w->Bounds = bounds;
  if (resized) w->Pixels.Resize(bounds.Width(), bounds.Height());
}

void THeadlessPlatform::SetWindowCaption(TWindowId id, const std::string& caption) {
  if (TWindowRecord* w = Find(id)) w->Caption = caption;
}

void THeadlessPlatform::SetWindowOpacity(TWindowId id, std::uint8_t opacity) {
  if (TWindowRecord* w = Find(id)) w->Opacity = opacity;
}

void THeadlessPlatform::SetWindowStates(TWindowId id, bool stayOnTop, bool noTaskbar) {
  if (TWindowRecord* w = Find(id)) {
    w->StayOnTop = stayOnTop;
    w->NoTaskbar = noTaskbar;
  }
}

void THeadlessPlatform::MinimizeWindow(TWindowId id) {
  TWindowRecord* w = Find(id);
  if (!w) return;
  w->Minimized = true;
  if (m_active == id) Activate(NoWindow, false);
}

void THeadlessPlatform::ForgetPresents(TWindowId id) {
  if (TWindowRecord* w = Find(id)) {
    w->Presents = 0;
    w->PresentedArea = {};
  }
}

void THeadlessPlatform::Present(TWindowId id, const TSurface& pixels, const TRect& dirty) {
  PresentAreas(id, pixels, std::span<const TRect>(&dirty, 1));
}

// One frame, however many parts it has: counted once, its area the box round the parts.
void THeadlessPlatform::PresentAreas(TWindowId id, const TSurface& pixels, std::span<const TRect> areas) {
  TWindowRecord* w = Find(id);
  if (!w) return;
  ++w->Presents;
  for (const TRect& area : areas) w->PresentedArea = w->PresentedArea.Union(area.Intersect(pixels.BoundsRect()));
  if (w->Pixels.Width != pixels.Width || w->Pixels.Height != pixels.Height) {
    w->Pixels = pixels;
    return;
  }
  for (const TRect& area : areas) {
    const TRect r = area.Intersect(pixels.BoundsRect());
    for (int y = r.Top; y < r.Bottom; ++y)
      std::copy(pixels.Row(y) + r.Left, pixels.Row(y) + r.Right, w->Pixels.Row(y) + r.Left);
  }
}

bool THeadlessPlatform::FindWindow(const std::string& className, const std::string& caption) {
  const std::string cls = Lower(className), cap = Lower(caption);
  for (const auto& [id, w] : m_windows)
    if (Lower(w.Params.ClassName) == cls && Lower(w.Caption) == cap) return true;
  return false;
}

std::vector<TWindowId> THeadlessPlatform::ZOrder() const {
  // Stay-on-top windows above the others; within each group the later shown is higher.
  std::vector<TWindowId> order;
  for (int pass = 0; pass < 2; ++pass)
    for (auto it = m_stack.rbegin(); it != m_stack.rend(); ++it) {
      const TWindowRecord& w = m_windows.at(*it);
      if (!w.Visible || w.Minimized || w.Foreign) continue;
      if (w.StayOnTop == (pass == 0)) order.push_back(*it);
    }
  return order;
}

TWindowId THeadlessPlatform::WindowAt(TPoint p) const {
  // A modal box opened over a stay-on-top window is still the one on top: it is the active one.
  if (m_active != NoWindow) {
    const TWindowRecord* a = Window(m_active);
    if (a && a->Visible && !a->StayOnTop && a->Bounds.Contains(p)) return m_active;
  }
  for (TWindowId id : ZOrder())
    if (m_windows.at(id).Bounds.Contains(p)) return id;
  return NoWindow;
}

TWindowId THeadlessPlatform::PointerTarget() const {
  if (m_capture != NoWindow && Window(m_capture)) return m_capture;
  return WindowAt(m_pointer);
}

TEvent THeadlessPlatform::MouseEvent(TEventKind kind, TWindowId window, TMouseButtonId button,
                                     TShiftState shift) const {
  TEvent e{kind, window};
  e.Button = button;
  e.Shift = shift;
  e.Screen = m_pointer;
  if (const TWindowRecord* w = Window(window)) e.Client = {m_pointer.X - w->Bounds.Left, m_pointer.Y - w->Bounds.Top};
  return e;
}

void THeadlessPlatform::MovePointer(TPoint screen, TShiftState shift) {
  m_pointer = screen;
  const TWindowId target = PointerTarget();
  const TWindowId under = WindowAt(screen);
  if (m_hover != NoWindow && m_hover != under && m_capture == NoWindow)
    Push(MouseEvent(evMouseLeave, m_hover, pbLeft, shift));
  m_hover = under;
  if (target != NoWindow) Push(MouseEvent(evMouseMove, target, pbLeft, shift));
}

void THeadlessPlatform::Press(TMouseButtonId button, TShiftState shift) {
  const TWindowId target = PointerTarget();
  m_buttonsDown |= 1u << button;
  if (target == NoWindow) {
    Activate(NoWindow, false);  // a press elsewhere activates whatever lies there
    return;
  }
  if (m_active != target) Activate(target, true);
  Push(MouseEvent(evMouseDown, target, button, shift));
}

void THeadlessPlatform::Release(TMouseButtonId button, TShiftState shift) {
  const TWindowId target = PointerTarget();
  m_buttonsDown &= ~(1u << button);
  if (target != NoWindow) Push(MouseEvent(evMouseUp, target, button, shift));
}

void THeadlessPlatform::Key(bool down, int vk, TShiftState shift) {
  const TWindowRecord* w = Window(m_active);
  if (!w || w->Foreign) return;
  TEvent e{down ? evKeyDown : evKeyUp, m_active};
  e.Key = vk;
  e.Shift = shift;
  Push(e);
}

void THeadlessPlatform::Char(std::uint32_t ch, TShiftState shift) {
  const TWindowRecord* w = Window(m_active);
  if (!w || w->Foreign) return;
  TEvent e{evChar, m_active};
  e.Char = ch;
  e.Shift = shift;
  Push(e);
}

bool THeadlessPlatform::WaitEvent(TEvent& event, std::optional<std::uint64_t> deadline) {
  for (;;) {
    if (!m_queue.empty()) {
      event = m_queue.front();
      m_queue.pop_front();
      return true;
    }
    if (m_waitUntil) {
      // Time passes up to the next due timer (a tick due exactly at the end included).
      if (deadline && *deadline <= *m_waitUntil) {
        m_now = std::max(m_now, *deadline);
        return false;
      }
      m_now = *m_waitUntil;
      m_waitUntil.reset();
      continue;
    }
    if (deadline && *deadline <= m_now) return false;
    if (!OnIdle || !OnIdle()) return false;  // nothing more now; the clock stays
  }
}

void THeadlessPlatform::Beep() {
  ++m_beeps;
  if (Observer.Beep) Observer.Beep();
}

void THeadlessPlatform::OpenUrl(const std::string& url) {
  m_urls.push_back(url);
  if (Observer.OpenUrl) Observer.OpenUrl(url);
}

void THeadlessPlatform::MessageBoxShown(const std::string& caption, const std::string& text) {
  if (Observer.MessageBoxShown) Observer.MessageBoxShown(caption, text);
}

void THeadlessPlatform::MessageBoxClosed() {
  if (Observer.MessageBoxClosed) Observer.MessageBoxClosed();
}

}  // namespace platform
