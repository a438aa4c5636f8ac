// The division model's values and computations.
#include "app/DivisionModel.h"

#include <bit>
#include <stdexcept>

#include "framework/Runtime.h"

namespace {

TDivisionModel g_model;

// The double nearest to one tenth (slightly above it).
const double kTenth = std::bit_cast<double>(std::uint64_t{0x3FB999999999999A});

constexpr std::int32_t kFirstCount = 2;
constexpr std::int32_t kLastCount = 3000;
constexpr double kShortestSlab = 600;
constexpr double kLongestSlab = 720;

// The style's numerator in 32-bit two's-complement arithmetic: differences and products wrap.
std::int32_t Numerator(std::int32_t zongchang, std::int32_t kuai, std::int32_t neifeng, std::int32_t waifeng,
                       std::int32_t yangshi) {
  const auto z = static_cast<std::uint32_t>(zongchang);
  const auto k = static_cast<std::uint32_t>(kuai);
  const auto n = static_cast<std::uint32_t>(neifeng);
  const auto w = static_cast<std::uint32_t>(waifeng);
  std::uint32_t result = 0;
  switch (yangshi) {
    case 1: result = z - 2 * w - (k - 1) * n; break;  // a wall with chamfer at each end
    case 2: result = z - (k - 1) * n; break;          // free ends
    case 3: result = z - 2 * n - (k - 1) * n; break;  // an end seam at each end
    case 4: result = z - w - (k - 1) * n; break;      // free left end, wall at the right
    case 5: result = z - w - k * n; break;            // end seam at the left, wall at the right
    default: throw std::invalid_argument("layout style outside 1 to 5");
  }
  return static_cast<std::int32_t>(result);
}

double Quotient(std::int32_t numerator, std::int32_t denominator) {
  return (TExtended::FromInt64(numerator) / TExtended::FromInt64(denominator)).ToDouble();
}

}  // namespace

TDivisionModel& Model() { return g_model; }

void ResetModel() { g_model = TDivisionModel(); }

std::string SlabWidthText(std::int32_t zongchang, std::int32_t kuai, std::int32_t neifeng, std::int32_t waifeng,
                          std::int32_t yangshi, char decimalSeparator) {
  const double width = Quotient(Numerator(zongchang, kuai, neifeng, waifeng, yangshi), kuai);
  const TExtended tenth = TExtended::FromDouble(kTenth);
  const std::int64_t tenths = (TExtended::FromDouble(width) / tenth).RoundToInt64();
  const double rounded = (TExtended::FromInt64(tenths) * tenth).ToDouble();
  return FloatToStrGeneral(rounded, decimalSeparator);
}

bool IsSuggestedSlabLength(std::int32_t zongchang, std::int32_t count) {
  const double length = Quotient(zongchang, count);
  return length > kShortestSlab && length < kLongestSlab;
}

std::optional<std::int32_t> SuggestedCount(std::int32_t zongchang) {
  // For a positive length the rounded quotient falls as the count grows (rounding is monotonic),
  // and 600 and 720 are exact doubles, so each comparison has the outcome of the exact quotient.
  // Every count below the smallest n with 720 * n > zongchang gives a quotient of at least 720;
  // from that n on the quotients only fall. So only that n can be the first that qualifies.
  // A length of 0 or less never qualifies.
  if (zongchang <= 0) return std::nullopt;
  std::int32_t count = zongchang / static_cast<std::int32_t>(kLongestSlab) + 1;
  if (count < kFirstCount) count = kFirstCount;
  if (count > kLastCount) return std::nullopt;
  if (!IsSuggestedSlabLength(zongchang, count)) return std::nullopt;
  return count;
}
