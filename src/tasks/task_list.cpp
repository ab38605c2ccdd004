#include "tasks/task_list.h"

namespace ledra::tasks {

std::string GetTaskList(platform::System&, platform::WindowHandle) { return {}; }

}  // namespace ledra::tasks
