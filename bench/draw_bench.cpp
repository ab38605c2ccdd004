// Drawing cost of the Performance page per tick: both meters and both graphs, on
// in-memory canvases.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/ForLedra.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_system.h"
#include "performance/meter_graph.h"

namespace {

using ledra::platform::Rgb;

// Counts the operations and keeps nothing, so only the procedures are measured.
class CountingCanvas : public ledra::platform::Canvas {
 public:
  CountingCanvas(float w, float h) : w_(w), h_(h) {}
  void clear() override { ++ops; }
  void point(float x, float y, Rgb) override { ops += 1, sink += x + y; }
  void line(float x1, float y1, float x2, float y2, Rgb) override { ops += 1, sink += x1 + y1 + x2 + y2; }
  void rectangle(float x1, float y1, float x2, float y2, Rgb) override { ops += 1, sink += x1 + y1 + x2 + y2; }
  float width() const override { return w_; }
  float height() const override { return h_; }
  std::int64_t ops = 0;
  float sink = 0;

 private:
  float w_, h_;
};

const std::string kStatus = "536870912,209715200,2147352576,2040528896,1342177280,858993664";

// One tick's drawing through the window: ShowFF then ShowCPU, on the recording canvases.
void BM_PerformanceTickRecorded(benchmark::State& state) {
  ledra::fakes::FakeSystem sys;
  ledra::fakes::FakeForm f;
  ledra::app::ForLedra form(sys, f.controls);
  form.Form_Resize();
  std::int16_t value = 0;
  for (auto _ : state) {
    form.perf.GridOffset = static_cast<std::int16_t>((form.perf.GridOffset + form.perf.GraphStep) % 175);
    form.ShowFF(kStatus);
    value = static_cast<std::int16_t>((value + 7) % 101);
    std::int16_t shown = value;
    form.ShowCPU(shown);
    f.log.clear();
  }
  state.counters["draws/tick"] = static_cast<double>(f.UseCPU.draws.size() + f.BrokenCPU.draws.size() +
                                                     f.UseFF.draws.size() + f.BrokenFF.draws.size());
}
BENCHMARK(BM_PerformanceTickRecorded);

// The same four drawings on canvases that only count: the cost of the procedures.
void BM_PerformanceTickProcedures(benchmark::State& state) {
  CountingCanvas useCpu(54, 87.75f), useFf(54, 87.75f), brokenCpu(4125, 1755), brokenFf(4125, 1755);
  std::vector<std::int16_t> cpuHistory(85), memHistory(85);
  std::int16_t offset = 0, value = 0;
  for (auto _ : state) {
    offset = static_cast<std::int16_t>((offset + 50) % 175);
    value = static_cast<std::int16_t>((value + 7) % 101);
    ledra::performance::drawMeter(useFf, ledra::performance::meterLevel(60.9375));
    ledra::performance::drawGraph(brokenFf, memHistory, 61, ledra::performance::kMemoryLineColour, 50, offset);
    ledra::performance::drawMeter(useCpu, ledra::performance::meterLevel(value));
    ledra::performance::drawGraph(brokenCpu, cpuHistory, value, ledra::performance::kCpuLineColour, 50, offset);
  }
  benchmark::DoNotOptimize(useCpu.sink + useFf.sink + brokenCpu.sink + brokenFf.sink);
  state.counters["ops/tick"] = benchmark::Counter(
      static_cast<double>(useCpu.ops + useFf.ops + brokenCpu.ops + brokenFf.ops), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_PerformanceTickProcedures);

// The meter alone, at its cheapest (all rows lit) and dearest (none lit) levels.
void BM_Meter(benchmark::State& state) {
  CountingCanvas box(54, 87.75f);
  const int level = static_cast<int>(state.range(0));
  for (auto _ : state) ledra::performance::drawMeter(box, level);
  benchmark::DoNotOptimize(box.sink);
}
BENCHMARK(BM_Meter)->Arg(-1)->Arg(16)->Arg(27);

}  // namespace

BENCHMARK_MAIN();
