// Run-time helpers: text conversion, the decimal separator and software extended precision.
//
// Index
//   1. Integer text conversion
//   2. Decimal separator
//   3. Floating-point text conversion
//   4. Extended-precision arithmetic
#include "framework/Runtime.h"

#include <bit>
#include <charconv>
#include <clocale>
#include <limits>
#include <system_error>

#include "framework/SysUtils.h"

static_assert(sizeof(unsigned __int128) == 16, "the extended arithmetic needs 128-bit integers");

using u128 = unsigned __int128;

// =============================================================================================
// 1. Integer text conversion
// =============================================================================================

namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool TryStrToInt(std::string_view text, std::int32_t& out) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == n) return false;  // nothing, a lone sign or a prefix without digits

  if (hex) {
    std::uint32_t pattern = 0;
    for (; i < n; ++i) {
      const int digit = HexDigitValue(text[i]);
      if (digit < 0) return false;
      if (pattern > 0x0FFFFFFFu) return false;  // a ninth significant digit
      pattern = (pattern << 4) | static_cast<std::uint32_t>(digit);
    }
    // The sign negates the 32-bit pattern, wrapping: "-$80000000" stays -2147483648.
    if (negative) pattern = 0u - pattern;
    out = static_cast<std::int32_t>(pattern);
    return true;
  }

  constexpr std::uint64_t kLimit = 2147483648u;  // magnitude of the most negative value
  std::uint64_t magnitude = 0;
  for (; i < n; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - '0');
    if (magnitude > kLimit) return false;
  }
  if (!negative && magnitude == kLimit) return false;
  out = negative ? static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(magnitude))
                 : static_cast<std::int32_t>(magnitude);
  return true;
}

std::int32_t StrToInt(std::string_view text) {
  std::int32_t value = 0;
  if (!TryStrToInt(text, value)) {
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  }
  return value;
}

std::string IntToStr(std::int64_t value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// =============================================================================================
// 2. Decimal separator
// =============================================================================================

namespace {

char g_decimalSeparator = '.';

}  // namespace

char DecimalSeparator() { return g_decimalSeparator; }

void ReadLocaleDecimalSeparator() {
  const std::lconv* conv = std::localeconv();
  const char* point = conv != nullptr ? conv->decimal_point : nullptr;
  // A separator of several bytes (a multi-byte character) cannot be one character here.
  if (point != nullptr && point[0] != '\0' && point[1] == '\0') {
    g_decimalSeparator = point[0];
  } else {
    g_decimalSeparator = '.';
  }
}

void SetDecimalSeparator(char separator) {
  if (g_decimalSeparator == separator) return;
  g_decimalSeparator = separator;
}

// =============================================================================================
// 3. Floating-point text conversion
// =============================================================================================

std::string FloatToStrGeneral(double value, char decimalSeparator) {
  constexpr int kPrecision = 15;
  if (value != value) return "NAN";
  if (value == std::numeric_limits<double>::infinity()) return "INF";
  if (value == -std::numeric_limits<double>::infinity()) return "-INF";
  if (value == 0) return "0";  // also for -0

  // The correctly rounded 15 significant digits and the decimal exponent, taken from the
  // scientific form "d.dddddddddddddde+XX".
  char buffer[48];
  const double magnitude = value < 0 ? -value : value;
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, kPrecision - 1);
  const std::string_view form(buffer, static_cast<std::size_t>(result.ptr - buffer));
  const std::size_t ePos = form.find('e');
  std::string digits;
  for (std::size_t i = 0; i < ePos; ++i) {
    if (form[i] != '.') digits += form[i];
  }
  int exponent = 0;
  std::from_chars(form.data() + ePos + 1 + (form[ePos + 1] == '+' ? 1 : 0), form.data() + form.size(), exponent);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string text;
  if (value < 0) text += '-';
  const int count = static_cast<int>(digits.size());
  if (exponent >= kPrecision || exponent < -4) {
    text += digits[0];
    if (count > 1) {
      text += decimalSeparator;
      text.append(digits, 1, std::string::npos);
    }
    text += 'E';
    text += std::to_string(exponent);
  } else if (exponent >= 0) {
    const int intDigits = exponent + 1;
    if (count <= intDigits) {
      text += digits;
      text.append(static_cast<std::size_t>(intDigits - count), '0');
    } else {
      text.append(digits, 0, static_cast<std::size_t>(intDigits));
      text += decimalSeparator;
      text.append(digits, static_cast<std::size_t>(intDigits), std::string::npos);
    }
  } else {
    text += '0';
    text += decimalSeparator;
    text.append(static_cast<std::size_t>(-exponent - 1), '0');
    text += digits;
  }
  return text;
}

