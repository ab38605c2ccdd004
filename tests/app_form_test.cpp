// The main window: start-up, the refresh tick, update speeds, page switching and the
// history sizing, on in-memory controls and FakeSystem.
#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "app/ForLedra.h"
#include "app/design.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_system.h"
#include "platform/is_nt.h"
#include "platform/keyboard.h"

namespace {

using ledra::app::ForLedra;
using ledra::fakes::FakeForm;
using ledra::fakes::FakeSystem;
using ledra::fakes::hicon;
using ledra::fakes::hwnd;
namespace design = ledra::app::design;

struct Fixture : ::testing::Test {
  FakeSystem sys;
  FakeForm f;
  ForLedra form{sys, f.controls};

  int checkedSpeeds() const {
    return static_cast<int>(
        std::count_if(std::begin(f.menu_renew), std::end(f.menu_renew), [](const auto& m) { return m.checked(); }));
  }
  int visiblePages() const {
    int n = 0;
    for (const auto& p : f.pages) n += p.visible() ? 1 : 0;
    return n;
  }
};

// ---- IsNT ------------------------------------------------------------------------------

TEST(IsNT, TrueOnlyForPlatformTwo) {
  FakeSystem sys;
  for (std::uint32_t id : {0u, 1u, 3u}) {
    sys.platformId = id;
    EXPECT_FALSE(ledra::platform::IsNT(sys)) << id;
  }
  sys.platformId = 2;
  EXPECT_TRUE(ledra::platform::IsNT(sys));
  sys.versionFails = true;  // a failed call leaves the platform field 0
  EXPECT_FALSE(ledra::platform::IsNT(sys));
}

TEST(IsNT, AskedAfreshEachTime) {
  FakeSystem sys;
  EXPECT_TRUE(ledra::platform::IsNT(sys));
  sys.platformId = 1;
  EXPECT_FALSE(ledra::platform::IsNT(sys));
  EXPECT_EQ(sys.count("getVersionEx"), 2u);
}

// ---- start-up ----------------------------------------------------------------------------

TEST_F(Fixture, StartUpOpensOnThePerformancePageTopmost) {
  form.Form_Load();
  EXPECT_EQ(f.window.width, 6700);
  EXPECT_EQ(f.tabs.selectedPosition(), 3);
  EXPECT_FALSE(f.pages[0].visible());
  EXPECT_FALSE(f.pages[1].visible());
  EXPECT_TRUE(f.pages[2].visible());
  for (const auto& p : f.pages) {
    EXPECT_EQ(p.left(), 150);
    EXPECT_EQ(p.top(), 510);
  }
  ASSERT_EQ(sys.setWindowPosCalls.size(), 1u);
  EXPECT_EQ(sys.setWindowPosCalls[0].window, f.window.hwnd);
  EXPECT_EQ(sys.setWindowPosCalls[0].insertAfter, -1);  // HWND_TOPMOST
  EXPECT_EQ(sys.setWindowPosCalls[0].flags, 3u);        // SWP_NOSIZE | SWP_NOMOVE
  EXPECT_TRUE(f.menu_show.checked());
  EXPECT_TRUE(f.meun_usemin.checked());
  EXPECT_TRUE(f.menu_renew[0].checked());
  EXPECT_EQ(checkedSpeeds(), 1);
  // No focus step runs while the window is still hidden.
  EXPECT_EQ(f.ListTask.focusCount + f.ListProcess.focusCount, 0);
  // Panel 1 stays empty until the first tick.
  EXPECT_EQ(f.StatusBar1.panelText(1), "");
  // The window's own icon is image 1 of Image_NULL.
  ASSERT_EQ(f.Image_NULL.images.size(), 1u);
  EXPECT_EQ(f.Image_NULL.images[0], "icon" + std::to_string(ledra::platform::raw(f.window.iconHandle)));
}

TEST_F(Fixture, NtReplacesTheProcessColumnsExactly) {
  form.Form_Load();
  ASSERT_EQ(f.ListProcess.columns.size(), design::kProcessColumnsNT.size());
  for (std::size_t i = 0; i < design::kProcessColumnsNT.size(); ++i) {
    EXPECT_EQ(f.ListProcess.columns[i].header, design::kProcessColumnsNT[i].header) << i;
    EXPECT_EQ(f.ListProcess.columns[i].width, design::kProcessColumnsNT[i].width) << i;
    EXPECT_EQ(f.ListProcess.columns[i].align, design::kProcessColumnsNT[i].align) << i;
  }
  const char* headers[] = {"映像名称", "PID", "CPU", "CPU 时间", "内存使用", "命令行"};
  const int widths[] = {2600, 1000, 800, 1200, 1000, 3600};
  const ledra::platform::Align aligns[] = {ledra::platform::Align::Left,  ledra::platform::Align::Right,
                                           ledra::platform::Align::Right, ledra::platform::Align::Centre,
                                           ledra::platform::Align::Right, ledra::platform::Align::Left};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(f.ListProcess.columns[static_cast<std::size_t>(i)].header, headers[i]);
    EXPECT_EQ(f.ListProcess.columns[static_cast<std::size_t>(i)].width, widths[i]);
    EXPECT_EQ(f.ListProcess.columns[static_cast<std::size_t>(i)].align, aligns[i]);
  }
}

