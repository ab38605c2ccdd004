#pragma once

#include <string>

#include "platform/system.h"

namespace ledra::processes {

// The 9x process record list from a Toolhelp snapshot: id|path| per process.
std::string GetProcessList9x(platform::System& system);

}  // namespace ledra::processes