bool TryStrToFloat(std::string_view text, double& out, char decimalSeparator) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }

  // The number in the form the C++ reader takes: digits, ".", digits, "e", exponent.
  std::string normal;
  int digitCount = 0;
  bool nonZeroSeen = false;
  long long magnitudeExponent = 0;  // decimal position of the first non-zero digit, roughly
  bool afterSeparator = false;
  for (; i < n; ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      normal += c;
      ++digitCount;
      if (c != '0') nonZeroSeen = true;
      if (!afterSeparator && nonZeroSeen) ++magnitudeExponent;
      if (afterSeparator && !nonZeroSeen) --magnitudeExponent;
    } else if (c == decimalSeparator && !afterSeparator) {
      normal += '.';
      afterSeparator = true;
    } else {
      break;
    }
  }
  if (digitCount == 0) return false;

  long long exponent = 0;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool exponentNegative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
      exponentNegative = text[i] == '-';
      ++i;
    }
    const std::size_t start = i;
    for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i) {
      if (exponent < 100000000) exponent = exponent * 10 + (text[i] - '0');
    }
    if (i == start) return false;
    if (exponentNegative) exponent = -exponent;
    normal += 'e';
    normal += std::to_string(exponent);
  }
  if (i != n) return false;

  double value = 0;
  if (nonZeroSeen) {
    const auto result = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
      if (magnitudeExponent + exponent > 0) return false;  // too large for a double
      value = 0;
    } else if (result.ec != std::errc() || result.ptr != normal.data() + normal.size()) {
      return false;
    }
  }
  out = negative ? -value : value;
  return true;
}

double StrToFloat(std::string_view text, char decimalSeparator) {
  double value = 0;
  if (!TryStrToFloat(text, value, decimalSeparator)) {
    throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
  }
  return value;
}

// =============================================================================================
// 4. Extended-precision arithmetic
// =============================================================================================
//
// A value is (-1)^neg * mant * 2^(exp - 63) with 2^63 <= mant < 2^64, or zero (mant 0). Each
// operation computes the exact result's leading 64 bits and classifies the bits below them
// against one half of the last place; rounding to nearest, ties to even, then needs nothing else.

namespace {

enum TRest { rsZero, rsBelowHalf, rsHalf, rsAboveHalf };

bool RoundsUp(std::uint64_t kept, TRest rest) { return rest == rsAboveHalf || (rest == rsHalf && (kept & 1) != 0); }

// Splits `value` into the bits above `shift` and the class of the bits below it (any shift >= 0).
std::uint64_t ShiftRightRest(std::uint64_t value, int shift, TRest& rest) {
  if (shift == 0) {
    rest = rsZero;
    return value;
  }
  if (shift > 64) {
    rest = value == 0 ? rsZero : rsBelowHalf;
    return 0;
  }
  const std::uint64_t half = std::uint64_t{1} << (shift - 1);
  const std::uint64_t low = shift == 64 ? value : value & ((std::uint64_t{1} << shift) - 1);
  rest = low == 0 ? rsZero : low < half ? rsBelowHalf : low == half ? rsHalf : rsAboveHalf;
  return shift == 64 ? 0 : value >> shift;
}

[[noreturn]] void RaiseInvalidOp() { throw EInvalidOp("Invalid floating point operation"); }

}  // namespace

TExtended TExtended::FromParts(bool negative, std::int32_t exponent, std::uint64_t mantissa) {
  TExtended x;
  x.m_neg = negative;
  if (mantissa == 0) return x;
  const int lead = std::countl_zero(mantissa);
  x.m_mant = mantissa << lead;
  x.m_exp = exponent - lead;
  return x;
}

TExtended TExtended::FromInt64(std::int64_t value) {
  const bool negative = value < 0;
  const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  if (magnitude == 0) return TExtended();
  return FromParts(negative, 63, magnitude);
}

TExtended TExtended::FromDouble(double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const bool negative = (bits >> 63) != 0;
  const int field = static_cast<int>((bits >> 52) & 0x7FF);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  if (field == 0x7FF) RaiseInvalidOp();
  if (field == 0) {
    // Zero or subnormal: fraction * 2^-1074.
    TExtended zero;
    zero.m_neg = negative;
    if (fraction == 0) return zero;
    return FromParts(negative, 63 - 1074, fraction);
  }
  TExtended x;
  x.m_neg = negative;
  x.m_mant = ((std::uint64_t{1} << 52) | fraction) << 11;
  x.m_exp = field - 1023;
  return x;
}

