// Decoding the image data: inflating the IDAT chunks, unfiltering each scan line and converting
// it into the image's raster, alpha plane and wide-sample plane.
//
//   TImageDecoder::ReadInflated  - inflate across consecutive IDAT chunks, CRC per chunk, the
//                                  stream's check value (CheckInflated)
//   TImageDecoder::Convert*      - one scan line (or one interlace pass line) into the planes
//   TImageDecoder::Run           - non-interlaced and Adam7 decoding
//   DecodePngImageData           - the entry: checks, then runs the decoder
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "pictures/codec/PngDecoder.h"

#include "base/ByteOrder.h"
#include "pictures/codec/PngChecksum.h"
#include "pictures/codec/PngConvert.h"
#include "pictures/codec/PngFailure.h"
#include "pictures/codec/PngFilters.h"
#include "pictures/codec/PngFormat.h"

namespace {

// One case label per colour type and bit depth.
constexpr int Format(int colorType, int bitDepth) { return colorType * 32 + bitDepth; }

constexpr std::size_t InputBlock = 65535;
// Inflated bytes decoded per round: large enough to keep inflate on its fast path, small enough to
// stay in cache until the lines are unfiltered and converted.
constexpr std::size_t BatchBytes = 128 * 1024;

// Whether the truecolour samples go through the gamma table or are stored as they are (an identity
// table, skipped for speed).
enum TSampleMap { smSame, smMapped };

// `count` truecolour pixels of one unfiltered line, of `Bytes` bytes each (RGB or RGBA, 8 or 16 bits
// a sample), into the row's columns col0, col0 + step, ...: the colour as blue, green, red in the
// raster (16 bits: the high bytes there, the low bytes in the wide plane), the alpha sample (8 bits
// of it) in the alpha plane.
template <int Bytes, TSampleMap Map>
void ConvertTrueColor(const std::uint8_t* line, int col0, int step, int count, const std::uint8_t* lut,
                      std::uint8_t* dst, std::uint8_t* wide, std::uint8_t* alpha) {
  constexpr int sample = Bytes >= 6 ? 2 : 1;
  constexpr bool hasAlpha = Bytes == 4 || Bytes == 8;
  const auto map = [lut](std::uint8_t v) { return Map == smSame ? v : lut[v]; };
  for (int k = 0, c = col0; k < count; ++k, c += step) {
    const std::uint8_t* s = line + Bytes * k;
    std::uint8_t* d = dst + 3 * c;
    d[0] = map(s[2 * sample]);
    d[1] = map(s[sample]);
    d[2] = map(s[0]);
    if constexpr (sample == 2) {
      std::uint8_t* w = wide + 3 * c;
      w[0] = map(s[5]);
      w[1] = map(s[3]);
      w[2] = map(s[1]);
    }
    if constexpr (hasAlpha) alpha[c] = s[3 * sample];
  }
}

class TImageDecoder {
 public:
  TImageDecoder(TPngInput& input, TPngImage& image, std::uint32_t firstSize)
      : m_input(input),
        m_image(image),
        m_header(image.Header()),
        m_lut(image.GammaLut().data()),
        m_identity(image.GammaIsIdentity()),
        m_chunkLeft(firstSize),
        m_block(InputBlock) {
    m_crc = static_cast<std::uint32_t>(crc32(0L, reinterpret_cast<const Bytef*>(PngImageDataType.data()), 4));
    if (inflateInit(&m_z) != Z_OK) RaiseInflateFailure(Z_MEM_ERROR);
    // The check value is computed here (see CheckInflated); inflate still reads it at the end.
    inflateValidate(&m_z, 0);
  }
  ~TImageDecoder() { inflateEnd(&m_z); }
  TImageDecoder(const TImageDecoder&) = delete;
  TImageDecoder& operator=(const TImageDecoder&) = delete;

  void Run();

 private:
  std::size_t ReadInflated(std::uint8_t* out, std::size_t count);
  void NextChunk();
  void FetchInput();
  void CheckInflated(const std::uint8_t* out, std::size_t count, bool ended);
  void FinishChunk();
  std::size_t LineLength(std::uint64_t pixels) const;
  std::size_t FilterDistance() const;
  bool DecodeLines(int row0, int rowStep, int col0, int colStep, std::size_t length);
  void Convert(const std::uint8_t* line, int y, int col0, int colStep, int count);
  void FinishRow(int y, int count);

