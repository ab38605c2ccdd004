#include "processes/kill_process.h"

#include <array>

#include "app/is_nt.h"
#include "common/byte_reader.h"
#include "processes/number_reading.h"

namespace ledra::processes {

namespace {

constexpr std::uint32_t kProcessTerminate = 0x1;
constexpr std::uint32_t kQueryInformation = 0x400;
constexpr std::uint32_t kBreakOnTermination = 29;

}  // namespace

bool IsCriticalProcess(platform::System& system, std::uint32_t pid) {
  if (!app::IsNT(system)) return false;
  platform::ScopedHandle process(system, system.openProcess(kQueryInformation, false, pid));
  if (!process) return false;
  std::array<std::byte, 4> flag{};
  if (system.ntQueryInformationProcess(process.get(), kBreakOnTermination, flag, nullptr) != platform::kStatusSuccess)
    return false;
  return common::ByteReader(flag).u32(0).value_or(0) != 0;
}

std::int32_t KillProcessByPID(platform::System& system, std::string_view pidText) {
  const auto pid = ToInt32(ReadNumber(pidText));
  if (!pid) return 0;
  const auto id = static_cast<std::uint32_t>(*pid);
  // Ending a process the system marks critical brings the whole machine down.
  if (IsCriticalProcess(system, id)) return 0;
  platform::ScopedHandle process(system, system.openProcess(kProcessTerminate, true, id));
  if (!process) return 0;
  return system.terminateProcess(process.get(), 0) ? 1 : 0;
}

}  // namespace ledra::processes
