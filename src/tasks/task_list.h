// Window enumeration: the task list string, one title per application window.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/system.h"

namespace ledra::tasks {

// One listed window, as the enumeration met it; the title is the one in the task list
// string (at most 255 UTF-16 units).
struct TaskWindow {
  platform::WindowHandle window{};
  std::string title;
};

// The task list string: the title of every application window, each followed by "|",
// in window-manager order (top of the Z order first); `self` (the main window) is never
// listed. No application window gives "". `windows`, when given, receives the listed
// windows in the same order.
std::string GetTaskList(platform::System& system, platform::WindowHandle self,
                        std::vector<TaskWindow>* windows = nullptr);

// Applies the task tests to one top-level window `h` and appends its title and "|" to
// `taskList` when it passes. The tests stop at the first that fails. Always true, so the
// enumeration runs to the end. `shellWindow`, when given, keeps the shell's window for the
// rest of the enumeration once a window needed it (asked of the system at most once).
bool EnumTaskProc(platform::System& system, platform::WindowHandle self, platform::WindowHandle h,
                  std::string& taskList, std::vector<TaskWindow>* windows = nullptr,
                  std::optional<platform::WindowHandle>* shellWindow = nullptr);

// The window whose process a task row stands for, for End task: the row's own window,
// or, when that is a ghost (the stand-in the system shows, with the hung program's title
// and icon, for a window that stopped answering; owned by another process, the window
// manager's or the shell's), the hung window behind it. None when a ghost's hung window
// cannot be found (gone, or a system without the call): the process that owns a ghost is
// never the task.
platform::WindowHandle taskProcessWindow(platform::System& system, platform::WindowHandle h);

// The whole title of a window, however long, up to its first NUL; "" when it has none
// or the window is gone. `firstRead` is a title already read with room for 255 units,
// which is returned as it is when it cannot have been cut.
std::string getFullWindowTitle(platform::System& system, platform::WindowHandle h);
std::string getFullWindowTitle(platform::System& system, platform::WindowHandle h, std::string firstRead);

}  // namespace ledra::tasks
