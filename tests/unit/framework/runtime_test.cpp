#include "framework/Runtime.h"

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "framework/SysUtils.h"

namespace {

// ---- integer text conversion ---------------------------------------------------------------

TEST(IntegerText, AcceptsDecimalAndHexadecimalForms) {
  const struct {
    const char* text;
    std::int32_t value;
  } cases[] = {
      {"0", 0},
      {"007", 7},
      {"   42", 42},
      {"+15", 15},
      {"-15", -15},
      {"2147483647", 2147483647},
      {"-2147483648", std::numeric_limits<std::int32_t>::min()},
      {"00000000002147483647", 2147483647},
      {"$ff", 255},
      {"xAb", 0xAB},
      {"X10", 16},
      {"0x10", 16},
      {"0X7fffffff", 0x7FFFFFFF},
      {"$FFFFFFFF", -1},
      {"$80000000", std::numeric_limits<std::int32_t>::min()},
      {"$000000001", 1},  // leading zeros are not significant digits
      {"-$1", -1},
      {"-$FFFFFFFF", 1},  // the sign negates the 32-bit pattern
      {"-$80000000", std::numeric_limits<std::int32_t>::min()},
      {"+0x1F", 31},
      {"  -0x10", -16},
  };
  for (const auto& c : cases) {
    std::int32_t value = 12345;
    EXPECT_TRUE(TryStrToInt(c.text, value)) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
    EXPECT_EQ(StrToInt(c.text), c.value) << c.text;
  }
}

TEST(IntegerText, RejectsMalformedAndOutOfRangeTexts) {
  const char* rejected[] = {
      "",
      " ",
      "-",
      "+",
      "$",
      "x",
      "0x",
      "-$",
      "12 ",
      " 1 2",
      "1.5",
      "1,5",
      "--5",
      "+-5",
      "- 5",
      "5-",
      "1-2",
      "\t5",
      "abc",
      "12a",
      "$G",
      "0x1g",
      "$-1",
      "2147483648",
      "-2147483649",
      "99999999999",
      "$100000000",
      "0x123456789",
      "\xC2\xA0"
      "5",
  };
  for (const char* text : rejected) {
    std::int32_t value = 12345;
    EXPECT_FALSE(TryStrToInt(text, value)) << text;
    EXPECT_EQ(value, 12345) << "failure must leave the output alone: " << text;
  }
}

TEST(IntegerText, FailureRaisesConvertErrorWithTheText) {
  try {
    StrToInt("12 ");
    FAIL() << "no error raised";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'12 ' is not a valid integer value");
  }
  EXPECT_THROW(StrToInt(""), EConvertError);
  EXPECT_THROW(StrToInt("-"), EConvertError);
}

TEST(IntegerText, IntToStrIsPlainDecimal) {
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(3000), "3000");
  EXPECT_EQ(IntToStr(-7), "-7");
  EXPECT_EQ(IntToStr(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
  // Round trip over the whole 32-bit range boundaries.
  for (std::int32_t v : {std::numeric_limits<std::int32_t>::min(), -1, 1, std::numeric_limits<std::int32_t>::max()}) {
    EXPECT_EQ(StrToInt(IntToStr(v)), v);
  }
}

// ---- floating-point text ---------------------------------------------------------------------

TEST(FloatText, GeneralFormatWithFifteenDigits) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {656, "656"},
      {656.5, "656.5"},
      {-3.3, "-3.3"},
      {0, "0"},
      {-0.0, "0"},
      {100, "100"},
      {-1992, "-1992"},
      {0.1, "0.1"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {999999999999999, "999999999999999"},
      {1e15, "1E15"},
      {123456789012345678.0, "1.23456789012346E17"},
      {0.0001, "0.0001"},
      {0.00001, "1E-5"},
      {-1.5e-7, "-1.5E-7"},
      {0.9999999999999999, "1"},
      {2147483647, "2147483647"},
  };
  for (const auto& c : cases) EXPECT_EQ(FloatToStrGeneral(c.value, '.'), c.text) << c.text;
  EXPECT_EQ(FloatToStrGeneral(std::numeric_limits<double>::quiet_NaN(), '.'), "NAN");
  EXPECT_EQ(FloatToStrGeneral(-std::numeric_limits<double>::infinity(), '.'), "-INF");
  EXPECT_EQ(FloatToStrGeneral(662.7, ','), "662,7");
  EXPECT_EQ(FloatToStrGeneral(1.5e20, ','), "1,5E20");
}

TEST(FloatText, FormattingIgnoresTheCLocale) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous != nullptr ? previous : "C";
  bool switched = false;
  for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "ru_RU.UTF-8"}) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr) {
      switched = true;
      break;
    }
  }
  EXPECT_EQ(FloatToStrGeneral(656.5, '.'), "656.5");
  double value = 0;
  EXPECT_TRUE(TryStrToFloat("656.5", value, '.'));
  EXPECT_EQ(value, 656.5);
  std::setlocale(LC_NUMERIC, saved.c_str());
  if (!switched) GTEST_SKIP() << "no locale with a comma separator installed";
}

