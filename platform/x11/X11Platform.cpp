// The desktop backend of the platform boundary on an X server, with Xlib (XCB for the batched
// window search, xkbcommon for the keyboard, MIT-SHM for presenting).
//
// Sections:
//   1. Window records and start-up
//   2. Top-level windows (create, show with the first frame, states, caption, opacity)
//   3. Geometry: what the program asked for and what the server reports
//   4. Presenting, cursor shapes, mouse capture
//   5. Activation
//   6. Window search, screen and pointer
//   7. Events
//   8. Clipboard (the CLIPBOARD selection)
//   9. Desktop services (bell, web address, input method)
//
// Where windows are: the program's idea of a window's place is what it last asked for, and
// pointer positions in client coordinates are the pointer's root position minus that place.
// A drag by the flat title bar therefore stays exact while moves are still on their way. Every
// ConfigureNotify is compared with the moves on their way; a place or size the program never
// asked for (a window manager moved, clamped or refused) becomes the program's idea at once and
// is reported to it, so the two never part for longer than one event.

#include "platform/Desktop.h"
#include "platform/DisplayScale.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/XShm.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <span>
#include <stdexcept>

#include "platform/x11/XKeyboard.h"
#include "platform/x11/XWindows.h"

namespace platform::x11 {

namespace {

// ---------------------------------------------------------------------------------------------
// 1. Window records and start-up
// ---------------------------------------------------------------------------------------------

// An XCB reply, freed with the C library's free.
struct TFreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <class T>
using TReply = std::unique_ptr<T, TFreeReply>;

// A press counts as the click that activated a window when it came this close to the activation.
constexpr std::uint64_t ClickActivationMs = 500;
// How long a clipboard read waits for the owner's answer.
constexpr int ClipboardWaitMs = 1000;
// The longest text read from a property (the clipboard, the resource database); the inputs take a
// few characters, so this only keeps a runaway clipboard owner from filling the memory.
constexpr std::size_t MaxTextBytes = 16 << 20;
// Moves on their way to the server that are remembered at most (a window manager that answers
// none of them must not make the list grow).
constexpr size_t MaxMovesInFlight = 64;
// Frames (and exposed areas) of at most this many pixels travel inside the requests; larger ones
// are read by the server from the shared memory where there is one (see SentShared).
constexpr size_t CopiedPresentPixels = 4096;

size_t PixelsIn(const TRect& r) {
  return static_cast<size_t>(std::max(r.Width(), 0)) * static_cast<size_t>(std::max(r.Height(), 0));
}

// How the parts of a frame went to the server, which decides how the frame is finished.
enum TPresentSent : unsigned { psXcb = 1, psXlib = 2, psShared = 4 };

// The window's picture as the server last got it: a shared-memory image where the server offers
// it, else an ordinary one. Expose events are answered from it without the class library.
struct TWindowImage {
  XImage* Image = nullptr;
  XShmSegmentInfo Shm{};
  bool Shared = false;
};

struct TWindowRecord {
  Window XWindow = 0;          // 0 until the window is needed (a window never shown has none)
  Window Parent = 0;           // the root window, or a window manager's frame
  std::vector<Window> Frames;  // the window manager's windows around it, innermost first: their moves move it
  TWindowParams Params;
  TRect Bounds;                // the program's idea of the place and size
  TRect Applied;               // as last sent to the server
  std::deque<TRect> InFlight;  // sent, not yet reported back
  std::uint8_t Opacity = 255;
  bool Visible = false;
  Pixmap FirstFrame = 0;  // background that shows the first frame at the map
  TWindowImage Picture;
};

class TX11Platform final : public TPlatform {
 public:
  TX11Platform();
  ~TX11Platform() override;

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
  void PresentAreas(TWindowId window, const TSurface& pixels, std::span<const TRect> areas) override;
  bool AttachSurface(TWindowId window, TSurface& surface) override;
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

 private:
  TWindowRecord* Find(TWindowId id);
  TWindowId FindByXWindow(Window xwindow) const;
  TWindowId FindByFrame(Window frame) const;
  void WatchFrames(TWindowRecord& record);
  void CreateXWindow(TWindowRecord& record);
  void WriteHints(const TWindowRecord& record);
  void Map(TWindowRecord& record);

  void ApplyGeometry(TWindowRecord& record);
  void ApplyAllGeometry();
  void Reported(TWindowId id, TWindowRecord& record, const XConfigureEvent& event);
  void Compare(TWindowId id, TWindowRecord& record, const TRect& real);
  std::optional<TPoint> RootOrigin(const TWindowRecord& record);
  void FrameMoved(TWindowId id);
  void ResourcesChanged();

  bool EnsureImage(TWindowRecord& record, int width, int height);
  static bool HoldsBufferPixels(const XImage& image);
  void FreeImage(TWindowImage& picture);
  static bool SentShared(const TWindowImage& picture, size_t pixels);
  void PutArea(TWindowRecord& record, Drawable target, const TRect& area, bool shared);
  void CopyIntoImage(TWindowRecord& record, const TSurface& pixels, const TRect& area);
  unsigned ShowArea(TWindowRecord& record, const TRect& area, bool shared);
  void SetFirstFrame(TWindowRecord& record);

  void RequestActivation(TWindowRecord& record);
  Time ServerTime();
  bool ClickActivated(TWindowId id, Window xwindow);

  bool ReadEvent(std::optional<std::uint64_t> deadline);
  void Translate(const XEvent& event);
  void TranslateKey(const XKeyEvent& event);
  void TranslatePointer(const XEvent& event);
  void TranslateFocus(const XFocusChangeEvent& event);
  void TranslateClientMessage(const XClientMessageEvent& event);
  void Push(TEventKind kind, TWindowId window);

  Window SelectionWindow();
  void AnswerSelectionRequest(const XSelectionRequestEvent& request);
  std::optional<std::string> ReadSelection(Atom target);
  std::optional<std::string> ReadIncrements(Window w);
  Atom TakeSelectionData(Window w, std::string& bytes);
  bool WaitForEvent(Window w, int type, std::uint64_t deadline, XEvent& event);
  Atom ReadProperty(Window w, Atom property, Atom wanted, std::string& bytes);

