// TPNGObject and its chunk classes: reading chunk by chunk, writing back, copying.
//
//   errors and buffers      - inflate result texts, TPngBuffer, the image memory limit
//   chunk-class registry    - RegisterChunk, CreateChunk
//   TChunk                  - base reading (data + CRC), writing, copying
//   chunk classes           - IHDR, PLTE, tRNS, gAMA, pHYs, tIME, tEXt, zTXt
//   TPNGObject              - loading, saving, copying, AlphaKind, KeyColor, gamma tables
#include "pictures/pngimage.h"

#include <zlib.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <typeinfo>

#include "base/ByteOrder.h"
#include "framework/Bitmap.h"
#include "pictures/codec/PngFormat.h"

namespace {

constexpr std::uint8_t PngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr TChunkName ChrmType{'c', 'H', 'R', 'M'};

std::uint64_t g_imageMemoryLimit = DefaultPngImageMemory;

// The chunk classes in registration order.
struct TChunkClassEntry {
  TChunkName Type;
  TChunkFactory Factory;
};
std::vector<TChunkClassEntry>& ChunkRegistry() {
  static std::vector<TChunkClassEntry> registry;
  return registry;
}

// A colour cube of 6 levels per channel followed by a grey ramp: the palette an indexed picture
// shows before its PLTE chunk arrives.
std::array<TRGBQuad, 256> HalftonePalette() {
  std::array<TRGBQuad, 256> palette{};
  int i = 0;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        palette[i++] = {static_cast<std::uint8_t>(b * 51), static_cast<std::uint8_t>(g * 51),
                        static_cast<std::uint8_t>(r * 51), 0};
  for (int k = 0; i < 256; ++i, ++k) {
    const auto v = static_cast<std::uint8_t>((k + 1) * 255 / 41);
    palette[i] = {v, v, v, 0};
  }
  return palette;
}

}  // namespace

// --- Errors and buffers -----------------------------------------------------------------------

std::string InflateResultText(int code) {
  switch (code) {
    case Z_VERSION_ERROR: return "incompatible version (-6)";
    case Z_BUF_ERROR: return "buffer error (-5)";
    case Z_MEM_ERROR: return "insufficient memory (-4)";
    case Z_DATA_ERROR: return "data error (-3)";
    case Z_STREAM_ERROR: return "stream error (-2)";
    case Z_ERRNO: return "file error (-1)";
    case Z_OK: return "(0)";
    case Z_STREAM_END: return "stream end (1)";
    case Z_NEED_DICT: return "need dictionary (2)";
    default: return "(" + std::to_string(code) + ")";
  }
}

void RaiseInflateError(int code) {
  throw EPNGZLIBError(std::string(PngMessages::ZLIBError) + "\r\n Description: " + InflateResultText(code));
}

void SetPngImageMemoryLimit(std::uint64_t bytes) { g_imageMemoryLimit = bytes; }
std::uint64_t PngImageMemoryLimit() { return g_imageMemoryLimit; }

TPngBuffer::TPngBuffer(std::uint64_t size) {
  if (size == 0) return;
  if (size > g_imageMemoryLimit || size > std::numeric_limits<std::size_t>::max() / 2)
    throw EPNGOutMemory(PngMessages::OutMemory);
  const auto bytes = static_cast<std::size_t>(size);
  auto* p = static_cast<std::uint8_t*>(std::calloc(bytes, 1));
  if (p == nullptr) throw EPNGOutMemory(PngMessages::OutMemory);
  m_data.reset(p);
  m_size = static_cast<std::size_t>(size);
}

TPngBuffer::TPngBuffer(const TPngBuffer& other) : TPngBuffer(other.m_size) {
  if (m_size != 0) std::memcpy(m_data.get(), other.m_data.get(), m_size);
}

TPngBuffer& TPngBuffer::operator=(const TPngBuffer& other) {
  if (this != &other) *this = TPngBuffer(other);
  return *this;
}

std::uint64_t RasterRowBytes(int bitsPerPixel, std::uint64_t width) {
  return ((static_cast<std::uint64_t>(bitsPerPixel) * width + 31) / 32) * 4;
}

