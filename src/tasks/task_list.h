// Window enumeration: the task list string, one title per application window.
#pragma once

#include <string>

#include "platform/system.h"

namespace ledra::tasks {

// The task list string: the title of every application window, each followed by "|",
// in window-manager order (top of the Z order first); `self` (the main window) is never
// listed. No application window gives "".
std::string GetTaskList(platform::System& system, platform::WindowHandle self);

// Applies the task tests to one top-level window `h` and appends its title and "|" to
// `taskList` when it passes. The tests stop at the first that fails. Always true, so the
// enumeration runs to the end.
bool EnumTaskProc(platform::System& system, platform::WindowHandle self, platform::WindowHandle h,
                  std::string& taskList);

}  // namespace ledra::tasks
