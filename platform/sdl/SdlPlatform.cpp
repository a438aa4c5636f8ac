// The desktop backend of the platform boundary.
//
// Sections:
//   1. Window records and start-up
//   2. Top-level windows (create, show with the window-manager states, geometry, caption)
//   3. Presenting, cursor shapes, mouse capture
//   4. Window search, screen and pointer
//   5. Events (waiting, SDL events, pointer events from the X events themselves, XInput 2)
//   6. Desktop services (clipboard, bell, web address, input method)
//
// Pointer positions: every X pointer event carries the pointer's root-window position at the
// moment of the event. Client coordinates are that position minus the window position the
// program last set, never the window-relative coordinates of an event, which go stale while
// the program moves its window under the pointer (a drag by the flat title bar).

#include "platform/sdl/SdlPlatform.h"
#include "platform/Desktop.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/extensions/XInput2.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <deque>
#include <map>
#include <stdexcept>

#include "platform/sdl/SdlKeys.h"
#include "platform/sdl/XWindows.h"

namespace platform::sdl {

namespace {

// ---------------------------------------------------------------------------------------------
// 1. Window records and start-up
// ---------------------------------------------------------------------------------------------

struct TWindowRecord {
  SDL_Window* Sdl = nullptr;
  Display* XDisplay = nullptr;  // SDL's connection, through SDL_GetWindowWMInfo
  Window XWindow = 0;
  std::string Caption;
  bool StayOnTop = false;
  bool NoTaskbar = false;
  TWindowId Owner = NoWindow;
  TRect Bounds;   // as the program last set them
  TRect Applied;  // as last handed to SDL
  std::uint8_t Opacity = 255;
  bool Visible = false;
  bool EverShown = false;
  // The window surface the last present wrote into; a new one (after a resize) starts black and
  // gets the whole buffer.
  const SDL_Surface* Surface = nullptr;
  int SurfaceWidth = 0;
  int SurfaceHeight = 0;
};

// A press counts as the click that activated a window when it came this close to the activation.
constexpr std::uint64_t ClickActivationMs = 500;

class TSdlPlatform final : public TPlatform {
 public:
  TSdlPlatform();
  ~TSdlPlatform() override;

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
  TPoint PrimaryScreenSize() override;
  TPoint CursorPos() override;
  std::uint64_t NowMs() override;
  bool WaitEvent(TEvent& event, std::optional<std::uint64_t> deadline) override;
  std::optional<std::string> ClipboardText() override;
  void SetClipboardText(const std::string& text) override;
  void Beep() override;
  void OpenUrl(const std::string& url) override;
  void SwitchInputMethod(const std::string& name) override;

 private:
  TWindowRecord* Find(TWindowId id);
  TWindowId FindByXWindow(Window xwindow) const;
  void ApplyGeometry(TWindowRecord& record);
  void ApplyAllGeometry();
  void ShowMapped(TWindowRecord& record);

  void Translate(const SDL_Event& event);
  void TranslateWindowEvent(const SDL_WindowEvent& event);
  void TranslateKey(const SDL_KeyboardEvent& event);
  void TranslateText(const SDL_TextInputEvent& event);
  void TranslatePointer(const XEvent& event);
  static int SDLCALL FilterEvent(void* self, SDL_Event* event);
  bool ClickActivated(TWindowId id);

  Display* m_display = nullptr;  // own connection: window search, bell, window-manager presence
  int m_xinputOpcode = -1;
  std::map<TWindowId, TWindowRecord> m_windows;
  std::deque<TEvent> m_pending;
  std::array<SDL_Cursor*, csSizeNS + 1> m_cursors{};
  std::optional<TCursorShape> m_cursor;
  Uint16 m_keyModifiers = 0;  // of the last key event, for the text that follows it
  TWindowId m_lastPressWindow = NoWindow;
  std::uint64_t m_lastPressTime = 0;
};

TSdlPlatform::TSdlPlatform() {
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  // Whole-window opacity is drawn by a compositor, which must not be bypassed.
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  // The click that activates a window is an ordinary click for it.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  // Interrupt and terminate signals end the process as usual instead of becoming events.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  // Window surfaces are X images put into the window. A GL-backed surface would make SDL
  // re-create the X window, losing its class and states, and needs GL, which a bare server lacks.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    throw std::runtime_error(std::string("cannot start the desktop backend: ") + SDL_GetError());
  }
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || std::strcmp(driver, "x11") != 0) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    throw std::runtime_error("the desktop backend needs an X11 display");
  }
  m_display = XOpenDisplay(nullptr);
  if (!m_display) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    throw std::runtime_error("cannot open the X11 display");
  }
  x11::InstallLastingErrorHandler();
  int firstEvent = 0;
  int firstError = 0;
  if (!XQueryExtension(m_display, "XInputExtension", &m_xinputOpcode, &firstEvent, &firstError)) m_xinputOpcode = -1;
  SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);  // pointer input comes from the X events
  SDL_SetEventFilter(&TSdlPlatform::FilterEvent, this);
  SDL_StartTextInput();
}

