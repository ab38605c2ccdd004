// Module-level state of the procedures: the hand-over strings between producers and
// views, and the previous CPU sample. Owned by the main window, so every test starts
// fresh.
#pragma once

#include <string>
#include <vector>

#include "performance/cpu_usage.h"
#include "processes/process_view.h"
#include "tasks/task_list.h"
#include "tasks/task_page.h"

namespace ledra::app {

struct ModLedra {
  std::string TaskList;                        // window titles, each followed by "|"
  std::vector<tasks::TaskWindow> TaskWindows;  // the windows behind TaskList, in its order
  tasks::TaskListState TaskRows;               // what the task list's rows were made from
  std::string ProcessList9x;                   // 9x process records: id "|" path "|" ...
  performance::CpuUsage cpu;                   // previous NT sample
  processes::CommandLineCache CommandLines;    // NT: per process, for its lifetime
};

}  // namespace ledra::app
