#include "performance/memory_status.h"

namespace ledra::performance {

std::string GetMemoryStatus(platform::System&) { return {}; }

}  // namespace ledra::performance
