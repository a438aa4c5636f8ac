// Reversing the scan-line filters, from the inflated line into a separate output line (so that
// loads never wait for the stores of the pixel before).
//
// None and Up have no dependency along the line and run 16 bytes at a time. Sub, Average and
// Paeth depend on the unfiltered pixel to the left, so they run pixel by pixel: for pixels of 3
// to 8 bytes one pixel is one SSE2 register of 16-bit lanes, and the Paeth choice is made with
// masks instead of branches (on real pictures it looks random, so branches would mispredict).
// Such a line is one long chain of dependent steps; two consecutive lines of these filters are
// therefore unfiltered together, the lower one pixel behind the upper (its pixel x needs the upper
// line's pixels x and x - D, produced one step before), so that the two chains overlap; the same
// holds for two such lines with a None or Up line between them, the usual pattern of pictures
// whose encoder alternates Up and Paeth, and for the run Paeth, Up, Paeth, Up, Paeth.
#include "pictures/codec/PngFilters.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "pictures/codec/CpuFeatures.h"

#if defined(ORV_PNG_SSE2)
#include <emmintrin.h>
#endif

namespace {

// The Paeth predictor without branches.
inline int Paeth(int a, int b, int c) {
  const int pa = std::abs(b - c);
  const int pb = std::abs(a - c);
  const int pc = std::abs(a + b - 2 * c);
  const int bc = pb <= pc ? b : c;
  const bool useA = (pa <= pb) & (pa <= pc);  // no short circuit: no branch
  return useA ? a : bc;
}

#if defined(ORV_PNG_SSE2)

inline __m128i Abs16(__m128i v) { return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v)); }
inline __m128i Low8(__m128i v) { return _mm_and_si128(v, _mm_set1_epi16(0xFF)); }

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

// A pixel of D bytes held in a register.
template <std::size_t D>
struct TVectorPixel {
  using TValue = __m128i;
  static constexpr std::size_t Size = D;
  static TValue Zero() { return _mm_setzero_si128(); }
  static TValue Load(const std::uint8_t* p) { return LoadPixel<D>(p); }
  static void Store(std::uint8_t* p, TValue v) { StorePixel<D>(p, v); }
};

#endif

// A one-byte pixel held in a register (not reloaded from the line, which would put a store and
// a load on the dependency chain).
struct TBytePixel {
  using TValue = int;
  static constexpr std::size_t Size = 1;
  static TValue Zero() { return 0; }
  static TValue Load(const std::uint8_t* p) { return *p; }
  static void Store(std::uint8_t* p, TValue v) { *p = static_cast<std::uint8_t>(v); }
};

// The serial filters as functions of the raw value and the unfiltered neighbours a (left),
// b (above) and c (above left): on single bytes, and on one pixel in a register.
struct TSubFilter {
  static int Apply(int raw, int a, int, int) { return (raw + a) & 0xFF; }
#if defined(ORV_PNG_SSE2)
  static __m128i Apply(__m128i raw, __m128i a, __m128i, __m128i) { return Low8(_mm_add_epi16(raw, a)); }
#endif
};

struct TAverageFilter {
  static int Apply(int raw, int a, int b, int) { return (raw + ((a + b) >> 1)) & 0xFF; }
#if defined(ORV_PNG_SSE2)
  static __m128i Apply(__m128i raw, __m128i a, __m128i b, __m128i) {
    return Low8(_mm_add_epi16(raw, _mm_srli_epi16(_mm_add_epi16(a, b), 1)));
  }
#endif
};

