// The byte shuffles run 16 bytes at a time with SSSE3 where the processor has it (checked once),
// and byte by byte otherwise and for the last pixels of a row, where a 16-byte store would run
// into the next raster row.
#include "pictures/codec/PngConvert.h"

#include <cstring>

#include "pictures/codec/CpuFeatures.h"

#if defined(ORV_PNG_X86)
#include <immintrin.h>
#endif

void RgbToBgrScalar(const std::uint8_t* src, std::uint8_t* dst, std::size_t from, std::size_t pixels) {
  for (std::size_t k = from; k < pixels; ++k) {
    dst[3 * k] = src[3 * k + 2];
    dst[3 * k + 1] = src[3 * k + 1];
    dst[3 * k + 2] = src[3 * k];
  }
}

void RgbaToBgrAlphaScalar(const std::uint8_t* src, std::uint8_t* dst, std::uint8_t* alpha, std::size_t from,
                          std::size_t pixels) {
  for (std::size_t k = from; k < pixels; ++k) {
    dst[3 * k] = src[4 * k + 2];
    dst[3 * k + 1] = src[4 * k + 1];
    dst[3 * k + 2] = src[4 * k];
    alpha[k] = src[4 * k + 3];
  }
}

void Rgb16ToBgrScalar(const std::uint8_t* src, std::uint8_t* dst, std::uint8_t* wide, std::size_t from,
                      std::size_t pixels) {
  for (std::size_t k = from; k < pixels; ++k) {
    const std::uint8_t* s = src + 6 * k;
    dst[3 * k] = s[4];
    dst[3 * k + 1] = s[2];
    dst[3 * k + 2] = s[0];
    wide[3 * k] = s[5];
    wide[3 * k + 1] = s[3];
    wide[3 * k + 2] = s[1];
  }
}

namespace {

#if defined(ORV_PNG_X86)

// Five pixels per step: 15 bytes in, 15 bytes out; the 16th byte stored is overwritten by the
// next step.
__attribute__((target("ssse3"))) std::size_t RgbToBgrSsse3(const std::uint8_t* src, std::uint8_t* dst,
                                                           std::size_t pixels, std::size_t dstRoom) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
  std::size_t k = 0;
  for (; k + 5 <= pixels && 3 * k + 16 <= dstRoom; k += 5) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * k));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 3 * k), _mm_shuffle_epi8(v, order));
  }
  return k;
}

// Four pixels per step: 16 bytes in, 12 colour bytes and 4 alpha bytes out.
__attribute__((target("ssse3"))) std::size_t RgbaToBgrAlphaSsse3(const std::uint8_t* src, std::uint8_t* dst,
                                                                 std::uint8_t* alpha, std::size_t pixels,
                                                                 std::size_t dstRoom) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, 3, 7, 11, 15);
  std::size_t k = 0;
  for (; k + 4 <= pixels && 3 * k + 16 <= dstRoom; k += 4) {
    const __m128i v = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * k)), order);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 3 * k), v);
    const auto a = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(v, 12)));
    std::memcpy(alpha + k, &a, 4);
  }
  return k;
}

// Two pixels per step: 12 bytes in; the high bytes go to the low half of the register, the low
// bytes to the high half, and each half is stored as 8 bytes of which the last 2 are overwritten
// by the next step.
__attribute__((target("ssse3"))) std::size_t Rgb16ToBgrSsse3(const std::uint8_t* src, std::uint8_t* dst,
                                                             std::uint8_t* wide, std::size_t pixels,
                                                             std::size_t dstRoom) {
  const __m128i order = _mm_setr_epi8(4, 2, 0, 10, 8, 6, -1, -1, 5, 3, 1, 11, 9, 7, -1, -1);
  std::size_t k = 0;
  for (; k + 2 <= pixels && 3 * k + 8 <= dstRoom; k += 2) {
    const __m128i v = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 6 * k)), order);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + 3 * k), v);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(wide + 3 * k), _mm_srli_si128(v, 8));
  }
  return k;
}

#else

// Elsewhere (other processors, the scalar-only build) the scalar twins convert every pixel: these
// are never called, as CpuHasSsse3() is false there.
std::size_t RgbToBgrSsse3(const std::uint8_t*, std::uint8_t*, std::size_t, std::size_t) { return 0; }
std::size_t RgbaToBgrAlphaSsse3(const std::uint8_t*, std::uint8_t*, std::uint8_t*, std::size_t, std::size_t) {
  return 0;
}
std::size_t Rgb16ToBgrSsse3(const std::uint8_t*, std::uint8_t*, std::uint8_t*, std::size_t, std::size_t) { return 0; }

#endif

}  // namespace

// Each converts what the SSSE3 kernel can where the processor has it (the kernel stops where a
// 16-byte store would pass dstRoom), and the rest with the scalar twin.
void RgbToBgr(const std::uint8_t* src, std::uint8_t* dst, std::size_t pixels, std::size_t dstRoom) {
  const std::size_t done = CpuHasSsse3() ? RgbToBgrSsse3(src, dst, pixels, dstRoom) : 0;
  RgbToBgrScalar(src, dst, done, pixels);
}

void RgbaToBgrAlpha(const std::uint8_t* src, std::uint8_t* dst, std::uint8_t* alpha, std::size_t pixels,
                    std::size_t dstRoom) {
  const std::size_t done = CpuHasSsse3() ? RgbaToBgrAlphaSsse3(src, dst, alpha, pixels, dstRoom) : 0;
  RgbaToBgrAlphaScalar(src, dst, alpha, done, pixels);
}

void Rgb16ToBgr(const std::uint8_t* src, std::uint8_t* dst, std::uint8_t* wide, std::size_t pixels,
                std::size_t dstRoom) {
  const std::size_t done = CpuHasSsse3() ? Rgb16ToBgrSsse3(src, dst, wide, pixels, dstRoom) : 0;
  Rgb16ToBgrScalar(src, dst, wide, done, pixels);
}
