#include "framework/Bitmap.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "base/ByteOrder.h"

namespace {

constexpr const char* InvalidBitmap = "Bitmap image is not valid";
// Bitmaps larger than this are refused rather than allocated.
constexpr std::uint64_t MaxBitmapPixels = std::uint64_t{1} << 28;

std::map<std::string, std::span<const std::uint8_t>>& BitmapResources() {
  static std::map<std::string, std::span<const std::uint8_t>> resources;
  return resources;
}

[[noreturn]] void Invalid() { throw EInvalidGraphic(InvalidBitmap); }

// The position of an 8-bit wide channel mask (BI_BITFIELDS), or -1 when the mask is another shape.
int MaskShift(std::uint32_t mask) {
  for (int shift = 0; shift <= 24; shift += 8)
    if (mask == (0xFFu << shift)) return shift;
  return -1;
}

}  // namespace

void RegisterBitmapResource(const std::string& name, std::span<const std::uint8_t> bytes) {
  BitmapResources()[name] = bytes;
}

TBitmap::TBitmap() = default;
TBitmap::~TBitmap() = default;

TBitmap::TBitmap(const TBitmap& other) : TGraphic(other), TStoredData(other) {
  m_surface = other.m_surface;
  m_pixelFormat = other.m_pixelFormat;
}

TBitmap& TBitmap::operator=(const TBitmap& other) {
  Assign(other);
  return *this;
}

void TBitmap::Assign(const TBitmap& other) {
  if (&other == this) return;
  m_surface = other.m_surface;
  m_pixelFormat = other.m_pixelFormat;
  SetTransparent(other.Transparent());
  AttachCanvas();
}

std::unique_ptr<TGraphic> TBitmap::Clone() const { return std::make_unique<TBitmap>(*this); }

void TBitmap::AttachCanvas() {
  if (m_canvas) m_canvas->Attach(&m_surface, {0, 0}, m_surface.BoundsRect());
}

TCanvas& TBitmap::Canvas() {
  if (!m_canvas) {
    m_canvas = std::make_unique<TCanvas>();
    AttachCanvas();
  }
  return *m_canvas;
}

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == m_surface.Width && height == m_surface.Height) return;
  TSurface resized(width, height);
  for (int y = 0; y < std::min(height, m_surface.Height); ++y)
    std::copy_n(m_surface.Row(y), std::min(width, m_surface.Width), resized.Row(y));
  m_surface = std::move(resized);
  AttachCanvas();
}

TColor TBitmap::TransparentColor() const {
  if (Empty()) return clBlack;
  return ColorFromPixel(m_surface.At(0, m_surface.Height - 1));
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) {
  TSurface* target = canvas.Surface();
  if (target == nullptr || Empty()) return;
  const TRect r{std::min(rect.Left, rect.Right), std::min(rect.Top, rect.Bottom), std::max(rect.Left, rect.Right),
                std::max(rect.Top, rect.Bottom)};
  if (r.IsEmpty()) return;
  // Sizes and offsets in 64 bits: a rectangle may span more than an int can count.
  const std::int64_t s = canvas.Scale();
  const std::int64_t w = (std::int64_t{r.Right} - r.Left) * s, h = (std::int64_t{r.Bottom} - r.Top) * s;
  const std::int64_t left = std::int64_t{r.Left} * s + canvas.Origin().X,
                     top = std::int64_t{r.Top} * s + canvas.Origin().Y;
  const bool keyed = Transparent();
  const TPixel key = static_cast<TPixel>(PixelFromColor(TransparentColor())) & 0xFFFFFFu;
  canvas.ForEachClipped(r, [&](const TRect& part) {
    for (int sy = part.Top; sy < part.Bottom; ++sy) {
      const std::int64_t dy = sy - top;
      const TPixel* src = m_surface.Row(static_cast<int>(dy * m_surface.Height / h));
      TPixel* dst = target->Row(sy);
      for (int sx = part.Left; sx < part.Right; ++sx) {
        const std::int64_t dx = sx - left;
        const TPixel p = src[dx * m_surface.Width / w] & 0xFFFFFFu;
        if (keyed && p == key) continue;
        dst[sx] = p | (dst[sx] & 0xFF000000u);
      }
    }
  });
}

void TBitmap::LoadFromStream(TStream& stream) { ReadBitmap(stream, true); }