std::uint32_t ChunkCrc(const TChunkName& type, const std::uint8_t* data, std::size_t size) {
  uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(type.data()), 4);
  while (size > 0) {
    const uInt n = static_cast<uInt>(std::min<std::size_t>(size, 1u << 30));
    crc = crc32(crc, data, n);
    data += n;
    size -= n;
  }
  return static_cast<std::uint32_t>(crc);
}

// --- The chunk-class registry -----------------------------------------------------------------

void RegisterChunk(const TChunkName& type, TChunkFactory factory) {
  for (auto& entry : ChunkRegistry())
    if (entry.Type == type) {
      entry.Factory = factory;
      return;
    }
  ChunkRegistry().push_back({type, factory});
}

void RegisterChunkClasses() {
  if (!ChunkRegistry().empty()) return;
  RegisterChunk<TChunkIEND>();
  RegisterChunk<TChunkIHDR>();
  RegisterChunk<TChunkIDAT>();
  RegisterChunk<TChunkPLTE>();
  RegisterChunk<TChunkgAMA>();
  RegisterChunk<TChunktRNS>();
  RegisterChunk<TChunkpHYs>();
  RegisterChunk<TChunktIME>();
  RegisterChunk<TChunktEXt>();
  RegisterChunk<TChunkzTXt>();
}

void UnregisterChunkClasses() { ChunkRegistry().clear(); }

bool ChunkClassRegistered(const TChunkName& type) {
  for (const auto& entry : ChunkRegistry())
    if (entry.Type == type) return true;
  return false;
}

std::unique_ptr<TChunk> CreateChunk(TPNGObject& owner, const TChunkName& type) {
  for (const auto& entry : ChunkRegistry())
    if (entry.Type == type) return entry.Factory(owner);
  auto chunk = std::make_unique<TChunk>(owner);
  chunk->SetName(type);
  return chunk;
}

// --- TChunk -----------------------------------------------------------------------------------

void TChunk::CheckCompatible(const TChunk& source) const {
  if (typeid(source) != typeid(*this)) throw EPngError(PngMessages::ChunksNotCompatible);
}

void TChunk::Assign(const TChunk& source) {
  CheckCompatible(source);
  m_name = source.m_name;
  m_data = source.m_data;
}

void TChunk::ReadData(TStream& stream, const TChunkName& name, std::uint32_t size) {
  m_name = name;
  // The data and its CRC must be in the stream before a buffer is sized for them.
  if (static_cast<std::int64_t>(size) + 4 > stream.Remaining()) throw EPngUnexpectedEnd(PngMessages::UnexpectedEnd);
  m_data.resize(size);
  stream.ReadBuffer(m_data.data(), size);
  std::uint8_t crc[4];
  stream.ReadBuffer(crc, 4);
  if (ReadBigEndian32(crc) != ChunkCrc(name, m_data.data(), m_data.size()))
    throw EPngInvalidCRC(PngMessages::InvalidCRC);
}

bool TChunk::LoadFromStream(TStream& stream, const TChunkName& name, std::uint32_t size) {
  ReadData(stream, name, size);
  return true;
}

void TChunk::WriteChunk(TStream& stream, const std::uint8_t* data, std::size_t size) const {
  const TChunkName type = TypeName();
  std::uint8_t head[8];
  WriteBigEndian32(head, static_cast<std::uint32_t>(size));
  std::memcpy(head + 4, type.data(), 4);
  stream.WriteBuffer(head, 8);
  stream.WriteBuffer(data, size);
  std::uint8_t crc[4];
  WriteBigEndian32(crc, ChunkCrc(type, data, size));
  stream.WriteBuffer(crc, 4);
}

void TChunk::SaveToStream(TStream& stream) { WriteChunk(stream, m_data.data(), m_data.size()); }

// --- IHDR -------------------------------------------------------------------------------------

bool TChunkIHDR::ValidFormat() const { return RasterBitsPerPixel() != 0; }

int TChunkIHDR::RasterBitsPerPixel() const { return PngRasterBitsPerPixel(m_colorType, m_bitDepth); }

void TChunkIHDR::Assign(const TChunk& source) {
  TChunk::Assign(source);
  const auto& s = static_cast<const TChunkIHDR&>(source);
  m_width = s.m_width;
  m_height = s.m_height;
  m_bitDepth = s.m_bitDepth;
  m_colorType = s.m_colorType;
  m_compression = s.m_compression;
  m_filter = s.m_filter;
  m_interlace = s.m_interlace;
  m_raster = s.m_raster;
  m_alpha = s.m_alpha;
  m_wide = s.m_wide;
}

