#pragma once

#include <cstdint>
#include <string_view>

#include "platform/system.h"

namespace ledra::processes {

// Terminates the process whose id the text holds; nonzero when it was terminated.
// Processes the system marks critical (break on termination) are refused: 0.
std::int32_t KillProcessByPID(platform::System& system, std::string_view pidText);

// True when the NT family reports the break-on-termination flag for the process; false
// on 9x and whenever the query cannot be made or answered.
bool IsCriticalProcess(platform::System& system, std::uint32_t pid);

}  // namespace ledra::processes
