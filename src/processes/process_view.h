// The process-list step of the refresh tick, on the list view itself.
#pragma once

#include <string_view>

#include "platform/controls.h"
#include "platform/system.h"

namespace ledra::processes {

// The name the NT list shows for the record at this position: the idle process's
// empty name ("Null") reads as its own name in the first row only.
std::string_view ShownProcessName(std::size_t position, std::string_view recordName);

// NT: rows stay by position and are overwritten in place from the record list of the
// moment; only cells whose text changes are written. The selection follows the
// process it showed.
void UpdateProcessListNT(platform::System& system, platform::ListView& list);

// 9x: clears the list and shows the 9x record list (id|path| per process).
void RebuildProcessList9x(platform::ListView& list, std::string_view records, std::string_view decimalSign);

}  // namespace ledra::processes