TSdlPlatform::~TSdlPlatform() {
  SDL_SetEventFilter(nullptr, nullptr);
  // Our own requests about the windows are carried out while the windows still exist.
  XSync(m_display, False);
  for (auto& [id, record] : m_windows) SDL_DestroyWindow(record.Sdl);
  m_windows.clear();
  for (SDL_Cursor* cursor : m_cursors) {
    if (cursor) SDL_FreeCursor(cursor);
  }
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  SDL_Quit();
  // SDL puts back the handler it found at start, which ends the program on any error; a late
  // answer about a window that has just gone must not turn a normal end into a failure.
  x11::InstallLastingErrorHandler();
  XCloseDisplay(m_display);
}

TWindowRecord* TSdlPlatform::Find(TWindowId id) {
  auto it = m_windows.find(id);
  return it == m_windows.end() ? nullptr : &it->second;
}

TWindowId TSdlPlatform::FindByXWindow(Window xwindow) const {
  for (const auto& [id, record] : m_windows) {
    if (record.XWindow == xwindow) return id;
  }
  return NoWindow;
}

// ---------------------------------------------------------------------------------------------
// 2. Top-level windows
// ---------------------------------------------------------------------------------------------

TWindowId TSdlPlatform::CreateWindow(const TWindowParams& params) {
  Uint32 flags = SDL_WINDOW_HIDDEN;
  if (params.Borderless) flags |= SDL_WINDOW_BORDERLESS;
  const TRect& b = params.Bounds;
  SDL_Window* window = SDL_CreateWindow(params.Caption.c_str(), b.Left, b.Top, std::max(b.Width(), 1),
                                        std::max(b.Height(), 1), flags);
  if (!window) throw std::runtime_error(std::string("cannot create a window: ") + SDL_GetError());
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
    SDL_DestroyWindow(window);
    throw std::runtime_error("a window without an X11 window");
  }
  TWindowRecord record;
  record.Sdl = window;
  record.XDisplay = info.info.x11.display;
  record.XWindow = info.info.x11.window;
  record.Caption = params.Caption;
  record.StayOnTop = params.StayOnTop;
  record.NoTaskbar = params.NoTaskbar;
  record.Owner = params.Owner;
  record.Bounds = b;
  record.Applied = b;
  // The window is not mapped yet, so the window manager reads all of this when it first
  // manages the window.
  x11::SetClassHint(record.XDisplay, record.XWindow, params.ClassName);
  x11::SetCaption(record.XDisplay, record.XWindow, params.Caption);
  x11::WriteWindowStates(record.XDisplay, record.XWindow, record.StayOnTop, record.NoTaskbar);
  // Synced rather than flushed: another process searching for the window from now on finds it.
  XSync(record.XDisplay, False);
  const TWindowId id = SDL_GetWindowID(window);
  m_windows[id] = record;
  return id;
}

void TSdlPlatform::DestroyWindow(TWindowId window) {
  TWindowRecord* record = Find(window);
  if (!record) return;
  SDL_DestroyWindow(record->Sdl);
  m_windows.erase(window);
  std::erase_if(m_pending, [&](const TEvent& e) { return e.Window == window; });
}

void TSdlPlatform::ShowWindow(TWindowId window, bool visible) {
  TWindowRecord* record = Find(window);
  if (!record || record->Visible == visible) return;
  record->Visible = visible;
  if (visible) {
    ShowMapped(*record);
  } else {
    SDL_HideWindow(record->Sdl);
  }
}

