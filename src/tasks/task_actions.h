// What the Applications page does with a task: the window its row was built from.
#pragma once

#include <string_view>

#include "platform/system.h"
#include "tasks/task_page.h"

namespace ledra::tasks {

// True when `h` is still a window with exactly this title; a row acts on nothing else.
bool isSameTask(platform::System& system, platform::WindowHandle h, std::string_view title);

// Shows, activates and restores the window; nothing unless it still has this title. A
// ghost window is the one brought forward, as the shell does.
void SwitchToTask(platform::System& system, platform::WindowHandle h, std::string_view title);

// Terminates the whole process behind the window, without asking the window first;
// nothing unless it still has this title. For a ghost window, the process of the hung
// window behind it (taskProcessWindow), and nothing when that cannot be found.
void endTask(platform::System& system, platform::WindowHandle h, std::string_view title);

// The shell's Run dialog with our own title and prompt; `noDefault` leaves the command
// box empty. UTF-16 on the NT family, the ANSI code page on 9x.
void ShowRunDialog(platform::System& system, platform::WindowHandle owner, std::string_view title,
                   std::string_view prompt, bool noDefault);

// The page's three buttons.
// New task: the Run dialog with the page's own title and prompt.
void newTask(platform::System& system, const TaskControls& c);
// End task: the process behind the selected row's window.
void endSelectedTask(platform::System& system, const TaskControls& c);
// Switch to: the selected row's window, after minimising ours when the option is on.
void switchToSelectedTask(platform::System& system, const TaskControls& c);

}  // namespace ledra::tasks
