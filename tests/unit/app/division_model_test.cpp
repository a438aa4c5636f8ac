#include "app/DivisionModel.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <stdexcept>

#include "app/LayoutStyles.h"
#include "framework/Runtime.h"
#include "framework/SysUtils.h"

namespace {

std::string Width(std::int32_t z, std::int32_t k, std::int32_t n, std::int32_t w, std::int32_t style) {
  return SlabWidthText(z, k, n, w, style, '.');
}

TEST(SlabWidth, DefaultsInEveryStyle) {
  EXPECT_EQ(Width(2000, 3, 6, 10, 1), "656");    // 1968 / 3
  EXPECT_EQ(Width(2000, 3, 6, 10, 2), "662.7");  // 1988 / 3
  EXPECT_EQ(Width(2000, 3, 6, 10, 3), "658.7");  // 1976 / 3
  EXPECT_EQ(Width(2000, 3, 6, 10, 4), "659.3");  // 1978 / 3
  EXPECT_EQ(Width(2000, 3, 6, 10, 5), "657.3");  // 1972 / 3
  EXPECT_EQ(SlabWidthText(2000, 3, 6, 10, 2, ','), "662,7");
  EXPECT_EQ(Width(2500, 4, 6, 10, 1), "615.5");
}

TEST(SlabWidth, RoundsToTenths) {
  // Style 2, four slabs, seam 6.
  EXPECT_EQ(Width(2001, 4, 6, 10, 2), "495.7");  // 495.75
  EXPECT_EQ(Width(2003, 4, 6, 10, 2), "496.2");  // 496.25
  EXPECT_EQ(Width(2004, 4, 6, 10, 2), "496.5");
  EXPECT_EQ(Width(2002, 4, 6, 10, 2), "496");
  EXPECT_EQ(Width(0, 3, 6, 10, 1), "-10.7");  // -32 / 3
}

TEST(SlabWidth, ExactQuarterTiesGoTowardZero) {
  // Style 2 with seam 6 and four slabs: numerator z - 18.
  EXPECT_EQ(Width(2643, 4, 6, 10, 2), "656.2");  // 2625 / 4 = 656.25
  EXPECT_EQ(Width(2645, 4, 6, 10, 2), "656.7");  // 2627 / 4 = 656.75
  EXPECT_EQ(Width(15, 4, 6, 10, 2), "-0.7");     // -3 / 4 = -0.75
  EXPECT_EQ(Width(16, 4, 6, 10, 2), "-0.5");     // -2 / 4
  EXPECT_EQ(Width(19, 4, 6, 10, 2), "0.2");      // 1 / 4 = 0.25
}

TEST(SlabWidth, DecimalHalvesFollowTheirBinaryValue) {
  // No seam, twenty slabs: numerator = z.
  EXPECT_EQ(Width(11, 20, 0, 10, 2), "0.6");       // 0.55
  EXPECT_EQ(Width(27, 20, 0, 10, 2), "1.4");       // 1.35
  EXPECT_EQ(Width(13127, 20, 0, 10, 2), "656.3");  // 656.35
  EXPECT_EQ(Width(-11, 20, 0, 10, 2), "-0.6");
}

TEST(SlabWidth, OddSlabCounts) {
  EXPECT_EQ(Width(2000, 1, 6, 10, 1), "1980");
  EXPECT_EQ(Width(2000, -1, 6, 10, 1), "-1992");
  EXPECT_EQ(Width(2000, -3, 6, 10, 2), "-674.7");  // (2000 + 4 * 6) / -3
}

TEST(SlabWidth, SmallMagnitudesShowNoMinusZero) {
  EXPECT_EQ(Width(20, 1, 6, 10, 1), "0");
  EXPECT_EQ(Width(-1, 30, 0, 0, 2), "0");  // -0.0333 rounds to zero
  EXPECT_EQ(Width(1, 30, 0, 0, 2), "0");
}

TEST(SlabWidth, NumeratorWrapsModulo32Bits) {
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(Width(kMin, 1, 0, 1, 4), "2147483647");    // kMin - 1 wraps to kMax
  EXPECT_EQ(Width(kMax, 1, 0, -1, 4), "-2147483648");  // kMax + 1 wraps to kMin
  EXPECT_EQ(Width(0, 65537, 65536, 0, 5), "-1");       // -(65537 * 65536) wraps to -65536
}

TEST(SlabWidth, ZeroSlabsRaiseTheUnitsErrors) {
  try {
    (void)Width(2000, 0, 6, 10, 1);
    FAIL() << "no error raised";
  } catch (const EZeroDivide& e) {
    EXPECT_EQ(e.Message(), "Floating point division by zero");
  }
  try {
    (void)Width(0, 0, 0, 0, 2);  // numerator 0 - (-1) * 0 = 0
    FAIL() << "no error raised";
  } catch (const EInvalidOp& e) {
    EXPECT_EQ(e.Message(), "Invalid floating point operation");
  }
  EXPECT_THROW((void)Width(-6, 0, 6, 10, 2), EInvalidOp);  // -6 + 6 = 0
}

TEST(SlabWidth, StylesOutsideTheTableAreRefused) {
  EXPECT_THROW((void)Width(2000, 3, 6, 10, 0), std::invalid_argument);
  EXPECT_THROW((void)Width(2000, 3, 6, 10, kStyleCount + 1), std::invalid_argument);
}

TEST(SlabWidth, EveryResultIsTheDecimalFormOfTenths) {
  // The width is n x d rounded to a double; its text must always be n / 10 written out.
  std::mt19937 random(11);
  std::uniform_int_distribution<std::int32_t> length(-100000, 3000000);
  std::uniform_int_distribution<std::int32_t> count(-3000, 3000);
  std::uniform_int_distribution<std::int32_t> gap(-50, 50);
  for (int i = 0; i < 100000; ++i) {
    const std::int32_t k = count(random);
    if (k == 0) continue;
    const std::string text = Width(length(random), k, gap(random), gap(random), 1 + i % 5);
    ASSERT_FALSE(text.empty());
    ASSERT_EQ(text.find('E'), std::string::npos) << text;
    ASSERT_NE(text, "-0");
    const std::size_t point = text.find('.');
    if (point != std::string::npos) {
      ASSERT_EQ(point + 2, text.size()) << text;
      ASSERT_NE(text.back(), '0') << text;
    }
  }
}

TEST(SlabWidth, MatchesTheHardwareFormat) {
  if constexpr (std::numeric_limits<long double>::digits == 64) {
    const double tenth = std::bit_cast<double>(std::uint64_t{0x3FB999999999999A});
    std::mt19937_64 random(99);
    std::uniform_int_distribution<std::int32_t> any(std::numeric_limits<std::int32_t>::min(),
                                                    std::numeric_limits<std::int32_t>::max());
    std::uniform_int_distribution<std::int32_t> length(0, 20000);
    std::uniform_int_distribution<std::int32_t> count(1, 40);
    for (int i = 0; i < 200000; ++i) {
      const bool wide = (i % 4) == 0;
      const std::int32_t z = wide ? any(random) : length(random);
      const std::int32_t k = wide ? any(random) | 1 : count(random);
      const std::int32_t n = wide ? any(random) : static_cast<std::int32_t>(random() % 21);
      const std::int32_t style = 2;
      const auto numerator = static_cast<std::int32_t>(
          static_cast<std::uint32_t>(z) - (static_cast<std::uint32_t>(k) - 1) * static_cast<std::uint32_t>(n));
      const double q = static_cast<double>(static_cast<long double>(numerator) / static_cast<long double>(k));
      const long long tenths = std::llrint(static_cast<long double>(q) / static_cast<long double>(tenth));
      const double rounded = static_cast<double>(static_cast<long double>(tenths) * static_cast<long double>(tenth));
      ASSERT_EQ(Width(z, k, n, 0, style), FloatToStrGeneral(rounded, '.')) << z << " " << k << " " << n;
    }
  } else {
    GTEST_SKIP() << "long double has no 64-bit significand here";
  }
}

// ---- suggested count ------------------------------------------------------------------------------

// The search exactly as stated: every count from 2 to 3000 in order.
std::optional<std::int32_t> LiteralSearch(std::int32_t zongchang) {
  for (std::int32_t n = 2; n <= 3000; ++n) {
    const double x = (TExtended::FromInt64(zongchang) / TExtended::FromInt64(n)).ToDouble();
    if (x > 600 && x < 720) return n;
  }
  return std::nullopt;
}

TEST(SuggestedCount, Examples) {
  const struct {
    std::int32_t length;
    std::optional<std::int32_t> count;
  } cases[] = {
      {1200, std::nullopt},
      {1201, 2},
      {1439, 2},
      {1440, std::nullopt},
      {1800, std::nullopt},
      {1801, 3},
      {2000, 3},
      {2159, 3},
      {2160, std::nullopt},
      {2400, std::nullopt},
      {2401, 4},
      {2500, 4},
      {2880, std::nullopt},
      {3000, std::nullopt},
      {3001, 5},
      {3600, std::nullopt},
      {3601, 6},
      {4320, 7},
      {2159999, 3000},
      {2160000, std::nullopt},
      {-5, std::nullopt},
      {0, std::nullopt},
      {std::numeric_limits<std::int32_t>::max(), std::nullopt},
      {std::numeric_limits<std::int32_t>::min(), std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(SuggestedCount(c.length), c.count) << c.length;
}

TEST(SuggestedCount, EqualsTheLiteralSearch) {
  for (std::int32_t z = -100; z <= 12000; ++z) ASSERT_EQ(SuggestedCount(z), LiteralSearch(z)) << z;
  for (std::int32_t k = 2; k <= 3001; ++k) {
    for (std::int32_t base : {600 * k, 720 * k}) {
      for (std::int32_t z = base - 1; z <= base + 1; ++z) ASSERT_EQ(SuggestedCount(z), LiteralSearch(z)) << z;
    }
  }
  std::mt19937 random(5);
  std::uniform_int_distribution<std::int32_t> inRange(1, 2200000);
  std::uniform_int_distribution<std::int32_t> any(std::numeric_limits<std::int32_t>::min(),
                                                  std::numeric_limits<std::int32_t>::max());
  for (int i = 0; i < 4000; ++i) {
    const std::int32_t z = (i % 4 == 0) ? any(random) : inRange(random);
    ASSERT_EQ(SuggestedCount(z), LiteralSearch(z)) << z;
  }
}

// ---- the program's values ---------------------------------------------------------------------------

TEST(Model, StartsFromTheDefaultsAndResets) {
  ResetModel();
  EXPECT_EQ(Model().zongchang, 2000);
  EXPECT_EQ(Model().kuai, 3);
  EXPECT_EQ(Model().neifeng, 6);
  EXPECT_EQ(Model().waifeng, 10);
  EXPECT_EQ(Model().yangshi, 1);
  Model().zongchang = -7;
  Model().yangshi = 4;
  EXPECT_EQ(Model().zongchang, -7);
  ResetModel();
  EXPECT_EQ(Model().zongchang, 2000);
  EXPECT_EQ(Model().yangshi, 1);
}

}  // namespace
