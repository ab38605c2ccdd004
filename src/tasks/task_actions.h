// What the Applications page does with a task: the window its row was built from.
#pragma once

#include <string_view>

#include "platform/system.h"

namespace ledra::tasks {

// True when `h` is still a window with exactly this title; a row acts on nothing else.
bool IsSameTask(platform::System& system, platform::WindowHandle h, std::string_view title);

// Shows, activates and restores the window; nothing unless it still has this title.
void SwitchToTask(platform::System& system, platform::WindowHandle h, std::string_view title);

// Terminates the whole process behind the window, without asking the window first;
// nothing unless it still has this title.
void EndTask(platform::System& system, platform::WindowHandle h, std::string_view title);

// The shell's Run dialog with our own title and prompt; `noDefault` leaves the command
// box empty. UTF-16 on the NT family, the ANSI code page on 9x.
void ShowRunDialog(platform::System& system, platform::WindowHandle owner, std::string_view title,
                   std::string_view prompt, bool noDefault);

}  // namespace ledra::tasks
