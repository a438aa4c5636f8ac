// Virtual key codes carried by key events (the classic desktop numbering).
#pragma once

namespace platform {

enum TVirtualKey : int {
  VK_BACK = 8,
  VK_TAB = 9,
  VK_RETURN = 13,
  VK_SHIFT = 16,
  VK_CONTROL = 17,
  VK_MENU = 18,
  VK_ESCAPE = 27,
  VK_SPACE = 32,
  VK_PRIOR = 33,
  VK_NEXT = 34,
  VK_END = 35,
  VK_HOME = 36,
  VK_LEFT = 37,
  VK_UP = 38,
  VK_RIGHT = 39,
  VK_DOWN = 40,
  VK_INSERT = 45,
  VK_DELETE = 46,
  VK_0 = 48,
  VK_9 = 57,
  VK_A = 65,
  VK_Z = 90,
  VK_F1 = 112,
  VK_F12 = 123
};

// Control characters among the typed characters: Ctrl+letter types the letter's place in the
// alphabet (Ctrl+A 1 ... Ctrl+Z 26); Backspace, Tab, Enter and Esc type their own codes. Below
// ccFirstPrintable (the blank) every code is a control character, and so is ccDelete.
enum TControlChar : char32_t {
  ccCtrlA = 1,
  ccCtrlC = 3,
  ccBackspace = 8,
  ccTab = 9,
  ccLineFeed = 10,
  ccEnter = 13,
  ccCtrlV = 22,
  ccCtrlX = 24,
  ccCtrlZ = 26,
  ccEscape = 27,
  ccFirstPrintable = 32,
  ccDelete = 127
};

}  // namespace platform