  void ReadExact(std::uint8_t* out, std::size_t count);

  TPngInput& m_input;
  TPngImage& m_image;
  const TPngHeader& m_header;
  const std::uint8_t* m_lut;
  bool m_identity;
  z_stream m_z{};
  bool m_streamEnd = false;
  std::uint32_t m_chunkLeft;
  std::uint32_t m_crc = 0;
  std::vector<std::uint8_t> m_block;
  std::size_t m_inputSize = 0;  // bytes of m_block read from the current chunk
  // The last four compressed bytes before m_block, oldest first: with the bytes consumed from
  // m_block, where the stream's check value is when inflate reports the end of the stream.
  std::uint8_t m_tail[4] = {};
  std::uint32_t m_adler = 1;
  std::vector<std::uint8_t> m_batch;
  std::vector<std::uint8_t> m_lines[6];  // unfiltered lines: the one above and five to fill
};

std::size_t TImageDecoder::LineLength(std::uint64_t w) const {
  return PngLineBytes(m_header.ColorType, m_header.BitDepth, w);
}

std::size_t TImageDecoder::FilterDistance() const { return PngFilterDistance(m_header.ColorType, m_header.BitDepth); }

void TImageDecoder::ReadExact(std::uint8_t* out, std::size_t count) {
  if (m_input.Read(out, count) != count) RaisePngFailure(pfUnexpectedEnd);
}

// Checks the CRC of the chunk whose data is used up and moves on to the next one, which must be
// another IDAT chunk that fits in the stream.
void TImageDecoder::NextChunk() {
  std::uint8_t buf[8];
  ReadExact(buf, 4);
  if (ReadBigEndian32(buf) != m_crc) RaisePngFailure(pfInvalidCRC);
  ReadExact(buf, 8);
  if (std::memcmp(buf + 4, PngImageDataType.data(), 4) != 0) RaisePngFailure(pfMissingMultipleIDAT);
  const std::uint32_t size = ReadBigEndian32(buf);
  if (std::uint64_t{size} + 4 > m_input.Remaining()) RaisePngFailure(pfUnexpectedEnd);
  m_chunkLeft = size;
  m_crc = static_cast<std::uint32_t>(crc32(0L, buf + 4, 4));
}

// Reads what is left of the current chunk's data and checks its CRC.
void TImageDecoder::FinishChunk() {
  while (m_chunkLeft > 0) {
    const std::size_t n = std::min<std::size_t>(m_chunkLeft, InputBlock);
    ReadExact(m_block.data(), n);
    m_crc = static_cast<std::uint32_t>(crc32(m_crc, m_block.data(), static_cast<uInt>(n)));
    m_chunkLeft -= static_cast<std::uint32_t>(n);
  }
  std::uint8_t buf[4];
  ReadExact(buf, 4);
  if (ReadBigEndian32(buf) != m_crc) RaisePngFailure(pfInvalidCRC);
}

std::size_t TImageDecoder::ReadInflated(std::uint8_t* out, std::size_t count) {
  m_z.next_out = out;
  m_z.avail_out = static_cast<uInt>(count);
  const bool endedBefore = m_streamEnd;
  while (m_z.avail_out > 0 && !m_streamEnd) {
    // Inflate first: the stream may end with what it already holds.
    const int result = inflate(&m_z, Z_NO_FLUSH);
    if (result == Z_STREAM_END) {
      m_streamEnd = true;
    } else if (result == Z_BUF_ERROR && m_z.avail_in == 0) {
      FetchInput();
    } else if (result != Z_OK) {
      RaiseInflateFailure(result);
    }
  }
  CheckInflated(out, count - m_z.avail_out, m_streamEnd && !endedBefore);
  return count - m_z.avail_out;
}

// Adds the inflated bytes to the check value and, when the stream has just ended, compares it with
// the value that closes the stream (the last four bytes inflate consumed, most significant
// first); a mismatch is the data error that inflate itself would report.
void TImageDecoder::CheckInflated(const std::uint8_t* out, std::size_t count, bool ended) {
  m_adler = Adler32(m_adler, out, count);
  if (!ended) return;
  const std::size_t used = static_cast<std::size_t>(m_z.next_in - m_block.data());
  std::uint32_t stored = 0;
  for (std::size_t k = 0; k < 4; ++k) {
    const std::size_t back = 4 - k;  // bytes from the end of what was consumed
    stored = (stored << 8) | (back <= used ? m_block[used - back] : m_tail[4 - (back - used)]);
  }
  if (stored != m_adler) RaiseInflateFailure(Z_DATA_ERROR);
}

// The next block of compressed data: from the current chunk, or from the next IDAT chunk once it
// is used up.
void TImageDecoder::FetchInput() {
  // m_block is used up: its last bytes join the tail.
  const std::size_t keep = std::min<std::size_t>(m_inputSize, 4);
  std::memmove(m_tail, m_tail + keep, 4 - keep);
  std::memcpy(m_tail + 4 - keep, m_block.data() + m_inputSize - keep, keep);
  while (m_chunkLeft == 0) NextChunk();
  const std::size_t n = std::min<std::size_t>(m_chunkLeft, InputBlock);
  ReadExact(m_block.data(), n);
  m_crc = static_cast<std::uint32_t>(crc32(m_crc, m_block.data(), static_cast<uInt>(n)));
  m_chunkLeft -= static_cast<std::uint32_t>(n);
  m_inputSize = n;
  m_z.next_in = m_block.data();
  m_z.avail_in = static_cast<uInt>(n);
}

void TImageDecoder::Convert(const std::uint8_t* line, int y, int col0, int step, int count) {
  if (count == 0) return;  // a zero-width image has scan lines of a filter byte only
  TPngRaster& raster = m_image.Raster();
  std::uint8_t* dst = raster.ImageRow(y);
  const std::size_t width = raster.Width;
  std::uint8_t* alpha = m_image.Alpha().Empty() ? nullptr : m_image.Alpha().Data() + y * width;
  std::uint8_t* wide =
      m_image.Wide().Empty() ? nullptr : m_image.Wide().Data() + (raster.Height - 1 - y) * raster.RowBytes;
  const std::uint8_t* lut = m_lut;
  const int depth = m_header.BitDepth;
  const int type = m_header.ColorType;
  switch (Format(type, depth)) {
    case Format(ctGreyscale, bd1):
    case Format(ctGreyscale, bd4):
    case Format(ctGreyscale, bd8):
    case Format(ctIndexed, bd1):
    case Format(ctIndexed, bd4):
    case Format(ctIndexed, bd8): {
      if (step == 1 && col0 == 0) {
        std::memcpy(dst, line, LineLength(static_cast<std::uint64_t>(count)));
        return;
      }
      const int mask = (1 << depth) - 1;
      for (int k = 0; k < count; ++k) {
        const int bit = k * depth;
        const int v = (line[bit >> 3] >> (8 - depth - (bit & 7))) & mask;
        const int c = col0 + k * step;
        const int at = c * depth;
        dst[at >> 3] = static_cast<std::uint8_t>(dst[at >> 3] | (v << (8 - depth - (at & 7))));
      }
      return;
    }
    case Format(ctGreyscale, bd2):
    case Format(ctIndexed, bd2): {
      // Held as 4-bit pixels; a grey level v becomes 5v so that the 16-level ramp shows v x 85.
      const int scale = type == ctGreyscale ? 5 : 1;
      // The pixels are combined into their bytes; a whole line (never written before) starts clear.
      if (step == 1 && col0 == 0) std::memset(dst, 0, (static_cast<std::size_t>(count) * 4 + 7) / 8);
      for (int k = 0; k < count; ++k) {
        const int v = ((line[k >> 2] >> (6 - 2 * (k & 3))) & 3) * scale;
        const int c = col0 + k * step;
        dst[c >> 1] = static_cast<std::uint8_t>(dst[c >> 1] | (v << ((c & 1) ? 0 : 4)));
      }
      return;
    }
    case Format(ctGreyscale, bd16):
      for (int k = 0, c = col0; k < count; ++k, c += step) {
        dst[c] = line[2 * k];
        wide[c] = line[2 * k + 1];
      }
      return;
    case Format(ctTrueColor, bd8):
      if (m_identity && step == 1)
        RgbToBgr(line, dst + 3 * col0, static_cast<std::size_t>(count), raster.RowBytes - 3 * col0);
      else if (m_identity)
        ConvertTrueColor<3, smSame>(line, col0, step, count, lut, dst, wide, alpha);
      else
        ConvertTrueColor<3, smMapped>(line, col0, step, count, lut, dst, wide, alpha);
      return;
    case Format(ctTrueColor, bd16):
      if (m_identity && step == 1)
        Rgb16ToBgr(line, dst + 3 * col0, wide + 3 * col0, static_cast<std::size_t>(count), raster.RowBytes - 3 * col0);
      else
        ConvertTrueColor<6, smMapped>(line, col0, step, count, lut, dst, wide, alpha);
      return;
    case Format(ctGreyscaleAlpha, bd8):
      for (int k = 0, c = col0; k < count; ++k, c += step) {
        dst[c] = line[2 * k];
        alpha[c] = line[2 * k + 1];
      }
      return;
    case Format(ctGreyscaleAlpha, bd16):
      for (int k = 0, c = col0; k < count; ++k, c += step) {
        dst[c] = line[4 * k];
        wide[c] = line[4 * k + 1];
        alpha[c] = line[4 * k + 2];
      }
      return;
    case Format(ctTrueColorAlpha, bd8):
      if (m_identity && step == 1)
        RgbaToBgrAlpha(line, dst + 3 * col0, alpha + col0, static_cast<std::size_t>(count), raster.RowBytes - 3 * col0);
      else if (m_identity)
        ConvertTrueColor<4, smSame>(line, col0, step, count, lut, dst, wide, alpha);
      else
        ConvertTrueColor<4, smMapped>(line, col0, step, count, lut, dst, wide, alpha);
      return;
    case Format(ctTrueColorAlpha, bd16):
      ConvertTrueColor<8, smMapped>(line, col0, step, count, lut, dst, wide, alpha);
      return;
    default: return;
  }
}

// After a whole image row has been converted (no interlacing): clears the padding after its pixels
// in the raster and the wide samples, where the conversion may have stored whole registers.
void TImageDecoder::FinishRow(int y, int count) {
  TPngRaster& raster = m_image.Raster();
  const std::size_t used = (static_cast<std::size_t>(count) * raster.BitsPerPixel + 7) / 8;
  if (used < raster.RowBytes) {
    std::memset(raster.ImageRow(y) + used, 0, raster.RowBytes - used);
    if (!m_image.Wide().Empty())
      std::memset(m_image.Wide().Data() + (raster.Height - 1 - y) * raster.RowBytes + used, 0, raster.RowBytes - used);
  }
}

// Decodes the lines of one pass (the whole image when not interlaced), inflating several lines
// at a time (never more than the pass still needs) and unfiltering each against the one above.
// Returns false when the image data ran out, which leaves the remaining rows at their zero fill.
bool TImageDecoder::DecodeLines(int row0, int rowStep, int col0, int colStep, std::size_t length) {
  const int height = static_cast<int>(m_header.Height);
  if (row0 >= height) return true;
  const int count = static_cast<int>((m_header.Width + colStep - col0 - 1) / colStep);
  const std::size_t distance = FilterDistance();
  const std::size_t stride = length + 1;
  const std::size_t rows = static_cast<std::size_t>((height - row0 + rowStep - 1) / rowStep);
  const std::size_t batchRows = std::clamp<std::size_t>(BatchBytes / stride, 1, rows);
  // Room past every line for the unfilter loops, which move whole registers.
  m_batch.resize(batchRows * stride + UnfilterPadding);
  for (auto& line : m_lines) line.assign(length + UnfilterPadding, 0);
  // The unfiltered line above (zeros for the first), the buffer that holds it, and five free
  // lines to unfilter into. A line without filter is used where it was inflated, so the one
  // above may lie in the batch; it is moved into its buffer before the batch is refilled.
  std::uint8_t* held = m_lines[0].data();
  const std::uint8_t* previous = held;
  std::uint8_t* spare[5] = {m_lines[1].data(), m_lines[2].data(), m_lines[3].data(), m_lines[4].data(),
                            m_lines[5].data()};
  int y = row0;
  for (std::size_t done = 0; done < rows;) {
    if (previous != held) {
      std::memcpy(held, previous, length);
      previous = held;
    }
    const std::size_t wanted = std::min(batchRows, rows - done) * stride;
    const std::size_t got = ReadInflated(m_batch.data(), wanted);
    if (got == 0) return false;
    std::size_t lines = got / stride;
    if (got % stride != 0) {
      std::memset(m_batch.data() + got, 0, stride - got % stride);
      ++lines;
    }
    for (std::size_t i = 0; i < lines;) {
      const std::uint8_t* top = m_batch.data() + i * stride;
      std::size_t grouped = 1;
      if (i + 4 < lines) {
        TUnfilterLine group[5];
        for (std::size_t k = 0; k < 5; ++k) group[k] = {top[k * stride], top + k * stride + 1, spare[k]};
        if (UnfilterRowFive(group, previous, length, distance)) grouped = 5;
      }
      if (grouped == 1 && i + 2 < lines) {
        const TUnfilterLine group[3] = {{top[0], top + 1, spare[0]},
                                        {top[stride], top + stride + 1, spare[1]},
                                        {top[2 * stride], top + 2 * stride + 1, spare[2]}};
        if (UnfilterRowTriple(group, previous, length, distance)) grouped = 3;
      }
      if (grouped == 1 && i + 1 < lines &&
          UnfilterRowPair(top[0], top + 1, spare[0], top[stride], top + stride + 1, spare[1], previous, length,
                          distance))
        grouped = 2;
      if (grouped == 1 && top[0] == 0) {
        Convert(top + 1, y, col0, colStep, count);
        if (m_header.Interlace == imNone) FinishRow(y, count);
        y += rowStep;
        previous = top + 1;
        ++i;
        continue;
      }
      if (grouped == 1) UnfilterRow(top[0], top + 1, spare[0], previous, length, distance);
      for (std::size_t k = 0; k < grouped; ++k, y += rowStep) {
        Convert(spare[k], y, col0, colStep, count);
        if (m_header.Interlace == imNone) FinishRow(y, count);
      }
      // The last line unfiltered is the one above the next; the buffer of the one above is free.
      std::swap(held, spare[grouped - 1]);
      previous = held;
      i += grouped;
    }
    done += lines;
    if (got < wanted) return false;
  }
  return true;
}

void TImageDecoder::Run() {
  const int bpp = m_image.Raster().BitsPerPixel;
  if (m_header.ColorType == ctGreyscale || m_header.ColorType == ctGreyscaleAlpha) m_image.BuildGreyRamp(bpp);
  const std::size_t full = LineLength(m_header.Width);
  if (m_header.Interlace == imNone) {
    DecodeLines(0, 1, 0, 1, full);
  } else {
    for (const TAdam7Pass& pass : Adam7Passes) {
      const std::size_t length = LineLength(pass.Columns(m_header.Width));
      if (length == 0) continue;
      if (!DecodeLines(pass.Row0, pass.RowStep, pass.Col0, pass.ColStep, length)) break;
    }
  }
  // An image that needs no data at all (zero rows, or no pixel in any pass) still has its data
  // inflated as far as one byte, so that data which is not a compressed stream fails as it would
  // for any other size.
  if (m_z.total_out == 0) {
    std::uint8_t probe;
    ReadInflated(&probe, 1);
  }
  FinishChunk();
}

}  // namespace

void DecodePngImageData(TPngInput& input, TPngImage& image, std::uint32_t firstSize) {
  if (std::uint64_t{firstSize} + 4 > input.Remaining()) RaisePngFailure(pfUnexpectedEnd);
  // The header is not checked for colour type and bit depth; a combination the PNG format
  // forbids has no conversion and is refused here.
  if (!image.Header().ValidFormat()) RaisePngFailure(pfInvalidIHDR);
  TImageDecoder decoder(input, image, firstSize);
  decoder.Run();
}