  Display* m_display = nullptr;
  int m_screen = 0;
  Window m_root = 0;
  std::unique_ptr<TAtoms> m_atoms;
  std::unique_ptr<TXKeyboard> m_keyboard;
  bool m_shmAvailable = false;
  bool m_randrVersionSent = false;
  int m_xkbEventBase = -1;
  std::map<TWindowId, TWindowRecord> m_windows;
  TWindowId m_nextId = 1;
  std::deque<TEvent> m_pending;
  std::array<Cursor, csSizeNS + 1> m_cursors{};
  std::optional<TCursorShape> m_cursor;
  Time m_userTime = CurrentTime;  // of the last key or button event
  TWindowId m_lastPressWindow = NoWindow;
  std::uint64_t m_lastPressMs = 0;
  Window m_selectionWindow = 0;
  std::string m_clipboardText;
  std::string m_resources;  // the resource database (RESOURCE_MANAGER) as the server holds it now
  double m_desktopScale = 1.0;
  bool m_ownsClipboard = false;
  std::vector<std::uint8_t> m_packed;  // a small present's rows, packed for the request
};

// An error while attaching shared memory means the server cannot reach it (another machine).
bool g_attachFailed = false;
int NoteAttachError(Display*, XErrorEvent*) {
  g_attachFailed = true;
  return 0;
}

TX11Platform::TX11Platform() {
  m_display = XOpenDisplay(nullptr);
  if (!m_display) throw std::runtime_error("cannot open the X display");
  // The connection must not leak into the programs the desktop opener starts.
  fcntl(ConnectionNumber(m_display), F_SETFD, FD_CLOEXEC);
  InstallLastingErrorHandler();
  m_screen = DefaultScreen(m_display);
  m_root = RootWindow(m_display, m_screen);
  const Visual* visual = DefaultVisual(m_display, m_screen);
  if (DefaultDepth(m_display, m_screen) < 24 || visual->red_mask != 0xFF0000 || visual->green_mask != 0xFF00 ||
      visual->blue_mask != 0xFF) {
    XCloseDisplay(m_display);
    throw std::runtime_error("the X screen has no 24-bit true-colour visual");
  }
  m_atoms = std::make_unique<TAtoms>(m_display);
  if (const char* resources = XResourceManagerString(m_display)) m_resources = resources;
  m_desktopScale = DesktopScale(NoWindow);
  // A desktop that changes its scale while the program runs rewrites the resource database.
  XSelectInput(m_display, m_root, PropertyChangeMask);
  m_keyboard = std::make_unique<TXKeyboard>(XGetXCBConnection(m_display));
  // Held keys repeat as presses without releases in between, as desktop key codes do.
  XkbSetDetectableAutoRepeat(m_display, True, nullptr);
  int opcode = 0, xkbError = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
  if (XkbQueryExtension(m_display, &opcode, &m_xkbEventBase, &xkbError, &major, &minor)) {
    constexpr unsigned long keymapEvents = XkbNewKeyboardNotifyMask | XkbMapNotifyMask;
    XkbSelectEvents(m_display, XkbUseCoreKbd, keymapEvents, keymapEvents);
  }
  m_shmAvailable = XShmQueryExtension(m_display);
}

TX11Platform::~TX11Platform() {
  for (auto& [id, record] : m_windows) {
    FreeImage(record.Picture);
    if (record.XWindow) XDestroyWindow(m_display, record.XWindow);
  }
  m_windows.clear();
  for (Cursor cursor : m_cursors)
    if (cursor) XFreeCursor(m_display, cursor);
  if (m_selectionWindow) XDestroyWindow(m_display, m_selectionWindow);
  m_keyboard.reset();
  XCloseDisplay(m_display);
}

TWindowRecord* TX11Platform::Find(TWindowId id) {
  auto it = m_windows.find(id);
  return it == m_windows.end() ? nullptr : &it->second;
}

TWindowId TX11Platform::FindByXWindow(Window xwindow) const {
  for (const auto& [id, record] : m_windows)
    if (record.XWindow == xwindow && xwindow) return id;
  return NoWindow;
}

TWindowId TX11Platform::FindByFrame(Window frame) const {
  for (const auto& [id, record] : m_windows)
    if (std::find(record.Frames.begin(), record.Frames.end(), frame) != record.Frames.end()) return id;
  return NoWindow;
}

// A window manager that frames a window moves the frame, not the window: the window is told only
// if the manager sends a synthetic notice, which one that starts after the program may not do for
// windows it found already placed (it places the frame after the reparent). The frames' own moves
// are watched instead.
void TX11Platform::WatchFrames(TWindowRecord& record) {
  record.Frames.clear();
  for (Window w = record.Parent; w && w != m_root;) {
    record.Frames.push_back(w);
    XSelectInput(m_display, w, StructureNotifyMask);
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(m_display, w, &root, &parent, &children, &count)) break;
    if (children) XFree(children);
    w = parent;
  }
}

void TX11Platform::Push(TEventKind kind, TWindowId window) { m_pending.emplace_back(kind, window); }

// ---------------------------------------------------------------------------------------------
// 2. Top-level windows
// ---------------------------------------------------------------------------------------------

TWindowId TX11Platform::CreateWindow(const TWindowParams& params) {
  const TWindowId id = m_nextId++;
  TWindowRecord& record = m_windows[id];
  record.Params = params;
  record.Bounds = params.Bounds;
  record.Applied = params.Bounds;
  // A window without an area (the application's hidden owner) gets an X window only if shown.
  if (!params.Bounds.IsEmpty()) CreateXWindow(record);
  return id;
}

void TX11Platform::CreateXWindow(TWindowRecord& record) {
  const TRect& b = record.Bounds;
  XSetWindowAttributes attributes{};
  // No background: the server leaves the area alone until the first frame is put there.
  attributes.background_pixmap = None;
  attributes.bit_gravity = NorthWestGravity;
  attributes.event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                          EnterWindowMask | LeaveWindowMask | ExposureMask | StructureNotifyMask | FocusChangeMask |
                          PropertyChangeMask;
  record.XWindow = XCreateWindow(m_display, m_root, b.Left, b.Top, static_cast<unsigned>(std::max(b.Width(), 1)),
                                 static_cast<unsigned>(std::max(b.Height(), 1)), 0, CopyFromParent, InputOutput,
                                 CopyFromParent, CWBackPixmap | CWBitGravity | CWEventMask, &attributes);
  record.Parent = m_root;
  WriteHints(record);
  if (m_cursor && m_cursors[*m_cursor]) XDefineCursor(m_display, record.XWindow, m_cursors[*m_cursor]);
  // Synced rather than flushed: another process searching for the window from now on finds it.
  XSync(m_display, False);
}

// Everything a window manager reads when it takes the window, written before the first map.
void TX11Platform::WriteHints(const TWindowRecord& record) {
  const Window w = record.XWindow;
  const TWindowParams& p = record.Params;
  SetClassHint(m_display, w, p.ClassName);
  SetCaption(m_display, *m_atoms, w, record.Params.Caption);
  Atom protocols[] = {m_atoms->WmDeleteWindow, m_atoms->NetWmPing};
  XSetWMProtocols(m_display, w, protocols, 2);
  XWMHints wmHints{};
  wmHints.flags = InputHint | StateHint;
  wmHints.input = True;
  wmHints.initial_state = NormalState;
  XSetWMHints(m_display, w, &wmHints);
  // The place is the program's own (the window manager must not choose one), and it is the
  // place of the client area also when the window manager adds a frame.
  XSizeHints sizeHints{};
  sizeHints.flags = USPosition | PPosition | USSize | PSize | PWinGravity;
  sizeHints.x = record.Bounds.Left;
  sizeHints.y = record.Bounds.Top;
  sizeHints.width = record.Bounds.Width();
  sizeHints.height = record.Bounds.Height();
  sizeHints.win_gravity = StaticGravity;
  XSetWMNormalHints(m_display, w, &sizeHints);
  const long pid = getpid();
  XChangeProperty(m_display, w, m_atoms->NetWmPid, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pid), 1);
  const TWindowRecord* owner = Find(p.Owner);
  const bool owned = owner && owner->XWindow;
  if (owned) XSetTransientForHint(m_display, w, owner->XWindow);
  const Atom type = owned ? m_atoms->NetWmWindowTypeDialog : m_atoms->NetWmWindowTypeNormal;
  XChangeProperty(m_display, w, m_atoms->NetWmWindowType, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&type), 1);
  SetNoDecorations(m_display, *m_atoms, w, p.Borderless);
  WriteWindowStates(m_display, *m_atoms, w, p.StayOnTop, p.NoTaskbar);
}

