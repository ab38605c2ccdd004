#pragma once

#include <string>

#include "platform/system.h"

namespace ledra::tasks {

// Full path of the image file of the process that owns this window, or "" when there
// is no window or the path cannot be read.
std::string GetTaskImagePath(platform::System& system, platform::WindowHandle h);

}  // namespace ledra::tasks
