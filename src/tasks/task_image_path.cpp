#include "tasks/task_image_path.h"

#include <array>

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
