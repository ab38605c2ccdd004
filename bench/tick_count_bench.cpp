// One whole refresh tick on a simulated machine, counted: OS calls by kind, control
// operations, drawing primitives and list cells written per tick, with the Performance
// page shown and hidden. Under Wine each OS call is mostly a server round trip and each
// primitive a GDI call, so these counts rank where a tick's cost goes beyond the OS work
// it needs (the process records, a command line per process, CPU, memory, window titles).
// A desktop may have one window that retitles itself at every tick (a clock, a download's
// percentage): the task list then follows one title, and its cost is what that adds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "app/ForLedra.h"
#include "common/text.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_system.h"
#include "fakes/nt_records.h"

namespace {

using namespace ledra;

struct Machine {
  fakes::FakeSystem sys;
  fakes::FakeForm f;
  app::ForLedra form{sys, f.controls};
  std::vector<fakes::NtProcessRecord> records;
  std::int64_t idle = 900'000'000'000, clock = 134'100'000'000'000'000;

  // The last `denied` processes refuse the open for their details, as system and
  // elevated processes refuse a standard user on Windows 7 (the memory read refused, the
  // limited right granted, no command-line class before 8.1).
  Machine(int processes, int windows, int denied = 0) {
    records.emplace_back(u"", 0, 0, 900'000'000, 0, 4);
    for (int i = 1; i < processes; ++i) {
      const std::string name = "service" + std::to_string(i) + ".exe";
      records.emplace_back(
          common::utf8ToUtf16(name), static_cast<std::uint32_t>(i * 4), i * 1000, i * 500,
          4096u * static_cast<std::uint32_t>(100 + i % 700), 4,
          common::utf8ToUtf16("\"C:\\Program Files\\Vendor\\" + name + "\" --instance=" + std::to_string(i)));
    }
    fakes::InstallProcesses(sys, records);
    for (int i = std::max(1, processes - denied); i < processes; ++i)
      sys.processes[static_cast<std::uint32_t>(i * 4)].deniedAccess = 0x410;
    for (int w = 0; w < windows; ++w) {
      fakes::FakeSystem::Window window;
      window.handle = platform::WindowHandle{0x2000 + static_cast<std::uintptr_t>(w) * 4};
      window.title = "Window " + std::to_string(w);
      window.pid = static_cast<std::uint32_t>(4 + w * 4);
      sys.windows.push_back(window);
    }
    sys.setMemoryStatusEx({536870912, 209715200, 1342177280, 858993664, 2147352576, 2040528896});
    sys.setCpuCounters(1, idle, clock);
    form.Form_Load();
  }

  // What changes between two ticks: a little CPU time for every process, the clock, and
  // the title of the `retitled` windows in the middle of the Z order.
  void advance(int tick, int retitled = 0) {
    for (std::size_t k = 0; k < static_cast<std::size_t>(retitled) && sys.windows.size() / 2 + k < sys.windows.size();
         ++k) {
      auto& window = sys.windows[sys.windows.size() / 2 + k];
      window.title = "Download " + std::to_string(tick % 100) + "% - Window " + std::to_string(k);
    }
    for (std::size_t k = 1; k < records.size(); ++k)
      records[k].userTime += static_cast<std::int64_t>((k * 7 + tick) % 13) * 1000;
    fakes::InstallProcessChain(sys, fakes::BuildProcessChain(records));
    clock += 5'000'000;
    idle += 4'000'000 + (tick % 3) * 100'000;
    sys.setCpuCounters(1, idle, clock);
  }
};

void BM_TickCounts(benchmark::State& state) {
  Machine m(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), static_cast<int>(state.range(4)));
  const int page = static_cast<int>(state.range(2));
  const int retitled = static_cast<int>(state.range(3));
  m.f.tabs.select(page);
  m.form.TabStrip1_Click();
  for (int i = 0; i < 3; ++i) {  // past the first samples and the first list fill
    m.advance(i, retitled);
    m.form.Timer1_Timer();
  }
  std::map<std::string, double> calls, ops;
  double primitives = 0, cells = 0, iconDraws = 0, taskOps = 0;
  const std::pair<std::string, const fakes::MemoryCanvas*> boxes[] = {
      {"UseCPU", &m.f.UseCPU}, {"UseFF", &m.f.UseFF}, {"BrokenCPU", &m.f.BrokenCPU}, {"BrokenFF", &m.f.BrokenFF}};
  int tick = 3;
  for (auto _ : state) {
    state.PauseTiming();
    m.advance(tick++, retitled);
    m.sys.clearCalls();
    m.f.log.clear();
    const int cellsBefore = m.f.ListProcess.cellWrites + m.f.ListTask.cellWrites;
    state.ResumeTiming();
    m.form.Timer1_Timer();
    state.PauseTiming();
    for (const auto& c : m.sys.calls) calls[c] += 1;
    for (const auto& o : m.f.log) {
      ops[o.substr(0, o.find(' '))] += 1;
      // The task list's share: its rows, its image lists and the icons drawn for them.
      const bool task = o.rfind("ListTask.", 0) == 0 || o.rfind("Image_", 0) == 0 || o.rfind("Pic_", 0) == 0;
      taskOps += task ? 1 : 0;
      iconDraws += o.rfind("Pic_", 0) == 0 && o.find(".draw") != std::string::npos ? 1 : 0;
    }
    cells += m.f.ListProcess.cellWrites + m.f.ListTask.cellWrites - cellsBefore;
    // A box's draws are those since its last clear: only boxes cleared this tick count.
    for (const auto& [name, box] : boxes)
      if (std::find(m.f.log.begin(), m.f.log.end(), name + ".clear") != m.f.log.end())
        primitives += static_cast<double>(box->draws.size()) + 1;
    state.ResumeTiming();
  }
  const auto perTick = [&](double v) { return benchmark::Counter(v, benchmark::Counter::kAvgIterations); };
  double os = 0;
  for (const auto& [name, n] : calls) {
    os += n;
    state.counters["os:" + name] = perTick(n);
  }
  state.counters["os_calls"] = perTick(os);
  double control = 0;
  for (const auto& [name, n] : ops) control += n;
  state.counters["control_ops"] = perTick(control);
  state.counters["task_list_ops"] = perTick(taskOps);
  state.counters["draw_primitives"] = perTick(primitives);
  state.counters["icon_draws"] = perTick(iconDraws);
  state.counters["cells_written"] = perTick(cells);
}
// processes, windows, page shown (3 = Performance, 2 = Processes), windows retitled per
// tick, processes refusing the open for their details: 20 windows with none retitled
// beside the same with one ("20 windows, one retitled"); 30 denied processes.
BENCHMARK(BM_TickCounts)
    ->ArgNames({"processes", "windows", "page", "retitled", "denied"})
    ->Args({15, 3, 3, 0, 0})
    ->Args({200, 20, 3, 0, 0})
    ->Args({200, 20, 3, 1, 0})
    ->Args({200, 20, 2, 0, 0})
    ->Args({200, 20, 2, 0, 30})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
