// Reversing the PNG scan-line filters (None, Sub, Up, Average, Paeth).
#pragma once

#include <cstddef>
#include <cstdint>

// Bytes of room that every line given to UnfilterRow must have after its end.
constexpr std::size_t UnfilterPadding = 16;

// Unfilters the `length` bytes of `raw` into `out` against `previous` (the unfiltered line above,
// all zeros for the first line), `distance` being the bytes of one complete pixel. A filter type
// above 4 copies the line as it is. The vector paths read past the end of `raw` and `previous`
// and write past the end of `out` (within UnfilterPadding).
void UnfilterRow(std::uint8_t filter, const std::uint8_t* raw, std::uint8_t* out, const std::uint8_t* previous,
                 std::size_t length, std::size_t distance);

// Unfilters two consecutive lines together (the lower one against the upper one's output) when
// both use a filter that depends on the pixel to the left (Sub, Average, Paeth), which runs both
// dependency chains side by side. Returns false, doing nothing, for other combinations.
bool UnfilterRowPair(std::uint8_t topFilter, const std::uint8_t* topRaw, std::uint8_t* topOut,
                     std::uint8_t bottomFilter, const std::uint8_t* bottomRaw, std::uint8_t* bottomOut,
                     const std::uint8_t* previous, std::size_t length, std::size_t distance);

// One line of a group: its filter type, its raw bytes and where it is unfiltered to.
struct TUnfilterLine {
  std::uint8_t Filter;
  const std::uint8_t* Raw;
  std::uint8_t* Out;
};

// Unfilters three consecutive lines together when the first and last use Sub, Average or Paeth
// and the middle one None or Up. Returns false, doing nothing, for other combinations.
bool UnfilterRowTriple(const TUnfilterLine* lines, const std::uint8_t* previous, std::size_t length,
                       std::size_t distance);

// Unfilters five consecutive lines together when they use Paeth, Up, Paeth, Up and Paeth.
// Returns false, doing nothing, for other combinations.
bool UnfilterRowFive(const TUnfilterLine* lines, const std::uint8_t* previous, std::size_t length,
                     std::size_t distance);

// The portable twin of UnfilterRow, byte by byte, reading and writing nothing past the line: the
// reference the vector and grouped paths are tested against.
void UnfilterRowScalar(std::uint8_t filter, const std::uint8_t* raw, std::uint8_t* out, const std::uint8_t* previous,
                       std::size_t length, std::size_t distance);