void TSdlPlatform::ShowMapped(TWindowRecord& record) {
  ApplyGeometry(record);
  if (const TWindowRecord* owner = Find(record.Owner); owner && owner->EverShown) {
    x11::SetTransientFor(record.XDisplay, record.XWindow, owner->XWindow);
  }
  // Window managers drop _NET_WM_STATE when a window is withdrawn: write it again before the
  // map, and ask for the states once the window manager has taken the window.
  x11::WriteWindowStates(record.XDisplay, record.XWindow, record.StayOnTop, record.NoTaskbar);
  SDL_ShowWindow(record.Sdl);
  x11::RequestWindowStates(record.XDisplay, record.XWindow, record.StayOnTop, record.NoTaskbar);
  XFlush(record.XDisplay);
  record.EverShown = true;
}

void TSdlPlatform::SetWindowBounds(TWindowId window, const TRect& bounds) {
  TWindowRecord* record = Find(window);
  if (!record || record->Bounds == bounds) return;
  // Applied before the next wait for events or present: a drag sets the left and then the top
  // edge, and the two become one move of the window.
  record->Bounds = bounds;
}

void TSdlPlatform::ApplyGeometry(TWindowRecord& record) {
  const TRect& want = record.Bounds;
  const TRect& have = record.Applied;
  if (want == have) return;
  if (want.Left != have.Left || want.Top != have.Top) SDL_SetWindowPosition(record.Sdl, want.Left, want.Top);
  if (want.Width() != have.Width() || want.Height() != have.Height()) {
    SDL_SetWindowSize(record.Sdl, std::max(want.Width(), 1), std::max(want.Height(), 1));
  }
  record.Applied = want;
}

void TSdlPlatform::ApplyAllGeometry() {
  for (auto& [id, record] : m_windows) ApplyGeometry(record);
}

void TSdlPlatform::SetWindowCaption(TWindowId window, const std::string& caption) {
  TWindowRecord* record = Find(window);
  if (!record || record->Caption == caption) return;
  record->Caption = caption;
  SDL_SetWindowTitle(record->Sdl, caption.c_str());
  // SDL writes WM_NAME in the locale's encoding and skips it where that cannot hold the text.
  x11::SetCaption(record->XDisplay, record->XWindow, caption);
  XSync(record->XDisplay, False);
}

void TSdlPlatform::SetWindowOpacity(TWindowId window, std::uint8_t opacity) {
  TWindowRecord* record = Find(window);
  if (!record || record->Opacity == opacity) return;
  record->Opacity = opacity;
  SDL_SetWindowOpacity(record->Sdl, static_cast<float>(opacity) / 255.0f);
}

void TSdlPlatform::SetWindowStates(TWindowId window, bool stayOnTop, bool noTaskbar) {
  TWindowRecord* record = Find(window);
  if (!record || (record->StayOnTop == stayOnTop && record->NoTaskbar == noTaskbar)) return;
  record->StayOnTop = stayOnTop;
  record->NoTaskbar = noTaskbar;
  if (!record->Visible) {
    x11::WriteWindowStates(record->XDisplay, record->XWindow, stayOnTop, noTaskbar);
  } else if (x11::HasWindowManager(m_display)) {
    x11::RequestWindowStates(record->XDisplay, record->XWindow, stayOnTop, noTaskbar);
  } else {
    // Nobody answers the requests; the property is all there is.
    x11::WriteWindowStates(record->XDisplay, record->XWindow, stayOnTop, noTaskbar);
  }
  XFlush(record->XDisplay);
}

void TSdlPlatform::MinimizeWindow(TWindowId window) {
  if (TWindowRecord* record = Find(window)) SDL_MinimizeWindow(record->Sdl);
}

void TSdlPlatform::ActivateWindow(TWindowId window) {
  TWindowRecord* record = Find(window);
  if (!record || !record->Visible) return;
  SDL_RaiseWindow(record->Sdl);          // asks the window manager (_NET_ACTIVE_WINDOW)
  SDL_SetWindowInputFocus(record->Sdl);  // and takes the focus where there is none
}

