// Switch to, end task and new task on FakeSystem windows and the in-memory form.
#include <gtest/gtest.h>

#include <string>

#include "app/ForLedra.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_system.h"
#include "platform/com_apartment.h"

namespace {

using ledra::app::ForLedra;
using ledra::fakes::FakeForm;
using ledra::fakes::FakeSystem;
using ledra::fakes::hicon;
using ledra::fakes::hwnd;
using ledra::fakes::MemoryWindow;

// Notes whether the main window was already minimised when a title was read back.
struct OrderSystem : FakeSystem {
  const MemoryWindow* main = nullptr;
  std::vector<bool> minimisedAtLookup;
  std::string getWindowText(ledra::platform::WindowHandle h, int maxUnits) override {
    minimisedAtLookup.push_back(main->isMinimized);
    return FakeSystem::getWindowText(h, maxUnits);
  }
};

struct TaskActions : ::testing::Test {
  OrderSystem sys;
  FakeForm f;
  ForLedra form{sys, f.controls};

  void SetUp() override {
    sys.main = &f.window;
    form.Form_Load();
    sys.windows = {{.handle = hwnd(1), .title = "Editor", .pid = 10, .minimized = true},
                   {.handle = hwnd(2), .title = "Twin", .pid = 20},
                   {.handle = hwnd(3), .title = "Twin", .pid = 30},
                   {.handle = hwnd(4), .title = "High", .pid = 0x80000010u}};
    for (std::uint32_t pid : {10u, 20u, 30u, 0x80000010u}) sys.processes[pid].pid = pid;
  }
  // Lists the windows as a tick does and selects the row of `h`.
  void select(std::uintptr_t h) {
    form.Timer1_Timer();
    f.ListTask.selectRow(-1);
    for (int row = 0; row < f.ListTask.rowCount(); ++row)
      if (f.ListTask.rowTag(row) == std::to_string(h)) f.ListTask.selectRow(row);
    ASSERT_GE(f.ListTask.selectedRow(), 0);
    sys.clearCalls();
    sys.minimisedAtLookup.clear();
  }
  // The row of `h` stays while its window closes before the click.
  void closeWindow(std::uintptr_t h) {
    std::erase_if(sys.windows, [&](const auto& w) { return w.handle == hwnd(h); });
    sys.clearCalls();
  }
};

TEST_F(TaskActions, SwitchToMinimisesFirstWhenAutoMinimiseIsOn) {
  select(1);
  form.Command3_Click();
  EXPECT_TRUE(f.window.isMinimized);
  EXPECT_EQ(sys.minimisedAtLookup, std::vector<bool>{true});
  EXPECT_TRUE(sys.window(hwnd(1))->restored);
  EXPECT_FALSE(sys.window(hwnd(1))->minimized);
  EXPECT_EQ(sys.calls,
            (std::vector<std::string>{"getWindowText", "isIconic", "showWindowAsync", "setForegroundWindow"}));
  EXPECT_EQ(sys.foreground, hwnd(1));
}

// Real Windows: ShowWindow on a hung program's window waits for it, and SW_RESTORE
// un-zooms a zoomed one.
TEST_F(TaskActions, SwitchToAHungZoomedWindowNeitherWaitsNorUnzoomsAndEndTaskStaysReachable) {
  sys.window(hwnd(2))->hung = true;
  sys.window(hwnd(2))->maximized = true;
  select(2);
  form.Command3_Click();
  EXPECT_EQ(sys.calls, (std::vector<std::string>{"getWindowText", "isIconic", "setForegroundWindow"}));
  EXPECT_EQ(sys.hungWaits, 0u);
  EXPECT_TRUE(sys.window(hwnd(2))->activated);
  EXPECT_TRUE(sys.window(hwnd(2))->maximized);
  form.Command2_Click();
  EXPECT_TRUE(sys.processes[20].terminated);
  EXPECT_EQ(sys.hungWaits, 0u);
}

TEST_F(TaskActions, SwitchToLeavesTheMainWindowAloneWhenAutoMinimiseIsOff) {
  form.meun_usemin_Click();
  ASSERT_FALSE(f.meun_usemin.checked());
  select(1);
  form.Command3_Click();
  EXPECT_FALSE(f.window.isMinimized);
  EXPECT_TRUE(sys.window(hwnd(1))->restored);
}

TEST_F(TaskActions, SwitchToAVanishedOrRetitledWindowStillMinimisesButShowsNothing) {
  select(1);
  closeWindow(1);
  form.Command3_Click();
  EXPECT_TRUE(f.window.isMinimized);
  EXPECT_EQ(sys.calls, std::vector<std::string>{"getWindowText"});

  select(3);
  sys.window(hwnd(3))->title = "Twin - changed";
  form.Command3_Click();
  EXPECT_FALSE(sys.window(hwnd(3))->activated);
  EXPECT_EQ(sys.count("showWindowAsync") + sys.count("setForegroundWindow"), 0u);
}

// The row's own window, whatever other windows share or once shared its title.
TEST_F(TaskActions, SwitchToTheSecondOfTwinsAndToTitlesNoLookupFinds) {
  sys.windows.push_back({.handle = hwnd(5), .title = std::string(300, 'L'), .pid = 10});
  sys.windows.push_back({.handle = hwnd(6), .title = "Left|Right", .pid = 10});
  for (std::uintptr_t h : {3u, 5u, 6u}) {
    select(h);
    EXPECT_EQ(f.ListTask.cell(f.ListTask.selectedRow(), 0), sys.window(hwnd(h))->title);  // full length
    form.Command3_Click();
    EXPECT_TRUE(sys.window(hwnd(h))->activated) << h;
  }
  EXPECT_FALSE(sys.window(hwnd(2))->activated);
}

TEST_F(TaskActions, NoSelectedRowDoesNothing) {
  f.ListTask.clearRows();
  sys.clearCalls();
  form.Command3_Click();
  form.Command2_Click();
  EXPECT_FALSE(f.window.isMinimized);
  EXPECT_TRUE(sys.calls.empty());
}

TEST_F(TaskActions, EndTaskEndsTheProcessOfTheSelectedTwin) {
  select(3);
  form.Command2_Click();
  EXPECT_TRUE(sys.processes[30].terminated);
  EXPECT_EQ(sys.processes[30].exitCode, 0u);
  EXPECT_FALSE(sys.processes[20].terminated);
  EXPECT_FALSE(sys.processes[10].terminated);
  EXPECT_TRUE(sys.openHandles.empty());
  EXPECT_TRUE(sys.messageBoxes.empty());  // nothing asked, nothing reported
  EXPECT_EQ(f.ListTask.rowCount(), 4);    // the next tick removes the row
}

TEST_F(TaskActions, EndTaskPassesAnIdWithTheTopBitSet) {
  select(4);
  form.Command2_Click();
  EXPECT_TRUE(sys.processes[0x80000010u].terminated);
}

TEST_F(TaskActions, EndTaskOnAVanishedTitleOrAFailingProcessIsSilent) {
  select(2);
  closeWindow(2);
  form.Command2_Click();
  EXPECT_EQ(sys.calls, std::vector<std::string>{"getWindowText"});
  EXPECT_FALSE(sys.processes[20].terminated);

  sys.processes[10].canTerminate = false;
  select(1);
  form.Command2_Click();
  EXPECT_FALSE(sys.processes[10].terminated);
  EXPECT_TRUE(sys.messageBoxes.empty());
  EXPECT_TRUE(sys.openHandles.empty());
}

// From Vista on, a program that stops answering is hidden behind a ghost window: its title
// with "(Not Responding)", owned by the window manager's process. The row is the ghost's;
// End task ends the hung program, never the ghost's owner.
TEST_F(TaskActions, AGhostRowEndsTheHungProgramBehindItAndSwitchesToTheGhost) {
  constexpr std::uint32_t kHung = 70, kWindowManager = 90;
  sys.windows.push_back({.handle = hwnd(7), .title = "Report - Notepad", .visible = false, .pid = kHung, .hung = true});
  sys.windows.push_back({.handle = hwnd(8),
                         .title = "Report - Notepad (Not Responding)",
                         .pid = kWindowManager,
                         .className = "Ghost",
                         .hungWindow = hwnd(7)});
  // A ghost whose hung window is gone (it just closed, or cannot be found).
  sys.windows.push_back(
      {.handle = hwnd(9), .title = "Old (Not Responding)", .pid = kWindowManager, .className = "Ghost"});
  for (std::uint32_t pid : {kHung, kWindowManager}) sys.processes[pid].pid = pid;

  // A system without the call (XP ghosts too): no End task at all, the ghost's owner least of all.
  sys.hasHungWindowFromGhostWindow = false;
  select(8);
  EXPECT_EQ(f.ListTask.cell(f.ListTask.selectedRow(), 0), "Report - Notepad (Not Responding)");
  form.Command2_Click();
  EXPECT_FALSE(sys.processes[kHung].terminated);
  EXPECT_FALSE(sys.processes[kWindowManager].terminated);
  sys.hasHungWindowFromGhostWindow = true;

  select(9);
  form.Command2_Click();
  EXPECT_EQ(sys.count("openProcess"), 0u);
  EXPECT_FALSE(sys.processes[kWindowManager].terminated);

  // Switch to brings the ghost forward, as the shell does, without waiting for the hung one.
  select(8);
  form.Command3_Click();
  EXPECT_EQ(sys.foreground, hwnd(8));
  EXPECT_FALSE(sys.window(hwnd(7))->activated);
  EXPECT_EQ(sys.hungWaits, 0u);

  select(8);
  form.Command2_Click();
  EXPECT_TRUE(sys.processes[kHung].terminated);
  EXPECT_FALSE(sys.processes[kWindowManager].terminated);
  EXPECT_EQ(sys.hungWaits, 0u);
  EXPECT_TRUE(sys.openHandles.empty());
  // An ordinary window is asked its class, and is its own task.
  select(3);
  form.Command2_Click();
  EXPECT_EQ(sys.count("hungWindowFromGhostWindow"), 0u);
  EXPECT_TRUE(sys.processes[30].terminated);
}

TEST_F(TaskActions, RunDialogOnNTAndOn9x) {
  const std::string title = "创建新任务";
  const std::string prompt = "Windows 将根据您所输入的名称，为您打开相应相应的程序、文件夹、文档或 Internet 资源。";
  form.Command1_Click();
  sys.platformId = 1;
  form.menu_run_Click();  // the menu item does the same
  ASSERT_EQ(sys.runDialogs.size(), 2u);
  for (const auto& d : sys.runDialogs) {
    EXPECT_EQ(d.owner, f.window.hwnd);
    EXPECT_EQ(d.icon, hicon(0));
    EXPECT_EQ(d.title, title);
    EXPECT_EQ(d.text, prompt);
    EXPECT_EQ(d.flags, 2u);
  }
}

// The shell's verbs and URL targets need COM on the thread that runs the Run dialog.
TEST(ComApartment, JoinsASingleThreadedApartmentAndLeavesOnlyWhatItJoined) {
  struct Case {
    std::int32_t answer;
    bool joined;
  };
  for (const Case c : {Case{0, true},                // S_OK
                       Case{1, true},                // S_FALSE: joined before, still counted
                       Case{-2147417850, false},     // RPC_E_CHANGED_MODE: another kind of apartment
                       Case{-2147467263, false}}) {  // E_NOTIMPL: no CoInitializeEx on this system
    FakeSystem sys;
    sys.coInitializeAnswer = c.answer;
    {
      const ledra::platform::ComApartment com(sys);
      EXPECT_EQ(com.joined(), c.joined) << c.answer;
      EXPECT_EQ(sys.coInitCalls, std::vector<std::uint32_t>{0x6}) << c.answer;  // apartment-threaded, no OLE 1 DDE
      EXPECT_EQ(sys.count("coUninitialize"), 0u);
    }
    EXPECT_EQ(sys.comDepth, 0) << c.answer;
    EXPECT_EQ(sys.count("coUninitialize"), c.joined ? 1u : 0u) << c.answer;
  }
}

}  // namespace
