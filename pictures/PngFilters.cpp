#include "pictures/PngFilters.h"

#include <algorithm>
#include <cstdlib>

namespace {

inline std::uint8_t Paeth(int a, int b, int c) {
  const int pa = std::abs(b - c);
  const int pb = std::abs(a - c);
  const int pc = std::abs(a + b - 2 * c);
  if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(a);
  return static_cast<std::uint8_t>(pb <= pc ? b : c);
}

void UnfilterSub(std::uint8_t* row, std::size_t length, std::size_t d) {
  for (std::size_t i = d; i < length; ++i) row[i] = static_cast<std::uint8_t>(row[i] + row[i - d]);
}

void UnfilterUp(std::uint8_t* row, const std::uint8_t* prev, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) row[i] = static_cast<std::uint8_t>(row[i] + prev[i]);
}

void UnfilterAverage(std::uint8_t* row, const std::uint8_t* prev, std::size_t length, std::size_t d) {
  const std::size_t head = std::min(d, length);
  for (std::size_t i = 0; i < head; ++i) row[i] = static_cast<std::uint8_t>(row[i] + (prev[i] >> 1));
  for (std::size_t i = head; i < length; ++i)
    row[i] = static_cast<std::uint8_t>(row[i] + ((row[i - d] + prev[i]) >> 1));
}

void UnfilterPaeth(std::uint8_t* row, const std::uint8_t* prev, std::size_t length, std::size_t d) {
  const std::size_t head = std::min(d, length);
  for (std::size_t i = 0; i < head; ++i) row[i] = static_cast<std::uint8_t>(row[i] + prev[i]);
  for (std::size_t i = head; i < length; ++i)
    row[i] = static_cast<std::uint8_t>(row[i] + Paeth(row[i - d], prev[i], prev[i - d]));
}

}  // namespace

void UnfilterRow(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* previous, std::size_t length,
                 std::size_t distance) {
  switch (filter) {
    case 1: UnfilterSub(row, length, distance); break;
    case 2: UnfilterUp(row, previous, length); break;
    case 3: UnfilterAverage(row, previous, length, distance); break;
    case 4: UnfilterPaeth(row, previous, length, distance); break;
    default: break;
  }
}
