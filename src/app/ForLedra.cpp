#include "app/ForLedra.h"

#include <algorithm>
#include <string>

#include "app/design.h"
#include "common/number_text.h"
#include "performance/cpu_usage.h"
#include "performance/memory_status.h"
#include "platform/is_nt.h"
#include "processes/decimal_sign.h"
#include "processes/process_list_9x.h"
#include "tasks/task_list.h"

namespace ledra::app {

namespace {

// The samplers return 0..100 or -1; anything else is squeezed into 16 bits rather
// than wrapped.
std::int16_t narrow16(std::int32_t v) {
  return static_cast<std::int16_t>(std::clamp<std::int32_t>(v, INT16_MIN, INT16_MAX));
}

}  // namespace

ForLedra::ForLedra(platform::System& system, const FormControls& controls)
    : system_(system),
      c_(controls),
      tasks_{c_.form, c_.ListTask, c_.Image_NULL, c_.Image_Large, c_.Image_Small, c_.Pic_Large, c_.Pic_Small,
             c_.meun_usemin},
      processes_{c_.form, c_.ListProcess},
      performance_{c_.PicProperty[2],  c_.form,           c_.UseCPU,          c_.BrokenCPU,       c_.UseFF,
                   c_.BrokenFF,        c_.LabCPU,          c_.LabFF,           c_.LabTotalPageFile,
                   c_.LabAvailPageFile, c_.LabUsePageFile, c_.LabTotalVirtual, c_.LabAvailVirtual,
                   c_.LabUseVirtual,   c_.StatusBar1} {}

void ForLedra::Form_Load() {
  c_.form->setWidthTwips(design::kFormWidth);
  Init();
  SetTopMost();

  // Stack the Applications and Processes panels on the Performance panel.
  for (int i = 0; i < 2; ++i) c_.PicProperty[i]->move(c_.PicProperty[2]->left(), c_.PicProperty[2]->top());

  c_.TabStrip1->select(3);
  TabStrip1_Click();

  if (platform::IsNT(system_)) {
    platform::ListView& list = *c_.ListProcess;
    list.clearColumns();
    for (const auto& column : design::kProcessColumnsNT) list.addColumn(column.header, column.width, platform::Align::Left);
    list.setColumnAlign(1, platform::Align::Right);
    list.setColumnAlign(2, platform::Align::Right);
    list.setColumnAlign(4, platform::Align::Right);
    list.setColumnAlign(3, platform::Align::Centre);
  }

  c_.Image_NULL->addIcon(c_.form->icon());
}

void ForLedra::Init() {
  Form_Resize();
  performance::StartCPUUsage9x(system_);
  std::int16_t cpu =
      narrow16(platform::IsNT(system_) ? mod.cpu.GetCPUUsageNT(system_) : performance::GetCPUUsage9x(system_));
  ShowCPU(cpu);
  ShowFF(performance::GetMemoryStatus(system_));
}

void ForLedra::Timer1_Timer() {
  // A nested tick would replace the lists the running one is still working through.
  if (ticking_) {
    tickAsked_ = true;
    return;
  }
  ticking_ = true;
  tickAsked_ = false;
  Tick();
  // Requests made during the tick are answered by one more, made during that one by the
  // next timer tick: a sender that keeps asking cannot hold the window in a loop.
  if (tickAsked_) Tick();
  ticking_ = false;
}

void ForLedra::Tick() {
  // 1. Grid phase.
  performance::AdvanceGrid(perf);

  // 2. Memory.
  ShowFF(performance::GetMemoryStatus(system_));

  // 3. CPU.
  const bool nt = platform::IsNT(system_);
  std::int16_t cpu = narrow16(nt ? mod.cpu.GetCPUUsageNT(system_) : performance::GetCPUUsage9x(system_));
  ShowCPU(cpu);

  // 4. 9x process records, taken before the window enumeration.
  if (!nt) mod.ProcessList9x = processes::GetProcessList9x(system_);

  // 5. Tasks.
  mod.TaskList = tasks::GetTaskList(system_, c_.form->handle(), &mod.TaskWindows);

  // 6. Task list, only when the titles, their order or the windows behind them changed.
  if (mod.TaskList != LastTaskList || tasks::rowsAreStale(*c_.ListTask, mod.TaskWindows))
    tasks::RefreshTaskList(system_, tasks_, mod.TaskWindows);

  // 7. Process list.
  if (nt) {
    processes::UpdateProcessListNT(system_, *c_.ListProcess, processes::DecimalSign(system_), &mod.CommandLines);
  } else {
    if (mod.ProcessList9x != LastProcessList9x)
      processes::RebuildProcessList9x(*c_.ListProcess, mod.ProcessList9x, processes::DecimalSign(system_));
    LastProcessList9x = mod.ProcessList9x;
  }

  // 8. Status bar.
  c_.StatusBar1->setPanelText(1, "进程数: " + std::to_string(c_.ListProcess->rowCount()));

  // 9.
  LastTaskList = mod.TaskList;
}

void ForLedra::menu_Re_Click() { Timer1_Timer(); }

void ForLedra::menu_renew_Click(std::int16_t Index) {
  if (Index < 0 || Index > 3) return;
  Timer1_Timer();
  if (SpeedIndex >= 0 && SpeedIndex <= 3) c_.menu_renew[SpeedIndex]->setChecked(false);
  c_.menu_renew[Index]->setChecked(true);
  SpeedIndex = Index;
  if (Index >= 3) {
    c_.Timer1->setEnabled(false);
  } else {
    c_.Timer1->setEnabled(true);
    c_.Timer1->setInterval(500 << Index);
  }
}

void ForLedra::TabStrip1_Click() {
  for (auto* panel : c_.PicProperty) panel->setVisible(false);
  const int position = c_.TabStrip1->selectedPosition();
  if (position < 1 || position > 3) return;
  c_.PicProperty[position - 1]->setVisible(true);
  if (position == 1) c_.ListTask->setFocus();
  if (position == 2) c_.ListProcess->setFocus();
  if (position == 3) PaintPerformancePage();
}

// A restore from minimised draws what the ticks meanwhile left undrawn; other resizes
// (start-up among them) leave drawing to the ticks and the tab clicks.
void ForLedra::Form_Resize() {
  performance::SizeHistories(performance_, perf);
  const bool restored = minimised_ && !c_.form->minimized();
  minimised_ = c_.form->minimized();
  if (restored && performance::PerformancePageShown(performance_)) PaintPerformancePage();
}

void ForLedra::Command1_Click() { tasks::NewTask(system_, tasks_); }
void ForLedra::Command2_Click() { tasks::EndSelectedTask(system_, tasks_); }
void ForLedra::Command3_Click() { tasks::SwitchToSelectedTask(system_, tasks_); }

void ForLedra::ComKillTask_Click() { processes::EndSelectedProcess(system_, processes_, design::kAppTitle); }

void ForLedra::ShowCPU(std::int16_t& value) { performance::ShowCPU(system_, mod.cpu, performance_, perf, value); }
void ForLedra::ShowFF(const std::string& memoryStatus) {
  performance::ShowFF(system_, performance_, perf, memoryStatus);
}
void ForLedra::PaintPerformancePage() { performance::PaintPerformancePage(performance_, perf); }

bool ForLedra::Click(design::Command command, int index) {
  using design::Command;
  switch (command) {
    case Command::menu_renew:
      if (index < 0 || index > 3) return false;
      menu_renew_Click(static_cast<std::int16_t>(index));
      return true;
    case Command::menu_Re: menu_Re_Click(); return true;
    case Command::menu_show: menu_show_Click(); return true;
    case Command::meun_usemin: meun_usemin_Click(); return true;
    case Command::menu_run: menu_run_Click(); return true;
    case Command::menu_about: menu_about_Click(); return true;
    case Command::menu_exit: menu_exit_Click(); return true;
    case Command::Command1: Command1_Click(); return true;
    case Command::Command2: Command2_Click(); return true;
    case Command::Command3: Command3_Click(); return true;
    case Command::ComKillTask: ComKillTask_Click(); return true;
    case Command::None: break;
  }
  return false;
}

}  // namespace ledra::app
