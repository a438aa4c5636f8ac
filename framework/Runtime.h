// Run-time helpers of the class library: integer and floating-point text conversion, the decimal
// separator, and extended-precision arithmetic done in software so that it gives the same bits on
// every processor.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// ---------------------------------------------------------------------------------------------
// Integer text conversion
// ---------------------------------------------------------------------------------------------

// Reads a signed 32-bit integer: any number of leading blanks (character 32 only), at most one
// "+" or "-", then decimal digits or a hexadecimal prefix ("$", "x", "X", "0x", "0X") followed by
// hexadecimal digits of either case, and nothing after the digits. A decimal value must lie in
// -2147483648 ... 2147483647 once its sign is applied. A hexadecimal value must fit in 32 bits
// (leading zeros do not count) and is taken as a 32-bit two's-complement pattern; a minus sign
// then negates that pattern with wrap-around, so "$FFFFFFFF" is -1, "-$1" is -1, "-$FFFFFFFF" is 1
// and "-$80000000" is -2147483648. On failure returns false and leaves `out` unchanged.
bool TryStrToInt(std::string_view text, std::int32_t& out);

// As TryStrToInt; a text that is not a valid integer raises EConvertError
// "'<text>' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);

// Plain decimal: a minus sign for negatives, no leading zeros, no grouping.
std::string IntToStr(std::int64_t value);

// ---------------------------------------------------------------------------------------------
// Decimal separator
// ---------------------------------------------------------------------------------------------

// The separator used by the floating-point text helpers; "." until the locale has been read.
char DecimalSeparator();

// Takes the separator from the C library's current locale (the entry calls setlocale first).
// A point when the locale gives none or gives one that is not a single byte.
void ReadLocaleDecimalSeparator();

void SetDecimalSeparator(char separator);

// ---------------------------------------------------------------------------------------------
// Floating-point text conversion
// ---------------------------------------------------------------------------------------------

// The general number format with 15 significant digits: fixed notation while the decimal
// exponent lies in -4 ... 14 (0.0001 up to 999999999999999), otherwise scientific with an
// "E" and a minimal exponent ("1E15", "1.5E-5"); trailing zeros and a trailing separator dropped;
// "-" for negatives and never "-0". Not-a-number is "NAN", infinities "INF" and "-INF". Independent of the C locale.
std::string FloatToStrGeneral(double value, char decimalSeparator);

inline std::string FloatToStr(double value) { return FloatToStrGeneral(value, DecimalSeparator()); }

// Reads a decimal number: leading blanks, an optional sign, digits with at most one decimal
// separator (at least one digit in all), an optional exponent ("E" or "e", an optional sign and at
// least one digit), and nothing after. A value too large for a double fails; one too small
// becomes zero. On failure returns false and leaves `out` unchanged.
bool TryStrToFloat(std::string_view text, double& out, char decimalSeparator = DecimalSeparator());

// As TryStrToFloat; failure raises EConvertError "'<text>' is not a valid floating point value".
double StrToFloat(std::string_view text, char decimalSeparator = DecimalSeparator());

// ---------------------------------------------------------------------------------------------
// Extended-precision arithmetic
// ---------------------------------------------------------------------------------------------

// A binary floating-point number with a 64-bit significand (explicit leading bit), computed
// entirely with integer operations. Every operation rounds to nearest, ties to even, exactly as a
// floating-point unit working with a 64-bit significand does. The exponent range is that of a
// 32-bit integer, far wider than any computation here needs, so there are no extended subnormals.
// Errors follow a floating-point unit whose traps for invalid operation, division by zero and
// overflow are on: x / 0 raises EZeroDivide, 0 / 0 and an out-of-range integer conversion raise
// EInvalidOp, a result too large for a double raises EOverflow.
class TExtended {
 public:
  TExtended() = default;  // +0

  static TExtended FromInt64(std::int64_t value);
  // Exact for every finite double (subnormals included); not-a-number and infinities raise
  // EInvalidOp.
  static TExtended FromDouble(double value);

  // Raw parts: value = (-1)^neg * mant * 2^(exp - 63); mant has its top bit set unless zero.
  static TExtended FromParts(bool negative, std::int32_t exponent, std::uint64_t mantissa);

  bool IsZero() const { return m_mant == 0; }
  bool Negative() const { return m_neg; }
  std::int32_t Exponent() const { return m_exp; }
  std::uint64_t Mantissa() const { return m_mant; }

  friend TExtended operator*(const TExtended& a, const TExtended& b);
  friend TExtended operator/(const TExtended& a, const TExtended& b);

  // Rounded to a double, to nearest, ties to even (subnormal results included).
  double ToDouble() const;
  // Rounded to the nearest integer, ties to even.
  std::int64_t RoundToInt64() const;

  friend bool operator==(const TExtended&, const TExtended&) = default;

 private:
  bool m_neg = false;
  std::int32_t m_exp = 0;
  std::uint64_t m_mant = 0;
};