TEST_F(Fixture, NineXKeepsTheThreeDesignedColumns) {
  sys.platformId = 1;
  form.Form_Load();
  ASSERT_EQ(f.ListProcess.columns.size(), 3u);
  EXPECT_EQ(f.ListProcess.columns[0].header, "映像名称");
  EXPECT_EQ(f.ListProcess.columns[0].width, 2600);
  EXPECT_EQ(f.ListProcess.columns[1].header, "PID");
  EXPECT_EQ(f.ListProcess.columns[1].width, 1200);
  EXPECT_EQ(f.ListProcess.columns[1].align, ledra::platform::Align::Right);
  EXPECT_EQ(f.ListProcess.columns[2].header, "路径");
  EXPECT_EQ(f.ListProcess.columns[2].width, 3600);
}

TEST(Design, CaptionsAndMenusAsDesigned) {
  EXPECT_EQ(design::kCaption, "Windows Ledra ");
  ASSERT_EQ(design::kTaskColumns.size(), 2u);
  EXPECT_EQ(design::kTaskColumns[0].header, "任务");
  EXPECT_EQ(design::kTaskColumns[0].width, 4500);
  EXPECT_EQ(design::kTaskColumns[1].header, "状态");
  EXPECT_EQ(design::kTaskColumns[1].width, 1500);
  int checked = 0;
  for (const auto& m : design::kMenus) checked += m.checked ? 1 : 0;
  EXPECT_EQ(checked, 3);  // always on top, auto-minimise, "高(&H)"
  // Every menu item reaches a handler; the submenus have none.
  FakeSystem sys;
  FakeForm f;
  ForLedra form(sys, f.controls);
  form.Form_Resize();
  for (const auto& m : design::kMenus) {
    const bool isSubmenu = m.name == "menu_File" || m.name == "menu_oper" || m.name == "meun_view" ||
                           m.name == "menu_u" || m.name == "menu_help";
    EXPECT_EQ(ForLedra::hasHandler(m.name), !isSubmenu) << m.name;
    if (isSubmenu || m.name == "menu_exit") continue;
    EXPECT_TRUE(form.Click(m.name, m.index)) << m.name;
  }
  EXPECT_FALSE(form.Click("menu_renew", 4));
  EXPECT_FALSE(form.Click("menu_u"));
  for (const auto& c : design::kControls)
    EXPECT_EQ(c.kind == design::Kind::Button, ForLedra::hasHandler(c.name)) << c.name;
}

// ---- the tick ------------------------------------------------------------------------------

