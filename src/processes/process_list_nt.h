#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system.h"

namespace ledra::processes {

// The NT process record list: name|pid|cputime|workingset| per process, then the total
// CPU time; "-1" when the enumeration fails. The times are written with `decimalSign`.
// `createTimes`, when given, receives each listed process's creation time, in the same
// order.
std::string GetProcessListNT(platform::System& system, std::string_view decimalSign,
                             std::vector<std::uint64_t>* createTimes = nullptr);

}  // namespace ledra::processes
