// Sections:
//   1. UTF-8 decoding
//   2. Face files and sized faces: opening, scaling to the character height, metrics
//   3. Glyph rendering and the glyph cache
//   4. Font instances: a face per font as asked for, glyph fallback through the platform
//   5. The engine: fonts from the glyph store or from their faces, measuring and drawing
#include "framework/FontEngine.h"

#include "base/Utf8.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "framework/FileBlocks.h"
#include "framework/GlyphStore.h"
#include "platform/FontFiles.h"

namespace {

// ---------------------------------------------------------------------------------------------
// 1. UTF-8 decoding
// ---------------------------------------------------------------------------------------------

// Text is decoded by base/Utf8.h's NextCodePoint: a malformed byte draws as U+FFFD and the
// text goes on with the next byte.

// ---------------------------------------------------------------------------------------------
// 2. Face files and sized faces
// ---------------------------------------------------------------------------------------------

std::int64_t RoundDiv(std::int64_t num, std::int64_t den) { return (num * 2 + den) / (den * 2); }

// A face of a font file, opened once for every height and style drawn from it, with one size
// object per character height: the auto-hinter analyses the face's outlines once and keeps only
// its scaled results per size.
//
// FreeType reads the file through a stream of ours instead of mapping it. A mapped file counts
// in the process's resident memory for every page the kernel maps around each page read, and the
// hinter's set-up alone reads some hundred glyphs spread over the CJK files (16 and 21 MB):
// about 4 MB resident per file mapped, against under 1 MB of copied tables when read. The reads
// go through a few blocks of the file kept in memory (TFileBlocks): loading a glyph touches the
// same index and metrics blocks as the glyph before it.
class TFaceFile {
 public:
  // The face, or null when the file cannot be read or holds no scalable face.
  static std::unique_ptr<TFaceFile> Open(FT_Library library, const std::string& path, int index) {
    std::unique_ptr<TFaceFile> file(new TFaceFile(std::fopen(path.c_str(), "rb")));
    if (!library || !file->m_file || std::fseek(file->m_file, 0, SEEK_END) != 0) return nullptr;
    const long size = std::ftell(file->m_file);
    if (size <= 0) return nullptr;
    file->m_blocks = std::make_unique<TFileBlocks>(file->m_file, static_cast<unsigned long>(size));
    file->m_stream.size = static_cast<unsigned long>(size);
    file->m_stream.descriptor.pointer = file.get();
    file->m_stream.read = Read;
    FT_Open_Args args{};
    args.flags = FT_OPEN_STREAM;
    args.stream = &file->m_stream;
    if (FT_Open_Face(library, &args, index, &file->m_face) != 0) return nullptr;
    if (!FT_IS_SCALABLE(file->m_face) || file->m_face->units_per_EM == 0) return nullptr;
    return file;
  }
  ~TFaceFile() {
    if (m_face) FT_Done_Face(m_face);  // frees the size objects with the face
    if (m_file) std::fclose(m_file);
  }
  TFaceFile(const TFaceFile&) = delete;
  TFaceFile& operator=(const TFaceFile&) = delete;

  FT_Face Face() const { return m_face; }

  // The size object for a character height, made on first use; null when FreeType cannot make one.
  FT_Size Size(int height) {
    auto found = m_sizes.find(height);
    if (found != m_sizes.end()) return found->second;
    FT_Size size = nullptr;
    if (FT_New_Size(m_face, &size) != 0) size = nullptr;
    m_sizes.emplace(height, size);
    return size;
  }

 private:
  explicit TFaceFile(std::FILE* file) : m_file(file) {}

  // FreeType's read at an offset of the file; with count 0 a seek, for which 0 is success.
  static unsigned long Read(FT_Stream stream, unsigned long offset, unsigned char* buffer, unsigned long count) {
    auto* self = static_cast<TFaceFile*>(stream->descriptor.pointer);
    if (offset > stream->size) return count == 0 ? 1 : 0;
    if (count == 0) return 0;
    return self->m_blocks->Read(offset, buffer, count);
  }

