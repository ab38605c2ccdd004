#include "app/ForLedra.h"

#include <algorithm>
#include <string>

#include "app/design.h"
#include "common/number_text.h"
#include "performance/cpu_usage.h"
#include "performance/memory_status.h"
#include "platform/is_nt.h"
#include "platform/os_constants.h"
#include "processes/decimal_sign.h"
#include "processes/process_list_9x.h"
#include "tasks/task_list.h"

namespace ledra::app {

namespace {

using platform::kHwndNoTopMost;
using platform::kHwndTopMost;
constexpr std::uint32_t kSwpNoSizeNoMove = platform::kSwpNoSize | platform::kSwpNoMove;

// The samplers return 0..100 or -1; anything else is squeezed into 16 bits rather
// than wrapped.
std::int16_t narrow16(std::int32_t v) {
  return static_cast<std::int16_t>(std::clamp<std::int32_t>(v, INT16_MIN, INT16_MAX));
}

}  // namespace

ForLedra::ForLedra(platform::System& system, const FormControls& controls)
    : system_(system),
      c_(controls),
      tasks_{.form = c_.form,
             .ListTask = c_.ListTask,
             .Image_NULL = c_.Image_NULL,
             .Image_Large = c_.Image_Large,
             .Image_Small = c_.Image_Small,
             .Pic_Large = c_.Pic_Large,
             .Pic_Small = c_.Pic_Small,
             .meun_usemin = c_.meun_usemin},
      processes_{.form = c_.form, .ListProcess = c_.ListProcess},
      performance_{.page = c_.PicProperty[2],
                   .form = c_.form,
                   .UseCPU = c_.UseCPU,
                   .BrokenCPU = c_.BrokenCPU,
                   .UseFF = c_.UseFF,
                   .BrokenFF = c_.BrokenFF,
                   .LabCPU = c_.LabCPU,
                   .LabFF = c_.LabFF,
                   .LabTotalPageFile = c_.LabTotalPageFile,
                   .LabAvailPageFile = c_.LabAvailPageFile,
                   .LabUsePageFile = c_.LabUsePageFile,
                   .LabTotalVirtual = c_.LabTotalVirtual,
                   .LabAvailVirtual = c_.LabAvailVirtual,
                   .LabUseVirtual = c_.LabUseVirtual,
                   .StatusBar1 = c_.StatusBar1} {}

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
    for (const auto& column : design::kProcessColumnsNT)
      list.addColumn(column.header, column.width, platform::Align::Left);
    // The alignments go on once every column is there, as the designed ones say.
    for (std::size_t i = 0; i < design::kProcessColumnsNT.size(); ++i)
      if (const auto align = design::kProcessColumnsNT[i].align; align != platform::Align::Left)
        list.setColumnAlign(static_cast<int>(i), align);
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
  // Released on every way out, an exception from a step included: a guard left set
  // would turn every later tick away.
  struct Ticking {
    bool& flag;
    explicit Ticking(bool& f) : flag(f) { flag = true; }
    ~Ticking() { flag = false; }
    Ticking(const Ticking&) = delete;
    Ticking& operator=(const Ticking&) = delete;
  } ticking(ticking_);
  tickAsked_ = false;
  tick();
  // Requests made during the tick are answered by one more, made during that one by the
  // next timer tick: a sender that keeps asking cannot hold the window in a loop.
  if (tickAsked_) tick();
}

void ForLedra::tick() {
  // 1. Grid phase.
  performance::advanceGrid(perf);

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
    tasks::refreshTaskList(system_, tasks_, mod.TaskRows, mod.TaskWindows);

  // 7. Process list.
  if (nt) {
    processes::updateProcessListNT(system_, *c_.ListProcess, processes::userDecimalSign(system_), &mod.CommandLines);
  } else {
    if (mod.ProcessList9x != LastProcessList9x)
      processes::rebuildProcessList9x(*c_.ListProcess, mod.ProcessList9x, processes::userDecimalSign(system_));
    LastProcessList9x = mod.ProcessList9x;
  }

  // 8. Status bar.
  c_.StatusBar1->setPanelText(1, "进程数: " + std::to_string(c_.ListProcess->rowCount()));

  // 9.
  LastTaskList = mod.TaskList;
}

void ForLedra::menu_Re_Click() { Timer1_Timer(); }

void ForLedra::menu_renew_Click(std::int16_t Index) {
  const auto isSpeed = [](int i) { return i >= 0 && i < design::kSpeedCount; };
  if (!isSpeed(Index)) return;
  Timer1_Timer();
  if (isSpeed(SpeedIndex)) c_.menu_renew[SpeedIndex]->setChecked(false);
  c_.menu_renew[Index]->setChecked(true);
  SpeedIndex = Index;
  if (Index >= design::kPausedSpeed) {
    c_.Timer1->setEnabled(false);
  } else {
    c_.Timer1->setEnabled(true);
    c_.Timer1->setInterval(design::kTimerInterval << Index);
  }
}

