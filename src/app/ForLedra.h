// The main window ForLedra: its controls, its state and every handler. What each page
// does lives with the page (tasks/, processes/, performance/); the handlers here call it
// with the page's controls and state.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/ModLedra.h"
#include "app/design.h"
#include "app/form_controls.h"
#include "performance/performance_page.h"
#include "performance/show_cpu.h"
#include "performance/show_ff.h"
#include "platform/controls.h"
#include "platform/design.h"
#include "platform/system.h"
#include "processes/end_process.h"
#include "processes/process_view.h"
#include "tasks/task_actions.h"
#include "tasks/task_page.h"
#include "tasks/task_view.h"

namespace ledra::app {

class ForLedra {
 public:
  ForLedra(platform::System& system, const FormControls& controls);
  ForLedra(const ForLedra&) = delete;
  ForLedra& operator=(const ForLedra&) = delete;

  // Start-up.
  void Form_Load();
  void Init();

  // Refresh cycle. A tick asked for while one runs (a command sent to the window from
  // inside an OS call of the tick) runs once, right after it.
  void Timer1_Timer();
  void menu_Re_Click();
  void menu_renew_Click(std::int16_t Index);

  // Page switching and resizing.
  void TabStrip1_Click();
  void Form_Resize();

  // Options, About and exit.
  void menu_show_Click();
  void meun_usemin_Click();
  void menu_run_Click();
  void menu_about_Click();
  void menu_exit_Click();

  // Applications page.
  void Command1_Click();  // new task
  void Command2_Click();  // end task
  void Command3_Click();  // switch to

  // Processes page.
  void ComKillTask_Click();

  // Performance page.
  void ShowCPU(std::int16_t& value);
  void ShowFF(const std::string& memoryStatus);
  // Draws the meters and graphs as they stand; the page has just been shown.
  void paintPerformancePage();

  // Runs the handler of the menu item or button of that designed name; `index` is the
  // item's place in its array (menu_renew). False when the name has no handler or the
  // index no item.
  bool Click(std::string_view name, int index = -1);
  static bool hasHandler(std::string_view name);
  // A key on a focused list does what its page's button does (Delete ends, Enter
  // switches to); false when the key means nothing on that list.
  bool listKey(std::string_view list, platform::ListKey key);

  // Form-level state.
  std::string LastTaskList;
  std::string LastProcessList9x;
  std::int16_t SpeedIndex = 0;
  performance::PerformanceState perf;  // meters, histories, grid

  // Module-level state the window owns on behalf of the procedures.
  ModLedra mod;

  platform::System& system() { return system_; }
  const FormControls& controls() const { return c_; }

 private:
  void SetTopMost();
  void tick();

  platform::System& system_;
  FormControls c_;
  // The same controls, as each page sees them.
  tasks::TaskControls tasks_;
  processes::ProcessControls processes_;
  performance::PerformanceControls performance_;
  bool ticking_ = false;
  bool tickAsked_ = false;
  bool minimised_ = false;  // at the last resize
};

}  // namespace ledra::app