  std::FILE* m_file;
  std::unique_ptr<TFileBlocks> m_blocks;
  FT_StreamRec m_stream{};  // must outlive the face
  FT_Face m_face = nullptr;
  std::unordered_map<int, FT_Size> m_sizes;
};

// One face at one character height and style, with its own glyph cache.
//
// Vertically the face is scaled so that its ascent + descent (the OS/2 win metrics, else hhea)
// is exactly the character height, as in the faces the window was laid out with. Horizontally a
// face with CJK ideographs is scaled so that a digit is half the height (rounded up) wide: the
// layout's widths come from faces with half-width digits and square ideograph cells, and the
// installed CJK faces have other proportions. Other faces keep their own aspect.
class TSizedFace {
 public:
  TSizedFace(FT_Face face, FT_Size size, int height, bool syntheticBold, bool syntheticItalic)
      : m_face(face), m_size(size), m_syntheticBold(syntheticBold), m_syntheticItalic(syntheticItalic) {
    ComputeScales(height);
    ComputeMetrics(height);
  }
  TSizedFace(const TSizedFace&) = delete;
  TSizedFace& operator=(const TSizedFace&) = delete;

  FT_UInt GlyphIndex(char32_t ch) const { return FT_Get_Char_Index(m_face, ch); }
  const TGlyph& Glyph(FT_UInt index);

  std::string Family() const { return m_face->family_name ? m_face->family_name : ""; }
  const TTextMetrics& Metrics() const { return m_metrics; }
  const TTextLines& Lines() const { return m_lines; }
  double XPixelsPerEm() const { return PixelsPerEm(m_xScale); }
  double YPixelsPerEm() const { return PixelsPerEm(m_yScale); }
  bool SyntheticBold() const { return m_syntheticBold; }
  bool SyntheticItalic() const { return m_syntheticItalic; }

 private:
  // 16.16 scales from font units to 26.6 pixels, as FreeType keeps them.
  double PixelsPerEm(FT_Fixed scale) const {
    return static_cast<double>(m_face->units_per_EM) * static_cast<double>(scale) / 65536.0 / 64.0;
  }
  FT_Pos ScaleX(FT_Long units) const { return FT_MulFix(units, m_xScale); }
  FT_Pos ScaleY(FT_Long units) const { return FT_MulFix(units, m_yScale); }
  static int Pixels(FT_Pos value26_6) { return static_cast<int>((value26_6 + 32) >> 6); }

  void VerticalExtent(FT_Long& ascent, FT_Long& descent) const;
  void ComputeScales(int height);
  void ComputeMetrics(int height);

  FT_Face m_face;  // owned by its TFaceFile
  FT_Size m_size;  // shared with the other styles of this height; made active before each use
  bool m_syntheticBold;
  bool m_syntheticItalic;
  FT_Fixed m_xScale = 0x10000;
  FT_Fixed m_yScale = 0x10000;
  FT_Pos m_boldStrength = 0;  // 26.6, horizontal only, like an overstruck copy
  int m_boldExtra = 0;        // whole pixels added to each advance by synthetic bold
  TTextMetrics m_metrics;
  TTextLines m_lines;
  std::unordered_map<FT_UInt, TGlyph> m_glyphs;  // node-based: references stay valid
};

void TSizedFace::VerticalExtent(FT_Long& ascent, FT_Long& descent) const {
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(m_face, FT_SFNT_OS2));
  if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    ascent = os2->usWinAscent;
    descent = os2->usWinDescent;
    return;
  }
  ascent = m_face->ascender;
  descent = -m_face->descender;
  if (ascent + descent > 0) return;
  ascent = m_face->bbox.yMax;
  descent = -m_face->bbox.yMin;
  if (ascent + descent > 0) return;
  ascent = m_face->units_per_EM * 4 / 5;
  descent = m_face->units_per_EM - ascent;
}

