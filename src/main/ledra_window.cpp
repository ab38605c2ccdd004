#include "main/ledra_window.h"

#include "app/design.h"

namespace ledra {

bool LedraWindow::create(platform::System& system, HINSTANCE instance, int showCommand) {
  events_.emplace(system);
  return window_.create(system, instance, app::design::kWindow, *events_, showCommand);
}

}  // namespace ledra
