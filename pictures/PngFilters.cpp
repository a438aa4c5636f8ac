// Reversing the scan-line filters, from the inflated line into a separate output line (so that
// loads never wait for the stores of the pixel before). Sub, Average and Paeth depend on the byte
// one pixel to the left, so they run pixel by pixel; for pixels of 3 to 8 bytes one pixel is one
// SSE2 register of 16-bit lanes, and the Paeth choice is made with masks instead of branches (on
// real pictures the choice looks random, so branches would mispredict constantly). None and Up
// have no such dependency and run 16 bytes at a time.
#include "pictures/PngFilters.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The Paeth predictor without branches.
inline int Paeth(int a, int b, int c) {
  const int pa = std::abs(b - c);
  const int pb = std::abs(a - c);
  const int pc = std::abs(a + b - 2 * c);
  const int bc = pb <= pc ? b : c;
  return (pa <= pb && pa <= pc) ? a : bc;
}

void SubScalar(const std::uint8_t* raw, std::uint8_t* out, std::size_t length, std::size_t d) {
  const std::size_t head = std::min(d, length);
  std::memcpy(out, raw, head);
  for (std::size_t i = head; i < length; ++i) out[i] = static_cast<std::uint8_t>(raw[i] + out[i - d]);
}

void UpScalar(const std::uint8_t* raw, std::uint8_t* out, const std::uint8_t* prev, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) out[i] = static_cast<std::uint8_t>(raw[i] + prev[i]);
}

void AverageScalar(const std::uint8_t* raw, std::uint8_t* out, const std::uint8_t* prev, std::size_t length,
                   std::size_t d) {
  const std::size_t head = std::min(d, length);
  for (std::size_t i = 0; i < head; ++i) out[i] = static_cast<std::uint8_t>(raw[i] + (prev[i] >> 1));
  for (std::size_t i = head; i < length; ++i)
    out[i] = static_cast<std::uint8_t>(raw[i] + ((out[i - d] + prev[i]) >> 1));
}

void PaethScalar(const std::uint8_t* raw, std::uint8_t* out, const std::uint8_t* prev, std::size_t length,
                 std::size_t d) {
  const std::size_t head = std::min(d, length);
  for (std::size_t i = 0; i < head; ++i) out[i] = static_cast<std::uint8_t>(raw[i] + prev[i]);
  for (std::size_t i = head; i < length; ++i)
    out[i] = static_cast<std::uint8_t>(raw[i] + Paeth(out[i - d], prev[i], prev[i - d]));
}

#if defined(__SSE2__)

// One pixel of D bytes in the low lanes of a register of 16-bit lanes. Loads and stores move 4 or
// 8 bytes; the lanes past the pixel hold whatever follows it and are overwritten by the next
// pixel's store (or land in the padding after the line).
template <std::size_t D>
inline __m128i LoadPixel(const std::uint8_t* p) {
  if constexpr (D <= 4) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(v)), _mm_setzero_si128());
  } else {
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
  }
}

template <std::size_t D>
inline void StorePixel(std::uint8_t* p, __m128i v) {
  const __m128i packed = _mm_packus_epi16(v, v);
  if constexpr (D <= 4) {
    const auto bytes = static_cast<std::uint32_t>(_mm_cvtsi128_si32(packed));
    std::memcpy(p, &bytes, 4);
  } else {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), packed);
  }
}

inline __m128i Abs16(__m128i v) { return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v)); }
inline __m128i Low8(__m128i v) { return _mm_and_si128(v, _mm_set1_epi16(0xFF)); }

template <std::size_t D>
void SubPixels(const std::uint8_t* raw, std::uint8_t* out, std::size_t length) {
  __m128i a = _mm_setzero_si128();
  for (std::size_t i = 0; i + D <= length; i += D) {
    a = Low8(_mm_add_epi16(LoadPixel<D>(raw + i), a));
    StorePixel<D>(out + i, a);
  }
}

template <std::size_t D>
void AveragePixels(const std::uint8_t* raw, std::uint8_t* out, const std::uint8_t* prev, std::size_t length) {
  __m128i a = _mm_setzero_si128();
  for (std::size_t i = 0; i + D <= length; i += D) {
    const __m128i b = LoadPixel<D>(prev + i);
    a = Low8(_mm_add_epi16(LoadPixel<D>(raw + i), _mm_srli_epi16(_mm_add_epi16(a, b), 1)));
    StorePixel<D>(out + i, a);
  }
}

template <std::size_t D>
void PaethPixels(const std::uint8_t* raw, std::uint8_t* out, const std::uint8_t* prev, std::size_t length) {
  __m128i a = _mm_setzero_si128(), c = _mm_setzero_si128();
  for (std::size_t i = 0; i + D <= length; i += D) {
    const __m128i b = LoadPixel<D>(prev + i);
    const __m128i bMinusC = _mm_sub_epi16(b, c), aMinusC = _mm_sub_epi16(a, c);
    const __m128i pa = Abs16(bMinusC), pb = Abs16(aMinusC), pc = Abs16(_mm_add_epi16(bMinusC, aMinusC));
    // a where pa <= pb and pa <= pc; otherwise b where pb <= pc; otherwise c.
    const __m128i notA = _mm_cmpgt_epi16(pa, _mm_min_epi16(pb, pc));
    const __m128i notB = _mm_cmpgt_epi16(pb, pc);
    const __m128i bOrC = _mm_or_si128(_mm_andnot_si128(notB, b), _mm_and_si128(notB, c));
    const __m128i predictor = _mm_or_si128(_mm_andnot_si128(notA, a), _mm_and_si128(notA, bOrC));
    a = Low8(_mm_add_epi16(LoadPixel<D>(raw + i), predictor));
    StorePixel<D>(out + i, a);
    c = b;
  }
}

void UpVector(const std::uint8_t* raw, std::uint8_t* out, const std::uint8_t* prev, std::size_t length) {
  for (std::size_t i = 0; i < length; i += 16) {
    const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw + i));
    const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(prev + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_add_epi8(r, p));
  }
}

template <std::size_t D>
void UnfilterPixels(std::uint8_t filter, const std::uint8_t* raw, std::uint8_t* out, const std::uint8_t* prev,
                    std::size_t length) {
  switch (filter) {
    case 1: SubPixels<D>(raw, out, length); break;
    case 2: UpVector(raw, out, prev, length); break;
    case 3: AveragePixels<D>(raw, out, prev, length); break;
    case 4: PaethPixels<D>(raw, out, prev, length); break;
    default: std::memcpy(out, raw, length); break;
  }
}

#endif

}  // namespace

void UnfilterRow(std::uint8_t filter, const std::uint8_t* raw, std::uint8_t* out, const std::uint8_t* previous,
                 std::size_t length, std::size_t distance) {
#if defined(__SSE2__)
  // The line length is a whole number of pixels for these distances.
  switch (distance) {
    case 3: UnfilterPixels<3>(filter, raw, out, previous, length); return;
    case 4: UnfilterPixels<4>(filter, raw, out, previous, length); return;
    case 6: UnfilterPixels<6>(filter, raw, out, previous, length); return;
    case 8: UnfilterPixels<8>(filter, raw, out, previous, length); return;
    default:
      if (filter == 2) {
        UpVector(raw, out, previous, length);
        return;
      }
      break;
  }
#endif
  switch (filter) {
    case 1: SubScalar(raw, out, length, distance); break;
    case 2: UpScalar(raw, out, previous, length); break;
    case 3: AverageScalar(raw, out, previous, length, distance); break;
    case 4: PaethScalar(raw, out, previous, length, distance); break;
    default: std::memcpy(out, raw, length); break;
  }
}
