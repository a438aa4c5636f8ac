// The smallest X program the start-up benchmark compares against: one 540 x 247 window of the
// same class, painted with one fill on every exposure and repainted in another colour on every
// key press. It opens no input method, loads no font and keeps no back buffer.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

constexpr int kWidth = 540;
constexpr int kHeight = 247;
constexpr unsigned long kColours[] = {0x656567, 0x5E5E60};

}  // namespace

int main() {
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
  XMapWindow(display, window);

  unsigned presses = 0;
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == DestroyNotify) break;
    if (event.type == KeyPress) ++presses;
    if (event.type != Expose && event.type != KeyPress) continue;
    XSetForeground(display, gc, kColours[presses % 2]);
    XFillRectangle(display, window, gc, 0, 0, kWidth, kHeight);
    XFlush(display);
  }
  XCloseDisplay(display);
  return 0;
}
