#include "performance/memory_status.h"

#include <algorithm>
#include <array>
#include <optional>
#include <span>

#include "common/byte_reader.h"
#include "platform/is_nt.h"
#include "platform/os_layout.h"

namespace ledra::performance {

namespace {

// Field offsets in the order of the status string: physical, virtual, page file.
constexpr std::array<std::size_t, 6> kExOffsets = {
    platform::kMemoryStatusEx.totalPhys,     platform::kMemoryStatusEx.availPhys,
    platform::kMemoryStatusEx.totalVirtual,  platform::kMemoryStatusEx.availVirtual,
    platform::kMemoryStatusEx.totalPageFile, platform::kMemoryStatusEx.availPageFile};

std::array<std::size_t, 6> offsets(const platform::MemoryStatusLayout& m) {
  return {m.totalPhys, m.availPhys, m.totalVirtual, m.availVirtual, m.totalPageFile, m.availPageFile};
}

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
  std::array<std::byte, platform::kMemoryStatusEx.size> buffer{};
  common::putU32(buffer, 0, platform::kMemoryStatusEx.size);      // dwLength
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
  const platform::OsLayout& layout = platform::osLayoutFor(system.pointerSize());
  std::array<std::byte, platform::kOsLayout64.memoryStatus.size> storage{};
  const std::span<std::byte> buffer(storage.data(), layout.memoryStatus.size);
  system.globalMemoryStatus(buffer);
  const common::ByteReader reader(buffer);
  const auto at = offsets(layout.memoryStatus);
  std::array<std::uint64_t, 6> fields{};
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (layout.pointer == 8) {
      // Whole 64-bit counts, capped where the figures cannot carry them further.
      fields[i] = std::min(reader.u64(at[i]).value_or(0), kLargestCount);
      continue;
    }
    // Sizes from 2 GB up to 4 GB read negative as signed words; lift them by 2^32.
    const std::int64_t x = reader.i32(at[i]).value_or(0);
    fields[i] = static_cast<std::uint64_t>(x < 0 ? x + (std::int64_t{1} << 32) : x);
  }
  return join(fields);
}

}  // namespace

std::string GetMemoryStatus(platform::System& system) {
  if (platform::IsNT(system)) {
    if (auto text = memoryStatusEx(system)) return *text;
  }
  return memoryStatus(system);
}

}  // namespace ledra::performance
