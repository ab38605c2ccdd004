// The CPU view of the Performance page, and the page's drawing as a whole: meters,
// histories, the grid.
#pragma once

#include <cstdint>
#include <string>

#include "performance/cpu_usage.h"
#include "performance/performance_page.h"
#include "platform/system.h"

namespace ledra::performance {

// The page is on screen (its panel is visible and the window is not minimised); hidden
// boxes are drawn when it is shown or the window restored.
bool performancePageShown(const PerformanceControls& c);

// CPU use in percent (-1: the sampler failed, and `cpu` is asked once more) on the meter,
// its label, status panel 2 and the history.
void ShowCPU(platform::System& system, CpuUsage& cpu, const PerformanceControls& c, PerformanceState& s,
             std::int16_t& value);

// Draws the meters and graphs as they stand; the page has just been shown.
void paintPerformancePage(const PerformanceControls& c, PerformanceState& s);

// Sizes both histories to the graph boxes, keeping what they hold.
void sizeHistories(const PerformanceControls& c, PerformanceState& s);

// Scrolls the grid one step.
void advanceGrid(PerformanceState& s);

}  // namespace ledra::performance
