// Bounds-checked little-endian reads from byte buffers laid out as the 32-bit OS
// structures. A read outside the buffer yields std::nullopt, never touches memory
// outside the span.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ledra::common {

class ByteReader {
 public:
  explicit ByteReader(std::span<const std::byte> data) : data_(data) {}

  std::size_t size() const { return data_.size(); }
  bool has(std::size_t offset, std::size_t count) const {
    return offset <= data_.size() && count <= data_.size() - offset;
  }

  std::optional<std::uint8_t> u8(std::size_t offset) const {
    if (!has(offset, 1)) return std::nullopt;
    return static_cast<std::uint8_t>(data_[offset]);
  }
  std::optional<std::uint16_t> u16(std::size_t offset) const { return unsignedAt<std::uint16_t>(offset); }
  std::optional<std::uint32_t> u32(std::size_t offset) const { return unsignedAt<std::uint32_t>(offset); }
  std::optional<std::uint64_t> u64(std::size_t offset) const { return unsignedAt<std::uint64_t>(offset); }
  std::optional<std::int16_t> i16(std::size_t offset) const {
    auto v = u16(offset);
    if (!v) return std::nullopt;
    return static_cast<std::int16_t>(*v);
  }
  std::optional<std::int32_t> i32(std::size_t offset) const {
    auto v = u32(offset);
    if (!v) return std::nullopt;
    return static_cast<std::int32_t>(*v);
  }
  std::optional<std::int64_t> i64(std::size_t offset) const {
    auto v = u64(offset);
    if (!v) return std::nullopt;
    return static_cast<std::int64_t>(*v);
  }

  // The bytes [offset, offset + count), or an empty optional when out of range.
  std::optional<std::span<const std::byte>> bytes(std::size_t offset, std::size_t count) const {
    if (!has(offset, count)) return std::nullopt;
    return data_.subspan(offset, count);
  }

  // A NUL-terminated single-byte string in a fixed field of `capacity` bytes.
  std::optional<std::string> cString(std::size_t offset, std::size_t capacity) const {
    auto field = bytes(offset, capacity);
    if (!field) return std::nullopt;
    std::string out;
    for (std::byte b : *field) {
      if (b == std::byte{0}) break;
      out.push_back(static_cast<char>(b));
    }
    return out;
  }

 private:
  template <typename T>
  std::optional<T> unsignedAt(std::size_t offset) const {
    if (!has(offset, sizeof(T))) return std::nullopt;
    T value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
      value |= static_cast<T>(static_cast<T>(data_[offset + i]) << (8 * i));
    }
    return value;
  }

  std::span<const std::byte> data_;
};

// Little-endian writes, for building structures (the fakes) and filling in size fields.
inline void putU16(std::span<std::byte> out, std::size_t offset, std::uint16_t v) {
  if (offset + 2 > out.size()) return;
  for (int i = 0; i < 2; ++i) out[offset + i] = static_cast<std::byte>((v >> (8 * i)) & 0xFF);
}
inline void putU32(std::span<std::byte> out, std::size_t offset, std::uint32_t v) {
  if (offset + 4 > out.size()) return;
  for (int i = 0; i < 4; ++i) out[offset + i] = static_cast<std::byte>((v >> (8 * i)) & 0xFF);
}
inline void putU64(std::span<std::byte> out, std::size_t offset, std::uint64_t v) {
  if (offset + 8 > out.size()) return;
  for (int i = 0; i < 8; ++i) out[offset + i] = static_cast<std::byte>((v >> (8 * i)) & 0xFF);
}

}  // namespace ledra::common