TEST_F(Fixture, GridOffsetCyclesThroughSevenPhases) {
  form.Form_Load();
  const std::vector<int> expected{50, 100, 150, 25, 75, 125, 0, 50, 100, 150, 25, 75, 125, 0};
  for (int want : expected) {
    form.Timer1_Timer();
    EXPECT_EQ(form.perf.GridOffset, want);
  }
}

TEST_F(Fixture, PanelOneShowsTheProcessCount) {
  form.Form_Load();
  form.Timer1_Timer();
  EXPECT_EQ(f.StatusBar1.panelText(1), "进程数: " + std::to_string(f.ListProcess.rowCount()));
  f.ListProcess.rows.clear();
  form.menu_Re_Click();
  EXPECT_EQ(f.StatusBar1.panelText(1), "进程数: 0");
}

// The steps of one tick in order, seen through the OS calls each step makes and the
// controls each step writes.
TEST_F(Fixture, TickRunsItsStepsInOrderOnNineX) {
  sys.platformId = 1;
  form.Form_Load();
  sys.clearCalls();
  f.log.clear();
  form.Timer1_Timer();
  auto at = [&](const std::string& call) {
    return std::find(sys.calls.begin(), sys.calls.end(), call) - sys.calls.begin();
  };
  const auto n = static_cast<long>(sys.calls.size());
  const long memory = at("globalMemoryStatus");
  const long cpu = at("regOpenKey");
  const long snapshot = at("createToolhelp32Snapshot");
  const long windows = at("enumWindows");
  ASSERT_LT(memory, n);
  ASSERT_LT(cpu, n);
  ASSERT_LT(snapshot, n);
  ASSERT_LT(windows, n);
  EXPECT_LT(memory, cpu);
  EXPECT_LT(cpu, snapshot);
  EXPECT_LT(snapshot, windows);
  // Controls: memory figures, then the CPU panel, then the process count last.
  auto logAt = [&](const std::string& op) { return std::find(f.log.begin(), f.log.end(), op) - f.log.begin(); };
  const long mem = logAt("StatusBar1.panel3");
  const long cpuPanel = logAt("StatusBar1.panel2");
  const long count = logAt("StatusBar1.panel1");
  ASSERT_LT(count, static_cast<long>(f.log.size()));
  EXPECT_LT(mem, cpuPanel);
  EXPECT_LT(cpuPanel, count);
  EXPECT_EQ(count, static_cast<long>(f.log.size()) - 1);
}

TEST_F(Fixture, TickOnNtNeverTouchesTheNineXState) {
  form.Form_Load();
  for (int i = 0; i < 3; ++i) form.Timer1_Timer();
  EXPECT_EQ(sys.count("createToolhelp32Snapshot"), 0u);
  EXPECT_EQ(form.LastProcessList9x, "");
}

TEST_F(Fixture, UnchangedTaskListLeavesListTaskAlone) {
  FakeSystem::Window w;
  w.handle = hwnd(0x2000);
  w.title = "Alpha";
  sys.windows.push_back(w);
  form.Form_Load();
  form.Timer1_Timer();
  EXPECT_EQ(form.LastTaskList, form.mod.TaskList);
  f.log.clear();
  form.Timer1_Timer();
  for (const auto& op : f.log) EXPECT_NE(op.rfind("ListTask.", 0), 0u) << op;
}

// ---- update speed and refresh now ----------------------------------------------------------

TEST_F(Fixture, UpdateSpeedKeepsOneCheckAndSetsTheInterval) {
  form.Form_Load();
  const int intervals[] = {500, 1000, 2000};
  for (std::int16_t i : {2, 1, 0, 2}) {
    form.menu_renew_Click(i);
    EXPECT_EQ(checkedSpeeds(), 1);
    EXPECT_TRUE(f.menu_renew[i].checked());
    EXPECT_TRUE(f.Timer1.enabled());
    EXPECT_EQ(f.Timer1.interval(), intervals[i]);
    EXPECT_EQ(form.SpeedIndex, i);
  }
  // Choosing the checked item again keeps it checked.
  form.menu_renew_Click(2);
  EXPECT_EQ(checkedSpeeds(), 1);
  EXPECT_TRUE(f.menu_renew[2].checked());
}

