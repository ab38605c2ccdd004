#include "processes/process_details.h"

namespace ledra::processes {

std::optional<std::string> GetProcessImagePath(platform::System&, std::int32_t) { return std::string(); }
std::string GetImageFileNameNT(platform::System&, std::int32_t) { return {}; }
std::string GetMainModulePath(platform::System&, std::int32_t) { return {}; }
std::string GetProcessCommandLine(platform::System&, std::int32_t) { return {}; }

}  // namespace ledra::processes
