// The real main window: builds the designed control tree over Win32, owns every control
// and the ForLedra that drives them, and routes the window's messages to its handlers.
#pragma once

#include <windows.h>

#include <array>
#include <iterator>
#include <memory>
#include <string_view>

#include "app/ForLedra.h"
#include "app/design.h"
#include "platform/system.h"
#include "platform/win32/controls_win32.h"

namespace ledra::platform::win32 {

inline constexpr char kMainWindowClass[] = "LedraMainWindow";

class MainWindow {
 public:
  // Every control a handler drives, one member each, by its designed name.
  struct Controls {
    std::unique_ptr<WindowControl> form;
    std::unique_ptr<TabStripControl> TabStrip1;
    std::array<std::unique_ptr<PanelControl>, 3> PicProperty;
    std::unique_ptr<ListViewControl> ListTask, ListProcess;
    std::unique_ptr<ImageListControl> Image_NULL, Image_Large, Image_Small;
    std::unique_ptr<IconSurfaceControl> Pic_Large, Pic_Small;
    std::unique_ptr<CanvasControl> UseCPU, BrokenCPU, UseFF, BrokenFF;
    std::unique_ptr<LabelControl> LabCPU, LabFF, LabTotalPageFile, LabAvailPageFile, LabUsePageFile,
        LabTotalVirtual, LabAvailVirtual, LabUseVirtual;
    std::unique_ptr<StatusBarControl> StatusBar1;
    std::unique_ptr<TimerControl> Timer1;
    std::unique_ptr<MenuItemControl> menu_show, meun_usemin;
    std::array<std::unique_ptr<MenuItemControl>, 4> menu_renew;
  };

  MainWindow() = default;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;
  ~MainWindow();

  // Creates the window and its controls, runs Form_Load, shows the window and then
  // starts the timer. False when the window itself cannot be created. The OS family
  // that `system` reports picks the text path of the window and all it holds.
  bool create(System& system, HINSTANCE instance, int showCommand = SW_SHOWNORMAL);
  // The message loop, on the window's text path; the exit code WM_QUIT carries.
  int run() const { return path_.runMessageLoop(); }

  HWND hwnd() const { return hwnd_; }
  TextPath textPath() const { return path_; }
  app::ForLedra* form() { return form_.get(); }
  Dpi dpi() const { return dpi_; }
  // A control's window by its designed name ("PicProperty", 2); nullptr when it has none.
  HWND control(std::string_view name, int index = -1) const;
  // The command id of a menu item; 0 when there is no such item.
  UINT menuId(std::string_view name, int index = -1) const;

 private:
  template <bool Ansi>
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
  HMENU buildMenu();
  void createControls(HINSTANCE instance);
  HWND child(DWORD exStyle, std::string_view className, std::string_view text, DWORD style, HWND parent,
             int left, int top, int width, int height, int id, HINSTANCE instance);
  app::FormControls wire();


  HWND hwnd_ = nullptr;
  TextPath path_ = TextPath::forFamily(true);
  Dpi dpi_;
  FontHandle font_;
  HICON icon_ = nullptr;
  std::array<HWND, std::size(app::design::kControls)> windows_{};  // by place in the design
  Controls c_;
  std::unique_ptr<app::ForLedra> form_;  // last: goes first, before the controls it uses
};

}  // namespace ledra::platform::win32
