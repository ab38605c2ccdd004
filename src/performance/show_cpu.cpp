#include <algorithm>
#include <string>

#include "common/number_text.h"
#include "performance/meter_graph.h"
#include "performance/show_cpu.h"

namespace ledra::performance {

namespace {

// Slots for a graph box: width / step + 1, rounded half to even, in single precision.
void resizeHistory(std::vector<std::int16_t>& history, float widthTwips, std::int16_t step) {
  float slots = widthTwips / static_cast<float>(step) + 1.0f;
  auto upper = static_cast<std::int32_t>(common::roundHalfEven(slots));
  history.resize(static_cast<std::size_t>(std::max(upper, 0)) + 1, 0);
}

}  // namespace

bool performancePageShown(const PerformanceControls& c) {
  return (c.page == nullptr || c.page->visible()) && (c.form == nullptr || !c.form->minimized());
}

void ShowCPU(platform::System& system, CpuUsage& cpu, const PerformanceControls& c, PerformanceState& s,
             std::int16_t& value) {
  if (value == -1) {
    // The sampler failed: one more try, and whatever it gives is shown.
    const std::int32_t again = cpu.GetCPUUsageNT(system);
    value = static_cast<std::int16_t>(std::clamp<std::int32_t>(again, INT16_MIN, INT16_MAX));
  }
  const std::string text = std::to_string(value);
  const bool onScreen = performancePageShown(c);
  s.CpuMeter.show(*c.UseCPU, meterLevel(value), onScreen);
  c.LabCPU->setCaption(text + " %");
  c.StatusBar1->setPanelText(2, "CPU使用: " + text + "%");
  // The history moves on while the page is hidden; it is drawn when the page is shown.
  shiftHistory(s.CpuHistory, value);
  if (onScreen) paintGraph(*c.BrokenCPU, s.CpuHistory, kCpuLineColour, s.GraphStep, s.GridOffset);
}

void paintPerformancePage(const PerformanceControls& c, PerformanceState& s) {
  s.CpuMeter.paint(*c.UseCPU);
  s.MemMeter.paint(*c.UseFF);
  paintGraph(*c.BrokenCPU, s.CpuHistory, kCpuLineColour, s.GraphStep, s.GridOffset);
  paintGraph(*c.BrokenFF, s.MemHistory, kMemoryLineColour, s.GraphStep, s.GridOffset);
}

void sizeHistories(const PerformanceControls& c, PerformanceState& s) {
  s.GraphStep = 50;
  resizeHistory(s.CpuHistory, c.BrokenCPU->width(), s.GraphStep);
  resizeHistory(s.MemHistory, c.BrokenFF->width(), s.GraphStep);
}

void advanceGrid(PerformanceState& s) {
  int grid = s.GridOffset + s.GraphStep;
  if (grid >= kGridPeriod) grid %= kGridPeriod;
  s.GridOffset = static_cast<std::int16_t>(grid);
}

}  // namespace ledra::performance
