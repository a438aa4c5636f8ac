// Random reads of a file through a few blocks of it kept in memory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

// The font engine reads font files piece by piece: a glyph's outline, its entries in the index
// and metrics tables, the hinter's samples, each a read at another place of the file and most of
// them in a block read just before. A stdio buffer holds one block, so every jump re-reads one;
// this keeps the last blocks used, reads a missing block with one seek and one read, and passes
// large reads (whole tables) straight through.
class TFileBlocks {
 public:
  static constexpr unsigned long BlockSize = 4096;
  static constexpr size_t BlockCount = 16;

  // Reads `file` (positioned anywhere, not closed here) of `size` bytes.
  TFileBlocks(std::FILE* file, unsigned long size);

  // Copies up to `count` bytes from `offset` into `buffer`; the number copied, short at the end
  // of the file or when the file cannot be read.
  unsigned long Read(unsigned long offset, unsigned char* buffer, unsigned long count);
  // Reads of the file itself so far (for tests and measurements).
  unsigned long FileReads() const { return m_fileReads; }

 private:
  struct TBlock {
    unsigned long Index = ~0ul;
    std::uint64_t LastUse = 0;
    unsigned long Size = 0;
    std::vector<unsigned char> Bytes;
  };

  const TBlock* Block(unsigned long index);
  unsigned long ReadFile(unsigned long offset, unsigned char* buffer, unsigned long count);

  std::FILE* m_file;
  unsigned long m_size;
  unsigned long m_position = ~0ul;  // where the file stands; ~0 when unknown
  unsigned long m_fileReads = 0;
  std::uint64_t m_clock = 0;
  std::vector<TBlock> m_blocks;
};
