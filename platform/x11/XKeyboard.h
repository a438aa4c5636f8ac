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

  // The server announced a new keymap: it is read when next needed.
  void KeymapChanged() { m_keymapDue = true; }
  // Reads the keymap when one is due (at first, and after a change); the last one read stays
  // when reading fails. The program's idle wait calls this, so that reading it (a few round
  // trips and most of a millisecond) delays neither the window's appearance nor the first key.
  // True when it asked the server, which may have queued events meanwhile.
  bool ReadPendingKeymap();
  // A key press or release with the core event's key code and modifier state. Gives no key and
  // no character while the server's keymap cannot be read.
  TKeyPress Translate(unsigned keycode, unsigned coreState, bool press);

 private:
  int VirtualKeyOf(unsigned keycode) const;

  xcb_connection_t* m_connection;
  std::int32_t m_device = -1;
  xkb_context* m_context = nullptr;
  xkb_keymap* m_keymap = nullptr;
  xkb_state* m_state = nullptr;
  bool m_keymapDue = true;
  bool m_failureTold = false;
};

// The control character a key gives with these modifiers (Ctrl+letter 1..26, Backspace 8,
// Tab 9, Enter 13, Esc 27, Ctrl+[ \ ] 27 28 29), if any.
std::optional<std::uint32_t> ControlChar(int virtualKey, TShiftState shift);

}  // namespace platform::x11
