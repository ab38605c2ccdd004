// The Processes page's button: ending the process of the selected row.
#pragma once

#include <string_view>

#include "platform/controls.h"
#include "platform/system.h"

namespace ledra::processes {

// The controls the page reads and writes.
struct ProcessControls {
  platform::Window* form = nullptr;
  platform::ListView* ListProcess = nullptr;
};

// End process: terminates the process of the selected row if it still is the one the
// row names; otherwise says so in a message box with this caption. The focus goes back
// to the list.
void endSelectedProcess(platform::System& system, const ProcessControls& c, std::string_view boxCaption);

}  // namespace ledra::processes
