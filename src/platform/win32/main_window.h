// A top-level window built from a design: it creates each row's control over Win32,
// owns them by their place in the design, lets the program find them by name, and
// reports what happens to them by name. It knows nothing of what the names mean.
#pragma once

#include <windows.h>

#include <memory>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/design.h"
#include "platform/system.h"
#include "platform/unique_handle.h"
#include "platform/win32/controls_win32.h"

namespace ledra::platform::win32 {

inline constexpr char kMainWindowClass[] = "LedraMainWindow";

class MainWindow : public ControlLookup {
 public:
  MainWindow() = default;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;
  ~MainWindow() override;

  // Creates the window and the design's controls, tells `events` they are loaded, shows
  // the window and then starts its timers. False when the window itself cannot be
  // created. The OS family that `system` reports picks the text path of the window and
  // all it holds. The design's rows and `events` must outlive the window.
  bool create(System& system, HINSTANCE instance, const WindowDesign& design, WindowEvents& events,
              int showCommand = SW_SHOWNORMAL);
  // The message loop, on the window's text path; the exit code WM_QUIT carries.
  int run() {
    return path_.runMessageLoop([this](const MSG& message) { return preTranslate(message); });
  }
  // The window's keys, handled as a dialog handles its own, before a message taken from
  // the queue is translated and dispatched: true when handled (the message goes no
  // further). Every loop that dispatches this thread's messages while the window takes
  // input runs it: run(), and a test's own. (Modal loops - a message box, the Run dialog -
  // run while the window is disabled, and a menu's loop keeps its keys to the menu.)
  bool preTranslate(const MSG& message);

  HWND hwnd() const { return hwnd_; }
  TextPath textPath() const { return path_; }
  Dpi dpi() const { return dpi_; }
  // A control's window by its design name ("PicProperty", 2); nullptr when it has none.
  HWND control(std::string_view name, int index = -1) const;
  // The command id of a menu item; 0 when there is no such item.
  UINT menuId(std::string_view name, int index = -1) const;

  Window* form() override { return form_.get(); }
  void find(std::string_view name, int index, ListView*& out) override;
  void find(std::string_view name, int index, ImageList*& out) override;
  void find(std::string_view name, int index, IconSurface*& out) override;
  void find(std::string_view name, int index, Canvas*& out) override;
  void find(std::string_view name, int index, Label*& out) override;
  void find(std::string_view name, int index, StatusBar*& out) override;
  void find(std::string_view name, int index, MenuItem*& out) override;
  void find(std::string_view name, int index, Timer*& out) override;
  void find(std::string_view name, int index, Panel*& out) override;
  void find(std::string_view name, int index, TabStrip*& out) override;

 private:
  // What the window made of one control row.
  using Owned =
      std::variant<std::monostate, std::unique_ptr<ListViewControl>, std::unique_ptr<ImageListControl>,
                   std::unique_ptr<IconSurfaceControl>, std::unique_ptr<CanvasControl>, std::unique_ptr<LabelControl>,
                   std::unique_ptr<StatusBarControl>, std::unique_ptr<TimerControl>, std::unique_ptr<PanelControl>,
                   std::unique_ptr<TabStripControl>>;

  template <bool Ansi>
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  bool keyboard(const MSG& message);  // true: handled, the message goes no further
  bool shown(int place) const;
  int placeOfWindow(HWND hwnd) const;
  void press(int place);
  void moveFocus(bool backwards);
  void turnPage(bool backwards);
  void focusOnScreen();  // a control on screen keeps the focus, or the first one takes it
  void restoreFocus();
  void showKeyboardCues(bool focus);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
  HMENU buildMenu();
  void createControls(HINSTANCE instance);
  HWND child(DWORD exStyle, std::string_view className, std::string_view text, DWORD style, HWND parent,
             const ControlRow& row, int id, HINSTANCE instance);
  int placeOf(std::string_view name, int index) const;
  template <typename Real, typename Model>
  void findOwned(std::string_view name, int index, Model*& out);
  // The row behind a child's id; nullptr for an id that is not a control's.
  const ControlRow* rowOfId(UINT_PTR id) const;

  HWND hwnd_ = nullptr;
  TextPath path_ = TextPath::forFamily(true);
  Dpi dpi_;
  WindowDesign design_{};
  WindowEvents* events_ = nullptr;  // none until loaded, none again once destroyed
  FontHandle font_;
  // The window's icons (WM_SETICON), destroyed after it: Ledra's own at the two sizes
  // (none when the resource is missing), and the large one or the system's application
  // icon, which the form hands out.
  UniqueHandle<HICON, &DestroyIcon> largeIcon_, smallIcon_;
  HICON icon_ = nullptr;
  std::unique_ptr<WindowControl> form_;
  std::vector<HWND> windows_;                                // by place in the design's controls
  std::vector<Owned> controls_;                              // the same
  std::vector<std::unique_ptr<MenuItemControl>> menuItems_;  // by place in the design's menus
  HWND lastFocus_ = nullptr;                                 // where the focus was when the window was last deactivated
};

}  // namespace ledra::platform::win32