void ForLedra::TabStrip1_Click() {
  for (auto* panel : c_.PicProperty) panel->setVisible(false);
  const int position = c_.TabStrip1->selectedPosition();
  if (position < 1 || position > 3) return;
  c_.PicProperty[position - 1]->setVisible(true);
  if (position == 1) c_.ListTask->setFocus();
  if (position == 2) c_.ListProcess->setFocus();
  if (position == 3) paintPerformancePage();
}

// A restore from minimised draws what the ticks meanwhile left undrawn; other resizes
// (start-up among them) leave drawing to the ticks and the tab clicks.
void ForLedra::Form_Resize() {
  performance::sizeHistories(performance_, perf);
  const bool restored = minimised_ && !c_.form->minimized();
  minimised_ = c_.form->minimized();
  if (restored && performance::performancePageShown(performance_)) paintPerformancePage();
}

void ForLedra::Command1_Click() { tasks::newTask(system_, tasks_); }
void ForLedra::Command2_Click() { tasks::endSelectedTask(system_, tasks_); }
void ForLedra::Command3_Click() { tasks::switchToSelectedTask(system_, tasks_); }

void ForLedra::ComKillTask_Click() { processes::endSelectedProcess(system_, processes_, design::kAppTitle); }

void ForLedra::ShowCPU(std::int16_t& value) { performance::ShowCPU(system_, mod.cpu, performance_, perf, value); }
void ForLedra::ShowFF(const std::string& memoryStatus) {
  performance::ShowFF(system_, performance_, perf, memoryStatus);
}
void ForLedra::paintPerformancePage() { performance::paintPerformancePage(performance_, perf); }

// Always on top, auto-minimise, Run, About and Exit: the menus that are not pages.

void ForLedra::SetTopMost() { system_.setWindowPos(c_.form->handle(), kHwndTopMost, 0, 0, 0, 0, kSwpNoSizeNoMove); }

void ForLedra::menu_show_Click() {
  // The check mark changes first; it stays the option's state even if the window
  // manager refuses.
  const bool wasOnTop = c_.menu_show->checked();
  c_.menu_show->setChecked(!wasOnTop);
  system_.setWindowPos(c_.form->handle(), wasOnTop ? kHwndNoTopMost : kHwndTopMost, 0, 0, 0, 0, kSwpNoSizeNoMove);
}

void ForLedra::meun_usemin_Click() { c_.meun_usemin->setChecked(!c_.meun_usemin->checked()); }

void ForLedra::menu_run_Click() { Command1_Click(); }

void ForLedra::menu_about_Click() {
  const std::string title = "Ledra For Win9x/WinNT (" + std::to_string(design::kVersionMajor) + "." +
                            std::to_string(design::kVersionMinor) + "." + std::to_string(design::kVersionRevision) +
                            ")";
  system_.shellAbout(c_.form->handle(), title, "Ledra 开发者 · 联系：项目的问题跟踪器", c_.form->icon());
}

void ForLedra::menu_exit_Click() { c_.form->endProgram(); }

namespace {

// What a click on each designed menu item and button runs.
struct Handler {
  std::string_view name;
  bool (*run)(ForLedra&, int index);
};

template <void (ForLedra::*Run)()>
bool plain(ForLedra& form, int) {
  (form.*Run)();
  return true;
}

bool speed(ForLedra& form, int index) {
  if (index < 0 || index >= design::kSpeedCount) return false;
  form.menu_renew_Click(static_cast<std::int16_t>(index));
  return true;
}

// One handler a line, as the design lists them.
// clang-format off
constexpr Handler kHandlers[] = {
    {"menu_run", plain<&ForLedra::menu_run_Click>},
    {"menu_exit", plain<&ForLedra::menu_exit_Click>},
    {"menu_show", plain<&ForLedra::menu_show_Click>},
    {"meun_usemin", plain<&ForLedra::meun_usemin_Click>},
    {"menu_Re", plain<&ForLedra::menu_Re_Click>},
    {"menu_renew", speed},
    {"menu_about", plain<&ForLedra::menu_about_Click>},
    {"Command1", plain<&ForLedra::Command1_Click>},
    {"Command2", plain<&ForLedra::Command2_Click>},
    {"Command3", plain<&ForLedra::Command3_Click>},
    {"ComKillTask", plain<&ForLedra::ComKillTask_Click>},
};
// clang-format on

// The keys of the lists, by the button whose handler they run.
struct ListKeyCommand {
  std::string_view list;
  platform::ListKey key;
  std::string_view button;
};

constexpr ListKeyCommand kListKeys[] = {
    {"ListTask", platform::ListKey::Delete, "Command2"},        // 结束任务
    {"ListTask", platform::ListKey::Enter, "Command3"},         // 切换至
    {"ListProcess", platform::ListKey::Delete, "ComKillTask"},  // 结束进程
};

}  // namespace

bool ForLedra::listKey(std::string_view list, platform::ListKey key) {
  for (const auto& k : kListKeys)
    if (k.list == list && k.key == key) return Click(k.button);
  return false;
}

bool ForLedra::Click(std::string_view name, int index) {
  for (const auto& handler : kHandlers)
    if (handler.name == name) return handler.run(*this, index);
  return false;
}

bool ForLedra::hasHandler(std::string_view name) {
  for (const auto& handler : kHandlers)
    if (handler.name == name) return true;
  return false;
}

}  // namespace ledra::app