void TBitmap::ReadBitmap(TStream& stream, bool withFileHeader) {
  const std::int64_t start = stream.Position();
  std::uint32_t pixelOffset = 0;
  if (withFileHeader) {
    std::uint8_t file[14];
    if (stream.Read(file, 14) != 14 || file[0] != 'B' || file[1] != 'M') Invalid();
    pixelOffset = ReadLittleEndian32(file + 10);
  }
  std::uint8_t info[124] = {};
  stream.ReadBuffer(info, 4);
  const std::uint32_t infoSize = ReadLittleEndian32(info);
  if (infoSize != 12 && (infoSize < 40 || infoSize > 124)) Invalid();
  stream.ReadBuffer(info + 4, infoSize - 4);

  std::int64_t width, height;
  unsigned bits, compression = 0, colorsUsed = 0, planes;
  if (infoSize == 12) {
    width = ReadLittleEndian16(info + 4);
    height = static_cast<std::int16_t>(ReadLittleEndian16(info + 6));
    planes = ReadLittleEndian16(info + 8);
    bits = ReadLittleEndian16(info + 10);
  } else {
    width = static_cast<std::int32_t>(ReadLittleEndian32(info + 4));
    height = static_cast<std::int32_t>(ReadLittleEndian32(info + 8));
    planes = ReadLittleEndian16(info + 12);
    bits = ReadLittleEndian16(info + 14);
    compression = ReadLittleEndian32(info + 16);
    colorsUsed = ReadLittleEndian32(info + 32);
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (planes != 1 || width <= 0 || height <= 0 || width > 65535 || height > 65535 ||
      static_cast<std::uint64_t>(width * height) > MaxBitmapPixels)
    Invalid();
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) Invalid();

  // Channel positions of 32-bit pixels: blue, green, red, alpha bytes unless bit fields say otherwise.
  int shiftB = 0, shiftG = 8, shiftR = 16;
  if (compression == 3 && bits == 32) {
    std::uint8_t masks[12];
    if (infoSize >= 52) {
      std::memcpy(masks, info + 40, 12);
    } else {
      stream.ReadBuffer(masks, 12);
    }
    shiftR = MaskShift(ReadLittleEndian32(masks));
    shiftG = MaskShift(ReadLittleEndian32(masks + 4));
    shiftB = MaskShift(ReadLittleEndian32(masks + 8));
    // Three different bytes: the fourth, the alpha, is then the one left over.
    if (shiftR < 0 || shiftG < 0 || shiftB < 0 || shiftR == shiftG || shiftG == shiftB || shiftR == shiftB) Invalid();
  } else if (compression != 0) {
    Invalid();
  }

  std::array<TPixel, 256> palette{};
  if (bits <= 8) {
    const unsigned entries = colorsUsed == 0 ? (1u << bits) : colorsUsed;
    if (entries > 256) Invalid();
    const unsigned entryBytes = infoSize == 12 ? 3 : 4;
    std::uint8_t raw[256 * 4];
    stream.ReadBuffer(raw, entries * entryBytes);
    for (unsigned i = 0; i < entries; ++i) {
      const std::uint8_t* e = raw + i * entryBytes;
      palette[i] = 0xFF000000u | (std::uint32_t{e[2]} << 16) | (std::uint32_t{e[1]} << 8) | e[0];
    }
  }
  // A file says where its rows start; a bare bitmap has them right after the palette.
  if (withFileHeader && pixelOffset != 0) stream.SetPosition(start + pixelOffset);

  const std::size_t stride = ((bits * static_cast<std::size_t>(width) + 31) / 32) * 4;
  if (static_cast<std::int64_t>(stride) * height > stream.Remaining()) throw EReadError("Stream read error");
  TSurface pixels(static_cast<int>(width), static_cast<int>(height));
  std::vector<std::uint8_t> row(stride);
  for (int r = 0; r < height; ++r) {
    stream.ReadBuffer(row.data(), stride);
    TPixel* dst = pixels.Row(topDown ? r : static_cast<int>(height) - 1 - r);
    for (int x = 0; x < width; ++x) {
      switch (bits) {
        case 1: dst[x] = palette[(row[x >> 3] >> (7 - (x & 7))) & 1]; break;
        case 4: dst[x] = palette[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15]; break;
        case 8: dst[x] = palette[row[x]]; break;
        case 24: {
          const std::uint8_t* p = row.data() + 3 * x;
          dst[x] = 0xFF000000u | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
          break;
        }
        default: {
          const std::uint32_t v = ReadLittleEndian32(row.data() + 4 * x);
          const std::uint32_t b = (v >> shiftB) & 0xFF, g = (v >> shiftG) & 0xFF, rr = (v >> shiftR) & 0xFF;
          // The byte no colour mask uses is the alpha.
          const int shiftA = 48 - shiftB - shiftG - shiftR;
          const std::uint32_t a = (v >> shiftA) & 0xFF;
          dst[x] = (a << 24) | (rr << 16) | (g << 8) | b;
        }
      }
    }
  }
  m_surface = std::move(pixels);
  m_pixelFormat = bits == 1 ? pf1bit : bits == 4 ? pf4bit : bits == 8 ? pf8bit : bits == 24 ? pf24bit : pf32bit;
  AttachCanvas();
}

