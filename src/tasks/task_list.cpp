#include "tasks/task_list.h"

#include <algorithm>
#include <array>
#include <optional>

#include "common/byte_reader.h"
#include "platform/os_constants.h"

namespace ledra::tasks {

namespace {

using platform::kGwlExStyle;
using platform::kGwlStyle;
using platform::kGwOwner;
using platform::kWsChild;
using platform::kWsExAppWindow;
using platform::kWsExToolWindow;
using platform::kWsPopup;
using platform::kWsVisible;
// Room for 255 UTF-16 units and the terminating NUL.
constexpr int kTitleUnits = 256;
constexpr int kLongestTitleUnits = 32768;

std::string readTitle(platform::System& system, platform::WindowHandle h, int units) {
  std::string title = system.getWindowText(h, units);
  if (const auto nul = title.find('\0'); nul != std::string::npos) title.resize(nul);
  return title;
}

std::size_t utf16Units(std::string_view text) {
  std::size_t units = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) != 0x80) ++units;  // a lead byte starts a character
    if (c >= 0xF0) ++units;           // beyond the BMP: a surrogate pair
  }
  return units;
}

// A read with room for `units` may have been cut: on the ANSI path a double-byte
// character fills two of them, so half the room already counts as full.
bool mayBeCut(std::string_view title, int units) {
  return utf16Units(title) + 1 >= static_cast<std::size_t>(units / 2);
}

// DWMWA_CLOAKED: nonzero when cloaked. Systems without it (before Windows 8, no DWM)
// answer an error, and nothing is cloaked there.
bool isCloaked(platform::System& system, platform::WindowHandle h) {
  std::array<std::byte, 4> value{};
  if (system.dwmGetWindowAttribute(h, platform::kDwmwaCloaked, value) < 0) return false;
  return common::ByteReader(value).u32(0).value_or(0) != 0;
}

}  // namespace

bool EnumTaskProc(platform::System& system, platform::WindowHandle self, platform::WindowHandle h,
                  std::string& taskList, std::vector<TaskWindow>* windows,
                  std::optional<platform::WindowHandle>* shellWindow) {
  if (h == self) return true;
  // Visible, with no parent: what IsWindowVisible and GetParent answer for a top-level
  // window follows from its style and its owner, read once here. Each of those calls is
  // a round trip to the window server on some systems, and this runs for every window on
  // every tick. A top-level window's parent is the desktop, which is always shown, so it
  // is visible exactly when it has WS_VISIBLE; GetParent answers the owner for a pop-up,
  // the desktop for one that has WS_CHILD alone, and nothing otherwise.
  const std::int32_t style = system.getWindowLong(h, kGwlStyle);
  if ((style & kWsVisible) == 0) return true;
  if ((style & (kWsPopup | kWsChild)) == kWsChild) return true;

  // Both are read for every window that gets this far, owner first.
  const platform::WindowHandle owner = system.getWindow(h, kGwOwner);
  if ((style & kWsPopup) != 0 && owner != platform::WindowHandle{}) return true;
  const std::int32_t exStyle = system.getWindowLong(h, kGwlExStyle);
  const bool unownedApp = owner == platform::WindowHandle{} && (exStyle & kWsExToolWindow) == 0;
  const bool ownedApp = owner != platform::WindowHandle{} && (exStyle & kWsExAppWindow) != 0;
  if (!unownedApp && !ownedApp) return true;
  // The shell's desktop is no task (ending it would end the shell), and a cloaked window
  // is not on the screen: another virtual desktop's, a suspended app's, one the shell keeps.
  // Asked once per enumeration: it changes only when the shell restarts, and on some
  // systems each question is a round trip to the window server.
  std::optional<platform::WindowHandle> askedNow;
  std::optional<platform::WindowHandle>& shell = shellWindow ? *shellWindow : askedNow;
  if (!shell) shell = system.getShellWindow();
  if (h == *shell) return true;
  if (isCloaked(system, h)) return true;

  // A title stops at its first NUL; an empty one (or a failed read) is not a task.
  std::string title = readTitle(system, h, kTitleUnits);
  if (title.empty()) return true;

  taskList += title;
  taskList += '|';
  if (windows) windows->push_back({h, std::move(title)});
  return true;
}

std::string GetTaskList(platform::System& system, platform::WindowHandle self, std::vector<TaskWindow>* windows) {
  std::string taskList;
  if (windows) windows->clear();
  std::optional<platform::WindowHandle> shell;
  system.enumWindows(
      [&](platform::WindowHandle h) { return EnumTaskProc(system, self, h, taskList, windows, &shell); });
  return taskList;
}

platform::WindowHandle taskProcessWindow(platform::System& system, platform::WindowHandle h) {
  if (h == platform::WindowHandle{}) return h;
  if (system.getClassName(h) != platform::kGhostWindowClass) return h;
  return system.hungWindowFromGhostWindow(h);
}

std::string getFullWindowTitle(platform::System& system, platform::WindowHandle h) {
  return getFullWindowTitle(system, h, readTitle(system, h, kTitleUnits));
}

std::string getFullWindowTitle(platform::System& system, platform::WindowHandle h, std::string firstRead) {
  std::string title = std::move(firstRead);
  for (int units = kTitleUnits; mayBeCut(title, units) && units < kLongestTitleUnits;) {
    units = std::min(units * 8, kLongestTitleUnits);
    title = readTitle(system, h, units);
  }
  return title;
}

}  // namespace ledra::tasks