TEST_F(Fixture, PauseRunsOneTickAndRefreshNowRunsOneMore) {
  form.Form_Load();
  const int before = form.perf.GridOffset;
  form.menu_renew_Click(3);
  EXPECT_FALSE(f.Timer1.enabled());
  EXPECT_TRUE(f.menu_renew[3].checked());
  EXPECT_EQ(checkedSpeeds(), 1);
  EXPECT_EQ(form.perf.GridOffset, before + 50);  // exactly one tick
  form.menu_Re_Click();
  EXPECT_EQ(form.perf.GridOffset, before + 100);
  EXPECT_FALSE(f.Timer1.enabled());
  form.menu_renew_Click(1);
  EXPECT_TRUE(f.Timer1.enabled());
  EXPECT_EQ(f.Timer1.interval(), 1000);
}

// A command sent to the window while a tick waits on another window (refresh now, a
// speed change) must not start a tick inside the tick: the running one still works
// through the window list it took.
TEST_F(Fixture, RefreshAskedDuringATickRunsOnceRightAfterIt) {
  form.Form_Load();
  sys.windows = {{.handle = hwnd(0x2001), .title = "Alpha, first window"},
                 {.handle = hwnd(0x2002), .title = "Beta, second window"}};
  const int before = form.perf.GridOffset;
  std::vector<int> gridDuringRequests;
  sys.onSendMessage = [&](ledra::platform::WindowHandle) {
    sys.onSendMessage = nullptr;
    form.Click("menu_Re");
    form.Click("menu_renew", 1);
    gridDuringRequests.push_back(form.perf.GridOffset);
    sys.windows = {{.handle = hwnd(0x2003), .title = std::string(64, 'N')}};  // a nested tick would relist
  };
  form.Timer1_Timer();
  EXPECT_EQ(gridDuringRequests, std::vector<int>{before + 50});  // nothing ran inside
  EXPECT_EQ(form.perf.GridOffset, before + 100);                 // both requests: one tick after
  EXPECT_EQ(f.ListTask.rowCount(), 1);
  EXPECT_EQ(f.ListTask.cell(0, 0), std::string(64, 'N'));
  EXPECT_EQ(f.Timer1.interval(), 1000);
  EXPECT_TRUE(f.menu_renew[1].checked());
  EXPECT_EQ(checkedSpeeds(), 1);
  form.menu_Re_Click();  // and the next request runs at once again
  EXPECT_EQ(form.perf.GridOffset, before + 150);

  // A tick ended by an exception (an allocation failing inside a step) lets the next one run.
  sys.onSendMessage = [&](ledra::platform::WindowHandle) {
    sys.onSendMessage = nullptr;
    throw std::bad_alloc();
  };
  sys.windows = {{.handle = hwnd(0x2004), .title = "Gamma"}};
  EXPECT_THROW(form.Timer1_Timer(), std::bad_alloc);
  EXPECT_EQ(form.perf.GridOffset, (before + 200) % 175);
  form.Timer1_Timer();
  EXPECT_EQ(form.perf.GridOffset, (before + 250) % 175);
}

// ---- page switching --------------------------------------------------------------------------

