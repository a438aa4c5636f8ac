#include <gtest/gtest.h>

#include "base/Utf8.h"

namespace {

constexpr char32_t R = ReplacementChar;

TEST(Utf8, WellFormedTextOfEveryLengthRoundTrips) {
  const std::string text = "A\xC3\xA9\xE9\xBB\x91\xF0\x9F\x98\x80";  // A é 黑 😀
  EXPECT_EQ(Utf8ToChars(text), (std::u32string{U'A', 0xE9, 0x9ED1, 0x1F600}));
  EXPECT_EQ(CharsToUtf8(Utf8ToChars(text)), text);
}

TEST(Utf8, EachBadByteBecomesOneReplacementAndDecodingResumesAfterIt) {
  // stray continuation, lead without continuation, truncated sequence at the end
  EXPECT_EQ(Utf8ToChars("a\x80"
                        "b"),
            (std::u32string{U'a', R, U'b'}));
  EXPECT_EQ(Utf8ToChars("\xE9"
                        "ab"),
            (std::u32string{R, U'a', U'b'}));
  EXPECT_EQ(Utf8ToChars("x\xE9\xBB"), (std::u32string{U'x', R, R}));
  EXPECT_EQ(Utf8ToChars("\xFF\xFE"), (std::u32string{R, R}));
}

TEST(Utf8, OverlongSurrogateAndOutOfRangeFormsAreRejected) {
  EXPECT_EQ(Utf8ToChars("\xC0\xAF"), (std::u32string{R, R}));                // overlong '/'
  EXPECT_EQ(Utf8ToChars("\xE0\x80\xAF"), (std::u32string{R, R, R}));         // overlong '/'
  EXPECT_EQ(Utf8ToChars("\xED\xA0\x80"), (std::u32string{R, R, R}));         // U+D800
  EXPECT_EQ(Utf8ToChars("\xF4\x90\x80\x80"), (std::u32string{R, R, R, R}));  // above U+10FFFF
}

TEST(Utf8, CodePointsThatAreNoCharactersAreWrittenAsReplacement) {
  EXPECT_EQ(CharsToUtf8(std::u32string{0xD800, U'a', 0x110000}),
            "\xEF\xBF\xBD"
            "a\xEF\xBF\xBD");
}

TEST(Utf16, PairsBothWaysAndUnpairedSurrogatesBecomeReplacements) {
  EXPECT_EQ(Utf8ToUtf16("a\xF0\x9F\x98\x80"), (std::u16string{u'a', 0xD83D, 0xDE00}));
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD83D, 0xDE00, u'b'}),
            "\xF0\x9F\x98\x80"
            "b");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDE00, u'b', 0xD83D}),
            "\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD83D, u'c'}),
            "\xEF\xBF\xBD"
            "c");
}

TEST(SurrogateJoiner, TypedPairsBecomeOneCodePointAndBrokenPairsAreReported) {
  TSurrogateJoiner joiner;
  EXPECT_EQ(joiner.Feed(u'x'), U"x");
  EXPECT_EQ(joiner.Feed(0xD83D), U"");
  EXPECT_EQ(joiner.Feed(0xDE00), U"\U0001F600");
  EXPECT_EQ(joiner.Feed(0xD83D), U"");
  EXPECT_EQ(joiner.Feed(u'y'), (std::u32string{R, U'y'}));
  EXPECT_EQ(joiner.Feed(0xDE00), (std::u32string{R}));
}

}  // namespace
