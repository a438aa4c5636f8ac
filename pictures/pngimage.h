// PNG pictures: TPNGObject keeps a PNG datastream as its ordered list of chunks together with the
// decoded image, and draws that image with its transparency over what the canvas already holds.
//
//   TPngBuffer, TPngRaster   - zero-filled image buffers; the colour raster with its palette
//   TChunk                   - a chunk: type, raw data, owner; reading with CRC check, writing
//   chunk classes            - IHDR (owns the decoded image), IDAT (decodes), PLTE, tRNS, gAMA,
//                              pHYs, tIME, tEXt, zTXt, IEND
//   chunk-class registry     - type -> class, filled at start-up
//   TPNGList, TPNGObject     - the chunk list and the picture
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "framework/Graphics.h"
#include "framework/Streams.h"
#include "pictures/PngErrors.h"
#include "pictures/codec/PngFormat.h"

class TPNGObject;
class TChunkIHDR;

using TChunkName = std::array<char, 4>;

// The kind of transparency a picture draws with; derived from the header and tRNS, never stored.
enum TAlphaKind { akNone, akColorKey, akPerPixel };

struct TRGBQuad {
  std::uint8_t Blue = 0;
  std::uint8_t Green = 0;
  std::uint8_t Red = 0;
  std::uint8_t Reserved = 0;
  friend bool operator==(const TRGBQuad&, const TRGBQuad&) = default;
};

// A zero-filled byte buffer for image planes. The memory comes from calloc, which takes large
// blocks from the system already zeroed, so the pages of rows that no data reaches are never
// touched: a small file that declares a huge image costs address space, not memory.
class TPngBuffer {
 public:
  TPngBuffer() = default;
  // Raises EPNGOutMemory when the memory cannot be had or exceeds the image memory limit.
  explicit TPngBuffer(std::uint64_t size);
  TPngBuffer(const TPngBuffer& other);
  TPngBuffer& operator=(const TPngBuffer& other);
  TPngBuffer(TPngBuffer&&) noexcept = default;
  TPngBuffer& operator=(TPngBuffer&&) noexcept = default;

  std::uint8_t* Data() { return m_data.get(); }
  const std::uint8_t* Data() const { return m_data.get(); }
  std::size_t Size() const { return m_size; }
  bool Empty() const { return m_size == 0; }

 private:
  struct TFree {
    void operator()(std::uint8_t* p) const { std::free(p); }
  };
  std::unique_ptr<std::uint8_t[], TFree> m_data;
  std::size_t m_size = 0;
};

// The largest total of decoded planes one picture may allocate. The default, DefaultPngImageMemory,
// is far above any real picture (an 8192 x 8192 RGBA photograph takes a quarter of it) and far
// below what a tiny hostile file can declare (65535 x 65535 grey is four times it); a program that
// reads larger pictures raises it, one that reads untrusted input on a budget lowers it.
constexpr std::uint64_t DefaultPngImageMemory = std::uint64_t{1} << 30;
void SetPngImageMemoryLimit(std::uint64_t bytes);
std::uint64_t PngImageMemoryLimit();

// The decoded colour image: a device-independent bitmap, rows bottom-up, each row padded to a
// multiple of 4 bytes; 1, 4 or 8 bits per pixel with a palette, or 24 (bytes blue, green, red).
struct TPngRaster {
  int Width = 0;
  int Height = 0;
  int BitsPerPixel = 0;
  std::size_t RowBytes = 0;
  TPngBuffer Bits;
  std::array<TRGBQuad, 256> Palette{};
  int PaletteCount = 0;

  // Row r of the bitmap (0 is the bottom row).
  std::uint8_t* Row(int r) { return Bits.Data() + static_cast<std::size_t>(r) * RowBytes; }
  const std::uint8_t* Row(int r) const { return Bits.Data() + static_cast<std::size_t>(r) * RowBytes; }
  // Image row y counted from the top.
  std::uint8_t* ImageRow(int y) { return Row(Height - 1 - y); }
  const std::uint8_t* ImageRow(int y) const { return Row(Height - 1 - y); }
  bool Allocated() const { return !Bits.Empty(); }
};

