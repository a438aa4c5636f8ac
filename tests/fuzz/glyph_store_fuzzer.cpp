// Fuzz target of the glyph store's reader, which reads a file from the user's cache as untrusted
// input. An input is read as a whole store file, and again as the body of one under a right
// header (magic, format and checksum), so that mutations reach the reader past the checksum. A
// store that reads is written back; that must read again and write the same bytes once more.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "framework/GlyphStore.h"

namespace {

void ReadAndWriteBack(std::string_view bytes) {
  const std::optional<TGlyphStore> store = DecodeGlyphStore(bytes);
  if (!store) return;
  const std::string written = EncodeGlyphStore(*store);
  const std::optional<TGlyphStore> again = DecodeGlyphStore(written);
  if (!again || EncodeGlyphStore(*again) != written) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  ReadAndWriteBack(input);
  ReadAndWriteBack(SealGlyphStoreBody(input));
  return 0;
}
