// Font discovery: which font file supplies a face. This is the operating system's part of text;
// measuring and drawing stay in the class library's font engine, so every platform gives the
// same pixels from the same font files. One implementation per operating system, chosen by the
// build: fontconfig on Linux, the system's font list on Windows.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

// A face inside a font file (collections hold several faces; Index picks one).
struct TFontFile {
  std::string Path;
  int Index = 0;
  std::string Family;
  friend bool operator==(const TFontFile&, const TFontFile&) = default;
};

// What a font is asked for: a face name as the window description writes it ("黑体", "宋体",
// "Tahoma"), resolved through the program's aliases or the system's own substitutions.
struct TFontRequest {
  std::string Name;
  bool Bold = false;
  bool Italic = false;
};

// The face the system gives for this request, falling back to a last-resort face when the name
// is unknown; none only when no usable face is installed at all.
std::optional<TFontFile> MatchFontFile(const TFontRequest& request);

// Faces to try, best first, for a character that the matched face lacks.
std::vector<TFontFile> FallbackFontFiles(const TFontRequest& request, char32_t ch);

// Where the font engine may keep the glyphs it has drawn for the next start of the program, and
// a stamp of everything they depend on (the installed fonts, the program itself): glyphs kept
// under another stamp are not used. None where the system offers no place for them.
struct TGlyphStoreLocation {
  std::string Path;
  std::string Stamp;
};
std::optional<TGlyphStoreLocation> GlyphStoreLocation();

}  // namespace platform
