// Reversing the PNG scan-line filters (None, Sub, Up, Average, Paeth).
#pragma once

#include <cstddef>
#include <cstdint>

// Unfilters `length` bytes of `row` in place against `previous` (the unfiltered line above, all
// zeros for the first line), `distance` being the bytes of one complete pixel. A filter type
// above 4 leaves the line as it is.
void UnfilterRow(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* previous, std::size_t length,
                 std::size_t distance);
