// The glyph store's file: "ORVGLYPH", a format version and a checksum of the body (all integers
// little-endian), then the body:
//   stamp                      text (u32 length, bytes)
//   files                      u32 count, then per file: path text, u64 size, i64 modified
//   fonts                      u32 count, then per font:
//     name text, i32 height, u8 style (1 bold, 2 italic, 4 underline, 8 strike-out), u8 has face,
//     i32 × 6 metrics (height, ascent, descent, internal leading, average and largest width),
//     i32 × 4 lines (underline offset and thickness, strike-out offset and thickness),
//     u32 glyph count, then per glyph: u32 character, i32 advance, left, top, u16 width, rows,
//     width × rows coverage bytes
#include "framework/GlyphStore.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "base/Hash.h"

namespace {

constexpr std::string_view kMagic = "ORVGLYPH";
constexpr std::uint32_t kFormat = 1;
constexpr size_t kHeaderSize = 8 + 4 + 8;
// Far beyond what the program stores (some hundred glyphs); a larger file is not read at all.
constexpr std::uintmax_t kMaxFileSize = 64u << 20;
constexpr std::uint32_t kMaxText = 4096;
// Positions and sizes stay far from where adding them could overflow an int.
constexpr std::int32_t kMaxCoordinate = 1 << 20;
constexpr std::uint16_t kMaxGlyphSide = 8192;

class TWriter {
 public:
  void U8(std::uint8_t v) { m_bytes += static_cast<char>(v); }
  void U16(std::uint16_t v) { Little(v, 2); }
  void U32(std::uint32_t v) { Little(v, 4); }
  void I32(std::int32_t v) { Little(static_cast<std::uint32_t>(v), 4); }
  void U64(std::uint64_t v) { Little(v, 8); }
  void Text(std::string_view text) {
    U32(static_cast<std::uint32_t>(text.size()));
    m_bytes += text;
  }
  void Bytes(const std::vector<std::uint8_t>& bytes) { m_bytes.append(bytes.begin(), bytes.end()); }
  std::string& Result() { return m_bytes; }

 private:
  void Little(std::uint64_t v, int size) {
    for (int i = 0; i < size; ++i) m_bytes += static_cast<char>(v >> (8 * i));
  }
  std::string m_bytes;
};

// Reads what is there; the first read past the end, or of a value out of its range, fails the
// whole reader and every later read gives zeros.
class TReader {
 public:
  explicit TReader(std::string_view bytes) : m_bytes(bytes) {}
  bool Ok() const { return m_ok; }
  bool AtEnd() const { return m_at == m_bytes.size(); }

  std::uint64_t Unsigned(int size) {
    if (!Have(static_cast<size_t>(size))) return 0;
    std::uint64_t v = 0;
    for (int i = 0; i < size; ++i) v |= std::uint64_t{static_cast<unsigned char>(m_bytes[m_at + i])} << (8 * i);
    m_at += static_cast<size_t>(size);
    return v;
  }
  std::uint8_t U8() { return static_cast<std::uint8_t>(Unsigned(1)); }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Unsigned(2)); }
  std::uint32_t U32() { return static_cast<std::uint32_t>(Unsigned(4)); }
  std::uint64_t U64() { return Unsigned(8); }
  // A position or size, which must lie within ±kMaxCoordinate.
  int Coordinate() {
    const auto v = static_cast<std::int32_t>(U32());
    return Check(v >= -kMaxCoordinate && v <= kMaxCoordinate) ? v : 0;
  }
  std::string Text() {
    const std::uint32_t size = U32();
    if (!Check(size <= kMaxText) || !Have(size)) return {};
    std::string text(m_bytes.substr(m_at, size));
    m_at += size;
    return text;
  }
  std::vector<std::uint8_t> Bytes(size_t size) {
    if (!Have(size)) return {};
    const auto* begin = reinterpret_cast<const std::uint8_t*>(m_bytes.data() + m_at);
    m_at += size;
    return {begin, begin + size};
  }
  // A count of records of at least minRecord bytes each: more than the bytes left could hold
  // fails at once, before anything is allocated for them.
  std::uint32_t Count(size_t minRecord) {
    const std::uint32_t count = U32();
    return Check(count <= (m_bytes.size() - m_at) / minRecord) ? count : 0;
  }
  bool Check(bool condition) {
    if (!condition) m_ok = false;
    return m_ok;
  }

 private:
  bool Have(size_t size) { return Check(m_ok && size <= m_bytes.size() - m_at); }

  std::string_view m_bytes;
  size_t m_at = 0;
  bool m_ok = true;
};

