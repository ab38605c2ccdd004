#pragma once

#include "platform/system.h"

namespace ledra::app {

// True exactly on the NT platform; asked afresh at every use.
bool IsNT(platform::System& system);

}  // namespace ledra::app
