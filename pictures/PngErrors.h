// The error classes of the PNG reader, one for each failure of the codec (PngFailure.h), each
// derived directly from the general error class and raised with the failure's fixed message.
#pragma once

#include <string>

#include "framework/SysUtils.h"
#include "pictures/codec/PngFailure.h"

ORV_ERROR_CLASS(EPngError, Exception);
ORV_ERROR_CLASS(EPNGInvalidFileHeader, Exception);
ORV_ERROR_CLASS(EPngUnexpectedEnd, Exception);
ORV_ERROR_CLASS(EPNGIHDRNotFirst, Exception);
ORV_ERROR_CLASS(EPNGUnknownCriticalChunk, Exception);
ORV_ERROR_CLASS(EPNGNoImageData, Exception);
ORV_ERROR_CLASS(EPngInvalidCRC, Exception);
ORV_ERROR_CLASS(EPngInvalidIHDR, Exception);
ORV_ERROR_CLASS(EPNGSizeExceeds, Exception);
ORV_ERROR_CLASS(EPNGUnknownCompression, Exception);
ORV_ERROR_CLASS(EPNGUnknownInterlace, Exception);
ORV_ERROR_CLASS(EPNGInvalidPalette, Exception);
ORV_ERROR_CLASS(EPNGMissingMultipleIDAT, Exception);
ORV_ERROR_CLASS(EPNGZLIBError, Exception);
ORV_ERROR_CLASS(EPNGOutMemory, Exception);
ORV_ERROR_CLASS(EPNGHeaderNotPresent, Exception);

// Raises the error class of a codec failure with the failure's message.
[[noreturn]] void RaisePngError(const EPngFailure& failure);
// Raises the error class of `failure` with its fixed message.
[[noreturn]] void RaisePngError(TPngFailure failure);

// Runs `action`; a codec failure it raises becomes the error of the same name.
template <class TAction>
decltype(auto) WithPngErrors(TAction&& action) {
  try {
    return action();
  } catch (const EPngFailure& failure) {
    RaisePngError(failure);
  }
}
