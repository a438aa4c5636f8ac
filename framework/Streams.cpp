#include "framework/Streams.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// The new position for a seek on a stream of `size` bytes, clamped to [0, int64 max].
std::int64_t SeekTarget(std::int64_t position, std::int64_t size, std::int64_t offset, TSeekOrigin origin) {
  std::int64_t base = 0;
  if (origin == soCurrent) base = position;
  if (origin == soEnd) base = size;
  if (offset > 0 && base > std::numeric_limits<std::int64_t>::max() - offset)
    return std::numeric_limits<std::int64_t>::max();
  return std::max<std::int64_t>(0, base + offset);
}

// Reads from `bytes` at `position` (which may lie past the end).
std::size_t ReadSpan(std::span<const std::uint8_t> bytes, std::int64_t& position, void* buffer, std::size_t count) {
  if (static_cast<std::uint64_t>(position) >= bytes.size()) return 0;
  const std::size_t at = static_cast<std::size_t>(position);
  const std::size_t n = std::min(count, bytes.size() - at);
  if (n == 0) return 0;
  std::memcpy(buffer, bytes.data() + at, n);
  position += static_cast<std::int64_t>(n);
  return n;
}

}  // namespace

std::int64_t TStream::Remaining() {
  const std::int64_t position = Position();
  const std::int64_t size = Size();
  return position >= size ? 0 : size - position;
}

void TStream::ReadBuffer(void* buffer, std::size_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::size_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
  if (count <= 0) count = source.Remaining();
  std::uint8_t block[65536];
  std::int64_t left = count;
  while (left > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(left, sizeof block));
    source.ReadBuffer(block, n);
    WriteBuffer(block, n);
    left -= static_cast<std::int64_t>(n);
  }
  return count;
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
  return ReadSpan(m_bytes, m_position, buffer, count);
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count) {
  if (count == 0) return 0;
  const std::size_t at = static_cast<std::size_t>(m_position);
  if (at > m_bytes.max_size() - count) return 0;
  if (at + count > m_bytes.size()) m_bytes.resize(at + count);
  std::memcpy(m_bytes.data() + at, buffer, count);
  m_position += static_cast<std::int64_t>(count);
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  m_position = SeekTarget(m_position, Size(), offset, origin);
  return m_position;
}

void TMemoryStream::SetSize(std::size_t size) {
  m_bytes.resize(size);
  m_position = std::min(m_position, static_cast<std::int64_t>(size));
}

void TMemoryStream::Clear() {
  m_bytes.clear();
  m_position = 0;
}

std::size_t TSpanStream::Read(void* buffer, std::size_t count) { return ReadSpan(m_bytes, m_position, buffer, count); }

std::int64_t TSpanStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  m_position = SeekTarget(m_position, Size(), offset, origin);
  return m_position;
}
