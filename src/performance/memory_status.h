#pragma once

#include <string>

#include "platform/system.h"

namespace ledra::performance {

// Six byte counts joined by ",": total and available physical, total and available
// virtual, total and available page file.
std::string GetMemoryStatus(platform::System& system);

}  // namespace ledra::performance
