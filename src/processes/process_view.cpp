#include "app/ForLedra.h"

namespace ledra::app {

void ForLedra::RefreshProcessListNT() {}
void ForLedra::RefreshProcessList9x() {}

}  // namespace ledra::app
