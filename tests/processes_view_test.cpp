// The process list on the page: the NT in-place refresh and the 9x rebuild.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "app/ForLedra.h"
#include "common/number_text.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_system.h"
#include "fakes/nt_records.h"
#include "processes/decimal_sign.h"
#include "processes/process_view.h"

namespace {

using namespace ledra;
using fakes::FakeSystem;
using fakes::NtProcessRecord;
using Row = std::vector<std::string>;

constexpr std::int64_t kMs = 10000;  // 100 ns units per millisecond

NtProcessRecord rec(std::u16string name, std::uint32_t pid, std::int64_t ms, std::uint32_t workingSet = 4096,
                    std::optional<std::u16string> commandLine = std::nullopt) {
  return NtProcessRecord(std::move(name), pid, ms * kMs, 0, workingSet, 1, std::move(commandLine));
}

struct NtListView : ::testing::Test {
  FakeSystem sys;
  fakes::ControlLog log;
  fakes::MemoryListView list{"ListProcess", &log};
  processes::CommandLineCache commandLines;

  void tick(const std::vector<NtProcessRecord>& records) {
    fakes::InstallProcesses(sys, records);
    processes::updateProcessListNT(sys, list, processes::userDecimalSign(sys), &commandLines);
  }
  Row row(int r) const {
    Row cells = list.rows.at(static_cast<std::size_t>(r)).cells;
    cells.resize(6);
    return cells;
  }
  std::vector<std::string> keys() const {
    std::vector<std::string> out;
    for (const auto& r : list.rows) out.push_back(r.key);
    return out;
  }
  std::vector<std::string> tags() const {
    std::vector<std::string> out;
    for (const auto& r : list.rows) out.push_back(r.tag);
    return out;
  }
};

TEST_F(NtListView, FirstTickFillsEveryRowWithSharesOfAllTimeSoFar) {
  tick({rec(u"", 0, 90000, 0), rec(u"System", 4, 5000, 245760),
        rec(u"app.exe", 1234, 5000, 1536, u"\"C:\\app.exe\" -x")});
  EXPECT_EQ(keys(), (std::vector<std::string>{"a0", "a1", "a2"}));
  EXPECT_EQ(row(0), (Row{"System Idle Process", "0", "90", "00:01:30", "0 K", ""}));
  EXPECT_EQ(row(1), (Row{"System", "4", "05", "00:00:05", "240 K", ""}));
  EXPECT_EQ(row(2), (Row{"app.exe", "1234", "05", "00:00:05", "1.5 K", "\"C:\\app.exe\" -x"}));
  EXPECT_EQ(tags(), (std::vector<std::string>{"0 0 90000", "4 0 5000", "1234 0 5000"}));
  EXPECT_EQ(list.updateDepth, 0);
  EXPECT_EQ(list.maxUpdateDepth, 1);
  EXPECT_TRUE(sys.openHandles.empty());
}

TEST_F(NtListView, LaterTicksWriteOnlyTheCellsThatChange) {
  sys.decimalSeparator = ",";
  tick({rec(u"", 0, 90000, 0), rec(u"System", 4, 5000, 245760), rec(u"app.exe", 1234, 5000, 1536)});
  EXPECT_EQ(row(2)[4], "1,5 K");
  const int before = list.cellWrites;
  tick({rec(u"", 0, 94000, 0), rec(u"System", 4, 5000, 245760), rec(u"app.exe", 1234, 6000, 1536)});
  EXPECT_EQ(row(0), (Row{"System Idle Process", "0", "80", "00:01:34", "0 K", ""}));
  EXPECT_EQ(row(1), (Row{"System", "4", "00", "00:00:05", "240 K", ""}));
  EXPECT_EQ(row(2), (Row{"app.exe", "1234", "20", "00:00:06", "1,5 K", ""}));
  EXPECT_EQ(list.cellWrites - before, 5);  // three shares and two CPU times
}

TEST_F(NtListView, OnlyTheFirstRowNamedNullIsTheIdleProcess) {
  tick({rec(u"", 0, 10), rec(u"a.exe", 4, 10), rec(u"", 8, 10)});
  EXPECT_EQ(row(0)[0], "System Idle Process");
  EXPECT_EQ(row(2)[0], "Null");
}

TEST_F(NtListView, SharesUseTwoDigitsAtLeast) {
  tick({rec(u"", 0, 100), rec(u"a.exe", 4, 0)});
  tick({rec(u"", 0, 200), rec(u"a.exe", 4, 0)});
  EXPECT_EQ(row(0)[2], "100");
  EXPECT_EQ(row(1)[2], "00");
  tick({rec(u"", 0, 293), rec(u"a.exe", 4, 7)});
  EXPECT_EQ(row(0)[2], "93");
  EXPECT_EQ(row(1)[2], "07");
}

// Rows stay positional while processes end, start and reuse PIDs; each row's share is
// measured against that process's own previous time.
TEST_F(NtListView, SharesFollowThePidWhileProcessesEndStartAndReuseIds) {
  auto check = [&](const char* when) {
    std::set<std::string> pids;
    for (int r = 0; r < list.rowCount(); ++r) {
      const int share = std::stoi(row(r)[2]);
      EXPECT_TRUE(share >= 0 && share <= 100) << when << " row " << r << ": " << share;
      EXPECT_TRUE(pids.insert(row(r)[1]).second) << when << " PID shown twice: " << row(r)[1];
    }
  };
  tick({rec(u"", 0, 2000), rec(u"a.exe", 4, 1000), rec(u"short.exe", 8, 10), rec(u"big.exe", 12, 5000),
        rec(u"c.exe", 16, 100)});
  check("first");
  // short.exe ends: everything below it moves up a row.
  tick({rec(u"", 0, 3000), rec(u"a.exe", 4, 1000), rec(u"big.exe", 12, 5000), rec(u"c.exe", 16, 100)});
  check("second");
  EXPECT_EQ(keys(), (std::vector<std::string>{"a0", "a1", "a2", "a3"}));
  EXPECT_EQ(row(0)[2], "100");
  EXPECT_EQ(row(2), (Row{"big.exe", "12", "00", "00:00:05", "4 K", ""}));
  EXPECT_EQ(row(3)[0], "c.exe");
  // c.exe ends and its PID comes back as a new process with less time; one more starts.
  tick({rec(u"", 0, 3400), rec(u"a.exe", 4, 1100), rec(u"big.exe", 12, 5000), rec(u"d.exe", 16, 30),
        rec(u"e.exe", 24, 70)});
  check("third");
  EXPECT_EQ(row(0)[2], "80");
  EXPECT_EQ(row(1)[2], "20");
  EXPECT_EQ(row(3), (Row{"d.exe", "16", "00", "00:00:00", "4 K", ""}));
  EXPECT_EQ(row(4), (Row{"e.exe", "24", "00", "00:00:00", "4 K", ""}));
  EXPECT_EQ(list.rows[3].tag, "16 0 30");
  // e.exe's PID comes back as a new process (another creation time) with more time than
  // e.exe had: new to the list, it counts none either.
  auto reused = rec(u"f.exe", 24, 2000);
  reused.createTime = 9;
  tick({rec(u"", 0, 3500), rec(u"a.exe", 4, 1100), rec(u"big.exe", 12, 5000), rec(u"d.exe", 16, 30), reused});
  check("fourth");
  EXPECT_EQ(row(0)[2], "100");
  EXPECT_EQ(row(4)[2], "00");
  EXPECT_EQ(list.rows[4].tag, "24 9 2000");
}

TEST_F(NtListView, AHeavyProcessEndingLeavesTheOthersMeasuredAndAnIdleTickKeepsShares) {
  tick({rec(u"", 0, 1000), rec(u"a.exe", 4, 100), rec(u"heavy.exe", 8, 5000)});
  tick({rec(u"", 0, 1100), rec(u"a.exe", 4, 150)});  // the heavy process ended
  EXPECT_EQ(list.rowCount(), 2);
  EXPECT_EQ(row(0)[2], "66");
  EXPECT_EQ(row(1)[2], "33");
  const int before = list.cellWrites;
  tick({rec(u"", 0, 1100), rec(u"a.exe", 4, 150)});  // no time passed for anyone
  EXPECT_EQ(list.cellWrites, before);
  EXPECT_EQ(tags(), (std::vector<std::string>{"0 0 1100", "4 0 150"}));
  tick({rec(u"", 0, 1200), rec(u"a.exe", 4, 150)});
  EXPECT_EQ(row(0)[2], "100");
  EXPECT_EQ(row(1)[2], "00");
}

TEST_F(NtListView, TotalDeltaBelowHalfAMillisecondSkipsOnlyTheShares) {
  tick({rec(u"", 0, 1000), rec(u"a.exe", 4, 100)});
  auto later = std::vector<NtProcessRecord>{rec(u"", 0, 1000), rec(u"a.exe", 4, 100)};
  later[1].userTime += 2000;  // 0.2 ms more in total
  tick(later);
  EXPECT_EQ(row(1)[2], "09");  // the share cell keeps its text: no division by zero
  EXPECT_EQ(list.rows[1].tag, "4 0 100.2");

  // A first tick where two processes hold more than half the range each: their sum does
  // not fit, so no share is written; each keeps its own time, and nothing overflows.
  fakes::MemoryListView fresh{"ListProcess", nullptr};
  const std::int64_t half = INT64_MAX / 2 + 1;
  fakes::InstallProcesses(sys, {NtProcessRecord(u"a.exe", 4, half, 0, 4096),  //
                                NtProcessRecord(u"b.exe", 8, half, 0, 4096)});
  processes::updateProcessListNT(sys, fresh, processes::userDecimalSign(sys));
  ASSERT_EQ(fresh.rowCount(), 2);
  for (int r = 0; r < 2; ++r) {
    EXPECT_EQ(fresh.cell(r, 2), "") << r;
    EXPECT_EQ(fresh.cell(r, 3), common::cpuTimeText(half)) << r;
  }
}

TEST_F(NtListView, FailedEnumerationEmptiesTheListAndTheNextTickCountsAllTimeSoFar) {
  tick({rec(u"", 0, 500), rec(u"a.exe", 4, 100)});
  sys.failingSystemInformation.insert(5);
  processes::updateProcessListNT(sys, list, processes::userDecimalSign(sys));
  EXPECT_EQ(list.rowCount(), 0);
  sys.failingSystemInformation.clear();
  tick({rec(u"", 0, 99), rec(u"a.exe", 4, 1)});
  EXPECT_EQ(row(0)[2], "99");
  EXPECT_EQ(row(1)[2], "01");
}

TEST_F(NtListView, RowsComeAndGoOnlyAtTheEnd) {
  tick({rec(u"", 0, 10), rec(u"a.exe", 4, 10)});
  tick({rec(u"", 0, 20), rec(u"a.exe", 4, 10), rec(u"b.exe", 8, 10), rec(u"c.exe", 12, 10)});
  EXPECT_EQ(keys(), (std::vector<std::string>{"a0", "a1", "a2", "a3"}));
  log.clear();
  tick({rec(u"", 0, 100)});
  EXPECT_EQ(keys(), (std::vector<std::string>{"a0"}));
  EXPECT_EQ(std::count(log.begin(), log.end(), "ListProcess.removeRow"), 3);
  tick({rec(u"", 0, 200), rec(u"x.exe", 40, 10), rec(u"y.exe", 44, 10)});
  EXPECT_EQ(keys(), (std::vector<std::string>{"a0", "a1", "a2"}));
  EXPECT_EQ(row(2)[0], "y.exe");
}

TEST_F(NtListView, SelectionFollowsTheProcessItShowed) {
  tick({rec(u"", 0, 1000), rec(u"a.exe", 4, 100), rec(u"b.exe", 8, 50), rec(u"c.exe", 12, 500)});
  list.selectRow(3);                                                         // c.exe
  tick({rec(u"", 0, 2000), rec(u"a.exe", 4, 110), rec(u"c.exe", 12, 510)});  // b.exe ended
  EXPECT_EQ(list.selected, 2);
  EXPECT_EQ(row(2)[1], "12");

  list.selectRow(1);  // a.exe ends: nothing shows it any more
  tick({rec(u"", 0, 3000), rec(u"c.exe", 12, 520)});
  EXPECT_EQ(list.selected, -1);

  list.selectRow(1);  // unchanged rows keep the selection
  tick({rec(u"", 0, 4000), rec(u"c.exe", 12, 530)});
  EXPECT_EQ(list.selected, 1);

  // c.exe ends and a new process of that name gets its PID, in the same row: the
  // creation time tells it from the one chosen.
  auto restarted = rec(u"c.exe", 12, 530);
  restarted.createTime = 7;
  tick({rec(u"", 0, 5000), restarted});
  EXPECT_EQ(list.selected, -1);
  list.selectRow(1);  // chosen now, it is followed as before
  tick({rec(u"", 0, 6000), rec(u"b.exe", 8, 10), restarted});
  EXPECT_EQ(list.selected, 2);
}

// A command line is read once per process: again only when its PID is reused by a new
// process (another creation time), and a process that ended is forgotten.
TEST_F(NtListView, CommandLinesAreReadOncePerProcess) {
  auto app = [](std::uint64_t created, std::u16string line) {
    NtProcessRecord r = rec(u"app.exe", 8, 10, 4096, std::move(line));
    r.createTime = created;
    return r;
  };
  auto opens = [&] { return std::count(sys.calls.begin(), sys.calls.end(), "openProcess"); };
  tick({app(100, u"app.exe -first")});
  EXPECT_EQ(row(0)[5], "app.exe -first");
  sys.clearCalls();
  tick({app(100, u"app.exe -first")});
  EXPECT_EQ(opens(), 0);
  EXPECT_EQ(row(0)[5], "app.exe -first");

  tick({app(200, u"app.exe -second")});
  EXPECT_EQ(opens(), 1);
  EXPECT_EQ(row(0)[5], "app.exe -second");

  tick({rec(u"other.exe", 12, 10, 4096, u"other.exe")});  // app.exe ended
  EXPECT_EQ(commandLines.size(), 1u);
  tick({app(200, u"app.exe -third")});
  EXPECT_EQ(row(0)[5], "app.exe -third");

  // The PID goes to another image in the same clock tick: a new process all the same.
  NtProcessRecord other = rec(u"other.exe", 8, 10, 4096, u"other.exe -o");
  other.createTime = 200;
  tick({other});
  EXPECT_EQ(row(0)[5], "other.exe -o");

  // A line that could not be read yet is asked for again on the next tick.
  NtProcessRecord late = rec(u"late.exe", 30, 10);
  late.createTime = 300;
  tick({late});
  EXPECT_EQ(row(0)[5], "");
  late.commandLine = u"late.exe -l";
  tick({late});
  EXPECT_EQ(row(0)[5], "late.exe -l");

  // Below the first row each process is known by its own creation time too.
  tick({rec(u"", 0, 10), app(400, u"app.exe -fourth")});
  EXPECT_EQ(row(1)[5], "app.exe -fourth");
  tick({rec(u"", 0, 10), app(500, u"app.exe -fifth")});
  EXPECT_EQ(row(1)[5], "app.exe -fifth");
}

// A refusal lasts the process's life: a process that denies the open for its details is
// not asked again until its PID belongs to another process. Any other failure (a process
// not there, one still starting whose memory holds no parameters yet) is asked again.
TEST_F(NtListView, ADeniedCommandLineIsAskedOnceAndOtherFailuresAgain) {
  auto at = [](std::u16string name, std::uint32_t pid, std::uint64_t created,
               std::optional<std::u16string> line = std::nullopt) {
    NtProcessRecord r = rec(std::move(name), pid, 10, 4096, std::move(line));
    r.createTime = created;
    return r;
  };
  const std::vector<NtProcessRecord> records = {
      at(u"", 0, 0),                                            // the idle process: no process to open
      at(u"services.exe", 8, 1, u"C:\\Windows\\services.exe"),  // refuses memory reads (Windows 7)
      at(u"lsass.exe", 12, 1, u"C:\\Windows\\lsass.exe"),       // refuses every right asked (XP)
      at(u"elevated.exe", 16, 1, u"C:\\x\\elevated.exe -q"),    // refuses memory reads, 8.1 answers
      at(u"starting.exe", 20, 1, u"C:\\x\\starting.exe")};      // no parameters in its memory yet
  fakes::InstallProcesses(sys, records);
  sys.processes[8].deniedAccess = 0x410;
  sys.processes[12].deniedAccess = 0x1410;
  sys.processes[16].deniedAccess = 0x410;
  fakes::SetCommandLineInformation(sys.processes[16], u"C:\\x\\elevated.exe -q");
  auto& starting = sys.processes[20];
  const auto parameters = starting.memory;
  starting.memory.clear();

  auto opens = [&](std::uint32_t pid) {
    return std::count_if(sys.openCalls.begin(), sys.openCalls.end(), [&](const auto& c) { return c.pid == pid; });
  };
  // A tick on the processes as installed (the fixture's tick would install them afresh).
  auto tickAsIs = [&] {
    sys.openCalls.clear();
    processes::updateProcessListNT(sys, list, processes::userDecimalSign(sys), &commandLines);
  };
  tickAsIs();
  EXPECT_EQ(row(1)[5], "");
  EXPECT_EQ(row(2)[5], "");
  EXPECT_EQ(row(3)[5], "C:\\x\\elevated.exe -q");
  EXPECT_EQ(row(4)[5], "");
  for (std::uint32_t pid : {8u, 12u, 16u}) EXPECT_EQ(opens(pid), 3) << pid;
  EXPECT_EQ(opens(0), 0);  // every open of it fails, on every tick
  EXPECT_EQ(opens(20), 1);

  // The next tick asks only the processes that did not refuse and gave nothing.
  starting.memory = parameters;  // started meanwhile
  tickAsIs();
  for (std::uint32_t pid : {0u, 8u, 12u, 16u}) EXPECT_EQ(opens(pid), 0) << pid;
  EXPECT_EQ(opens(20), 1);
  EXPECT_EQ(row(4)[5], "C:\\x\\starting.exe");
  tickAsIs();
  EXPECT_TRUE(sys.openCalls.empty());
  EXPECT_TRUE(sys.openHandles.empty());

  // services.exe ends, and its PID goes to a process this user may read: asked at once.
  std::vector<NtProcessRecord> later = records;
  later[1] = at(u"services.exe", 8, 2, u"C:\\Users\\me\\services.exe");
  fakes::InstallProcesses(sys, later);
  sys.processes[8].deniedAccess = 0;
  tickAsIs();
  EXPECT_EQ(opens(8), 1);
  EXPECT_EQ(row(1)[5], "C:\\Users\\me\\services.exe");
}

// ---- 9x ---------------------------------------------------------------------------------

TEST(ProcessList9xView, RebuildShowsNamesHexIdsAndPaths) {
  fakes::MemoryListView list{"ListProcess", nullptr};
  list.addRow("old", "old", 0, 0);
  processes::rebuildProcessList9x(
      list, "0|[System Process]|-1|C:\\WINDOWS\\EXPLORER.EXE|-327679|C:\\WINDOWS\\SYSTEM\\MPREXE.EXE|1234|a.exe|", ".");
  ASSERT_EQ(list.rowCount(), 4);
  EXPECT_EQ(list.rows[0].cells, (Row{"[System Process]", "0", "[System Process]"}));
  EXPECT_EQ(list.rows[1].cells, (Row{"EXPLORER.EXE", "&HFFFFFFFF", "C:\\WINDOWS\\EXPLORER.EXE"}));
  EXPECT_EQ(list.rows[2].cells, (Row{"MPREXE.EXE", "&HFFFB0001", "C:\\WINDOWS\\SYSTEM\\MPREXE.EXE"}));
  EXPECT_EQ(list.rows[3].cells, (Row{"a.exe", "1234", "a.exe"}));
  EXPECT_EQ(list.rows[3].key, "a3");
  processes::rebuildProcessList9x(list, "", ".");
  EXPECT_EQ(list.rowCount(), 0);
}

// ---- wired into the tick ------------------------------------------------------------------

struct ProcessesPage : ::testing::Test {
  FakeSystem sys;
  fakes::FakeForm f;
  app::ForLedra form{sys, f.controls};
};

TEST_F(ProcessesPage, NtTickFillsTheListAndCountsItsRows) {
  fakes::InstallProcesses(sys, {rec(u"", 0, 1000), rec(u"a.exe", 4, 100, 4096, u"a.exe /x"), rec(u"b.exe", 8, 50)});
  form.Form_Load();
  form.Timer1_Timer();
  EXPECT_EQ(f.ListProcess.rowCount(), 3);
  EXPECT_EQ(f.ListProcess.cell(1, 5), "a.exe /x");
  EXPECT_EQ(f.StatusBar1.panelText(1), "进程数: 3");
  EXPECT_TRUE(sys.openHandles.empty());
}

TEST_F(ProcessesPage, On9xAnUnchangedListLeavesRowsAndSelectionAlone) {
  sys.platformId = 1;
  sys.toolhelpEntries = {fakes::ProcessEntry32(0xFFFFFFFFu, "C:\\WINDOWS\\EXPLORER.EXE"),
                         fakes::ProcessEntry32(0xFFFF1234u, "C:\\WINDOWS\\TASKMON.EXE")};
  form.Form_Load();
  form.Timer1_Timer();
  ASSERT_EQ(f.ListProcess.rowCount(), 2);
  EXPECT_EQ(f.ListProcess.cell(0, 1), "&HFFFFFFFF");
  EXPECT_EQ(f.StatusBar1.panelText(1), "进程数: 2");
  f.ListProcess.selectRow(1);
  f.log.clear();
  form.Timer1_Timer();
  EXPECT_EQ(std::count(f.log.begin(), f.log.end(), "ListProcess.clearRows"), 0);
  EXPECT_EQ(f.ListProcess.selected, 1);
  sys.toolhelpEntries.pop_back();
  form.Timer1_Timer();
  EXPECT_EQ(std::count(f.log.begin(), f.log.end(), "ListProcess.clearRows"), 1);
  EXPECT_EQ(f.ListProcess.rowCount(), 1);
  EXPECT_EQ(form.LastProcessList9x, "-1|C:\\WINDOWS\\EXPLORER.EXE|");
  EXPECT_TRUE(sys.openHandles.empty());
}

}  // namespace
