#include "platform/sdl/SdlKeys.h"

#include "base/Utf8.h"
#include "platform/Keys.h"

namespace platform::sdl {

namespace {

// Codes of the classic desktop numbering beyond those named in Keys.h.
enum TExtraKey : int {
  vkPause = 0x13, vkCapital = 0x14, vkSnapshot = 0x2C, vkLWin = 0x5B, vkRWin = 0x5C, vkApps = 0x5D,
  vkNumpad0 = 0x60, vkMultiply = 0x6A, vkAdd = 0x6B, vkSubtract = 0x6D, vkDecimal = 0x6E,
  vkDivide = 0x6F, vkNumLock = 0x90, vkScroll = 0x91, vkOem1 = 0xBA, vkOemPlus = 0xBB,
  vkOemComma = 0xBC, vkOemMinus = 0xBD, vkOemPeriod = 0xBE, vkOem2 = 0xBF, vkOem3 = 0xC0,
  vkOem4 = 0xDB, vkOem5 = 0xDC, vkOem6 = 0xDD, vkOem7 = 0xDE
};

int FromScancodeRow(SDL_Scancode scancode) {
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) return VK_A + (scancode - SDL_SCANCODE_A);
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) return '1' + (scancode - SDL_SCANCODE_1);
  if (scancode == SDL_SCANCODE_0) return VK_0;
  return 0;
}

}  // namespace

int VirtualKey(SDL_Keycode symbol, SDL_Scancode scancode) {
  // Letters and digits follow the layout, as desktop key codes do; a layout whose letter keys
  // carry no Latin letters falls back to the key's place on the keyboard.
  if (symbol >= SDLK_a && symbol <= SDLK_z) return VK_A + (symbol - SDLK_a);
  if (symbol >= SDLK_0 && symbol <= SDLK_9) return VK_0 + (symbol - SDLK_0);
  if (symbol >= SDLK_F1 && symbol <= SDLK_F12) return VK_F1 + (symbol - SDLK_F1);
  if (symbol >= SDLK_KP_1 && symbol <= SDLK_KP_9) return vkNumpad0 + 1 + (symbol - SDLK_KP_1);
  switch (symbol) {
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN: case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL: case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT: case SDLK_RALT: return VK_MENU;
    case SDLK_PAUSE: return vkPause;
    case SDLK_CAPSLOCK: return vkCapital;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_END: return VK_END;
    case SDLK_HOME: return VK_HOME;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_PRINTSCREEN: return vkSnapshot;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_LGUI: return vkLWin;
    case SDLK_RGUI: return vkRWin;
    case SDLK_APPLICATION: return vkApps;
    case SDLK_KP_0: return vkNumpad0;
    case SDLK_KP_MULTIPLY: return vkMultiply;
    case SDLK_KP_PLUS: return vkAdd;
    case SDLK_KP_MINUS: return vkSubtract;
    case SDLK_KP_PERIOD: return vkDecimal;
    case SDLK_KP_DIVIDE: return vkDivide;
    case SDLK_NUMLOCKCLEAR: return vkNumLock;
    case SDLK_SCROLLLOCK: return vkScroll;
    case SDLK_SEMICOLON: return vkOem1;
    case SDLK_EQUALS: case SDLK_PLUS: return vkOemPlus;
    case SDLK_COMMA: return vkOemComma;
    case SDLK_MINUS: return vkOemMinus;
    case SDLK_PERIOD: return vkOemPeriod;
    case SDLK_SLASH: return vkOem2;
    case SDLK_BACKQUOTE: return vkOem3;
    case SDLK_LEFTBRACKET: return vkOem4;
    case SDLK_BACKSLASH: return vkOem5;
    case SDLK_RIGHTBRACKET: return vkOem6;
    case SDLK_QUOTE: return vkOem7;
    default: return FromScancodeRow(scancode);
  }
}

std::optional<std::uint32_t> ControlChar(int virtualKey, Uint16 modifiers) {
  const bool ctrl = (modifiers & KMOD_CTRL) != 0;
  const bool alt = (modifiers & KMOD_ALT) != 0;
  if (alt && !ctrl) return std::nullopt;  // Alt+key is a menu accelerator, not typing
  switch (virtualKey) {
    case VK_BACK: return ctrl ? 127u : 8u;
    case VK_TAB: return ctrl ? std::nullopt : std::optional<std::uint32_t>(9u);
    case VK_RETURN: return ctrl ? 10u : 13u;
    case VK_ESCAPE: return 27u;
    default: break;
  }
  if (!ctrl || alt) return std::nullopt;
  if (virtualKey >= VK_A && virtualKey <= VK_Z) return static_cast<std::uint32_t>(virtualKey - VK_A + 1);
  if (virtualKey == vkOem4) return 27u;
  if (virtualKey == vkOem5) return 28u;
  if (virtualKey == vkOem6) return 29u;
  return std::nullopt;
}

bool SuppressesText(Uint16 modifiers) { return (modifiers & KMOD_CTRL) && !(modifiers & KMOD_ALT); }

TShiftState ShiftFromModifiers(Uint16 modifiers) {
  TShiftState shift = 0;
  if (modifiers & KMOD_SHIFT) shift |= ksShift;
  if (modifiers & KMOD_CTRL) shift |= ksCtrl;
  if (modifiers & KMOD_ALT) shift |= ksAlt;
  return shift;
}

std::vector<std::uint32_t> DecodeUtf8(std::string_view text) {
  const std::u32string chars = Utf8ToChars(text);
  return {chars.begin(), chars.end()};
}

}  // namespace platform::sdl
