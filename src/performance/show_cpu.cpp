#include <algorithm>
#include <string>

#include "app/ForLedra.h"
#include "performance/meter_graph.h"

namespace ledra::app {

void ForLedra::ShowCPU(std::int16_t& value) {
  if (value == -1) {
    // The sampler failed: one more try, and whatever it gives is shown.
    const std::int32_t again = mod.cpu.GetCPUUsageNT(system_);
    value = static_cast<std::int16_t>(std::clamp<std::int32_t>(again, INT16_MIN, INT16_MAX));
  }
  const std::string text = std::to_string(value);
  performance::DrawMeter(*c_.UseCPU, performance::MeterLevel(value));
  c_.LabCPU->setCaption(text + " %");
  c_.StatusBar1->setPanelText(2, "CPU使用: " + text + "%");
  performance::DrawGraph(*c_.BrokenCPU, CpuHistory, value, performance::kCpuLineColour, GraphStep, GridOffset);
}

}  // namespace ledra::app