// ---------------------------------------------------------------------------------------------
// 3. Presenting, cursor shapes, mouse capture
// ---------------------------------------------------------------------------------------------

void TSdlPlatform::Present(TWindowId window, const TSurface& pixels, const TRect& dirty) {
  TWindowRecord* record = Find(window);
  if (!record) return;
  ApplyGeometry(*record);
  SDL_Surface* surface = SDL_GetWindowSurface(record->Sdl);
  if (!surface) return;
  const TRect surfaceRect{0, 0, surface->w, surface->h};
  const bool fresh = surface != record->Surface || surface->w != record->SurfaceWidth ||
                     surface->h != record->SurfaceHeight;
  const TRect area = (fresh ? pixels.BoundsRect() : dirty).Intersect(pixels.BoundsRect()).Intersect(surfaceRect);
  record->Surface = surface;
  record->SurfaceWidth = surface->w;
  record->SurfaceHeight = surface->h;
  if (area.IsEmpty()) return;
  // Buffer pixels are 0x__RRGGBB words (bytes B, G, R and one byte the screen ignores): SDL's
  // RGB888, so a window surface with an alpha channel still gets opaque pixels.
  const int bytesPerPixel = surface->format->BytesPerPixel;
  auto* target = static_cast<Uint8*>(surface->pixels) + static_cast<size_t>(area.Top) * surface->pitch +
                 static_cast<size_t>(area.Left) * bytesPerPixel;
  SDL_ConvertPixels(area.Width(), area.Height(), SDL_PIXELFORMAT_RGB888, pixels.Row(area.Top) + area.Left,
                    pixels.Width * static_cast<int>(sizeof(TPixel)), surface->format->format, target,
                    surface->pitch);
  const SDL_Rect rect{area.Left, area.Top, area.Width(), area.Height()};
  SDL_UpdateWindowSurfaceRects(record->Sdl, &rect, 1);
}

void TSdlPlatform::SetCursor(TCursorShape shape) {
  if (m_cursor == shape) return;
  static constexpr SDL_SystemCursor systemCursors[] = {
      SDL_SYSTEM_CURSOR_ARROW, SDL_SYSTEM_CURSOR_IBEAM, SDL_SYSTEM_CURSOR_HAND,
      SDL_SYSTEM_CURSOR_SIZEALL, SDL_SYSTEM_CURSOR_CROSSHAIR, SDL_SYSTEM_CURSOR_WAIT,
      SDL_SYSTEM_CURSOR_NO, SDL_SYSTEM_CURSOR_SIZEWE, SDL_SYSTEM_CURSOR_SIZENS};
  static_assert(std::size(systemCursors) == csSizeNS + 1);
  SDL_Cursor*& cursor = m_cursors[shape];
  if (!cursor) cursor = SDL_CreateSystemCursor(systemCursors[shape]);
  if (cursor) SDL_SetCursor(cursor);
  m_cursor = shape;
}

// SDL grabs the pointer for the window that has the mouse focus, which is the window the
// press that starts a capture went to.
void TSdlPlatform::SetCapture(TWindowId window) {
  if (Find(window)) SDL_CaptureMouse(SDL_TRUE);
}

void TSdlPlatform::ReleaseCapture() { SDL_CaptureMouse(SDL_FALSE); }

// ---------------------------------------------------------------------------------------------
// 4. Window search, screen and pointer
// ---------------------------------------------------------------------------------------------

bool TSdlPlatform::FindWindow(const std::string& className, const std::string& caption) {
  // Our own windows' latest properties must have reached the server before it is asked.
  if (!m_windows.empty()) XSync(m_windows.begin()->second.XDisplay, False);
  return x11::FindTopLevelWindow(m_display, className, caption);
}

TPoint TSdlPlatform::PrimaryScreenSize() {
  SDL_Rect bounds;
  if (SDL_GetDisplayBounds(0, &bounds) == 0) return {bounds.w, bounds.h};  // SDL lists the primary first
  const int screen = DefaultScreen(m_display);
  return {DisplayWidth(m_display, screen), DisplayHeight(m_display, screen)};
}

TPoint TSdlPlatform::CursorPos() {
  int x = 0;
  int y = 0;
  SDL_GetGlobalMouseState(&x, &y);
  return {x, y};
}