bool TChunkIHDR::LoadFromStream(TStream& stream, const TChunkName& name, std::uint32_t size) {
  ReadData(stream, name, size);
  if (m_data.size() < 13) throw EPngInvalidIHDR(PngMessages::InvalidIHDR);
  const std::uint8_t* d = m_data.data();
  m_width = ReadBigEndian32(d);
  m_height = ReadBigEndian32(d + 4);
  m_bitDepth = d[8];
  m_colorType = d[9];
  m_compression = d[10];
  m_filter = d[11];
  m_interlace = d[12];
  if (m_width > 65535 || m_height > 65535) throw EPNGSizeExceeds(PngMessages::SizeExceeds);
  if (m_compression != 0) throw EPNGUnknownCompression(PngMessages::UnknownCompression);
  if (m_interlace > 1) throw EPNGUnknownInterlace(PngMessages::UnknownInterlace);
  // The picture has one image: the first header's. A later header is kept as a chunk only.
  const TPNGList& chunks = Owner().Chunks();
  if (chunks.Count() > 0 && &chunks.Item(0) == this) PrepareImage();
  return true;
}

void TChunkIHDR::SetHeader(std::uint32_t width, std::uint32_t height, std::uint8_t bitDepth, std::uint8_t colorType,
                           std::uint8_t interlace) {
  if (width > 65535 || height > 65535) throw EPNGSizeExceeds(PngMessages::SizeExceeds);
  m_width = width;
  m_height = height;
  m_bitDepth = bitDepth;
  m_colorType = colorType;
  m_compression = 0;
  m_filter = 0;
  m_interlace = interlace;
  m_data.assign(13, 0);
  WriteBigEndian32(m_data.data(), width);
  WriteBigEndian32(m_data.data() + 4, height);
  m_data[8] = bitDepth;
  m_data[9] = colorType;
  m_data[12] = interlace;
  PrepareImage();
}

void TChunkIHDR::PrepareImage() {
  m_raster = TPngRaster{};
  m_alpha = TPngBuffer{};
  m_wide = TPngBuffer{};
  const int bpp = RasterBitsPerPixel();
  if (bpp == 0) return;  // a forbidden combination: decoding refuses it
  const std::uint64_t rowBytes = RasterRowBytes(bpp, m_width);
  const std::uint64_t rasterBytes = rowBytes * m_height;
  const std::uint64_t alphaBytes = HasAlphaPlane() ? std::uint64_t{m_width} * m_height : 0;
  const std::uint64_t wideBytes = m_bitDepth == 16 ? rasterBytes : 0;
  if (rasterBytes + alphaBytes + wideBytes > PngImageMemoryLimit()) throw EPNGOutMemory(PngMessages::OutMemory);
  m_raster.Width = static_cast<int>(m_width);
  m_raster.Height = static_cast<int>(m_height);
  m_raster.BitsPerPixel = bpp;
  m_raster.RowBytes = static_cast<std::size_t>(rowBytes);
  m_raster.Bits = TPngBuffer(rasterBytes);
  m_alpha = TPngBuffer(alphaBytes);
  m_wide = TPngBuffer(wideBytes);
  if (m_colorType == ctIndexed) {
    m_raster.Palette = HalftonePalette();
    m_raster.PaletteCount = 1 << bpp;
  } else if (m_colorType == ctGreyscale || m_colorType == ctGreyscaleAlpha) {
    BuildGreyRamp(m_bitDepth == bd16 ? 8 : m_bitDepth);
    m_raster.PaletteCount = 1 << bpp;
  }
}

void TChunkIHDR::BuildGreyRamp(int bits) {
  const auto& lut = Owner().GammaLut();
  const int entries = 1 << bits;
  m_raster.Palette.fill({});
  for (int k = 0; k < entries; ++k) {
    // 255 is divisible by 2^bits - 1 for 1, 2, 4 and 8 bits, so the level is exact.
    const std::uint8_t v = lut[static_cast<std::size_t>(k * 255 / (entries - 1))];
    m_raster.Palette[static_cast<std::size_t>(k)] = {v, v, v, 0};
  }
  if (m_raster.BitsPerPixel > 0) m_raster.PaletteCount = 1 << m_raster.BitsPerPixel;
}

