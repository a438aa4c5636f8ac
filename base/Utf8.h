// Text encodings: UTF-8 (the program's own text) and UTF-16 (what Windows hands over) to code
// points and back. One rule for bad input everywhere: whatever is not a well-formed character
// (a stray or missing continuation byte, an overlong form, an encoded surrogate, a value above
// U+10FFFF, an unpaired UTF-16 surrogate) becomes U+FFFD, one replacement per bad byte or unit,
// and decoding goes on with the next byte or unit, so nothing after it is lost or misread.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

constexpr char32_t ReplacementChar = 0xFFFD;

// The code point starting at s[i]; advances i past it (by one byte when it is malformed).
char32_t NextCodePoint(std::string_view s, size_t& i);

std::u32string Utf8ToChars(std::string_view text);
// Code points that are no characters (surrogates, values above U+10FFFF) are written as U+FFFD.
void AppendUtf8(std::string& out, char32_t ch);
std::string CharsToUtf8(std::u32string_view chars);

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Joins UTF-16 units arriving one at a time (typed characters) into code points: a high
// surrogate waits for the low one; a surrogate without its partner gives U+FFFD.
class TSurrogateJoiner {
 public:
  // The code points completed by this unit: none while a pair is half done; two when a waiting
  // high surrogate is followed by something other than a low one.
  std::u32string Feed(char16_t unit);

 private:
  std::optional<char16_t> m_high;
};