struct TPaethFilter {
  static int Apply(int raw, int a, int b, int c) { return (raw + Paeth(a, b, c)) & 0xFF; }
#if defined(ORV_PNG_SSE2)
  static __m128i Apply(__m128i raw, __m128i a, __m128i b, __m128i c) {
    const __m128i bMinusC = _mm_sub_epi16(b, c), aMinusC = _mm_sub_epi16(a, c);
    const __m128i pa = Abs16(bMinusC), pb = Abs16(aMinusC), pc = Abs16(_mm_add_epi16(bMinusC, aMinusC));
    // a where pa <= pb and pa <= pc; otherwise b where pb <= pc; otherwise c.
    const __m128i notA = _mm_cmpgt_epi16(pa, _mm_min_epi16(pb, pc));
    const __m128i notB = _mm_cmpgt_epi16(pb, pc);
    const __m128i bOrC = _mm_or_si128(_mm_andnot_si128(notB, b), _mm_and_si128(notB, c));
    return Low8(_mm_add_epi16(raw, _mm_or_si128(_mm_andnot_si128(notA, a), _mm_and_si128(notA, bOrC))));
  }
#endif
};

// None and Up as functions of the same shape, for the middle line of a group of three.
struct TNoneFilter {
  static int Apply(int raw, int, int, int) { return raw; }
#if defined(ORV_PNG_SSE2)
  static __m128i Apply(__m128i raw, __m128i, __m128i, __m128i) { return raw; }
#endif
};

struct TUpFilter {
  static int Apply(int raw, int, int b, int) { return (raw + b) & 0xFF; }
#if defined(ORV_PNG_SSE2)
  static __m128i Apply(__m128i raw, __m128i, __m128i b, __m128i) { return Low8(_mm_add_epi16(raw, b)); }
#endif
};

// --- One line ---------------------------------------------------------------------------------

template <class TFilter>
void SerialBytes(const std::uint8_t* raw, std::uint8_t* out, const std::uint8_t* prev, std::size_t length,
                 std::size_t d) {
  for (std::size_t i = 0; i < length; ++i) {
    const bool left = i >= d;
    out[i] = static_cast<std::uint8_t>(TFilter::Apply(raw[i], left ? out[i - d] : 0, prev[i], left ? prev[i - d] : 0));
  }
}

void UpBytes(const std::uint8_t* raw, std::uint8_t* out, const std::uint8_t* prev, std::size_t length) {
  std::size_t i = 0;
#if defined(ORV_PNG_SSE2)
  for (; i < length; i += 16) {  // the last step runs into the padding
    const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw + i));
    const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(prev + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_add_epi8(r, p));
  }
#endif
  for (; i < length; ++i) out[i] = static_cast<std::uint8_t>(raw[i] + prev[i]);
}

template <class P, class TFilter>
void SerialPixels(const std::uint8_t* raw, std::uint8_t* out, const std::uint8_t* prev, std::size_t length) {
  constexpr std::size_t D = P::Size;
  typename P::TValue a = P::Zero(), c = P::Zero();
  for (std::size_t i = 0; i < length; i += D) {
    const typename P::TValue b = P::Load(prev + i);
    a = TFilter::Apply(P::Load(raw + i), a, b, c);
    P::Store(out + i, a);
    c = b;
  }
}

template <std::size_t D, class TFilter>
void Serial(const std::uint8_t* raw, std::uint8_t* out, const std::uint8_t* prev, std::size_t length) {
  if constexpr (D == 1) {
    SerialPixels<TBytePixel, TFilter>(raw, out, prev, length);
    return;
  }
#if defined(ORV_PNG_SSE2)
  if constexpr (D >= 3) {
    SerialPixels<TVectorPixel<D>, TFilter>(raw, out, prev, length);
    return;
  }
#endif
  SerialBytes<TFilter>(raw, out, prev, length, D);
}

template <std::size_t D>
void UnfilterLine(std::uint8_t filter, const std::uint8_t* raw, std::uint8_t* out, const std::uint8_t* prev,
                  std::size_t length) {
  switch (filter) {
    case 1: Serial<D, TSubFilter>(raw, out, prev, length); break;
    case 2: UpBytes(raw, out, prev, length); break;
    case 3: Serial<D, TAverageFilter>(raw, out, prev, length); break;
    case 4: Serial<D, TPaethFilter>(raw, out, prev, length); break;
    default: std::memcpy(out, raw, length); break;
  }
}

// --- Two lines --------------------------------------------------------------------------------

