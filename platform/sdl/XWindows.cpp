#include "platform/sdl/XWindows.h"

#include <cstdio>

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform::x11 {

namespace {

// Xlib's error handler is one plain function for the whole process; this is the trap it reports
// to (the innermost one, when traps nest).
TXErrorTrap* g_activeTrap = nullptr;

Atom Intern(Display* display, const char* name) { return XInternAtom(display, name, False); }

// Reads a whole property of the given type and format 32 (atoms, windows, cardinals).
std::vector<unsigned long> ReadLongs(Display* display, Window window, Atom property, Atom type) {
  std::vector<unsigned long> values;
  Atom actualType = 0;
  int actualFormat = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, property, 0, 1024, False, type, &actualType, &actualFormat,
                         &count, &remaining, &data) == Success &&
      data) {
    if (actualType == type && actualFormat == 32) {
      const auto* longs = reinterpret_cast<const unsigned long*>(data);
      values.assign(longs, longs + count);
    }
    XFree(data);
  }
  return values;
}

std::optional<std::string> ReadUtf8(Display* display, Window window, Atom property) {
  Atom utf8 = Intern(display, "UTF8_STRING");
  Atom actualType = 0;
  int actualFormat = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  std::optional<std::string> text;
  if (XGetWindowProperty(display, window, property, 0, 4096, False, utf8, &actualType, &actualFormat,
                         &count, &remaining, &data) == Success &&
      data) {
    if (actualType == utf8 && actualFormat == 8) text.emplace(reinterpret_cast<const char*>(data), count);
    XFree(data);
  }
  return text;
}

std::optional<std::string> ReadWmName(Display* display, Window window) {
  XTextProperty property{};
  if (!XGetWMName(display, window, &property) || !property.value) return std::nullopt;
  std::optional<std::string> text;
  char** list = nullptr;
  int count = 0;
  if (Xutf8TextPropertyToTextList(display, &property, &list, &count) >= Success && list) {
    text.emplace();
    for (int i = 0; i < count; ++i) *text += list[i];
    XFreeStringList(list);
  } else if (property.format == 8) {
    text.emplace(reinterpret_cast<const char*>(property.value), property.nitems);
  }
  XFree(property.value);
  return text;
}

bool HasWmState(Display* display, Window window) {
  Atom wmState = Intern(display, "WM_STATE");
  Atom actualType = 0;
  int actualFormat = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  bool found = XGetWindowProperty(display, window, wmState, 0, 0, False, AnyPropertyType, &actualType,
                                  &actualFormat, &count, &remaining, &data) == Success &&
               actualType != None;
  if (data) XFree(data);
  return found;
}

std::vector<Window> Children(Display* display, Window window) {
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  std::vector<Window> result;
  if (XQueryTree(display, window, &root, &parent, &children, &count) && children) {
    result.assign(children, children + count);
    XFree(children);
  }
  return result;
}

// Whether a window's class and caption match; nothing when it carries no WM_CLASS (a frame or
// a part of one, never a client window).
std::optional<bool> MatchesClass(Display* display, Window window, const std::string& className,
                                 const std::string& caption) {
  XClassHint hint{};
  if (!XGetClassHint(display, window, &hint)) return std::nullopt;
  bool classMatches = (hint.res_class && EqualNoCase(hint.res_class, className)) ||
                      (hint.res_name && EqualNoCase(hint.res_name, className));
  if (hint.res_name) XFree(hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
  if (!classMatches) return false;
  std::optional<std::string> text = Caption(display, window);
  return text && EqualNoCase(*text, caption);
}

// Looks at the client window inside a window manager's frame, breadth first, a few levels deep.
// The client is the window that carries WM_STATE; one that carries only WM_CLASS is a client
// the window manager is just letting go of (it has dropped WM_STATE and not yet moved the
// window back to the root).
bool MatchesBelow(Display* display, Window frame, const std::string& className, const std::string& caption) {
  std::vector<Window> level = Children(display, frame);
  for (int depth = 0; depth < 4 && !level.empty(); ++depth) {
    std::vector<Window> next;
    for (Window w : level) {
      std::optional<bool> match = MatchesClass(display, w, className, caption);
      if (match.value_or(false)) return true;
      if (match || HasWmState(display, w)) continue;  // a client: nothing of interest below it
      std::vector<Window> below = Children(display, w);
      next.insert(next.end(), below.begin(), below.end());
    }
    level = std::move(next);
  }
  return false;
}

void SendStateMessage(Display* display, Window window, bool add, Atom first, Atom second) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = Intern(display, "_NET_WM_STATE");
  event.xclient.format = 32;
  event.xclient.data.l[0] = add ? 1 : 0;  // _NET_WM_STATE_ADD / _NET_WM_STATE_REMOVE
  event.xclient.data.l[1] = static_cast<long>(first);
  event.xclient.data.l[2] = static_cast<long>(second);
  event.xclient.data.l[3] = 1;  // the request comes from an ordinary application
  XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
             &event);
}

}  // namespace

namespace {
int LastingErrorHandler(Display* display, XErrorEvent* error) {
  if (error->error_code == BadWindow || error->error_code == BadDrawable) return 0;
  char text[160] = {};
  XGetErrorText(display, error->error_code, text, sizeof text);
  std::fprintf(stderr, "orvanta: X error: %s (request %d)\n", text, error->request_code);
  return 0;
}
}  // namespace

void InstallLastingErrorHandler() { XSetErrorHandler(&LastingErrorHandler); }

