// The zlib stream's check value (Adler-32) of inflated image data, computed here rather than by
// inflate so that it runs 16 bytes at a time.
#pragma once

#include <cstddef>
#include <cstdint>

// The Adler-32 of `data` continued from `adler` (1 for an empty start).
std::uint32_t Adler32(std::uint32_t adler, const std::uint8_t* data, std::size_t size);
// The portable twin, byte by byte.
std::uint32_t Adler32Scalar(std::uint32_t adler, const std::uint8_t* data, std::size_t size);
