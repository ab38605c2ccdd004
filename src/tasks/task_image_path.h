#pragma once

#include <string>

#include "platform/system.h"

namespace ledra::tasks {

// Full path of the image file of the process that owns this window, or "" when there
// is no window or the path cannot be read.
// Paths on a network share or a drive that reports itself remote read as "": a path
// comes from the other process itself, and opening it would reach the network with the
// user's credentials.
std::string GetTaskImagePath(platform::System& system, platform::WindowHandle h);

// True for an absolute path on a local drive ("C:\...", "\\?\C:\..."); false for UNC
// and device paths, relative paths, and drives that are remote or do not exist.
bool isLocalPath(platform::System& system, std::string_view path);

}  // namespace ledra::tasks
