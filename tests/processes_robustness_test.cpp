// Malformed records and long runs with processes coming and going: never a read
// outside a buffer (AddressSanitizer watches), never a hang, every handle closed.
#include <gtest/gtest.h>

#include <random>

#include "app/ForLedra.h"
#include "common/byte_reader.h"
#include "common/number_text.h"
#include "common/text.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_system.h"
#include "fakes/nt_records.h"
#include "processes/decimal_sign.h"
#include "processes/process_details.h"
#include "processes/process_list_9x.h"
#include "processes/process_list_nt.h"
#include "processes/process_view.h"
#include "soak.h"

namespace {

using namespace ledra;
using fakes::FakeSystem;
using fakes::NtProcessRecord;

std::vector<NtProcessRecord> sampleRecords() {
  return {NtProcessRecord(u"", 0, 0, 90'000'000, 0, 1), NtProcessRecord(u"System", 4, 0, 5'000'000, 245760, 40),
          NtProcessRecord(u"smss.exe", 356, 1000, 2000, 400000, 3, u"\\SystemRoot\\System32\\smss.exe"),
          NtProcessRecord(u"explorer.exe", 1500, 123456, 65432, 0x80000000u, 12, u"C:\\Windows\\explorer.exe"),
          NtProcessRecord(u"\u8BB0\u4E8B\u672C.exe", 2000, 10, 10, 8192, 1, u"notepad a.txt")};
}

TEST(MalformedRecords, RandomlyMutatedChainsAreWalkedSafely) {
  std::mt19937 random(20240607);
  const auto valid = fakes::BuildProcessChain(sampleRecords());
  for (int iteration = 0; iteration < test::Rounds(4000); ++iteration) {
    auto chain = valid;
    auto& b = chain.bytes;
    const int mutations = 1 + static_cast<int>(random() % 4);
    for (int m = 0; m < mutations; ++m) {
      const std::size_t record = chain.records[random() % chain.records.size()];
      switch (random() % 7) {
        case 0:  // NextEntryOffset: small, huge, or anywhere in the buffer
          common::putU32(b, record,
                         random() % 3 == 0 ? random() : static_cast<std::uint32_t>(random() % (b.size() + 64)));
          break;
        case 1:  // name Length, including negative and odd values
          common::putU16(b, record + 56, static_cast<std::uint16_t>(random()));
          break;
        case 2:  // name Buffer near the buffer, or a raw address
          common::putU32(b, record + 60,
                         random() % 2 ? static_cast<std::uint32_t>(random() % (b.size() + 256)) - 128u : random());
          break;
        case 3:  // cut the buffer anywhere (an empty answer is a success to the sizing call)
          b.resize(1 + random() % b.size());
          break;
        case 4:  // flip bytes
          for (int k = 0; k < 8 && !b.empty(); ++k) b[random() % b.size()] = static_cast<std::byte>(random());
          break;
        case 5:  // a name full of separators and NULs
          common::putU16(b, record + 56, 64);
          break;
        default:  // times that overflow when summed
          common::putU64(b, record + 40, 0x7FFFFFFFFFFFFFFFull);
          common::putU64(b, record + 48, 0x7FFFFFFFFFFFFFFFull);
          break;
      }
    }
    FakeSystem sys;
    fakes::InstallProcessChain(sys, chain);
    const std::string list = processes::GetProcessListNT(sys, processes::userDecimalSign(sys));
    ASSERT_FALSE(list.empty());
    fakes::MemoryListView view{"ListProcess", nullptr};
    processes::updateProcessListNT(sys, view, processes::userDecimalSign(sys));
    processes::updateProcessListNT(sys, view, processes::userDecimalSign(sys));
    const auto pieces = common::split(processes::GetProcessListNT(sys, processes::userDecimalSign(sys)), '|');
    EXPECT_EQ(view.rowCount(), static_cast<int>((pieces.size() - 1) / 4));
    EXPECT_TRUE(sys.openHandles.empty());
  }
}

TEST(MalformedRecords, RandomProcessMemoryAndToolhelpEntries) {
  std::mt19937 random(7);
  for (int iteration = 0; iteration < test::Rounds(2000); ++iteration) {
    FakeSystem sys;
    auto& p = sys.processes[40];
    p.pid = 40;
    fakes::CommandLineLayout layout;
    if (random() % 2) layout.length = static_cast<std::uint16_t>(random());
    if (random() % 4 == 0) layout.text = random();
    fakes::SetCommandLine(p, u"C:\\app.exe -x", layout);
    if (random() % 4 == 0) common::putU32(p.memory[layout.peb], 16, random());
    if (random() % 4 == 0) common::putU32(p.information[0], 4, random());
    fakes::SetImageFileName(p, u"\\??\\C:\\app.exe");
    if (random() % 2) common::putU32(p.information[27], 4, random());
    if (random() % 2) p.information[27].resize(1 + random() % 40);
    (void)processes::GetProcessImagePath(sys, 40);
    (void)processes::GetProcessCommandLine(sys, 40);
    EXPECT_TRUE(sys.openHandles.empty());

    std::vector<std::byte> entry(296);
    for (auto& byte : entry) byte = static_cast<std::byte>(random());
    common::putU32(entry, 0, 296);
    sys.toolhelpEntries = {entry, fakes::ProcessEntry32(random(), "C:\\X.EXE")};
    const std::string list = processes::GetProcessList9x(sys);
    fakes::MemoryListView view{"ListProcess", nullptr};
    processes::rebuildProcessList9x(view, list, ".");
    EXPECT_GE(view.rowCount(), 2);  // a stray "|" in a random name only adds rows
    EXPECT_TRUE(sys.openHandles.empty());
  }
}

// A machine whose processes start and exit between ticks while the page refreshes and
// the user ends processes now and then.
TEST(Churn, ThousandTicksCloseEveryHandleAndEndInStep) {
  std::mt19937 random(99);
  FakeSystem sys;
  fakes::FakeForm f;
  app::ForLedra form{sys, f.controls};
  form.Form_Load();
  std::vector<NtProcessRecord> running = sampleRecords();
  std::uint32_t nextPid = 3000;
  for (int tick = 0; tick < test::Rounds(1000); ++tick) {
    if (random() % 3 == 0) {  // a process starts
      const std::uint32_t pid = nextPid += 4;
      std::u16string line = u"worker.exe --job=" + common::utf8ToUtf16(std::to_string(pid));
      running.emplace_back(u"worker.exe", pid, 0, 0, 4096 * (1 + random() % 500), 2, line);
    }
    if (running.size() > 3 && random() % 3 == 0) running.erase(running.begin() + 2 + random() % (running.size() - 2));
    for (auto& r : running) r.userTime += random() % 50000;
    // Processes the user ended are gone at the next enumeration.
    std::erase_if(running, [&](const NtProcessRecord& r) {
      return sys.processes.count(r.pid) && sys.processes[r.pid].terminated;
    });
    sys.processes.clear();
    fakes::InstallProcesses(sys, running);
    form.Timer1_Timer();
    ASSERT_TRUE(sys.openHandles.empty()) << "tick " << tick;
    ASSERT_EQ(f.ListProcess.rowCount(), static_cast<int>(running.size()));
    if (tick % 50 == 25 && f.ListProcess.rowCount() > 3) {
      f.ListProcess.selectRow(3 + static_cast<int>(random() % static_cast<unsigned>(f.ListProcess.rowCount() - 3)));
      form.ComKillTask_Click();
      ASSERT_TRUE(sys.openHandles.empty());
    }
  }
  // Two quiet ticks later every row shows its own process.
  for (int settle = 0; settle < 2; ++settle) {
    for (auto& r : running) r.userTime += 10000;
    fakes::InstallProcesses(sys, running);
    form.Timer1_Timer();
  }
  for (std::size_t k = 1; k < running.size(); ++k) {
    EXPECT_EQ(f.ListProcess.cell(static_cast<int>(k), 1), std::to_string(running[k].pid));
    if (running[k].commandLine) {
      EXPECT_EQ(common::utf8ToUtf16(f.ListProcess.cell(static_cast<int>(k), 5)), *running[k].commandLine);
    }
  }
  EXPECT_EQ(f.StatusBar1.panelText(1), "进程数: " + std::to_string(running.size()));
}

}  // namespace