// Row bytes of a bottom-up bitmap: ((bits per pixel x width + 31) div 32) x 4.
std::uint64_t RasterRowBytes(int bitsPerPixel, std::uint64_t width);

// --- Chunks ---------------------------------------------------------------------------------

class TChunk {
 public:
  explicit TChunk(TPNGObject& owner) : m_owner(&owner) {}
  virtual ~TChunk() = default;
  TChunk(const TChunk&) = delete;
  TChunk& operator=(const TChunk&) = delete;

  // The chunk type this class handles; a plain chunk keeps whatever type it was read with.
  virtual TChunkName TypeName() const { return m_name; }
  const TChunkName& Name() const { return m_name; }
  std::string NameText() const { return std::string(m_name.data(), m_name.size()); }
  void SetName(const TChunkName& name) { m_name = name; }
  const std::vector<std::uint8_t>& Data() const { return m_data; }
  std::size_t DataSize() const { return m_data.size(); }
  TPNGObject& Owner() const { return *m_owner; }

  // Copies type and data (and what the class keeps) from a chunk of the same class; another
  // class raises EPngError "The chunks must be compatible to be assigned.".
  virtual void Assign(const TChunk& source);
  // Reads the chunk whose type and data length have just been read; false stops the reading of
  // further chunks.
  virtual bool LoadFromStream(TStream& stream, const TChunkName& name, std::uint32_t size);
  // Writes length, type, data and a freshly computed CRC.
  virtual void SaveToStream(TStream& stream);
  // A new, empty chunk of the same class for another picture.
  virtual std::unique_ptr<TChunk> CreateEmpty(TPNGObject& owner) const { return std::make_unique<TChunk>(owner); }

 protected:
  // The base reading: sizes the data buffer, reads data and CRC, checks the CRC.
  void ReadData(TStream& stream, const TChunkName& name, std::uint32_t size);
  void WriteChunk(TStream& stream, const std::uint8_t* data, std::size_t size) const;
  void CheckCompatible(const TChunk& source) const;

  TChunkName m_name{};
  std::vector<std::uint8_t> m_data;

 private:
  TPNGObject* m_owner;
};

// The image header; owns the decoded image.
class TChunkIHDR : public TChunk {
 public:
  static constexpr TChunkName Type{'I', 'H', 'D', 'R'};
  explicit TChunkIHDR(TPNGObject& owner) : TChunk(owner) { m_name = Type; }
  TChunkName TypeName() const override { return Type; }
  void Assign(const TChunk& source) override;
  bool LoadFromStream(TStream& stream, const TChunkName& name, std::uint32_t size) override;
  void SaveToStream(TStream& stream) override;
  std::unique_ptr<TChunk> CreateEmpty(TPNGObject& owner) const override { return std::make_unique<TChunkIHDR>(owner); }

  std::uint32_t Width() const { return m_width; }
  std::uint32_t Height() const { return m_height; }
  std::uint8_t BitDepth() const { return m_bitDepth; }
  std::uint8_t ColorType() const { return m_colorType; }
  std::uint8_t CompressionMethod() const { return m_compression; }
  std::uint8_t FilterMethod() const { return m_filter; }
  std::uint8_t InterlaceMethod() const { return m_interlace; }
  // Sets every field and creates fresh zero-filled image buffers (as reading does).
  void SetHeader(std::uint32_t width, std::uint32_t height, std::uint8_t bitDepth, std::uint8_t colorType,
                 std::uint8_t interlace);

  // Whether the colour type and bit depth form a combination the PNG format allows.
  bool ValidFormat() const;
  // Raster bits per pixel for the format, 0 for a combination the format forbids.
  int RasterBitsPerPixel() const;
  bool HasAlphaPlane() const { return PngHasAlphaPlane(m_colorType); }

  TPngRaster& ColorRaster() { return m_raster; }
  const TPngRaster& ColorRaster() const { return m_raster; }
  // One byte per pixel, rows top-down; empty unless the colour type has alpha.
  TPngBuffer& AlphaPlane() { return m_alpha; }
  const TPngBuffer& AlphaPlane() const { return m_alpha; }
  // Bit depth 16 only: the low bytes of the samples, laid out like the raster.
  TPngBuffer& WideSamplePlane() { return m_wide; }
  const TPngBuffer& WideSamplePlane() const { return m_wide; }

