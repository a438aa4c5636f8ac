// The font layer: opens the font files the platform finds (platform/FontFiles.h) with FreeType,
// sizes their faces so that a font's height is its character height (ascent + descent),
// measures text and draws anti-aliased text into surfaces.
// Faces and rendered glyphs are cached for the life of the process, and glyphs may be kept
// between runs in a glyph store. Single-threaded.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "base/Types.h"

// What a font is asked for: a face name (as the window description writes it, e.g. "宋体"), the
// character height in pixels, and the style.
struct TFontDesc {
  std::string Name;
  int Height = 16;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  friend bool operator==(const TFontDesc&, const TFontDesc&) = default;
};

// Text metrics of a sized font, in pixels. Height = Ascent + Descent; InternalLeading is the part
// of Height above the em square.
struct TTextMetrics {
  int Height = 0;
  int Ascent = 0;
  int Descent = 0;
  int InternalLeading = 0;
  int AveCharWidth = 0;
  int MaxCharWidth = 0;
};

// Which face a font resolved to and how it is scaled.
struct TFontFaceInfo {
  std::string Family;  // empty when no face could be loaded at all
  std::string File;
  int FaceIndex = 0;
  double XPixelsPerEm = 0;
  double YPixelsPerEm = 0;
  bool SyntheticBold = false;
  bool SyntheticItalic = false;
};

class TFontEngine {
 public:
  // Font heights are clamped to this range: a zero or negative height draws 1 pixel high, and a
  // runaway height cannot allocate gigantic glyph bitmaps.
  static constexpr int MinHeight = 1;
  static constexpr int MaxHeight = 1024;

  static TFontEngine& Instance();

  TFontEngine();
  ~TFontEngine();
  TFontEngine(const TFontEngine&) = delete;
  TFontEngine& operator=(const TFontEngine&) = delete;

  const TTextMetrics& Metrics(const TFontDesc& desc);
  // Advance width of one line of UTF-8 text.
  int TextWidth(const TFontDesc& desc, std::string_view utf8);
  // Advance width and the font's Height.
  TPoint TextExtent(const TFontDesc& desc, std::string_view utf8);
  // Draws one line of UTF-8 text with the top of its character cell at y and its origin at x,
  // only inside clip (surface coordinates), blending the glyph coverage in color (0x00BBGGRR).
  void DrawText(TSurface& surface, const TRect& clip, int x, int y, const TFontDesc& desc, std::string_view utf8,
                TColor color);

  // Keeps the fonts and glyphs drawn in a file between runs (see framework/GlyphStore.h): what a
  // previous run stored there under this stamp is drawn without opening any font file, and
  // SaveGlyphStore writes what was drawn since. Call before the first font is used.
  void UseGlyphStore(const std::string& path, const std::string& stamp);
  // Writes the store when fonts or glyphs were added since it was read or last written; false when
  // nothing was written (nothing new, no store, or the file could not be written).
  bool SaveGlyphStore();
  bool HasGlyphStore() const;

  // The primary face a font resolved to.
  TFontFaceInfo FaceInfo(const TFontDesc& desc);
  // The family that supplies the glyph of one character (the primary face or a fallback face);
  // empty when no installed face has it.
  std::string GlyphFamily(const TFontDesc& desc, char32_t ch);

 private:
  struct TImpl;
  std::unique_ptr<TImpl> m_impl;
};