void TChunkIHDR::SaveToStream(TStream& stream) {
  std::uint8_t d[13];
  WriteBigEndian32(d, m_width);
  WriteBigEndian32(d + 4, m_height);
  d[8] = m_bitDepth;
  d[9] = m_colorType;
  d[10] = m_compression;
  d[11] = m_filter;
  d[12] = m_interlace;
  WriteChunk(stream, d, sizeof d);
}

// --- PLTE, tRNS, gAMA, pHYs, tIME, tEXt, zTXt -------------------------------------------------

void TChunkPLTE::Assign(const TChunk& source) {
  TChunk::Assign(source);
  m_count = static_cast<const TChunkPLTE&>(source).m_count;
}

bool TChunkPLTE::LoadFromStream(TStream& stream, const TChunkName& name, std::uint32_t size) {
  ReadData(stream, name, size);
  if (m_data.size() % 3 != 0 || m_data.size() / 3 > 256) throw EPNGInvalidPalette(PngMessages::InvalidPalette);
  m_count = static_cast<int>(m_data.size() / 3);
  TPNGObject& owner = Owner();
  if (owner.HasHeader() && owner.Header().ColorType() == ctIndexed) {
    auto& raster = owner.Header().ColorRaster();
    const auto& lut = owner.GammaLut();
    for (int i = 0; i < m_count; ++i) {
      const TRGBQuad c = Item(i);
      raster.Palette[static_cast<std::size_t>(i)] = {lut[c.Blue], lut[c.Green], lut[c.Red], 0};
    }
  }
  return true;
}

TRGBQuad TChunkPLTE::Item(int i) const {
  if (i < 0 || i >= m_count) throw EPngError(PngMessages::NoSuchPaletteEntry);
  const std::uint8_t* p = m_data.data() + static_cast<std::size_t>(i) * 3;
  return {p[2], p[1], p[0], 0};
}

void TChunktRNS::Assign(const TChunk& source) {
  TChunk::Assign(source);
  m_table = static_cast<const TChunktRNS&>(source).m_table;
}

bool TChunktRNS::LoadFromStream(TStream& stream, const TChunkName& name, std::uint32_t size) {
  ReadData(stream, name, size);
  if (m_data.size() > 256) throw EPNGInvalidPalette(PngMessages::InvalidPalette);
  m_table.fill(255);
  std::copy(m_data.begin(), m_data.end(), m_table.begin());
  return true;
}

std::uint16_t TChunktRNS::Sample(int i) const {
  const std::size_t at = static_cast<std::size_t>(i) * 2;
  if (i < 0 || at + 1 >= 256) return 0;
  return static_cast<std::uint16_t>((m_table[at] << 8) | m_table[at + 1]);
}

void TChunkgAMA::Assign(const TChunk& source) {
  TChunk::Assign(source);
  m_gamma = static_cast<const TChunkgAMA&>(source).m_gamma;
}

bool TChunkgAMA::LoadFromStream(TStream& stream, const TChunkName& name, std::uint32_t size) {
  ReadData(stream, name, size);
  if (m_data.size() >= 4) {
    m_gamma = ReadBigEndian32(m_data.data());
    Owner().SetGamma(m_gamma);
  }
  return true;
}

void TChunkpHYs::Assign(const TChunk& source) {
  TChunk::Assign(source);
  const auto& s = static_cast<const TChunkpHYs&>(source);
  m_ppUnitX = s.m_ppUnitX;
  m_ppUnitY = s.m_ppUnitY;
  m_unit = s.m_unit;
}

bool TChunkpHYs::LoadFromStream(TStream& stream, const TChunkName& name, std::uint32_t size) {
  ReadData(stream, name, size);
  if (m_data.size() == 9) {
    m_ppUnitX = ReadBigEndian32(m_data.data());
    m_ppUnitY = ReadBigEndian32(m_data.data() + 4);
    m_unit = m_data[8];
  }
  return true;
}

