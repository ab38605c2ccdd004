// What the Applications page does with a task, which it knows only by its title.
#pragma once

#include <string_view>

#include "platform/system.h"

namespace ledra::tasks {

// Shows, activates and restores the first top-level window with this title; nothing
// when there is none.
void SwitchToTask(platform::System& system, std::string_view title);

// Terminates the whole process behind the first top-level window with this title,
// without asking the window first; nothing when there is none.
void EndTaskByTitle(platform::System& system, std::string_view title);

// The shell's Run dialog with our own title and prompt; `noDefault` leaves the command
// box empty. UTF-16 on the NT family, the ANSI code page on 9x.
void ShowRunDialog(platform::System& system, platform::WindowHandle owner, std::string_view title,
                   std::string_view prompt, bool noDefault);

}  // namespace ledra::tasks
