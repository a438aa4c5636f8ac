// The keyboard of the X server, read with xkbcommon: key codes to the class library's virtual key
// codes, and key presses to the characters they type. No X input method is opened, so no
// compose table is read: the program's inputs take only digits, signs and a decimal separator.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/Platform.h"

struct xcb_connection_t;
struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace platform::x11 {

struct TKeyPress {
  int VirtualKey = 0;                 // 0: a key the class library has no code for
  std::optional<std::uint32_t> Char;  // the character typed, control characters included
  TShiftState Shift = 0;
};

class TXKeyboard {
 public:
  // Throws std::runtime_error when the server has no keyboard extension.
  explicit TXKeyboard(xcb_connection_t* connection);
  ~TXKeyboard();
  TXKeyboard(const TXKeyboard&) = delete;
  TXKeyboard& operator=(const TXKeyboard&) = delete;

  // Reads the server's keymap again (after it announced a new one).
  void Reload();
  // A key press or release with the core event's key code and modifier state.
  TKeyPress Translate(unsigned keycode, unsigned coreState, bool press);

 private:
  int VirtualKeyOf(unsigned keycode) const;

  xcb_connection_t* m_connection;
  std::int32_t m_device = -1;
  xkb_context* m_context = nullptr;
  xkb_keymap* m_keymap = nullptr;
  xkb_state* m_state = nullptr;
};

// The control character a key gives with these modifiers (Ctrl+letter 1..26, Backspace 8,
// Tab 9, Enter 13, Esc 27, Ctrl+[ \ ] 27 28 29), if any.
std::optional<std::uint32_t> ControlChar(int virtualKey, TShiftState shift);

}  // namespace platform::x11
