#include "app/ForLedra.h"

namespace ledra::app {

void ForLedra::menu_show_Click() {}
void ForLedra::meun_usemin_Click() {}
void ForLedra::menu_run_Click() {}
void ForLedra::menu_about_Click() {}
void ForLedra::menu_exit_Click() {}

}  // namespace ledra::app
