// The CPU and memory readers over fuzzed counters and memory-status records, and the
// memory figures they lead to. Must hold: a CPU share is 0..100, or -1 exactly when a
// query failed or no processor was reported, and the first good sample is 0; the memory
// status is six plain counts within what the figures can carry (below 2^32 from a 32-bit
// record); every figure shown is valid UTF-8.
#include <cstdint>
#include <string>

#include "common/byte_reader.h"
#include "common/number_text.h"
#include "common/text.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_system.h"
#include "fuzz_support.h"
#include "performance/cpu_usage.h"
#include "performance/memory_status.h"
#include "performance/performance_page.h"
#include "performance/show_ff.h"
#include "platform/os_layout.h"

using namespace ledra;

namespace {

constexpr std::uint64_t kLargestCount = 922337203685477ull;  // whole ten-thousandths in 63 bits

void checkMemoryStatus(const std::string& text, std::uint64_t largest) {
  const auto fields = common::split(text, ',');
  fuzz::check(fields.size() == 6, "six memory figures", text);
  for (std::string_view f : fields) {
    fuzz::check(!f.empty() && f.size() <= 15 && f.find_first_not_of("0123456789") == std::string_view::npos,
                "each memory figure is a plain count", text);
    fuzz::check(std::stoull(std::string(f)) <= largest, "each memory figure within range", text);
  }
}

void showMemory(fakes::FakeSystem& system, const std::string& status) {
  fakes::MemoryCanvas use{"UseFF", 54.0f, 87.75f, nullptr}, broken{"BrokenFF", 4125.0f, 1755.0f, nullptr};
  fakes::MemoryLabel ff{"LabFF", "0 KB", nullptr}, totalPage{"", "", nullptr}, availPage{"", "", nullptr},
      usePage{"", "", nullptr}, totalVirtual{"", "", nullptr}, availVirtual{"", "", nullptr},
      useVirtual{"", "", nullptr};
  fakes::MemoryStatusBar bar{nullptr};
  performance::PerformanceControls c;
  c.UseFF = &use, c.BrokenFF = &broken, c.LabFF = &ff, c.LabTotalPageFile = &totalPage, c.LabAvailPageFile = &availPage,
  c.LabUsePageFile = &usePage, c.LabTotalVirtual = &totalVirtual, c.LabAvailVirtual = &availVirtual,
  c.LabUseVirtual = &useVirtual, c.StatusBar1 = &bar;
  performance::PerformanceState s;
  s.GraphStep = 60;
  s.MemHistory.assign(70, 0);
  performance::ShowFF(system, c, s, status);
  for (const fakes::MemoryLabel* label :
       {&ff, &totalPage, &availPage, &usePage, &totalVirtual, &availVirtual, &useVirtual})
    fuzz::check(fuzz::isValidUtf8(label->caption()), "memory figures are valid UTF-8", label->caption());
  fuzz::check(fuzz::isValidUtf8(bar.panelText(3)), "the memory panel is valid UTF-8", bar.panelText(3));
  fuzz::check(s.MemHistory.size() == 70, "the memory history keeps its length");
}

}  // namespace

// Input: flags (bit 0: 64-bit layout; bit 1: the NT family; bit 2: MEMORYSTATUSEX
// answers; bit 3: the 9x statistic's key exists; bits 4-5: decimal sign), the
// MEMORYSTATUSEX and MEMORYSTATUS bytes, the 9x statistic word, then CPU samples of
// processors (1), idle time (8), current time (8) and a failure mask (1).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static constexpr const char* kSigns[] = {".", ",", "\xC2\xB7", "\xE3\x80\x82"};
  fuzz::Cursor in({data, size});
  const std::uint8_t flags = in.u8();
  fakes::FakeSystem system(flags & 1 ? 8 : 4);
  system.platformId = flags & 2 ? 2 : 1;
  system.decimalSeparator = kSigns[(flags >> 4) & 3];

  auto ex = in.bytes(platform::kMemoryStatusEx.size);
  ex.resize(platform::kMemoryStatusEx.size);
  if (flags & 4) system.memoryStatusEx = std::move(ex);
  system.memoryStatus = in.bytes(system.layout().memoryStatus.size);
  system.memoryStatus.resize(system.layout().memoryStatus.size);
  const std::string status = performance::GetMemoryStatus(system);
  const bool fromEx = (flags & 2) && system.memoryStatusEx && system.count("globalMemoryStatus") == 0;
  checkMemoryStatus(status, fromEx || system.pointerBytes == 8 ? kLargestCount : 0xFFFFFFFFull);
  showMemory(system, status);

  const std::uint32_t word = in.u32();
  if (flags & 8) system.registry["PerfStats\\StatData"]["KERNEL\\CPUUsage"] = word;
  const std::int32_t share9x = performance::GetCPUUsage9x(system);
  const bool key9x = (flags & 8) && system.pointerBytes == 4;
  fuzz::check(key9x ? share9x >= 0 && share9x <= 100 : share9x == -1, "the 9x share is 0..100, -1 without its key");
  fuzz::check(system.openKeys.empty(), "the statistic's key is closed");

  performance::CpuUsage cpu;
  bool started = false;
  while (!in.empty()) {
    const std::uint8_t processors = in.u8();
    const auto idle = static_cast<std::int64_t>(in.u64());
    const auto now = static_cast<std::int64_t>(in.u64());
    const std::uint8_t failing = in.u8();
    system.setCpuCounters(processors, idle, now);
    system.failingSystemInformation.clear();
    if (failing & 1) system.failingSystemInformation.insert(3);  // the time of day
    if (failing & 2) system.failingSystemInformation.insert(8);  // the per-processor records
    const std::int32_t share = cpu.GetCPUUsageNT(system);
    // One processor group answers: at most 64 records.
    const bool good = processors != 0 && processors <= 64 && system.failingSystemInformation.empty();
    if (!good) {
      fuzz::check(share == -1, "a failed sample gives -1");
    } else if (!started) {
      fuzz::check(share == 0, "the first good sample gives 0");
      started = true;
    } else {
      fuzz::check(share >= 0 && share <= 100, "a CPU share is 0..100");
    }
    const std::int32_t direct = performance::cpuPercent(idle, now, static_cast<std::int8_t>(processors));
    fuzz::check(static_cast<std::int8_t>(processors) <= 0 ? direct == -1 : direct >= 0 && direct <= 100,
                "cpuPercent is 0..100, -1 without processors");
  }
  return 0;
}
