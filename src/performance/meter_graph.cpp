#include "performance/meter_graph.h"

#include <algorithm>
#include <cmath>

#include "common/number_text.h"
#include "performance/strict_double.h"

namespace ledra::performance {

namespace {

// How many whole grid periods fit in a box side, with the side rounded half to even
// first. A side that is not a sane size gets no grid.
int gridLines(float side) {
  const double rounded = common::roundHalfEven(static_cast<double>(side));
  if (!(rounded >= 0.0) || rounded > 1e7) return 0;
  return static_cast<int>(rounded) / kGridPeriod;
}

}  // namespace

int meterLevel(double percent) {
  const double level = std::floor(strict(percent / strict(100.0 / 27.0)));
  if (!(level >= -1.0)) return -1;  // also catches NaN
  return static_cast<int>(std::min(level, 27.0));
}

void drawMeter(platform::Canvas& box, int level) {
  box.clear();
  for (int i = 0; i < kMeterRows; ++i) {
    // Rows are 2.25 points apart and 0.2 points tall: one pixel high at 96 dpi.
    const auto y0 = static_cast<float>(65.5 - 2.25 * i);
    const auto y1 = static_cast<float>(65.7 - 2.25 * i);
    if (i > level) {
      for (int step = 0; step < 8; ++step) {
        const double j = 1.5 * step;
        box.point(static_cast<float>(13 + j), y0, kMeterDotColour);
        box.point(static_cast<float>(13.25 + j), y1, kMeterDotColour);
        box.point(static_cast<float>(25.5 + j), y0, kMeterDotColour);
        box.point(static_cast<float>(26 + j), y1, kMeterDotColour);
      }
    } else {
      box.rectangle(13.0f, y0, 24.0f, y1, kMeterBarColour);
      box.rectangle(25.5f, y0, 36.5f, y1, kMeterBarColour);
    }
  }
  box.present();
}

void Meter::show(platform::Canvas& box, int level, bool onScreen) {
  if (hasLevel_ && level == level_ && drawn_) return;
  level_ = level;
  hasLevel_ = true;
  drawn_ = false;
  if (onScreen) paint(box);
}

void Meter::paint(platform::Canvas& box) {
  if (!hasLevel_ || drawn_) return;
  drawMeter(box, level_);
  drawn_ = true;
}

void shiftHistory(std::vector<std::int16_t>& history, std::int16_t value) {
  if (history.empty()) return;
  std::copy_backward(history.begin(), history.end() - 1, history.end());
  history[0] = value;
}

void paintGraph(platform::Canvas& box, const std::vector<std::int16_t>& history, platform::Rgb colour,
                std::int16_t graphStep, std::int16_t gridOffset) {
  box.clear();
  const float w = box.width();
  const float h = box.height();

  const int rows = gridLines(h);
  for (int k = 1; k <= rows; ++k) {
    const auto y = static_cast<float>(kGridPeriod * k);
    box.line(0.0f, y, w, y, kGridColour);
  }
  // The vertical grid scrolls left with the samples.
  const int columns = gridLines(w);
  for (int k = 1; k <= columns; ++k) {
    const auto x = static_cast<float>(kGridPeriod * k - gridOffset);
    box.line(x, 0.0f, x, h, kGridColour);
  }

  const double width = w, height = h, step = graphStep;
  const auto yOf = [&](std::int16_t v) { return static_cast<float>(height - v * height * 0.01); };
  for (std::size_t i = 0; i + 1 < history.size(); ++i) {
    const auto x1 = static_cast<float>(width - static_cast<double>(i) * step);
    const auto x2 = static_cast<float>(width - static_cast<double>(i + 1) * step);
    box.line(x1, yOf(history[i]), x2, yOf(history[i + 1]), colour);
  }
  box.present();
}

void drawGraph(platform::Canvas& box, std::vector<std::int16_t>& history, std::int16_t value, platform::Rgb colour,
               std::int16_t graphStep, std::int16_t gridOffset) {
  shiftHistory(history, value);
  paintGraph(box, history, colour, graphStep, gridOffset);
}

}  // namespace ledra::performance
