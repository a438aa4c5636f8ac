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
