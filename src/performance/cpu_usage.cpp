#include "performance/cpu_usage.h"

namespace ledra::performance {

std::int32_t CpuUsage::GetCPUUsageNT(platform::System&) { return 0; }
void StartCPUUsage9x(platform::System&) {}
std::int32_t GetCPUUsage9x(platform::System&) { return 0; }

}  // namespace ledra::performance
