// The division model's values and computations.
#include "app/DivisionModel.h"

#include <bit>
#include <stdexcept>

#include "app/LayoutStyles.h"
#include "framework/Runtime.h"

namespace {

TDivisionModel g_model;

// The double nearest to one tenth (slightly above it).
const double kTenth = std::bit_cast<double>(std::uint64_t{0x3FB999999999999A});

constexpr std::int32_t kFirstCount = 2;
constexpr std::int32_t kLastCount = 3000;
constexpr double kShortestSlab = 600;
constexpr double kLongestSlab = 720;

// What an end of the run takes of the total length.
std::uint32_t EndWidth(TRunEnd end, std::uint32_t neifeng, std::uint32_t waifeng) {
  switch (end) {
    case reWall: return waifeng;
    case rePiece: return neifeng;
    default: return 0;
  }
}

// The style's numerator, the length left for the slabs: the total less what the two ends take
// and the seams between the slabs, in 32-bit two's-complement arithmetic (differences and
// products wrap).
std::int32_t Numerator(std::int32_t zongchang, std::int32_t kuai, std::int32_t neifeng, std::int32_t waifeng,
                       std::int32_t yangshi) {
  if (!IsLayoutStyle(yangshi)) throw std::invalid_argument("layout style outside 1 to " + std::to_string(kStyleCount));
  const TLayoutStyle& style = LayoutStyle(yangshi);
  const auto n = static_cast<std::uint32_t>(neifeng);
  const auto w = static_cast<std::uint32_t>(waifeng);
  const std::uint32_t result = static_cast<std::uint32_t>(zongchang) - EndWidth(style.Left, n, w) -
                               EndWidth(style.Right, n, w) - (static_cast<std::uint32_t>(kuai) - 1) * n;
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
