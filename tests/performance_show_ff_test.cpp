#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "app/ForLedra.h"
#include "common/number_text.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_system.h"

namespace {

using ledra::app::ForLedra;
using ledra::common::decimalsText;
using ledra::common::parseSignificant;
using ledra::common::significantText;
using ledra::common::sizeText;
using ledra::fakes::FakeForm;
using ledra::fakes::FakeSystem;
using ledra::fakes::MemoryCanvas;
using ledra::platform::Rgb;
using Op = MemoryCanvas::Op;

constexpr Rgb kYellow{255, 255, 0}, kGreen{0, 255, 0};

struct Page {
  FakeSystem sys;
  FakeForm f;
  ForLedra form{sys, f.controls};
  explicit Page(std::string decimal = ".") {
    sys.decimalSeparator = std::move(decimal);
    form.Form_Resize();
    f.log.clear();
  }
  // A status string with the given physical figures and fixed virtual / page-file ones.
  void showPhysical(std::uint64_t total, std::uint64_t avail) {
    form.ShowFF(std::to_string(total) + "," + std::to_string(avail) + ",2147352576,2040528896,1342177280,858993664");
  }
  std::vector<MemoryCanvas::Draw> curve() const {
    std::vector<MemoryCanvas::Draw> out;
    for (const auto& l : f.BrokenFF.of(Op::Line))
      if (l.colour == kYellow) out.push_back(l);
    return out;
  }
};

TEST(ShowFF, WorkedExampleFieldByField) {
  Page p;
  p.form.ShowFF("536870912,209715200,2147352576,2040528896,1342177280,858993664");
  EXPECT_EQ(p.f.LabTotalPageFile.caption(), "1310720");
  EXPECT_EQ(p.f.LabAvailPageFile.caption(), "838861");
  EXPECT_EQ(p.f.LabUsePageFile.caption(), "471859");
  EXPECT_EQ(p.f.LabTotalVirtual.caption(), "2097024");
  EXPECT_EQ(p.f.LabAvailVirtual.caption(), "1992704");
  EXPECT_EQ(p.f.LabUseVirtual.caption(), "104320");
  EXPECT_EQ(p.f.StatusBar1.panelText(3), "提交更改: 312M / 512M");
  EXPECT_EQ(p.f.LabFF.caption(), "312 MB");
  // 60.9375 % in use: rows 0..16 lit, 61 enters the history.
  EXPECT_EQ(p.f.UseFF.of(Op::Rectangle).size(), 34u);
  EXPECT_EQ(p.f.UseFF.of(Op::Rectangle).back().y1, 65.5f - 2.25f * 16);
  EXPECT_EQ(p.f.UseFF.of(Op::Point).size(), 11u * 32);
  EXPECT_EQ(p.form.perf.MemHistory[0], 61);
  const auto segments = p.curve();
  ASSERT_EQ(segments.size(), 84u);
  EXPECT_NEAR(segments[0].y1, 1755 - 61 * 17.55, 1e-3);
  EXPECT_EQ(segments[0].x1, 4125.0f);
  EXPECT_EQ(segments[0].y2, 1755.0f);

  EXPECT_EQ(p.f.log, (ledra::fakes::ControlLog{
                         "LabTotalPageFile.setCaption", "LabAvailPageFile.setCaption", "LabUsePageFile.setCaption",
                         "LabTotalVirtual.setCaption", "LabAvailVirtual.setCaption", "LabUseVirtual.setCaption",
                         "StatusBar1.panel3", "UseFF.clear", "LabFF.setCaption", "BrokenFF.clear"}));
}

TEST(ShowFF, SizeTextOfUsedMemory) {
  struct Case {
    std::uint64_t used;
    const char* text;
  };
  for (const Case c :
       {Case{1048576000, "1000 MB"},                // exactly 1000 MB is not promoted
        Case{5368709120, "5.00 GB"},                // through KB, MB and GB
        Case{512, "512"},                           // no unit at all
        Case{1000, "1000"}, Case{1001, "0.98 KB"},  // past 1000 moves on and shows below 1
        Case{1049000000, "0.98 GB"}, Case{245300000, "234 MB"}, Case{9000000, "8.58 MB"}, Case{0, "0.00"}}) {
    Page p;
    p.showPhysical(c.used + 1000, 1000);
    EXPECT_EQ(p.f.LabFF.caption(), c.text) << c.used;
  }
}

TEST(ShowFF, CommitTextRoundsKilobytesHalfToEvenThenDropsTheRest) {
  Page p;
  // 268435456 total, 1536 free: 262142.5 KB used rounds to 262142 (even) -> 255 MB.
  p.showPhysical(268435456, 1536);
  EXPECT_EQ(p.f.StatusBar1.panelText(3), "提交更改: 255M / 256M");
  // 1024 * 1024 * 1023 + 1024 * 1023.5 used: 1048575.5 KB -> 1048576 -> 1024 M.
  p.showPhysical(2147483648, 2147483648 - (1048575ull * 1024 + 512));
  EXPECT_EQ(p.f.StatusBar1.panelText(3), "提交更改: 1024M / 2048M");
}

TEST(ShowFF, HistoryRoundsHalfToEven) {
  Page p;
  p.showPhysical(1000, 375);  // 62.5 %
  EXPECT_EQ(p.form.perf.MemHistory[0], 62);
  p.showPhysical(1000, 365);  // 63.5 %
  EXPECT_EQ(p.form.perf.MemHistory[0], 64);
  EXPECT_EQ(p.form.perf.MemHistory[1], 62);
}

TEST(ShowFF, MeterLevels) {
  Page full;
  full.showPhysical(1000, 0);
  EXPECT_EQ(full.f.UseFF.of(Op::Rectangle).size(), 56u);
  Page empty;
  empty.showPhysical(1000, 1000);
  EXPECT_EQ(empty.f.UseFF.of(Op::Rectangle).size(), 2u);  // row 0 always lit at 0 %
  EXPECT_EQ(empty.f.UseFF.of(Op::Rectangle)[0].colour, kGreen);
}

TEST(ShowFF, FractionalKilobytesAndTheUsedFigureFromTheShownTexts) {
  Page dot;
  // 1342177792 bytes is 1310720.5 KB.
  dot.form.ShowFF("536870912,209715200,2147352576,2040528896,1342177792,858993664");
  EXPECT_EQ(dot.f.LabTotalPageFile.caption(), "1310720.5");
  EXPECT_EQ(dot.f.LabUsePageFile.caption(), "471859.5");

  Page comma(",");
  comma.form.ShowFF("536870912,209715200,2147352576,2040528896,1342177792,858993664");
  EXPECT_EQ(comma.f.LabTotalPageFile.caption(), "1310720,5");
  EXPECT_EQ(comma.f.LabUsePageFile.caption(), "471859,5");

  // 1000000003 bytes is 976562.5029296875 KB, shown with 15 digits as 976562.502929688;
  // the used figure is that text minus 976562.5, not the exact 0.0029296875.
  Page shown;
  shown.form.ShowFF("536870912,209715200,2147352576,2040528896,1000000003,1000000000");
  EXPECT_EQ(shown.f.LabTotalPageFile.caption(), "976562.502929688");
  EXPECT_EQ(shown.f.LabAvailPageFile.caption(), "976562.5");
  EXPECT_EQ(shown.f.LabUsePageFile.caption(), "0.00292968796566129");
}

TEST(ShowFF, DecimalSignOfTheLocale) {
  Page comma(",");
  comma.showPhysical(9000000 + 4096, 4096);
  EXPECT_EQ(comma.f.LabFF.caption(), "8,58 MB");
  Page comma2(",");
  comma2.showPhysical(5368709120 + 4096, 4096);
  EXPECT_EQ(comma2.f.LabFF.caption(), "5,00 GB");
}

TEST(ShowFF, BadStringsEndTheCallWhereTheyFail) {
  Page p;
  p.form.ShowFF("");
  p.form.ShowFF("536870912,209715200,2147352576,2040528896");  // page-file fields missing
  p.form.ShowFF("0,0,0,0,0,0");                                // no physical memory
  p.form.ShowFF("536870912,x,2147352576,2040528896,1342177280,858993664");
  p.form.ShowFF("536870912,-5,2147352576,2040528896,1342177280,858993664");
  EXPECT_TRUE(p.f.log.empty());
  EXPECT_EQ(p.form.perf.MemHistory[0], 0);

  // Five fields: the page-file total is written, then the missing available figure stops it.
  p.form.ShowFF("536870912,209715200,2147352576,2040528896,1342177280");
  EXPECT_EQ(p.f.log, (ledra::fakes::ControlLog{"LabTotalPageFile.setCaption"}));
  EXPECT_EQ(p.f.LabTotalPageFile.caption(), "1310720");
  EXPECT_EQ(p.f.LabUsePageFile.caption(), "");
}

TEST(ShowFF, LargeMachinesKeepEveryFigure) {
  // 4 TiB of RAM, 1 TiB free: more than 2^31 kilobytes, and still the whole view.
  Page p;
  p.showPhysical(4ull << 40, 1ull << 40);
  EXPECT_EQ(p.f.StatusBar1.panelText(3), "提交更改: 3145728M / 4194304M");
  EXPECT_EQ(p.f.LabFF.caption(), "3072 GB");
  EXPECT_EQ(p.form.perf.MemHistory[0], 75);
  EXPECT_EQ(p.f.UseFF.clears, 1);
  // 128 TiB, all of it in use.
  p.showPhysical(128ull << 40, 0);
  EXPECT_EQ(p.f.StatusBar1.panelText(3), "提交更改: 134217728M / 134217728M");
  EXPECT_EQ(p.form.perf.MemHistory[0], 100);
}

TEST(ShowFF, MoreAvailableThanTotalShowsNegativeUse) {
  Page p;
  p.showPhysical(1000, 3000);                  // -200 % in use
  EXPECT_EQ(p.f.LabFF.caption(), "-2000.00");  // below 10, so two decimals
  EXPECT_TRUE(p.f.UseFF.of(Op::Rectangle).empty());
  EXPECT_EQ(p.form.perf.MemHistory[0], -200);
  EXPECT_EQ(p.f.StatusBar1.panelText(3), "提交更改: 0M / 0M");
  // A thousand times more: a use off every scale leaves the history as it was.
  p.showPhysical(1000, 1000000);
  EXPECT_EQ(p.form.perf.MemHistory[0], -200);
  EXPECT_EQ(p.form.perf.MemHistory[1], 0);
}

TEST(MemoryText, NumbersAndPatterns) {
  EXPECT_EQ(significantText(1310720, "."), "1310720");
  EXPECT_EQ(significantText(-0.0, "."), "0");
  EXPECT_EQ(significantText(0.1 + 0.2, ","), "0,3");  // 15 significant digits hide the binary noise
  EXPECT_EQ(parseSignificant("1310720,5", ","), 1310720.5);
  EXPECT_EQ(parseSignificant("1310720.5", "."), 1310720.5);
  EXPECT_EQ(parseSignificant("", "."), std::nullopt);
  EXPECT_EQ(parseSignificant("12 KB", "."), std::nullopt);

  // Half away from zero on the decimal digits as written.
  EXPECT_EQ(decimalsText(2.675, 2, "."), "2.68");
  EXPECT_EQ(decimalsText(2.665, 2, "."), "2.67");
  EXPECT_EQ(decimalsText(99.95, 1, "."), "100.0");
  EXPECT_EQ(decimalsText(9.995, 2, "."), "10.00");
  EXPECT_EQ(decimalsText(0.004, 2, "."), "0.00");
  EXPECT_EQ(decimalsText(0.005, 2, "."), "0.01");
  EXPECT_EQ(decimalsText(0.0005, 2, "."), "0.00");
  EXPECT_EQ(decimalsText(233.5, 0, "."), "234");
  EXPECT_EQ(decimalsText(-1.005, 2, ","), "-1,01");
  EXPECT_EQ(decimalsText(-0.001, 2, "."), "0.00");
  EXPECT_EQ(sizeText(999.5, "."), "1000");      // rounds up to 1000 but stays without a unit
  EXPECT_EQ(sizeText(10239, "."), "10.00 KB");  // 9.999 KB keeps the pattern picked before rounding
}

}  // namespace
