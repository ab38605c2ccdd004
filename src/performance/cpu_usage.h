// Whole-machine CPU use in percent: NT from two kernel counters on successive samples,
// 9x from the kernel's own statistic in the dynamic-data registry.
#pragma once

#include <cstdint>

#include "platform/system.h"

namespace ledra::performance {

class CpuUsage {
 public:
  // CPU use since the previous successful sample, 0..100, or -1 when a query failed.
  // The very first successful sample only records the counters and reports 0: there is
  // no interval to measure yet.
  std::int32_t GetCPUUsageNT(platform::System& system);

 private:
  std::int64_t PrevIdleTime = 0;    // idle time summed over processors, 100-ns units
  std::int64_t PrevSystemTime = 0;  // 100-ns units since 1601
  bool hasPrevious_ = false;
};

// The arithmetic of one NT sample: idle time summed over processors and elapsed time
// over the interval (both 100-ns units), as a percentage clamped to 0..100; -1 when there
// are no processors to share the time.
std::int32_t cpuPercent(std::int64_t dIdle, std::int64_t dTime, int processors);

// Reading the start value is what switches the 9x kernel statistic on.
void StartCPUUsage9x(platform::System& system);
// The statistic's value (0..100), or -1 when its key cannot be opened.
std::int32_t GetCPUUsage9x(platform::System& system);

}  // namespace ledra::performance
