// The Processes page: the process-list step of the refresh tick, on the list view itself,
// and End process.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "platform/controls.h"
#include "platform/system.h"

namespace ledra::processes {

// The name the NT list shows for the record at this position: the idle process's
// empty name ("Null") reads as its own name in the first row only.
std::string_view shownProcessName(std::size_t position, std::string_view recordName);

// Command lines kept for the life of each process: a process's command line does not
// change, and reading it is most of a refresh's OS calls. A process is its PID with its
// creation time and image name, so a PID reused by a new process is read afresh. A
// process that refused the read (ReadProcessCommandLine's denial) is not asked again
// either: it shows no line for its whole life.
class CommandLineCache {
 public:
  // The process's command line, read only when the cache does not hold it yet; a read
  // that gave nothing without a denial is tried again next time.
  const std::string& get(platform::System& system, std::int32_t pid, std::uint64_t createTime, std::string_view name);
  // Forgets every process not asked for since the last sweep (they have ended).
  void sweep();
  std::size_t size() const { return entries_.size(); }

 private:
  struct Entry {
    std::uint64_t createTime = 0;
    std::string name, line;
    bool denied = false;
    bool seen = false;
  };
  std::map<std::int32_t, Entry> entries_;
};

// NT: rows stay by position and are overwritten in place from the record list of the
// moment; only cells whose text changes are written. The selection follows the
// process it showed (its PID and creation time), never a new process given that PID.
// `decimalSign` is the one the tick read (userDecimalSign). Without a cache every command
// line is read on every call.
void updateProcessListNT(platform::System& system, platform::ListView& list, std::string_view decimalSign,
                         CommandLineCache* commandLines = nullptr);

// 9x: clears the list and shows the 9x record list (id|path| per process).
void rebuildProcessList9x(platform::ListView& list, std::string_view records, std::string_view decimalSign);

}  // namespace ledra::processes