void TX11Platform::DestroyWindow(TWindowId window) {
  TWindowRecord* record = Find(window);
  if (!record) return;
  FreeImage(record->Picture);
  if (record->FirstFrame) XFreePixmap(m_display, record->FirstFrame);
  if (record->XWindow) {
    XDestroyWindow(m_display, record->XWindow);
    XFlush(m_display);
  }
  m_windows.erase(window);
  std::erase_if(m_pending, [&](const TEvent& e) { return e.Window == window; });
}

// A window that has been presented while hidden appears with that frame (see SetFirstFrame).
void TX11Platform::ShowWindow(TWindowId window, bool visible) {
  TWindowRecord* record = Find(window);
  if (!record || record->Visible == visible) return;
  record->Visible = visible;
  if (visible) {
    if (!record->XWindow) CreateXWindow(*record);
    Map(*record);
    return;
  }
  if (!record->XWindow) return;
  XWithdrawWindow(m_display, record->XWindow, m_screen);
  XFlush(m_display);
}

void TX11Platform::Map(TWindowRecord& record) {
  ApplyGeometry(record);
  if (record.Picture.Image) SetFirstFrame(record);
  // Window managers drop _NET_WM_STATE when a window is withdrawn: write it again before the
  // map, and ask for the states once the window manager has taken the window.
  WriteWindowStates(m_display, *m_atoms, record.XWindow, record.Params.StayOnTop, record.Params.NoTaskbar);
  XMapRaised(m_display, record.XWindow);
  if (HasWindowManager(m_display, *m_atoms)) {
    RequestWindowStates(m_display, *m_atoms, record.XWindow, record.Params.StayOnTop, record.Params.NoTaskbar);
  }
  XFlush(m_display);
}

void TX11Platform::SetWindowCaption(TWindowId window, const std::string& caption) {
  TWindowRecord* record = Find(window);
  if (!record || record->Params.Caption == caption) return;
  record->Params.Caption = caption;
  if (!record->XWindow) return;
  SetCaption(m_display, *m_atoms, record->XWindow, caption);
  // The caption is half of the single-instance key: a copy starting now must see it.
  XSync(m_display, False);
}

void TX11Platform::SetWindowOpacity(TWindowId window, std::uint8_t opacity) {
  TWindowRecord* record = Find(window);
  if (!record || record->Opacity == opacity) return;
  record->Opacity = opacity;
  if (!record->XWindow) return;
  if (opacity == 255) {
    XDeleteProperty(m_display, record->XWindow, m_atoms->NetWmWindowOpacity);
  } else {
    // The compositor reads 0 … 0xFFFFFFFF; the property is written as C longs.
    const long value = static_cast<long>(static_cast<std::uint64_t>(opacity) * 0xFFFFFFFFull / 255u);
    XChangeProperty(m_display, record->XWindow, m_atoms->NetWmWindowOpacity, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&value), 1);
  }
  XFlush(m_display);
}

void TX11Platform::SetWindowStates(TWindowId window, bool stayOnTop, bool noTaskbar) {
  TWindowRecord* record = Find(window);
  if (!record || (record->Params.StayOnTop == stayOnTop && record->Params.NoTaskbar == noTaskbar)) return;
  record->Params.StayOnTop = stayOnTop;
  record->Params.NoTaskbar = noTaskbar;
  if (!record->XWindow) return;
  const bool managed = record->Visible && HasWindowManager(m_display, *m_atoms);
  if (managed) {
    RequestWindowStates(m_display, *m_atoms, record->XWindow, stayOnTop, noTaskbar);
  } else {
    // Not mapped yet, or nobody answers requests: the property is all there is.
    WriteWindowStates(m_display, *m_atoms, record->XWindow, stayOnTop, noTaskbar);
  }
  XFlush(m_display);
}

void TX11Platform::MinimizeWindow(TWindowId window) {
  TWindowRecord* record = Find(window);
  if (!record || !record->XWindow) return;
  XIconifyWindow(m_display, record->XWindow, m_screen);
  XFlush(m_display);
}

// ---------------------------------------------------------------------------------------------
// 3. Geometry
// ---------------------------------------------------------------------------------------------

void TX11Platform::SetWindowBounds(TWindowId window, const TRect& bounds) {
  // Applied before the next wait for events or present: a drag sets the left and then the top
  // edge, and the two become one move of the window.
  if (TWindowRecord* record = Find(window)) record->Bounds = bounds;
}

void TX11Platform::ApplyGeometry(TWindowRecord& record) {
  const TRect& want = record.Bounds;
  if (want == record.Applied || !record.XWindow) return;
  XMoveResizeWindow(m_display, record.XWindow, want.Left, want.Top, static_cast<unsigned>(std::max(want.Width(), 1)),
                    static_cast<unsigned>(std::max(want.Height(), 1)));
  record.Applied = want;
  if (record.InFlight.size() >= MaxMovesInFlight) record.InFlight.pop_front();
  record.InFlight.push_back(want);
}

void TX11Platform::ApplyAllGeometry() {
  for (auto& [id, record] : m_windows) ApplyGeometry(record);
}

// The server's answer: the client window's place on the root (a synthetic event from a window
// manager carries root coordinates; a real one is relative to the parent, which is a frame
// under a reparenting window manager).
void TX11Platform::Reported(TWindowId id, TWindowRecord& record, const XConfigureEvent& event) {
  std::optional<TPoint> origin = TPoint{event.x, event.y};
  if (!event.send_event && record.Parent != m_root) origin = RootOrigin(record);
  if (origin) Compare(id, record, {origin->X, origin->Y, origin->X + event.width, origin->Y + event.height});
}

// The window's place read from the server after its frame moved or it was framed, unless moves
// the program asked for are still on their way (their reports settle the place).
void TX11Platform::FrameMoved(TWindowId id) {
  TWindowRecord* record = Find(id);
  if (!record || !record->InFlight.empty()) return;
  if (std::optional<TPoint> origin = RootOrigin(*record)) {
    Compare(id, *record,
            TRect{origin->X, origin->Y, origin->X + record->Bounds.Width(), origin->Y + record->Bounds.Height()});
  }
}

std::optional<TPoint> TX11Platform::RootOrigin(const TWindowRecord& record) {
  TPoint origin;
  Window child = 0;
  if (!XTranslateCoordinates(m_display, record.XWindow, m_root, 0, 0, &origin.X, &origin.Y, &child))
    return std::nullopt;
  return origin;
}

