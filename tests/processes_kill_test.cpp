// Ending a process: KillProcessByPID and the button on the Processes page.
#include <gtest/gtest.h>

#include "app/ForLedra.h"
#include "common/text.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_system.h"
#include "fakes/nt_records.h"
#include "processes/kill_process.h"

namespace {

using namespace ledra;
using fakes::FakeSystem;
using processes::KillProcessByPID;

FakeSystem::Process& addProcess(FakeSystem& sys, std::uint32_t pid) {
  auto& p = sys.processes[pid];
  p.pid = pid;
  p.exitCode = 259;  // still active
  return p;
}

// A system from before the break-on-termination flag that answers its query with
// "invalid information class" rather than "not implemented".
struct NoFlagClassSystem : FakeSystem {
  std::int32_t ntQueryInformationProcess(platform::Handle process, std::uint32_t infoClass, platform::Bytes buffer,
                                         std::uint32_t* returnLength) override {
    if (infoClass == 29) return platform::kStatusInvalidInfoClass;
    return FakeSystem::ntQueryInformationProcess(process, infoClass, buffer, returnLength);
  }
};

TEST(KillProcessByPID, DecimalHexadecimalAndBlankLedTexts) {
  FakeSystem sys;
  for (std::uint32_t pid : {1234u, 1235u, 1236u, 0xFFFFFFFEu, 12u}) addProcess(sys, pid);
  EXPECT_EQ(KillProcessByPID(sys, "1234"), 1);
  EXPECT_EQ(sys.openCalls.back(), (FakeSystem::OpenCall{.access = 1, .inherit = true, .pid = 1234}));
  EXPECT_EQ(KillProcessByPID(sys, "&H4D3"), 1);
  EXPECT_EQ(KillProcessByPID(sys, " \t\n1236 "), 1);
  EXPECT_EQ(KillProcessByPID(sys, "&HFFFFFFFE"), 1);
  EXPECT_EQ(KillProcessByPID(sys, "12.4"), 1);  // rounded
  for (std::uint32_t pid : {1234u, 1235u, 1236u, 0xFFFFFFFEu, 12u}) {
    EXPECT_TRUE(sys.processes[pid].terminated) << pid;
    EXPECT_EQ(sys.processes[pid].exitCode, 0u) << pid;
  }
  EXPECT_TRUE(sys.openHandles.empty());
}

TEST(KillProcessByPID, NoNumberVanishedOrProtectedProcessGivesZero) {
  FakeSystem sys;
  addProcess(sys, 0);
  addProcess(sys, 50).canTerminate = false;
  sys.processes[0].canOpen = false;
  EXPECT_EQ(KillProcessByPID(sys, "abc"), 0);  // reads as 0
  EXPECT_EQ(KillProcessByPID(sys, ""), 0);
  EXPECT_EQ(KillProcessByPID(sys, "777"), 0);          // no such process
  EXPECT_EQ(KillProcessByPID(sys, "50"), 0);           // refuses to end
  EXPECT_EQ(KillProcessByPID(sys, "99999999999"), 0);  // not a 32-bit id
  EXPECT_TRUE(sys.openHandles.empty());
}

TEST(KillProcessByPID, CriticalProcessesAreRefusedOnNtOnly) {
  FakeSystem sys;
  fakes::SetBreakOnTermination(addProcess(sys, 600), 1);
  fakes::SetBreakOnTermination(addProcess(sys, 601), 0);
  addProcess(sys, 602);  // the query answers "not implemented"
  EXPECT_EQ(KillProcessByPID(sys, "600"), 0);
  EXPECT_FALSE(sys.processes[600].terminated);
  EXPECT_EQ(KillProcessByPID(sys, "601"), 1);
  EXPECT_EQ(KillProcessByPID(sys, "602"), 1);
  EXPECT_TRUE(sys.openHandles.empty());

  // The least right first; refused answers and unaskable processes fail closed.
  fakes::SetBreakOnTermination(addProcess(sys, 604), 0);
  sys.processes[604].deniedInformation = {29};
  fakes::SetBreakOnTermination(addProcess(sys, 605), 0);
  sys.processes[605].deniedAccess = 0x1000;  // a system from before the limited right
  fakes::SetBreakOnTermination(addProcess(sys, 606), 1);
  sys.processes[606].deniedAccess = 0x400;
  fakes::SetBreakOnTermination(addProcess(sys, 607), 0);
  sys.processes[607].deniedAccess = 0x1400;
  // A kernel that answers the flag only to the full right: asked again with it.
  fakes::SetBreakOnTermination(addProcess(sys, 608), 0);
  sys.processes[608].fullRightInformation = {29};
  fakes::SetBreakOnTermination(addProcess(sys, 609), 1);
  sys.processes[609].fullRightInformation = {29};
  const std::pair<std::uint32_t, std::int32_t> expected[] = {{604, 0}, {605, 1}, {606, 0},
                                                             {607, 0}, {608, 1}, {609, 0}};
  for (const auto& [pid, result] : expected) {
    EXPECT_EQ(KillProcessByPID(sys, std::to_string(pid)), result) << pid;
    EXPECT_EQ(sys.processes[pid].terminated, result != 0) << pid;
  }
  EXPECT_TRUE(sys.openHandles.empty());

  NoFlagClassSystem older;
  addProcess(older, 608);
  EXPECT_EQ(KillProcessByPID(older, "608"), 1);
  EXPECT_TRUE(older.processes[608].terminated);

  sys.platformId = 1;  // 9x: no native query is made
  fakes::SetBreakOnTermination(addProcess(sys, 603), 1);
  sys.clearCalls();
  EXPECT_EQ(KillProcessByPID(sys, "603"), 1);
  EXPECT_EQ(sys.count("ntQueryInformationProcess"), 0u);
}

struct EndProcessButton : ::testing::Test {
  FakeSystem sys;
  fakes::FakeForm f;
  app::ForLedra form{sys, f.controls};

