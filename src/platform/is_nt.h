#pragma once

#include "platform/system.h"

namespace ledra::platform {

// True exactly on the NT platform; asked afresh at every use.
bool IsNT(System& system);

}  // namespace ledra::platform