std::uint8_t StyleBits(const TFontDesc& desc) {
  return static_cast<std::uint8_t>((desc.Bold ? 1 : 0) | (desc.Italic ? 2 : 0) | (desc.Underline ? 4 : 0) |
                                   (desc.StrikeOut ? 8 : 0));
}

void WriteFont(TWriter& out, const TStoredFont& font) {
  out.Text(font.Desc.Name);
  out.I32(font.Desc.Height);
  out.U8(StyleBits(font.Desc));
  out.U8(font.HasFace ? 1 : 0);
  const TTextMetrics& m = font.Metrics;
  for (int v : {m.Height, m.Ascent, m.Descent, m.InternalLeading, m.AveCharWidth, m.MaxCharWidth}) out.I32(v);
  const TTextLines& l = font.Lines;
  for (int v : {l.UnderlineOffset, l.UnderlineThickness, l.StrikeOutOffset, l.StrikeOutThickness}) out.I32(v);
  out.U32(static_cast<std::uint32_t>(font.Glyphs.size()));
  for (const auto& [ch, glyph] : font.Glyphs) {
    out.U32(ch);
    for (int v : {glyph.Advance, glyph.Left, glyph.Top}) out.I32(v);
    out.U16(static_cast<std::uint16_t>(glyph.Width));
    out.U16(static_cast<std::uint16_t>(glyph.Rows));
    out.Bytes(glyph.Coverage);
  }
}

TStoredFont ReadFont(TReader& in) {
  TStoredFont font;
  font.Desc.Name = in.Text();
  font.Desc.Height = in.Coordinate();
  in.Check(font.Desc.Height >= TFontEngine::MinHeight && font.Desc.Height <= TFontEngine::MaxHeight);
  const std::uint8_t style = in.U8();
  in.Check(style < 16);
  font.Desc.Bold = (style & 1) != 0;
  font.Desc.Italic = (style & 2) != 0;
  font.Desc.Underline = (style & 4) != 0;
  font.Desc.StrikeOut = (style & 8) != 0;
  const std::uint8_t hasFace = in.U8();
  in.Check(hasFace <= 1);
  font.HasFace = hasFace == 1;
  TTextMetrics& m = font.Metrics;
  for (int* v : {&m.Height, &m.Ascent, &m.Descent, &m.InternalLeading, &m.AveCharWidth, &m.MaxCharWidth}) {
    *v = in.Coordinate();
  }
  TTextLines& l = font.Lines;
  for (int* v : {&l.UnderlineOffset, &l.UnderlineThickness, &l.StrikeOutOffset, &l.StrikeOutThickness}) {
    *v = in.Coordinate();
  }
  const std::uint32_t glyphs = in.Count(4 + 3 * 4 + 2 * 2);
  for (std::uint32_t i = 0; i < glyphs && in.Ok(); ++i) {
    const char32_t ch = in.U32();
    in.Check(ch <= 0x10FFFF && !font.Glyphs.contains(ch));
    TGlyph& glyph = font.Glyphs[ch];
    glyph.Advance = in.Coordinate();
    glyph.Left = in.Coordinate();
    glyph.Top = in.Coordinate();
    glyph.Width = in.U16();
    glyph.Rows = in.U16();
    in.Check(glyph.Width <= kMaxGlyphSide && glyph.Rows <= kMaxGlyphSide);
    glyph.Coverage = in.Bytes(static_cast<size_t>(glyph.Width) * static_cast<size_t>(glyph.Rows));
  }
  return font;
}

}  // namespace

