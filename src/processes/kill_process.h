#pragma once

#include <cstdint>
#include <string_view>

#include "platform/system.h"

namespace ledra::processes {

// Terminates the process whose id the text holds; nonzero when it was terminated.
std::int32_t KillProcessByPID(platform::System& system, std::string_view pidText);

}  // namespace ledra::processes
