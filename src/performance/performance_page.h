// The Performance page: the CPU and memory meters, their history graphs, the page file
// and virtual memory figures, and the status bar panels they fill.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "performance/cpu_usage.h"
#include "performance/meter_graph.h"
#include "platform/controls.h"
#include "platform/system.h"

namespace ledra::performance {

// The controls the page writes.
struct PerformanceControls {
  const platform::Panel* page = nullptr;   // PicProperty(2); none: always on screen
  const platform::Window* form = nullptr;  // minimised: no page is on screen
  platform::Canvas* UseCPU = nullptr;      // points
  platform::Canvas* BrokenCPU = nullptr;   // twips
  platform::Canvas* UseFF = nullptr;       // points
  platform::Canvas* BrokenFF = nullptr;    // twips
  platform::Label* LabCPU = nullptr;
  platform::Label* LabFF = nullptr;
  platform::Label* LabTotalPageFile = nullptr;
  platform::Label* LabAvailPageFile = nullptr;
  platform::Label* LabUsePageFile = nullptr;
  platform::Label* LabTotalVirtual = nullptr;
  platform::Label* LabAvailVirtual = nullptr;
  platform::Label* LabUseVirtual = nullptr;
  platform::StatusBar* StatusBar1 = nullptr;
};

// What the page keeps from tick to tick.
struct PerformanceState {
  std::int16_t GraphStep = 0;   // twips between history entries
  std::int16_t GridOffset = 0;  // grid scroll, 0..kGridPeriod-1
  std::vector<std::int16_t> CpuHistory;
  std::vector<std::int16_t> MemHistory;
  Meter CpuMeter;
  Meter MemMeter;
};

}  // namespace ledra::performance