template <std::size_t D, class TTop, class TBottom>
void PairBytes(const std::uint8_t* topRaw, std::uint8_t* topOut, const std::uint8_t* bottomRaw, std::uint8_t* bottomOut,
               const std::uint8_t* prev, std::size_t length) {
  // Byte i of the upper line, then byte i - D of the lower one.
  for (std::size_t i = 0; i < length + D; ++i) {
    if (i < length) {
      const bool left = i >= D;
      topOut[i] =
          static_cast<std::uint8_t>(TTop::Apply(topRaw[i], left ? topOut[i - D] : 0, prev[i], left ? prev[i - D] : 0));
    }
    if (i >= D) {
      const std::size_t x = i - D;
      const bool left = x >= D;
      bottomOut[x] = static_cast<std::uint8_t>(
          TBottom::Apply(bottomRaw[x], left ? bottomOut[x - D] : 0, topOut[x], left ? topOut[x - D] : 0));
    }
  }
}

template <class P, class TTop, class TBottom>
void PairPixels(const std::uint8_t* topRaw, std::uint8_t* topOut, const std::uint8_t* bottomRaw,
                std::uint8_t* bottomOut, const std::uint8_t* prev, std::size_t length) {
  constexpr std::size_t D = P::Size;
  const typename P::TValue zero = P::Zero();
  // topA/topC: the upper line's left and above-left pixels; bottomA/bottomC the lower line's.
  typename P::TValue topA = zero, topC = zero, bottomA = zero, bottomC = zero;
  for (std::size_t i = 0; i <= length; i += D) {
    typename P::TValue topNew = zero, topB = zero;
    if (i < length) {
      topB = P::Load(prev + i);
      topNew = TTop::Apply(P::Load(topRaw + i), topA, topB, topC);
      P::Store(topOut + i, topNew);
    }
    if (i >= D) {
      // The lower pixel at i - D: above it is topA (upper pixel i - D), above-left bottomC.
      bottomA = TBottom::Apply(P::Load(bottomRaw + i - D), bottomA, topA, bottomC);
      P::Store(bottomOut + i - D, bottomA);
      bottomC = topA;
    }
    topA = topNew;
    topC = topB;
  }
}

template <std::size_t D, class TTop, class TBottom>
void Pair(const std::uint8_t* topRaw, std::uint8_t* topOut, const std::uint8_t* bottomRaw, std::uint8_t* bottomOut,
          const std::uint8_t* prev, std::size_t length) {
  if constexpr (D == 1) {
    PairPixels<TBytePixel, TTop, TBottom>(topRaw, topOut, bottomRaw, bottomOut, prev, length);
    return;
  }
#if defined(ORV_PNG_SSE2)
  if constexpr (D >= 3) {
    PairPixels<TVectorPixel<D>, TTop, TBottom>(topRaw, topOut, bottomRaw, bottomOut, prev, length);
    return;
  }
#endif
  PairBytes<D, TTop, TBottom>(topRaw, topOut, bottomRaw, bottomOut, prev, length);
}

template <std::size_t D, class TTop>
bool PairWithTop(std::uint8_t bottom, const std::uint8_t* topRaw, std::uint8_t* topOut, const std::uint8_t* bottomRaw,
                 std::uint8_t* bottomOut, const std::uint8_t* prev, std::size_t length) {
  switch (bottom) {
    case 1: Pair<D, TTop, TSubFilter>(topRaw, topOut, bottomRaw, bottomOut, prev, length); return true;
    case 3: Pair<D, TTop, TAverageFilter>(topRaw, topOut, bottomRaw, bottomOut, prev, length); return true;
    case 4: Pair<D, TTop, TPaethFilter>(topRaw, topOut, bottomRaw, bottomOut, prev, length); return true;
    default: return false;
  }
}

