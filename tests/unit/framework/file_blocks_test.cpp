// Random reads through kept blocks give the file's bytes, wherever they fall.
#include <gtest/gtest.h>

#include <cstdio>
#include <numeric>
#include <vector>

#include "framework/FileBlocks.h"

namespace {

// A temporary file of `size` bytes, byte i = i * 7 + i / 251 (no period of a block size).
struct TTempFile {
  std::FILE* File = std::tmpfile();
  std::vector<unsigned char> Bytes;
  explicit TTempFile(size_t size) : Bytes(size) {
    for (size_t i = 0; i < size; ++i) Bytes[i] = static_cast<unsigned char>(i * 7 + i / 251);
    std::fwrite(Bytes.data(), 1, size, File);
  }
  ~TTempFile() { std::fclose(File); }
};

constexpr unsigned long kBlock = TFileBlocks::BlockSize;

TEST(FileBlocks, ReadsWithinAcrossAndAroundBlocksGiveTheFileBytes) {
  TTempFile temp(5 * kBlock + 123);
  TFileBlocks blocks(temp.File, static_cast<unsigned long>(temp.Bytes.size()));
  struct TCase {
    unsigned long Offset, Count;
  };
  const TCase cases[] = {{0, 4},           {kBlock - 2, 4},        {3 * kBlock + 17, kBlock + 5},
                         {10, 3 * kBlock}, {5 * kBlock + 100, 50}, {0, 0}};
  for (const TCase& c : cases) {
    std::vector<unsigned char> got(c.Count, 0xEE);
    const unsigned long n = blocks.Read(c.Offset, got.data(), c.Count);
    const unsigned long expected = std::min<unsigned long>(c.Count, temp.Bytes.size() - c.Offset);
    ASSERT_EQ(n, expected) << c.Offset;
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + n, temp.Bytes.begin() + c.Offset)) << c.Offset;
  }
  std::vector<unsigned char> none(8);
  EXPECT_EQ(blocks.Read(static_cast<unsigned long>(temp.Bytes.size()), none.data(), 8), 0u);  // at the end
  EXPECT_EQ(blocks.Read(~0ul - 4, none.data(), 8), 0u);
}

TEST(FileBlocks, BlocksReadOnceAreServedFromMemoryUntilPushedOut) {
  TTempFile temp(40 * kBlock);
  TFileBlocks blocks(temp.File, static_cast<unsigned long>(temp.Bytes.size()));
  unsigned char byte = 0;
  for (int round = 0; round < 3; ++round)
    for (unsigned long b = 0; b < 4; ++b) blocks.Read(b * kBlock + 9, &byte, 1);
  EXPECT_EQ(blocks.FileReads(), 4u);
  for (unsigned long b = 4; b < 4 + TFileBlocks::BlockCount; ++b) blocks.Read(b * kBlock, &byte, 1);
  blocks.Read(9, &byte, 1);  // the first block was the least recently used: read again
  EXPECT_EQ(byte, temp.Bytes[9]);
  EXPECT_EQ(blocks.FileReads(), 4u + TFileBlocks::BlockCount + 1);
}

TEST(FileBlocks, AFileThatCannotBeReadGivesNothing) {
  TFileBlocks blocks(nullptr, 100);
  unsigned char byte = 0;
  EXPECT_EQ(blocks.Read(0, &byte, 1), 0u);
}

}  // namespace
