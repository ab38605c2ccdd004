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
  const bool onScreen = PerformancePageShown();
  CpuMeter.show(*c_.UseCPU, performance::MeterLevel(value), onScreen);
  c_.LabCPU->setCaption(text + " %");
  c_.StatusBar1->setPanelText(2, "CPU使用: " + text + "%");
  // The history moves on while the page is hidden; it is drawn when the page is shown.
  performance::ShiftHistory(CpuHistory, value);
  if (onScreen) performance::PaintGraph(*c_.BrokenCPU, CpuHistory, performance::kCpuLineColour, GraphStep, GridOffset);
}

bool ForLedra::PerformancePageShown() const { return c_.PicProperty[2] == nullptr || c_.PicProperty[2]->visible(); }

void ForLedra::PaintPerformancePage() {
  CpuMeter.paint(*c_.UseCPU);
  MemMeter.paint(*c_.UseFF);
  performance::PaintGraph(*c_.BrokenCPU, CpuHistory, performance::kCpuLineColour, GraphStep, GridOffset);
  performance::PaintGraph(*c_.BrokenFF, MemHistory, performance::kMemoryLineColour, GraphStep, GridOffset);
}

}  // namespace ledra::app
