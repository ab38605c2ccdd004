// The image file of the process behind a listed window, for the icons of a window that
// gives none of its own.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "platform/system.h"

namespace ledra::tasks {

// True for an absolute path on a local drive ("C:\...", "\\?\C:\..."); false for UNC
// and device paths, relative paths, and drives that are remote or do not exist.
bool isLocalPath(platform::System& system, std::string_view path);

// When the process was created (100 ns units since 1601), as NtQueryInformationProcess
// answers it; nullopt where it cannot be read (the 9x family, a process that is gone or
// refuses to be opened).
std::optional<std::uint64_t> processCreateTime(platform::System& system, std::uint32_t pid);

// Image paths kept for the life of each process that owns a listed window: a process
// is its PID with its creation time, so a PID reused by a new process is read afresh.
// A process whose creation time cannot be read, or whose path came back empty, is read
// again whenever it is asked for.
class TaskImagePaths {
 public:
  // Full path of the process's image file; "" for PID 0, when it cannot be read, and for
  // a path on a network share or a drive that reports itself remote: the path comes from
  // the other process itself, and opening it would reach the network with the user's
  // credentials.
  std::string get(platform::System& system, std::uint32_t pid);
  // Forgets every process but these (the ones that still own a listed window).
  void keepOnly(const std::set<std::uint32_t>& pids);
  std::size_t size() const { return entries_.size(); }

 private:
  struct Entry {
    std::uint64_t createTime = 0;
    std::string path;
  };
  std::map<std::uint32_t, Entry> entries_;
};

}  // namespace ledra::tasks
