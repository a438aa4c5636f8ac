#include "pictures/codec/PngFailure.h"

#include <zlib.h>

namespace {

// Indexed by TPngFailure.
constexpr const char* Messages[] = {
    "The file being readed is not a valid \"Portable Network Graphics\" image because it contains an invalid "
    "header. This file may be corruped, try obtaining it again.",
    "This \"Portable Network Graphics\" image is invalid because the decoder found an unexpected end of the file.",
    "This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n"
    "(IHDR chunk is not the first)",
    "This \"Portable Network Graphics\" image contains an unknown critical part which could not be decoded.",
    "This \"Portable Network Graphics\" image contains no data.",
    "This \"Portable Network Graphics\" image is not valid because it contains invalid pieces of data (crc error)",
    "The \"Portable Network Graphics\" image could not be loaded because one of its main piece of data (ihdr) "
    "might be corrupted",
    "This \"Portable Network Graphics\" image is not supported because either it's width or height exceeds the "
    "maximum size, which is 65535 pixels length.",
    "This \"Portable Network Graphics\" image is encoded with an unknown compression scheme which could not be "
    "decoded.",
    "This \"Portable Network Graphics\" image uses an unknown interlace scheme which could not be decoded.",
    "The \"Portable Network Graphics\" image contains an invalid palette.",
    "This \"Portable Network Graphics\" image is invalid because it has missing image parts.",
    "Could not decompress the image because it contains invalid compressed data.",
    "Some operation could not be performed because the system is out of resources. Close some windows and try "
    "again.",
    "This operation is not valid because the current image contains no valid header.",
    "There is no such palette entry.",
    "The chunks must be compatible to be assigned.",
};
static_assert(sizeof Messages / sizeof Messages[0] == pfChunksNotCompatible + 1, "one message per failure");

}  // namespace

const char* PngFailureMessage(TPngFailure failure) { return Messages[failure]; }

std::string InflateResultText(int code) {
  switch (code) {
    case Z_VERSION_ERROR: return "incompatible version (-6)";
    case Z_BUF_ERROR: return "buffer error (-5)";
    case Z_MEM_ERROR: return "insufficient memory (-4)";
    case Z_DATA_ERROR: return "data error (-3)";
    case Z_STREAM_ERROR: return "stream error (-2)";
    case Z_ERRNO: return "file error (-1)";
    case Z_OK: return "(0)";
    case Z_STREAM_END: return "stream end (1)";
    case Z_NEED_DICT: return "need dictionary (2)";
    default: {
      std::string text = "(";  // built in steps: GCC 12 warns falsely on a chain of + here
      text += std::to_string(code);
      text += ')';
      return text;
    }
  }
}

void RaisePngFailure(TPngFailure failure) { throw EPngFailure(failure, PngFailureMessage(failure)); }

void RaiseInflateFailure(int code) {
  throw EPngFailure(pfZLIBError,
                    std::string(PngFailureMessage(pfZLIBError)) + "\r\n Description: " + InflateResultText(code));
}
