// The main window ForLedra: its controls, its state and every handler. What each page
// does lives with the page (tasks/, processes/, performance/); the handlers here call it
// with the page's controls and state.
#pragma once

#include <cstdint>
#include <string>

#include "app/ModLedra.h"
#include "app/design.h"
#include "performance/performance_page.h"
#include "platform/controls.h"
#include "platform/system.h"
#include "processes/process_view.h"
#include "tasks/task_page.h"

namespace ledra::app {

// The window's controls, by their designed names. Arrays keep their designed indexes.
struct FormControls {
  platform::Window* form = nullptr;
  platform::TabStrip* TabStrip1 = nullptr;
  platform::Panel* PicProperty[3] = {nullptr, nullptr, nullptr};
  platform::ListView* ListTask = nullptr;
  platform::ListView* ListProcess = nullptr;
  platform::ImageList* Image_NULL = nullptr;
  platform::ImageList* Image_Large = nullptr;
  platform::ImageList* Image_Small = nullptr;
  platform::IconSurface* Pic_Large = nullptr;
  platform::IconSurface* Pic_Small = nullptr;
  platform::Canvas* UseCPU = nullptr;     // points
  platform::Canvas* BrokenCPU = nullptr;  // twips
  platform::Canvas* UseFF = nullptr;      // points
  platform::Canvas* BrokenFF = nullptr;   // twips
  platform::Label* LabCPU = nullptr;
  platform::Label* LabFF = nullptr;
  platform::Label* LabTotalPageFile = nullptr;
  platform::Label* LabAvailPageFile = nullptr;
  platform::Label* LabUsePageFile = nullptr;
  platform::Label* LabTotalVirtual = nullptr;
  platform::Label* LabAvailVirtual = nullptr;
  platform::Label* LabUseVirtual = nullptr;
  platform::StatusBar* StatusBar1 = nullptr;
  platform::Timer* Timer1 = nullptr;
  platform::MenuItem* menu_show = nullptr;
  platform::MenuItem* meun_usemin = nullptr;
  platform::MenuItem* menu_renew[4] = {nullptr, nullptr, nullptr, nullptr};
};

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
  void PaintPerformancePage();

  // Runs the handler of a menu item or button; `index` is the item's place in its array
  // (menu_renew). False when the command has no handler or the index no item.
  bool Click(design::Command command, int index = -1);

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
  void Tick();

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
