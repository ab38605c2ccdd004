#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <vector>

#include "fakes/fake_system.h"
#include "performance/cpu_usage.h"

namespace {

using ledra::fakes::FakeSystem;
using ledra::performance::CpuUsage;
using ledra::performance::GetCPUUsage9x;
using ledra::performance::StartCPUUsage9x;

// Counters as a machine up for a while would report them (100-ns units).
constexpr std::int64_t kBootIdle = 52'000'000'000'000;
constexpr std::int64_t kNow = 134'100'000'000'000'000;  // some day in 2025, since 1601

// A sampler that has taken its first sample at (kBootIdle, kNow).
struct Started {
  FakeSystem sys;
  CpuUsage cpu;
  std::optional<std::uint8_t> basic;  // what the basic information says, when it differs
  explicit Started(std::uint8_t processors = 1, std::size_t pointerBytes = 4,
                   std::optional<std::uint8_t> basic_ = std::nullopt)
      : sys(pointerBytes), basic(basic_) {
    sys.setCpuCounters(processors, kBootIdle, kNow, basic);
    first = cpu.GetCPUUsageNT(sys);
  }
  std::int32_t after(std::int64_t dIdle, std::int64_t dTime, std::uint8_t processors = 1) {
    sys.setCpuCounters(processors, kBootIdle + dIdle, kNow + dTime, basic);
    return cpu.GetCPUUsageNT(sys);
  }
  std::int32_t first = -2;
};

TEST(CpuUsageNT, FirstSampleReportsZeroAndStartsTheInterval) {
  Started s;
  EXPECT_EQ(s.first, 0);                          // not the full CPU a measurement against zero counters gives
  EXPECT_EQ(s.after(9'000'000, 10'000'000), 10);  // the next one measures the real second
  // A 64-bit program gets the same records.
  EXPECT_EQ(Started(2, 8).after(10'000'000, 10'000'000, 2), 50);
}

struct Worked {
  std::uint8_t processors;
  std::int64_t dIdle, dTime;
  std::int32_t expected;
  std::optional<std::uint8_t> basic = std::nullopt;  // the basic information's count
  friend std::ostream& operator<<(std::ostream& os, const Worked& w) {
    return os << w.processors + 0 << " processors, idle " << w.dIdle << " of " << w.dTime;
  }
};

class CpuUsageWorked : public testing::TestWithParam<Worked> {};

TEST_P(CpuUsageWorked, Interval) {
  const Worked w = GetParam();
  Started s(w.processors, 4, w.basic);
  EXPECT_EQ(s.after(w.dIdle, w.dTime, w.processors), w.expected);
}

INSTANTIATE_TEST_SUITE_P(Values, CpuUsageWorked,
                         testing::Values(Worked{1, 9'000'000, 10'000'000, 10},   // idle 0.9: floor(10.5)
                                         Worked{1, 9'050'000, 10'000'000, 10},   // 0.905: floor(10.0)
                                         Worked{1, 8'950'000, 10'000'000, 11},   // 0.895: floor(11.0)
                                         Worked{2, 10'000'000, 10'000'000, 50},  // each of two half idle
                                         Worked{4, 20'000'000, 10'000'000, 50},  // summed 2.0 over four
                                         Worked{1, 0, 0, 100},                   // nothing moved: floor(100.5)
                                         Worked{1, 8'950'400, 10'000'000, 11},   // 0.89504 counts as 0.8950
                                         Worked{1, 8'950'500, 10'000'000, 11},   // 0.89505 ties to 0.8950 (even)
                                         Worked{1, 0, 5'000'000, 100},           // no idle at all
                                         Worked{2, 19'999'000, 10'000'000, 0},   // both idle, to rounding
                                         // 48 threads, a quarter busy; the 32-bit build's basic information says 32
                                         Worked{48, 360'000'000, 10'000'000, 25, 32}));

TEST(CpuUsageNT, OutOfScaleReadingsAreClamped) {
  EXPECT_EQ(Started().after(11'000'000, 10'000'000), 0);    // idle 1.1 of one processor
  EXPECT_EQ(Started().after(5'000'000, 0), 0);              // idle moved, the clock did not
  EXPECT_EQ(Started().after(-5'000'000, 10'000'000), 100);  // idle went backwards
  EXPECT_EQ(Started().after(INT64_MAX / 2, 1), 0);          // absurd counters do not overflow
  EXPECT_EQ(Started().after(INT64_MIN / 2, 0), 100);
  EXPECT_EQ(Started().after(5'000'000, -10'000'000), 100);  // the clock was set back
}

TEST(CpuUsageNT, QueriesTimeThenProcessorsWithTheirLengths) {
  FakeSystem sys;
  sys.setCpuCounters(1, kBootIdle, kNow);
  std::vector<std::pair<std::uint32_t, std::size_t>> asked;
  std::vector<bool> lengthPointers;
  sys.onSystemInformation = [&](std::uint32_t infoClass, ledra::platform::Bytes buffer, std::uint32_t* len) {
    asked.emplace_back(infoClass, buffer.size());
    lengthPointers.push_back(len != nullptr);
    for (std::byte b : buffer) EXPECT_EQ(b, std::byte{0});  // zero-filled before each query
    const auto& bytes = sys.systemInformation[infoClass];
    std::copy(bytes.begin(), bytes.end(), buffer.begin());
    return 0;
  };
  CpuUsage cpu;
  cpu.GetCPUUsageNT(sys);
  // Room for the 64 processors of a group; the answered length says how many there are.
  const std::vector<std::pair<std::uint32_t, std::size_t>> expected = {{3, 32}, {8, 64 * 48}};
  EXPECT_EQ(asked, expected);
  EXPECT_EQ(lengthPointers, (std::vector<bool>{false, true}));
}

TEST(CpuUsageNT, FailedQueriesLeaveThePreviousSampleUntouched) {
  Started s;
  EXPECT_EQ(s.after(9'000'000, 10'000'000), 10);  // good sample at +1 s

  // Class 8 fails at +2 s: -1, and the counters of +1 s stay the reference.
  s.sys.setCpuCounters(1, kBootIdle + 9'000'000 + 2'000'000, kNow + 20'000'000);
  s.sys.failingSystemInformation = {8};
  EXPECT_EQ(s.cpu.GetCPUUsageNT(s.sys), -1);
  s.sys.failingSystemInformation.clear();

  // At +3 s the interval is the two seconds since +1 s: idle 0.1 + 0.3 of 2 s = 0.2.
  s.sys.setCpuCounters(1, kBootIdle + 9'000'000 + 4'000'000, kNow + 30'000'000);
  EXPECT_EQ(s.cpu.GetCPUUsageNT(s.sys), 80);

  // The time of day failing stops before the processors are asked.
  s.sys.failingSystemInformation = {3};
  s.sys.clearCalls();
  EXPECT_EQ(s.cpu.GetCPUUsageNT(s.sys), -1);
  EXPECT_EQ(s.sys.count("ntQuerySystemInformation"), 1u);
  s.sys.failingSystemInformation = {8};
  s.sys.clearCalls();
  EXPECT_EQ(s.cpu.GetCPUUsageNT(s.sys), -1);
  EXPECT_EQ(s.sys.count("ntQuerySystemInformation"), 2u);
}

TEST(CpuUsageNT, AFailedFirstSampleIsNotTheStart) {
  FakeSystem sys;
  CpuUsage cpu;
  sys.setCpuCounters(1, kBootIdle, kNow);
  sys.failingSystemInformation = {3};
  EXPECT_EQ(cpu.GetCPUUsageNT(sys), -1);
  sys.failingSystemInformation.clear();
  EXPECT_EQ(cpu.GetCPUUsageNT(sys), 0);  // still the first good one
  sys.setCpuCounters(1, kBootIdle + 2'500'000, kNow + 10'000'000);
  EXPECT_EQ(cpu.GetCPUUsageNT(sys), 75);
}

TEST(CpuUsageNT, NoProcessorsIsAFailedSample) {
  Started s;
  EXPECT_EQ(s.after(9'000'000, 10'000'000, 0), -1);
  EXPECT_EQ(s.after(18'000'000, 20'000'000, 1), 10);  // measured from the last good sample
  // The same with another idle ratio in the failed interval: 0.7 over both seconds, not
  // the 0.9 of the second one alone.
  Started t;
  EXPECT_EQ(t.after(5'000'000, 10'000'000, 0), -1);
  EXPECT_EQ(t.after(14'000'000, 20'000'000, 1), 30);
  // No processors to share even an empty interval.
  EXPECT_EQ(ledra::performance::cpuPercent(0, 0, 0), -1);
  EXPECT_EQ(ledra::performance::cpuPercent(9'000'000, 10'000'000, 0), -1);
}

TEST(CpuUsage9x, ReadsTheStatisticAndClosesTheKey) {
  FakeSystem sys;
  sys.platformId = 1;
  EXPECT_EQ(GetCPUUsage9x(sys), -1);  // key absent
  EXPECT_EQ(sys.count("regQueryValueEx"), 0u);
  EXPECT_EQ(sys.count("regCloseKey"), 0u);

  sys.registry["PerfStats\\StatData"] = {};
  EXPECT_EQ(GetCPUUsage9x(sys), 0);  // present, value absent: the word's start value

  sys.registry["PerfStats\\StatData"]["KERNEL\\CPUUsage"] = 37;
  EXPECT_EQ(GetCPUUsage9x(sys), 37);
  sys.registry["PerfStats\\StatData"]["KERNEL\\CPUUsage"] = 250;
  EXPECT_EQ(GetCPUUsage9x(sys), 100);
  sys.registry["PerfStats\\StatData"]["KERNEL\\CPUUsage"] = 0xFFFFFFFFu;  // must not read as "failed"
  EXPECT_EQ(GetCPUUsage9x(sys), 0);
  EXPECT_TRUE(sys.openKeys.empty());
}

TEST(CpuUsage9x, StartReadsTheStartValueOnceAndLeavesNoKeyOpen) {
  FakeSystem sys;
  sys.registry["PerfStats\\StartStat"]["KERNEL\\CPUUsage"] = 1;
  StartCPUUsage9x(sys);
  EXPECT_EQ(sys.calls, (std::vector<std::string>{"regOpenKey", "regQueryValueEx", "regCloseKey"}));
  EXPECT_TRUE(sys.openKeys.empty());

  // Where the key does not exist (the NT family) nothing else is tried.
  FakeSystem nt;
  StartCPUUsage9x(nt);
  EXPECT_EQ(nt.calls, (std::vector<std::string>{"regOpenKey"}));
  // A 64-bit program runs on no 9x system: the dynamic-data root is never asked.
  FakeSystem wide(8);
  wide.registry = sys.registry;
  StartCPUUsage9x(wide);
  EXPECT_EQ(GetCPUUsage9x(wide), -1);
  EXPECT_TRUE(wide.calls.empty());
}

}  // namespace