// ---------------------------------------------------------------------------------------------
// 5. Events
// ---------------------------------------------------------------------------------------------

std::uint64_t TSdlPlatform::NowMs() { return SDL_GetTicks64(); }

bool TSdlPlatform::WaitEvent(TEvent& event, std::optional<std::uint64_t> deadline) {
  for (;;) {
    if (!m_pending.empty()) {
      event = m_pending.front();
      m_pending.pop_front();
      return true;
    }
    ApplyAllGeometry();
    SDL_Event sdlEvent;
    int got = 0;
    if (!deadline) {
      got = SDL_WaitEvent(&sdlEvent);
      if (!got) SDL_Delay(10);  // an error of the event queue: do not spin
    } else {
      const std::uint64_t now = NowMs();
      if (now >= *deadline) {
        got = SDL_PollEvent(&sdlEvent);
        if (!got) return false;
      } else {
        const std::uint64_t remaining = std::min<std::uint64_t>(*deadline - now, INT_MAX);
        got = SDL_WaitEventTimeout(&sdlEvent, static_cast<int>(remaining));
      }
    }
    if (got) Translate(sdlEvent);
  }
}

void TSdlPlatform::Translate(const SDL_Event& event) {
  switch (event.type) {
    case SDL_SYSWMEVENT:
      if (event.syswm.msg && event.syswm.msg->subsystem == SDL_SYSWM_X11) TranslatePointer(event.syswm.msg->msg.x11.event);
      break;
    case SDL_WINDOWEVENT:
      TranslateWindowEvent(event.window);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      TranslateKey(event.key);
      break;
    case SDL_TEXTINPUT:
      TranslateText(event.text);
      break;
    case SDL_LOCALECHANGED: {
      TEvent e;
      e.Kind = evSettingsChange;
      m_pending.push_back(e);
      break;
    }
    default:
      // SDL's own mouse events are not used: their window-relative positions go stale while
      // the window moves, and the X events they come from are translated instead.
      break;
  }
}

void TSdlPlatform::TranslateWindowEvent(const SDL_WindowEvent& event) {
  TWindowRecord* record = Find(event.windowID);
  if (!record) return;
  TEvent e;
  e.Window = event.windowID;
  switch (event.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      e.Kind = evActivate;
      e.ByClick = ClickActivated(event.windowID);
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      e.Kind = evDeactivate;
      break;
    case SDL_WINDOWEVENT_EXPOSED:
      // The window surface still holds what was presented last; show it at once.
      if (record->Surface) SDL_UpdateWindowSurface(record->Sdl);
      e.Kind = evExpose;
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      e.Kind = evExpose;  // a new, black window surface
      break;
    case SDL_WINDOWEVENT_CLOSE:
      e.Kind = evClose;
      break;
    case SDL_WINDOWEVENT_TAKE_FOCUS:
      SDL_SetWindowInputFocus(record->Sdl);
      return;
    default:
      return;
  }
  m_pending.push_back(e);
}

// The press that activated a window can arrive just before or just after the focus.
bool TSdlPlatform::ClickActivated(TWindowId id) {
  if (SDL_GetGlobalMouseState(nullptr, nullptr) != 0) return true;
  if (m_lastPressWindow == id && NowMs() - m_lastPressTime < ClickActivationMs) return true;
  SDL_PumpEvents();
  std::array<SDL_Event, 32> queued;
  const int count = SDL_PeepEvents(queued.data(), static_cast<int>(queued.size()), SDL_PEEKEVENT,
                                   SDL_SYSWMEVENT, SDL_SYSWMEVENT);
  const TWindowRecord* record = Find(id);
  for (int i = 0; i < count; ++i) {
    const SDL_SysWMmsg* msg = queued[i].syswm.msg;
    if (msg && msg->subsystem == SDL_SYSWM_X11 && msg->msg.x11.event.type == ButtonPress &&
        msg->msg.x11.event.xbutton.window == record->XWindow) {
      return true;
    }
  }
  return false;
}

