// The task list view: ListTask rebuilt from the listed windows, with their icons.
#pragma once

#include <vector>

#include "platform/controls.h"
#include "platform/system.h"
#include "tasks/task_list.h"
#include "tasks/task_page.h"

namespace ledra::tasks {

// Rebuilds ListTask, one row and icon per listed window, in their order; each row's tag
// is its window. The selected window stays selected when it is still listed (nothing is
// selected otherwise), and the scroll position stays. The list is taken by value: windows
// asked for their icons may send commands that replace the caller's.
void refreshTaskList(platform::System& system, const TaskControls& c, std::vector<TaskWindow> windows);

// True when the rows do not stand for exactly these windows in this order: a window
// replaced by another of the same title leaves the task list string as it was.
bool rowsAreStale(const platform::ListView& list, const std::vector<TaskWindow>& windows);

}  // namespace ledra::tasks
