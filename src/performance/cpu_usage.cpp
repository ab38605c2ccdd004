#include "performance/cpu_usage.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

#include "common/byte_reader.h"
#include "common/number_text.h"
#include "performance/strict_double.h"
#include "platform/os_constants.h"
#include "platform/os_layout.h"

namespace ledra::performance {

namespace {

using platform::kSystemProcessorPerformanceInformation;
using platform::kSystemTimeOfDayInformation;

// Room for one record per processor of a processor group, the most one answer holds.
constexpr std::size_t kMostProcessors = 64;

// The arithmetic works in a fixed-point scale of four decimals.
constexpr double kFixedScale = 10000.0;
// Far beyond any real idle fraction; keeps the fixed-point products inside 64 bits.
// Anything this large clamps to 0 or 100 in the end anyway.
constexpr double kFixedLimit = 1e15;

constexpr const char* kStartStatKey = "PerfStats\\StartStat";
constexpr const char* kStatDataKey = "PerfStats\\StatData";
constexpr const char* kCpuUsageValue = "KERNEL\\CPUUsage";
using platform::kRegDword;

// A value in units, rounded half to even to four decimals, as a raw fixed-point count.
std::int64_t toFixed(double units) {
  const double raw = common::roundHalfEven(strict(units * kFixedScale));
  return static_cast<std::int64_t>(std::clamp(raw, -kFixedLimit, kFixedLimit));
}

std::int64_t wrappingDifference(std::int64_t a, std::int64_t b) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) - static_cast<std::uint64_t>(b));
}

std::int64_t wrappingSum(std::int64_t a, std::int64_t b) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
}

// Floor of a raw fixed-point count, in whole units.
std::int64_t floorFixed(std::int64_t raw) {
  std::int64_t q = raw / 10000;
  if (raw % 10000 < 0) --q;
  return q;
}

std::int32_t clampPercent(std::int64_t v) { return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, 0, 100)); }

// Opens a dynamic-data key and reads the CPU usage word into *word; the word stays 0
// when the value cannot be read. Returns false when the key cannot be opened.
bool readCpuUsageWord(platform::System& system, const char* key, std::uint32_t* word) {
  *word = 0;
  // The statistic is the 9x family's, and no 9x system runs 64-bit programs.
  if (system.pointerSize() != 4) return false;
  platform::Handle handle{};
  const std::int32_t status = system.regOpenKey(platform::kHkeyDynData, key, &handle);
  platform::ScopedKey scoped(system, handle);
  if (status != 0 || handle == platform::Handle{}) return false;
  std::array<std::byte, 4> data{};
  std::uint32_t type = kRegDword;
  std::uint32_t size = 4;
  system.regQueryValueEx(handle, kCpuUsageValue, &type, data, &size);
  *word = common::ByteReader(data).u32(0).value_or(0);
  return true;
}

}  // namespace

std::int32_t CpuUsage::GetCPUUsageNT(platform::System& system) {
  constexpr const platform::ProcessorPerformanceLayout& record = platform::kProcessorPerformance;
  std::array<std::byte, platform::kTimeOfDay.queried> timeOfDay{};
  std::array<std::byte, kMostProcessors * record.size> perProcessor{};
  std::uint32_t answered = 0;
  if (system.ntQuerySystemInformation(kSystemTimeOfDayInformation, timeOfDay, nullptr) != platform::kStatusSuccess)
    return -1;
  if (system.ntQuerySystemInformation(kSystemProcessorPerformanceInformation, perProcessor, &answered) !=
      platform::kStatusSuccess)
    return -1;

  // The idle time and the processor count from the same records: the system-wide idle
  // time covers every processor, while the basic information's count stops at one
  // processor group and, for a 32-bit program on 64-bit Windows, at 32.
  const common::ByteReader records(perProcessor);
  const std::size_t processors = std::min<std::size_t>(answered, perProcessor.size()) / record.size;
  std::int64_t idleTime = 0;
  for (std::size_t i = 0; i < processors; ++i)
    idleTime = wrappingSum(idleTime, records.i64(i * record.size + record.idleTime).value_or(0));
  const std::int64_t currentTime = common::ByteReader(timeOfDay).i64(platform::kTimeOfDay.currentTime).value_or(0);
  // No processors is no usable sample; keep the last good counters.
  if (processors == 0) return -1;

  if (!hasPrevious_) {
    // Measuring against zero counters would report the idle share since boot over the
    // time since 1601, i.e. a full CPU. Start the interval here instead.
    PrevIdleTime = idleTime;
    PrevSystemTime = currentTime;
    hasPrevious_ = true;
    return 0;
  }

  const std::int32_t result = cpuPercent(wrappingDifference(idleTime, PrevIdleTime),
                                         wrappingDifference(currentTime, PrevSystemTime), static_cast<int>(processors));
  PrevIdleTime = idleTime;
  PrevSystemTime = currentTime;
  return result;
}

std::int32_t cpuPercent(std::int64_t dIdle, std::int64_t dTime, int processors) {
  if (processors <= 0) return -1;
  // r: the idle share of the interval summed over processors, four decimals. Without a
  // time difference it stays the idle difference in milliseconds.
  std::int64_t r = static_cast<std::int64_t>(std::clamp(static_cast<double>(dIdle), -kFixedLimit, kFixedLimit));
  if (dTime != 0) r = toFixed(strict(static_cast<double>(dIdle) / static_cast<double>(dTime)));

  const double p = strict(static_cast<double>(r * 100) / kFixedScale);
  const double x = strict(strict(100.0 - strict(p / processors)) + 0.5);
  // Idle time running ahead of the clock, or a clock that stood still, gives readings
  // outside the scale; -1 stays reserved for a failed sample.
  return clampPercent(floorFixed(toFixed(x)));
}

void StartCPUUsage9x(platform::System& system) {
  std::uint32_t ignored = 0;
  readCpuUsageWord(system, kStartStatKey, &ignored);
}

std::int32_t GetCPUUsage9x(platform::System& system) {
  std::uint32_t word = 0;
  if (!readCpuUsageWord(system, kStatDataKey, &word)) return -1;
  // The word is a percentage already; a stray reading must not pass for -1.
  return clampPercent(static_cast<std::int32_t>(word));
}

}  // namespace ledra::performance
