#include "framework/FileBlocks.h"

#include <algorithm>
#include <cstring>

TFileBlocks::TFileBlocks(std::FILE* file, unsigned long size) : m_file(file), m_size(size), m_blocks(BlockCount) {
  // Unbuffered: the blocks are the buffer.
  if (m_file) std::setvbuf(m_file, nullptr, _IONBF, 0);
}

unsigned long TFileBlocks::Read(unsigned long offset, unsigned char* buffer, unsigned long count) {
  if (offset >= m_size) return 0;
  count = std::min(count, m_size - offset);
  if (count >= 2 * BlockSize) return ReadFile(offset, buffer, count);
  unsigned long done = 0;
  while (done < count) {
    const unsigned long at = offset + done;
    const TBlock* block = Block(at / BlockSize);
    const unsigned long inBlock = at % BlockSize;
    if (!block || block->Size <= inBlock) break;
    const unsigned long n = std::min(count - done, block->Size - inBlock);
    std::memcpy(buffer + done, block->Bytes.data() + inBlock, n);
    done += n;
  }
  return done;
}

// The block, from memory or read now in place of the least recently used one; null when the file
// cannot be read there.
const TFileBlocks::TBlock* TFileBlocks::Block(unsigned long index) {
  ++m_clock;
  for (TBlock& block : m_blocks) {
    if (block.Index != index) continue;
    block.LastUse = m_clock;
    return &block;
  }
  TBlock& victim = *std::min_element(m_blocks.begin(), m_blocks.end(),
                                     [](const TBlock& a, const TBlock& b) { return a.LastUse < b.LastUse; });
  victim.Bytes.resize(BlockSize);
  const unsigned long start = index * BlockSize;
  victim.Size = ReadFile(start, victim.Bytes.data(), std::min(BlockSize, m_size - start));
  victim.Index = victim.Size > 0 ? index : ~0ul;
  victim.LastUse = m_clock;
  return victim.Size > 0 ? &victim : nullptr;
}

// Seeks only when the read does not continue where the last one ended.
unsigned long TFileBlocks::ReadFile(unsigned long offset, unsigned char* buffer, unsigned long count) {
  if (!m_file) return 0;
  ++m_fileReads;
  if (offset != m_position && std::fseek(m_file, static_cast<long>(offset), SEEK_SET) != 0) {
    m_position = ~0ul;
    return 0;
  }
  const size_t got = std::fread(buffer, 1, count, m_file);
  m_position = got == count ? offset + got : ~0ul;
  return static_cast<unsigned long>(got);
}
