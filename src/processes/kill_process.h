#pragma once

#include <cstdint>
#include <string_view>

#include "platform/system.h"

namespace ledra::processes {

// Terminates the process whose id the text holds; nonzero when it was terminated.
// Processes the system marks critical (break on termination) are refused: 0.
std::int32_t KillProcessByPID(platform::System& system, std::string_view pidText);

// True when the NT family reports the break-on-termination flag for the process, and
// also when the process cannot be asked or the answer is refused. False on 9x and where
// the system does not know the flag.
bool isCriticalProcess(platform::System& system, std::uint32_t pid);

// True when the process now at this id has this image name as the Processes page shows
// it (compared without regard to ASCII case); false when no process has the id. A row
// kept while the list was paused may name a process whose id went to another.
bool processHasName(platform::System& system, std::int32_t pid, std::string_view name);

}  // namespace ledra::processes