void TChunktIME::Assign(const TChunk& source) {
  TChunk::Assign(source);
  const auto& s = static_cast<const TChunktIME&>(source);
  m_year = s.m_year;
  m_month = s.m_month;
  m_day = s.m_day;
  m_hour = s.m_hour;
  m_minute = s.m_minute;
  m_second = s.m_second;
}

bool TChunktIME::LoadFromStream(TStream& stream, const TChunkName& name, std::uint32_t size) {
  ReadData(stream, name, size);
  if (m_data.size() == 7) {
    const std::uint8_t* d = m_data.data();
    m_year = (d[0] << 8) | d[1];
    m_month = d[2];
    m_day = d[3];
    m_hour = d[4];
    m_minute = d[5];
    m_second = d[6];
  }
  return true;
}

void TChunktEXt::Assign(const TChunk& source) {
  TChunk::Assign(source);
  const auto& s = static_cast<const TChunktEXt&>(source);
  m_keyword = s.m_keyword;
  m_text = s.m_text;
}

bool TChunktEXt::LoadFromStream(TStream& stream, const TChunkName& name, std::uint32_t size) {
  ReadData(stream, name, size);
  m_keyword.clear();
  m_text.clear();
  if (m_data.size() > 2) {
    const auto* begin = reinterpret_cast<const char*>(m_data.data());
    const auto* end = begin + m_data.size();
    const auto* nul = std::find(begin, end, '\0');
    m_keyword.assign(begin, nul);
    if (nul != end) m_text.assign(nul + 1, end);
  }
  return true;
}

bool TChunkzTXt::LoadFromStream(TStream& stream, const TChunkName& name, std::uint32_t size) {
  ReadData(stream, name, size);
  m_keyword.clear();
  m_text.clear();
  const auto* begin = m_data.data();
  const auto* end = begin + m_data.size();
  const auto* nul = std::find(begin, end, std::uint8_t{0});
  m_keyword.assign(reinterpret_cast<const char*>(begin), reinterpret_cast<const char*>(nul));
  // After the keyword's terminator: one byte of compression method, then the compressed text.
  if (end - nul < 2) return true;
  struct TInflater {
    z_stream Z{};
    TInflater() {
      if (inflateInit(&Z) != Z_OK) RaiseInflateError(Z_MEM_ERROR);
    }
    ~TInflater() { inflateEnd(&Z); }
  } inflater;
  z_stream& z = inflater.Z;
  z.next_in = const_cast<Bytef*>(nul + 2);
  z.avail_in = static_cast<uInt>(end - (nul + 2));
  // The text of all the picture's zTXt chunks shares one budget.
  const std::size_t budget = Owner().TextBudget();
  char block[16384];
  int result = Z_OK;
  while (result == Z_OK && m_text.size() < budget) {
    z.next_out = reinterpret_cast<Bytef*>(block);
    z.avail_out = sizeof block;
    result = inflate(&z, Z_NO_FLUSH);
    m_text.append(block, std::min(sizeof block - z.avail_out, budget - m_text.size()));
  }
  Owner().SpendTextBudget(m_text.size());
  // Running out of input (a truncated text) keeps what was decompressed.
  if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) RaiseInflateError(result);
  return true;
}

// --- TPNGList, TPNGObject ---------------------------------------------------------------------

TChunk& TPNGList::Add(std::unique_ptr<TChunk> chunk) {
  m_items.push_back(std::move(chunk));
  return *m_items.back();
}

TChunk* TPNGList::Find(const TChunkName& type) const {
  for (const auto& chunk : m_items)
    if (chunk->Name() == type) return chunk.get();
  return nullptr;
}

TPNGObject::TPNGObject() { ResetGamma(); }
TPNGObject::~TPNGObject() = default;

int TPNGObject::Width() const { return HasHeader() ? static_cast<int>(Header().Width()) : 0; }
int TPNGObject::Height() const { return HasHeader() ? static_cast<int>(Header().Height()) : 0; }

bool TPNGObject::HasHeader() const {
  return m_chunks.Count() > 0 && dynamic_cast<const TChunkIHDR*>(&m_chunks.Item(0)) != nullptr;
}

TChunkIHDR& TPNGObject::Header() const {
  if (!HasHeader()) throw EPNGHeaderNotPresent(PngMessages::HeaderNotPresent);
  return static_cast<TChunkIHDR&>(m_chunks.Item(0));
}

