// Ledra's window: the generic Win32 window made from ForLedra's design, with ForLedra
// behind its events. The one place that sees both the program and the Win32 adapter.
#pragma once

#include <windows.h>

#include <optional>
#include <string_view>

#include "app/ForLedra.h"
#include "app/form_events.h"
#include "platform/system.h"
#include "platform/win32/main_window.h"

namespace ledra {

class LedraWindow {
 public:
  LedraWindow() = default;
  LedraWindow(const LedraWindow&) = delete;
  LedraWindow& operator=(const LedraWindow&) = delete;

  // The window made and loaded (ForLedra's Form_Load run), shown, its timer running.
  bool create(platform::System& system, HINSTANCE instance, int showCommand = SW_SHOWNORMAL);
  int run() { return window_.run(); }
  // The window's keys, for a loop other than run() (a test's): true when handled.
  bool preTranslate(const MSG& message) { return window_.preTranslate(message); }

  app::ForLedra* form() { return events_ ? events_->form() : nullptr; }
  HWND hwnd() const { return window_.hwnd(); }
  platform::win32::TextPath textPath() const { return window_.textPath(); }
  platform::win32::Dpi dpi() const { return window_.dpi(); }
  HWND control(std::string_view name, int index = -1) const { return window_.control(name, index); }
  UINT menuId(std::string_view name, int index = -1) const { return window_.menuId(name, index); }

 private:
  // The events first: the window goes before them, and with it every control ForLedra uses.
  std::optional<app::FormEvents> events_;
  platform::win32::MainWindow window_;
};

}  // namespace ledra