template <std::size_t D>
bool UnfilterPair(std::uint8_t top, std::uint8_t bottom, const std::uint8_t* topRaw, std::uint8_t* topOut,
                  const std::uint8_t* bottomRaw, std::uint8_t* bottomOut, const std::uint8_t* prev,
                  std::size_t length) {
  switch (top) {
    case 1: return PairWithTop<D, TSubFilter>(bottom, topRaw, topOut, bottomRaw, bottomOut, prev, length);
    case 3: return PairWithTop<D, TAverageFilter>(bottom, topRaw, topOut, bottomRaw, bottomOut, prev, length);
    case 4: return PairWithTop<D, TPaethFilter>(bottom, topRaw, topOut, bottomRaw, bottomOut, prev, length);
    default: return false;
  }
}

// --- Three lines ------------------------------------------------------------------------------
// A serial line, a None or Up line, and another serial line: each line one pixel behind the one
// above, so the two serial chains overlap as in a pair.

template <std::size_t D, class TTop, class TMid, class TBottom>
void TripleBytes(const TUnfilterLine* lines, const std::uint8_t* prev, std::size_t length) {
  const std::uint8_t* raw0 = lines[0].Raw;
  const std::uint8_t* raw1 = lines[1].Raw;
  const std::uint8_t* raw2 = lines[2].Raw;
  std::uint8_t* out0 = lines[0].Out;
  std::uint8_t* out1 = lines[1].Out;
  std::uint8_t* out2 = lines[2].Out;
  for (std::size_t i = 0; i < length + 2 * D; ++i) {
    if (i < length) {
      const bool left = i >= D;
      out0[i] =
          static_cast<std::uint8_t>(TTop::Apply(raw0[i], left ? out0[i - D] : 0, prev[i], left ? prev[i - D] : 0));
    }
    if (i >= D && i - D < length) {
      const std::size_t x = i - D;
      const bool left = x >= D;
      out1[x] =
          static_cast<std::uint8_t>(TMid::Apply(raw1[x], left ? out1[x - D] : 0, out0[x], left ? out0[x - D] : 0));
    }
    if (i >= 2 * D) {
      const std::size_t x = i - 2 * D;
      const bool left = x >= D;
      out2[x] =
          static_cast<std::uint8_t>(TBottom::Apply(raw2[x], left ? out2[x - D] : 0, out1[x], left ? out1[x - D] : 0));
    }
  }
}

template <class P, class TTop, class TMid, class TBottom>
void TriplePixels(const TUnfilterLine* lines, const std::uint8_t* prev, std::size_t length) {
  constexpr std::size_t D = P::Size;
  const typename P::TValue zero = P::Zero();
  // Per line: the pixel to the left (a) and the one above-left (c) of the pixel done next.
  typename P::TValue topA = zero, topC = zero, midA = zero, midC = zero, bottomA = zero, bottomC = zero;
  for (std::size_t i = 0; i < length + 2 * D; i += D) {
    if (i >= 2 * D) {
      const std::size_t x = i - 2 * D;
      bottomA = TBottom::Apply(P::Load(lines[2].Raw + x), bottomA, midA, bottomC);
      P::Store(lines[2].Out + x, bottomA);
      bottomC = midA;
    }
    if (i >= D && i - D < length) {
      const std::size_t x = i - D;
      midA = TMid::Apply(P::Load(lines[1].Raw + x), midA, topA, midC);
      P::Store(lines[1].Out + x, midA);
      midC = topA;
    }
    if (i < length) {
      const typename P::TValue b = P::Load(prev + i);
      topA = TTop::Apply(P::Load(lines[0].Raw + i), topA, b, topC);
      P::Store(lines[0].Out + i, topA);
      topC = b;
    }
  }
}

template <std::size_t D, class TTop, class TMid, class TBottom>
void Triple(const TUnfilterLine* lines, const std::uint8_t* prev, std::size_t length) {
  if constexpr (D == 1) {
    TriplePixels<TBytePixel, TTop, TMid, TBottom>(lines, prev, length);
    return;
  }
#if defined(ORV_PNG_SSE2)
  if constexpr (D >= 3) {
    TriplePixels<TVectorPixel<D>, TTop, TMid, TBottom>(lines, prev, length);
    return;
  }
#endif
  TripleBytes<D, TTop, TMid, TBottom>(lines, prev, length);
}

