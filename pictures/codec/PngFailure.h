// The failures of the PNG codec: one enumeration, one table of their fixed English messages, and
// one way to raise them. The codec raises EPngFailure; the picture classes turn each failure into
// the error class of the same name (PngErrors.h).
#pragma once

#include <exception>
#include <string>

enum TPngFailure {
  pfInvalidFileHeader,
  pfUnexpectedEnd,
  pfIHDRNotFirst,
  pfUnknownCriticalChunk,
  pfNoImageData,
  pfInvalidCRC,
  pfInvalidIHDR,
  pfSizeExceeds,
  pfUnknownCompression,
  pfUnknownInterlace,
  pfInvalidPalette,
  pfMissingMultipleIDAT,
  pfZLIBError,
  pfOutMemory,
  pfHeaderNotPresent,
  pfNoSuchPaletteEntry,
  pfChunksNotCompatible,
};

// The fixed message of a failure (for pfZLIBError without the inflate result's description).
const char* PngFailureMessage(TPngFailure failure);

// The text of an inflate result code ("data error (-3)").
std::string InflateResultText(int code);

class EPngFailure : public std::exception {
 public:
  EPngFailure(TPngFailure failure, std::string message) : m_failure(failure), m_message(std::move(message)) {}
  TPngFailure Failure() const { return m_failure; }
  const std::string& Message() const { return m_message; }
  const char* what() const noexcept override { return m_message.c_str(); }

 private:
  TPngFailure m_failure;
  std::string m_message;
};

// Raises EPngFailure with the failure's message.
[[noreturn]] void RaisePngFailure(TPngFailure failure);
// pfZLIBError for an inflate result code: the message, CR LF, " Description: " and the result's text.
[[noreturn]] void RaiseInflateFailure(int code);
