#include "app/ForLedra.h"

namespace ledra::app {

void ForLedra::RefreshTaskList() {}

}  // namespace ledra::app
