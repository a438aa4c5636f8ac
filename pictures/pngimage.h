// PNG pictures: TPNGObject keeps a PNG datastream as its ordered list of chunks together with the
// image the codec decoded from it, and draws that image with its transparency over what the
// canvas already holds. The codec (pictures/codec) reads and decodes; the classes here hold the
// chunks as objects of the class library, write them back and draw.
//
//   TChunk                   - a chunk: type, raw data, owner; its fields parsed from the data
//   chunk classes            - IHDR, IDAT, PLTE, tRNS, gAMA, pHYs, tIME, tEXt, zTXt, IEND
//   chunk-class registry     - type -> class, filled at start-up
//   TPNGList, TPNGObject     - the chunk list and the picture
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/Graphics.h"
#include "framework/Streams.h"
#include "pictures/PngErrors.h"
#include "pictures/codec/PngFormat.h"
#include "pictures/codec/PngImage.h"
#include "pictures/codec/PngReader.h"

class TPNGObject;
class TChunkIHDR;

using TChunkName = TPngChunkType;

// The kind of transparency a picture draws with; derived from the header and tRNS, never stored.
enum TAlphaKind { akNone, akColorKey, akPerPixel };

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
  // Reads the chunk whose type and data length have just been read (data and CRC, checked) and
  // takes its fields from the data; false stops the reading of further chunks.
  virtual bool LoadFromStream(TStream& stream, const TChunkName& name, std::uint32_t size);
  // Takes the data of a chunk the codec has read, and the fields the class keeps from it.
  void SetData(std::vector<std::uint8_t> data);
  // Writes length, type, data and a freshly computed CRC.
  virtual void SaveToStream(TStream& stream);
  // A new, empty chunk of the same class for another picture.
  virtual std::unique_ptr<TChunk> CreateEmpty(TPNGObject& owner) const { return std::make_unique<TChunk>(owner); }

 protected:
  // Takes the class's own fields from m_data (nothing for a plain chunk).
  virtual void Loaded() {}
  void WriteChunk(TStream& stream, const std::uint8_t* data, std::size_t size) const;
  void CheckCompatible(const TChunk& source) const;

  TChunkName m_name{};
  std::vector<std::uint8_t> m_data;

 private:
  TPNGObject* m_owner;
};

// The image header. The first header of a picture describes its image, whose planes it shows.
class TChunkIHDR : public TChunk {
 public:
  static constexpr TChunkName Type = PngHeaderType;
  explicit TChunkIHDR(TPNGObject& owner) : TChunk(owner) { m_name = Type; }
  TChunkName TypeName() const override { return Type; }
  void Assign(const TChunk& source) override;
  void SaveToStream(TStream& stream) override;
  std::unique_ptr<TChunk> CreateEmpty(TPNGObject& owner) const override { return std::make_unique<TChunkIHDR>(owner); }

  std::uint32_t Width() const { return m_header.Width; }
  std::uint32_t Height() const { return m_header.Height; }
  std::uint8_t BitDepth() const { return m_header.BitDepth; }
  std::uint8_t ColorType() const { return m_header.ColorType; }
  std::uint8_t CompressionMethod() const { return m_header.Compression; }
  std::uint8_t FilterMethod() const { return m_header.Filter; }
  std::uint8_t InterlaceMethod() const { return m_header.Interlace; }
  // Sets every field and gives the picture fresh zero-filled image planes (as reading does).
  void SetHeader(std::uint32_t width, std::uint32_t height, std::uint8_t bitDepth, std::uint8_t colorType,
                 std::uint8_t interlace);

  // Whether the colour type and bit depth form a combination the PNG format allows.
  bool ValidFormat() const { return m_header.ValidFormat(); }
  // Raster bits per pixel for the format, 0 for a combination the format forbids.
  int RasterBitsPerPixel() const { return m_header.RasterBitsPerPixel(); }
  bool HasAlphaPlane() const { return m_header.HasAlphaPlane(); }

  // The picture's decoded planes.
  TPngRaster& ColorRaster();
  const TPngRaster& ColorRaster() const;
  // One byte per pixel, rows top-down; empty unless the colour type has alpha.
  TPngBuffer& AlphaPlane();
  const TPngBuffer& AlphaPlane() const;
  // Bit depth 16 only: the low bytes of the samples, laid out like the raster.
  TPngBuffer& WideSamplePlane();
  const TPngBuffer& WideSamplePlane() const;

 protected:
  void Loaded() override;

 private:
  TPngHeader m_header;
};

// Image data: the codec decodes it into the picture's image (with the IDAT chunks that directly
// follow), so the chunk keeps nothing; writing re-encodes the image.
class TChunkIDAT : public TChunk {
 public:
  static constexpr TChunkName Type = PngImageDataType;
  explicit TChunkIDAT(TPNGObject& owner) : TChunk(owner) { m_name = Type; }
  TChunkName TypeName() const override { return Type; }
  void SaveToStream(TStream& stream) override;
  std::unique_ptr<TChunk> CreateEmpty(TPNGObject& owner) const override { return std::make_unique<TChunkIDAT>(owner); }
};

class TChunkPLTE : public TChunk {
 public:
  static constexpr TChunkName Type = PngPaletteType;
  explicit TChunkPLTE(TPNGObject& owner) : TChunk(owner) { m_name = Type; }
  TChunkName TypeName() const override { return Type; }
  void Assign(const TChunk& source) override;
  std::unique_ptr<TChunk> CreateEmpty(TPNGObject& owner) const override { return std::make_unique<TChunkPLTE>(owner); }

  int Count() const { return m_count; }
  // Colour i as it was stored (before GammaLut).
  TRGBQuad Item(int i) const;

 protected:
  void Loaded() override;

