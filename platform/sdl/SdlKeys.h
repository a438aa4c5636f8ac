// Keyboard translation of the desktop backend: SDL key symbols to the virtual key codes of
// platform/Keys.h, the control characters a key makes, and UTF-8 text to code points.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

namespace platform::sdl {

// The virtual key code of a key; 0 for keys the program has no code for.
int VirtualKey(SDL_Keycode symbol, SDL_Scancode scancode);

// The control character a key press types (Ctrl+letter 1..26, Backspace 8, Tab 9, Enter 13,
// Esc 27, ...); nothing for keys whose characters come as text.
std::optional<std::uint32_t> ControlChar(int virtualKey, Uint16 modifiers);

// Is typed text to be dropped because of the modifiers held? (Ctrl without Alt types control
// characters only; Ctrl+Alt is how some layouts reach their third level and types text.)
bool SuppressesText(Uint16 modifiers);

TShiftState ShiftFromModifiers(Uint16 modifiers);

// The code points of a UTF-8 text, decoded by base/Utf8.h (each malformed byte gives U+FFFD).
std::vector<std::uint32_t> DecodeUtf8(std::string_view text);

}  // namespace platform::sdl
