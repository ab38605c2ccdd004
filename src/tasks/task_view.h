// The task list view: ListTask rebuilt from the listed windows, with their icons.
#pragma once

#include <vector>

#include "platform/controls.h"
#include "platform/system.h"
#include "tasks/task_list.h"
#include "tasks/task_page.h"

namespace ledra::tasks {

// Rebuilds ListTask, one row and icon per listed window, in their order; each row's key
// is "a" and its position, its tag its window. The selected window stays selected when
// it is still listed (nothing is selected otherwise), and the scroll position stays. The
// list is taken by value: windows asked for their icons may send commands that replace
// the caller's.
//
// What the rows were made from is kept in `state`, so a rebuild does only the work of
// what changed: a window whose title changed gets its row's text set in place; rows are
// added, removed or moved only where windows came, went or moved; a window is asked for
// its icons when it comes, when its title changes, and otherwise one window per rebuild
// in turn (the one asked longest ago), so an icon changed on its own shows within as
// many rebuilds as there are windows; one that answers with the same handles costs no
// drawing, and one that did not answer in time is left alone for a while. Only windows
// whose icon changed get their image list entries replaced. A state that does not match
// the rows (the first rebuild), or a rebuild where no window stays, starts over.
void refreshTaskList(platform::System& system, const TaskControls& c, TaskListState& state,
                     std::vector<TaskWindow> windows);

// True when the rows do not stand for exactly these windows in this order: a window
// replaced by another of the same title leaves the task list string as it was.
bool rowsAreStale(const platform::ListView& list, const std::vector<TaskWindow>& windows);

}  // namespace ledra::tasks
