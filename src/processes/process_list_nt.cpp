#include "processes/process_list_nt.h"

namespace ledra::processes {

std::string GetProcessListNT(platform::System&) { return "-1"; }

}  // namespace ledra::processes