  // Replaces the raster palette with a grey ramp of 2^bits entries through GammaLut.
  void BuildGreyRamp(int bits);

 private:
  void PrepareImage();

  std::uint32_t m_width = 0;
  std::uint32_t m_height = 0;
  std::uint8_t m_bitDepth = 0;
  std::uint8_t m_colorType = 0;
  std::uint8_t m_compression = 0;
  std::uint8_t m_filter = 0;
  std::uint8_t m_interlace = 0;
  TPngRaster m_raster;
  TPngBuffer m_alpha;
  TPngBuffer m_wide;
};

// Image data: reading decodes the image into the header chunk's buffers (consuming the IDAT
// chunks that directly follow); writing re-encodes the image.
class TChunkIDAT : public TChunk {
 public:
  static constexpr TChunkName Type{'I', 'D', 'A', 'T'};
  explicit TChunkIDAT(TPNGObject& owner) : TChunk(owner) { m_name = Type; }
  TChunkName TypeName() const override { return Type; }
  bool LoadFromStream(TStream& stream, const TChunkName& name, std::uint32_t size) override;
  void SaveToStream(TStream& stream) override;
  std::unique_ptr<TChunk> CreateEmpty(TPNGObject& owner) const override { return std::make_unique<TChunkIDAT>(owner); }
};

class TChunkPLTE : public TChunk {
 public:
  static constexpr TChunkName Type{'P', 'L', 'T', 'E'};
  explicit TChunkPLTE(TPNGObject& owner) : TChunk(owner) { m_name = Type; }
  TChunkName TypeName() const override { return Type; }
  void Assign(const TChunk& source) override;
  bool LoadFromStream(TStream& stream, const TChunkName& name, std::uint32_t size) override;
  std::unique_ptr<TChunk> CreateEmpty(TPNGObject& owner) const override { return std::make_unique<TChunkPLTE>(owner); }

  int Count() const { return m_count; }
  // Colour i as it was stored (before GammaLut).
  TRGBQuad Item(int i) const;

 private:
  int m_count = 0;
};

class TChunktRNS : public TChunk {
 public:
  static constexpr TChunkName Type{'t', 'R', 'N', 'S'};
  explicit TChunktRNS(TPNGObject& owner) : TChunk(owner) { m_name = Type; m_table.fill(255); }
  TChunkName TypeName() const override { return Type; }
  void Assign(const TChunk& source) override;
  bool LoadFromStream(TStream& stream, const TChunkName& name, std::uint32_t size) override;
  std::unique_ptr<TChunk> CreateEmpty(TPNGObject& owner) const override { return std::make_unique<TChunktRNS>(owner); }

  // 255 everywhere, the chunk's data over its start.
  const std::array<std::uint8_t, 256>& Table() const { return m_table; }
  // A 16-bit big-endian sample of the transparent colour (0 grey or red, 1 green, 2 blue).
  std::uint16_t Sample(int i) const;

 private:
  std::array<std::uint8_t, 256> m_table{};
};

class TChunkgAMA : public TChunk {
 public:
  static constexpr TChunkName Type{'g', 'A', 'M', 'A'};
  explicit TChunkgAMA(TPNGObject& owner) : TChunk(owner) { m_name = Type; }
  TChunkName TypeName() const override { return Type; }
  void Assign(const TChunk& source) override;
  bool LoadFromStream(TStream& stream, const TChunkName& name, std::uint32_t size) override;
  std::unique_ptr<TChunk> CreateEmpty(TPNGObject& owner) const override { return std::make_unique<TChunkgAMA>(owner); }

  // Gamma x 100000.
  std::uint32_t Gamma() const { return m_gamma; }

 private:
  std::uint32_t m_gamma = 0;
};