void TSizedFace::ComputeScales(int height) {
  FT_Long ascent = 0;
  FT_Long descent = 0;
  VerticalExtent(ascent, descent);
  m_yScale = static_cast<FT_Fixed>(RoundDiv(std::int64_t{height} * 64 * 65536, ascent + descent));
  m_xScale = m_yScale;

  const FT_UInt ideograph = FT_Get_Char_Index(m_face, U'\u4E00');
  const FT_UInt digit = FT_Get_Char_Index(m_face, U'0');
  if (ideograph != 0 && digit != 0 && FT_Load_Glyph(m_face, digit, FT_LOAD_NO_SCALE) == 0) {
    const FT_Pos digitUnits = m_face->glyph->advance.x;
    if (digitUnits > 0) {
      const std::int64_t digitPixels = (height + 1) / 2;
      m_xScale = static_cast<FT_Fixed>(RoundDiv(digitPixels * 64 * 65536, digitUnits));
    }
  }

  FT_Size_RequestRec request{};
  request.type = FT_SIZE_REQUEST_TYPE_SCALES;
  request.width = m_xScale;
  request.height = m_yScale;
  FT_Activate_Size(m_size);
  FT_Request_Size(m_face, &request);

  if (m_syntheticBold) {
    const FT_Pos em26_6 = ScaleY(m_face->units_per_EM);
    m_boldStrength = std::max<FT_Pos>(64, em26_6 / 24);
    m_boldExtra = Pixels(m_boldStrength);
  }
}

void TSizedFace::ComputeMetrics(int height) {
  FT_Long ascent = 0;
  FT_Long descent = 0;
  VerticalExtent(ascent, descent);
  m_metrics.Height = height;
  m_metrics.Ascent = static_cast<int>(RoundDiv(std::int64_t{ascent} * height, ascent + descent));
  m_metrics.Descent = height - m_metrics.Ascent;
  m_metrics.InternalLeading = std::max(0, height - Pixels(ScaleY(m_face->units_per_EM)));

  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(m_face, FT_SFNT_OS2));
  if (os2 && os2->version != 0xFFFF && os2->xAvgCharWidth > 0) {
    m_metrics.AveCharWidth = Pixels(ScaleX(os2->xAvgCharWidth));
  } else {
    m_metrics.AveCharWidth = (height + 1) / 2;
  }
  m_metrics.MaxCharWidth = std::max(m_metrics.AveCharWidth, Pixels(ScaleX(m_face->max_advance_width)));
  m_metrics.AveCharWidth += m_boldExtra;
  m_metrics.MaxCharWidth += m_boldExtra;

  // Underline just below the baseline, strike-out through the middle of the lower-case letters;
  // both kept inside the character cell.
  const int maxBelow = std::max(0, m_metrics.Descent - 1);
  const FT_Short underlinePosition = m_face->underline_position;
  m_lines.UnderlineThickness = std::max(1, Pixels(ScaleY(m_face->underline_thickness)));
  m_lines.UnderlineOffset =
      std::clamp(underlinePosition < 0 ? Pixels(ScaleY(-underlinePosition)) : 1, 1, std::max(1, maxBelow));
  m_lines.UnderlineThickness =
      std::clamp(m_lines.UnderlineThickness, 1, std::max(1, m_metrics.Descent - m_lines.UnderlineOffset));

  int strikePosition = 0;
  int strikeSize = 0;
  if (os2 && os2->version != 0xFFFF && os2->yStrikeoutPosition > 0) {
    strikePosition = Pixels(ScaleY(os2->yStrikeoutPosition));
    strikeSize = Pixels(ScaleY(os2->yStrikeoutSize));
  } else {
    strikePosition = m_metrics.Ascent / 3;
  }
  m_lines.StrikeOutOffset = std::clamp(strikePosition, 1, std::max(1, m_metrics.Ascent));
  m_lines.StrikeOutThickness = std::clamp(strikeSize, 1, std::max(1, m_lines.StrikeOutOffset));
}

// ---------------------------------------------------------------------------------------------
// 3. Glyph rendering and the glyph cache
// ---------------------------------------------------------------------------------------------

