// UTF-16LE bytes read from records and process memory, turned into UTF-8 on the hot
// path of the tick: plain ASCII (nearly every name and command line) is copied in one
// pass; anything else goes through the full conversion.
#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "common/text.h"

namespace ledra::processes {

// Appends the text up to its first NUL unit (an odd last byte is dropped).
inline void appendUtf16le(std::string& out, std::span<const std::byte> bytes) {
  const std::size_t units = bytes.size() / 2;
  const std::size_t start = out.size();
  out.resize(start + units);
  std::size_t i = 0;
  for (; i < units; ++i) {
    const auto low = static_cast<unsigned char>(bytes[2 * i]);
    const auto high = static_cast<unsigned char>(bytes[2 * i + 1]);
    if (high != 0 || low >= 0x80 || low == 0) break;
    out[start + i] = static_cast<char>(low);
  }
  out.resize(start + i);
  if (i == units) return;
  if (bytes[2 * i] == std::byte{0} && bytes[2 * i + 1] == std::byte{0}) return;  // NUL
  out += common::utf16leBytesToUtf8(bytes.subspan(2 * i));
}

inline std::string utf16leToUtf8(std::span<const std::byte> bytes) {
  std::string out;
  appendUtf16le(out, bytes);
  return out;
}

}  // namespace ledra::processes
