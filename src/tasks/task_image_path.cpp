#include "tasks/task_image_path.h"

#include <array>
#include <string_view>

#include "common/byte_reader.h"
#include "platform/os_constants.h"
#include "processes/process_details.h"

namespace ledra::tasks {

namespace {

// ProcessTimes: KERNEL_USER_TIMES, four 64-bit times with CreateTime first, the same in
// either pointer width.
constexpr std::uint32_t kProcessTimes = 4;
constexpr std::size_t kKernelUserTimesBytes = 32;

}  // namespace

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

std::optional<std::uint64_t> processCreateTime(platform::System& system, std::uint32_t pid) {
  if (pid == 0) return std::nullopt;
  // The limited query right, which other users' and protected processes still grant, or
  // the full one where the system predates it (XP refuses it).
  platform::ScopedHandle process(system, system.openProcess(platform::kProcessQueryLimitedInformation, false, pid));
  if (!process) process.reset(system.openProcess(platform::kProcessQueryInformation, false, pid));
  if (!process) return std::nullopt;
  std::array<std::byte, kKernelUserTimesBytes> times{};
  if (system.ntQueryInformationProcess(process.get(), kProcessTimes, times, nullptr) != platform::kStatusSuccess)
    return std::nullopt;
  return common::ByteReader(times).u64(0);
}

std::string TaskImagePaths::get(platform::System& system, std::uint32_t pid) {
  if (pid == 0) return {};
  const std::optional<std::uint64_t> created = processCreateTime(system, pid);
  if (created) {
    const auto it = entries_.find(pid);
    if (it != entries_.end() && it->second.createTime == *created) return it->second.path;
  }
  // No result at all reads as "no path": the row then gets no icon from the file.
  std::string path = processes::GetProcessImagePath(system, static_cast<std::int32_t>(pid)).value_or(std::string());
  if (!path.empty() && !isLocalPath(system, path)) path.clear();
  if (created && !path.empty())
    entries_[pid] = {*created, path};
  else
    entries_.erase(pid);
  return path;
}

void TaskImagePaths::keepOnly(const std::set<std::uint32_t>& pids) {
  std::erase_if(entries_, [&](const auto& entry) { return !pids.contains(entry.first); });
}

}  // namespace ledra::tasks
