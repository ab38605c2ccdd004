// The real main window: builds the designed control tree over Win32, owns every control
// and the ForLedra that drives them, and routes the window's messages to its handlers.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "app/ForLedra.h"
#include "platform/system.h"
#include "platform/win32/controls_win32.h"

namespace ledra::platform::win32 {

inline constexpr char kMainWindowClass[] = "LedraMainWindow";

class MainWindow {
 public:
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
  std::map<std::string, HWND, std::less<>> windows_;
  std::map<std::string, UINT, std::less<>> menuIds_;
  std::map<std::string, std::unique_ptr<ListViewControl>, std::less<>> lists_;
  std::map<std::string, std::unique_ptr<ImageListControl>, std::less<>> imageLists_;
  std::map<std::string, std::unique_ptr<IconSurfaceControl>, std::less<>> surfaces_;
  std::map<std::string, std::unique_ptr<CanvasControl>, std::less<>> canvases_;
  std::map<std::string, std::unique_ptr<LabelControl>, std::less<>> labels_;
  std::map<std::string, std::unique_ptr<PanelControl>, std::less<>> panels_;
  std::map<std::string, std::unique_ptr<MenuItemControl>, std::less<>> menuItems_;
  std::unique_ptr<TabStripControl> tabs_;
  std::unique_ptr<StatusBarControl> status_;
  std::unique_ptr<TimerControl> timer_;
  std::unique_ptr<WindowControl> window_;
  std::unique_ptr<app::ForLedra> form_;  // last: goes first, before the controls it uses
};

}  // namespace ledra::platform::win32
