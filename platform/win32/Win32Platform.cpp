// The Windows backend of the platform boundary, on the Win32 API.
//
// Sections:
//   1. Window records, window classes and start-up
//   2. Top-level windows (create, show, owner, geometry, caption, opacity, states)
//   3. Presenting, cursor shapes, mouse capture
//   4. Window search, screen, display scale and pointer
//   5. Events (the message loop, the window procedure, input translation)
//   6. Desktop services (clipboard, beep, web address, input method, decimal separator)
//   7. The desktop entry points (backend and command line)
//
// Every window of the program is a top-level window of one window procedure. The framework's
// application window is a hidden window that owns the others; its extended style carries
// WS_EX_TOOLWINDOW when the program asks for no taskbar button, as the start-up rule does.
// Messages become events in a queue that WaitEvent hands out one at a time; timers are the
// framework's deadlines, waited for with MsgWaitForMultipleObjects.

#include "base/Utf8.h"
#include "platform/CommandLine.h"
#include "platform/Desktop.h"
#include "platform/DisplayScale.h"
#include "platform/Platform.h"
#include "platform/win32/WideText.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <deque>
#include <map>
#include <set>
#include <stdexcept>
#include <vector>

#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Dpi.h"

// These need the definitions above.
#include <objbase.h>
#include <shellapi.h>

namespace platform::win32 {

namespace {

// ---------------------------------------------------------------------------------------------
// 1. Window records, window classes and start-up
// ---------------------------------------------------------------------------------------------

struct TWindowRecord {
  HWND Handle = nullptr;
  bool Borderless = false;
  bool Layered = false;
  TRect Bounds;  // the client area on the screen, as the program last knew it
  // Places the program asked for lately: a report of one of them is the system catching up with
  // a request (under Wine, window-manager answers arrive after later requests), not a move.
  std::deque<TRect> Requested;
  TSurface Shown;  // what was presented last, painted again on WM_PAINT
};

constexpr DWORD FramedStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;

class TWin32Platform final : public TPlatform {
 public:
  TWin32Platform();
  ~TWin32Platform() override;

