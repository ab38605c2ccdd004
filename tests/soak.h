// Long randomised loops run a few hundred rounds by default and their full count in a
// soak run (LEDRA_SOAK=1, or `ctest --preset soak`): the short run meets the same
// branches, the soak run goes looking for the rare ones.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace ledra::test {

inline int Rounds(int full) {
  const char* soak = std::getenv("LEDRA_SOAK");
  const bool all = soak != nullptr && *soak != '\0' && std::string_view(soak) != "0";
  return all ? full : std::min(full, 300);
}

}  // namespace ledra::test
