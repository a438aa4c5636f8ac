// TPNGObject and its chunk classes: the codec reads the datastream into the picture's image and
// hands each chunk it keeps to the picture, which holds it as an object of its class; writing
// back, copying.
//
//   chunk-class registry    - RegisterChunk, CreateChunk
//   TChunk                  - data and fields, reading alone (data + CRC), writing, copying
//   chunk classes           - IHDR, PLTE, tRNS, gAMA, pHYs, tIME, tEXt, zTXt
//   TPNGObject              - loading through the codec, saving, copying, AlphaKind, KeyColor
#include "pictures/pngimage.h"

#include <cstring>
#include <new>
#include <typeinfo>

#include "base/ByteOrder.h"
#include "framework/Bitmap.h"

namespace {

// The chunk classes in registration order.
struct TChunkClassEntry {
  TChunkName Type;
  TChunkFactory Factory;
};
std::vector<TChunkClassEntry>& ChunkRegistry() {
  static std::vector<TChunkClassEntry> registry;
  return registry;
}

// A TStream as the codec's input.
class TStreamInput : public TPngInput {
 public:
  explicit TStreamInput(TStream& stream) : m_stream(stream) {}
  std::size_t Read(std::uint8_t* out, std::size_t count) override {
    return static_cast<std::size_t>(m_stream.Read(out, static_cast<std::int64_t>(count)));
  }
  std::uint64_t Remaining() const override {
    return static_cast<std::uint64_t>(std::max<std::int64_t>(m_stream.Remaining(), 0));
  }
  void Skip(std::uint64_t count) override {
    m_stream.Seek(static_cast<std::int64_t>(std::min(count, Remaining())), soCurrent);
  }

 private:
  TStream& m_stream;
};

}  // namespace

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
  if (typeid(source) != typeid(*this)) RaisePngError(pfChunksNotCompatible);
}

void TChunk::Assign(const TChunk& source) {
  CheckCompatible(source);
  m_name = source.m_name;
  m_data = source.m_data;
}

bool TChunk::LoadFromStream(TStream& stream, const TChunkName& name, std::uint32_t size) {
  m_name = name;
  TStreamInput input(stream);
  SetData(WithPngErrors([&] { return ReadPngChunkData(input, name, size); }));
  return true;
}

void TChunk::SetData(std::vector<std::uint8_t> data) {
  m_data = std::move(data);
  Loaded();
}

void TChunk::WriteChunk(TStream& stream, const std::uint8_t* data, std::size_t size) const {
  const TChunkName type = TypeName();
  std::uint8_t head[8];
  WriteBigEndian32(head, static_cast<std::uint32_t>(size));
  std::memcpy(head + 4, type.data(), 4);
  stream.WriteBuffer(head, 8);
  stream.WriteBuffer(data, size);
  std::uint8_t crc[4];
  WriteBigEndian32(crc, PngChunkCrc(type, data, size));
  stream.WriteBuffer(crc, 4);
}

void TChunk::SaveToStream(TStream& stream) { WriteChunk(stream, m_data.data(), m_data.size()); }

// --- IHDR -------------------------------------------------------------------------------------

TPngRaster& TChunkIHDR::ColorRaster() { return Owner().Image().Raster(); }
const TPngRaster& TChunkIHDR::ColorRaster() const { return Owner().Image().Raster(); }
TPngBuffer& TChunkIHDR::AlphaPlane() { return Owner().Image().Alpha(); }
const TPngBuffer& TChunkIHDR::AlphaPlane() const { return Owner().Image().Alpha(); }
TPngBuffer& TChunkIHDR::WideSamplePlane() { return Owner().Image().Wide(); }
const TPngBuffer& TChunkIHDR::WideSamplePlane() const { return Owner().Image().Wide(); }

void TChunkIHDR::Assign(const TChunk& source) {
  TChunk::Assign(source);
  m_header = static_cast<const TChunkIHDR&>(source).m_header;
}

void TChunkIHDR::Loaded() {
  m_header = WithPngErrors([&] { return ParsePngHeader(m_data); });
}

void TChunkIHDR::SetHeader(std::uint32_t width, std::uint32_t height, std::uint8_t bitDepth, std::uint8_t colorType,
                           std::uint8_t interlace) {
  TPngHeader header;
  header.Width = width;
  header.Height = height;
  header.BitDepth = bitDepth;
  header.ColorType = colorType;
  header.Interlace = interlace;
  const auto data = PngHeaderData(header);
  SetData({data.begin(), data.end()});
  WithPngErrors([&] { Owner().Image().Prepare(m_header); });
}

void TChunkIHDR::SaveToStream(TStream& stream) {
  const auto data = PngHeaderData(m_header);
  WriteChunk(stream, data.data(), data.size());
}

// --- PLTE, tRNS, gAMA, pHYs, tIME, tEXt, zTXt -------------------------------------------------

void TChunkPLTE::Assign(const TChunk& source) {
  TChunk::Assign(source);
  m_count = static_cast<const TChunkPLTE&>(source).m_count;
}

void TChunkPLTE::Loaded() { m_count = static_cast<int>(std::min<std::size_t>(m_data.size() / 3, 256)); }

TRGBQuad TChunkPLTE::Item(int i) const {
  if (i < 0 || i >= m_count) RaisePngError(pfNoSuchPaletteEntry);
  const std::uint8_t* p = m_data.data() + static_cast<std::size_t>(i) * 3;
  return {p[2], p[1], p[0], 0};
}

