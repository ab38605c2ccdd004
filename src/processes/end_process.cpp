#include "app/ForLedra.h"
#include "app/design.h"
#include "common/text.h"
#include "processes/kill_process.h"
#include "processes/number_reading.h"

namespace ledra::app {

void ForLedra::ComKillTask_Click() {
  platform::ListView& list = *c_.ListProcess;
  const int row = list.selectedRow();
  const std::string name = row >= 0 ? list.cell(row, 0) : std::string();

  std::int32_t result = 0;
  if (row >= 0 && !common::containsNoCase(name, "kernel32.dll")) {
    const double pid = processes::ReadNumber(list.cell(row, 1));
    // The row may be older than the process now holding its id (a paused list).
    const auto id = processes::ToInt32(pid);
    if (id && processes::ProcessHasName(system_, *id, name))
      result = processes::KillProcessByPID(system_, processes::ShortestText(pid, "."));
  }
  if (result == 0)
    system_.messageBox(c_.form->handle(), "\u201C" + name + "\u201D不能被终止！", design::kAppTitle, 0x10);  // MB_ICONERROR
  list.setFocus();
}

}  // namespace ledra::app
