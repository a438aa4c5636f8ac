// Glyphs kept between runs: the fonts the engine resolved (metrics, line positions) and the
// glyphs it rendered with them, written to a file in the user's cache so that the next start
// draws its text without opening a font file. Rendering a glyph is the same work every start,
// and the auto-hinter's set-up for a face costs more than everything else in the start-up.
//
// The file is the program's own but is read as untrusted: every count and size is checked
// against the bytes that are there, and a checksum covers the whole, so that a truncated,
// damaged or hostile file is simply not used. A store is used only whole, and only when its stamp
// (the installed fonts and the program, from the platform) and every font file it was drawn from
// are unchanged.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/FontEngine.h"

// A rendered glyph: its advance, where its coverage bitmap sits, and the coverage.
struct TGlyph {
  int Advance = 0;  // whole pixels
  int Left = 0;     // bitmap offset from the pen position
  int Top = 0;      // bitmap top above the baseline
  int Width = 0;
  int Rows = 0;
  std::vector<std::uint8_t> Coverage;  // Width * Rows, 0..255
  friend bool operator==(const TGlyph&, const TGlyph&) = default;
};

// Where the underline and strike-out of a font are drawn, in pixels from the baseline.
struct TTextLines {
  int UnderlineOffset = 1;  // below
  int UnderlineThickness = 1;
  int StrikeOutOffset = 1;  // above
  int StrikeOutThickness = 1;
  friend bool operator==(const TTextLines&, const TTextLines&) = default;
};

// One font as the engine resolved it, with the glyphs drawn in it by character.
struct TStoredFont {
  TFontDesc Desc;
  bool HasFace = false;  // false: no installed face at all, text draws as blank placeholders
  TTextMetrics Metrics;
  TTextLines Lines;
  std::map<char32_t, TGlyph> Glyphs;
};

// A font file that stored glyphs were drawn from, as it was then.
struct TStoredFile {
  std::string Path;
  std::uint64_t Size = 0;
  std::int64_t Modified = 0;  // the file system's modification time, in its own units
  friend bool operator==(const TStoredFile&, const TStoredFile&) = default;
};

struct TGlyphStore {
  std::string Stamp;
  std::vector<TStoredFile> Files;
  std::vector<TStoredFont> Fonts;
};

std::string EncodeGlyphStore(const TGlyphStore& store);
// A store file around these body bytes (the encoded content): the magic, the format and the
// checksum in front of them.
std::string SealGlyphStoreBody(std::string_view body);
// None unless the bytes are one whole, undamaged store of this program's format.
std::optional<TGlyphStore> DecodeGlyphStore(std::string_view bytes);

// A font file as it is now; none when it cannot be read.
std::optional<TStoredFile> StoredFileNow(const std::string& path);

// The store in a file, when it is whole, has this stamp and all its font files are unchanged.
std::optional<TGlyphStore> ReadGlyphStore(const std::string& path, std::string_view stamp);
// Replaces the file at once (a reader never sees half a store); false when it cannot be written.
bool WriteGlyphStore(const std::string& path, const TGlyphStore& store);