void TChunktRNS::Assign(const TChunk& source) {
  TChunk::Assign(source);
  m_table = static_cast<const TChunktRNS&>(source).m_table;
}

void TChunktRNS::Loaded() {
  m_table.fill(255);
  std::copy_n(m_data.begin(), std::min<std::size_t>(m_data.size(), 256), m_table.begin());
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

void TChunkgAMA::Loaded() {
  if (m_data.size() >= 4) m_gamma = ReadBigEndian32(m_data.data());
}

void TChunkpHYs::Assign(const TChunk& source) {
  TChunk::Assign(source);
  const auto& s = static_cast<const TChunkpHYs&>(source);
  m_ppUnitX = s.m_ppUnitX;
  m_ppUnitY = s.m_ppUnitY;
  m_unit = s.m_unit;
}

void TChunkpHYs::Loaded() {
  if (m_data.size() == 9) {
    m_ppUnitX = ReadBigEndian32(m_data.data());
    m_ppUnitY = ReadBigEndian32(m_data.data() + 4);
    m_unit = m_data[8];
  }
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

void TChunktIME::Loaded() {
  if (m_data.size() == 7) {
    const std::uint8_t* d = m_data.data();
    m_year = ReadBigEndian16(d);
    m_month = d[2];
    m_day = d[3];
    m_hour = d[4];
    m_minute = d[5];
    m_second = d[6];
  }
}

void TChunktEXt::Assign(const TChunk& source) {
  TChunk::Assign(source);
  const auto& s = static_cast<const TChunktEXt&>(source);
  m_keyword = s.m_keyword;
  m_text = s.m_text;
}

void TChunktEXt::Loaded() {
  m_keyword.clear();
  m_text.clear();
  if (m_data.size() > 2) {
    const auto* begin = reinterpret_cast<const char*>(m_data.data());
    const auto* end = begin + m_data.size();
    const auto* nul = std::find(begin, end, '\0');
    m_keyword.assign(begin, nul);
    if (nul != end) m_text.assign(nul + 1, end);
  }
}

void TChunkzTXt::Loaded() {
  m_keyword.clear();
  m_text.clear();
  const auto* begin = m_data.data();
  const auto* end = begin + m_data.size();
  const auto* nul = std::find(begin, end, std::uint8_t{0});
  m_keyword.assign(reinterpret_cast<const char*>(begin), reinterpret_cast<const char*>(nul));
  // After the keyword's terminator: one byte of compression method, then the compressed text,
  // decompressed within what is left of the picture's text budget.
  if (end - nul < 2) return;
  const std::span<const std::uint8_t> compressed(nul + 2, end);
  m_text = WithPngErrors([&] { return InflatePngText(compressed, Owner().TextBudget()); });
  Owner().SpendTextBudget(m_text.size());
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

TPNGObject::TPNGObject() = default;
TPNGObject::~TPNGObject() = default;

int TPNGObject::Width() const { return HasHeader() ? static_cast<int>(Header().Width()) : 0; }
int TPNGObject::Height() const { return HasHeader() ? static_cast<int>(Header().Height()) : 0; }

bool TPNGObject::HasHeader() const {
  return m_chunks.Count() > 0 && dynamic_cast<const TChunkIHDR*>(&m_chunks.Item(0)) != nullptr;
}

TChunkIHDR& TPNGObject::Header() const {
  if (!HasHeader()) RaisePngError(pfHeaderNotPresent);
  return static_cast<TChunkIHDR&>(m_chunks.Item(0));
}

void TPNGObject::Clear() {
  m_image.Clear();
  m_textBudget = TChunkzTXt::MaxTextBytes;
  m_chunks.Clear();
}

// The chunks the codec reads become objects of their registered classes, appended in order.
class TPNGObject::TChunkSink : public TPngChunkSink {
 public:
  explicit TChunkSink(TPNGObject& picture) : m_picture(picture) {}

  bool ChunkBegins(const TPngChunkType& type) override {
    TChunk& chunk = m_picture.m_chunks.Add(CreateChunk(m_picture, type));
    const bool understood = typeid(chunk) != typeid(TChunk);
    if (!understood && PngCriticalChunk(type)) RaisePngError(pfUnknownCriticalChunk);
    return understood;
  }

  void ChunkRead(const TPngChunkType&, std::vector<std::uint8_t> data) override {
    m_picture.m_chunks.Item(m_picture.m_chunks.Count() - 1).SetData(std::move(data));
  }

 private:
  TPNGObject& m_picture;
};

void TPNGObject::LoadFromStream(TStream& stream) {
  Clear();
  // Memory that cannot be had (under a process memory cap) is the reader's own failure.
  try {
    ReadChunks(stream);
  } catch (const std::bad_alloc&) {
    RaisePngError(pfOutMemory);
  }
}

void TPNGObject::ReadChunks(TStream& stream) {
  TStreamInput input(stream);
  TChunkSink sink(*this);
  WithPngErrors([&] { ReadPngDatastream(input, m_image, sink); });
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
    WithPngErrors([&] { m_image = png->m_image; });
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
      return RGB(GammaLut()[static_cast<std::size_t>(held(trns->Sample(0)))],
                 GammaLut()[static_cast<std::size_t>(held(trns->Sample(1)))],
                 GammaLut()[static_cast<std::size_t>(held(trns->Sample(2)))]);
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
