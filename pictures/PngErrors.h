// The error classes of the PNG reader, each with its fixed message.
#pragma once

#include <string>

#include "framework/SysUtils.h"

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

namespace PngMessages {
inline constexpr const char* InvalidFileHeader =
    "The file being readed is not a valid \"Portable Network Graphics\" image because it contains an invalid "
    "header. This file may be corruped, try obtaining it again.";
inline constexpr const char* UnexpectedEnd =
    "This \"Portable Network Graphics\" image is invalid because the decoder found an unexpected end of the file.";
inline constexpr const char* IHDRNotFirst =
    "This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n"
    "(IHDR chunk is not the first)";
inline constexpr const char* UnknownCriticalChunk =
    "This \"Portable Network Graphics\" image contains an unknown critical part which could not be decoded.";
inline constexpr const char* NoImageData = "This \"Portable Network Graphics\" image contains no data.";
inline constexpr const char* InvalidCRC =
    "This \"Portable Network Graphics\" image is not valid because it contains invalid pieces of data (crc error)";
inline constexpr const char* InvalidIHDR =
    "The \"Portable Network Graphics\" image could not be loaded because one of its main piece of data (ihdr) "
    "might be corrupted";
inline constexpr const char* SizeExceeds =
    "This \"Portable Network Graphics\" image is not supported because either it's width or height exceeds the "
    "maximum size, which is 65535 pixels length.";
inline constexpr const char* UnknownCompression =
    "This \"Portable Network Graphics\" image is encoded with an unknown compression scheme which could not be "
    "decoded.";
inline constexpr const char* UnknownInterlace =
    "This \"Portable Network Graphics\" image uses an unknown interlace scheme which could not be decoded.";
inline constexpr const char* InvalidPalette = "The \"Portable Network Graphics\" image contains an invalid palette.";
inline constexpr const char* MissingMultipleIDAT =
    "This \"Portable Network Graphics\" image is invalid because it has missing image parts.";
inline constexpr const char* ZLIBError =
    "Could not decompress the image because it contains invalid compressed data.";
inline constexpr const char* OutMemory =
    "Some operation could not be performed because the system is out of resources. Close some windows and try "
    "again.";
inline constexpr const char* HeaderNotPresent =
    "This operation is not valid because the current image contains no valid header.";
inline constexpr const char* NoSuchPaletteEntry = "There is no such palette entry.";
inline constexpr const char* ChunksNotCompatible = "The chunks must be compatible to be assigned.";
}  // namespace PngMessages

// The text of an inflate result code ("data error (-3)").
std::string InflateResultText(int code);

// EPNGZLIBError for an inflate result code: the fixed message, CR LF, " Description: " and the text.
[[noreturn]] void RaiseInflateError(int code);
