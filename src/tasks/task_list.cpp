#include "tasks/task_list.h"

namespace ledra::tasks {

namespace {

constexpr std::uint32_t kGwOwner = 4;
constexpr std::int32_t kGwlExStyle = -20;
constexpr std::int32_t kWsExToolWindow = 0x80;
constexpr std::int32_t kWsExAppWindow = 0x40000;
// Room for 255 UTF-16 units and the terminating NUL.
constexpr int kTitleUnits = 256;

}  // namespace

bool EnumTaskProc(platform::System& system, platform::WindowHandle self, platform::WindowHandle h,
                  std::string& taskList) {
  if (h == self) return true;
  if (!system.isWindowVisible(h)) return true;
  if (system.getParent(h) != 0) return true;

  // Both are read for every window that gets this far, owner first.
  const platform::WindowHandle owner = system.getWindow(h, kGwOwner);
  const std::int32_t exStyle = system.getWindowLong(h, kGwlExStyle);
  const bool unownedApp = owner == 0 && (exStyle & kWsExToolWindow) == 0;
  const bool ownedApp = owner != 0 && (exStyle & kWsExAppWindow) != 0;
  if (!unownedApp && !ownedApp) return true;

  // A title stops at its first NUL; an empty one (or a failed read) is not a task.
  std::string title = system.getWindowText(h, kTitleUnits);
  if (const auto nul = title.find('\0'); nul != std::string::npos) title.resize(nul);
  if (title.empty()) return true;

  taskList += title;
  taskList += '|';
  return true;
}

std::string GetTaskList(platform::System& system, platform::WindowHandle self) {
  std::string taskList;
  system.enumWindows([&](platform::WindowHandle h) { return EnumTaskProc(system, self, h, taskList); });
  return taskList;
}

}  // namespace ledra::tasks
