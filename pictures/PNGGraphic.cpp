#include "pictures/PNGGraphic.h"

#include <algorithm>

#include "pictures/pngimage.h"

namespace {

// One blended channel: ((s - d) x a + d x 256) >> 8, which is never negative.
inline std::uint32_t BlendChannel(std::uint32_t s, std::uint32_t d, std::uint32_t a) {
  return static_cast<std::uint32_t>((static_cast<std::int32_t>(s) - static_cast<std::int32_t>(d)) *
                                        static_cast<std::int32_t>(a) +
                                    static_cast<std::int32_t>(d) * 256) >>
         8;
}

inline TPixel BlendAlphaBitmap(TPixel s, TPixel d) {
  const std::uint32_t a = s >> 24;
  TPixel out = d & 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) out |= BlendChannel((s >> shift) & 0xFF, (d >> shift) & 0xFF, a) << shift;
  return out;
}

// The span [first, last) of source indices that destination index x of `destination` covers
// (at least one).
inline void SourceSpan(std::int64_t x, std::int64_t destination, std::int64_t source, std::int64_t& first,
                       std::int64_t& last) {
  first = x * source / destination;
  last = std::max(first + 1, ((x + 1) * source + destination - 1) / destination);
  last = std::min(last, source);
}

// The area average of the source pixels under destination pixel (x, y) of a w x h copy; colour
// and alpha are averaged separately, as the colour image and the alpha image are stretched apart.
TPixel Resampled(const TSurface& src, std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h) {
  std::int64_t x0, x1, y0, y1;
  SourceSpan(x, w, src.Width, x0, x1);
  SourceSpan(y, h, src.Height, y0, y1);
  std::uint64_t sum[4] = {};
  for (std::int64_t sy = y0; sy < y1; ++sy) {
    const TPixel* row = src.Row(static_cast<int>(sy));
    for (std::int64_t sx = x0; sx < x1; ++sx)
      for (int c = 0; c < 4; ++c) sum[c] += (row[sx] >> (8 * c)) & 0xFF;
  }
  const std::uint64_t n = static_cast<std::uint64_t>((x1 - x0) * (y1 - y0));
  TPixel p = 0;
  for (int c = 0; c < 4; ++c) p |= static_cast<TPixel>((sum[c] + n / 2) / n) << (8 * c);
  return p;
}

}  // namespace

void TPNGGraphic::Draw(TCanvas& canvas, const TRect& rect) {
  if (PixelFormat() != pf32bit) {
    TBitmap::Draw(canvas, rect);
    return;
  }
  TSurface* target = canvas.Surface();
  // The destination in device pixels: on a scaled canvas the picture covers s x s pixels each.
  const std::int64_t s = canvas.Scale();
  const std::int64_t w = (std::int64_t{rect.Right} - rect.Left) * s, h = (std::int64_t{rect.Bottom} - rect.Top) * s;
  if (target == nullptr || Empty() || w <= 0 || h <= 0) return;
  const TSurface& src = Surface();
  const bool natural = w == src.Width && h == src.Height;
  const std::int64_t left = std::int64_t{rect.Left} * s + canvas.Origin().X;
  const std::int64_t top = std::int64_t{rect.Top} * s + canvas.Origin().Y;
  canvas.ForEachClipped(rect, [&](const TRect& part) {
    for (int sy = part.Top; sy < part.Bottom; ++sy) {
      const std::int64_t y = sy - top;
      TPixel* dst = target->Row(sy);
      for (int sx = part.Left; sx < part.Right; ++sx) {
        const std::int64_t x = sx - left;
        const TPixel s = natural ? src.At(static_cast<int>(x), static_cast<int>(y)) : Resampled(src, x, y, w, h);
        dst[sx] = BlendAlphaBitmap(s, dst[sx]);
      }
    }
  });
}

void TPNGGraphic::LoadFromStream(TStream& stream) {
  TPNGObject png;
  png.LoadFromStream(stream);
  TSurface pixels = png.PixelsWithAlpha();
  SetSize(0, 0);
  SetSize(pixels.Width, pixels.Height);
  Surface().Pixels = std::move(pixels.Pixels);
  SetPixelFormat(pf32bit);
}
