// Window enumeration into the task list string, on FakeSystem windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fakes/fake_system.h"
#include "tasks/task_list.h"

namespace {

using ledra::fakes::FakeSystem;
using ledra::fakes::hicon;
using ledra::fakes::hwnd;
using ledra::tasks::GetTaskList;
using Window = FakeSystem::Window;

constexpr ledra::platform::WindowHandle kSelf{0x1000};
constexpr std::int32_t kToolWindow = 0x80;
constexpr std::int32_t kAppWindow = 0x40000;
constexpr std::int32_t kPopup = static_cast<std::int32_t>(0x80000000u);
constexpr std::int32_t kChild = 0x40000000;

struct Case {
  const char* what;
  Window window;
  bool listed;
  std::vector<std::string> calls;  // after "enumWindows"
  bool dwm = true;                 // the system has DWM (Vista and later)
};

// Each test in order, and the calls stop at the first that fails.
TEST(GetTaskList, EachFilterInOrderStopsAtFirstFailure) {
  // The style once (visibility and what GetParent would answer), the owner, the
  // extended style.
  const std::vector<std::string> upToOwner = {"getWindowLong", "getWindow"};
  const std::vector<std::string> upToStyle = {"getWindowLong", "getWindow", "getWindowLong"};
  auto upToShell = upToStyle;
  upToShell.push_back("getShellWindow");
  auto upToCloak = upToShell;
  upToCloak.push_back("dwmGetWindowAttribute");
  auto withText = upToCloak;
  withText.push_back("getWindowText");
  const Case cases[] = {
      {"own main window", {.handle = kSelf, .title = "Windows Ledra "}, false, {}},
      {"invisible", {.handle = hwnd(2), .title = "Hidden", .visible = false}, false, {"getWindowLong"}},
      // GetParent answers the desktop for a top-level window with WS_CHILD alone, and the
      // owner for a pop-up: neither is listed, whatever its extended style.
      {"child style", {.handle = hwnd(2), .title = "Child", .style = kChild}, false, {"getWindowLong"}},
      {"owned pop-up with app bit",
       {.handle = hwnd(2), .title = "Popup", .style = kPopup, .owner = hwnd(9), .exStyle = kAppWindow},
       false,
       upToOwner},
      {"owned pop-up with child style too",
       {.handle = hwnd(2), .title = "Popup", .style = kPopup | kChild, .owner = hwnd(9), .exStyle = kAppWindow},
       false,
       upToOwner},
      {"unowned pop-up", {.handle = hwnd(2), .title = "Borderless", .style = kPopup}, true, withText},
      {"unowned pop-up with child style too",
       {.handle = hwnd(2), .title = "Borderless", .style = kPopup | kChild},
       true,
       withText},
      {"unowned tool window", {.handle = hwnd(2), .title = "Tool", .exStyle = kToolWindow}, false, upToStyle},
      {"unowned tool window with app bit",
       {.handle = hwnd(2), .title = "Tool", .exStyle = kToolWindow | kAppWindow},
       false,
       upToStyle},
      {"owned without app bit", {.handle = hwnd(2), .title = "Dialog", .owner = hwnd(9)}, false, upToStyle},
      {"owned with app bit",
       {.handle = hwnd(2), .title = "Owned app", .owner = hwnd(9), .exStyle = kAppWindow},
       true,
       withText},
      {"owned tool window with app bit",
       {.handle = hwnd(2), .title = "Owned tool", .owner = hwnd(9), .exStyle = kAppWindow | kToolWindow},
       true,
       withText},
      {"plain unowned window", {.handle = hwnd(2), .title = "Plain"}, true, withText},
      {"the shell's desktop", {.handle = hwnd(5), .title = "Program Manager"}, false, upToShell},
      {"cloaked", {.handle = hwnd(2), .title = "On another desktop", .cloaked = true}, false, upToCloak},
      // 9x and XP have no DWM: the cloaked query's error means "not cloaked".
      {"no DWM", {.handle = hwnd(2), .title = "On XP"}, true, withText, false},
      {"empty title", {.handle = hwnd(2), .title = ""}, false, withText},
  };
  for (const auto& c : cases) {
    FakeSystem sys;
    sys.windows = {c.window};
    sys.shellWindow = hwnd(5);
    sys.hasDwm = c.dwm;
    const std::string list = GetTaskList(sys, kSelf);
    EXPECT_EQ(list, c.listed ? c.window.title + "|" : std::string()) << c.what;
    std::vector<std::string> expected = {"enumWindows"};
    expected.insert(expected.end(), c.calls.begin(), c.calls.end());
    EXPECT_EQ(sys.calls, expected) << c.what;
  }
}

TEST(GetTaskList, TitlesInZOrderEachFollowedByBar) {
  FakeSystem sys;
  sys.windows = {
      {.handle = hwnd(1), .title = "Alpha"},
      {.handle = kSelf, .title = "Windows Ledra "},
      {.handle = hwnd(3), .title = "Gone", .visible = false},
      {.handle = hwnd(4), .title = "Beta"},
      {.handle = hwnd(5), .title = "Palette", .exStyle = kToolWindow},
  };
  EXPECT_EQ(GetTaskList(sys, kSelf), "Alpha|Beta|");
  // The shell's window is asked once per enumeration, not once per window.
  EXPECT_EQ(std::count(sys.calls.begin(), sys.calls.end(), "getShellWindow"), 1);
  EXPECT_EQ(GetTaskList(sys, kSelf).size(), 11u);

  // Bringing Beta to the front changes the string although the set is the same.
  std::swap(sys.windows[0], sys.windows[3]);
  EXPECT_EQ(GetTaskList(sys, kSelf), "Beta|Alpha|");
}

TEST(GetTaskList, NothingListedGivesEmptyString) {
  FakeSystem sys;
  EXPECT_EQ(GetTaskList(sys, kSelf), "");
  sys.windows = {{.handle = kSelf, .title = "Windows Ledra "}, {.handle = hwnd(2), .title = "x", .visible = false}};
  EXPECT_EQ(GetTaskList(sys, kSelf), "");
}

TEST(GetTaskList, TitlesAreTakenAsTheyAre) {
  FakeSystem sys;
  sys.windows = {
      {.handle = hwnd(1), .title = "Alpha|Beta"},  // no escaping: becomes two pieces
      {.handle = hwnd(2), .title = "Same"},
      {.handle = hwnd(3), .title = "Same"},
      {.handle = hwnd(4), .title = std::string("Cut\0here", 8)},
      {.handle = hwnd(5), .title = "记事本 - 无标题"},
  };
  EXPECT_EQ(GetTaskList(sys, kSelf), "Alpha|Beta|Same|Same|Cut|记事本 - 无标题|");
}

TEST(GetTaskList, LongTitleCutAt255Units) {
  FakeSystem sys;
  const std::string latin(300, 'x');
  std::string chinese;
  for (int i = 0; i < 300; ++i) chinese += "汉";
  // A character outside the BMP takes two units and is not split at the boundary.
  std::string astral(254, 'y');
  astral += "\xF0\x9F\x98\x80";  // U+1F600
  sys.windows = {
      {.handle = hwnd(1), .title = latin}, {.handle = hwnd(2), .title = chinese}, {.handle = hwnd(3), .title = astral}};

  std::string chinese255;
  for (int i = 0; i < 255; ++i) chinese255 += "汉";
  EXPECT_EQ(GetTaskList(sys, kSelf), std::string(255, 'x') + "|" + chinese255 + "|" + std::string(254, 'y') + "|");

  // On 9x the room is counted in code-page bytes: 127 double-byte characters fill 255 of
  // them, and the full title takes a second read with more room.
  sys.platformId = 1;
  std::string chinese127, chinese200;
  for (int i = 0; i < 200; ++i) (i < 127 ? chinese127 : chinese200) += "汉";
  chinese200.insert(0, chinese127);
  sys.windows = {{.handle = hwnd(4), .title = chinese200}};
  EXPECT_EQ(GetTaskList(sys, kSelf), chinese127 + "|");
  EXPECT_EQ(ledra::tasks::getFullWindowTitle(sys, hwnd(4)).size(), chinese200.size());
}

}  // namespace
