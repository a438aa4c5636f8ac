#include "base/Utf8.h"

namespace {

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsCharacter(char32_t c) { return c <= 0x10FFFF && !IsSurrogate(c); }

// Length of the sequence a lead byte starts, 0 for a byte that cannot start one.
int SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 0;
}

}  // namespace

char32_t NextCodePoint(std::string_view s, size_t& i) {
  static constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  const auto lead = static_cast<unsigned char>(s[i]);
  const int length = SequenceLength(lead);
  if (length == 1) return s[i++] & 0x7F;
  if (length == 0 || i + length > s.size()) return ++i, ReplacementChar;
  char32_t cp = lead & (0x7F >> length);
  for (int k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(s[i + k]);
    if ((next & 0xC0) != 0x80) return ++i, ReplacementChar;
    cp = (cp << 6) | (next & 0x3F);
  }
  if (cp < smallest[length] || !IsCharacter(cp)) return ++i, ReplacementChar;
  i += length;
  return cp;
}

std::u32string Utf8ToChars(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) out.push_back(NextCodePoint(text, i));
  return out;
}

void AppendUtf8(std::string& out, char32_t ch) {
  if (!IsCharacter(ch)) ch = ReplacementChar;
  if (ch < 0x80) {
    out += static_cast<char>(ch);
    return;
  }
  const int length = ch < 0x800 ? 2 : ch < 0x10000 ? 3 : 4;
  static constexpr unsigned char leadMarks[] = {0, 0, 0xC0, 0xE0, 0xF0};
  out += static_cast<char>(leadMarks[length] | (ch >> (6 * (length - 1))));
  for (int k = length - 2; k >= 0; --k) out += static_cast<char>(0x80 | ((ch >> (6 * k)) & 0x3F));
}

std::string CharsToUtf8(std::u32string_view chars) {
  std::string out;
  out.reserve(chars.size());
  for (char32_t c : chars) AppendUtf8(out, c);
  return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const char32_t c = NextCodePoint(text, i);
    if (c < 0x10000) {
      out += static_cast<char16_t>(c);
    } else {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  TSurrogateJoiner joiner;
  for (char16_t unit : text) {
    for (char32_t c : joiner.Feed(unit)) AppendUtf8(out, c);
  }
  if (!text.empty() && IsHighSurrogate(text.back())) AppendUtf8(out, ReplacementChar);
  return out;
}

std::u32string TSurrogateJoiner::Feed(char16_t unit) {
  std::u32string done;
  if (m_high && IsLowSurrogate(unit)) {
    done += static_cast<char32_t>(0x10000 + ((*m_high - 0xD800) << 10) + (unit - 0xDC00));
    m_high.reset();
    return done;
  }
  if (m_high) done += ReplacementChar;
  m_high.reset();
  if (IsHighSurrogate(unit)) {
    m_high = unit;
  } else {
    done += IsLowSurrogate(unit) ? ReplacementChar : static_cast<char32_t>(unit);
  }
  return done;
}