TXErrorTrap::TXErrorTrap(Display* display) : m_display(display), m_outer(g_activeTrap) {
  XSync(m_display, False);  // errors of earlier requests belong to whoever made them
  m_previousHandler = XSetErrorHandler(&TXErrorTrap::Handler);
  g_activeTrap = this;
}

TXErrorTrap::~TXErrorTrap() {
  XSync(m_display, False);
  g_activeTrap = m_outer;
  XSetErrorHandler(m_previousHandler);
}

bool TXErrorTrap::Failed() {
  XSync(m_display, False);
  return m_failed;
}

int TXErrorTrap::Handler(Display* display, XErrorEvent* error) {
  for (TXErrorTrap* trap = g_activeTrap; trap; trap = trap->m_outer) {
    if (trap->m_display == display) {
      trap->m_failed = true;
      return 0;
    }
  }
  TXErrorTrap* outermost = g_activeTrap;
  while (outermost && outermost->m_outer) outermost = outermost->m_outer;
  if (outermost && outermost->m_previousHandler) return outermost->m_previousHandler(display, error);
  return 0;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [&](char x, char y) { return lower(static_cast<unsigned char>(x)) == lower(static_cast<unsigned char>(y)); });
}

void SetClassHint(Display* display, Window window, const std::string& className) {
  std::vector<char> name(className.begin(), className.end());
  name.push_back('\0');
  XClassHint hint{};
  hint.res_name = name.data();
  hint.res_class = name.data();
  XSetClassHint(display, window, &hint);
}

void SetCaption(Display* display, Window window, const std::string& caption) {
  XChangeProperty(display, window, Intern(display, "_NET_WM_NAME"), Intern(display, "UTF8_STRING"), 8,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(caption.data()),
                  static_cast<int>(caption.size()));
  std::vector<char> text(caption.begin(), caption.end());
  text.push_back('\0');
  char* list[] = {text.data()};
  XTextProperty property{};
  if (Xutf8TextListToTextProperty(display, list, 1, XStdICCTextStyle, &property) >= Success) {
    XSetWMName(display, window, &property);
    XFree(property.value);
  }
}

std::optional<std::string> Caption(Display* display, Window window) {
  if (auto text = ReadUtf8(display, window, Intern(display, "_NET_WM_NAME"))) return text;
  return ReadWmName(display, window);
}

void WriteWindowStates(Display* display, Window window, bool above, bool skipTaskbar) {
  Atom state = Intern(display, "_NET_WM_STATE");
  Atom aboveAtom = Intern(display, "_NET_WM_STATE_ABOVE");
  Atom taskbarAtom = Intern(display, "_NET_WM_STATE_SKIP_TASKBAR");
  Atom pagerAtom = Intern(display, "_NET_WM_STATE_SKIP_PAGER");
  std::vector<unsigned long> atoms = ReadLongs(display, window, state, XA_ATOM);
  std::erase_if(atoms, [&](unsigned long a) { return a == aboveAtom || a == taskbarAtom || a == pagerAtom; });
  if (above) atoms.push_back(aboveAtom);
  if (skipTaskbar) {
    atoms.push_back(taskbarAtom);
    atoms.push_back(pagerAtom);
  }
  if (atoms.empty()) {
    XDeleteProperty(display, window, state);
  } else {
    XChangeProperty(display, window, state, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(atoms.data()), static_cast<int>(atoms.size()));
  }
}

void RequestWindowStates(Display* display, Window window, bool above, bool skipTaskbar) {
  SendStateMessage(display, window, above, Intern(display, "_NET_WM_STATE_ABOVE"), None);
  SendStateMessage(display, window, skipTaskbar, Intern(display, "_NET_WM_STATE_SKIP_TASKBAR"),
                   Intern(display, "_NET_WM_STATE_SKIP_PAGER"));
}

std::string WindowStateNames(Display* display, Window window) {
  std::string names;
  for (unsigned long atom : ReadLongs(display, window, Intern(display, "_NET_WM_STATE"), XA_ATOM)) {
    char* name = XGetAtomName(display, atom);
    if (!name) continue;
    if (!names.empty()) names += ' ';
    names += name;
    XFree(name);
  }
  return names;
}

bool HasWindowManager(Display* display) {
  TXErrorTrap trap(display);
  Atom check = Intern(display, "_NET_SUPPORTING_WM_CHECK");
  std::vector<unsigned long> onRoot = ReadLongs(display, DefaultRootWindow(display), check, XA_WINDOW);
  if (onRoot.empty()) return false;
  // A window manager that has gone leaves the root property behind; its check window, which
  // points at itself, goes with it.
  std::vector<unsigned long> onChild = ReadLongs(display, onRoot[0], check, XA_WINDOW);
  return !trap.Failed() && !onChild.empty() && onChild[0] == onRoot[0];
}

void SetTransientFor(Display* display, Window window, Window owner) { XSetTransientForHint(display, window, owner); }

bool FindTopLevelWindow(Display* display, const std::string& className, const std::string& caption) {
  TXErrorTrap trap(display);
  // The walk is a snapshot: while the server is grabbed, no window manager can move a client
  // between its frame and the root window behind the walk's back.
  XGrabServer(display);
  bool found = false;
  for (Window top : Children(display, DefaultRootWindow(display))) {
    if (MatchesClass(display, top, className, caption).value_or(false) ||
        (!HasWmState(display, top) && MatchesBelow(display, top, className, caption))) {
      found = true;
      break;
    }
  }
  XUngrabServer(display);
  return found;
}

}  // namespace platform::x11