void TSdlPlatform::TranslateKey(const SDL_KeyboardEvent& event) {
  m_keyModifiers = event.keysym.mod;
  if (!Find(event.windowID)) return;
  const int key = VirtualKey(event.keysym.sym, event.keysym.scancode);
  if (key == 0) return;
  TEvent e;
  e.Kind = event.type == SDL_KEYDOWN ? evKeyDown : evKeyUp;
  e.Window = event.windowID;
  e.Key = key;
  e.Shift = ShiftFromModifiers(event.keysym.mod);
  m_pending.push_back(e);
  if (event.type != SDL_KEYDOWN) return;
  if (std::optional<std::uint32_t> control = ControlChar(key, event.keysym.mod)) {
    e.Kind = evChar;
    e.Key = 0;
    e.Char = *control;
    m_pending.push_back(e);
  }
}

void TSdlPlatform::TranslateText(const SDL_TextInputEvent& event) {
  if (!Find(event.windowID) || SuppressesText(m_keyModifiers)) return;
  for (std::uint32_t cp : DecodeUtf8(event.text)) {
    if (cp < 32 || cp == 127) continue;  // control characters come from the key presses
    TEvent e;
    e.Kind = evChar;
    e.Window = event.windowID;
    e.Char = cp;
    e.Shift = ShiftFromModifiers(m_keyModifiers);
    m_pending.push_back(e);
  }
}

// SDL selects XInput 2 pointer events on its windows, and the server then reports the window's
// motion as XI2 events instead of core ones. Their data lives only while SDL hands the event
// to this filter, before the event is queued; the filter rewrites each such event, in the
// message the queue keeps, into the core pointer event it stands for.
int SDLCALL TSdlPlatform::FilterEvent(void* self, SDL_Event* event) {
  const auto* platform = static_cast<const TSdlPlatform*>(self);
  if (event->type != SDL_SYSWMEVENT || !event->syswm.msg || event->syswm.msg->subsystem != SDL_SYSWM_X11) return 1;
  XEvent& x = event->syswm.msg->msg.x11.event;
  const XGenericEventCookie& cookie = x.xcookie;
  if (x.type != GenericEvent || cookie.extension != platform->m_xinputOpcode || !cookie.data) return 1;
  auto buttonState = [](const XIButtonState& buttons) {
    unsigned int state = 0;
    const unsigned int masks[] = {Button1Mask, Button2Mask, Button3Mask};
    for (int b = 1; b <= 3; ++b) {
      if (b < buttons.mask_len * 8 && XIMaskIsSet(buttons.mask, b)) state |= masks[b - 1];
    }
    return state;
  };
  XEvent core{};
  switch (cookie.evtype) {
    case XI_Motion:
    case XI_ButtonPress:
    case XI_ButtonRelease: {
      const auto* d = static_cast<const XIDeviceEvent*>(cookie.data);
      if (d->flags & XIPointerEmulated) return 1;  // a touch seen as a pointer; SDL reports touches
      core.type = cookie.evtype == XI_Motion ? MotionNotify : cookie.evtype == XI_ButtonPress ? ButtonPress : ButtonRelease;
      core.xbutton.window = d->event;
      core.xbutton.root = d->root;
      core.xbutton.x_root = static_cast<int>(d->root_x);
      core.xbutton.y_root = static_cast<int>(d->root_y);
      core.xbutton.state = static_cast<unsigned int>(d->mods.effective) | buttonState(d->buttons);
      core.xbutton.button = static_cast<unsigned int>(d->detail);
      if (core.type == MotionNotify) {
        core.xmotion.x_root = static_cast<int>(d->root_x);
        core.xmotion.y_root = static_cast<int>(d->root_y);
      }
      break;
    }
    case XI_Enter:
    case XI_Leave: {
      const auto* d = static_cast<const XIEnterEvent*>(cookie.data);
      core.type = cookie.evtype == XI_Enter ? EnterNotify : LeaveNotify;
      core.xcrossing.window = d->event;
      core.xcrossing.root = d->root;
      core.xcrossing.x_root = static_cast<int>(d->root_x);
      core.xcrossing.y_root = static_cast<int>(d->root_y);
      core.xcrossing.mode = d->mode;
      core.xcrossing.state = static_cast<unsigned int>(d->mods.effective) | buttonState(d->buttons);
      break;
    }
    default:
      return 1;
  }
  x = core;
  return 1;
}

