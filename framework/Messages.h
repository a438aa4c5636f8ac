// Window messages: the records windowed controls receive through their WindowProc.
#pragma once

#include <cstdint>

struct TMessage {
  std::uint32_t Msg = 0;
  std::intptr_t WParam = 0;
  std::intptr_t LParam = 0;
  std::intptr_t Result = 0;
};

inline int LoWord(std::intptr_t v) { return static_cast<int>(v & 0xFFFF); }
inline int HiWord(std::intptr_t v) { return static_cast<int>((v >> 16) & 0xFFFF); }
// Packs client coordinates as mouse messages carry them (signed 16-bit each).
inline std::intptr_t MakePointParam(int x, int y) {
  return static_cast<std::intptr_t>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(x))) |
                                    (static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16));
}
inline int PointParamX(std::intptr_t v) { return static_cast<std::int16_t>(v & 0xFFFF); }
inline int PointParamY(std::intptr_t v) { return static_cast<std::int16_t>((v >> 16) & 0xFFFF); }

enum : std::uint32_t {
  WM_MOVE = 0x0003,
  WM_SIZE = 0x0005,
  WM_ACTIVATE = 0x0006,
  WM_SETFOCUS = 0x0007,
  WM_KILLFOCUS = 0x0008,
  WM_PAINT = 0x000F,
  WM_CLOSE = 0x0010,
  WM_SETTINGCHANGE = 0x001A,
  WM_SETCURSOR = 0x0020,
  WM_NEXTDLGCTL = 0x0028,
  WM_GETDLGCODE = 0x0087,
  EM_GETRECT = 0x00B2,
  EM_SETRECT = 0x00B3,
  EM_SETRECTNP = 0x00B4,
  EM_SETMARGINS = 0x00D3,
  EM_GETMARGINS = 0x00D4,
  WM_KEYDOWN = 0x0100,
  WM_KEYUP = 0x0101,
  WM_CHAR = 0x0102,
  WM_TIMER = 0x0113,
  WM_MOUSEMOVE = 0x0200,
  WM_LBUTTONDOWN = 0x0201,
  WM_LBUTTONUP = 0x0202,
  WM_LBUTTONDBLCLK = 0x0203,
  WM_RBUTTONDOWN = 0x0204,
  WM_RBUTTONUP = 0x0205,
  WM_RBUTTONDBLCLK = 0x0206,
  WM_MBUTTONDOWN = 0x0207,
  WM_MBUTTONUP = 0x0208,
  WM_MBUTTONDBLCLK = 0x0209,
  WM_MOVING = 0x0216,
  WM_CUT = 0x0300,
  WM_COPY = 0x0301,
  WM_PASTE = 0x0302,
  WM_CLEAR = 0x0303,
  WM_UNDO = 0x0304,

  // The class library's own notifications.
  CM_BASE = 0xB000,
  CM_ACTIVATE = CM_BASE + 0,
  CM_DEACTIVATE = CM_BASE + 1,
  CM_ENABLEDCHANGED = CM_BASE + 2,
  CM_COLORCHANGED = CM_BASE + 3,
  CM_FONTCHANGED = CM_BASE + 4,
  CM_TEXTCHANGED = CM_BASE + 5,
  CM_VISIBLECHANGED = CM_BASE + 6,
  CM_MOUSEENTER = CM_BASE + 7,
  CM_MOUSELEAVE = CM_BASE + 8,
  CM_DIALOGCHAR = CM_BASE + 9,      // WParam: the character; Result 1 when a control took it
  CM_BUTTONPRESSED = CM_BASE + 10,  // WParam: group index, LParam: the button
  CM_ENTER = CM_BASE + 11,
  CM_EXIT = CM_BASE + 12,
  CM_CANCELMODE = CM_BASE + 13,
  CM_PARENTFONTCHANGED = CM_BASE + 14,
  CM_PARENTCOLORCHANGED = CM_BASE + 15,
};

// The low word of WM_ACTIVATE's WParam.
enum : int { WA_INACTIVE = 0, WA_ACTIVE = 1, WA_CLICKACTIVE = 2 };
// Answers to WM_GETDLGCODE.
enum : int { DLGC_WANTARROWS = 1, DLGC_WANTTAB = 2, DLGC_WANTALLKEYS = 4, DLGC_WANTCHARS = 0x80 };
// Mouse key state flags carried in WParam of mouse messages.
enum : int { MK_LBUTTON = 1, MK_RBUTTON = 2, MK_SHIFT = 4, MK_CONTROL = 8, MK_MBUTTON = 0x10 };
