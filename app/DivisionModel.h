// The division model: the five input values of the program and the two computations over them,
// the slab width text and the suggested slab count.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The five values, signed 32-bit, with their start values.
struct TDivisionModel {
  std::int32_t zongchang = 2000;  // total length of the run, mm
  std::int32_t kuai = 3;          // number of slabs
  std::int32_t neifeng = 6;       // seam between two slabs (and end seam of styles 3 and 5), mm
  std::int32_t waifeng = 10;      // chamfer gap at a wall end, mm
  std::int32_t yangshi = 1;       // layout style, 1 to kStyleCount (app/LayoutStyles.h)
};

// The program's one set of values.
TDivisionModel& Model();

// Restores the start values (each start of the program begins from them).
void ResetModel();

// The width of each slab, rounded to a tenth, as text in the general number format with the given
// decimal separator ("656", "662.7", "-10.7"). The numerator wraps modulo 2^32; the divisions and
// the rounding use a 64-bit significand. kuai = 0 raises EZeroDivide, or EInvalidOp when the
// numerator is 0 as well. A style outside 1 to kStyleCount throws std::invalid_argument.
std::string SlabWidthText(std::int32_t zongchang, std::int32_t kuai, std::int32_t neifeng, std::int32_t waifeng,
                          std::int32_t yangshi, char decimalSeparator);

// The smallest count n in 2 ... 3000 for which zongchang / n (64-bit significand, rounded to a
// double) lies strictly between 600 and 720; none when there is no such count.
std::optional<std::int32_t> SuggestedCount(std::int32_t zongchang);

// One step of the suggestion search: whether zongchang / count qualifies.
bool IsSuggestedSlabLength(std::int32_t zongchang, std::int32_t count);
