// The smallest X program the start-up benchmark compares against: one 540 x 247 window of the
// same class, painted with one fill on every exposure and repainted in another colour on every
// key press. It opens no input method, loads no font and keeps no back buffer.
//
//   bare-xlib-window [--caret]
//
// --caret: a caret (one column of 13 pixels) is inverted every 500 ms, the least any program
// with a blinking caret does while left alone.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>

#include <time.h>

#include <cstdint>
#include <cstring>

namespace {

constexpr int kWidth = 540;
constexpr int kHeight = 247;
constexpr unsigned long kColours[] = {0x656567, 0x5E5E60};
constexpr int kBlinkMs = 500;

// From the C library, as everything here: the program maps no C++ run-time.
std::int64_t NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Waits for the next event; false when the blink is due first.
bool WaitEvent(Display* display, XEvent& event, std::int64_t blinkDue) {
  while (!XPending(display)) {
    const std::int64_t left = blinkDue - NowMs();
    const int timeout = blinkDue < 0 ? -1 : left > 0 ? static_cast<int>(left) : 0;
    pollfd fd{ConnectionNumber(display), POLLIN, 0};
    if (poll(&fd, 1, timeout) == 0 && timeout >= 0) return false;
  }
  XNextEvent(display, &event);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const bool caret = argc > 1 && std::strcmp(argv[1], "--caret") == 0;
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  const int screen = DefaultScreen(display);
  const Window root = RootWindow(display, screen);
  const int left = (DisplayWidth(display, screen) - kWidth) / 2;
  const int top = (DisplayHeight(display, screen) - kHeight) / 2;
  XSetWindowAttributes attributes{};
  attributes.background_pixmap = None;
  attributes.event_mask = ExposureMask | KeyPressMask | StructureNotifyMask;
  const Window window = XCreateWindow(display, root, left, top, kWidth, kHeight, 0, CopyFromParent, InputOutput,
                                      CopyFromParent, CWBackPixmap | CWEventMask, &attributes);
  XClassHint hint{const_cast<char*>("bare"), const_cast<char*>("TBareWindow")};
  XSetClassHint(display, window, &hint);
  XStoreName(display, window, "bare");
  const GC gc = XCreateGC(display, window, 0, nullptr);
  XGCValues invert{};
  invert.function = GXinvert;
  const GC caretGc = XCreateGC(display, window, GCFunction, &invert);
  XMapWindow(display, window);

  unsigned presses = 0;
  std::int64_t blinkDue = NowMs() + kBlinkMs;
  for (;;) {
    XEvent event;
    if (!WaitEvent(display, event, caret ? blinkDue : -1)) {
      XFillRectangle(display, window, caretGc, 20, 20, 1, 13);
      XFlush(display);
      blinkDue += kBlinkMs;
      continue;
    }
    if (event.type == DestroyNotify) break;
    if (event.type == KeyPress) {
      ++presses;
      blinkDue = NowMs() + kBlinkMs;  // the key repaints the window and the caret starts anew
    }
    if (event.type != Expose && event.type != KeyPress) continue;
    XSetForeground(display, gc, kColours[presses % 2]);
    XFillRectangle(display, window, gc, 0, 0, kWidth, kHeight);
    XFlush(display);
  }
  XCloseDisplay(display);
  return 0;
}
