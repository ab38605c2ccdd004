#include "app/ForLedra.h"

namespace ledra::app {

void ForLedra::ComKillTask_Click() {}

}  // namespace ledra::app
