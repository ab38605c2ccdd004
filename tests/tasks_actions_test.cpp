// Switch to, end task and new task on FakeSystem windows and the in-memory form.
#include <gtest/gtest.h>

#include <string>

#include "app/ForLedra.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_system.h"

namespace {

using ledra::app::ForLedra;
using ledra::fakes::FakeForm;
using ledra::fakes::FakeSystem;
using ledra::fakes::MemoryWindow;

// Notes whether the main window was already minimised when a title was looked up.
struct OrderSystem : FakeSystem {
  const MemoryWindow* main = nullptr;
  std::vector<bool> minimisedAtLookup;
  ledra::platform::WindowHandle findWindow(std::string_view title) override {
    minimisedAtLookup.push_back(main->minimized);
    return FakeSystem::findWindow(title);
  }
};

struct TaskActions : ::testing::Test {
  OrderSystem sys;
  FakeForm f;
  ForLedra form{sys, f.controls};

  void SetUp() override {
    sys.main = &f.window;
    sys.windows = {{.handle = 1, .title = "Editor", .pid = 10, .minimized = true},
                   {.handle = 2, .title = "Twin", .pid = 20},
                   {.handle = 3, .title = "Twin", .pid = 30},
                   {.handle = 4, .title = "High", .pid = 0x80000010u}};
    for (std::uint32_t pid : {10u, 20u, 30u, 0x80000010u}) sys.processes[pid].pid = pid;
  }
  void select(const std::string& title) {
    f.ListTask.clearRows();
    f.ListTask.addRow("a0", title, 1, 1);
    f.ListTask.selectRow(0);
    sys.clearCalls();
  }
};

TEST_F(TaskActions, SwitchToMinimisesFirstWhenAutoMinimiseIsOn) {
  select("Editor");
  form.Command3_Click();
  EXPECT_TRUE(f.window.minimized);
  EXPECT_EQ(sys.minimisedAtLookup, std::vector<bool>{true});
  EXPECT_TRUE(sys.window(1)->restored);
  EXPECT_FALSE(sys.window(1)->minimized);
  EXPECT_EQ(sys.calls, (std::vector<std::string>{"findWindow", "showWindow"}));
}

TEST_F(TaskActions, SwitchToLeavesTheMainWindowAloneWhenAutoMinimiseIsOff) {
  form.meun_usemin_Click();
  ASSERT_FALSE(f.meun_usemin.checked());
  select("Editor");
  form.Command3_Click();
  EXPECT_FALSE(f.window.minimized);
  EXPECT_TRUE(sys.window(1)->restored);
}

TEST_F(TaskActions, SwitchToAVanishedTitleStillMinimises) {
  select("Closed meanwhile");
  form.Command3_Click();
  EXPECT_TRUE(f.window.minimized);
  EXPECT_EQ(sys.calls, std::vector<std::string>{"findWindow"});
}

TEST_F(TaskActions, NoSelectedRowDoesNothing) {
  f.ListTask.clearRows();
  sys.clearCalls();
  form.Command3_Click();
  form.Command2_Click();
  EXPECT_FALSE(f.window.minimized);
  EXPECT_TRUE(sys.calls.empty());
}

TEST_F(TaskActions, EndTaskEndsTheProcessOfTheFirstWindowWithThatTitle) {
  select("Twin");
  form.Command2_Click();
  EXPECT_TRUE(sys.processes[20].terminated);
  EXPECT_EQ(sys.processes[20].exitCode, 0u);
  EXPECT_FALSE(sys.processes[30].terminated);
  EXPECT_FALSE(sys.processes[10].terminated);
  EXPECT_TRUE(sys.openHandles.empty());
  EXPECT_TRUE(sys.messageBoxes.empty());  // nothing asked, nothing reported
  EXPECT_EQ(f.ListTask.rowCount(), 1);    // the next tick removes the row
}

TEST_F(TaskActions, EndTaskPassesAnIdWithTheTopBitSet) {
  select("High");
  form.Command2_Click();
  EXPECT_TRUE(sys.processes[0x80000010u].terminated);
}

TEST_F(TaskActions, EndTaskOnAVanishedTitleOrAFailingProcessIsSilent) {
  select("Closed meanwhile");
  form.Command2_Click();
  EXPECT_EQ(sys.calls, std::vector<std::string>{"findWindow"});

  sys.processes[10].canTerminate = false;
  select("Editor");
  form.Command2_Click();
  EXPECT_FALSE(sys.processes[10].terminated);
  EXPECT_TRUE(sys.messageBoxes.empty());
  EXPECT_TRUE(sys.openHandles.empty());
}

TEST_F(TaskActions, RunDialogOnNTAndOn9x) {
  const std::string title = "创建新任务";
  const std::string prompt =
      "Windows 将根据您所输入的名称，为您打开相应相应的程序、文件夹、文档或 Internet 资源。";
  form.Command1_Click();
  sys.platformId = 1;
  form.menu_run_Click();  // the menu item does the same
  ASSERT_EQ(sys.runDialogs.size(), 2u);
  for (const auto& d : sys.runDialogs) {
    EXPECT_EQ(d.owner, f.window.hwnd);
    EXPECT_EQ(d.icon, 0u);
    EXPECT_EQ(d.title, title);
    EXPECT_EQ(d.text, prompt);
    EXPECT_EQ(d.flags, 2u);
  }
  EXPECT_TRUE(sys.runDialogs[0].wide);
  EXPECT_FALSE(sys.runDialogs[1].wide);
}

}  // namespace
