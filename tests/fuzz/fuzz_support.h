// What the fuzz targets share: the check that turns a broken invariant into a finding,
// a UTF-8 validator, a cursor over the fuzzer's bytes, and the byte form of a simulated
// process that both the targets and the seed writer use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fakes/fake_system.h"

namespace ledra::fuzz {

// A broken invariant: says which, then aborts so libFuzzer keeps the input.
[[noreturn]] void fail(const char* what, std::string_view detail = {});
inline void check(bool holds, const char* what, std::string_view detail = {}) {
  if (!holds) fail(what, detail);
}

// Well-formed UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(std::string_view text);

// Reads the fuzzer's bytes front to back; past the end every read gives zeros.
class Cursor {
 public:
  explicit Cursor(std::span<const std::uint8_t> data) : data_(data) {}
  bool empty() const { return at_ >= data_.size(); }
  std::size_t left() const { return empty() ? 0 : data_.size() - at_; }
  std::uint8_t u8();
  std::uint16_t u16();
  std::uint32_t u32();
  std::uint64_t u64();
  // Up to `count` bytes (fewer at the end).
  std::vector<std::byte> bytes(std::size_t count);
  std::vector<std::byte> rest() { return bytes(left()); }

 private:
  std::span<const std::uint8_t> data_;
  std::size_t at_ = 0;
};

// ---- a simulated process as bytes ---------------------------------------------------
// One flags byte, then tagged pieces: tag, 64-bit key, 16-bit length, the bytes. The
// pieces fill the process's answers and memory, so a mutated input is still a process
// whose structures point at each other.
namespace flag {
inline constexpr std::uint8_t kWide = 1;        // the machine answers as a 64-bit program
inline constexpr std::uint8_t kNtWow64 = 2;     // the NtWow64 entries exist
inline constexpr std::uint8_t kDosDevices = 4;  // drives C: and D: map to device names
}  // namespace flag
namespace tag {
inline constexpr std::uint8_t kInformation = 0;    // NtQueryInformationProcess answer, key = class
inline constexpr std::uint8_t kInformation64 = 1;  // NtWow64QueryInformationProcess64 answer
inline constexpr std::uint8_t kMemory = 2;         // a region of memory at address key
inline constexpr std::uint8_t kPointers = 3;       // address fields of an answer: 16-bit offsets
inline constexpr std::uint8_t kModule = 4;         // a module handle, its file name in UTF-16LE
inline constexpr std::uint8_t kCount = 5;
}  // namespace tag

inline constexpr std::uint32_t kPid = 1234;

// Sets up `system` (pointer width, entries, drives) and its process kPid from `data`.
void decodeProcess(std::span<const std::uint8_t> data, fakes::FakeSystem& system);
// The byte form of a process built by the fakes' builders.
std::vector<std::uint8_t> encodeProcess(const fakes::FakeSystem::Process& process, std::uint8_t flags);

}  // namespace ledra::fuzz
