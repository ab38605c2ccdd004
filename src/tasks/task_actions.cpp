#include "tasks/task_actions.h"

#include <charconv>
#include <cstdint>
#include <string>

#include "platform/os_constants.h"
#include "processes/kill_process.h"
#include "tasks/task_list.h"

namespace ledra::tasks {

namespace {

// The selected row's window and title, or nothing when no row is selected.
bool selectedTask(const platform::ListView& list, platform::WindowHandle& h, std::string& title) {
  const int row = list.selectedRow();
  if (row < 0 || row >= list.rowCount()) return false;
  const std::string tag = list.rowTag(row);
  std::uintptr_t value = 0;
  std::from_chars(tag.data(), tag.data() + tag.size(), value);
  h = platform::WindowHandle{value};
  title = list.cell(row, 0);
  return true;
}

}  // namespace

bool isSameTask(platform::System& system, platform::WindowHandle h, std::string_view title) {
  // A closed window reads as no title, and a row never has an empty one.
  return h != platform::WindowHandle{} && !title.empty() && getFullWindowTitle(system, h) == title;
}

void SwitchToTask(platform::System& system, platform::WindowHandle h, std::string_view title) {
  if (!isSameTask(system, h, title)) return;
  // Neither call waits for the window's program, so one that does not answer cannot
  // freeze this one. Only a minimised window is restored (SW_RESTORE would un-zoom a
  // zoomed one); then it comes to the front, which only the program the user is
  // working in (this one) may ask.
  if (system.isIconic(h)) system.showWindowAsync(h, platform::kSwRestore);
  system.setForegroundWindow(h);
}

void endTask(platform::System& system, platform::WindowHandle h, std::string_view title) {
  if (!isSameTask(system, h, title)) return;
  // A hung program's row is its ghost: ending the ghost's process would end the window
  // manager or the shell, and leave the hung program running.
  const platform::WindowHandle window = taskProcessWindow(system, h);
  if (window == platform::WindowHandle{}) return;
  std::uint32_t pid = 0;
  system.getWindowThreadProcessId(window, &pid);
  if (pid == 0) return;  // the window went away under us
  // The id travels as signed decimal text, as the process page writes it.
  processes::KillProcessByPID(system, std::to_string(static_cast<std::int32_t>(pid)));
}

void ShowRunDialog(platform::System& system, platform::WindowHandle owner, std::string_view title,
                   std::string_view prompt, bool noDefault) {
  const std::uint32_t flags = noDefault ? platform::kRffNoDefault : 0;
  system.runFileDialog(owner, platform::IconHandle{}, title, prompt, flags);
}

void newTask(platform::System& system, const TaskControls& c) {
  ShowRunDialog(system, c.form->handle(), "创建新任务",
                "Windows 将根据您所输入的名称，为您打开相应相应的程序、文件夹、文档或 Internet 资源。", true);
}

void endSelectedTask(platform::System& system, const TaskControls& c) {
  platform::WindowHandle h{};
  std::string title;
  if (!selectedTask(*c.ListTask, h, title)) return;
  endTask(system, h, title);
}

void switchToSelectedTask(platform::System& system, const TaskControls& c) {
  platform::WindowHandle h{};
  std::string title;
  if (!selectedTask(*c.ListTask, h, title)) return;
  // Get out of the way first, so the chosen window ends up in front; this happens even
  // when the window is gone.
  if (c.meun_usemin->checked()) c.form->minimize();
  SwitchToTask(system, h, title);
}

}  // namespace ledra::tasks
