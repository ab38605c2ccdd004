#include "app/ForLedra.h"

namespace ledra::app {

void ForLedra::ShowFF(const std::string&) {}

}  // namespace ledra::app
