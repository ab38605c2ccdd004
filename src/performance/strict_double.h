// The 32-bit build computes doubles on the x87 stack with extra precision, so a quotient
// such as 100 / (100 / 27) lands just below 27 there and floors to 26. Passing each
// step through a true double keeps boundary results the same on every build.
#pragma once

namespace ledra::performance {

inline double strict(double v) {
  volatile double stored = v;
  return stored;
}

}  // namespace ledra::performance
