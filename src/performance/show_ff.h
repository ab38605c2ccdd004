// The memory view of the Performance page: meter, history, figures, status panel 3.
#pragma once

#include <cstdint>
#include <string>

#include "performance/performance_page.h"
#include "platform/system.h"

namespace ledra::performance {

// The memory status string (GetMemoryStatus) on the meter, the figures, status panel 3
// and the history.
void ShowFF(platform::System& system, const PerformanceControls& c, PerformanceState& s,
            const std::string& memoryStatus);

}  // namespace ledra::performance
