#include <cstdint>
#include <string>

#include "common/number_text.h"
#include "common/text.h"
#include "platform/os_constants.h"
#include "processes/end_process.h"
#include "processes/kill_process.h"

namespace ledra::processes {

void endSelectedProcess(platform::System& system, const ProcessControls& c, std::string_view boxCaption) {
  platform::ListView& list = *c.ListProcess;
  const int row = list.selectedRow();
  const std::string name = row >= 0 ? list.cell(row, 0) : std::string();

  std::int32_t result = 0;
  if (row >= 0 && !common::containsNoCase(name, "kernel32.dll")) {
    const double pid = common::readLeadingNumber(list.cell(row, 1));
    // The row may be older than the process now holding its id (a paused list).
    const auto id = common::toInt32(pid);
    if (id && processHasName(system, *id, name)) result = KillProcessByPID(system, common::shortestText(pid, "."));
  }
  if (result == 0)
    system.messageBox(c.form->handle(), "\u201C" + name + "\u201D不能被终止！", boxCaption, platform::kMbIconError);
  list.setFocus();
}

}  // namespace ledra::processes
