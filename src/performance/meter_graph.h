// The meter and the scrolling history graph, shared by the CPU and the memory views.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/controls.h"

namespace ledra::performance {

inline constexpr platform::Rgb kMeterDotColour{0, 128, 0};
inline constexpr platform::Rgb kMeterBarColour{0, 255, 0};
inline constexpr platform::Rgb kGridColour{0, 128, 64};
inline constexpr platform::Rgb kCpuLineColour{0, 255, 0};
inline constexpr platform::Rgb kMemoryLineColour{255, 255, 0};

inline constexpr int kMeterRows = 28;
inline constexpr int kGridPeriod = 175;  // twips between grid lines

// Rows lit for a percentage: floor(percent / (100 / 27)), so 100 % lights all 28 rows
// and anything below 0 lights none. Kept within -1..28, which covers every drawing.
int meterLevel(double percent);

// Redraws a meter box (in points): rows 0..level as solid bars, the rest dotted.
void drawMeter(platform::Canvas& box, int level);

// A meter box keeps the level it shows. The same level again would change no pixel, and
// a box on a hidden page is not drawn until the page is shown: the meter is hundreds of
// dots, most of the drawing a tick would do.
class Meter {
 public:
  // Shows `level` now when the box is on screen, otherwise at the next paint().
  void show(platform::Canvas& box, int level, bool onScreen);
  // Draws the kept level if the box does not hold it yet (its page was just shown).
  void paint(platform::Canvas& box);

 private:
  int level_ = 0;
  bool hasLevel_ = false;
  bool drawn_ = false;  // the box holds level_
};

// Moves the history one place towards its old end, with `value` as the newest entry.
void shiftHistory(std::vector<std::int16_t>& history, std::int16_t value);

// Redraws a graph box (in twips): the grid scrolled left by gridOffset, then the history
// with the newest entry (index 0) at the right edge, each older entry `graphStep`
// further left.
void paintGraph(platform::Canvas& box, const std::vector<std::int16_t>& history, platform::Rgb colour,
                std::int16_t graphStep, std::int16_t gridOffset);

// shiftHistory, then paintGraph.
void drawGraph(platform::Canvas& box, std::vector<std::int16_t>& history, std::int16_t value, platform::Rgb colour,
               std::int16_t graphStep, std::int16_t gridOffset);

}  // namespace ledra::performance
