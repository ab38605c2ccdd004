#include "processes/process_list_9x.h"

namespace ledra::processes {

std::string GetProcessList9x(platform::System&) { return {}; }

}  // namespace ledra::processes