  TWindowId CreateWindow(const TWindowParams& params) override;
  void DestroyWindow(TWindowId window) override;
  void ShowWindow(TWindowId window, bool visible) override;
  void SetWindowBounds(TWindowId window, const TRect& bounds) override;
  void SetWindowCaption(TWindowId window, const std::string& caption) override;
  void SetWindowOpacity(TWindowId window, std::uint8_t opacity) override;
  void SetWindowStates(TWindowId window, bool stayOnTop, bool noTaskbar) override;
  void MinimizeWindow(TWindowId window) override;
  void ActivateWindow(TWindowId window) override;
  void Present(TWindowId window, const TSurface& pixels, const TRect& dirty) override;
  void SetCursor(TCursorShape shape) override;
  void SetCapture(TWindowId window) override;
  void ReleaseCapture() override;
  bool FindWindow(const std::string& className, const std::string& caption) override;
  double DesktopScale(TWindowId window) override;
  TPoint PrimaryScreenSize() override;
  TPoint CursorPos() override;
  std::uint64_t NowMs() override;
  bool WaitEvent(TEvent& event, std::optional<std::uint64_t> deadline) override;
  std::optional<std::string> ClipboardText() override;
  void SetClipboardText(const std::string& text) override;
  void Beep() override;
  void OpenUrl(const std::string& url) override;
  void SwitchInputMethod(const std::string& name) override;
  char LocaleDecimalSeparator() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(TWindowId id, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void RegisterWindowClass(const std::wstring& name);
  TWindowRecord* Find(TWindowId id);
  TWindowId IdOf(HWND hwnd) const;
  void Paint(TWindowRecord& record, HDC dc, const TRect& area);

  void Push(TEventKind kind, TWindowId id) { m_pending.emplace_back(kind, id); }
  void FollowRealBounds(TWindowId id, HWND hwnd);
  void PushScaleChange(TWindowId id, HWND hwnd, unsigned dpi, const RECT& suggested);
  void PushMouse(TEventKind kind, TWindowId id, HWND hwnd, LPARAM lParam, TMouseButtonId button);
  void PushKey(TEventKind kind, TWindowId id, WPARAM key);
  void PushChar(TWindowId id, WPARAM unit);

  HINSTANCE m_instance = GetModuleHandleW(nullptr);
  std::set<std::wstring> m_classes;
  std::map<TWindowId, TWindowRecord> m_windows;
  TWindowId m_nextId = 1;
  std::deque<TEvent> m_pending;
  TSurrogateJoiner m_typed;
  TCursorShape m_cursor = csArrow;
  HWND m_tracking = nullptr;  // the window asked to report the pointer leaving it
  bool m_comStarted = false;
};

TWin32Platform* g_backend = nullptr;

TWin32Platform::TWin32Platform() {
  // The desktop's "open" action may use COM objects of this thread.
  m_comStarted = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  g_backend = this;
}

TWin32Platform::~TWin32Platform() {
  for (auto& [id, record] : m_windows) ::DestroyWindow(record.Handle);
  m_windows.clear();
  g_backend = nullptr;
  if (m_comStarted) CoUninitialize();
}

// One window class per class name the framework asks for, so that other programs (and a second
// start of this one) find the window by its class. No CS_DBLCLKS: the framework detects double
// clicks itself from plain presses.
void TWin32Platform::RegisterWindowClass(const std::wstring& name) {
  if (m_classes.contains(name)) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &TWin32Platform::WindowProc;
  wc.hInstance = m_instance;
  wc.hIcon = LoadIconW(m_instance, MAKEINTRESOURCEW(1));
  wc.hCursor = nullptr;  // set on WM_SETCURSOR from the framework's shape
  wc.lpszClassName = name.c_str();
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw std::runtime_error("cannot register a window class");
  }
  m_classes.insert(name);
}

TWindowRecord* TWin32Platform::Find(TWindowId id) {
  auto it = m_windows.find(id);
  return it == m_windows.end() ? nullptr : &it->second;
}

TWindowId TWin32Platform::IdOf(HWND hwnd) const {
  return static_cast<TWindowId>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// ---------------------------------------------------------------------------------------------
// 2. Top-level windows
// ---------------------------------------------------------------------------------------------

TWindowId TWin32Platform::CreateWindow(const TWindowParams& params) {
  const std::wstring className = Wide(params.ClassName);
  RegisterWindowClass(className);
  const DWORD style = params.Borderless ? WS_POPUP : FramedStyle;
  DWORD exStyle = params.StayOnTop ? WS_EX_TOPMOST : 0;
  const TWindowRecord* owner = Find(params.Owner);
  if (params.NoTaskbar && !owner) exStyle |= WS_EX_TOOLWINDOW;
  const RECT outer = OuterRect(params.Bounds, style, exStyle, MonitorDpi(params.Bounds));
  const TWindowId id = m_nextId++;
  HWND hwnd = CreateWindowExW(exStyle, className.c_str(), Wide(params.Caption).c_str(), style, outer.left, outer.top,
                              outer.right - outer.left, outer.bottom - outer.top, owner ? owner->Handle : nullptr,
                              nullptr, m_instance, nullptr);
  if (!hwnd) throw std::runtime_error("cannot create a window");
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, static_cast<LONG_PTR>(id));
  TWindowRecord& record = m_windows[id];
  record.Handle = hwnd;
  record.Borderless = params.Borderless;
  record.Bounds = params.Bounds;
  return id;
}

void TWin32Platform::DestroyWindow(TWindowId window) {
  TWindowRecord* record = Find(window);
  if (!record) return;
  HWND hwnd = record->Handle;
  if (m_tracking == hwnd) m_tracking = nullptr;
  m_windows.erase(window);
  ::DestroyWindow(hwnd);
  std::erase_if(m_pending, [&](const TEvent& e) { return e.Window == window; });
}

void TWin32Platform::ShowWindow(TWindowId window, bool visible) {
  TWindowRecord* record = Find(window);
  if (!record || (IsWindowVisible(record->Handle) != FALSE) == visible) return;
  ::ShowWindow(record->Handle, visible ? SW_SHOW : SW_HIDE);
}

void TWin32Platform::SetWindowBounds(TWindowId window, const TRect& bounds) {
  TWindowRecord* record = Find(window);
  if (!record) return;
  const DWORD style = static_cast<DWORD>(GetWindowLongW(record->Handle, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongW(record->Handle, GWL_EXSTYLE));
  const RECT outer = OuterRect(bounds, style, exStyle, WindowDpi(record->Handle));
  record->Bounds = bounds;
  record->Requested.push_back(bounds);
  if (record->Requested.size() > 8) record->Requested.pop_front();
  SetWindowPos(record->Handle, nullptr, outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void TWin32Platform::SetWindowCaption(TWindowId window, const std::string& caption) {
  if (TWindowRecord* record = Find(window)) SetWindowTextW(record->Handle, Wide(caption).c_str());
}

// Whole-window opacity is a layered window's constant alpha; the window becomes layered on
// the first request.
void TWin32Platform::SetWindowOpacity(TWindowId window, std::uint8_t opacity) {
  TWindowRecord* record = Find(window);
  if (!record) return;
  if (!record->Layered) {
    const LONG exStyle = GetWindowLongW(record->Handle, GWL_EXSTYLE);
    SetWindowLongW(record->Handle, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    record->Layered = true;
  }
  SetLayeredWindowAttributes(record->Handle, 0, opacity, LWA_ALPHA);
}

// Stay-on-top is the window's own; no taskbar button is the extended style of the window that
// would carry the button: the first of the owner chain (the application window).
void TWin32Platform::SetWindowStates(TWindowId window, bool stayOnTop, bool noTaskbar) {
  TWindowRecord* record = Find(window);
  if (!record) return;
  SetWindowPos(record->Handle, stayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  HWND carrier = GetAncestor(record->Handle, GA_ROOTOWNER);
  const LONG exStyle = GetWindowLongW(carrier, GWL_EXSTYLE);
  const LONG wanted = noTaskbar ? exStyle | WS_EX_TOOLWINDOW : exStyle & ~WS_EX_TOOLWINDOW;
  if (wanted != exStyle) SetWindowLongW(carrier, GWL_EXSTYLE, wanted);
}

// Minimising the program minimises the application window; the windows it owns disappear
// with it.
void TWin32Platform::MinimizeWindow(TWindowId window) {
  TWindowRecord* record = Find(window);
  if (!record) return;
  HWND target = GetAncestor(record->Handle, GA_ROOTOWNER);
  ::ShowWindow(target, SW_MINIMIZE);
}

void TWin32Platform::ActivateWindow(TWindowId window) {
  TWindowRecord* record = Find(window);
  if (!record || !IsWindowVisible(record->Handle)) return;
  SetForegroundWindow(record->Handle);
  SetActiveWindow(record->Handle);
  SetFocus(record->Handle);
}

// ---------------------------------------------------------------------------------------------
// 3. Presenting, cursor shapes, mouse capture
// ---------------------------------------------------------------------------------------------

void TWin32Platform::Present(TWindowId window, const TSurface& pixels, const TRect& dirty) {
  TWindowRecord* record = Find(window);
  if (!record) return;
  TSurface& shown = record->Shown;
  if (shown.Width != pixels.Width || shown.Height != pixels.Height) shown = pixels;
  const TRect area = dirty.Intersect(pixels.BoundsRect());
  for (int y = area.Top; y < area.Bottom; ++y) {
    std::copy(pixels.Row(y) + area.Left, pixels.Row(y) + area.Right, shown.Row(y) + area.Left);
  }
  if (area.IsEmpty()) return;
  HDC dc = GetDC(record->Handle);
  Paint(*record, dc, area);
  ReleaseDC(record->Handle, dc);
}

// Draws `area` of the last presented buffer: its rows are copied into a top-down DIB of just
// that area, which is drawn at its place in the client area.
void TWin32Platform::Paint(TWindowRecord& record, HDC dc, const TRect& area) {
  const TRect part = area.Intersect(record.Shown.BoundsRect());
  if (part.IsEmpty()) return;
  std::vector<TPixel> rows(static_cast<size_t>(part.Width()) * part.Height());
  for (int y = part.Top; y < part.Bottom; ++y) {
    const TPixel* from = record.Shown.Row(y) + part.Left;
    std::copy(from, from + part.Width(), rows.begin() + static_cast<ptrdiff_t>(y - part.Top) * part.Width());
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = part.Width();
  info.bmiHeader.biHeight = -part.Height();  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SetDIBitsToDevice(dc, part.Left, part.Top, static_cast<DWORD>(part.Width()), static_cast<DWORD>(part.Height()), 0, 0,
                    0, static_cast<UINT>(part.Height()), rows.data(), &info, DIB_RGB_COLORS);
}

void TWin32Platform::SetCursor(TCursorShape shape) {
  static const LPCWSTR systemCursors[] = {IDC_ARROW, IDC_IBEAM, IDC_HAND,   IDC_SIZEALL, IDC_CROSS,
                                          IDC_WAIT,  IDC_NO,    IDC_SIZEWE, IDC_SIZENS};
  static_assert(std::size(systemCursors) == csSizeNS + 1);
  m_cursor = shape;
  ::SetCursor(LoadCursorW(nullptr, systemCursors[shape]));
}

void TWin32Platform::SetCapture(TWindowId window) {
  if (TWindowRecord* record = Find(window)) ::SetCapture(record->Handle);
}

void TWin32Platform::ReleaseCapture() { ::ReleaseCapture(); }

// ---------------------------------------------------------------------------------------------
// 4. Window search, screen, display scale and pointer
// ---------------------------------------------------------------------------------------------

// The system's own search: top-level windows of every process, hidden ones included, class and
// caption compared without regard to letter case.
bool TWin32Platform::FindWindow(const std::string& className, const std::string& caption) {
  return FindWindowW(Wide(className).c_str(), Wide(caption).c_str()) != nullptr;
}

// The program declares itself aware of each monitor's DPI (its manifest), so the system gives it
// device pixels and the DPI of the monitor a window is on; before a window exists, the primary
// monitor's. ORVANTA_SCALE overrides both.
double TWin32Platform::DesktopScale(TWindowId window) {
  const TWindowRecord* record = Find(window);
  const unsigned dpi = record ? WindowDpi(record->Handle) : PrimaryMonitorDpi();
  return DesktopScaleFrom(std::getenv("ORVANTA_SCALE"), static_cast<double>(dpi));
}

TPoint TWin32Platform::PrimaryScreenSize() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

TPoint TWin32Platform::CursorPos() {
  POINT p{};
  GetCursorPos(&p);
  return {p.x, p.y};
}

// ---------------------------------------------------------------------------------------------
// 5. Events
// ---------------------------------------------------------------------------------------------

std::uint64_t TWin32Platform::NowMs() { return GetTickCount64(); }

bool TWin32Platform::WaitEvent(TEvent& event, std::optional<std::uint64_t> deadline) {
  for (;;) {
    if (!m_pending.empty()) {
      event = m_pending.front();
      m_pending.pop_front();
      return true;
    }
    MSG msg;
    if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
      continue;
    }
    DWORD timeout = INFINITE;
    if (deadline) {
      const std::uint64_t now = NowMs();
      if (now >= *deadline) return false;
      timeout = static_cast<DWORD>(std::min<std::uint64_t>(*deadline - now, INFINITE - 1));
    }
    MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

LRESULT CALLBACK TWin32Platform::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const auto id = static_cast<TWindowId>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!g_backend || !id) return DefWindowProcW(hwnd, msg, wParam, lParam);
  return g_backend->Handle(id, hwnd, msg, wParam, lParam);
}

LRESULT TWin32Platform::Handle(TWindowId id, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (TWindowRecord* record = Find(id)) {
        Paint(*record, dc, {ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom});
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND: return 1;  // every pixel comes from the buffer
    case WM_SIZE: Push(evExpose, id); break;
    case WM_WINDOWPOSCHANGED: FollowRealBounds(id, hwnd); break;
    case WM_DPICHANGED: PushScaleChange(id, hwnd, LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_CLOSE: Push(evClose, id); return 0;
    case WM_ACTIVATE: {
      TEvent e(LOWORD(wParam) == WA_INACTIVE ? evDeactivate : evActivate, id);
      e.ByClick = LOWORD(wParam) == WA_CLICKACTIVE;
      m_pending.push_back(e);
      break;
    }
    case WM_MOUSEACTIVATE: return MA_ACTIVATE;  // the click that activates a window is an ordinary click for it
    case WM_SETCURSOR:
      if (LOWORD(lParam) != HTCLIENT) break;
      SetCursor(m_cursor);
      return TRUE;
    case WM_LBUTTONDOWN: PushMouse(evMouseDown, id, hwnd, lParam, pbLeft); return 0;
    case WM_RBUTTONDOWN: PushMouse(evMouseDown, id, hwnd, lParam, pbRight); return 0;
    case WM_MBUTTONDOWN: PushMouse(evMouseDown, id, hwnd, lParam, pbMiddle); return 0;
    case WM_LBUTTONUP: PushMouse(evMouseUp, id, hwnd, lParam, pbLeft); return 0;
    case WM_RBUTTONUP: PushMouse(evMouseUp, id, hwnd, lParam, pbRight); return 0;
    case WM_MBUTTONUP: PushMouse(evMouseUp, id, hwnd, lParam, pbMiddle); return 0;
    case WM_MOUSEMOVE: PushMouse(evMouseMove, id, hwnd, lParam, pbLeft); return 0;
    case WM_MOUSELEAVE:
      if (m_tracking == hwnd) m_tracking = nullptr;
      if (GetCapture() != hwnd) Push(evMouseLeave, id);
      return 0;
    case WM_KEYDOWN: PushKey(evKeyDown, id, wParam); return 0;
    case WM_KEYUP: PushKey(evKeyUp, id, wParam); return 0;
    case WM_SYSKEYDOWN: PushKey(evKeyDown, id, wParam); break;  // Alt+F4 still closes
    case WM_SYSKEYUP: PushKey(evKeyUp, id, wParam); break;
    case WM_CHAR: PushChar(id, wParam); return 0;
    case WM_SETTINGCHANGE: {
      TEvent e(evSettingsChange, id);
      m_pending.push_back(e);
      break;
    }
    default: break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The system may place a window elsewhere than asked (kept on the screen, moved by the user
// through the system): the program is told the real client area, and follows it.
void TWin32Platform::FollowRealBounds(TWindowId id, HWND hwnd) {
  TWindowRecord* record = Find(id);
  if (!record || IsIconic(hwnd)) return;
  RECT client{};
  GetClientRect(hwnd, &client);
  POINT origin{0, 0};
  ClientToScreen(hwnd, &origin);
  const TRect real = Bounds(origin.x, origin.y, client.right, client.bottom);
  if (real == record->Bounds || std::ranges::find(record->Requested, real) != record->Requested.end()) return;
  record->Bounds = real;
  TEvent e(evBoundsChange, id);
  e.Bounds = real;
  m_pending.push_back(e);
}

// The window is now on a monitor of another DPI (or the user changed the scale). The framework
// decides the window's new size from its whole scale factor and resizes it itself, so the
// system's suggested rectangle is passed on, as the client area it frames, and not applied here.
// Until then the client area stays where and as it is: a framed window's frame, which the system
// draws at the new DPI, is fitted round it again.
void TWin32Platform::PushScaleChange(TWindowId id, HWND hwnd, unsigned dpi, const RECT& suggested) {
  const DWORD style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_EXSTYLE));
  const RECT frame = OuterRect({0, 0, 0, 0}, style, exStyle, dpi);  // the frame's width on each side
  TWindowRecord* record = Find(id);
  if (record && !record->Borderless) {
    const RECT outer = OuterRect(record->Bounds, style, exStyle, dpi);
    SetWindowPos(hwnd, nullptr, outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  }
  TEvent e(evScaleChange, id);
  e.Scale = DesktopScaleFrom(std::getenv("ORVANTA_SCALE"), static_cast<double>(dpi));
  e.Bounds = {suggested.left - frame.left, suggested.top - frame.top, suggested.right - frame.right,
              suggested.bottom - frame.bottom};
  m_pending.push_back(e);
}

TShiftState CurrentShift() {
  TShiftState shift = 0;
  if (GetKeyState(VK_SHIFT) & 0x8000) shift |= ksShift;
  if (GetKeyState(VK_CONTROL) & 0x8000) shift |= ksCtrl;
  if (GetKeyState(VK_MENU) & 0x8000) shift |= ksAlt;
  return shift;
}

// Positions come from the system: the client position of the message, and the screen position
// from the window's real client origin.
void TWin32Platform::PushMouse(TEventKind kind, TWindowId id, HWND hwnd, LPARAM lParam, TMouseButtonId button) {
  TEvent e(kind, id);
  e.Button = button;
  e.Client = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  POINT p{e.Client.X, e.Client.Y};
  ClientToScreen(hwnd, &p);
  e.Screen = {p.x, p.y};
  e.Shift = CurrentShift();
  m_pending.push_back(e);
  if (kind == evMouseMove && m_tracking != hwnd) {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
    if (TrackMouseEvent(&track)) m_tracking = hwnd;
  }
}

void TWin32Platform::PushKey(TEventKind kind, TWindowId id, WPARAM key) {
  TEvent e(kind, id);
  e.Key = static_cast<int>(key);
  e.Shift = CurrentShift();
  m_pending.push_back(e);
}

// Characters arrive as UTF-16 units; a character outside the basic plane comes as two.
void TWin32Platform::PushChar(TWindowId id, WPARAM unit) {
  for (char32_t ch : m_typed.Feed(static_cast<char16_t>(unit))) {
    TEvent e(evChar, id);
    e.Char = ch;
    e.Shift = CurrentShift();
    m_pending.push_back(e);
  }
}

// ---------------------------------------------------------------------------------------------
// 6. Desktop services
// ---------------------------------------------------------------------------------------------

// Another program may hold the clipboard for a moment.
bool OpenClipboardSoon() {
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (OpenClipboard(nullptr)) return true;
    Sleep(10);
  }
  return false;
}

std::optional<std::string> TWin32Platform::ClipboardText() {
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboardSoon()) return std::nullopt;
  std::optional<std::string> text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      const size_t limit = GlobalSize(data) / sizeof(wchar_t);
      text = Narrow(std::wstring_view(chars, std::find(chars, chars + limit, L'\0') - chars));
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

void TWin32Platform::SetClipboardText(const std::string& text) {
  const std::wstring wide = Wide(text);
  HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t));
  if (!data) return;
  auto* chars = static_cast<wchar_t*>(GlobalLock(data));
  std::copy(wide.c_str(), wide.c_str() + wide.size() + 1, chars);
  GlobalUnlock(data);
  if (!OpenClipboardSoon()) {
    GlobalFree(data);
    return;
  }
  EmptyClipboard();
  if (!SetClipboardData(CF_UNICODETEXT, data)) GlobalFree(data);  // else the clipboard owns it
  CloseClipboard();
}

void TWin32Platform::Beep() { MessageBeep(0); }

void TWin32Platform::OpenUrl(const std::string& url) {
  HWND owner = GetForegroundWindow();
  if (owner && !IdOf(owner)) owner = nullptr;
  ShellExecuteW(owner, L"open", Wide(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// The registry name ("E0200804") of the installed keyboard layout or input method whose display
// name is `name`; empty when there is none.
std::wstring LayoutIdByName(const std::string& name) {
  HKEY layouts = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts", 0, KEY_READ,
                    &layouts) != ERROR_SUCCESS) {
    return {};
  }
  const std::wstring wanted = Wide(name);
  std::wstring found;
  wchar_t id[KL_NAMELENGTH + 8];
  for (DWORD i = 0; found.empty(); ++i) {
    DWORD idLength = static_cast<DWORD>(std::size(id));
    if (RegEnumKeyExW(layouts, i, id, &idLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    wchar_t text[256];
    DWORD bytes = sizeof text;
    if (RegGetValueW(layouts, id, L"Layout Text", RRF_RT_REG_SZ, nullptr, text, &bytes) == ERROR_SUCCESS &&
        wanted == text) {
      found = id;
    }
  }
  RegCloseKey(layouts);
  return found;
}

// Focus into a box with an input-method name activates that input method when it is installed
// and the default layout otherwise; an empty name returns to the default layout.
void TWin32Platform::SwitchInputMethod(const std::string& name) {
  const std::wstring id = name.empty() ? std::wstring() : LayoutIdByName(name);
  if (!id.empty()) {
    if (HKL layout = LoadKeyboardLayoutW(id.c_str(), KLF_ACTIVATE)) {
      ActivateKeyboardLayout(layout, 0);
      return;
    }
  }
  HKL defaultLayout = nullptr;
  if (SystemParametersInfoW(SPI_GETDEFAULTINPUTLANG, 0, &defaultLayout, 0) && defaultLayout) {
    ActivateKeyboardLayout(defaultLayout, 0);
  }
}

// The user's own setting, read each time (the framework asks again on WM_SETTINGCHANGE); a
// point when it is empty or not a single ASCII character.
char TWin32Platform::LocaleDecimalSeparator() {
  wchar_t separator[8] = {};
  const int length =
      GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator, static_cast<int>(std::size(separator)));
  if (length != 2 || separator[0] == 0 || separator[0] > 0x7F) return '.';
  return static_cast<char>(separator[0]);
}

}  // namespace

}  // namespace platform::win32

// ---------------------------------------------------------------------------------------------
// 7. The desktop entry points
// ---------------------------------------------------------------------------------------------

namespace platform {

std::unique_ptr<TPlatform> CreateDesktopPlatform() { return std::make_unique<win32::TWin32Platform>(); }

// The C runtime's argv follows other quoting rules and the ANSI code page; the program's
// arguments are the UTF-16 command line split by the start-up rule.
std::vector<std::string> CommandLineArguments(int, char**) {
  const wchar_t* line = GetCommandLineW();
  const size_t length = line ? wcslen(line) : 0;
  std::vector<std::string> words =
      SplitCommandLine(Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(line), length)));
  if (!words.empty()) words.erase(words.begin());  // the program itself
  return words;
}

}  // namespace platform