 private:
  int m_count = 0;
};

class TChunktRNS : public TChunk {
 public:
  static constexpr TChunkName Type = PngTransparencyType;
  explicit TChunktRNS(TPNGObject& owner) : TChunk(owner) {
    m_name = Type;
    m_table.fill(255);
  }
  TChunkName TypeName() const override { return Type; }
  void Assign(const TChunk& source) override;
  std::unique_ptr<TChunk> CreateEmpty(TPNGObject& owner) const override { return std::make_unique<TChunktRNS>(owner); }

  // 255 everywhere, the chunk's data over its start.
  const std::array<std::uint8_t, 256>& Table() const { return m_table; }
  // A 16-bit big-endian sample of the transparent colour (0 grey or red, 1 green, 2 blue).
  std::uint16_t Sample(int i) const;

 protected:
  void Loaded() override;

 private:
  std::array<std::uint8_t, 256> m_table{};
};

class TChunkgAMA : public TChunk {
 public:
  static constexpr TChunkName Type = PngGammaType;
  explicit TChunkgAMA(TPNGObject& owner) : TChunk(owner) { m_name = Type; }
  TChunkName TypeName() const override { return Type; }
  void Assign(const TChunk& source) override;
  std::unique_ptr<TChunk> CreateEmpty(TPNGObject& owner) const override { return std::make_unique<TChunkgAMA>(owner); }

  // Gamma x 100000.
  std::uint32_t Gamma() const { return m_gamma; }

 protected:
  void Loaded() override;

 private:
  std::uint32_t m_gamma = 0;
};

class TChunkpHYs : public TChunk {
 public:
  static constexpr TChunkName Type{'p', 'H', 'Y', 's'};
  explicit TChunkpHYs(TPNGObject& owner) : TChunk(owner) { m_name = Type; }
  TChunkName TypeName() const override { return Type; }
  void Assign(const TChunk& source) override;
  std::unique_ptr<TChunk> CreateEmpty(TPNGObject& owner) const override { return std::make_unique<TChunkpHYs>(owner); }

  std::uint32_t PPUnitX() const { return m_ppUnitX; }
  std::uint32_t PPUnitY() const { return m_ppUnitY; }
  std::uint8_t Unit() const { return m_unit; }

 protected:
  void Loaded() override;

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
  std::unique_ptr<TChunk> CreateEmpty(TPNGObject& owner) const override { return std::make_unique<TChunktIME>(owner); }

  int Year() const { return m_year; }
  int Month() const { return m_month; }
  int Day() const { return m_day; }
  int Hour() const { return m_hour; }
  int Minute() const { return m_minute; }
  int Second() const { return m_second; }

 protected:
  void Loaded() override;

 private:
  int m_year = 0, m_month = 0, m_day = 0, m_hour = 0, m_minute = 0, m_second = 0;
};

class TChunktEXt : public TChunk {
 public:
  static constexpr TChunkName Type{'t', 'E', 'X', 't'};
  explicit TChunktEXt(TPNGObject& owner) : TChunk(owner) { m_name = Type; }
  TChunkName TypeName() const override { return Type; }
  void Assign(const TChunk& source) override;
  std::unique_ptr<TChunk> CreateEmpty(TPNGObject& owner) const override { return std::make_unique<TChunktEXt>(owner); }

  const std::string& Keyword() const { return m_keyword; }
  const std::string& Text() const { return m_text; }

 protected:
  void Loaded() override;

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
  std::unique_ptr<TChunk> CreateEmpty(TPNGObject& owner) const override { return std::make_unique<TChunkzTXt>(owner); }

 protected:
  void Loaded() override;
};

class TChunkIEND : public TChunk {
 public:
  static constexpr TChunkName Type = PngEndType;
  explicit TChunkIEND(TPNGObject& owner) : TChunk(owner) { m_name = Type; }
  TChunkName TypeName() const override { return Type; }
  std::unique_ptr<TChunk> CreateEmpty(TPNGObject& owner) const override { return std::make_unique<TChunkIEND>(owner); }
};

// --- The chunk-class registry ---------------------------------------------------------------

using TChunkFactory = std::unique_ptr<TChunk> (*)(TPNGObject& owner);

void RegisterChunk(const TChunkName& type, TChunkFactory factory);
template <class TChunkClass>
void RegisterChunk() {
  RegisterChunk(TChunkClass::Type,
                [](TPNGObject& owner) -> std::unique_ptr<TChunk> { return std::make_unique<TChunkClass>(owner); });
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
  // Clears the image (the gamma tables back to the identity) and destroys all chunks.
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

  // The decoded image.
  TPngImage& Image() { return m_image; }
  const TPngImage& Image() const { return m_image; }
  const std::array<std::uint8_t, 256>& GammaLut() const { return m_image.GammaLut(); }
  const std::array<std::uint8_t, 256>& InverseGammaLut() const { return m_image.InverseGammaLut(); }
  bool GammaIsIdentity() const { return m_image.GammaIsIdentity(); }
  // Rebuilds both tables for gamma x 100000 = g (g = 0 changes nothing).
  void SetGamma(std::uint32_t g) { m_image.SetGamma(g); }
  // What is left of the picture's budget for decompressed text (TChunkzTXt::MaxTextBytes), and
  // taking from it.
  std::size_t TextBudget() const { return m_textBudget; }
  void SpendTextBudget(std::size_t bytes) { m_textBudget -= std::min(bytes, m_textBudget); }

 private:
  class TChunkSink;
  void ReadChunks(TStream& stream);
  void AssignFromBitmap(const class TBitmap& bitmap);

  TPNGList m_chunks;
  TPngImage m_image;
  std::size_t m_textBudget = TChunkzTXt::MaxTextBytes;
};
