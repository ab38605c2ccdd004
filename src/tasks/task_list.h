#pragma once

#include <string>

#include "platform/system.h"

namespace ledra::tasks {

// The task list string: the title of every application window, each followed by "|",
// in window-manager order; `self` (the main window) is never listed.
std::string GetTaskList(platform::System& system, platform::WindowHandle self);

}  // namespace ledra::tasks