// A place or size the program asked for is crossed off the moves on their way; one it did not
// ask for (a window manager moved, clamped or refused) becomes the program's idea at once.
void TX11Platform::Compare(TWindowId id, TWindowRecord& record, const TRect& real) {
  auto sent = std::find(record.InFlight.begin(), record.InFlight.end(), real);
  if (sent != record.InFlight.end()) {
    record.InFlight.erase(record.InFlight.begin(), sent + 1);
    return;
  }
  if (record.InFlight.empty() && real == record.Bounds) return;
  record.InFlight.clear();
  record.Bounds = real;
  record.Applied = real;
  TEvent e{evBoundsChange, id};
  e.Bounds = real;
  m_pending.push_back(e);
}

// ---------------------------------------------------------------------------------------------
// 4. Presenting, cursor shapes, mouse capture
// ---------------------------------------------------------------------------------------------

bool TX11Platform::EnsureImage(TWindowRecord& record, int width, int height) {
  TWindowImage& picture = record.Picture;
  if (picture.Image && picture.Image->width == width && picture.Image->height == height) return false;
  FreeImage(picture);
  Visual* visual = DefaultVisual(m_display, m_screen);
  const unsigned depth = static_cast<unsigned>(DefaultDepth(m_display, m_screen));
  if (m_shmAvailable) {
    picture.Image = XShmCreateImage(m_display, visual, depth, ZPixmap, nullptr, &picture.Shm,
                                    static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (picture.Image) {
      picture.Shm.shmid =
          shmget(IPC_PRIVATE, static_cast<size_t>(picture.Image->bytes_per_line) * height, IPC_CREAT | 0600);
      picture.Shm.shmaddr = picture.Shm.shmid < 0 ? reinterpret_cast<char*>(-1)
                                                  : static_cast<char*>(shmat(picture.Shm.shmid, nullptr, 0));
      picture.Shared = picture.Shm.shmaddr != reinterpret_cast<char*>(-1);
    }
    if (picture.Shared) {
      picture.Image->data = picture.Shm.shmaddr;
      picture.Shm.readOnly = True;
      XSync(m_display, False);
      g_attachFailed = false;
      XErrorHandler previous = XSetErrorHandler(&NoteAttachError);
      XShmAttach(m_display, &picture.Shm);
      XSync(m_display, False);
      XSetErrorHandler(previous);
      // Removed now, freed by the system once both sides have let go of it.
      shmctl(picture.Shm.shmid, IPC_RMID, nullptr);
      picture.Shared = !g_attachFailed;
    }
    if (!picture.Shared) {
      FreeImage(picture);
      m_shmAvailable = false;  // the server cannot reach our memory: plain images from now on
    }
  }
  if (!picture.Image) {
    picture.Image = XCreateImage(m_display, visual, depth, ZPixmap, 0, nullptr, static_cast<unsigned>(width),
                                 static_cast<unsigned>(height), 32, 0);
    if (!picture.Image) throw std::runtime_error("cannot create a window image");
    picture.Image->data = static_cast<char*>(std::calloc(static_cast<size_t>(picture.Image->bytes_per_line), height));
  }
  return true;
}

void TX11Platform::FreeImage(TWindowImage& picture) {
  if (!picture.Image) return;
  if (picture.Shared) {
    XShmDetach(m_display, &picture.Shm);
    XSync(m_display, False);
    shmdt(picture.Shm.shmaddr);
    picture.Image->data = nullptr;
  } else if (picture.Shm.shmaddr && picture.Shm.shmaddr != reinterpret_cast<char*>(-1)) {
    shmdt(picture.Shm.shmaddr);
    picture.Image->data = nullptr;
  }
  XDestroyImage(picture.Image);
  picture = {};
}

// True when the server reads the area from the shared memory later; a small area (a caret blink,
// a typed digit) travels inside the request instead, copied at once, which spares the round trip
// that must otherwise pass before the memory may change again.
bool TX11Platform::SentShared(const TWindowImage& picture, size_t pixels) {
  return picture.Shared && pixels > CopiedPresentPixels;
}

// Shared: the server reads the area from the shared memory later (the caller waits for it before
// the memory changes). Otherwise Xlib copies it through the connection, in as many requests as
// it needs.
void TX11Platform::PutArea(TWindowRecord& record, Drawable target, const TRect& area, bool shared) {
  const GC gc = DefaultGC(m_display, m_screen);
  const auto w = static_cast<unsigned>(area.Width());
  const auto h = static_cast<unsigned>(area.Height());
  if (shared) {
    XShmPutImage(m_display, target, gc, record.Picture.Image, area.Left, area.Top, area.Left, area.Top, w, h, False);
  } else {
    XPutImage(m_display, target, gc, record.Picture.Image, area.Left, area.Top, area.Left, area.Top, w, h);
  }
}

// Buffer pixels are bytes B, G, R, X: the layout of a 24-bit true-colour ZPixmap with 32 bits a
// pixel, least significant byte first. Other images are filled by copying (see Present).
bool TX11Platform::HoldsBufferPixels(const XImage& image) {
  return image.bits_per_pixel == 32 && image.byte_order == LSBFirst && image.red_mask == 0xFF0000 &&
         image.green_mask == 0x00FF00 && image.blue_mask == 0x0000FF && image.bytes_per_line % 4 == 0;
}

bool TX11Platform::AttachSurface(TWindowId window, TSurface& surface) {
  TWindowRecord* record = Find(window);
  if (!record || surface.Width <= 0 || surface.Height <= 0) return false;
  EnsureImage(*record, surface.Width, surface.Height);
  XImage& image = *record->Picture.Image;
  if (!HoldsBufferPixels(image)) return false;
  const int scale = surface.Scale;
  surface = TSurface::Over(reinterpret_cast<TPixel*>(image.data), image.width, image.height, image.bytes_per_line / 4);
  surface.Scale = scale;
  return true;
}

// A hidden window keeps the frame for its next map. On return the server has read what it reads
// from the shared memory (which may change again at once), and the frame is on the screen or on
// its way.
void TX11Platform::Present(TWindowId window, const TSurface& pixels, const TRect& dirty) {
  PresentAreas(window, pixels, std::span<const TRect>(&dirty, 1));
}

void TX11Platform::PresentAreas(TWindowId window, const TSurface& pixels, std::span<const TRect> areas) {
  TWindowRecord* record = Find(window);
  if (!record || !record->XWindow || pixels.Width <= 0 || pixels.Height <= 0) return;
  ApplyGeometry(*record);
  const TRect whole = pixels.BoundsRect();
  if (EnsureImage(*record, pixels.Width, pixels.Height)) areas = std::span<const TRect>(&whole, 1);
  size_t total = 0;
  for (const TRect& dirty : areas) {
    const TRect area = dirty.Intersect(whole);
    total += PixelsIn(area);
  }
  // A frame of few pixels (a typed digit) travels inside the requests; a larger one is read from
  // the shared memory, which spares copying it through the connection.
  const bool shared = SentShared(record->Picture, total);
  unsigned sent = 0;
  for (const TRect& dirty : areas) {
    const TRect area = dirty.Intersect(whole);
    if (area.IsEmpty()) continue;
    CopyIntoImage(*record, pixels, area);
    if (record->Visible) sent |= ShowArea(*record, area, shared);
  }
  // One wait for the server (it reads shared memory later) or one write for the whole frame.
  if (sent & psShared) {
    XSync(m_display, False);
  } else if (sent & psXlib) {
    XFlush(m_display);
  } else if (sent & psXcb) {
    xcb_flush(XGetXCBConnection(m_display));
  }
}

// A buffer attached to the image (AttachSurface) has been painted in place; any other is copied
// row by row, in the buffer's own layout.
void TX11Platform::CopyIntoImage(TWindowRecord& record, const TSurface& pixels, const TRect& area) {
  XImage* image = record.Picture.Image;
  if (reinterpret_cast<const char*>(pixels.Data()) == image->data) return;
  const size_t bytes = static_cast<size_t>(area.Width()) * sizeof(TPixel);
  for (int y = area.Top; y < area.Bottom; ++y) {
    char* row = image->data + static_cast<size_t>(y) * image->bytes_per_line + static_cast<size_t>(area.Left) * 4;
    std::memcpy(row, pixels.Row(y) + area.Left, bytes);
  }
}

// An area of a frame sent from the shared memory, or one Xlib must split or convert, goes through
// PutArea. A small area (a caret blink, a typed digit) goes as an XCB request: flushing that costs
// one write, where flushing Xlib's queue also tries a read. The rows are packed as the server
// takes them, which is the image's own layout when it holds buffer pixels.
unsigned TX11Platform::ShowArea(TWindowRecord& record, const TRect& area, bool shared) {
  XImage& image = *record.Picture.Image;
  const size_t pixels = PixelsIn(area);
  if (shared || pixels > CopiedPresentPixels || !HoldsBufferPixels(image) || image.depth != 24) {
    PutArea(record, record.XWindow, area, shared);
    return shared ? psShared : psXlib;
  }
  m_packed.resize(pixels * 4);
  const size_t rowBytes = static_cast<size_t>(area.Width()) * 4;
  for (int y = area.Top; y < area.Bottom; ++y) {
    const char* row = image.data + static_cast<size_t>(y) * image.bytes_per_line + static_cast<size_t>(area.Left) * 4;
    std::memcpy(m_packed.data() + static_cast<size_t>(y - area.Top) * rowBytes, row, rowBytes);
  }
  xcb_put_image(XGetXCBConnection(m_display), XCB_IMAGE_FORMAT_Z_PIXMAP, static_cast<xcb_drawable_t>(record.XWindow),
                static_cast<xcb_gcontext_t>(XGContextFromGC(DefaultGC(m_display, m_screen))),
                static_cast<std::uint16_t>(area.Width()), static_cast<std::uint16_t>(area.Height()),
                static_cast<std::int16_t>(area.Left), static_cast<std::int16_t>(area.Top), 0, 24,
                static_cast<std::uint32_t>(m_packed.size()), m_packed.data());
  return psXcb;
}

// The frame becomes the window's background before the map, so the server shows it the moment
// the window appears; the background goes again once the window is mapped.
void TX11Platform::SetFirstFrame(TWindowRecord& record) {
  XImage* image = record.Picture.Image;
  if (record.FirstFrame) XFreePixmap(m_display, record.FirstFrame);
  record.FirstFrame =
      XCreatePixmap(m_display, record.XWindow, static_cast<unsigned>(image->width),
                    static_cast<unsigned>(image->height), static_cast<unsigned>(DefaultDepth(m_display, m_screen)));
  const TRect whole{0, 0, image->width, image->height};
  PutArea(record, record.FirstFrame, whole, SentShared(record.Picture, PixelsIn(whole)));
  XSetWindowBackgroundPixmap(m_display, record.XWindow, record.FirstFrame);
}

void TX11Platform::SetCursor(TCursorShape shape) {
  if (m_cursor == shape) return;
  static constexpr unsigned fontShapes[] = {XC_left_ptr,         XC_xterm, XC_hand2,    XC_fleur,
                                            XC_crosshair,        XC_watch, XC_X_cursor, XC_sb_h_double_arrow,
                                            XC_sb_v_double_arrow};
  static_assert(std::size(fontShapes) == csSizeNS + 1);
  Cursor& cursor = m_cursors[shape];
  if (!cursor) cursor = XCreateFontCursor(m_display, fontShapes[shape]);
  for (auto& [id, record] : m_windows)
    if (record.XWindow) XDefineCursor(m_display, record.XWindow, cursor);
  m_cursor = shape;
  XFlush(m_display);
}

// The class library captures the mouse from a press to its release, which is what the X
// server's own grab of a press already does: every motion and the release come to the pressed
// window. An explicit grab on top of it would race with a window manager's grab of the same
// click (a click that focuses a window is grabbed and replayed by the window manager).
void TX11Platform::SetCapture(TWindowId window) { (void)window; }

void TX11Platform::ReleaseCapture() {}

// ---------------------------------------------------------------------------------------------
// 5. Activation
// ---------------------------------------------------------------------------------------------

void TX11Platform::ActivateWindow(TWindowId window) {
  TWindowRecord* record = Find(window);
  if (!record || !record->Visible || !record->XWindow) return;
  RequestActivation(*record);
  XFlush(m_display);
}

// A window manager decides who has the focus and is asked (_NET_ACTIVE_WINDOW, as the user's
// own action at the time of the last key or click); without one the program takes it.
void TX11Platform::RequestActivation(TWindowRecord& record) {
  if (!HasWindowManager(m_display, *m_atoms)) {
    XRaiseWindow(m_display, record.XWindow);
    XSetInputFocus(m_display, record.XWindow, RevertToParent, CurrentTime);
    return;
  }
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = record.XWindow;
  event.xclient.message_type = m_atoms->NetActiveWindow;
  event.xclient.format = 32;
  event.xclient.data.l[0] = 1;  // from an application
  event.xclient.data.l[1] = static_cast<long>(m_userTime != CurrentTime ? m_userTime : ServerTime());
  XSendEvent(m_display, m_root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

// The server's time now: a property change on a window of ours reports it.
Time TX11Platform::ServerTime() {
  const Window w = SelectionWindow();
  XChangeProperty(m_display, w, m_atoms->OrvantaTime, XA_CARDINAL, 32, PropModeAppend, nullptr, 0);
  XEvent event;
  XWindowEvent(m_display, w, PropertyChangeMask, &event);
  return event.xproperty.time;
}

// The press that activated a window can arrive just before or just after the focus.
bool TX11Platform::ClickActivated(TWindowId id, Window xwindow) {
  if (m_lastPressWindow == id && NowMs() - m_lastPressMs < ClickActivationMs) return true;
  Window root = 0, child = 0;
  int rx = 0, ry = 0, wx = 0, wy = 0;
  unsigned state = 0;
  if (XQueryPointer(m_display, xwindow, &root, &child, &rx, &ry, &wx, &wy, &state) &&
      (state & (Button1Mask | Button2Mask | Button3Mask))) {
    return true;
  }
  struct TLook {
    Window Target;
    bool Found;
  } look{xwindow, false};
  XEvent ignored;
  auto isPress = [](Display*, XEvent* e, XPointer data) -> Bool {
    auto* l = reinterpret_cast<TLook*>(data);
    l->Found |= e->type == ButtonPress && e->xbutton.window == l->Target;
    return False;  // looks at every queued event and takes none
  };
  XCheckIfEvent(m_display, &ignored, isPress, reinterpret_cast<XPointer>(&look));
  return look.Found;
}

// ---------------------------------------------------------------------------------------------
// 6. Window search, screen and pointer
// ---------------------------------------------------------------------------------------------

bool TX11Platform::FindWindow(const std::string& className, const std::string& caption) {
  return FindTopLevelWindow(m_display, *m_atoms, className, caption);
}

// Xft.dpi from the server's resource database; ORVANTA_SCALE overrides it.
double TX11Platform::DesktopScale(TWindowId) {
  return DesktopScaleFrom(std::getenv("ORVANTA_SCALE"), XftDpi(m_resources));
}

// The resource database changed: when it brings another scale, every window is told.
void TX11Platform::ResourcesChanged() {
  m_resources.clear();
  if (ReadProperty(m_root, XA_RESOURCE_MANAGER, XA_STRING, m_resources) == None) m_resources.clear();
  const double scale = DesktopScale(NoWindow);
  if (scale == m_desktopScale) return;
  m_desktopScale = scale;
  for (const auto& [id, record] : m_windows) {
    if (!record.XWindow) continue;
    TEvent e{evScaleChange, id};
    e.Scale = scale;
    e.Bounds = record.Bounds;
    m_pending.push_back(e);
  }
}

// The primary monitor's size (RandR): the output named primary, else the first one that shows
// something, as desktops take it. Not the whole X screen, which spans every monitor; that only
// where the server has no RandR.
TPoint TX11Platform::PrimaryScreenSize() {
  const TPoint screen{DisplayWidth(m_display, m_screen), DisplayHeight(m_display, m_screen)};
  xcb_connection_t* c = XGetXCBConnection(m_display);
  const xcb_query_extension_reply_t* randr = xcb_get_extension_data(c, &xcb_randr_id);
  if (!randr || !randr->present) return screen;
  XFlush(m_display);
  if (!m_randrVersionSent) {
    // The server answers monitor requests only to a client that has told its RandR version.
    std::free(xcb_randr_query_version_reply(c, xcb_randr_query_version(c, 1, 3), nullptr));
    m_randrVersionSent = true;
  }
  const auto root = static_cast<xcb_window_t>(m_root);
  TReply<xcb_randr_get_output_primary_reply_t> primary(
      xcb_randr_get_output_primary_reply(c, xcb_randr_get_output_primary(c, root), nullptr));
  std::vector<xcb_randr_output_t> outputs;
  if (primary && primary->output) outputs.push_back(primary->output);
  TReply<xcb_randr_get_screen_resources_current_reply_t> resources(
      xcb_randr_get_screen_resources_current_reply(c, xcb_randr_get_screen_resources_current(c, root), nullptr));
  if (resources) {
    const xcb_randr_output_t* all = xcb_randr_get_screen_resources_current_outputs(resources.get());
    outputs.insert(outputs.end(), all, all + xcb_randr_get_screen_resources_current_outputs_length(resources.get()));
  }
  for (xcb_randr_output_t id : outputs) {
    TReply<xcb_randr_get_output_info_reply_t> output(
        xcb_randr_get_output_info_reply(c, xcb_randr_get_output_info(c, id, XCB_CURRENT_TIME), nullptr));
    if (!output || !output->crtc) continue;
    TReply<xcb_randr_get_crtc_info_reply_t> crtc(
        xcb_randr_get_crtc_info_reply(c, xcb_randr_get_crtc_info(c, output->crtc, XCB_CURRENT_TIME), nullptr));
    if (crtc && crtc->width > 0 && crtc->height > 0) return {crtc->width, crtc->height};
  }
  return screen;
}

TPoint TX11Platform::CursorPos() {
  Window root = 0, child = 0;
  int rx = 0, ry = 0, wx = 0, wy = 0;
  unsigned state = 0;
  XQueryPointer(m_display, m_root, &root, &child, &rx, &ry, &wx, &wy, &state);
  return {rx, ry};
}

// ---------------------------------------------------------------------------------------------
// 7. Events
// ---------------------------------------------------------------------------------------------

std::uint64_t TX11Platform::NowMs() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool TX11Platform::WaitEvent(TEvent& event, std::optional<std::uint64_t> deadline) {
  for (;;) {
    ApplyAllGeometry();
    if (!m_pending.empty()) {
      event = m_pending.front();
      m_pending.pop_front();
      return true;
    }
    if (!ReadEvent(deadline)) return false;
  }
}

// Translates one X event, waiting for it until the deadline; false when the deadline passed.
// A wait that ends with nothing to read returns without asking the connection again: an idle
// program wakes for its timers only, and each wake-up should cost as few system calls as it can.
bool TX11Platform::ReadEvent(std::optional<std::uint64_t> deadline) {
  while (!XPending(m_display)) {
    int timeout = -1;
    if (deadline) {
      const std::uint64_t now = NowMs();
      if (now >= *deadline) return false;
      timeout = static_cast<int>(std::min<std::uint64_t>(*deadline - now, 1u << 30));
    }
    // The first time the program would sleep; the round trips may have queued events.
    if (m_keyboard->ReadPendingKeymap()) continue;
    pollfd fd{ConnectionNumber(m_display), POLLIN, 0};
    if (poll(&fd, 1, timeout) == 0 && deadline && NowMs() >= *deadline) return false;
  }
  XEvent event;
  XNextEvent(m_display, &event);
  Translate(event);
  return true;
}

void TX11Platform::Translate(const XEvent& event) {
  if (event.type == m_xkbEventBase && m_xkbEventBase >= 0) {
    m_keyboard->KeymapChanged();  // a new keyboard or a new keymap (the only events selected)
    return;
  }
  if (event.type == PropertyNotify && event.xproperty.window == m_root) {
    if (event.xproperty.atom == XA_RESOURCE_MANAGER) ResourcesChanged();
    return;
  }
  const TWindowId id = FindByXWindow(event.xany.window);
  TWindowRecord* record = Find(id);
  if (!record && event.type == ConfigureNotify) {
    FrameMoved(FindByFrame(event.xconfigure.window));
    return;
  }
  switch (event.type) {
    case KeyPress:
    case KeyRelease: TranslateKey(event.xkey); return;
    case ButtonPress:
    case ButtonRelease:
    case MotionNotify:
    case EnterNotify:
    case LeaveNotify: TranslatePointer(event); return;
    case FocusIn:
    case FocusOut: TranslateFocus(event.xfocus); return;
    case ClientMessage: TranslateClientMessage(event.xclient); return;
    case MappingNotify:
      XRefreshKeyboardMapping(const_cast<XMappingEvent*>(&event.xmapping));
      if (event.xmapping.request != MappingPointer) m_keyboard->KeymapChanged();
      return;
    case SelectionRequest: AnswerSelectionRequest(event.xselectionrequest); return;
    case SelectionClear:
      if (event.xselectionclear.selection == m_atoms->Clipboard) m_ownsClipboard = false;
      return;
    default: break;
  }
  if (!record) return;
  switch (event.type) {
    case ConfigureNotify:
      if (event.xconfigure.window == record->XWindow) Reported(id, *record, event.xconfigure);
      break;
    case ReparentNotify:
    case MapNotify:
      // A window manager may place a window it frames without telling it: the place is read.
      if (event.type == ReparentNotify) {
        record->Parent = event.xreparent.parent;
        WatchFrames(*record);
      }
      FrameMoved(id);
      if (event.type == MapNotify && record->FirstFrame) {
        XSetWindowBackgroundPixmap(m_display, record->XWindow, None);
        XFreePixmap(m_display, record->FirstFrame);
        record->FirstFrame = 0;
      }
      break;
    case Expose: {
      const XExposeEvent& x = event.xexpose;
      if (!record->Picture.Image) {
        if (x.count == 0) Push(evExpose, id);
        break;
      }
      // The last frame is still in the window image: shown again at once.
      const TRect area = TRect{x.x, x.y, x.x + x.width, x.y + x.height}.Intersect(
          {0, 0, record->Picture.Image->width, record->Picture.Image->height});
      if (!area.IsEmpty()) PutArea(*record, record->XWindow, area, SentShared(record->Picture, PixelsIn(area)));
      break;
    }
    default: break;
  }
}

void TX11Platform::TranslateKey(const XKeyEvent& event) {
  m_userTime = event.time;
  const TWindowId id = FindByXWindow(event.window);
  const TKeyPress key = m_keyboard->Translate(event.keycode, event.state, event.type == KeyPress);
  if (!id) return;
  TEvent e{event.type == KeyPress ? evKeyDown : evKeyUp, id};
  e.Shift = key.Shift;
  if (key.VirtualKey) {
    e.Key = key.VirtualKey;
    m_pending.push_back(e);
  }
  if (key.Char) {
    e.Kind = evChar;
    e.Key = 0;
    e.Char = *key.Char;
    m_pending.push_back(e);
  }
}

void TX11Platform::TranslatePointer(const XEvent& event) {
  auto shiftFromState = [](unsigned int state) {
    TShiftState shift = 0;
    if (state & ShiftMask) shift |= ksShift;
    if (state & ControlMask) shift |= ksCtrl;
    if (state & Mod1Mask) shift |= ksAlt;
    return shift;
  };
  constexpr unsigned anyButton = Button1Mask | Button2Mask | Button3Mask;
  TEvent e;
  switch (event.type) {
    case ButtonPress:
    case ButtonRelease: {
      const XButtonEvent& b = event.xbutton;
      m_userTime = b.time;
      if (b.button == Button1)
        e.Button = pbLeft;
      else if (b.button == Button2)
        e.Button = pbMiddle;
      else if (b.button == Button3)
        e.Button = pbRight;
      else
        return;  // wheel steps and extra buttons
      e.Kind = event.type == ButtonPress ? evMouseDown : evMouseUp;
      e.Screen = {b.x_root, b.y_root};
      e.Shift = shiftFromState(b.state);
      break;
    }
    case MotionNotify:
      e.Kind = evMouseMove;
      e.Screen = {event.xmotion.x_root, event.xmotion.y_root};
      e.Shift = shiftFromState(event.xmotion.state);
      break;
    case EnterNotify:
      // A window mapped or moved under a resting pointer gets no motion: a move to where the
      // pointer is lets hover states follow.
      if (event.xcrossing.mode != NotifyNormal) return;
      e.Kind = evMouseMove;
      e.Screen = {event.xcrossing.x_root, event.xcrossing.y_root};
      e.Shift = shiftFromState(event.xcrossing.state);
      break;
    default:  // LeaveNotify
      // While a button is held the window keeps the pointer (the press grabbed it), so only a
      // leave without buttons is one.
      if (event.xcrossing.mode != NotifyNormal || (event.xcrossing.state & anyButton)) return;
      e.Kind = evMouseLeave;
      e.Screen = {event.xcrossing.x_root, event.xcrossing.y_root};
      e.Shift = shiftFromState(event.xcrossing.state);
      break;
  }
  e.Window = FindByXWindow(event.xany.window);
  const TWindowRecord* record = Find(e.Window);
  if (!record) return;
  e.Client = {e.Screen.X - record->Bounds.Left, e.Screen.Y - record->Bounds.Top};
  if (e.Kind == evMouseDown) {
    m_lastPressWindow = e.Window;
    m_lastPressMs = NowMs();
  }
  m_pending.push_back(e);
}

void TX11Platform::TranslateFocus(const XFocusChangeEvent& event) {
  // Focus moving inside the window, following the pointer, or round a keyboard grab (a window
  // manager's key binding) is no change of the active window.
  if (event.detail == NotifyInferior || event.detail == NotifyPointer || event.detail == NotifyPointerRoot ||
      event.detail == NotifyDetailNone || event.mode == NotifyGrab || event.mode == NotifyUngrab) {
    return;
  }
  const TWindowId id = FindByXWindow(event.window);
  if (!id) return;
  TEvent e{event.type == FocusIn ? evActivate : evDeactivate, id};
  if (e.Kind == evActivate) e.ByClick = ClickActivated(id, event.window);
  m_pending.push_back(e);
}

void TX11Platform::TranslateClientMessage(const XClientMessageEvent& event) {
  if (event.message_type != m_atoms->WmProtocols || event.format != 32) return;
  const auto protocol = static_cast<Atom>(event.data.l[0]);
  if (protocol == m_atoms->NetWmPing) {
    // The window manager asks whether the program still answers.
    XEvent reply{};
    reply.xclient = event;
    reply.xclient.window = m_root;
    XSendEvent(m_display, m_root, False, SubstructureRedirectMask | SubstructureNotifyMask, &reply);
    XFlush(m_display);
  } else if (protocol == m_atoms->WmDeleteWindow) {
    if (const TWindowId id = FindByXWindow(event.window)) Push(evClose, id);
  }
}

// ---------------------------------------------------------------------------------------------
// 8. Clipboard
// ---------------------------------------------------------------------------------------------

// A window that is never shown owns the selection and receives what is read.
Window TX11Platform::SelectionWindow() {
  if (!m_selectionWindow) {
    XSetWindowAttributes attributes{};
    attributes.event_mask = PropertyChangeMask;
    m_selectionWindow =
        XCreateWindow(m_display, m_root, -10, -10, 1, 1, 0, 0, InputOnly, CopyFromParent, CWEventMask, &attributes);
  }
  return m_selectionWindow;
}

void TX11Platform::SetClipboardText(const std::string& text) {
  m_clipboardText = text;
  const Window w = SelectionWindow();
  XSetSelectionOwner(m_display, m_atoms->Clipboard, w, m_userTime != CurrentTime ? m_userTime : ServerTime());
  m_ownsClipboard = XGetSelectionOwner(m_display, m_atoms->Clipboard) == w;
}

void TX11Platform::AnswerSelectionRequest(const XSelectionRequestEvent& request) {
  XEvent reply{};
  reply.xselection.type = SelectionNotify;
  reply.xselection.requestor = request.requestor;
  reply.xselection.selection = request.selection;
  reply.xselection.target = request.target;
  reply.xselection.time = request.time;
  // An old client may name no property: the target's name is the property then.
  const Atom property = request.property != None ? request.property : request.target;
  reply.xselection.property = None;
  if (m_ownsClipboard && request.selection == m_atoms->Clipboard) {
    if (request.target == m_atoms->Targets) {
      const Atom targets[] = {m_atoms->Targets, m_atoms->Utf8String, XA_STRING};
      XChangeProperty(m_display, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(targets), 3);
      reply.xselection.property = property;
    } else if (request.target == m_atoms->Utf8String || request.target == XA_STRING) {
      // STRING is Latin-1 in principle; readers asking for it get the UTF-8 bytes, which is what
      // they get from most programs too.
      XChangeProperty(m_display, request.requestor, property, request.target, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(m_clipboardText.data()),
                      static_cast<int>(m_clipboardText.size()));
      reply.xselection.property = property;
    }
  }
  XSendEvent(m_display, request.requestor, False, NoEventMask, &reply);
  XFlush(m_display);
}

std::optional<std::string> TX11Platform::ClipboardText() {
  if (m_ownsClipboard) return m_clipboardText;
  if (XGetSelectionOwner(m_display, m_atoms->Clipboard) == None) return std::nullopt;
  if (auto text = ReadSelection(m_atoms->Utf8String)) return text;
  return ReadSelection(XA_STRING);
}

// Asks the owner for the text as `target` and waits for its answer, for a limited time; other
// events meanwhile stay queued for the program.
std::optional<std::string> TX11Platform::ReadSelection(Atom target) {
  const Window w = SelectionWindow();
  XDeleteProperty(m_display, w, m_atoms->ClipboardData);
  XConvertSelection(m_display, m_atoms->Clipboard, target, m_atoms->ClipboardData, w,
                    m_userTime != CurrentTime ? m_userTime : CurrentTime);
  XFlush(m_display);
  XEvent event;
  if (!WaitForEvent(w, SelectionNotify, NowMs() + ClipboardWaitMs, event)) return std::nullopt;
  if (event.xselection.property == None) return std::nullopt;
  // The owner wrote the property before it answered: its notices are stale once the answer is here.
  while (XCheckTypedWindowEvent(m_display, w, PropertyNotify, &event)) {
  }
  std::string text;
  const Atom type = TakeSelectionData(w, text);
  if (type == m_atoms->Incr) return ReadIncrements(w);
  if (type == m_atoms->Utf8String || type == XA_STRING) return text;
  return std::nullopt;
}

// A large text comes in pieces: each time the property is deleted the owner writes the next one,
// and an empty piece ends it. The time limit counts from the last piece; a text beyond
// MaxTextBytes is given up (nothing, rather than a part of it).
std::optional<std::string> TX11Platform::ReadIncrements(Window w) {
  std::string text;
  std::uint64_t deadline = NowMs() + ClipboardWaitMs;
  for (;;) {
    XEvent event;
    do {
      if (!WaitForEvent(w, PropertyNotify, deadline, event)) return std::nullopt;
    } while (event.xproperty.atom != m_atoms->ClipboardData || event.xproperty.state != PropertyNewValue);
    std::string piece;
    const Atom type = TakeSelectionData(w, piece);
    if (type != m_atoms->Utf8String && type != XA_STRING) return std::nullopt;
    if (piece.empty()) return text;
    if (text.size() + piece.size() > MaxTextBytes) return std::nullopt;
    text += piece;
    deadline = NowMs() + ClipboardWaitMs;
  }
}

// Reads the selection property of `w` whole into `bytes` (8-bit data only) and deletes it, which
// tells an owner sending in pieces to send the next. Returns its type, or None.
Atom TX11Platform::TakeSelectionData(Window w, std::string& bytes) {
  const Atom type = ReadProperty(w, m_atoms->ClipboardData, AnyPropertyType, bytes);
  XDeleteProperty(m_display, w, m_atoms->ClipboardData);
  return type;
}

// Waits until an event of `type` for `w` is queued, up to the deadline; other events stay queued
// for the program.
bool TX11Platform::WaitForEvent(Window w, int type, std::uint64_t deadline, XEvent& event) {
  while (!XCheckTypedWindowEvent(m_display, w, type, &event)) {
    const std::uint64_t now = NowMs();
    if (now >= deadline) return false;
    pollfd fd{ConnectionNumber(m_display), POLLIN, 0};
    poll(&fd, 1, static_cast<int>(std::min<std::uint64_t>(deadline - now, 50)));
    XPending(m_display);  // reads what has arrived into the queue
  }
  return true;
}

// Reads property `property` of `w` whole into `bytes` when it holds 8-bit data of type
// `wanted` (or any type). Returns its type (INCR for a text that comes in pieces), or None when
// it is missing, of another type, not 8-bit text, or longer than MaxTextBytes.
Atom TX11Platform::ReadProperty(Window w, Atom property, Atom wanted, std::string& bytes) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  long offset = 0;
  do {
    if (XGetWindowProperty(m_display, w, property, offset, 1 << 18, False, wanted, &type, &format, &count, &remaining,
                           &data) != Success) {
      return None;
    }
    if (data && format == 8) bytes.append(reinterpret_cast<const char*>(data), count);
    if (data) XFree(data);
    offset += static_cast<long>(count / 4);
  } while (remaining > 0 && format == 8 && bytes.size() <= MaxTextBytes);
  if (bytes.size() > MaxTextBytes) return None;
  return format == 8 || type == m_atoms->Incr ? type : None;
}

// ---------------------------------------------------------------------------------------------
// 9. Desktop services
// ---------------------------------------------------------------------------------------------

void TX11Platform::Beep() {
  XBell(m_display, 0);
  XFlush(m_display);
}

// The desktop's opener runs in a process of its own that nobody waits for: the child starts it
// and ends at once, so it is not left behind as a zombie either.
void TX11Platform::OpenUrl(const std::string& url) {
  const pid_t child = fork();
  if (child == 0) {
    if (fork() == 0) {
      setsid();
      execlp("xdg-open", "xdg-open", url.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    _exit(0);
  }
  if (child > 0) waitpid(child, nullptr, 0);
}

// X desktops offer no keyboard-layout switch to a program: typing goes through whatever layout
// the user has chosen, so there is nothing to switch.
void TX11Platform::SwitchInputMethod(const std::string& name) { (void)name; }

}  // namespace

}  // namespace platform::x11

namespace platform {
std::unique_ptr<TPlatform> CreateDesktopPlatform() { return std::make_unique<x11::TX11Platform>(); }
std::vector<std::string> CommandLineArguments(int argc, char** argv) { return {argv + 1, argv + argc}; }
}  // namespace platform