const TGlyph& TSizedFace::Glyph(FT_UInt index) {
  auto found = m_glyphs.find(index);
  if (found != m_glyphs.end()) return found->second;
  TGlyph& glyph = m_glyphs[index];

  // Outlines only (embedded bitmaps are one-bit and exist only at some sizes); light hinting
  // snaps horizontal strokes to the pixel grid and leaves the horizontal layout alone.
  FT_Activate_Size(m_size);
  if (FT_Load_Glyph(m_face, index, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_LIGHT) != 0) return glyph;
  FT_GlyphSlot slot = m_face->glyph;
  glyph.Advance = static_cast<int>((slot->linearHoriAdvance + 0x8000) >> 16) + m_boldExtra;
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    if (m_syntheticBold) {
      // Widen the strokes to the right only, so the glyph keeps its left edge.
      FT_Outline_EmboldenXY(&slot->outline, m_boldStrength, 0);
      FT_Outline_Translate(&slot->outline, m_boldStrength / 2, 0);
    }
    if (m_syntheticItalic) {
      FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};  // leans about 12 degrees to the right
      FT_Outline_Transform(&slot->outline, &shear);
    }
  }
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return glyph;
  const FT_Bitmap& bitmap = slot->bitmap;
  if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || bitmap.width == 0 || bitmap.rows == 0) return glyph;

  glyph.Left = slot->bitmap_left;
  glyph.Top = slot->bitmap_top;
  glyph.Width = static_cast<int>(bitmap.width);
  glyph.Rows = static_cast<int>(bitmap.rows);
  glyph.Coverage.resize(static_cast<size_t>(glyph.Width) * glyph.Rows);
  const int levels = std::max(2, static_cast<int>(bitmap.num_grays));
  for (int row = 0; row < glyph.Rows; ++row) {
    const unsigned char* src = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
    std::uint8_t* dst = glyph.Coverage.data() + static_cast<size_t>(row) * glyph.Width;
    for (int col = 0; col < glyph.Width; ++col) {
      dst[col] = levels == 256 ? src[col] : static_cast<std::uint8_t>(src[col] * 255 / (levels - 1));
    }
  }
  return glyph;
}

// ---------------------------------------------------------------------------------------------
// 4. Font instances
// ---------------------------------------------------------------------------------------------

struct TFontSpecHash {
  size_t operator()(const TFontDesc& s) const {
    size_t h = std::hash<std::string>()(s.Name);
    h = h * 31 + static_cast<size_t>(s.Height);
    return h * 16 + (s.Bold ? 1 : 0) + (s.Italic ? 2 : 0) + (s.Underline ? 4 : 0) + (s.StrikeOut ? 8 : 0);
  }
};

// A font as asked for, with a per-character glyph table. Its glyphs come from the glyph store
// while it has them; the font's faces are opened for the first glyph the store lacks.
struct TFontInstance {
  TFontDesc Desc;                       // with the height clamped
  const TStoredFont* Stored = nullptr;  // as a previous run stored it; null once the faces are opened
  TSizedFace* Primary = nullptr;        // null when no face could be loaded at all, or still stored
  bool HasFace = false;
  TTextMetrics Metrics;
  TTextLines Lines;
  std::array<const TGlyph*, 128> Ascii{};
  std::unordered_map<char32_t, const TGlyph*> Chars;
  TGlyph Placeholder;  // blank, half the height wide: stands in for every glyph without a face

  platform::TFontRequest Request() const { return {Desc.Name, Desc.Bold, Desc.Italic}; }
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// 5. The engine
// ---------------------------------------------------------------------------------------------

struct TFontEngine::TImpl {
  FT_Library Library = nullptr;  // made with the first face opened
  std::map<std::pair<std::string, int>, std::unique_ptr<TFaceFile>> Files;
  std::map<std::tuple<std::string, int, int, bool, bool>, std::unique_ptr<TSizedFace>> Faces;
  std::unordered_map<TFontDesc, std::unique_ptr<TFontInstance>, TFontSpecHash> Fonts;
  const TFontDesc* LastDesc = nullptr;
  TFontInstance* LastFont = nullptr;

  // The glyph store: where it is, the fonts read from it, and whether fonts or glyphs were made
  // since it was read or written.
  std::string StorePath;
  std::string StoreStamp;
  std::unordered_map<TFontDesc, TStoredFont, TFontSpecHash> StoredFonts;
  std::vector<TStoredFile> StoredFiles;
  bool StoreChanged = false;

  ~TImpl() {
    Fonts.clear();
    Faces.clear();
    Files.clear();
    if (Library) FT_Done_FreeType(Library);
  }

