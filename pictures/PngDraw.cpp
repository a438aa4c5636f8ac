// Drawing a TPNGObject onto a canvas by its AlphaKind. Each destination pixel reads one source
// pixel (by column and row repetition when the rectangle differs from the image size) and is
// composed over what the canvas already holds with
//   d = (s x a + d x (255 - a) + 255) div 256
// where a is 255 for akNone, 0 or 255 for akColorKey (0 where the image shows KeyColor) and the
// pixel's own alpha for akPerPixel. For a of 0 and 255 the formula leaves d or gives s exactly, so
// the three kinds share one loop. Pixels are read and written in the canvas's surface, inside its
// clip region.
#include <cmath>
#include <vector>

#include "pictures/pngimage.h"

namespace {

// The source index a destination index reads: trunc(x / (w / W)), or x itself at natural size.
class TAxisMap {
 public:
  TAxisMap(std::int64_t destination, int source)
      : m_natural(destination == source), m_factor(static_cast<double>(destination) / source), m_last(source - 1) {}
  bool Natural() const { return m_natural; }
  int operator()(std::int64_t x) const {
    if (m_natural) return static_cast<int>(x);
    const auto v = static_cast<std::int64_t>(std::trunc(static_cast<double>(x) / m_factor));
    return static_cast<int>(std::clamp<std::int64_t>(v, 0, m_last));
  }

 private:
  bool m_natural;
  double m_factor;
  int m_last;
};

// Source pixels of one image row as 0xAARRGGBB with the alpha the draw composes with.
class TSourceRows {
 public:
  TSourceRows(const TPNGObject& picture, TAlphaKind kind)
      : m_header(picture.Header()), m_raster(picture.Header().ColorRaster()), m_kind(kind) {
    m_line.resize(static_cast<std::size_t>(m_raster.Width));
    if (kind == akColorKey) m_key = PixelFromColor(picture.KeyColor()) & 0xFFFFFFu;
    if (const auto* trns = picture.Chunks().FindChunk<TChunktRNS>()) m_trns = trns->Table();
    if (const auto* plte = picture.Chunks().FindChunk<TChunkPLTE>()) m_paletteCount = plte->Count();
  }

  // Index of pixel x of image row y (palette and grey rasters).
  int Index(int x, int y) const {
    const std::uint8_t* row = m_raster.ImageRow(y);
    const int bits = m_raster.BitsPerPixel;
    const int at = x * bits;
    return (row[at >> 3] >> (8 - bits - (at & 7))) & ((1 << bits) - 1);
  }

  // A palette index that the per-pixel path cannot draw: EPngError.
  void CheckIndex(int index) const {
    if (index >= m_paletteCount) RaisePngError(pfNoSuchPaletteEntry);
  }
  bool IndexedPerPixel() const { return m_kind == akPerPixel && m_header.ColorType() == ctIndexed; }

  // Row y with at least columns [from, to) converted (pixels outside them are stale): a draw
  // clipped to a small area converts only the columns it reads.
  const TPixel* Row(int y, int from, int to) {
    if (y == m_cachedRow && from >= m_cachedFrom && to <= m_cachedTo) return m_line.data();
    m_cachedRow = y, m_cachedFrom = from, m_cachedTo = to;
    const std::uint8_t* row = m_raster.ImageRow(y);
    const std::uint8_t* alpha = m_header.AlphaPlane().Empty()
                                    ? nullptr
                                    : m_header.AlphaPlane().Data() + static_cast<std::size_t>(y) * m_raster.Width;
    if (m_raster.BitsPerPixel == 24) {
      TrueColour(row, alpha, from, to);
    } else {
      for (int x = from; x < to; ++x) m_line[static_cast<std::size_t>(x)] = IndexedPixel(alpha, x, y);
    }
    return m_line.data();
  }

  bool TrueColour() const { return m_raster.BitsPerPixel == 24; }
  // Composes `count` pixels of row y from column `from` over `dst` (24-bit rasters): a pixel of
  // alpha 0 is skipped before its colour is read, which is most of a diagram.
  void ComposeRow(int y, int from, TPixel* dst, int count) const;

  // Pixels of a 24-bit raster row, with the kind's questions asked once a row rather than once
  // a pixel.
  void TrueColour(const std::uint8_t* row, const std::uint8_t* alpha, int from, int to) {
    const bool perPixel = m_kind == akPerPixel && alpha != nullptr, keyed = m_kind == akColorKey;
    TPixel* line = m_line.data();
    for (int x = from; x < to; ++x) {
      const TPixel p = Rgb(row + 3 * x);
      std::uint32_t a = perPixel ? alpha[x] : 255u;
      if (keyed) a = p == m_key ? 0 : 255;
      line[x] = p | (a << 24);
    }
  }

  // The colour of three raster bytes (blue, green, red in memory), without alpha.
  static TPixel Rgb(const std::uint8_t* s) { return (std::uint32_t{s[2]} << 16) | (std::uint32_t{s[1]} << 8) | s[0]; }

