#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/number_text.h"
#include "common/text.h"
#include "performance/meter_graph.h"
#include "performance/show_cpu.h"
#include "performance/show_ff.h"
#include "performance/strict_double.h"

namespace ledra::performance {

namespace {

// A field of the memory status string as a number; nullopt when it is missing or not
// a plain count, which ends the drawing at the step that needs it.
std::optional<double> field(const std::vector<std::string_view>& fields, std::size_t index) {
  if (index >= fields.size()) return std::nullopt;
  const std::string_view text = fields[index];
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string_view::npos)
    return std::nullopt;
  return common::parseSignificant(text, ".");
}

// Every kilobyte count a double holds exactly (2^53, far beyond any machine's memory):
// a 32-bit step here stopped the view at 2 TiB.
constexpr double kLargestKilobytes = 9007199254740992.0;

// Whole megabytes from kilobytes: the kilobytes are rounded half to even, then the
// division discards the remainder. nullopt when the kilobytes are out of that range.
std::optional<std::int64_t> wholeMegabytes(double kilobytes) {
  const double rounded = common::roundHalfEven(kilobytes);
  if (!(rounded >= -kLargestKilobytes && rounded <= kLargestKilobytes)) return std::nullopt;
  return static_cast<std::int64_t>(rounded) / 1024;
}

}  // namespace

void ShowFF(platform::System& system, const PerformanceControls& c, PerformanceState& s,
            const std::string& memoryStatus) {
  const std::vector<std::string_view> fields = common::split(memoryStatus, ',');
  const std::string decimal = system.localeDecimalSeparator();

  const auto totalPhys = field(fields, 0);
  const auto availPhys = field(fields, 1);
  if (!totalPhys || !availPhys || *totalPhys == 0) return;
  const double usePercent = strict(100 - strict(*availPhys * 100 / *totalPhys));
  const double usedPhys = *totalPhys - *availPhys;

  // The used figures are the difference of the two texts as shown, so the three always
  // agree on screen.
  const auto figures = [&](std::size_t totalIndex, std::size_t availIndex, platform::Label& total,
                           platform::Label& avail, platform::Label& used) {
    const auto totalBytes = field(fields, totalIndex);
    if (!totalBytes) return false;
    total.setCaption(common::significantText(*totalBytes / 1024, decimal));
    const auto availBytes = field(fields, availIndex);
    if (!availBytes) return false;
    avail.setCaption(common::significantText(*availBytes / 1024, decimal));
    const auto shownTotal = common::parseSignificant(total.caption(), decimal);
    const auto shownAvail = common::parseSignificant(avail.caption(), decimal);
    if (!shownTotal || !shownAvail) return false;
    used.setCaption(common::significantText(*shownTotal - *shownAvail, decimal));
    return true;
  };
  if (!figures(4, 5, *c.LabTotalPageFile, *c.LabAvailPageFile, *c.LabUsePageFile)) return;
  if (!figures(2, 3, *c.LabTotalVirtual, *c.LabAvailVirtual, *c.LabUseVirtual)) return;

  const auto usedMegabytes = wholeMegabytes(usedPhys / 1024);
  const auto totalMegabytes = wholeMegabytes(*totalPhys / 1024);
  if (!usedMegabytes || !totalMegabytes) return;
  c.StatusBar1->setPanelText(
      3, "提交更改: " + std::to_string(*usedMegabytes) + "M / " + std::to_string(*totalMegabytes) + "M");

  const std::string size = common::sizeText(usedPhys, decimal);
  const bool onScreen = performancePageShown(c);
  s.MemMeter.show(*c.UseFF, meterLevel(usePercent), onScreen);
  c.LabFF->setCaption(size);

  const double newest = common::roundHalfEven(usePercent);
  if (!(newest >= INT16_MIN && newest <= INT16_MAX)) return;
  shiftHistory(s.MemHistory, static_cast<std::int16_t>(newest));
  if (onScreen) paintGraph(*c.BrokenFF, s.MemHistory, kMemoryLineColour, s.GraphStep, s.GridOffset);
}

}  // namespace ledra::performance
