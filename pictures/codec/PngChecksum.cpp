// Adler-32: s1 is 1 plus the sum of the bytes, s2 the sum of the successive s1 values, both
// modulo 65521. With SSSE3, 32 bytes at a time: s1 grows by their sum, s2 by 32 x s1 before them
// plus the bytes weighted 32 down to 1. The sums stay in 32-bit lanes for at most BlockBytes
// bytes, then are reduced.
#include "pictures/codec/PngChecksum.h"

#include <algorithm>

#include "pictures/codec/CpuFeatures.h"

#if defined(ORV_PNG_X86)
#include <immintrin.h>
#endif

namespace {

constexpr std::uint32_t Modulus = 65521;
// The most bytes after which s2 still fits in 32 bits when every byte is 255.
constexpr std::size_t BlockBytes = 5552;

void AddScalar(std::uint32_t& s1, std::uint32_t& s2, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const std::size_t n = std::min(size, BlockBytes);
    for (std::size_t i = 0; i < n; ++i) {
      s1 += data[i];
      s2 += s1;
    }
    s1 %= Modulus;
    s2 %= Modulus;
    data += n;
    size -= n;
  }
}

#if defined(ORV_PNG_X86)

std::uint64_t LaneSum(__m128i v) {
  alignas(16) std::uint32_t lanes[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), v);
  return std::uint64_t{lanes[0]} + lanes[1] + lanes[2] + lanes[3];
}

// Adds the whole 32-byte steps of `size` bytes; returns the bytes done. Each step is two 16-byte
// halves with sums of their own, so that the additions of one step do not wait for each other.
__attribute__((target("ssse3"))) std::size_t AddSsse3(std::uint32_t& s1, std::uint32_t& s2, const std::uint8_t* data,
                                                      std::size_t size) {
  // The first half's bytes are 32 down to 17 bytes from the step's end, the second's 16 down to 1.
  const __m128i firstWeights = _mm_setr_epi8(32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17);
  const __m128i secondWeights = _mm_setr_epi8(16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1);
  const __m128i ones = _mm_set1_epi16(1);
  const __m128i zero = _mm_setzero_si128();
  std::size_t done = 0;
  while (size - done >= 32) {
    const std::size_t steps = std::min(size - done, BlockBytes) / 32;
    __m128i sum = zero;       // the bytes of the steps so far in this block
    __m128i before = zero;    // the sums of the bytes before each step, added up
    __m128i weighted = zero;  // the bytes weighted by their distance from their step's end
    for (std::size_t k = 0; k < steps; ++k, done += 32) {
      const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + done));
      const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + done + 16));
      before = _mm_add_epi32(before, sum);
      sum = _mm_add_epi32(sum, _mm_add_epi32(_mm_sad_epu8(first, zero), _mm_sad_epu8(second, zero)));
      const __m128i w = _mm_add_epi16(_mm_maddubs_epi16(first, firstWeights), _mm_maddubs_epi16(second, secondWeights));
      weighted = _mm_add_epi32(weighted, _mm_madd_epi16(w, ones));
    }
    const std::uint64_t n = steps * 32;
    const std::uint64_t t2 = s2 + n * s1 + 32 * LaneSum(before) + LaneSum(weighted);
    s1 = static_cast<std::uint32_t>((s1 + LaneSum(sum)) % Modulus);
    s2 = static_cast<std::uint32_t>(t2 % Modulus);
  }
  return done;
}

#endif

}  // namespace

std::uint32_t Adler32Scalar(std::uint32_t adler, const std::uint8_t* data, std::size_t size) {
  std::uint32_t s1 = adler & 0xFFFF, s2 = adler >> 16;
  AddScalar(s1, s2, data, size);
  return (s2 << 16) | s1;
}

std::uint32_t Adler32(std::uint32_t adler, const std::uint8_t* data, std::size_t size) {
  std::uint32_t s1 = adler & 0xFFFF, s2 = adler >> 16;
  std::size_t done = 0;
#if defined(ORV_PNG_X86)
  if (CpuHasSsse3()) done = AddSsse3(s1, s2, data, size);
#endif
  AddScalar(s1, s2, data + done, size - done);
  return (s2 << 16) | s1;
}