void TPNGObject::ResetGamma() {
  for (int i = 0; i < 256; ++i) {
    m_gammaLut[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    m_inverseGammaLut[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  }
  m_gammaIdentity = true;
}

void TPNGObject::SetGamma(std::uint32_t g) {
  if (g == 0) return;
  const double exponent = 1.0 / (2.2 * g / 100000.0);
  for (int i = 0; i < 256; ++i) m_inverseGammaLut[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  m_gammaIdentity = true;
  for (int i = 0; i < 256; ++i) {
    const double v = std::nearbyint(255.0 * std::pow(i / 255.0, exponent));
    const auto out = static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
    m_gammaLut[static_cast<std::size_t>(i)] = out;
    m_inverseGammaLut[out] = static_cast<std::uint8_t>(i);
    if (out != i) m_gammaIdentity = false;
  }
}

void TPNGObject::Clear() {
  ResetGamma();
  m_textBudget = TChunkzTXt::MaxTextBytes;
  m_chunks.Clear();
}

void TPNGObject::LoadFromStream(TStream& stream) {
  Clear();
  // Memory that cannot be had (under a process memory cap) is the reader's own failure.
  try {
    ReadChunks(stream);
  } catch (const std::bad_alloc&) {
    throw EPNGOutMemory(PngMessages::OutMemory);
  }
}

void TPNGObject::ReadChunks(TStream& stream) {
  std::uint8_t signature[8];
  if (stream.Read(signature, 8) != 8 || std::memcmp(signature, PngSignature, 8) != 0)
    throw EPNGInvalidFileHeader(PngMessages::InvalidFileHeader);
  bool haveImageData = false;
  TChunkName type{};
  int index = 0;
  do {
    ++index;
    std::uint8_t head[8];
    // A length or type cut short by the end of the stream is an unexpected end as well.
    if (stream.Read(head, 4) != 4 || stream.Read(head + 4, 4) != 4) throw EPngUnexpectedEnd(PngMessages::UnexpectedEnd);
    const std::uint32_t size = ReadBigEndian32(head);
    std::memcpy(type.data(), head + 4, 4);
    if (index == 1 && type != TChunkIHDR::Type) throw EPNGIHDRNotFirst(PngMessages::IHDRNotFirst);
    if (type == ChrmType || (type == TChunkIDAT::Type && haveImageData)) {
      stream.Seek(static_cast<std::int64_t>(size) + 4, soCurrent);
      continue;
    }
    TChunk& chunk = m_chunks.Add(CreateChunk(*this, type));
    if (typeid(chunk) == typeid(TChunk) && (type[0] & 32) == 0)
      throw EPNGUnknownCriticalChunk(PngMessages::UnknownCriticalChunk);
    if (type == TChunkIDAT::Type) haveImageData = true;
    if (!chunk.LoadFromStream(stream, type, size)) break;
  } while (type != TChunkIEND::Type);
  if (!haveImageData) throw EPNGNoImageData(PngMessages::NoImageData);
}

void TPNGObject::SaveToStream(TStream& stream) const {
  if (Empty()) return;
  stream.WriteBuffer(PngSignature, sizeof PngSignature);
  for (int i = 0; i < m_chunks.Count(); ++i) m_chunks.Item(i).SaveToStream(stream);
}

std::unique_ptr<TGraphic> TPNGObject::Clone() const {
  auto copy = std::make_unique<TPNGObject>();
  copy->Assign(this);
  return copy;
}

void TPNGObject::Assign(const TGraphic* source) {
  if (source == this) return;
  if (source == nullptr) {
    Clear();
    return;
  }
  if (const auto* png = dynamic_cast<const TPNGObject*>(source)) {
    Clear();
    m_gammaLut = png->m_gammaLut;
    m_inverseGammaLut = png->m_inverseGammaLut;
    m_gammaIdentity = png->m_gammaIdentity;
    SetTransparent(png->TGraphic::Transparent());
    for (int i = 0; i < png->m_chunks.Count(); ++i) {
      const TChunk& chunk = png->m_chunks.Item(i);
      m_chunks.Add(chunk.CreateEmpty(*this)).Assign(chunk);
    }
    return;
  }
  if (const auto* bitmap = dynamic_cast<const TBitmap*>(source)) {
    AssignFromBitmap(*bitmap);
    return;
  }
  throw EInvalidGraphic(std::string("Cannot assign a ") + source->ClassName() + " to a TPNGObject");
}

void TPNGObject::AssignFromBitmap(const TBitmap& bitmap) {
  Clear();
  if (bitmap.Empty()) return;
  const bool withAlpha = bitmap.PixelFormat() == pf32bit;
  auto& header = static_cast<TChunkIHDR&>(m_chunks.Add(std::make_unique<TChunkIHDR>(*this)));
  header.SetHeader(static_cast<std::uint32_t>(bitmap.Width()), static_cast<std::uint32_t>(bitmap.Height()), bd8,
                   withAlpha ? ctTrueColorAlpha : ctTrueColor, imNone);
  auto& raster = header.ColorRaster();
  const TSurface& pixels = bitmap.Surface();
  for (int y = 0; y < pixels.Height; ++y) {
    const TPixel* src = pixels.Row(y);
    std::uint8_t* dst = raster.ImageRow(y);
    std::uint8_t* alpha = withAlpha ? header.AlphaPlane().Data() + static_cast<std::size_t>(y) * pixels.Width : nullptr;
    for (int x = 0; x < pixels.Width; ++x) {
      dst[3 * x] = static_cast<std::uint8_t>(src[x]);
      dst[3 * x + 1] = static_cast<std::uint8_t>(src[x] >> 8);
      dst[3 * x + 2] = static_cast<std::uint8_t>(src[x] >> 16);
      if (alpha != nullptr) alpha[x] = static_cast<std::uint8_t>(src[x] >> 24);
    }
  }
  m_chunks.Add(std::make_unique<TChunkIDAT>(*this));
  m_chunks.Add(std::make_unique<TChunkIEND>(*this));
}

TAlphaKind TPNGObject::AlphaKind() const {
  if (!HasHeader()) return akNone;
  const auto* trns = m_chunks.FindChunk<TChunktRNS>();
  switch (Header().ColorType()) {
    case ctGreyscale:
    case ctTrueColor: return trns != nullptr ? akColorKey : akNone;
    case ctIndexed: {
      if (trns == nullptr) return akNone;
      // A single fully transparent entry is drawn as a colour key; anything else needs blending.
      int differing = 0;
      bool thatOneIsClear = false;
      for (std::uint8_t v : trns->Data())
        if (v != 255) {
          ++differing;
          thatOneIsClear = v == 0;
        }
      return differing == 1 && thatOneIsClear ? akColorKey : akPerPixel;
    }
    case ctGreyscaleAlpha:
    case ctTrueColorAlpha: return akPerPixel;
    default: return akNone;
  }
}

TColor TPNGObject::KeyColor() const {
  if (!HasHeader()) return clBlack;
  const TChunkIHDR& header = Header();
  const auto* trns = m_chunks.FindChunk<TChunktRNS>();
  if (trns == nullptr) return clBlack;
  const auto& raster = header.ColorRaster();
  const int depth = header.BitDepth();
  // The raster value a sample of the picture's bit depth is held as.
  auto held = [depth](std::uint16_t sample) -> int {
    if (depth == bd16) return sample >> 8;
    if (depth == bd2) return (sample & 3) * 5;
    return sample & 0xFF;
  };
  switch (header.ColorType()) {
    case ctGreyscale: {
      const TRGBQuad c = raster.Palette[static_cast<std::size_t>(held(trns->Sample(0)))];
      return RGB(c.Red, c.Green, c.Blue);
    }
    case ctTrueColor:
      return RGB(m_gammaLut[static_cast<std::size_t>(held(trns->Sample(0)))],
                 m_gammaLut[static_cast<std::size_t>(held(trns->Sample(1)))],
                 m_gammaLut[static_cast<std::size_t>(held(trns->Sample(2)))]);
    case ctIndexed:
      for (std::size_t i = 0; i < trns->DataSize(); ++i)
        if (trns->Data()[i] == 0) {
          const TRGBQuad c = raster.Palette[i];
          return RGB(c.Red, c.Green, c.Blue);
        }
      return clBlack;
    default: return clBlack;
  }
}