std::string EncodeGlyphStore(const TGlyphStore& store) {
  TWriter body;
  body.Text(store.Stamp);
  body.U32(static_cast<std::uint32_t>(store.Files.size()));
  for (const TStoredFile& file : store.Files) {
    body.Text(file.Path);
    body.U64(file.Size);
    body.U64(static_cast<std::uint64_t>(file.Modified));
  }
  body.U32(static_cast<std::uint32_t>(store.Fonts.size()));
  for (const TStoredFont& font : store.Fonts) WriteFont(body, font);

  return SealGlyphStoreBody(body.Result());
}

std::string SealGlyphStoreBody(std::string_view body) {
  TWriter out;
  out.Result() = kMagic;
  out.U32(kFormat);
  out.U64(Hash64(body));
  out.Result() += body;
  return std::move(out.Result());
}

std::optional<TGlyphStore> DecodeGlyphStore(std::string_view bytes) {
  if (bytes.size() < kHeaderSize || bytes.substr(0, kMagic.size()) != kMagic) return std::nullopt;
  TReader header(bytes.substr(kMagic.size(), kHeaderSize - kMagic.size()));
  const std::uint32_t format = header.U32();
  const std::uint64_t checksum = header.U64();
  const std::string_view body = bytes.substr(kHeaderSize);
  if (format != kFormat || checksum != Hash64(body)) return std::nullopt;

  TReader in(body);
  TGlyphStore store;
  store.Stamp = in.Text();
  const std::uint32_t files = in.Count(4 + 8 + 8);
  for (std::uint32_t i = 0; i < files && in.Ok(); ++i) {
    TStoredFile& file = store.Files.emplace_back();
    file.Path = in.Text();
    file.Size = in.U64();
    file.Modified = static_cast<std::int64_t>(in.U64());
  }
  const std::uint32_t fonts = in.Count(4 + 4 + 2 + 10 * 4 + 4);
  for (std::uint32_t i = 0; i < fonts && in.Ok(); ++i) store.Fonts.push_back(ReadFont(in));
  if (!in.Ok() || !in.AtEnd()) return std::nullopt;
  return store;
}

std::optional<TStoredFile> StoredFileNow(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return std::nullopt;
  const auto modified = std::filesystem::last_write_time(path, error);
  if (error) return std::nullopt;
  return TStoredFile{path, size, static_cast<std::int64_t>(modified.time_since_epoch().count())};
}

std::optional<TGlyphStore> ReadGlyphStore(const std::string& path, std::string_view stamp) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error || size > kMaxFileSize) return std::nullopt;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return std::nullopt;
  std::string bytes(static_cast<size_t>(size), '\0');
  const size_t read = std::fread(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  if (read != bytes.size()) return std::nullopt;

  std::optional<TGlyphStore> store = DecodeGlyphStore(bytes);
  if (!store || store->Stamp != stamp) return std::nullopt;
  for (const TStoredFile& font : store->Files) {
    if (StoredFileNow(font.Path) != font) return std::nullopt;
  }
  return store;
}

bool WriteGlyphStore(const std::string& path, const TGlyphStore& store) {
  const std::filesystem::path target(path);
  std::error_code error;
  if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), error);
  const std::string bytes = EncodeGlyphStore(store);
  const std::string partial = path + ".partial";
  std::FILE* file = std::fopen(partial.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0 || !written) {
    std::remove(partial.c_str());
    return false;
  }
  std::filesystem::rename(partial, target, error);
  if (error) std::remove(partial.c_str());
  return !error;
}