  // The face of a font file, opened on first use; null when it cannot be drawn (not a scalable
  // face), which is remembered too.
  TFaceFile* FileFor(const platform::TFontFile& file) {
    auto key = std::make_pair(file.Path, file.Index);
    auto found = Files.find(key);
    if (found != Files.end()) return found->second.get();
    if (!Library) FT_Init_FreeType(&Library);
    return Files.emplace(std::move(key), TFaceFile::Open(Library, file.Path, file.Index)).first->second.get();
  }

  // The sized face of a font file, made on first use. Bold and italic are synthesised when the
  // face itself is not bold or italic (the family may have no other member).
  TSizedFace* FaceFor(const platform::TFontFile& file, const TFontDesc& desc) {
    auto key = std::make_tuple(file.Path, file.Index, desc.Height, desc.Bold, desc.Italic);
    auto found = Faces.find(key);
    if (found != Faces.end()) return found->second.get();
    TFaceFile* opened = FileFor(file);
    FT_Size size = opened ? opened->Size(desc.Height) : nullptr;
    if (!size) return nullptr;
    const FT_Face face = opened->Face();
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const bool faceIsBold =
        (face->style_flags & FT_STYLE_FLAG_BOLD) != 0 || (os2 && os2->version != 0xFFFF && os2->usWeightClass >= 600);
    const bool faceIsItalic = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    auto sized =
        std::make_unique<TSizedFace>(face, size, desc.Height, desc.Bold && !faceIsBold, desc.Italic && !faceIsItalic);
    return Faces.emplace(std::move(key), std::move(sized)).first->second.get();
  }

  TFontInstance& Font(const TFontDesc& desc) {
    if (LastDesc && *LastDesc == desc) return *LastFont;
    auto found = Fonts.find(desc);
    if (found == Fonts.end()) found = Fonts.emplace(desc, Resolve(desc)).first;
    LastDesc = &found->first;
    LastFont = found->second.get();
    return *LastFont;
  }

  // A font as the store has it, else resolved to its primary face; a font without any face gets
  // metrics of its height and blank glyphs.
  std::unique_ptr<TFontInstance> Resolve(const TFontDesc& asked) {
    auto font = std::make_unique<TFontInstance>();
    font->Desc = asked;
    const int height = font->Desc.Height = std::clamp(asked.Height, MinHeight, MaxHeight);
    font->Placeholder.Advance = (height + 1) / 2;
    if (auto stored = StoredFonts.find(font->Desc); stored != StoredFonts.end()) {
      font->Stored = &stored->second;
      font->HasFace = stored->second.HasFace;
      font->Metrics = stored->second.Metrics;
      font->Lines = stored->second.Lines;
      return font;
    }
    StoreChanged = true;
    OpenFaces(*font);
    font->HasFace = font->Primary != nullptr;
    if (font->Primary) {
      font->Metrics = font->Primary->Metrics();
      font->Lines = font->Primary->Lines();
    } else {
      font->Metrics = {height, height * 4 / 5, height - height * 4 / 5, 0, (height + 1) / 2, (height + 1) / 2};
    }
    return font;
  }

  // Opens the font's primary face: from here on its glyphs are rendered, not taken from the store.
  void OpenFaces(TFontInstance& font) {
    font.Stored = nullptr;
    if (const auto file = platform::MatchFontFile(font.Request())) font.Primary = FaceFor(*file, font.Desc);
  }

  // The font's faces, opened if it is still drawn from the store; null when it has none.
  TSizedFace* PrimaryFace(TFontInstance& font) {
    if (font.Stored && font.HasFace) OpenFaces(font);
    return font.Primary;
  }

  // The face that has a glyph for ch: the primary face, else the first face the platform offers
  // for it, else the primary face (whose missing-glyph box then shows).
  TSizedFace* FaceForChar(TFontInstance& font, char32_t ch) {
    if (font.Primary->GlyphIndex(ch) != 0 || ch < 0x20) return font.Primary;
    for (const platform::TFontFile& file : platform::FallbackFontFiles(font.Request(), ch)) {
      TSizedFace* face = FaceFor(file, font.Desc);
      if (face && face->GlyphIndex(ch) != 0) return face;
    }
    return font.Primary;
  }

