// Converting 8-bit truecolour scan lines into the raster's blue, green, red byte order (and the
// alpha plane), for the common case of an identity gamma table.
#pragma once

#include <cstddef>
#include <cstdint>

// `pixels` RGB pixels of `src` (which may be read up to 16 bytes past its end) into BGR at `dst`,
// which has `dstRoom` writable bytes.
void RgbToBgr(const std::uint8_t* src, std::uint8_t* dst, std::size_t pixels, std::size_t dstRoom);
// `pixels` RGBA pixels of `src` into BGR at `dst` (`dstRoom` writable bytes) and `alpha`.
void RgbaToBgrAlpha(const std::uint8_t* src, std::uint8_t* dst, std::uint8_t* alpha, std::size_t pixels,
                    std::size_t dstRoom);