void TBitmap::SaveToStream(TStream& stream) const {
  const bool alpha = m_pixelFormat == pf32bit;
  const unsigned bits = alpha ? 32 : 24;
  const std::size_t stride = ((bits * static_cast<std::size_t>(m_surface.Width) + 31) / 32) * 4;
  const std::size_t imageSize = stride * static_cast<std::size_t>(m_surface.Height);
  std::uint8_t head[54] = {'B', 'M'};
  WriteLittleEndian32(head + 2, static_cast<std::uint32_t>(54 + imageSize));
  WriteLittleEndian32(head + 10, 54);
  WriteLittleEndian32(head + 14, 40);
  WriteLittleEndian32(head + 18, static_cast<std::uint32_t>(m_surface.Width));
  WriteLittleEndian32(head + 22, static_cast<std::uint32_t>(m_surface.Height));
  WriteLittleEndian16(head + 26, 1);
  WriteLittleEndian16(head + 28, static_cast<std::uint16_t>(bits));
  WriteLittleEndian32(head + 34, static_cast<std::uint32_t>(imageSize));
  stream.WriteBuffer(head, sizeof head);
  std::vector<std::uint8_t> row(stride, 0);
  for (int r = m_surface.Height - 1; r >= 0; --r) {
    const TPixel* src = m_surface.Row(r);
    for (int x = 0; x < m_surface.Width; ++x) {
      std::uint8_t* p = row.data() + static_cast<std::size_t>(x) * (bits / 8);
      p[0] = static_cast<std::uint8_t>(src[x]);
      p[1] = static_cast<std::uint8_t>(src[x] >> 8);
      p[2] = static_cast<std::uint8_t>(src[x] >> 16);
      if (alpha) p[3] = static_cast<std::uint8_t>(src[x] >> 24);
    }
    stream.WriteBuffer(row.data(), stride);
  }
}

void TBitmap::ReadData(TStream& stream) {
  std::uint8_t sizeBytes[4];
  stream.ReadBuffer(sizeBytes, 4);
  const std::uint32_t size = ReadLittleEndian32(sizeBytes);
  if (size == 0) {
    m_surface = TSurface();
    AttachCanvas();
    return;
  }
  if (size > stream.Remaining()) throw EReadError("Stream read error");
  std::vector<std::uint8_t> file(size);
  stream.ReadBuffer(file.data(), size);
  TSpanStream own(file);
  ReadBitmap(own, true);
}

void TBitmap::WriteData(TStream& stream) const {
  TMemoryStream file;
  if (!Empty()) SaveToStream(file);
  std::uint8_t sizeBytes[4];
  WriteLittleEndian32(sizeBytes, static_cast<std::uint32_t>(file.Size()));
  stream.WriteBuffer(sizeBytes, 4);
  stream.WriteBuffer(file.Bytes().data(), file.Bytes().size());
}

void TBitmap::LoadFromResourceName(const std::string& name) {
  const auto it = BitmapResources().find(name);
  if (it == BitmapResources().end()) throw EResNotFound("Resource " + name + " not found");
  TSpanStream stream(it->second);
  const bool withFileHeader = it->second.size() >= 2 && it->second[0] == 'B' && it->second[1] == 'M';
  ReadBitmap(stream, withFileHeader);
  // NAME@2x and NAME@3x, when registered, are the same bitmap drawn for scaled displays.
  for (int scale = 2; scale <= 3; ++scale) {
    const std::string scaledName = name + "@" + std::to_string(scale) + "x";
    TLoader loader;
    if (BitmapResources().contains(scaledName)) {
      loader = [scaledName]() -> std::shared_ptr<TGraphic> {
        auto scaled = std::make_shared<TBitmap>();
        scaled->LoadFromResourceName(scaledName);
        return scaled;
      };
    }
    SetScaledVersion(scale, std::move(loader));
  }
}
