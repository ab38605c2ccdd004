// Details of another process read by process id; "" means not available.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/system.h"

namespace ledra::processes {

// Full path of the executable; std::nullopt in the one case where the derivation from
// the command line fails without a result.
std::optional<std::string> GetProcessImagePath(platform::System& system, std::int32_t pid);
std::string GetImageFileNameNT(platform::System& system, std::int32_t pid);
std::string GetMainModulePath(platform::System& system, std::int32_t pid);
std::string GetProcessCommandLine(platform::System& system, std::int32_t pid);

}  // namespace ledra::processes
