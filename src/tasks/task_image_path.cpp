#include "tasks/task_image_path.h"

#include <cstdint>
#include <string_view>

#include "platform/os_constants.h"
#include "processes/process_details.h"

namespace ledra::tasks {

std::string GetTaskImagePath(platform::System& system, platform::WindowHandle h) {
  if (h == platform::WindowHandle{}) return {};
  std::uint32_t pid = 0;
  system.getWindowThreadProcessId(h, &pid);
  // No result at all reads as "no path": the row then gets no icon from the file.
  std::string path = processes::GetProcessImagePath(system, static_cast<std::int32_t>(pid)).value_or(std::string());
  if (!path.empty() && !isLocalPath(system, path)) return {};
  return path;
}

bool isLocalPath(platform::System& system, std::string_view path) {
  auto slash = [](char c) { return c == '\\' || c == '/'; };
  // "\\?\C:\..." is a drive path in the long form; every other "\\" or "//" start is a
  // share ("\\host\share", "\\?\UNC\host\share") or a device ("\\.\...").
  if (path.size() >= 4 && slash(path[0]) && slash(path[1]) && path[2] == '?' && slash(path[3])) {
    path.remove_prefix(4);
  } else if (path.size() >= 2 && slash(path[0]) && slash(path[1])) {
    return false;
  }
  // A relative path would be resolved against the current folder, wherever that is.
  const bool letter = !path.empty() && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z');
  if (path.size() < 3 || !letter || path[1] != ':' || !slash(path[2])) return false;
  const std::uint32_t type = system.getDriveType(std::string{path[0], ':', '\\'});
  return type != platform::kDriveRemote && type != platform::kDriveNoRootDir && type != platform::kDriveUnknown;
}

}  // namespace ledra::tasks
