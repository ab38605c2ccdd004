#pragma once

#include <string>
#include <string_view>

#include "platform/system.h"

namespace ledra::tasks {

// Full path of the image file of the process that owns the window with this title, or ""
// when no window has the title or the path cannot be read.
std::string GetTaskImagePath(platform::System& system, std::string_view title);

}  // namespace ledra::tasks
