// Helpers shared by the files that build the main window's description.
#pragma once

#include <type_traits>

#include "app/Unit1.h"

namespace unit1 {

inline constexpr const char* kHeiTi = "黑体";
inline constexpr const char* kSongTi = "宋体";

inline void SetFont(TFont& f, const char* name, int height, TColor color, TFontStyles style = 0,
                    int charset = GB2312_CHARSET) {
  f.SetName(name);
  f.SetHeight(height);
  f.SetColor(color);
  f.SetStyle(style);
  f.SetCharset(charset);
}

// Creates a component of the window description: owned by the form, loading until the whole
// description has been applied.
template <class T>
T* Make(TForm1* form, const char* name, TWinControl* parent) {
  T* c = new T(form);
  c->BeginLoading();
  c->SetName(name);
  if constexpr (std::is_base_of_v<TControl, T>) {
    if (parent) c->SetParent(parent);
  }
  return c;
}

}  // namespace unit1