TEST(FloatText, ReadsDecimalNumbers) {
  const struct {
    const char* text;
    char separator;
    double value;
  } cases[] = {
      {"1.5", '.', 1.5},   {"  -2.5e3", '.', -2500}, {"+.5", '.', 0.5},  {"5.", '.', 5},
      {"1E-2", '.', 0.01}, {"1,25", ',', 1.25},      {"0.1", '.', 0.1},  {"1e-400", '.', 0},
      {"007", '.', 7},     {"-0", '.', -0.0},        {"1e+2", '.', 100}, {"0.000e999999", '.', 0},
  };
  for (const auto& c : cases) {
    double value = 42;
    EXPECT_TRUE(TryStrToFloat(c.text, value, c.separator)) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
  const struct {
    const char* text;
    char separator;
  } rejected[] = {
      {"", '.'},     {" ", '.'},     {".", '.'},   {"-", '.'},     {"1e", '.'},  {"1e+", '.'},
      {"1.5 ", '.'}, {"1.2.3", '.'}, {"abc", '.'}, {"1.5", ','},   {"1,5", '.'}, {"1e400", '.'},
      {"inf", '.'},  {"nan", '.'},   {"--1", '.'}, {"1e5.5", '.'},
  };
  for (const auto& c : rejected) {
    double value = 42;
    EXPECT_FALSE(TryStrToFloat(c.text, value, c.separator)) << c.text;
    EXPECT_EQ(value, 42) << c.text;
  }
}

TEST(FloatText, FailureRaisesConvertErrorWithTheText) {
  try {
    StrToFloat("1.5x", '.');
    FAIL() << "no error raised";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'1.5x' is not a valid floating point value");
  }
}

TEST(FloatText, DecimalSeparatorSetting) {
  const char saved = DecimalSeparator();
  std::setlocale(LC_NUMERIC, "C");
  SetDecimalSeparator(',');
  EXPECT_EQ(DecimalSeparator(), ',');
  EXPECT_EQ(FloatToStr(0.5), "0,5");
  EXPECT_EQ(StrToFloat("0,5"), 0.5);
  ReadLocaleDecimalSeparator();
  EXPECT_EQ(DecimalSeparator(), '.');
  SetDecimalSeparator(saved);
}

// ---- extended arithmetic -----------------------------------------------------------------------

double Bits(std::uint64_t bits) { return std::bit_cast<double>(bits); }
std::uint64_t BitsOf(double v) { return std::bit_cast<std::uint64_t>(v); }
TExtended X(double v) { return TExtended::FromDouble(v); }
TExtended I(std::int64_t v) { return TExtended::FromInt64(v); }

TEST(Extended, DivisionByZeroRaisesTheUnitsErrors) {
  try {
    (void)(I(5) / I(0));
    FAIL() << "no error raised";
  } catch (const EZeroDivide& e) {
    EXPECT_EQ(e.Message(), "Floating point division by zero");
  }
  try {
    (void)(I(0) / I(0));
    FAIL() << "no error raised";
  } catch (const EInvalidOp& e) {
    EXPECT_EQ(e.Message(), "Invalid floating point operation");
  }
  EXPECT_THROW((void)(X(-0.0) / X(0.0)), EInvalidOp);
  EXPECT_THROW((void)(X(-1e-300) / X(-0.0)), EZeroDivide);
  EXPECT_THROW(TExtended::FromDouble(std::numeric_limits<double>::quiet_NaN()), EInvalidOp);
}

TEST(Extended, ConversionsAreExact) {
  EXPECT_EQ(I(std::numeric_limits<std::int64_t>::min()).RoundToInt64(), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(I(std::numeric_limits<std::int64_t>::max()).RoundToInt64(), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(I(-1).Mantissa(), std::uint64_t{1} << 63);
  EXPECT_TRUE(I(-1).Negative());
  std::mt19937_64 random(7);
  for (int i = 0; i < 200000; ++i) {
    const double v = Bits(random());
    if (!std::isfinite(v)) continue;
    EXPECT_EQ(BitsOf(X(v).ToDouble()), BitsOf(v));
  }
  for (double v : {0.0, -0.0, 5e-324, -5e-324, 2.2250738585072009e-308, std::numeric_limits<double>::max()}) {
    EXPECT_EQ(BitsOf(X(v).ToDouble()), BitsOf(v));
  }
}

TEST(Extended, RoundingToDoubleIsToNearestTiesToEven) {
  const std::uint64_t one = std::uint64_t{1} << 63;
  const std::uint64_t halfUlp = std::uint64_t{1} << 10;  // half the last place of a double
  EXPECT_EQ(TExtended::FromParts(false, 0, one | halfUlp).ToDouble(), 1.0);
  EXPECT_EQ(TExtended::FromParts(false, 0, one | halfUlp | 1).ToDouble(), 1.0 + 0x1p-52);
  EXPECT_EQ(TExtended::FromParts(false, 0, one | (3 * halfUlp)).ToDouble(), 1.0 + 0x1p-51);
  EXPECT_EQ(TExtended::FromParts(true, 0, ~std::uint64_t{0}).ToDouble(), -2.0);
  // Subnormal results round once, at their own last place.
  EXPECT_EQ(BitsOf((X(5e-324) / I(2)).ToDouble()), BitsOf(0.0));
  EXPECT_EQ(BitsOf((X(-5e-324) / I(2)).ToDouble()), BitsOf(-0.0));
  EXPECT_EQ((X(3 * 5e-324) / I(2)).ToDouble(), 2 * 5e-324);
  EXPECT_EQ((X(5e-324) * X(0.75)).ToDouble(), 5e-324);
  EXPECT_EQ((X(0x1p-1022) / I(3) * I(3)).ToDouble(), 0x1p-1022);
  EXPECT_THROW((X(std::numeric_limits<double>::max()) * I(2)).ToDouble(), EOverflow);
  const TExtended largest = X(std::numeric_limits<double>::max());
  EXPECT_THROW((largest * TExtended::FromParts(false, 0, one | halfUlp)).ToDouble(), EOverflow);
  EXPECT_EQ((largest * TExtended::FromParts(false, 0, one | 8)).ToDouble(), std::numeric_limits<double>::max());
}

TEST(Extended, RoundingToIntegerIsToNearestTiesToEven) {
  const struct {
    double value;
    std::int64_t rounded;
  } cases[] = {{0.5, 0},
               {1.5, 2},
               {2.5, 2},
               {-2.5, -2},
               {-0.5, 0},
               {0.49999999999999994, 0},
               {0.75, 1},
               {-1.25, -1},
               {1e-300, 0},
               {6562.5, 6562},
               {6567.5, 6568},
               {4503599627370497.0, 4503599627370497},
               {-0x1p63, std::numeric_limits<std::int64_t>::min()}};
  for (const auto& c : cases) EXPECT_EQ(X(c.value).RoundToInt64(), c.rounded) << c.value;
  EXPECT_THROW(X(0x1p63).RoundToInt64(), EInvalidOp);
  EXPECT_THROW(X(-0x1p64).RoundToInt64(), EInvalidOp);
  // 2^63 - 0.5 exactly: the tie goes to the even 2^63, out of range.
  EXPECT_THROW(TExtended::FromParts(false, 62, ~std::uint64_t{0}).RoundToInt64(), EInvalidOp);
}

// On x86-64 long double is the unit's 64-bit-significand format, so it is a reference for every
// operation, bit for bit.
struct TLongDoubleParts {
  bool negative;
  std::int32_t exponent;
  std::uint64_t mantissa;
};

TLongDoubleParts PartsOf(long double v) {
  unsigned char bytes[sizeof(long double)] = {};
  std::memcpy(bytes, &v, sizeof v);
  std::uint64_t mantissa;
  std::uint16_t signExponent;
  std::memcpy(&mantissa, bytes, 8);
  std::memcpy(&signExponent, bytes + 8, 2);
  const bool negative = (signExponent & 0x8000) != 0;
  if (mantissa == 0) return {negative, 0, 0};
  return {negative, static_cast<std::int32_t>(signExponent & 0x7FFF) - 16383, mantissa};
}

void ExpectSameBits(const TExtended& x, long double reference, const char* what, long long a, long long b) {
  const TLongDoubleParts r = PartsOf(reference);
  ASSERT_TRUE(x.Negative() == r.negative && x.Exponent() == r.exponent && x.Mantissa() == r.mantissa)
      << what << " of " << a << " and " << b;
}

TEST(Extended, MatchesTheHardwareFormatBitForBit) {
  if constexpr (std::numeric_limits<long double>::digits == 64) {
    std::mt19937_64 random(2024);
    std::uniform_int_distribution<std::int32_t> any(std::numeric_limits<std::int32_t>::min(),
                                                    std::numeric_limits<std::int32_t>::max());
    std::uniform_int_distribution<std::int32_t> small(-5000, 5000);
    for (int i = 0; i < 1000000; ++i) {
      const std::int32_t a = (i & 1) ? any(random) : small(random) * 7;
      std::int32_t b = (i & 2) ? any(random) : small(random);
      if (b == 0) b = 3;
      const TExtended quotient = I(a) / I(b);
      const long double refQuotient = static_cast<long double>(a) / static_cast<long double>(b);
      ExpectSameBits(quotient, refQuotient, "quotient", a, b);
      const double q = quotient.ToDouble();
      ASSERT_EQ(BitsOf(q), BitsOf(static_cast<double>(refQuotient))) << a << " / " << b;

      const double tenth = Bits(0x3FB999999999999A);
      const TExtended scaled = X(q) / X(tenth);
      const long double refScaled = static_cast<long double>(q) / static_cast<long double>(tenth);
      ExpectSameBits(scaled, refScaled, "scaled", a, b);
      const std::int64_t n = scaled.RoundToInt64();
      ASSERT_EQ(n, std::llrint(refScaled)) << a << " / " << b;

      const TExtended product = I(n) * X(tenth);
      const long double refProduct = static_cast<long double>(n) * static_cast<long double>(tenth);
      ExpectSameBits(product, refProduct, "product", a, b);
      ASSERT_EQ(BitsOf(product.ToDouble()), BitsOf(static_cast<double>(refProduct))) << a << " / " << b;

      const TExtended intProduct = I(a) * I(b);
      ExpectSameBits(intProduct, static_cast<long double>(a) * static_cast<long double>(b), "product", a, b);
    }
    // Arbitrary doubles, including subnormals on the way back to double.
    for (int i = 0; i < 300000; ++i) {
      const double a = Bits(random() & 0x7FFFFFFFFFFFFFFFull) * ((i & 1) ? -1 : 1);
      const double b = Bits(random() & 0x7FFFFFFFFFFFFFFFull);
      if (!std::isfinite(a) || !std::isfinite(b) || b == 0) continue;
      const long double refQuotient = static_cast<long double>(a) / static_cast<long double>(b);
      const long double refProduct = static_cast<long double>(a) * static_cast<long double>(b);
      ExpectSameBits(X(a) / X(b), refQuotient, "double quotient", i, 0);
      ExpectSameBits(X(a) * X(b), refProduct, "double product", i, 0);
      // Only compare conversions back to double where the hardware result stays finite and normal
      // in the extended range (no overflow trap to model here).
      if (std::fabs(refQuotient) < 1e300L && std::fabs(refQuotient) > 1e-4900L) {
        ASSERT_EQ(BitsOf((X(a) / X(b)).ToDouble()), BitsOf(static_cast<double>(refQuotient))) << i;
      }
      if (std::fabs(refProduct) < 1e300L && std::fabs(refProduct) > 1e-4900L) {
        ASSERT_EQ(BitsOf((X(a) * X(b)).ToDouble()), BitsOf(static_cast<double>(refProduct))) << i;
      }
    }
  } else {
    GTEST_SKIP() << "long double has no 64-bit significand here";
  }
}

}  // namespace
