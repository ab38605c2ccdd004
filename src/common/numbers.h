// Number rules shared by the pages.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

namespace ledra::common {

// Rounds to the nearest integer, halves to the even neighbour.
inline double roundHalfEven(double x) {
  double r = std::round(x);  // halves away from zero
  if (std::fabs(x - std::trunc(x)) == 0.5) r = 2.0 * std::round(x / 2.0);
  return r;
}

}  // namespace ledra::common