TEST_F(Fixture, TabsShowExactlyOnePageAndMoveTheFocus) {
  form.Form_Load();
  f.tabs.select(2);
  form.TabStrip1_Click();
  EXPECT_EQ(visiblePages(), 1);
  EXPECT_TRUE(f.pages[1].visible());
  EXPECT_EQ(f.ListProcess.focusCount, 1);
  EXPECT_EQ(f.ListTask.focusCount, 0);

  f.tabs.select(1);
  form.TabStrip1_Click();
  EXPECT_EQ(visiblePages(), 1);
  EXPECT_TRUE(f.pages[0].visible());
  EXPECT_EQ(f.ListTask.focusCount, 1);

  f.tabs.select(3);
  form.TabStrip1_Click();
  EXPECT_EQ(visiblePages(), 1);
  EXPECT_TRUE(f.pages[2].visible());
  EXPECT_EQ(f.ListTask.focusCount, 1);  // focus left where it was
  EXPECT_EQ(f.ListProcess.focusCount, 1);
}

// ---- the keyboard ------------------------------------------------------------------------------

// The page (0..2) a designed row lies on; -1 off the pages.
int pageOf(std::string_view name) {
  for (int guard = 0; guard < 8; ++guard) {
    const auto* row = std::find_if(std::begin(design::kControls), std::end(design::kControls),
                                   [&](const auto& c) { return c.name == name; });
    if (row == std::end(design::kControls)) {
      for (int p = 0; p < 3; ++p)
        if (name == "PicProperty(" + std::to_string(p) + ")") return p;
      return -1;
    }
    name = row->parent;
  }
  return -1;
}

TEST(Keyboard, AccessKeysAndTabOrderFollowTheVisiblePage) {
  using ledra::platform::accessKeyTarget;
  using ledra::platform::nextTabStop;
  const auto name = [](int place) { return place < 0 ? std::string("-") : std::string(design::kControls[place].name); };
  EXPECT_EQ(ledra::platform::accessKeyOf("a&&b(&c)"), 'C');
  EXPECT_EQ(ledra::platform::accessKeyOf("Tom && Jerry&"), 0);
  struct Case {
    int page;
    char32_t key;
    std::string button;
  };
  // "结束任务(&E)" and "结束进程(&E)" share E: only the page on screen answers.
  for (const Case& c : {Case{0, 'e', "Command2"}, Case{1, 'E', "ComKillTask"}, Case{2, 'e', "-"},
                        Case{0, 'S', "Command3"}, Case{1, 's', "-"}, Case{0, 'n', "Command1"}, Case{0, 0x7ED3, "-"}}) {
    const auto onPage = [&](int place) {
      const int p = pageOf(design::kControls[place].name);
      return p < 0 || p == c.page;
    };
    EXPECT_EQ(name(accessKeyTarget(design::kControls, c.key, onPage)), c.button) << c.page << " " << char(c.key);
  }
  const auto applications = [](int place) {
    return pageOf(design::kControls[place].name) != 1 && pageOf(design::kControls[place].name) != 2;
  };
  std::vector<std::string> forward, backward;
  for (int at = -1, i = 0; i < 6; ++i)
    forward.push_back(name(at = nextTabStop(design::kControls, at, false, applications)));
  for (int at = -1, i = 0; i < 3; ++i)
    backward.push_back(name(at = nextTabStop(design::kControls, at, true, applications)));
  EXPECT_EQ(forward,
            (std::vector<std::string>{"ListTask", "Command2", "Command3", "Command1", "TabStrip1", "ListTask"}));
  EXPECT_EQ(backward, (std::vector<std::string>{"TabStrip1", "Command1", "Command3"}));
  EXPECT_EQ(nextTabStop(design::kControls, 3, false, [](int) { return false; }), -1);
  EXPECT_EQ(ledra::platform::nextTab(3, 3, false), 1);
  EXPECT_EQ(ledra::platform::nextTab(1, 3, true), 3);
  EXPECT_EQ(ledra::platform::nextTab(2, 3, false), 3);
}