  std::vector<fakes::NtProcessRecord> running;  // what the OS lists now
  void addRow(std::string name, std::string pid) {
    const int row = f.ListProcess.rowCount();
    f.ListProcess.addRow("a" + std::to_string(row), name, 0, 0);
    f.ListProcess.setCell(row, 1, pid);
    run(name, static_cast<std::uint32_t>(std::stoul(pid)));
  }
  void run(const std::string& name, std::uint32_t pid) {
    running.emplace_back(common::utf8ToUtf16(name), pid, 0, 0, 4096);
    fakes::InstallProcesses(sys, running);
  }
  std::vector<std::string> messages() const {
    std::vector<std::string> out;
    for (const auto& m : sys.messageBoxes) out.push_back(m.text);
    return out;
  }
};

TEST_F(EndProcessButton, EndsTheSelectedProcessSilently) {
  addProcess(sys, 4);
  addProcess(sys, 1234);
  addRow("System", "4");
  addRow("app.exe", "1234");
  f.ListProcess.selectRow(1);
  form.ComKillTask_Click();
  EXPECT_TRUE(sys.processes[1234].terminated);
  EXPECT_FALSE(sys.processes[4].terminated);
  EXPECT_TRUE(sys.messageBoxes.empty());
  EXPECT_EQ(f.ListProcess.focusCount, 1);
  EXPECT_EQ(f.ListProcess.rowCount(), 2);  // the next tick removes the row
}

TEST_F(EndProcessButton, HexIdsOf9xRowsAreRead) {
  sys.platformId = 1;
  addProcess(sys, 0xFFFB0001u);
  f.ListProcess.addRow("a0", "MPREXE.EXE", 0, 0);
  f.ListProcess.setCell(0, 1, "&HFFFB0001");
  sys.toolhelpEntries = {fakes::ProcessEntry32(0xFFFB0001u, "C:\\WINDOWS\\SYSTEM\\MPREXE.EXE")};
  f.ListProcess.selectRow(0);
  form.ComKillTask_Click();
  EXPECT_TRUE(sys.processes[0xFFFB0001u].terminated);
  EXPECT_TRUE(sys.messageBoxes.empty());
}

TEST_F(EndProcessButton, ProtectedNameInAnyCaseIsRefusedWithTheMessage) {
  addProcess(sys, 20);
  addProcess(sys, 21);
  addRow("KERNEL32.DLL", "20");
  addRow("c:\\windows\\system\\Kernel32.Dll", "21");
  f.ListProcess.selectRow(0);
  form.ComKillTask_Click();
  f.ListProcess.selectRow(1);
  form.ComKillTask_Click();
  EXPECT_FALSE(sys.processes[20].terminated);
  EXPECT_FALSE(sys.processes[21].terminated);
  EXPECT_EQ(sys.count("openProcess"), 0u);
  EXPECT_EQ(messages(), (std::vector<std::string>{"\u201CKERNEL32.DLL\u201D不能被终止！",
                                                  "\u201Cc:\\windows\\system\\Kernel32.Dll\u201D不能被终止！"}));
  ASSERT_EQ(sys.messageBoxes.size(), 2u);
  EXPECT_EQ(sys.messageBoxes[0].owner, f.window.hwnd);
  EXPECT_EQ(sys.messageBoxes[0].caption, "Windows Ledra");
  EXPECT_EQ(sys.messageBoxes[0].type, 0x10u);
  EXPECT_EQ(f.ListProcess.focusCount, 2);
}

// A row kept while the list was paused: its id may now belong to another program.
TEST_F(EndProcessButton, AStaleRowWhosePidNowNamesAnotherImageEndsNothing) {
  addProcess(sys, 1234);
  addProcess(sys, 1300);
  addRow("app.exe", "1234");
  addRow("EDITOR.EXE", "1300");
  running = {};
  run("other.exe", 1234);  // app.exe ended, its id went to another program
  run("editor.exe", 1300);
  f.ListProcess.selectRow(0);
  form.ComKillTask_Click();
  EXPECT_FALSE(sys.processes[1234].terminated);
  EXPECT_EQ(messages(), std::vector<std::string>{"\u201Capp.exe\u201D不能被终止！"});
  f.ListProcess.selectRow(1);  // the same image in another letter case
  form.ComKillTask_Click();
  EXPECT_TRUE(sys.processes[1300].terminated);

  sys.platformId = 1;
  addProcess(sys, 77);
  sys.toolhelpEntries = {fakes::ProcessEntry32(77, "C:\\WINDOWS\\NEW.EXE")};
  f.ListProcess.addRow("a2", "OLD.EXE", 0, 0);
  f.ListProcess.setCell(2, 1, "77");
  f.ListProcess.selectRow(2);
  form.ComKillTask_Click();
  EXPECT_FALSE(sys.processes[77].terminated);
  EXPECT_EQ(messages().size(), 2u);

  // A name the new image only begins with is not the same image.
  f.ListProcess.setCell(2, 0, "note.exe");
  sys.toolhelpEntries = {fakes::ProcessEntry32(77, "C:\\WINDOWS\\NOTE.EXE2")};
  form.ComKillTask_Click();
  EXPECT_FALSE(sys.processes[77].terminated);
  sys.platformId = 2;
  addProcess(sys, 1400);
  f.ListProcess.addRow("a3", "note.exe", 0, 0);
  f.ListProcess.setCell(3, 1, "1400");
  run("note.exe.bak", 1400);
  f.ListProcess.selectRow(3);
  form.ComKillTask_Click();
  EXPECT_FALSE(sys.processes[1400].terminated);
  EXPECT_EQ(messages().size(), 4u);
  EXPECT_TRUE(sys.openHandles.empty());
}

TEST_F(EndProcessButton, FailuresShowTheMessageAndFocusReturns) {
  addRow("gone.exe", "777");  // ended since the last tick
  running.clear();
  addProcess(sys, 5).canOpen = false;
  addRow("csrss.exe", "5");  // access denied
  fakes::SetBreakOnTermination(addProcess(sys, 6), 1);
  addRow("wininit.exe", "6");  // critical

  form.ComKillTask_Click();  // nothing selected
  for (int row = 0; row < 3; ++row) {
    f.ListProcess.selectRow(row);
    form.ComKillTask_Click();
  }
  EXPECT_EQ(messages(),
            (std::vector<std::string>{"\u201C\u201D不能被终止！", "\u201Cgone.exe\u201D不能被终止！",
                                      "\u201Ccsrss.exe\u201D不能被终止！", "\u201Cwininit.exe\u201D不能被终止！"}));
  EXPECT_FALSE(sys.processes[6].terminated);
  EXPECT_EQ(f.ListProcess.focusCount, 4);
  EXPECT_TRUE(sys.openHandles.empty());
}

}  // namespace
