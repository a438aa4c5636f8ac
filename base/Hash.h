// A 64-bit FNV-1a hash of bytes: for checksums of the program's own files and for stamps that
// tell whether something they depend on has changed. Not for anything an attacker chooses.
#pragma once

#include <cstdint>
#include <string_view>

constexpr std::uint64_t kHashSeed = 0xcbf29ce484222325ull;

constexpr std::uint64_t Hash64(std::string_view bytes, std::uint64_t hash = kHashSeed) {
  for (const char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
  return hash;
}
