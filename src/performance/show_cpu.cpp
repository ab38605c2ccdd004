#include "app/ForLedra.h"

namespace ledra::app {

void ForLedra::ShowCPU(std::int16_t&) {}

}  // namespace ledra::app
