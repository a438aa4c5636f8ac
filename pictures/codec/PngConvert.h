// Converting truecolour scan lines into the raster's blue, green, red byte order (and the alpha
// or wide-sample plane), for the common case of an identity gamma table.
#pragma once

#include <cstddef>
#include <cstdint>

// `pixels` RGB pixels of `src` (which may be read up to 16 bytes past its end) into BGR at `dst`,
// which has `dstRoom` writable bytes.
void RgbToBgr(const std::uint8_t* src, std::uint8_t* dst, std::size_t pixels, std::size_t dstRoom);
// `pixels` RGBA pixels of `src` into BGR at `dst` (`dstRoom` writable bytes) and `alpha`.
void RgbaToBgrAlpha(const std::uint8_t* src, std::uint8_t* dst, std::uint8_t* alpha, std::size_t pixels,
                    std::size_t dstRoom);
// `pixels` 16-bit RGB pixels of `src` (readable up to 16 bytes past its end): the high bytes
// into BGR at `dst`, the low bytes likewise at `wide`, both with `dstRoom` writable bytes.
void Rgb16ToBgr(const std::uint8_t* src, std::uint8_t* dst, std::uint8_t* wide, std::size_t pixels,
                std::size_t dstRoom);

// The portable twins, byte by byte from pixel `from` to `pixels`, writing nothing past the last
// pixel: what the vector paths finish rows with, and what they are tested against.
void RgbToBgrScalar(const std::uint8_t* src, std::uint8_t* dst, std::size_t from, std::size_t pixels);
void RgbaToBgrAlphaScalar(const std::uint8_t* src, std::uint8_t* dst, std::uint8_t* alpha, std::size_t from,
                          std::size_t pixels);
void Rgb16ToBgrScalar(const std::uint8_t* src, std::uint8_t* dst, std::uint8_t* wide, std::size_t from,
                      std::size_t pixels);
