#include "app/ForLedra.h"

namespace ledra::app {

void ForLedra::Command1_Click() {}
void ForLedra::Command2_Click() {}
void ForLedra::Command3_Click() {}

}  // namespace ledra::app
