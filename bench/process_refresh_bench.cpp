// The NT process-list step of the tick on a simulated machine: the native query, the
// record list text, and the in-place update of the list with one command line read per
// updated row. Reported per process, so linear growth shows as a flat figure.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <string>
#include <type_traits>
#include <vector>

#include "common/byte_reader.h"
#include "common/number_text.h"
#include "common/text.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_system.h"
#include "fakes/nt_records.h"
#include "processes/decimal_sign.h"
#include "processes/process_list_nt.h"
#include "processes/process_view.h"

namespace {

using namespace ledra;

std::vector<fakes::NtProcessRecord> machine(int processes) {
  std::vector<fakes::NtProcessRecord> records;
  records.emplace_back(u"", 0, 0, 900'000'000, 0, 4);
  for (int i = 1; i < processes; ++i) {
    const std::string name = "service" + std::to_string(i) + ".exe";
    const std::string line = "\"C:\\Program Files\\Vendor\\" + name + "\" --instance=" + std::to_string(i) +
                             " --config \"C:\\ProgramData\\Vendor\\settings.ini\"";
    records.emplace_back(common::utf8ToUtf16(name), static_cast<std::uint32_t>(i * 4), i * 1000, i * 500,
                         4096u * static_cast<std::uint32_t>(100 + i % 700), 4, common::utf8ToUtf16(line));
  }
  return records;
}

// FakeSystem finds processes and handles through ordered maps and keeps whole pages of
// simulated memory per process: a log n cost and cache misses per call that belong to
// the fake, not to the page. This machine holds the same byte-exact structures (only
// the bytes a reader can reach) in a flat table indexed by process id, so the figures
// show the page's own cost.
class IndexedMachine : public fakes::FakeSystem {
 public:
  void index() {
    table.assign(processes.empty() ? 1 : processes.rbegin()->first + 1, Entry{});
    for (auto& [pid, process] : processes) {
      Entry& e = table[pid];
      e.present = true;
      e.basic = process.information[0];
      std::size_t k = 0;
      for (auto& [base, bytes] : process.memory) {
        if (k == e.regions.size()) break;
        // The environment block and the parameters (whole pages) are read near their
        // start only; the command line region is kept whole.
        const std::size_t keep = bytes.size() >= 0x400 ? 128 : bytes.size();
        e.regions[k++] = {base,
                          std::vector<std::byte>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(keep))};
      }
    }
  }
  platform::Handle openProcess(std::uint32_t, bool, std::uint32_t pid) override {
    return find(pid) ? platform::Handle{kHandleBase + pid} : platform::Handle{};
  }
  bool closeHandle(platform::Handle) override { return true; }
  std::int32_t ntQueryInformationProcess(platform::Handle handle, std::uint32_t infoClass, platform::Bytes buffer,
                                         std::uint32_t*) override {
    const Entry* e = find(static_cast<std::uint32_t>(platform::raw(handle) - kHandleBase));
    if (!e || infoClass != 0 || buffer.size() < e->basic.size()) return platform::kStatusNotImplemented;
    std::copy(e->basic.begin(), e->basic.end(), buffer.begin());
    return platform::kStatusSuccess;
  }
  bool readProcessMemory(platform::Handle handle, std::uint64_t address, platform::Bytes into) override {
    const Entry* e = find(static_cast<std::uint32_t>(platform::raw(handle) - kHandleBase));
    if (!e) return false;
    for (const auto& [base, bytes] : e->regions) {
      if (address < base || address - base >= bytes.size()) continue;
      const std::size_t offset = address - base;
      if (offset + into.size() > bytes.size()) return false;
      std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), into.size(), into.begin());
      return true;
    }
    return false;
  }

 private:
  struct Entry {
    bool present = false;
    std::vector<std::byte> basic;
    std::array<std::pair<std::uint64_t, std::vector<std::byte>>, 3> regions;
  };
  static constexpr std::uintptr_t kHandleBase = 0x100000;
  const Entry* find(std::uint32_t pid) const {
    return pid < table.size() && table[pid].present ? &table[pid] : nullptr;
  }
  std::vector<Entry> table;
};

// Every process uses a little more CPU time, as between two ticks.
void advance(fakes::FakeSystem& sys, const std::vector<std::size_t>& offsets, std::int64_t tick) {
  auto& bytes = sys.systemInformation[5];
  for (std::size_t k = 0; k < offsets.size(); ++k) {
    const std::size_t at = offsets[k] + 40;  // UserTime
    const auto user = *common::ByteReader(bytes).u64(at);
    common::putU64(bytes, at,
                   user + static_cast<std::uint64_t>(((static_cast<std::int64_t>(k) * 7 + tick) % 13) * 1000));
  }
}

template <typename Machine>
void BM_ProcessRefreshNT(benchmark::State& state) {
  const int processes = static_cast<int>(state.range(0));
  Machine sys;
  const auto records = machine(processes);
  fakes::InstallProcesses(sys, records);
  if constexpr (std::is_same_v<Machine, IndexedMachine>) sys.index();
  const auto offsets = fakes::BuildProcessChain(records).records;
  fakes::MemoryListView list{"ListProcess", nullptr};
  processes::updateProcessListNT(sys, list, processes::userDecimalSign(sys));
  if (list.rowCount() != processes || list.cell(processes - 1, 5).empty()) {
    state.SkipWithError("the machine does not answer as the page expects");
    return;
  }
  const int filled = list.cellWrites;
  std::int64_t tick = 0;
  for (auto _ : state) {
    state.PauseTiming();
    advance(sys, offsets, ++tick);
    sys.clearCalls();
    state.ResumeTiming();
    processes::updateProcessListNT(sys, list, processes::userDecimalSign(sys));
  }
  state.SetItemsProcessed(state.iterations() * processes);
  state.counters["per_process"] =
      benchmark::Counter(processes, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["cell_writes_per_tick"] =
      benchmark::Counter(static_cast<double>(list.cellWrites - filled), benchmark::Counter::kAvgIterations);
}
// The page on a machine that answers in constant time per call.
BENCHMARK(BM_ProcessRefreshNT<IndexedMachine>)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMicrosecond);
// The same on the plain FakeSystem, whose map lookups add a log n per call.
BENCHMARK(BM_ProcessRefreshNT<fakes::FakeSystem>)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMicrosecond);

void BM_GetProcessListNT(benchmark::State& state) {
  const int processes = static_cast<int>(state.range(0));
  fakes::FakeSystem sys;
  fakes::InstallProcesses(sys, machine(processes));
  for (auto _ : state) {
    benchmark::DoNotOptimize(processes::GetProcessListNT(sys, processes::userDecimalSign(sys)));
    sys.clearCalls();
  }
  state.SetItemsProcessed(state.iterations() * processes);
  state.counters["per_process"] =
      benchmark::Counter(processes, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_GetProcessListNT)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMicrosecond);

}  // namespace
