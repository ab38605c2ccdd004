#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/ForLedra.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_system.h"
#include "performance/meter_graph.h"

namespace {

using ledra::app::ForLedra;
using ledra::fakes::FakeForm;
using ledra::fakes::FakeSystem;
using ledra::fakes::MemoryCanvas;
using ledra::platform::Rgb;
using Op = MemoryCanvas::Op;

constexpr Rgb kGreen{0, 255, 0}, kDarkGreen{0, 128, 0}, kGrid{0, 128, 64};

struct Page {
  FakeSystem sys;
  FakeForm f;
  ForLedra form{sys, f.controls};
  Page() {
    form.Form_Resize();
    f.log.clear();
  }
  void show(std::int16_t v) { form.ShowCPU(v); }
};

int rowOf(float y0) { return static_cast<int>(std::lround((65.5 - y0) / 2.25)); }

// Rows drawn as bars, checked for their exact geometry and colour.
std::set<int> litRows(const MemoryCanvas& box) {
  std::set<int> rows;
  const auto rects = box.of(Op::Rectangle);
  for (std::size_t i = 0; i + 1 < rects.size(); i += 2) {
    const auto& a = rects[i];
    const auto& b = rects[i + 1];
    const int row = rowOf(a.y1);
    EXPECT_FLOAT_EQ(a.y1, 65.5f - 2.25f * row);
    EXPECT_FLOAT_EQ(a.y2, static_cast<float>(65.7 - 2.25 * row));
    EXPECT_EQ(a.x1, 13.0f);
    EXPECT_EQ(a.x2, 24.0f);
    EXPECT_EQ(b.x1, 25.5f);
    EXPECT_EQ(b.x2, 36.5f);
    EXPECT_EQ(b.y1, a.y1);
    EXPECT_EQ(a.colour, kGreen);
    EXPECT_EQ(b.colour, kGreen);
    rows.insert(row);
  }
  return rows;
}

std::set<int> dottedRows(const MemoryCanvas& box) {
  std::map<int, int> pointsPerRow;
  for (const auto& p : box.of(Op::Point)) {
    EXPECT_EQ(p.colour, kDarkGreen);
    ++pointsPerRow[rowOf(p.y1)];  // dots sit on y0 or 0.2 below it
  }
  std::set<int> rows;
  for (auto [row, n] : pointsPerRow) {
    EXPECT_EQ(n, 32) << "row " << row;
    rows.insert(row);
  }
  return rows;
}

std::set<int> range(int from, int to) {
  std::set<int> s;
  for (int i = from; i <= to; ++i) s.insert(i);
  return s;
}

TEST(CpuMeter, RowsLitByValue) {
  struct Case {
    std::int16_t value;
    int lastLit;
  };
  for (const Case c : {Case{0, 0}, Case{3, 0}, Case{4, 1}, Case{7, 1}, Case{8, 2}, Case{97, 26}, Case{99, 26},
                       Case{100, 27}, Case{120, 27}}) {
    Page p;
    p.show(c.value);
    EXPECT_EQ(litRows(p.f.UseCPU), range(0, c.lastLit)) << c.value;
    EXPECT_EQ(dottedRows(p.f.UseCPU), range(c.lastLit + 1, 27)) << c.value;
    EXPECT_EQ(p.f.UseCPU.clears, 1);
  }
}

TEST(CpuMeter, DotPattern) {
  Page p;
  p.show(0);
  // The top row: y0 = 4.75, dots from x = 13 in steps of 1.5, the second column at 25.5.
  std::vector<std::pair<float, float>> top;
  for (const auto& d : p.f.UseCPU.of(Op::Point))
    if (d.y1 < 5.0f) top.emplace_back(d.x1, d.y1);
  ASSERT_EQ(top.size(), 32u);
  EXPECT_EQ(top[0], std::make_pair(13.0f, 4.75f));
  EXPECT_EQ(top[1], std::make_pair(13.25f, static_cast<float>(65.7 - 2.25 * 27)));
  EXPECT_EQ(top[2], std::make_pair(25.5f, 4.75f));
  EXPECT_EQ(top[3], std::make_pair(26.0f, static_cast<float>(65.7 - 2.25 * 27)));
  EXPECT_EQ(top[28].first, 23.5f);  // j = 10.5
  EXPECT_EQ(top[31].first, 36.5f);
}

TEST(ShowCPU, TextsAndOrder) {
  Page p;
  p.show(37);
  EXPECT_EQ(p.f.LabCPU.caption(), "37 %");
  EXPECT_EQ(p.f.StatusBar1.panelText(2), "CPU使用: 37%");
  EXPECT_EQ(p.f.log,
            (ledra::fakes::ControlLog{"UseCPU.clear", "LabCPU.setCaption", "StatusBar1.panel2", "BrokenCPU.clear"}));
  p.show(0);
  EXPECT_EQ(p.f.LabCPU.caption(), "0 %");
  EXPECT_EQ(p.f.StatusBar1.panelText(2), "CPU使用: 0%");
}

TEST(ShowCPU, MinusOneTakesOneMoreSample) {
  // The re-sample fails too: -1 is shown and stored, no row lit.
  Page failing;
  std::int16_t value = -1;
  failing.form.ShowCPU(value);
  EXPECT_EQ(failing.sys.count("ntQuerySystemInformation"), 1u);
  EXPECT_EQ(value, -1);
  EXPECT_EQ(failing.f.LabCPU.caption(), "-1 %");
  EXPECT_EQ(failing.f.StatusBar1.panelText(2), "CPU使用: -1%");
  EXPECT_TRUE(litRows(failing.f.UseCPU).empty());
  EXPECT_EQ(dottedRows(failing.f.UseCPU), range(0, 27));
  EXPECT_EQ(failing.form.perf.CpuHistory[0], -1);

  // The re-sample works: its value replaces the caller's.
  Page working;
  working.sys.setCpuCounters(2, 1000, 5000);
  working.form.mod.cpu.GetCPUUsageNT(working.sys);  // the reference sample
  working.sys.setCpuCounters(2, 1000 + 10'000'000, 5000 + 10'000'000);
  value = -1;
  working.form.ShowCPU(value);
  EXPECT_EQ(value, 50);
  EXPECT_EQ(working.f.LabCPU.caption(), "50 %");
  EXPECT_EQ(working.form.perf.CpuHistory[0], 50);

  // Only -1 triggers it.
  Page other;
  other.show(-2);
  EXPECT_EQ(other.sys.count("ntQuerySystemInformation"), 0u);
  EXPECT_EQ(other.f.LabCPU.caption(), "-2 %");
}

std::vector<float> verticalGrid(const MemoryCanvas& box) {
  std::vector<float> xs;
  for (const auto& l : box.of(Op::Line))
    if (l.colour == kGrid && l.x1 == l.x2) {
      EXPECT_EQ(l.y1, 0.0f);
      EXPECT_EQ(l.y2, box.height());
      xs.push_back(l.x1);
    }
  return xs;
}

std::vector<float> horizontalGrid(const MemoryCanvas& box) {
  std::vector<float> ys;
  for (const auto& l : box.of(Op::Line))
    if (l.colour == kGrid && l.y1 == l.y2) {
      EXPECT_EQ(l.x1, 0.0f);
      EXPECT_EQ(l.x2, box.width());
      ys.push_back(l.y1);
    }
  return ys;
}

std::vector<float> multiples(float first, float step, int n) {
  std::vector<float> v;
  for (int i = 0; i < n; ++i) v.push_back(first + step * i);
  return v;
}

TEST(CpuGraph, GridFollowsTheOffset) {
  Page p;
  p.show(10);
  EXPECT_EQ(horizontalGrid(p.f.BrokenCPU), multiples(175, 175, 10));  // 175 .. 1750
  EXPECT_EQ(verticalGrid(p.f.BrokenCPU), multiples(175, 175, 23));    // 175 .. 4025

  p.form.perf.GridOffset = 100;
  p.show(10);
  EXPECT_EQ(verticalGrid(p.f.BrokenCPU), multiples(75, 175, 23));  // 75 .. 3925, none right of it

  // The counts come from the rounded side: 1749.5 rounds to 1750 (even).
  p.f.BrokenCPU.setSize(4125, 1749.5f);
  p.show(10);
  EXPECT_EQ(horizontalGrid(p.f.BrokenCPU).size(), 10u);
  p.f.BrokenCPU.setSize(4125, 1749.4f);
  p.show(10);
  EXPECT_EQ(horizontalGrid(p.f.BrokenCPU).size(), 9u);
}

std::vector<MemoryCanvas::Draw> curve(const MemoryCanvas& box, Rgb colour) {
  std::vector<MemoryCanvas::Draw> out;
  for (const auto& l : box.of(Op::Line))
    if (l.colour == colour) out.push_back(l);
  return out;
}

TEST(CpuGraph, HistoryShiftsAndSegmentsRunRightToLeft) {
  Page p;
  ASSERT_EQ(p.form.perf.CpuHistory.size(), 85u);
  p.show(37);
  p.show(100);
  p.show(0);
  EXPECT_EQ(p.form.perf.CpuHistory[0], 0);
  EXPECT_EQ(p.form.perf.CpuHistory[1], 100);
  EXPECT_EQ(p.form.perf.CpuHistory[2], 37);
  EXPECT_EQ(p.form.perf.CpuHistory[3], 0);

  const auto segments = curve(p.f.BrokenCPU, kGreen);
  ASSERT_EQ(segments.size(), 84u);
  const float h = 1755;
  // Newest at the right edge on the bottom, 100 on the top edge, 37 at 63 % of the height.
  EXPECT_EQ(segments[0].x1, 4125.0f);
  EXPECT_EQ(segments[0].y1, h);
  EXPECT_EQ(segments[0].x2, 4075.0f);
  EXPECT_EQ(segments[0].y2, 0.0f);
  EXPECT_EQ(segments[1].x1, 4075.0f);
  EXPECT_EQ(segments[1].y1, 0.0f);
  EXPECT_EQ(segments[1].x2, 4025.0f);
  EXPECT_NEAR(segments[1].y2, 1755 - 37 * 17.55, 1e-3);
  EXPECT_EQ(segments[2].y2, h);
  // The oldest segment runs past the left edge (clipped by the box).
  EXPECT_EQ(segments[83].x1, -25.0f);
  EXPECT_EQ(segments[83].x2, -75.0f);
}

TEST(CpuGraph, OutOfScaleValuesLeaveTheBox) {
  Page p;
  p.show(120);
  EXPECT_NEAR(curve(p.f.BrokenCPU, kGreen)[0].y1, 1755 - 120 * 17.55, 1e-3);  // above the top
  p.show(-1);                                                                 // fails its re-sample
  EXPECT_NEAR(curve(p.f.BrokenCPU, kGreen)[0].y1, 1755 + 17.55, 1e-3);        // just below the bottom
}

TEST(CpuGraph, OneSlotGraphDrawsOneSegment) {
  Page p;
  p.f.BrokenCPU.setSize(10, 1755);  // 10 / 50 + 1 = 1.2: slots 0..1
  p.form.Form_Resize();
  ASSERT_EQ(p.form.perf.CpuHistory.size(), 2u);
  p.show(40);
  p.show(60);
  const auto segments = curve(p.f.BrokenCPU, kGreen);
  ASSERT_EQ(segments.size(), 1u);
  EXPECT_EQ(segments[0].x1, 10.0f);
  EXPECT_EQ(segments[0].x2, -40.0f);
  EXPECT_NEAR(segments[0].y1, 1755 * 0.4, 1e-3);
  EXPECT_NEAR(segments[0].y2, 1755 * 0.6, 1e-3);
  EXPECT_TRUE(verticalGrid(p.f.BrokenCPU).empty());  // narrower than one grid period
}

TEST(CpuGraph, EmptyHistoryDrawsOnlyTheGrid) {
  std::vector<std::int16_t> none;
  MemoryCanvas box("box", 4125, 1755, nullptr);
  ledra::performance::drawGraph(box, none, 50, kGreen, 50, 0);
  EXPECT_EQ(box.of(Op::Line).size(), 33u);
  EXPECT_TRUE(curve(box, kGreen).empty());
}

TEST(PerformancePage, FirstSampleOnStartIsZeroNotFull) {
  Page p;
  p.sys.setCpuCounters(1, 900'000'000'000, 134'100'000'000'000'000);
  p.form.Init();
  EXPECT_EQ(p.f.LabCPU.caption(), "0 %");
  EXPECT_EQ(p.f.StatusBar1.panelText(2), "CPU使用: 0%");
  EXPECT_EQ(litRows(p.f.UseCPU), range(0, 0));

  p.sys.setCpuCounters(1, 900'000'000'000 + 2'500'000, 134'100'000'000'000'000 + 5'000'000);
  p.form.Timer1_Timer();
  EXPECT_EQ(p.f.LabCPU.caption(), "50 %");
  EXPECT_EQ(p.form.perf.CpuHistory[0], 50);
  EXPECT_EQ(p.form.perf.CpuHistory[1], 0);
}

TEST(PerformancePage, NineXUsesTheRegistryStatistic) {
  Page p;
  p.sys.platformId = 1;
  p.sys.registry["PerfStats\\StartStat"]["KERNEL\\CPUUsage"] = 0;
  p.sys.registry["PerfStats\\StatData"]["KERNEL\\CPUUsage"] = 42;
  p.form.Init();
  EXPECT_EQ(p.f.StatusBar1.panelText(2), "CPU使用: 42%");
  EXPECT_EQ(p.sys.count("ntQuerySystemInformation"), 0u);
  EXPECT_TRUE(p.sys.openKeys.empty());
}

// What a box holds now, as comparable text.
std::vector<std::string> picture(const MemoryCanvas& box) {
  std::vector<std::string> out;
  for (const auto& d : box.draws)
    out.push_back(std::to_string(static_cast<int>(d.op)) + " " + std::to_string(d.x1) + "," + std::to_string(d.y1) +
                  " " + std::to_string(d.x2) + "," + std::to_string(d.y2) + " " + std::to_string(d.colour.r) + "/" +
                  std::to_string(d.colour.g));
  return out;
}

// Samples drawn while the page is hidden (or the window minimised) reach the boxes when
// it is shown (or restored), exactly as they would have on screen; meanwhile nothing is
// drawn, and a meter whose level did not change is not drawn again.
TEST(PerformancePage, HiddenPageDrawsNothingAndIsCurrentWhenShown) {
  const std::int16_t cpu[] = {5, 60, 61, 100, 2};
  const char* memory[] = {"536870912,209715200,2147352576,2040528896,1342177280,858993664",
                          "536870912,9715200,2147352576,2040528896,1342177280,858993664"};
  Page shown, hidden, minimised;
  const auto clears = [](const Page& p) {
    return p.f.UseCPU.clears + p.f.BrokenCPU.clears + p.f.UseFF.clears + p.f.BrokenFF.clears;
  };
  const int drawnAtStart = clears(hidden);
  hidden.f.pages[2].setVisible(false);
  minimised.f.window.minimize();
  minimised.form.Form_Resize();
  for (int tick = 0; tick < 5; ++tick) {
    for (Page* p : {&shown, &hidden, &minimised}) {
      p->form.perf.GridOffset = static_cast<std::int16_t>((p->form.perf.GridOffset + p->form.perf.GraphStep) % 175);
      p->form.ShowFF(memory[tick / 3]);
      std::int16_t v = cpu[tick];
      p->form.ShowCPU(v);
    }
  }
  for (Page* p : {&hidden, &minimised}) {
    EXPECT_EQ(clears(*p), drawnAtStart);
    EXPECT_EQ(p->form.perf.CpuHistory, shown.form.perf.CpuHistory);
    EXPECT_EQ(p->form.perf.MemHistory, shown.form.perf.MemHistory);
  }
  // 60 and 61 light the same rows, so is the memory meter after its first level change.
  EXPECT_EQ(shown.f.UseCPU.clears, 4);
  EXPECT_EQ(shown.f.UseFF.clears, 2);

  hidden.f.tabs.select(3);
  hidden.form.TabStrip1_Click();
  minimised.f.window.isMinimized = false;  // restored: the window is resized
  minimised.form.Form_Resize();
  for (std::string_view box : {"UseCPU", "BrokenCPU", "UseFF", "BrokenFF"}) {
    const auto& want = shown.f.as<MemoryCanvas>(box);
    EXPECT_EQ(picture(hidden.f.as<MemoryCanvas>(box)), picture(want));
    EXPECT_EQ(picture(minimised.f.as<MemoryCanvas>(box)), picture(want));
  }
  EXPECT_EQ(litRows(hidden.f.UseCPU), range(0, 0));

  // Shown again with nothing new: the meters already hold their levels.
  hidden.f.tabs.select(3);
  hidden.form.TabStrip1_Click();
  EXPECT_EQ(hidden.f.UseCPU.clears, 1);
  EXPECT_EQ(hidden.f.UseFF.clears, 1);

  // A resize that is not a restore from minimised draws nothing.
  for (Page* p : {&shown, &minimised}) {
    const int drawn = clears(*p);
    p->form.Form_Resize();
    EXPECT_EQ(clears(*p), drawn);
  }
}

}  // namespace
