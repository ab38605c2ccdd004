#include "tasks/task_actions.h"

#include <cstdint>
#include <string>

#include "app/ForLedra.h"
#include "app/is_nt.h"
#include "processes/kill_process.h"

namespace ledra::tasks {

namespace {

constexpr std::int32_t kSwRestore = 9;
constexpr std::uint32_t kRfNoDefault = 2;

}  // namespace

void SwitchToTask(platform::System& system, std::string_view title) {
  const platform::WindowHandle h = system.findWindow(title);
  if (h == 0) return;
  // One call shows, activates and brings a minimised or maximised window back to normal.
  system.showWindow(h, kSwRestore);
}

void EndTaskByTitle(platform::System& system, std::string_view title) {
  const platform::WindowHandle h = system.findWindow(title);
  if (h == 0) return;
  std::uint32_t pid = 0;
  system.getWindowThreadProcessId(h, &pid);
  if (pid == 0) return;  // the window went away under us
  // The id travels as signed decimal text, as the process page writes it.
  processes::KillProcessByPID(system, std::to_string(static_cast<std::int32_t>(pid)));
}

void ShowRunDialog(platform::System& system, platform::WindowHandle owner, std::string_view title,
                   std::string_view prompt, bool noDefault) {
  const std::uint32_t flags = noDefault ? kRfNoDefault : 0;
  system.runFileDialog(owner, 0, title, prompt, flags, app::IsNT(system));
}

}  // namespace ledra::tasks

namespace ledra::app {

namespace {

// The selected row's title, or nothing when no row is selected.
bool selectedTitle(const platform::ListView& list, std::string& title) {
  const int row = list.selectedRow();
  if (row < 0 || row >= list.rowCount()) return false;
  title = list.cell(row, 0);
  return true;
}

}  // namespace

void ForLedra::Command1_Click() {
  tasks::ShowRunDialog(system_, c_.form->handle(), "创建新任务",
                       "Windows 将根据您所输入的名称，为您打开相应相应的程序、文件夹、文档或 Internet 资源。",
                       true);
}

void ForLedra::Command2_Click() {
  std::string title;
  if (!selectedTitle(*c_.ListTask, title)) return;
  tasks::EndTaskByTitle(system_, title);
}

void ForLedra::Command3_Click() {
  std::string title;
  if (!selectedTitle(*c_.ListTask, title)) return;
  // Get out of the way first, so the chosen window ends up in front; this happens even
  // when the title no longer finds a window.
  if (c_.meun_usemin->checked()) c_.form->minimize();
  tasks::SwitchToTask(system_, title);
}

}  // namespace ledra::app
