#pragma once

#include <string>

#include "platform/system.h"

namespace ledra::processes {

// The NT process record list: name|pid|cputime|workingset| per process, then the total
// CPU time; "-1" when the enumeration fails.
std::string GetProcessListNT(platform::System& system);

}  // namespace ledra::processes
