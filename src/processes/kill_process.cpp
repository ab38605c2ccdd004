#include "processes/kill_process.h"

#include <array>
#include <string>
#include <vector>

#include "common/byte_reader.h"
#include "common/number_text.h"
#include "common/text.h"
#include "platform/is_nt.h"
#include "platform/os_constants.h"
#include "processes/decimal_sign.h"
#include "processes/process_list_9x.h"
#include "processes/process_list_nt.h"
#include "processes/process_view.h"

namespace ledra::processes {

namespace {

using platform::kProcessBreakOnTermination;
using platform::kProcessQueryInformation;
using platform::kProcessQueryLimitedInformation;
using platform::kProcessTerminate;

bool sameNameNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && common::findNoCase(a, b) == 0;
}

}  // namespace

bool isCriticalProcess(platform::System& system, std::uint32_t pid) {
  if (!platform::IsNT(system)) return false;
  // The least right that answers the question first; older systems refuse the limited
  // one, and some kernels answer the flag only to the full one.
  for (const std::uint32_t access : {kProcessQueryLimitedInformation, kProcessQueryInformation}) {
    platform::ScopedHandle process(system, system.openProcess(access, false, pid));
    if (!process) continue;
    std::array<std::byte, 4> flag{};
    const std::int32_t status =
        system.ntQueryInformationProcess(process.get(), kProcessBreakOnTermination, flag, nullptr);
    // Systems without the flag have no critical processes to protect.
    if (status == platform::kStatusNotImplemented || status == platform::kStatusInvalidInfoClass) return false;
    if (status == platform::kStatusSuccess) return common::ByteReader(flag).u32(0).value_or(0) != 0;
  }
  // A process no handle can ask about is not one to end blindly.
  return true;
}

bool processHasName(platform::System& system, std::int32_t pid, std::string_view name) {
  const std::string id = std::to_string(pid);
  if (platform::IsNT(system)) {
    const std::string records = GetProcessListNT(system, userDecimalSign(system));
    const std::vector<std::string_view> element = common::split(records, '|');
    for (std::size_t i = 0; i + 4 < element.size(); i += 4) {
      if (element[i + 1] == id) return sameNameNoCase(shownProcessName(i / 4, element[i]), name);
    }
    return false;
  }
  const std::string records = GetProcessList9x(system);
  const std::vector<std::string_view> element = common::split(records, '|');
  for (std::size_t i = 0; i + 1 < element.size(); i += 2) {
    if (element[i] != id) continue;
    std::string_view path = element[i + 1];
    if (const std::size_t slash = path.rfind('\\'); slash != std::string_view::npos) path.remove_prefix(slash + 1);
    return sameNameNoCase(path, name);
  }
  return false;
}

std::int32_t KillProcessByPID(platform::System& system, std::string_view pidText) {
  const auto pid = common::toInt32(common::readLeadingNumber(pidText));
  if (!pid) return 0;
  const auto id = static_cast<std::uint32_t>(*pid);
  // Ending a process the system marks critical brings the whole machine down.
  if (isCriticalProcess(system, id)) return 0;
  platform::ScopedHandle process(system, system.openProcess(kProcessTerminate, true, id));
  if (!process) return 0;
  return system.terminateProcess(process.get(), 0) ? 1 : 0;
}

}  // namespace ledra::processes
