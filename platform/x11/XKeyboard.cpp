#include "platform/x11/XKeyboard.h"

#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdio>
#include <stdexcept>
#include <string_view>

#include "platform/Keys.h"

namespace platform::x11 {

namespace {

// Codes of the classic desktop numbering beyond those named in Keys.h.
enum TExtraKey : int {
  vkPause = 0x13,
  vkCapital = 0x14,
  vkSnapshot = 0x2C,
  vkLWin = 0x5B,
  vkRWin = 0x5C,
  vkApps = 0x5D,
  vkNumpad0 = 0x60,
  vkMultiply = 0x6A,
  vkAdd = 0x6B,
  vkSubtract = 0x6D,
  vkDecimal = 0x6E,
  vkDivide = 0x6F,
  vkNumLock = 0x90,
  vkScroll = 0x91,
  vkOem1 = 0xBA,
  vkOemPlus = 0xBB,
  vkOemComma = 0xBC,
  vkOemMinus = 0xBD,
  vkOemPeriod = 0xBE,
  vkOem2 = 0xBF,
  vkOem3 = 0xC0,
  vkOem4 = 0xDB,
  vkOem5 = 0xDC,
  vkOem6 = 0xDD,
  vkOem7 = 0xDE
};

struct TSymKey {
  xkb_keysym_t Sym;
  int Key;
};

// One table from keysyms to virtual keys; letters, digits, function and keypad digit keys are
// ranges handled before it.
constexpr TSymKey SymKeys[] = {
    {XKB_KEY_BackSpace, VK_BACK},      {XKB_KEY_Tab, VK_TAB},           {XKB_KEY_ISO_Left_Tab, VK_TAB},
    {XKB_KEY_Return, VK_RETURN},       {XKB_KEY_KP_Enter, VK_RETURN},   {XKB_KEY_Shift_L, VK_SHIFT},
    {XKB_KEY_Shift_R, VK_SHIFT},       {XKB_KEY_Control_L, VK_CONTROL}, {XKB_KEY_Control_R, VK_CONTROL},
    {XKB_KEY_Alt_L, VK_MENU},          {XKB_KEY_Alt_R, VK_MENU},        {XKB_KEY_Pause, vkPause},
    {XKB_KEY_Caps_Lock, vkCapital},    {XKB_KEY_Escape, VK_ESCAPE},     {XKB_KEY_space, VK_SPACE},
    {XKB_KEY_Prior, VK_PRIOR},         {XKB_KEY_Next, VK_NEXT},         {XKB_KEY_End, VK_END},
    {XKB_KEY_Home, VK_HOME},           {XKB_KEY_Left, VK_LEFT},         {XKB_KEY_Up, VK_UP},
    {XKB_KEY_Right, VK_RIGHT},         {XKB_KEY_Down, VK_DOWN},         {XKB_KEY_Print, vkSnapshot},
    {XKB_KEY_Insert, VK_INSERT},       {XKB_KEY_Delete, VK_DELETE},     {XKB_KEY_Super_L, vkLWin},
    {XKB_KEY_Super_R, vkRWin},         {XKB_KEY_Menu, vkApps},          {XKB_KEY_KP_0, vkNumpad0},
    {XKB_KEY_KP_Multiply, vkMultiply}, {XKB_KEY_KP_Add, vkAdd},         {XKB_KEY_KP_Subtract, vkSubtract},
    {XKB_KEY_KP_Decimal, vkDecimal},   {XKB_KEY_KP_Divide, vkDivide},   {XKB_KEY_Num_Lock, vkNumLock},
    {XKB_KEY_Scroll_Lock, vkScroll},   {XKB_KEY_semicolon, vkOem1},     {XKB_KEY_equal, vkOemPlus},
    {XKB_KEY_plus, vkOemPlus},         {XKB_KEY_comma, vkOemComma},     {XKB_KEY_minus, vkOemMinus},
    {XKB_KEY_period, vkOemPeriod},     {XKB_KEY_slash, vkOem2},         {XKB_KEY_grave, vkOem3},
    {XKB_KEY_bracketleft, vkOem4},     {XKB_KEY_backslash, vkOem5},     {XKB_KEY_bracketright, vkOem6},
    {XKB_KEY_apostrophe, vkOem7},      {XKB_KEY_KP_Home, VK_HOME},      {XKB_KEY_KP_End, VK_END},
    {XKB_KEY_KP_Left, VK_LEFT},        {XKB_KEY_KP_Right, VK_RIGHT},    {XKB_KEY_KP_Up, VK_UP},
    {XKB_KEY_KP_Down, VK_DOWN},        {XKB_KEY_KP_Insert, VK_INSERT},  {XKB_KEY_KP_Delete, VK_DELETE}};

int FromSym(xkb_keysym_t sym) {
  if (sym >= XKB_KEY_a && sym <= XKB_KEY_z) return VK_A + static_cast<int>(sym - XKB_KEY_a);
  if (sym >= XKB_KEY_A && sym <= XKB_KEY_Z) return VK_A + static_cast<int>(sym - XKB_KEY_A);
  if (sym >= XKB_KEY_0 && sym <= XKB_KEY_9) return VK_0 + static_cast<int>(sym - XKB_KEY_0);
  if (sym >= XKB_KEY_F1 && sym <= XKB_KEY_F12) return VK_F1 + static_cast<int>(sym - XKB_KEY_F1);
  if (sym >= XKB_KEY_KP_1 && sym <= XKB_KEY_KP_9) return vkNumpad0 + 1 + static_cast<int>(sym - XKB_KEY_KP_1);
  for (const TSymKey& entry : SymKeys)
    if (entry.Sym == sym) return entry.Key;
  return 0;
}

// A layout whose letter keys carry no Latin letters falls back to the key's place on a PC
// keyboard (the server's evdev key codes), as desktop key codes do.
int FromKeyPlace(unsigned keycode) {
  static constexpr std::string_view rows[] = {"1234567890", "QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
  static constexpr unsigned firsts[] = {10, 24, 38, 52};
  for (int r = 0; r < 4; ++r) {
    if (keycode < firsts[r] || keycode - firsts[r] >= rows[r].size()) continue;
    return rows[r][keycode - firsts[r]];
  }
  return 0;
}

TShiftState ShiftOf(unsigned coreState) {
  TShiftState shift = 0;
  if (coreState & 1u) shift |= ksShift;  // ShiftMask
  if (coreState & 4u) shift |= ksCtrl;   // ControlMask
  if (coreState & 8u) shift |= ksAlt;    // Mod1Mask
  return shift;
}

}  // namespace

TXKeyboard::TXKeyboard(xcb_connection_t* connection) : m_connection(connection) {
  if (!xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                   XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr)) {
    throw std::runtime_error("the X server has no keyboard extension");
  }
  m_context = xkb_context_new(
      static_cast<xkb_context_flags>(XKB_CONTEXT_NO_DEFAULT_INCLUDES | XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
  if (!m_context) throw std::runtime_error("cannot read the keyboard");
}

TXKeyboard::~TXKeyboard() {
  xkb_state_unref(m_state);
  xkb_keymap_unref(m_keymap);
  xkb_context_unref(m_context);
}

bool TXKeyboard::ReadPendingKeymap() {
  if (!m_keymapDue) return false;
  m_keymapDue = false;
  m_device = xkb_x11_get_core_keyboard_device_id(m_connection);
  xkb_keymap* keymap =
      m_device < 0 ? nullptr
                   : xkb_x11_keymap_new_from_device(m_context, m_connection, m_device, XKB_KEYMAP_COMPILE_NO_FLAGS);
  xkb_state* state = keymap ? xkb_state_new(keymap) : nullptr;
  if (state) {
    xkb_state_unref(m_state);
    xkb_keymap_unref(m_keymap);
    m_keymap = keymap;
    m_state = state;
  } else {
    xkb_keymap_unref(keymap);  // the keymap we have, if any, stays
    if (!m_keymap && !m_failureTold) std::fprintf(stderr, "orvanta: the keyboard cannot be read; keys are ignored\n");
    m_failureTold = true;
  }
  return true;
}

int TXKeyboard::VirtualKeyOf(unsigned keycode) const {
  // The key's own symbol without modifiers: Shift+1 is still key '1'.
  const xkb_layout_index_t layout = xkb_state_key_get_layout(m_state, keycode);
  const xkb_keysym_t* syms = nullptr;
  const int count =
      xkb_keymap_key_get_syms_by_level(m_keymap, keycode, layout == XKB_LAYOUT_INVALID ? 0 : layout, 0, &syms);
  const int key = count > 0 ? FromSym(syms[0]) : 0;
  return key ? key : FromKeyPlace(keycode);
}

TKeyPress TXKeyboard::Translate(unsigned keycode, unsigned coreState, bool press) {
  ReadPendingKeymap();
  if (!m_keymap) return {};
  // The core event's state holds the modifiers and, in bits 13 and 14, the layout group.
  xkb_state_update_mask(m_state, coreState & 0xFFu, 0, 0, 0, 0, (coreState >> 13) & 3u);
  TKeyPress result;
  result.VirtualKey = VirtualKeyOf(keycode);
  result.Shift = ShiftOf(coreState);
  if (!press) return result;
  if (std::optional<std::uint32_t> control = ControlChar(result.VirtualKey, result.Shift)) {
    result.Char = control;
    return result;
  }
  // Ctrl without Alt types nothing; Ctrl+Alt is AltGr on many keyboards and types its character.
  const bool ctrl = (result.Shift & ksCtrl) != 0;
  if (ctrl && !(result.Shift & ksAlt)) return result;
  const std::uint32_t cp = xkb_state_key_get_utf32(m_state, keycode);
  if (cp >= 32 && cp != 127) result.Char = cp;
  return result;
}

std::optional<std::uint32_t> ControlChar(int virtualKey, TShiftState shift) {
  const bool ctrl = (shift & ksCtrl) != 0;
  const bool alt = (shift & ksAlt) != 0;
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

}  // namespace platform::x11