TExtended operator/(const TExtended& a, const TExtended& b) {
  const bool negative = a.m_neg != b.m_neg;
  if (b.IsZero()) {
    if (a.IsZero()) RaiseInvalidOp();
    throw EZeroDivide("Floating point division by zero");
  }
  TExtended r;
  r.m_neg = negative;
  if (a.IsZero()) return r;

  // q = a.mant * 2^64 / b.mant lies in [2^63, 2^65).
  const u128 numerator = static_cast<u128>(a.m_mant) << 64;
  const u128 q = numerator / b.m_mant;
  const std::uint64_t remainder = static_cast<std::uint64_t>(numerator % b.m_mant);
  std::uint64_t kept;
  TRest rest;
  std::int32_t exponent = a.m_exp - b.m_exp;
  if ((q >> 64) != 0) {
    kept = static_cast<std::uint64_t>(q >> 1);
    const bool roundBit = (q & 1) != 0;
    rest = !roundBit ? (remainder == 0 ? rsZero : rsBelowHalf) : (remainder == 0 ? rsHalf : rsAboveHalf);
  } else {
    kept = static_cast<std::uint64_t>(q);
    --exponent;
    // Compare the remainder with half the divisor: 2 * remainder against b.mant.
    const u128 twice = static_cast<u128>(remainder) * 2;
    rest = remainder == 0 ? rsZero : twice < b.m_mant ? rsBelowHalf : twice == b.m_mant ? rsHalf : rsAboveHalf;
  }
  if (RoundsUp(kept, rest)) {
    ++kept;
    if (kept == 0) {
      kept = std::uint64_t{1} << 63;
      ++exponent;
    }
  }
  r.m_mant = kept;
  r.m_exp = exponent;
  return r;
}

TExtended operator*(const TExtended& a, const TExtended& b) {
  TExtended r;
  r.m_neg = a.m_neg != b.m_neg;
  if (a.IsZero() || b.IsZero()) return r;

  // The product of the significands lies in [2^126, 2^128).
  const u128 p = static_cast<u128>(a.m_mant) * b.m_mant;
  const auto high = static_cast<std::uint64_t>(p >> 64);
  const auto low = static_cast<std::uint64_t>(p);
  std::uint64_t kept;
  TRest rest;
  std::int32_t exponent = a.m_exp + b.m_exp;
  if ((high >> 63) != 0) {
    kept = high;
    ++exponent;
    ShiftRightRest(low, 64, rest);
  } else {
    kept = static_cast<std::uint64_t>(p >> 63);
    ShiftRightRest(low, 63, rest);
  }
  if (RoundsUp(kept, rest)) {
    ++kept;
    if (kept == 0) {
      kept = std::uint64_t{1} << 63;
      ++exponent;
    }
  }
  r.m_mant = kept;
  r.m_exp = exponent;
  return r;
}

double TExtended::ToDouble() const {
  const std::uint64_t sign = m_neg ? std::uint64_t{1} << 63 : 0;
  if (IsZero()) return std::bit_cast<double>(sign);

  constexpr std::int32_t kMinNormal = -1022;
  if (m_exp >= kMinNormal) {
    TRest rest;
    std::uint64_t kept = ShiftRightRest(m_mant, 11, rest);  // 53 bits
    std::int64_t exponent = m_exp;
    if (RoundsUp(kept, rest)) {
      ++kept;
      if (kept == std::uint64_t{1} << 53) {
        kept >>= 1;
        ++exponent;
      }
    }
    if (exponent > 1023) throw EOverflow("Floating point overflow");
    const auto field = static_cast<std::uint64_t>(exponent + 1023);
    return std::bit_cast<double>(sign | (field << 52) | (kept & ((std::uint64_t{1} << 52) - 1)));
  }

  // Subnormal result: the last place is 2^-1074. A carry into bit 52 yields the smallest normal
  // number, whose encoding is exactly that bit pattern.
  const std::int64_t shift = 11 + (static_cast<std::int64_t>(kMinNormal) - m_exp);
  TRest rest;
  std::uint64_t kept = ShiftRightRest(m_mant, shift > 65 ? 65 : static_cast<int>(shift), rest);
  if (RoundsUp(kept, rest)) ++kept;
  return std::bit_cast<double>(sign | kept);
}

std::int64_t TExtended::RoundToInt64() const {
  if (IsZero()) return 0;
  if (m_exp > 63) RaiseInvalidOp();
  const std::int64_t shift = 63 - static_cast<std::int64_t>(m_exp);
  TRest rest;
  std::uint64_t kept = ShiftRightRest(m_mant, shift > 65 ? 65 : static_cast<int>(shift), rest);
  if (RoundsUp(kept, rest)) {
    ++kept;
    if (kept == 0) RaiseInvalidOp();
  }
  constexpr std::uint64_t kMaxMagnitude = std::uint64_t{1} << 63;
  if (m_neg) {
    if (kept > kMaxMagnitude) RaiseInvalidOp();
    return static_cast<std::int64_t>(0 - kept);
  }
  if (kept >= kMaxMagnitude) RaiseInvalidOp();
  return static_cast<std::int64_t>(kept);
}