class TChunkpHYs : public TChunk {
 public:
  static constexpr TChunkName Type{'p', 'H', 'Y', 's'};
  explicit TChunkpHYs(TPNGObject& owner) : TChunk(owner) { m_name = Type; }
  TChunkName TypeName() const override { return Type; }
  void Assign(const TChunk& source) override;
  bool LoadFromStream(TStream& stream, const TChunkName& name, std::uint32_t size) override;
  std::unique_ptr<TChunk> CreateEmpty(TPNGObject& owner) const override { return std::make_unique<TChunkpHYs>(owner); }

  std::uint32_t PPUnitX() const { return m_ppUnitX; }
  std::uint32_t PPUnitY() const { return m_ppUnitY; }
  std::uint8_t Unit() const { return m_unit; }

 private:
  std::uint32_t m_ppUnitX = 0;
  std::uint32_t m_ppUnitY = 0;
  std::uint8_t m_unit = 0;
};

class TChunktIME : public TChunk {
 public:
  static constexpr TChunkName Type{'t', 'I', 'M', 'E'};
  explicit TChunktIME(TPNGObject& owner) : TChunk(owner) { m_name = Type; }
  TChunkName TypeName() const override { return Type; }
  void Assign(const TChunk& source) override;
  bool LoadFromStream(TStream& stream, const TChunkName& name, std::uint32_t size) override;
  std::unique_ptr<TChunk> CreateEmpty(TPNGObject& owner) const override { return std::make_unique<TChunktIME>(owner); }

  int Year() const { return m_year; }
  int Month() const { return m_month; }
  int Day() const { return m_day; }
  int Hour() const { return m_hour; }
  int Minute() const { return m_minute; }
  int Second() const { return m_second; }

 private:
  int m_year = 0, m_month = 0, m_day = 0, m_hour = 0, m_minute = 0, m_second = 0;
};

class TChunktEXt : public TChunk {
 public:
  static constexpr TChunkName Type{'t', 'E', 'X', 't'};
  explicit TChunktEXt(TPNGObject& owner) : TChunk(owner) { m_name = Type; }
  TChunkName TypeName() const override { return Type; }
  void Assign(const TChunk& source) override;
  bool LoadFromStream(TStream& stream, const TChunkName& name, std::uint32_t size) override;
  std::unique_ptr<TChunk> CreateEmpty(TPNGObject& owner) const override { return std::make_unique<TChunktEXt>(owner); }

  const std::string& Keyword() const { return m_keyword; }
  const std::string& Text() const { return m_text; }

 protected:
  std::string m_keyword;
  std::string m_text;
};

class TChunkzTXt : public TChunktEXt {
 public:
  static constexpr TChunkName Type{'z', 'T', 'X', 't'};
  // The decompressed text of all zTXt chunks of one picture together; text beyond it is dropped
  // (a small chunk can inflate enormously, and a file can hold thousands of them).
  static constexpr std::size_t MaxTextBytes = 1 << 20;
  explicit TChunkzTXt(TPNGObject& owner) : TChunktEXt(owner) { m_name = Type; }
  TChunkName TypeName() const override { return Type; }
  bool LoadFromStream(TStream& stream, const TChunkName& name, std::uint32_t size) override;
  std::unique_ptr<TChunk> CreateEmpty(TPNGObject& owner) const override { return std::make_unique<TChunkzTXt>(owner); }
};

class TChunkIEND : public TChunk {
 public:
  static constexpr TChunkName Type{'I', 'E', 'N', 'D'};
  explicit TChunkIEND(TPNGObject& owner) : TChunk(owner) { m_name = Type; }
  TChunkName TypeName() const override { return Type; }
  std::unique_ptr<TChunk> CreateEmpty(TPNGObject& owner) const override { return std::make_unique<TChunkIEND>(owner); }
};

// --- The chunk-class registry ---------------------------------------------------------------

using TChunkFactory = std::unique_ptr<TChunk> (*)(TPNGObject& owner);

