// Byte streams: the abstract TStream, a growable memory stream and a read-only stream over bytes
// that live elsewhere (built-in data).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "framework/SysUtils.h"

ORV_ERROR_CLASS(EWriteError, EStreamError);

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
 public:
  virtual ~TStream() = default;

  // Reads up to `count` bytes; returns how many were read (0 at the end).
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  // Writes up to `count` bytes; returns how many were written.
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
  // Moves the position (it may lie past the end; reads there return nothing) and returns it.
  // A position before the start is clamped to 0.
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
  virtual std::int64_t Size() const = 0;

  std::int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(std::int64_t position) { Seek(position, soBeginning); }
  // Bytes between the position and the end (0 when the position lies past the end).
  std::int64_t Remaining();

  // Reads exactly `count` bytes or raises EReadError "Stream read error".
  void ReadBuffer(void* buffer, std::size_t count);
  // Writes exactly `count` bytes or raises EWriteError "Stream write error".
  void WriteBuffer(const void* buffer, std::size_t count);
  // Copies `count` bytes from `source` (all of it from its position when count is 0).
  std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

// A stream over a growable byte buffer it owns.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::span<const std::uint8_t> bytes) : m_bytes(bytes.begin(), bytes.end()) {}

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() const override { return static_cast<std::int64_t>(m_bytes.size()); }

  const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }
  void SetSize(std::size_t size);
  void Clear();

 private:
  std::vector<std::uint8_t> m_bytes;
  std::int64_t m_position = 0;
};

// A read-only stream over bytes it does not own (they must outlive the stream). Writing fails.
class TSpanStream : public TStream {
 public:
  explicit TSpanStream(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void*, std::size_t) override { return 0; }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() const override { return static_cast<std::int64_t>(m_bytes.size()); }

 private:
  std::span<const std::uint8_t> m_bytes;
  std::int64_t m_position = 0;
};