  // Pixel x of row y of a palette or grey raster.
  TPixel IndexedPixel(const std::uint8_t* alpha, int x, int y) const {
    TPixel p;
    std::uint32_t a = 255;
    const int index = Index(x, y);
    if (m_kind == akPerPixel && m_header.ColorType() == ctGreyscaleAlpha) {
      p = static_cast<TPixel>(index) * 0x010101u;  // the stored grey, without the ramp
    } else {
      const TRGBQuad& c = m_raster.Palette[static_cast<std::size_t>(index)];
      p = (std::uint32_t{c.Red} << 16) | (std::uint32_t{c.Green} << 8) | c.Blue;
      if (m_kind == akPerPixel) a = m_trns[static_cast<std::size_t>(index)];
    }
    if (m_kind == akPerPixel && alpha != nullptr) a = alpha[x];
    if (m_kind == akColorKey) a = p == m_key ? 0 : 255;
    return p | (a << 24);
  }

 private:
  const TChunkIHDR& m_header;
  const TPngRaster& m_raster;
  TAlphaKind m_kind;
  TPixel m_key = 0;
  std::array<std::uint8_t, 256> m_trns{};
  int m_paletteCount = 0;
  std::vector<TPixel> m_line;
  int m_cachedRow = -1;
  int m_cachedFrom = 0;
  int m_cachedTo = 0;
};

inline TPixel Compose(TPixel s, TPixel d) {
  const std::uint32_t a = s >> 24;
  if (a == 255) return (s & 0xFFFFFFu) | (d & 0xFF000000u);
  if (a == 0) return d;
  TPixel out = d & 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) {
    const std::uint32_t sc = (s >> shift) & 0xFF, dc = (d >> shift) & 0xFF;
    out |= ((sc * a + dc * (255 - a) + 255) >> 8) << shift;
  }
  return out;
}

void TSourceRows::ComposeRow(int y, int from, TPixel* dst, int count) const {
  const std::uint8_t* row = m_raster.ImageRow(y) + 3 * static_cast<std::size_t>(from);
  const std::uint8_t* alpha = m_header.AlphaPlane().Empty()
                                  ? nullptr
                                  : m_header.AlphaPlane().Data() + static_cast<std::size_t>(y) * m_raster.Width + from;
  const bool perPixel = m_kind == akPerPixel && alpha != nullptr, keyed = m_kind == akColorKey;
  for (int i = 0; i < count; ++i, row += 3) {
    std::uint32_t a = perPixel ? alpha[i] : 255u;
    if (a == 0) continue;
    const TPixel p = Rgb(row);
    if (keyed) a = p == m_key ? 0 : 255;
    dst[i] = Compose(p | (a << 24), dst[i]);
  }
}

}  // namespace

void TPNGObject::Draw(TCanvas& canvas, const TRect& rect) {
  if (Empty() || !HasHeader()) return;
  const TChunkIHDR& header = Header();
  if (!header.ColorRaster().Allocated()) return;
  TSurface* target = canvas.Surface();
  if (target == nullptr || rect.Left == rect.Right || rect.Top == rect.Bottom) return;
  const TRect r{std::min(rect.Left, rect.Right), std::min(rect.Top, rect.Bottom), std::max(rect.Left, rect.Right),
                std::max(rect.Top, rect.Bottom)};
  const int W = static_cast<int>(header.Width()), H = static_cast<int>(header.Height());
  // The destination in device pixels: on a scaled canvas the picture covers s x s pixels each.
  const std::int64_t s = canvas.Scale();
  const std::int64_t w = (std::int64_t{r.Right} - r.Left) * s, h = (std::int64_t{r.Bottom} - r.Top) * s;
  const TAxisMap columns(w, W), rows(h, H);
  TSourceRows source(*this, AlphaKind());

  const std::int64_t left = std::int64_t{r.Left} * s + canvas.Origin().X,
                     top = std::int64_t{r.Top} * s + canvas.Origin().Y;
  if (source.IndexedPerPixel()) {
    // Every palette index drawn must exist before anything is drawn; pixels that the clip leaves
    // out are not looked at, so a huge picture drawn into a small canvas costs the canvas.
    canvas.ForEachClipped(r, [&](const TRect& part) {
      for (int sy = part.Top; sy < part.Bottom; ++sy) {
        const int y = rows(sy - top);
        for (int sx = part.Left; sx < part.Right; ++sx) source.CheckIndex(source.Index(columns(sx - left), y));
      }
    });
  }

  canvas.ForEachClipped(r, [&](const TRect& part) {
    const int from = columns(part.Left - left), to = columns(part.Right - 1 - left) + 1;
    if (columns.Natural() && source.TrueColour()) {
      // At natural width each pixel is read straight from the raster where the draw needs it.
      for (int sy = part.Top; sy < part.Bottom; ++sy)
        source.ComposeRow(rows(sy - top), from, target->Row(sy) + part.Left, part.Width());
      return;
    }
    for (int sy = part.Top; sy < part.Bottom; ++sy) {
      const TPixel* src = source.Row(rows(sy - top), from, to);
      TPixel* dst = target->Row(sy);
      for (int sx = part.Left; sx < part.Right; ++sx) dst[sx] = Compose(src[columns(sx - left)], dst[sx]);
    }
  });
}

TSurface TPNGObject::PixelsWithAlpha() const {
  if (!HasHeader() || !Header().ColorRaster().Allocated()) return {};
  const TPngRaster& raster = Header().ColorRaster();
  TSourceRows source(*this, AlphaKind());
  TSurface pixels(raster.Width, raster.Height);
  for (int y = 0; y < raster.Height; ++y) {
    if (source.IndexedPerPixel())
      for (int x = 0; x < raster.Width; ++x) source.CheckIndex(source.Index(x, y));
    std::copy_n(source.Row(y, 0, raster.Width), raster.Width, pixels.Row(y));
  }
  return pixels;
}
