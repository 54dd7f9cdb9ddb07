#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace wordmeadow {

// Numbers as RIFF/WAVE and zip files keep them: least significant byte first.

inline std::uint16_t get16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

inline std::uint32_t get32(const std::uint8_t* p) {
  return p[0] | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

// The low 16 bits of v; the caller has checked that it fits.
inline void put16(std::vector<std::uint8_t>& out, std::size_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

// The low 32 bits of v; the caller has checked that it fits.
inline void put32(std::vector<std::uint8_t>& out, std::size_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// A chunk's or a signature's four letters.
inline void putTag(std::vector<std::uint8_t>& out, std::string_view tag) {
  for (const char c : tag) out.push_back(static_cast<std::uint8_t>(c));
}

}  // namespace wordmeadow
