// Writing the image data back: the decoded planes are turned into PNG scan lines again (the
// inverse of the decoder's conversion), laid out pass by pass when the header says Adam7, and
// compressed with deflate into IDAT chunks of at most 1 MiB each. Every line uses filter None.
#include <zlib.h>

#include <cstring>
#include <vector>

#include "pictures/codec/PngFormat.h"
#include "pictures/pngimage.h"

namespace {

constexpr std::size_t MaxIdatBytes = 1 << 20;

// Image row y as a PNG scan line of the full width, without its filter byte.
void RawLine(const TChunkIHDR& header, const std::array<std::uint8_t, 256>& inverse, int y, std::uint8_t* out) {
  const TPngRaster& raster = header.ColorRaster();
  const int width = raster.Width;
  const std::uint8_t* src = raster.ImageRow(y);
  const std::uint8_t* alpha =
      header.AlphaPlane().Empty() ? nullptr : header.AlphaPlane().Data() + y * std::size_t(width);
  const std::uint8_t* wide = header.WideSamplePlane().Empty()
                                 ? nullptr
                                 : header.WideSamplePlane().Data() + (raster.Height - 1 - y) * raster.RowBytes;
  const int depth = header.BitDepth();
  const int type = header.ColorType();
  const bool wideSamples = depth == bd16;
  switch (type) {
    case ctGreyscale:
    case ctIndexed:
      if (depth == bd2) {
        const std::size_t bytes = (static_cast<std::size_t>(width) * 2 + 7) / 8;
        std::memset(out, 0, bytes);
        for (int x = 0; x < width; ++x) {
          const int p = (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
          const int v = type == ctGreyscale ? std::min(p / 5, 3) : (p & 3);
          out[x >> 2] = static_cast<std::uint8_t>(out[x >> 2] | (v << (6 - 2 * (x & 3))));
        }
      } else if (depth == bd16) {
        for (int x = 0; x < width; ++x) {
          out[2 * x] = src[x];
          out[2 * x + 1] = wide[x];
        }
      } else {
        std::memcpy(out, src, (static_cast<std::size_t>(width) * depth + 7) / 8);
      }
      return;
    case ctGreyscaleAlpha:
      for (int x = 0; x < width; ++x) {
        if (wideSamples) {
          out[4 * x] = src[x];
          out[4 * x + 1] = wide[x];
          out[4 * x + 2] = alpha[x];
          out[4 * x + 3] = alpha[x];
        } else {
          out[2 * x] = src[x];
          out[2 * x + 1] = alpha[x];
        }
      }
      return;
    default: {
      const int channels = PngChannels(type);
      const int sampleBytes = wideSamples ? 2 : 1;
      for (int x = 0; x < width; ++x) {
        std::uint8_t* o = out + static_cast<std::size_t>(x) * channels * sampleBytes;
        for (int c = 0; c < 3; ++c) {
          // The raster holds blue, green, red; the scan line red, green, blue.
          o[c * sampleBytes] = inverse[src[3 * x + 2 - c]];
          if (wideSamples) o[c * sampleBytes + 1] = inverse[wide[3 * x + 2 - c]];
        }
        if (channels == 4) {
          o[3 * sampleBytes] = alpha[x];
          if (wideSamples) o[3 * sampleBytes + 1] = alpha[x];
        }
      }
    }
  }
}

// Copies pixel `from` of `src` to pixel `to` of `dst` (bitsPerPixel bits each, most significant
// first); `dst` must be zero where sub-byte pixels land.
void CopyPixel(const std::uint8_t* src, std::size_t from, std::uint8_t* dst, std::size_t to, int bitsPerPixel) {
  if (bitsPerPixel >= 8) {
    const std::size_t bytes = static_cast<std::size_t>(bitsPerPixel) / 8;
    std::memcpy(dst + to * bytes, src + from * bytes, bytes);
    return;
  }
  const std::size_t sbit = from * bitsPerPixel, dbit = to * bitsPerPixel;
  const int mask = (1 << bitsPerPixel) - 1;
  const int v = (src[sbit >> 3] >> (8 - bitsPerPixel - (sbit & 7))) & mask;
  dst[dbit >> 3] = static_cast<std::uint8_t>(dst[dbit >> 3] | (v << (8 - bitsPerPixel - (dbit & 7))));
}

// All scan lines with their filter bytes, in the order they are stored.
std::vector<std::uint8_t> ScanLines(const TChunkIHDR& header, const std::array<std::uint8_t, 256>& inverse) {
  const int width = static_cast<int>(header.Width());
  const int height = static_cast<int>(header.Height());
  const int bitsPerPixel = PngChannels(header.ColorType()) * header.BitDepth();
  const auto lineBytes = [&](std::size_t pixels) { return (pixels * bitsPerPixel + 7) / 8; };
  std::vector<std::uint8_t> lines;
  if (!header.ColorRaster().Allocated()) return lines;
  std::vector<std::uint8_t> raw(lineBytes(static_cast<std::size_t>(width)) + 8);
  if (header.InterlaceMethod() == 0) {
    const std::size_t length = lineBytes(static_cast<std::size_t>(width));
    lines.reserve((length + 1) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
      RawLine(header, inverse, y, raw.data());
      lines.push_back(0);
      lines.insert(lines.end(), raw.begin(), raw.begin() + static_cast<std::ptrdiff_t>(length));
    }
    return lines;
  }
  for (const TAdam7Pass& pass : Adam7Passes) {
    if (pass.Col0 >= width) continue;
    const std::size_t count = static_cast<std::size_t>((width + pass.ColStep - pass.Col0 - 1) / pass.ColStep);
    const std::size_t length = lineBytes(count);
    for (int y = pass.Row0; y < height; y += pass.RowStep) {
      RawLine(header, inverse, y, raw.data());
      const std::size_t at = lines.size() + 1;
      lines.resize(at + length, 0);
      for (std::size_t k = 0; k < count; ++k)
        CopyPixel(raw.data(), static_cast<std::size_t>(pass.Col0) + k * pass.ColStep, lines.data() + at, k,
                  bitsPerPixel);
    }
  }
  return lines;
}

}  // namespace

void TChunkIDAT::SaveToStream(TStream& stream) {
  const TChunkIHDR& header = Owner().Header();
  const std::vector<std::uint8_t> lines = ScanLines(header, Owner().InverseGammaLut());
  z_stream z{};
  if (deflateInit(&z, Z_DEFAULT_COMPRESSION) != Z_OK) RaisePngError(pfOutMemory);
  // Fed and drained in pieces that fit zlib's 32-bit counters.
  constexpr std::size_t Piece = std::size_t{1} << 30;
  std::vector<std::uint8_t> packed;
  std::vector<std::uint8_t> block(1 << 16);
  std::size_t fed = 0;
  int result = Z_OK;
  while (result != Z_STREAM_END) {
    if (z.avail_in == 0 && fed < lines.size()) {
      const std::size_t n = std::min(Piece, lines.size() - fed);
      z.next_in = const_cast<Bytef*>(lines.data() + fed);
      z.avail_in = static_cast<uInt>(n);
      fed += n;
    }
    z.next_out = block.data();
    z.avail_out = static_cast<uInt>(block.size());
    result = deflate(&z, fed == lines.size() ? Z_FINISH : Z_NO_FLUSH);
    if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) break;
    packed.insert(packed.end(), block.data(), block.data() + (block.size() - z.avail_out));
  }
  deflateEnd(&z);
  if (result != Z_STREAM_END) WithPngErrors([&] { RaiseInflateFailure(result); });
  const std::size_t packedSize = packed.size();
  std::size_t at = 0;
  do {
    const std::size_t n = std::min(MaxIdatBytes, packedSize - at);
    WriteChunk(stream, packed.data() + at, n);
    at += n;
  } while (at < packedSize);
}
