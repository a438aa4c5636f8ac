#include "pictures/PngErrors.h"

namespace {

template <class TError>
[[noreturn]] void Raise(const std::string& message) {
  throw TError(message);
}

using TRaise = void (*)(const std::string&);

// Indexed by TPngFailure.
constexpr TRaise Raisers[] = {
    Raise<EPNGInvalidFileHeader>,
    Raise<EPngUnexpectedEnd>,
    Raise<EPNGIHDRNotFirst>,
    Raise<EPNGUnknownCriticalChunk>,
    Raise<EPNGNoImageData>,
    Raise<EPngInvalidCRC>,
    Raise<EPngInvalidIHDR>,
    Raise<EPNGSizeExceeds>,
    Raise<EPNGUnknownCompression>,
    Raise<EPNGUnknownInterlace>,
    Raise<EPNGInvalidPalette>,
    Raise<EPNGMissingMultipleIDAT>,
    Raise<EPNGZLIBError>,
    Raise<EPNGOutMemory>,
    Raise<EPNGHeaderNotPresent>,
    Raise<EPngError>,
    Raise<EPngError>,
};
static_assert(sizeof Raisers / sizeof Raisers[0] == pfChunksNotCompatible + 1, "one error class per failure");

}  // namespace

void RaisePngError(const EPngFailure& failure) {
  Raisers[failure.Failure()](failure.Message());
  __builtin_unreachable();
}

void RaisePngError(TPngFailure failure) { RaisePngError(EPngFailure(failure, PngFailureMessage(failure))); }
