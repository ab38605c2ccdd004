#include "performance/memory_status.h"

#include <array>
#include <optional>

#include "app/is_nt.h"
#include "common/byte_reader.h"

namespace ledra::performance {

namespace {

// Field offsets in the order of the status string: physical, virtual, page file.
constexpr std::array<std::size_t, 6> kExOffsets = {8, 16, 40, 48, 24, 32};  // MEMORYSTATUSEX
constexpr std::array<std::size_t, 6> kOffsets = {8, 12, 24, 28, 16, 20};     // MEMORYSTATUS

// The largest count the figures can carry further on (whole numbers in a signed 64-bit
// count of ten-thousandths); anything larger means the 64-bit reading is unusable.
constexpr std::uint64_t kLargestCount = 922337203685477ull;

std::string join(const std::array<std::uint64_t, 6>& fields) {
  std::string out;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out += ',';
    out += std::to_string(fields[i]);
  }
  return out;
}

std::optional<std::string> memoryStatusEx(platform::System& system) {
  std::array<std::byte, 64> buffer{};
  common::putU32(buffer, 0, 64);  // dwLength
  if (!system.globalMemoryStatusEx(buffer)) return std::nullopt;  // unavailable
  const common::ByteReader reader(buffer);
  std::array<std::uint64_t, 6> fields{};
  for (std::size_t i = 0; i < fields.size(); ++i) {
    fields[i] = reader.u64(kExOffsets[i]).value_or(0);
    if (fields[i] > kLargestCount) return std::nullopt;
  }
  return join(fields);
}

std::string memoryStatus(platform::System& system) {
  std::array<std::byte, 32> buffer{};
  system.globalMemoryStatus(buffer);
  const common::ByteReader reader(buffer);
  std::array<std::uint64_t, 6> fields{};
  for (std::size_t i = 0; i < fields.size(); ++i) {
    // Sizes from 2 GB up to 4 GB read negative as signed words; lift them by 2^32.
    const std::int64_t x = reader.i32(kOffsets[i]).value_or(0);
    fields[i] = static_cast<std::uint64_t>(x < 0 ? x + (std::int64_t{1} << 32) : x);
  }
  return join(fields);
}

}  // namespace

std::string GetMemoryStatus(platform::System& system) {
  if (app::IsNT(system)) {
    if (auto text = memoryStatusEx(system)) return *text;
  }
  return memoryStatus(system);
}

}  // namespace ledra::performance
