// The Applications page: the task list with its icons, and the three task buttons.
#pragma once

#include <vector>

#include "platform/controls.h"
#include "platform/system.h"
#include "tasks/task_list.h"

namespace ledra::tasks {

// The controls the page reads and writes.
struct TaskControls {
  platform::Window* form = nullptr;
  platform::ListView* ListTask = nullptr;
  platform::ImageList* Image_NULL = nullptr;
  platform::ImageList* Image_Large = nullptr;
  platform::ImageList* Image_Small = nullptr;
  platform::IconSurface* Pic_Large = nullptr;
  platform::IconSurface* Pic_Small = nullptr;
  const platform::MenuItem* meun_usemin = nullptr;  // minimise before switching
};

// Rebuilds ListTask, one row and icon per listed window, in their order; each row's tag
// is its window. The selected window stays selected when it is still listed (nothing is
// selected otherwise), and the scroll position stays. The list is taken by value: windows
// asked for their icons may send commands that replace the caller's.
void RefreshTaskList(platform::System& system, const TaskControls& c, std::vector<TaskWindow> windows);

// True when the rows do not stand for exactly these windows in this order: a window
// replaced by another of the same title leaves the task list string as it was.
bool rowsAreStale(const platform::ListView& list, const std::vector<TaskWindow>& windows);

// New task: the Run dialog with the page's own title and prompt.
void NewTask(platform::System& system, const TaskControls& c);
// End task: the process behind the selected row's window.
void EndSelectedTask(platform::System& system, const TaskControls& c);
// Switch to: the selected row's window, after minimising ours when the option is on.
void SwitchToSelectedTask(platform::System& system, const TaskControls& c);

}  // namespace ledra::tasks