  const TGlyph& Glyph(TFontInstance& font, char32_t ch) {
    const TGlyph*& slot = ch < 128 ? font.Ascii[ch] : font.Chars[ch];
    if (!slot) slot = &NewGlyph(font, ch);
    return *slot;
  }

  // A glyph not drawn in this font before: the stored one, else rendered from the font's faces.
  const TGlyph& NewGlyph(TFontInstance& font, char32_t ch) {
    if (!font.HasFace) return font.Placeholder;
    if (font.Stored) {
      auto stored = font.Stored->Glyphs.find(ch);
      if (stored != font.Stored->Glyphs.end()) return stored->second;
      OpenFaces(font);
    }
    if (!font.Primary) return font.Placeholder;  // the face has gone since it was stored
    StoreChanged = true;
    TSizedFace* face = FaceForChar(font, ch);
    return face->Glyph(face->GlyphIndex(ch));
  }

  int Width(TFontInstance& font, std::string_view utf8) {
    int width = 0;
    for (size_t i = 0; i < utf8.size();) width += Glyph(font, NextCodePoint(utf8, i)).Advance;
    return width;
  }

  void UseStore(const std::string& path, const std::string& stamp) {
    StorePath = path;
    StoreStamp = stamp;
    std::optional<TGlyphStore> store = ReadGlyphStore(path, stamp);
    if (!store) return;
    for (TStoredFont& font : store->Fonts) StoredFonts.insert_or_assign(font.Desc, std::move(font));
    StoredFiles = std::move(store->Files);
  }

  // Every font and glyph drawn so far, and those stored before that this run has not used.
  TGlyphStore Snapshot() const {
    TGlyphStore store;
    store.Stamp = StoreStamp;
    std::set<std::string> paths;
    for (const TStoredFile& file : StoredFiles) paths.insert(file.Path);
    for (const auto& [key, file] : Files) paths.insert(key.first);
    for (const std::string& path : paths) {
      // A file that is not there now has drawn nothing; one installed later changes the stamp.
      if (std::optional<TStoredFile> now = StoredFileNow(path)) store.Files.push_back(std::move(*now));
    }
    std::unordered_map<TFontDesc, TStoredFont, TFontSpecHash> fonts = StoredFonts;
    for (const auto& entry : Fonts) {
      const TFontInstance& font = *entry.second;
      TStoredFont& stored = fonts[font.Desc];
      stored.Desc = font.Desc;
      stored.HasFace = font.HasFace;
      stored.Metrics = font.Metrics;
      stored.Lines = font.Lines;
      if (!font.HasFace) continue;
      const auto keep = [&](char32_t ch, const TGlyph* glyph) {
        if (glyph && glyph != &font.Placeholder) stored.Glyphs.try_emplace(ch, *glyph);
      };
      for (char32_t ch = 0; ch < 128; ++ch) keep(ch, font.Ascii[ch]);
      for (const auto& [ch, glyph] : font.Chars) keep(ch, glyph);
    }
    for (auto& [desc, font] : fonts) store.Fonts.push_back(std::move(font));
    return store;
  }
};

namespace {

// dst + (src - dst) * coverage / 255 in every channel, rounded.
inline TPixel Blend(TPixel dst, TPixel src, unsigned coverage) {
  const unsigned inverse = 255 - coverage;
  TPixel out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const unsigned s = (src >> shift) & 0xFF;
    const unsigned d = (dst >> shift) & 0xFF;
    out |= static_cast<TPixel>((s * coverage + d * inverse + 127) / 255) << shift;
  }
  return out;
}

void BlendGlyph(TSurface& surface, const TRect& clip, int left, int top, const TGlyph& glyph, TPixel src) {
  const TRect box = Bounds(left, top, glyph.Width, glyph.Rows).Intersect(clip);
  if (box.IsEmpty()) return;
  for (int y = box.Top; y < box.Bottom; ++y) {
    const std::uint8_t* coverage = glyph.Coverage.data() + static_cast<size_t>(y - top) * glyph.Width;
    TPixel* row = surface.Row(y);
    for (int x = box.Left; x < box.Right; ++x) {
      const unsigned a = coverage[x - left];
      if (a == 0) continue;
      row[x] = a == 255 ? src : Blend(row[x], src, a);
    }
  }
}

void FillRows(TSurface& surface, const TRect& clip, const TRect& area, TPixel src) {
  const TRect box = area.Intersect(clip);
  for (int y = box.Top; y < box.Bottom; ++y) std::fill(surface.Row(y) + box.Left, surface.Row(y) + box.Right, src);
}

}  // namespace

