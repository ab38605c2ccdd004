#include "processes/kill_process.h"

namespace ledra::processes {

std::int32_t KillProcessByPID(platform::System&, std::string_view) { return 0; }

}  // namespace ledra::processes
