// Whole-machine CPU use in percent: NT from two kernel counters on successive samples,
// 9x from the kernel's own statistic in the dynamic-data registry.
#pragma once

#include <cstdint>

#include "platform/system.h"

namespace ledra::performance {

class CpuUsage {
 public:
  // CPU use since the previous successful sample, 0..100, or -1 when a query failed.
  std::int32_t GetCPUUsageNT(platform::System& system);

 private:
  std::int64_t PrevIdleTime = 0;
  std::int64_t PrevSystemTime = 0;
  bool hasPrevious_ = false;
};

void StartCPUUsage9x(platform::System& system);
std::int32_t GetCPUUsage9x(platform::System& system);

}  // namespace ledra::performance
