#include "platform/x11/XWindows.h"

#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xutil.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

namespace platform::x11 {

namespace {

// Motif window-manager hints: flags, functions, decorations, input mode, status.
constexpr long MotifHintDecorations = 1L << 1;

int LastingErrorHandler(Display* display, XErrorEvent* error) {
  if (error->error_code == BadWindow || error->error_code == BadDrawable) return 0;
  char text[160] = {};
  XGetErrorText(display, error->error_code, text, sizeof text);
  std::fprintf(stderr, "orvanta: X error: %s (request %d)\n", text, error->request_code);
  return 0;
}

void SendStateMessage(Display* display, const TAtoms& atoms, Window window, bool add, Atom first, Atom second) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = atoms.NetWmState;
  event.xclient.format = 32;
  event.xclient.data.l[0] = add ? 1 : 0;  // _NET_WM_STATE_ADD / _NET_WM_STATE_REMOVE
  event.xclient.data.l[1] = static_cast<long>(first);
  event.xclient.data.l[2] = static_cast<long>(second);
  event.xclient.data.l[3] = 1;  // the request comes from an ordinary application
  XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

// ---- the window search: batched requests over XCB -------------------------------------------

struct TFree {
  void operator()(void* p) const { std::free(p); }
};
using TPropertyReply = std::unique_ptr<xcb_get_property_reply_t, TFree>;
using TTreeReply = std::unique_ptr<xcb_query_tree_reply_t, TFree>;

// Asks for one property of every window at once, then collects the answers (one round trip).
// A window that has gone meanwhile answers with an error, which leaves its entry empty.
std::vector<TPropertyReply> Properties(xcb_connection_t* c, const std::vector<xcb_window_t>& windows, Atom property,
                                       Atom type, std::uint32_t longs) {
  std::vector<xcb_get_property_cookie_t> cookies;
  cookies.reserve(windows.size());
  for (xcb_window_t w : windows)
    cookies.push_back(
        xcb_get_property(c, 0, w, static_cast<xcb_atom_t>(property), static_cast<xcb_atom_t>(type), 0, longs));
  std::vector<TPropertyReply> replies;
  replies.reserve(windows.size());
  for (xcb_get_property_cookie_t cookie : cookies) {
    xcb_generic_error_t* error = nullptr;
    replies.emplace_back(xcb_get_property_reply(c, cookie, &error));
    std::free(error);
  }
  return replies;
}

std::vector<xcb_window_t> Children(xcb_connection_t* c, const std::vector<xcb_window_t>& parents) {
  std::vector<xcb_query_tree_cookie_t> cookies;
  for (xcb_window_t w : parents) cookies.push_back(xcb_query_tree(c, w));
  std::vector<xcb_window_t> children;
  for (xcb_query_tree_cookie_t cookie : cookies) {
    xcb_generic_error_t* error = nullptr;
    TTreeReply reply(xcb_query_tree_reply(c, cookie, &error));
    std::free(error);
    if (!reply) continue;
    const xcb_window_t* list = xcb_query_tree_children(reply.get());
    children.insert(children.end(), list, list + xcb_query_tree_children_length(reply.get()));
  }
  return children;
}

std::string_view Text(const TPropertyReply& reply) {
  if (!reply || reply->format != 8) return {};
  return {static_cast<const char*>(xcb_get_property_value(reply.get())),
          static_cast<size_t>(xcb_get_property_value_length(reply.get()))};
}

// WM_CLASS holds res_name and res_class, each ended by a zero byte.
bool ClassMatches(std::string_view value, std::string_view className) {
  const size_t end = value.find('\0');
  const std::string_view name = value.substr(0, end);
  const std::string_view cls = end == std::string_view::npos ? std::string_view{} : value.substr(end + 1);
  return EqualNoCase(name, className) || EqualNoCase(cls.substr(0, cls.find('\0')), className);
}

// WM_NAME of type STRING is Latin-1; the caption searched for is UTF-8.
std::string Latin1ToUtf8(std::string_view text) {
  std::string out;
  for (unsigned char c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// Of the windows whose class matches, is there one whose caption matches too? _NET_WM_NAME
// first, WM_NAME where a window has none (two round trips for all of them together).
bool AnyCaptionMatches(xcb_connection_t* c, const TAtoms& atoms, const std::vector<xcb_window_t>& windows,
                       const std::string& caption) {
  if (windows.empty()) return false;
  const auto utf8 = Properties(c, windows, atoms.NetWmName, atoms.Utf8String, 1024);
  const auto plain = Properties(c, windows, XA_WM_NAME, AnyPropertyType, 1024);
  for (size_t i = 0; i < windows.size(); ++i) {
    if (utf8[i] && utf8[i]->type == atoms.Utf8String) {
      if (EqualNoCase(Text(utf8[i]), caption)) return true;
      continue;
    }
    if (!plain[i] || plain[i]->type == XCB_NONE) continue;
    const std::string_view text = Text(plain[i]);
    const bool latin1 = plain[i]->type == XA_STRING;
    if (EqualNoCase(latin1 ? std::string_view(Latin1ToUtf8(text)) : text, caption)) return true;
  }
  return false;
}

std::vector<xcb_window_t> ClientList(xcb_connection_t* c, const TAtoms& atoms, xcb_window_t root) {
  const auto reply = Properties(c, {root}, atoms.NetClientList, XA_WINDOW, 65536);
  if (!reply[0] || reply[0]->format != 32) return {};
  const auto* list = static_cast<const xcb_window_t*>(xcb_get_property_value(reply[0].get()));
  return {list, list + xcb_get_property_value_length(reply[0].get()) / 4};
}

}  // namespace

TAtoms::TAtoms(Display* display) {
  static constexpr std::array names = {"UTF8_STRING",
                                       "TARGETS",
                                       "CLIPBOARD",
                                       "ORVANTA_CLIPBOARD",
                                       "INCR",
                                       "WM_PROTOCOLS",
                                       "WM_DELETE_WINDOW",
                                       "WM_STATE",
                                       "_NET_WM_PING",
                                       "_NET_WM_NAME",
                                       "_NET_WM_STATE",
                                       "_NET_WM_STATE_ABOVE",
                                       "_NET_WM_STATE_SKIP_TASKBAR",
                                       "_NET_WM_STATE_SKIP_PAGER",
                                       "_NET_WM_WINDOW_TYPE",
                                       "_NET_WM_WINDOW_TYPE_NORMAL",
                                       "_NET_WM_WINDOW_TYPE_DIALOG",
                                       "_NET_WM_WINDOW_OPACITY",
                                       "_NET_WM_PID",
                                       "_NET_ACTIVE_WINDOW",
                                       "_NET_CLIENT_LIST",
                                       "_NET_SUPPORTING_WM_CHECK",
                                       "_NET_FRAME_EXTENTS",
                                       "_NET_WM_USER_TIME",
                                       "_MOTIF_WM_HINTS",
                                       "ORVANTA_TIME"};
  std::array<Atom, names.size()> atoms{};
  XInternAtoms(display, const_cast<char**>(names.data()), static_cast<int>(names.size()), False, atoms.data());
  Atom* fields[] = {&Utf8String,
                    &Targets,
                    &Clipboard,
                    &ClipboardData,
                    &Incr,
                    &WmProtocols,
                    &WmDeleteWindow,
                    &WmState,
                    &NetWmPing,
                    &NetWmName,
                    &NetWmState,
                    &NetWmStateAbove,
                    &NetWmStateSkipTaskbar,
                    &NetWmStateSkipPager,
                    &NetWmWindowType,
                    &NetWmWindowTypeNormal,
                    &NetWmWindowTypeDialog,
                    &NetWmWindowOpacity,
                    &NetWmPid,
                    &NetActiveWindow,
                    &NetClientList,
                    &NetSupportingWmCheck,
                    &NetFrameExtents,
                    &NetWmUserTime,
                    &MotifWmHints,
                    &OrvantaTime};
  static_assert(std::size(fields) == names.size());
  for (size_t i = 0; i < names.size(); ++i) *fields[i] = atoms[i];
}

void InstallLastingErrorHandler() { XSetErrorHandler(&LastingErrorHandler); }

bool EqualNoCase(std::string_view a, std::string_view b) {
  auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
           return lower(static_cast<unsigned char>(x)) == lower(static_cast<unsigned char>(y));
         });
}

void SetClassHint(Display* display, Window window, const std::string& className) {
  std::vector<char> name(className.begin(), className.end());
  name.push_back('\0');
  XClassHint hint{name.data(), name.data()};
  XSetClassHint(display, window, &hint);
}

void SetCaption(Display* display, const TAtoms& atoms, Window window, const std::string& caption) {
  XChangeProperty(display, window, atoms.NetWmName, atoms.Utf8String, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(caption.data()), static_cast<int>(caption.size()));
  // Printable ASCII is already the STRING encoding of the old property; anything else goes
  // through Xlib's conversion, which loads the locale's conversion tables on first use.
  if (std::all_of(caption.begin(), caption.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) {
    XChangeProperty(display, window, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(caption.data()), static_cast<int>(caption.size()));
    return;
  }
  std::vector<char> text(caption.begin(), caption.end());
  text.push_back('\0');
  char* list[] = {text.data()};
  XTextProperty property{};
  if (Xutf8TextListToTextProperty(display, list, 1, XStdICCTextStyle, &property) >= Success) {
    XSetWMName(display, window, &property);
    XFree(property.value);
  }
}

void WriteWindowStates(Display* display, const TAtoms& atoms, Window window, bool above, bool skipTaskbar) {
  std::vector<Atom> states;
  if (above) states.push_back(atoms.NetWmStateAbove);
  if (skipTaskbar) {
    states.push_back(atoms.NetWmStateSkipTaskbar);
    states.push_back(atoms.NetWmStateSkipPager);
  }
  if (states.empty()) {
    XDeleteProperty(display, window, atoms.NetWmState);
    return;
  }
  XChangeProperty(display, window, atoms.NetWmState, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(states.data()), static_cast<int>(states.size()));
}

void RequestWindowStates(Display* display, const TAtoms& atoms, Window window, bool above, bool skipTaskbar) {
  SendStateMessage(display, atoms, window, above, atoms.NetWmStateAbove, None);
  SendStateMessage(display, atoms, window, skipTaskbar, atoms.NetWmStateSkipTaskbar, atoms.NetWmStateSkipPager);
}

void SetNoDecorations(Display* display, const TAtoms& atoms, Window window, bool none) {
  if (!none) {
    XDeleteProperty(display, window, atoms.MotifWmHints);
    return;
  }
  const long hints[5] = {MotifHintDecorations, 0, 0, 0, 0};
  XChangeProperty(display, window, atoms.MotifWmHints, atoms.MotifWmHints, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(hints), 5);
}

bool HasWindowManager(Display* display, const TAtoms& atoms) {
  xcb_connection_t* c = XGetXCBConnection(display);
  XFlush(display);
  const auto onRoot =
      Properties(c, {static_cast<xcb_window_t>(DefaultRootWindow(display))}, atoms.NetSupportingWmCheck, XA_WINDOW, 1);
  if (!onRoot[0] || onRoot[0]->format != 32 || xcb_get_property_value_length(onRoot[0].get()) < 4) return false;
  // A window manager that has gone leaves the root property behind; its check window, which
  // points at itself, goes with it.
  const xcb_window_t check = *static_cast<const xcb_window_t*>(xcb_get_property_value(onRoot[0].get()));
  const auto onChild = Properties(c, {check}, atoms.NetSupportingWmCheck, XA_WINDOW, 1);
  return onChild[0] && onChild[0]->format == 32 && xcb_get_property_value_length(onChild[0].get()) >= 4 &&
         *static_cast<const xcb_window_t*>(xcb_get_property_value(onChild[0].get())) == check;
}

namespace {

// One pass over the windows below the root: the root's children, the window manager's client
// list, and the clients inside frames a few levels deep (a window being hidden or shown is for a
// moment in neither the client list nor the root's children, but still or already in its frame).
bool SearchTopLevelWindows(xcb_connection_t* c, const TAtoms& atoms, xcb_window_t root, const std::string& className,
                           const std::string& caption) {
  std::vector<xcb_window_t> level = Children(c, {root});
  const std::vector<xcb_window_t> clients = ClientList(c, atoms, root);
  level.insert(level.end(), clients.begin(), clients.end());
  constexpr int kDepth = 3;
  for (int d = 0; d < kDepth && !level.empty(); ++d) {
    std::sort(level.begin(), level.end());
    level.erase(std::unique(level.begin(), level.end()), level.end());
    const auto classes = Properties(c, level, XA_WM_CLASS, XA_STRING, 256);
    const auto states = d + 1 < kDepth ? Properties(c, level, atoms.WmState, AnyPropertyType, 0)
                                       : std::vector<TPropertyReply>(level.size());
    std::vector<xcb_window_t> matching;
    std::vector<xcb_window_t> frames;
    for (size_t i = 0; i < level.size(); ++i) {
      const bool hasClass = classes[i] && classes[i]->type != XCB_NONE;
      if (hasClass && ClassMatches(Text(classes[i]), className)) matching.push_back(level[i]);
      // A window with neither class nor WM_STATE is a frame or part of one.
      if (!hasClass && !(states[i] && states[i]->type != XCB_NONE)) frames.push_back(level[i]);
    }
    if (AnyCaptionMatches(c, atoms, matching, caption)) return true;
    if (d + 1 < kDepth) level = Children(c, frames);
  }
  return false;
}

}  // namespace

bool FindTopLevelWindow(Display* display, const TAtoms& atoms, const std::string& className,
                        const std::string& caption) {
  xcb_connection_t* c = XGetXCBConnection(display);
  XFlush(display);
  const auto root = static_cast<xcb_window_t>(DefaultRootWindow(display));
  // Without a server grab a window can move between a frame and the root while one pass reads
  // them; a miss is therefore confirmed by a second pass, which finds it where it has settled.
  return SearchTopLevelWindows(c, atoms, root, className, caption) ||
         SearchTopLevelWindows(c, atoms, root, className, caption);
}

}  // namespace platform::x11
