#include "tasks/task_image_path.h"

#include <cstdint>

#include "processes/process_details.h"

namespace ledra::tasks {

std::string GetTaskImagePath(platform::System& system, platform::WindowHandle h) {
  if (h == platform::WindowHandle{}) return {};
  std::uint32_t pid = 0;
  system.getWindowThreadProcessId(h, &pid);
  // No result at all reads as "no path": the row then gets no icon from the file.
  return processes::GetProcessImagePath(system, static_cast<std::int32_t>(pid)).value_or(std::string());
}

}  // namespace ledra::tasks