template <std::size_t D, class TTop, class TMid>
bool TripleWith(std::uint8_t bottom, const TUnfilterLine* lines, const std::uint8_t* prev, std::size_t length) {
  switch (bottom) {
    case 1: Triple<D, TTop, TMid, TSubFilter>(lines, prev, length); return true;
    case 3: Triple<D, TTop, TMid, TAverageFilter>(lines, prev, length); return true;
    case 4: Triple<D, TTop, TMid, TPaethFilter>(lines, prev, length); return true;
    default: return false;
  }
}

template <std::size_t D, class TTop>
bool TripleWithTop(std::uint8_t mid, std::uint8_t bottom, const TUnfilterLine* lines, const std::uint8_t* prev,
                   std::size_t length) {
  switch (mid) {
    case 0: return TripleWith<D, TTop, TNoneFilter>(bottom, lines, prev, length);
    case 2: return TripleWith<D, TTop, TUpFilter>(bottom, lines, prev, length);
    default: return false;
  }
}

template <std::size_t D>
bool UnfilterTriple(const TUnfilterLine* lines, const std::uint8_t* prev, std::size_t length) {
  const std::uint8_t mid = lines[1].Filter, bottom = lines[2].Filter;
  switch (lines[0].Filter) {
    case 1: return TripleWithTop<D, TSubFilter>(mid, bottom, lines, prev, length);
    case 3: return TripleWithTop<D, TAverageFilter>(mid, bottom, lines, prev, length);
    case 4: return TripleWithTop<D, TPaethFilter>(mid, bottom, lines, prev, length);
    default: return false;
  }
}

// --- Five lines -------------------------------------------------------------------------------
// Paeth, Up, Paeth, Up, Paeth, the run such encoders produce most: three Paeth chains side by
// side, each line one pixel behind the one above.

// Line K's pixel at i - K x D, from its left and above-left pixels (a, c) and the pixel above it,
// which the line above produced one step before. Called for the bottom line first, so that the
// line above still holds that pixel.
template <class P, std::size_t K>
inline void FiveLineStep(const TUnfilterLine* lines, const std::uint8_t* prev, std::size_t i, std::size_t length,
                         typename P::TValue* a, typename P::TValue* c) {
  constexpr std::size_t D = P::Size;
  if (i < K * D || i - K * D >= length) return;
  const std::size_t x = i - K * D;
  const typename P::TValue b = K == 0 ? P::Load(prev + x) : a[K - 1];
  const typename P::TValue raw = P::Load(lines[K].Raw + x);
  a[K] = K % 2 == 0 ? TPaethFilter::Apply(raw, a[K], b, c[K]) : TUpFilter::Apply(raw, a[K], b, c[K]);
  P::Store(lines[K].Out + x, a[K]);
  c[K] = b;
}

template <class P>
void FiveLinePixels(const TUnfilterLine* lines, const std::uint8_t* prev, std::size_t length) {
  constexpr std::size_t D = P::Size;
  typename P::TValue a[5], c[5];
  for (std::size_t k = 0; k < 5; ++k) a[k] = c[k] = P::Zero();
  for (std::size_t i = 0; i < length + 4 * D; i += D) {
    FiveLineStep<P, 4>(lines, prev, i, length, a, c);
    FiveLineStep<P, 3>(lines, prev, i, length, a, c);
    FiveLineStep<P, 2>(lines, prev, i, length, a, c);
    FiveLineStep<P, 1>(lines, prev, i, length, a, c);
    FiveLineStep<P, 0>(lines, prev, i, length, a, c);
  }
}

template <std::size_t D>
bool UnfilterFive(const TUnfilterLine* lines, const std::uint8_t* prev, std::size_t length) {
  for (std::size_t k = 0; k < 5; ++k)
    if (lines[k].Filter != (k % 2 == 0 ? 4 : 2)) return false;
  if constexpr (D == 1) {
    FiveLinePixels<TBytePixel>(lines, prev, length);
    return true;
  }
#if defined(ORV_PNG_SSE2)
  if constexpr (D >= 3) {
    FiveLinePixels<TVectorPixel<D>>(lines, prev, length);
    return true;
  }
#endif
  return false;
}

}  // namespace

