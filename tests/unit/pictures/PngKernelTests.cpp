// Every vector kernel of the codec against its portable scalar twin, on random data of every
// length around the vector widths, with sentinels after each output to catch stores past the
// room they were given. In a scalar-only build both sides are the scalar paths.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "pictures/codec/PngChecksum.h"
#include "pictures/codec/PngConvert.h"
#include "pictures/codec/PngFilters.h"

namespace {

using TBytes = std::vector<std::uint8_t>;

TBytes RandomBytes(std::mt19937& random, std::size_t size) {
  TBytes out(size);
  for (auto& b : out) b = static_cast<std::uint8_t>(random() >> 24);
  return out;
}

constexpr std::size_t Distances[] = {1, 2, 3, 4, 6, 8};

TEST(PngKernels, UnfilterRowMatchesItsScalarTwin) {
  std::mt19937 random(11);
  for (std::size_t d : Distances)
    for (std::size_t length = d; length < 80; length += d)
      for (std::uint8_t filter = 0; filter <= 5; ++filter) {
        const TBytes raw = RandomBytes(random, length + UnfilterPadding);
        const TBytes previous = RandomBytes(random, length + UnfilterPadding);
        TBytes fast(length + UnfilterPadding), plain(length);
        UnfilterRow(filter, raw.data(), fast.data(), previous.data(), length, d);
        UnfilterRowScalar(filter, raw.data(), plain.data(), previous.data(), length, d);
        ASSERT_EQ(TBytes(fast.begin(), fast.begin() + static_cast<long>(length)), plain)
            << "filter " << int{filter} << " distance " << d << " length " << length;
      }
}

// The grouped kernels unfilter two, three or five lines in one sweep; line by line with the
// scalar twin must give the same lines.
TEST(PngKernels, GroupedUnfilteringMatchesLineByLine) {
  std::mt19937 random(12);
  for (std::size_t d : Distances)
    for (std::size_t length : {d, 5 * d, 17 * d, 64 * d})
      for (int trial = 0; trial < 60; ++trial) {
        const std::size_t lines = trial % 3 == 0 ? 2 : trial % 3 == 1 ? 3 : 5;
        std::uint8_t filters[5];
        for (auto& f : filters) f = static_cast<std::uint8_t>(random() % 5);
        if (lines == 5)
          for (std::size_t k = 0; k < 5; ++k) filters[k] = (trial / 3) % 2 == 0 ? (k % 2 == 0 ? 4 : 2) : filters[k];
        std::vector<TBytes> raw(lines), fast(lines), plain(lines);
        for (std::size_t k = 0; k < lines; ++k) {
          raw[k] = RandomBytes(random, length + UnfilterPadding);
          fast[k].assign(length + UnfilterPadding, 0);
          plain[k].assign(length, 0);
        }
        const TBytes previous = RandomBytes(random, length + UnfilterPadding);
        TUnfilterLine group[5];
        for (std::size_t k = 0; k < lines; ++k) group[k] = {filters[k], raw[k].data(), fast[k].data()};
        bool done = false;
        if (lines == 2)
          done = UnfilterRowPair(filters[0], raw[0].data(), fast[0].data(), filters[1], raw[1].data(), fast[1].data(),
                                 previous.data(), length, d);
        if (lines == 3) done = UnfilterRowTriple(group, previous.data(), length, d);
        if (lines == 5) done = UnfilterRowFive(group, previous.data(), length, d);
        if (!done) continue;  // a combination the group does not take
        const std::uint8_t* above = previous.data();
        for (std::size_t k = 0; k < lines; ++k) {
          UnfilterRowScalar(filters[k], raw[k].data(), plain[k].data(), above, length, d);
          above = plain[k].data();
          ASSERT_EQ(TBytes(fast[k].begin(), fast[k].begin() + static_cast<long>(length)), plain[k])
              << lines << " lines, line " << k << " filter " << int{filters[k]} << " distance " << d;
        }
      }
}

TEST(PngKernels, ByteShufflesMatchTheirScalarTwins) {
  std::mt19937 random(13);
  constexpr std::uint8_t Sentinel = 0xA5;
  for (std::size_t pixels = 0; pixels < 40; ++pixels)
    for (std::size_t slack : {0, 1, 16}) {
      const std::size_t room = 3 * pixels + slack;
      const TBytes rgb = RandomBytes(random, 3 * pixels + 16);
      TBytes fast(room + 16, Sentinel), plain(room + 16, Sentinel);
      RgbToBgr(rgb.data(), fast.data(), pixels, room);
      RgbToBgrScalar(rgb.data(), plain.data(), 0, pixels);
      EXPECT_EQ(TBytes(fast.begin(), fast.begin() + static_cast<long>(3 * pixels)),
                TBytes(plain.begin(), plain.begin() + static_cast<long>(3 * pixels)));
      EXPECT_EQ(fast[room], Sentinel) << "wrote past its room, " << pixels << " pixels";

      const TBytes rgba = RandomBytes(random, 4 * pixels + 16);
      TBytes alphaFast(pixels + 16, Sentinel), alphaPlain(pixels + 16, Sentinel);
      std::fill(fast.begin(), fast.end(), Sentinel);
      std::fill(plain.begin(), plain.end(), Sentinel);
      RgbaToBgrAlpha(rgba.data(), fast.data(), alphaFast.data(), pixels, room);
      RgbaToBgrAlphaScalar(rgba.data(), plain.data(), alphaPlain.data(), 0, pixels);
      EXPECT_EQ(TBytes(fast.begin(), fast.begin() + static_cast<long>(3 * pixels)),
                TBytes(plain.begin(), plain.begin() + static_cast<long>(3 * pixels)));
      EXPECT_EQ(alphaFast, alphaPlain);
      EXPECT_EQ(fast[room], Sentinel);

      const TBytes rgb16 = RandomBytes(random, 6 * pixels + 16);
      TBytes wideFast(room + 16, Sentinel), widePlain(room + 16, Sentinel);
      std::fill(fast.begin(), fast.end(), Sentinel);
      std::fill(plain.begin(), plain.end(), Sentinel);
      Rgb16ToBgr(rgb16.data(), fast.data(), wideFast.data(), pixels, room);
      Rgb16ToBgrScalar(rgb16.data(), plain.data(), widePlain.data(), 0, pixels);
      EXPECT_EQ(TBytes(fast.begin(), fast.begin() + static_cast<long>(3 * pixels)),
                TBytes(plain.begin(), plain.begin() + static_cast<long>(3 * pixels)));
      EXPECT_EQ(TBytes(wideFast.begin(), wideFast.begin() + static_cast<long>(3 * pixels)),
                TBytes(widePlain.begin(), widePlain.begin() + static_cast<long>(3 * pixels)));
      EXPECT_EQ(fast[room], Sentinel);
      EXPECT_EQ(wideFast[room], Sentinel);
    }
}

TEST(PngKernels, Adler32MatchesItsScalarTwin) {
  std::mt19937 random(14);
  // Lengths around the 32-byte steps and the blocks after which the sums are reduced, and runs of
  // 255 (the largest sums).
  for (std::size_t size : {0, 1, 31, 32, 33, 5551, 5552, 5553, 11104, 70000}) {
    const TBytes data = RandomBytes(random, size);
    EXPECT_EQ(Adler32(1, data.data(), size), Adler32Scalar(1, data.data(), size)) << size;
    const TBytes full(size, 255);
    EXPECT_EQ(Adler32(0xFFF0FFF0u, full.data(), size), Adler32Scalar(0xFFF0FFF0u, full.data(), size)) << size;
  }
}

}  // namespace
