// UTF-8 text to the system's wide strings (UTF-16 in wchar_t) and back, by base/Utf8.h's rules.
#pragma once

#include <string>
#include <string_view>

#include "base/Utf8.h"

namespace platform::win32 {

inline std::wstring Wide(std::string_view utf8) {
  const std::u16string text = Utf8ToUtf16(utf8);
  return {text.begin(), text.end()};
}

inline std::string Narrow(std::wstring_view text) {
  return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

}  // namespace platform::win32