void TSdlPlatform::TranslatePointer(const XEvent& event) {
  auto shiftFromState = [](unsigned int state) {
    TShiftState shift = 0;
    if (state & ShiftMask) shift |= ksShift;
    if (state & ControlMask) shift |= ksCtrl;
    if (state & Mod1Mask) shift |= ksAlt;
    return shift;
  };
  constexpr unsigned int anyButton = Button1Mask | Button2Mask | Button3Mask;
  TEvent e;
  Window xwindow = 0;
  switch (event.type) {
    case ButtonPress:
    case ButtonRelease: {
      const XButtonEvent& b = event.xbutton;
      if (b.button == Button1) {
        e.Button = pbLeft;
      } else if (b.button == Button2) {
        e.Button = pbMiddle;
      } else if (b.button == Button3) {
        e.Button = pbRight;
      } else {
        return;  // wheel steps and extra buttons
      }
      xwindow = b.window;
      e.Kind = event.type == ButtonPress ? evMouseDown : evMouseUp;
      e.Screen = {b.x_root, b.y_root};
      e.Shift = shiftFromState(b.state);
      break;
    }
    case MotionNotify:
      xwindow = event.xmotion.window;
      e.Kind = evMouseMove;
      e.Screen = {event.xmotion.x_root, event.xmotion.y_root};
      e.Shift = shiftFromState(event.xmotion.state);
      break;
    case EnterNotify:
      // A window mapped or moved under a resting pointer gets no motion: a move to where the
      // pointer is lets hover states follow.
      if (event.xcrossing.mode != NotifyNormal) return;
      xwindow = event.xcrossing.window;
      e.Kind = evMouseMove;
      e.Screen = {event.xcrossing.x_root, event.xcrossing.y_root};
      e.Shift = shiftFromState(event.xcrossing.state);
      break;
    case LeaveNotify:
      // While a button is held the window keeps the pointer (the press grabbed it), so only a
      // leave without buttons is one.
      if (event.xcrossing.mode != NotifyNormal || (event.xcrossing.state & anyButton)) return;
      xwindow = event.xcrossing.window;
      e.Kind = evMouseLeave;
      e.Screen = {event.xcrossing.x_root, event.xcrossing.y_root};
      e.Shift = shiftFromState(event.xcrossing.state);
      break;
    default:
      return;
  }
  e.Window = FindByXWindow(xwindow);
  const TWindowRecord* record = Find(e.Window);
  if (!record) return;
  e.Client = {e.Screen.X - record->Bounds.Left, e.Screen.Y - record->Bounds.Top};
  if (e.Kind == evMouseDown) {
    m_lastPressWindow = e.Window;
    m_lastPressTime = NowMs();
  }
  m_pending.push_back(e);
}

// ---------------------------------------------------------------------------------------------
// 6. Desktop services
// ---------------------------------------------------------------------------------------------

std::optional<std::string> TSdlPlatform::ClipboardText() {
  if (!SDL_HasClipboardText()) return std::nullopt;
  char* text = SDL_GetClipboardText();
  if (!text) return std::nullopt;
  std::string result(text);
  SDL_free(text);
  return result;
}

void TSdlPlatform::SetClipboardText(const std::string& text) { SDL_SetClipboardText(text.c_str()); }

void TSdlPlatform::Beep() {
  XBell(m_display, 0);
  XFlush(m_display);
}

void TSdlPlatform::OpenUrl(const std::string& url) { SDL_OpenURL(url.c_str()); }

// The desktops this backend runs on offer no keyboard-layout switch to a program: typing goes
// through whatever input method the user runs, so there is nothing to switch.
void TSdlPlatform::SwitchInputMethod(const std::string& name) { (void)name; }

}  // namespace

}  // namespace platform::sdl

std::unique_ptr<platform::TPlatform> CreateSdlPlatform() {
  return std::make_unique<platform::sdl::TSdlPlatform>();
}

namespace platform {
std::unique_ptr<TPlatform> CreateDesktopPlatform() { return CreateSdlPlatform(); }
std::vector<std::string> CommandLineArguments(int argc, char** argv) { return {argv + 1, argv + argc}; }
}  // namespace platform
