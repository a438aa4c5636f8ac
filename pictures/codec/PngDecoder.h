// Decoding the image data of a PNG datastream into the planes of a TPngImage.
#pragma once

#include <cstdint>

#include "pictures/codec/PngImage.h"
#include "pictures/codec/PngReader.h"

// Decodes the image from the IDAT chunk whose length (`firstSize`) and type have just been read
// from `input` and the IDAT chunks that directly follow it, into the planes `image` has prepared
// for its header, and reads the CRC of the last of them. Raises pfInvalidIHDR for a colour type
// and bit depth the format forbids, pfInvalidCRC, pfMissingMultipleIDAT when more data is needed
// and the next chunk is not IDAT, pfZLIBError, pfUnexpectedEnd. Data that ends early leaves the
// rows it did not reach zero.
void DecodePngImageData(TPngInput& input, TPngImage& image, std::uint32_t firstSize);