bool UnfilterRowFive(const TUnfilterLine* lines, const std::uint8_t* previous, std::size_t length,
                     std::size_t distance) {
  switch (distance) {
    case 1: return UnfilterFive<1>(lines, previous, length);
    case 3: return UnfilterFive<3>(lines, previous, length);
    case 4: return UnfilterFive<4>(lines, previous, length);
    case 6: return UnfilterFive<6>(lines, previous, length);
    case 8: return UnfilterFive<8>(lines, previous, length);
    default: return false;
  }
}

void UnfilterRow(std::uint8_t filter, const std::uint8_t* raw, std::uint8_t* out, const std::uint8_t* previous,
                 std::size_t length, std::size_t distance) {
  // Every line is a whole number of pixels of `distance` bytes, except sub-byte pixels (distance 1).
  switch (distance) {
    case 1: UnfilterLine<1>(filter, raw, out, previous, length); break;
    case 2: UnfilterLine<2>(filter, raw, out, previous, length); break;
    case 3: UnfilterLine<3>(filter, raw, out, previous, length); break;
    case 4: UnfilterLine<4>(filter, raw, out, previous, length); break;
    case 6: UnfilterLine<6>(filter, raw, out, previous, length); break;
    case 8: UnfilterLine<8>(filter, raw, out, previous, length); break;
    default: break;
  }
}

bool UnfilterRowPair(std::uint8_t topFilter, const std::uint8_t* topRaw, std::uint8_t* topOut,
                     std::uint8_t bottomFilter, const std::uint8_t* bottomRaw, std::uint8_t* bottomOut,
                     const std::uint8_t* previous, std::size_t length, std::size_t distance) {
  switch (distance) {
    case 1: return UnfilterPair<1>(topFilter, bottomFilter, topRaw, topOut, bottomRaw, bottomOut, previous, length);
    case 3: return UnfilterPair<3>(topFilter, bottomFilter, topRaw, topOut, bottomRaw, bottomOut, previous, length);
    case 4: return UnfilterPair<4>(topFilter, bottomFilter, topRaw, topOut, bottomRaw, bottomOut, previous, length);
    case 6: return UnfilterPair<6>(topFilter, bottomFilter, topRaw, topOut, bottomRaw, bottomOut, previous, length);
    case 8: return UnfilterPair<8>(topFilter, bottomFilter, topRaw, topOut, bottomRaw, bottomOut, previous, length);
    default: return false;
  }
}

bool UnfilterRowTriple(const TUnfilterLine* lines, const std::uint8_t* previous, std::size_t length,
                       std::size_t distance) {
  switch (distance) {
    case 1: return UnfilterTriple<1>(lines, previous, length);
    case 3: return UnfilterTriple<3>(lines, previous, length);
    case 4: return UnfilterTriple<4>(lines, previous, length);
    case 6: return UnfilterTriple<6>(lines, previous, length);
    case 8: return UnfilterTriple<8>(lines, previous, length);
    default: return false;
  }
}

void UnfilterRowScalar(std::uint8_t filter, const std::uint8_t* raw, std::uint8_t* out, const std::uint8_t* previous,
                       std::size_t length, std::size_t distance) {
  switch (filter) {
    case 1: SerialBytes<TSubFilter>(raw, out, previous, length, distance); break;
    case 2:
      for (std::size_t i = 0; i < length; ++i) out[i] = static_cast<std::uint8_t>(raw[i] + previous[i]);
      break;
    case 3: SerialBytes<TAverageFilter>(raw, out, previous, length, distance); break;
    case 4: SerialBytes<TPaethFilter>(raw, out, previous, length, distance); break;
    default: std::memcpy(out, raw, length); break;
  }
}