void RegisterChunk(const TChunkName& type, TChunkFactory factory);
template <class TChunkClass>
void RegisterChunk() {
  RegisterChunk(TChunkClass::Type, [](TPNGObject& owner) -> std::unique_ptr<TChunk> {
    return std::make_unique<TChunkClass>(owner);
  });
}
// Registers the chunk classes of this module in their fixed order (once; again after removal).
void RegisterChunkClasses();
void UnregisterChunkClasses();
// A chunk of the class registered for `type`, a plain TChunk when there is none.
std::unique_ptr<TChunk> CreateChunk(TPNGObject& owner, const TChunkName& type);
bool ChunkClassRegistered(const TChunkName& type);

// --- The picture ----------------------------------------------------------------------------

// The ordered chunk list; owns its chunks.
class TPNGList {
 public:
  int Count() const { return static_cast<int>(m_items.size()); }
  TChunk& Item(int i) const { return *m_items[static_cast<std::size_t>(i)]; }
  TChunk& Add(std::unique_ptr<TChunk> chunk);
  void Clear() { m_items.clear(); }
  // The first chunk of the type, null when there is none.
  TChunk* Find(const TChunkName& type) const;
  template <class TChunkClass>
  TChunkClass* FindChunk() const {
    return dynamic_cast<TChunkClass*>(Find(TChunkClass::Type));
  }

 private:
  std::vector<std::unique_ptr<TChunk>> m_items;
};

class TPNGObject : public TGraphic {
 public:
  TPNGObject();
  ~TPNGObject() override;
  // Chunks point at their picture, so a picture is copied only through Assign or Clone.
  TPNGObject(const TPNGObject&) = delete;
  TPNGObject& operator=(const TPNGObject&) = delete;

  const char* ClassName() const override { return "TPNGObject"; }
  int Width() const override;
  int Height() const override;
  bool Empty() const override { return m_chunks.Count() == 0; }
  void Draw(TCanvas& canvas, const TRect& rect) override;
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;
  std::unique_ptr<TGraphic> Clone() const override;

  // AlphaKind() != akNone (the stored transparent switch does not affect drawing).
  bool Transparent() const override { return AlphaKind() != akNone; }
  // From a TPNGObject a deep copy chunk by chunk; from a TBitmap a conversion; from null cleared.
  void Assign(const TGraphic* source);
  // Resets the gamma tables to the identity and destroys all chunks.
  void Clear();
  // The image as 0xAARRGGBB pixels with the alpha drawing composes with (255 for akNone, 0 or
  // 255 for akColorKey); empty without a decoded image.
  TSurface PixelsWithAlpha() const;

  TPNGList& Chunks() { return m_chunks; }
  const TPNGList& Chunks() const { return m_chunks; }
  // The header chunk; EPNGHeaderNotPresent when the list does not start with one.
  TChunkIHDR& Header() const;
  bool HasHeader() const;

  TAlphaKind AlphaKind() const;
  // The colour drawn transparent by akColorKey (0x00BBGGRR).
  TColor KeyColor() const;

  const std::array<std::uint8_t, 256>& GammaLut() const { return m_gammaLut; }
  const std::array<std::uint8_t, 256>& InverseGammaLut() const { return m_inverseGammaLut; }
  bool GammaIsIdentity() const { return m_gammaIdentity; }
  // Rebuilds both tables for gamma x 100000 = g (g = 0 changes nothing).
  void SetGamma(std::uint32_t g);
  // What is left of the picture's budget for decompressed text (TChunkzTXt::MaxTextBytes), and
  // taking from it.
  std::size_t TextBudget() const { return m_textBudget; }
  void SpendTextBudget(std::size_t bytes) { m_textBudget -= std::min(bytes, m_textBudget); }

 private:
  void ResetGamma();
  void ReadChunks(TStream& stream);
  void AssignFromBitmap(const class TBitmap& bitmap);

  TPNGList m_chunks;
  std::array<std::uint8_t, 256> m_gammaLut{};
  std::array<std::uint8_t, 256> m_inverseGammaLut{};
  bool m_gammaIdentity = true;
  std::size_t m_textBudget = TChunkzTXt::MaxTextBytes;
};

// CRC-32 of a chunk (over its type and data).
std::uint32_t ChunkCrc(const TChunkName& type, const std::uint8_t* data, std::size_t size);
