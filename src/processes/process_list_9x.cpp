#include "processes/process_list_9x.h"

#include <array>

#include "common/byte_reader.h"
#include "platform/os_constants.h"
#include "platform/os_layout.h"

namespace ledra::processes {

namespace {

// The process list only: every heap, thread and module list with it would be built
// on each tick for nothing.
constexpr std::uint32_t kSnapProcess = platform::kTh32csSnapProcess;
constexpr const platform::ProcessEntry32Layout& kEntry = platform::kProcessEntry32;
constexpr int kMostEntries = 1 << 16;  // a snapshot that never ends is not believed

}  // namespace

std::string GetProcessList9x(platform::System& system) {
  std::string list;
  platform::ScopedHandle snapshot(system, system.createToolhelp32Snapshot(kSnapProcess, 0));
  if (!snapshot) return list;

  std::array<std::byte, kEntry.size> entry{};
  common::putU32(entry, 0, kEntry.size);
  bool more = system.process32First(snapshot.get(), entry);
  for (int count = 0; more && count < kMostEntries; ++count) {
    const common::ByteReader reader(entry);
    list += std::to_string(*reader.i32(kEntry.processId));  // signed
    list.push_back('|');
    list += system.ansiToUtf8(*reader.cString(kEntry.exeFile, kEntry.exeFileCapacity));  // up to its NUL
    list.push_back('|');
    more = system.process32Next(snapshot.get(), entry);
  }
  return list;
}

}  // namespace ledra::processes