TFontEngine& TFontEngine::Instance() {
  static TFontEngine engine;
  return engine;
}

TFontEngine::TFontEngine() : m_impl(std::make_unique<TImpl>()) {}
TFontEngine::~TFontEngine() = default;

const TTextMetrics& TFontEngine::Metrics(const TFontDesc& desc) { return m_impl->Font(desc).Metrics; }

int TFontEngine::TextWidth(const TFontDesc& desc, std::string_view utf8) {
  return m_impl->Width(m_impl->Font(desc), utf8);
}

TPoint TFontEngine::TextExtent(const TFontDesc& desc, std::string_view utf8) {
  TFontInstance& font = m_impl->Font(desc);
  return {m_impl->Width(font, utf8), font.Metrics.Height};
}

void TFontEngine::DrawText(TSurface& surface, const TRect& clip, int x, int y, const TFontDesc& desc,
                           std::string_view utf8, TColor color) {
  const TRect area = clip.Intersect(surface.BoundsRect());
  if (area.IsEmpty() || utf8.empty()) return;
  TFontInstance& font = m_impl->Font(desc);
  const TPixel src = PixelFromColor(color);
  const int baseline = y + font.Metrics.Ascent;
  int pen = x;
  for (size_t i = 0; i < utf8.size();) {
    const TGlyph& glyph = m_impl->Glyph(font, NextCodePoint(utf8, i));
    BlendGlyph(surface, area, pen + glyph.Left, baseline - glyph.Top, glyph, src);
    pen += glyph.Advance;
  }
  if (!font.HasFace) return;
  if (font.Desc.Underline) {
    const int top = baseline + font.Lines.UnderlineOffset;
    FillRows(surface, area, {x, top, pen, top + font.Lines.UnderlineThickness}, src);
  }
  if (font.Desc.StrikeOut) {
    const int top = baseline - font.Lines.StrikeOutOffset;
    FillRows(surface, area, {x, top, pen, top + font.Lines.StrikeOutThickness}, src);
  }
}

TFontFaceInfo TFontEngine::FaceInfo(const TFontDesc& desc) {
  TFontInstance& font = m_impl->Font(desc);
  TFontFaceInfo info;
  if (!m_impl->PrimaryFace(font)) return info;
  for (const auto& [key, face] : m_impl->Faces) {
    if (face.get() != font.Primary) continue;
    info.File = std::get<0>(key);
    info.FaceIndex = std::get<1>(key);
  }
  info.Family = font.Primary->Family();
  info.XPixelsPerEm = font.Primary->XPixelsPerEm();
  info.YPixelsPerEm = font.Primary->YPixelsPerEm();
  info.SyntheticBold = font.Primary->SyntheticBold();
  info.SyntheticItalic = font.Primary->SyntheticItalic();
  return info;
}

void TFontEngine::UseGlyphStore(const std::string& path, const std::string& stamp) { m_impl->UseStore(path, stamp); }

bool TFontEngine::SaveGlyphStore() {
  if (m_impl->StorePath.empty() || !m_impl->StoreChanged) return false;
  if (!WriteGlyphStore(m_impl->StorePath, m_impl->Snapshot())) return false;
  m_impl->StoreChanged = false;
  return true;
}

bool TFontEngine::HasGlyphStore() const { return !m_impl->StorePath.empty(); }

std::string TFontEngine::GlyphFamily(const TFontDesc& desc, char32_t ch) {
  TFontInstance& font = m_impl->Font(desc);
  if (!m_impl->PrimaryFace(font)) return {};
  TSizedFace* face = m_impl->FaceForChar(font, ch);
  if (face->GlyphIndex(ch) == 0) return {};
  return face->Family();
}
