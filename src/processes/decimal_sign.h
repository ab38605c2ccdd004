// The decimal sign the Processes page writes its numbers with.
#pragma once

#include <string>

#include "common/number_text.h"
#include "platform/system.h"

namespace ledra::processes {

// The user's decimal sign, or "." when it is missing or would clash with the record
// separator or with digits.
inline std::string userDecimalSign(platform::System& system) {
  return common::usableDecimalSign(system.localeDecimalSeparator());
}

}  // namespace ledra::processes