// Delete and Enter on a list run its page's button: the same checks, calls and message.
TEST(Keyboard, ListKeysDoWhatTheirButtonsDo) {
  using ledra::platform::ListKey;
  struct Case {
    std::string list;
    ListKey key;
    std::string button;  // "" = the key means nothing there
  };
  for (const Case& c : {Case{"ListTask", ListKey::Delete, "Command2"}, Case{"ListTask", ListKey::Enter, "Command3"},
                        Case{"ListProcess", ListKey::Delete, "ComKillTask"}, Case{"ListProcess", ListKey::Enter, ""},
                        Case{"StatusBar1", ListKey::Delete, ""}}) {
    std::vector<std::string> calls[2];
    std::size_t boxes[2];
    for (int byKey = 0; byKey < 2; ++byKey) {
      FakeSystem sys;
      FakeForm f;
      ForLedra form(sys, f.controls);
      form.Form_Load();
      sys.windows = {{.handle = hwnd(7), .title = "Editor", .pid = 70}};
      sys.processes[70].pid = 70;
      form.Timer1_Timer();
      f.ListTask.selectRow(0);
      f.ListProcess.selectRow(0);
      sys.clearCalls();
      if (byKey) {
        EXPECT_EQ(form.listKey(c.list, c.key), !c.button.empty()) << c.list;
      } else if (!c.button.empty()) {
        form.Click(c.button);
      }
      calls[byKey] = sys.calls;
      boxes[byKey] = sys.messageBoxes.size();
    }
    EXPECT_EQ(calls[1], calls[0]) << c.list << " " << c.button;
    EXPECT_EQ(boxes[1], boxes[0]) << c.list << " " << c.button;
    EXPECT_EQ(calls[0].empty(), c.button.empty()) << c.button;
  }
}

TEST_F(Fixture, SwitchingPagesRunsNoTick) {
  form.Form_Load();
  const int grid = form.perf.GridOffset;
  const auto calls = sys.calls.size();
  f.tabs.select(2);
  form.TabStrip1_Click();
  EXPECT_EQ(form.perf.GridOffset, grid);
  EXPECT_EQ(sys.calls.size(), calls);
  EXPECT_TRUE(f.Timer1.enabled());
}

// ---- history sizing -----------------------------------------------------------------------------

TEST_F(Fixture, HistoriesGetOneSlotPerStepPlusOneRoundedHalfToEven) {
  form.Form_Resize();
  EXPECT_EQ(form.perf.GraphStep, 50);
  EXPECT_EQ(form.perf.CpuHistory.size(), 85u);  // 4125 / 50 + 1 = 83.5 -> 84: slots 0..84
  EXPECT_EQ(form.perf.MemHistory.size(), 85u);

  f.BrokenCPU.setSize(4100.0f, 1755.0f);  // 83 exactly: slots 0..83
  f.BrokenFF.setSize(4175.0f, 1755.0f);   // 84.5 -> 84 (half to even)
  form.Form_Resize();
  EXPECT_EQ(form.perf.CpuHistory.size(), 84u);
  EXPECT_EQ(form.perf.MemHistory.size(), 85u);
  f.BrokenFF.setSize(4225.0f, 1755.0f);  // 85.5 -> 86
  form.Form_Resize();
  EXPECT_EQ(form.perf.MemHistory.size(), 87u);
}

TEST_F(Fixture, ResizingKeepsTheHistory) {
  form.Form_Resize();
  for (std::size_t i = 0; i < form.perf.CpuHistory.size(); ++i) form.perf.CpuHistory[i] = static_cast<std::int16_t>(i);
  const auto saved = form.perf.CpuHistory;
  form.Form_Resize();  // minimise / restore: same size, same values
  EXPECT_EQ(form.perf.CpuHistory, saved);
  f.BrokenCPU.setSize(4100.0f, 1755.0f);
  form.Form_Resize();
  ASSERT_EQ(form.perf.CpuHistory.size(), 84u);
  for (std::size_t i = 0; i < 84; ++i) EXPECT_EQ(form.perf.CpuHistory[i], saved[i]);
  f.BrokenCPU.setSize(4125.0f, 1755.0f);
  form.Form_Resize();
  EXPECT_EQ(form.perf.CpuHistory.back(), 0);  // a new slot holds 0
}

}  // namespace
