// The Processes page against the real system (under Wine in the test run): the real
// main window and list view, real child processes started by this program, the real
// process enumeration on both families, ending a process from the page, and a long run
// with children coming and going that must close every handle it opens.
//
// Children are this same program started with "--sleeper ..." (sleeps until it is
// ended) or "--brief MS" (exits by itself after MS milliseconds).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/ForLedra.h"
#include "counting_system.h"
#include "main/ledra_window.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_system.h"
#include "processes/kill_process.h"
#include "processes/process_details.h"
#include "wine_support.h"

namespace {

using namespace ledra::platform::win32;
using namespace ledra::wine_test;

std::wstring fileName(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }
std::wstring folderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/")); }

// ---- the page ---------------------------------------------------------------------------

class ProcessPage : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window.create(system, GetModuleHandleW(nullptr), SW_SHOWNOACTIVATE));
    baseline = system.liveHandles();
  }
  void TearDown() override { pump(); }

  ledra::app::ForLedra& form() { return *window.form(); }
  ledra::platform::ListView& list() { return *form().controls().ListProcess; }
  void tick() {
    form().Timer1_Timer();
    pump();
  }
  int rowOfPid(DWORD pid) {
    const std::string text = std::to_string(pid);
    for (int row = 0; row < list().rowCount(); ++row)
      if (list().cell(row, 1) == text) return row;
    return -1;
  }
  // Ticks until the row of `pid` shows `commandLine` (NT) or just exists (9x).
  int waitForRow(DWORD pid, const std::string& commandLine, int ms = 8000) {
    for (int waited = 0; waited < ms; waited += 100) {
      tick();
      const int row = rowOfPid(pid);
      if (row >= 0 && (!system.isNt() || list().cell(row, 5) == commandLine)) return row;
      pumpFor(100);
    }
    return -1;
  }
  std::unique_ptr<Child> sleeper(const std::wstring& padding) {
    return std::make_unique<Child>(L"\"" + ownExe() + L"\" --sleeper " + padding);
  }

  CountingSystem system;
  ledra::LedraWindow window;
  std::size_t baseline = 0;
};

TEST_F(ProcessPage, OwnProcessAndLedraAppearWithTheirPids) {
  const std::wstring ledraExe = folderOf(folderOf(folderOf(ownExe()))) + L"\\ledra.exe";
  ASSERT_NE(GetFileAttributesW(ledraExe.c_str()), INVALID_FILE_ATTRIBUTES) << fromWide(ledraExe);
  Child ledra(L"\"" + ledraExe + L"\"");
  ASSERT_TRUE(ledra.started);
  const std::string ownLine = fromWide(GetCommandLineW());
  const int own = waitForRow(GetCurrentProcessId(), ownLine);
  ASSERT_GE(own, 0);
  const int other = waitForRow(ledra.pid(), "\"" + fromWide(ledraExe) + "\"");
  ASSERT_GE(other, 0);
  EXPECT_EQ(list().cell(own, 0), fromWide(fileName(ownExe())));
  EXPECT_EQ(list().cell(other, 0), "ledra.exe");
  if (system.isNt()) {
    EXPECT_EQ(list().cell(own, 5), ownLine);
    EXPECT_NE(list().cell(own, 3).find(':'), std::string::npos);
    EXPECT_GE(list().cell(own, 2).size(), 2u);
    EXPECT_EQ(list().cell(own, 4).substr(list().cell(own, 4).size() - 2), " K");
  } else {
    // Toolhelp on this system: three columns, a path column that names the file.
    EXPECT_EQ(list().cell(own, 2).substr(list().cell(own, 2).size() - fileName(ownExe()).size()),
              fromWide(fileName(ownExe())));
  }
  EXPECT_EQ(Header_GetItemCount(ListView_GetHeader(dynamic_cast<ListViewControl&>(list()).hwnd())),
            system.isNt() ? 6 : 3);
  EXPECT_EQ(form().controls().StatusBar1->panelText(1), "进程数: " + std::to_string(list().rowCount()));
  EXPECT_EQ(system.liveHandles(), baseline);
}

TEST_F(ProcessPage, CommandLineOfOwnProcessIsWhatTheSystemReports) {
  const std::string own =
      ledra::processes::GetProcessCommandLine(system, static_cast<std::int32_t>(GetCurrentProcessId()));
  EXPECT_EQ(own, fromWide(GetCommandLineW()));
  const auto path = ledra::processes::GetProcessImagePath(system, static_cast<std::int32_t>(GetCurrentProcessId()));
  ASSERT_TRUE(path.has_value());
  EXPECT_EQ(toWide(*path), ownExe());
  EXPECT_EQ(system.liveHandles(), baseline);
}

TEST_F(ProcessPage, LongCommandLineChildIsListedAndEndedFromThePage) {
  std::wstring padding = L"token-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount());
  while (padding.size() < 380) padding += L" --pad=" + std::to_wstring(padding.size());
  auto child = sleeper(padding);
  ASSERT_TRUE(child->started);
  const std::string line = "\"" + fromWide(ownExe()) + "\" --sleeper " + fromWide(padding);
  ASSERT_GT(line.size(), 300u);
  const int row = waitForRow(child->pid(), line);
  ASSERT_GE(row, 0);
  if (system.isNt()) {
    const auto image = ledra::processes::GetProcessImagePath(system, static_cast<std::int32_t>(child->pid()));
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(lstrcmpiW(toWide(*image).c_str(), ownExe().c_str()), 0) << *image;
  }

  list().selectRow(row);
  ModalCloser guard(GetCurrentThreadId(), IDOK, 1500, 200);
  form().ComKillTask_Click();
  guard.wait();
  EXPECT_FALSE(guard.seen) << "unexpected box: " << fromWide(guard.title);
  ASSERT_TRUE(child->ended(5000));
  EXPECT_EQ(child->exitCode(), 0u);
  tick();
  EXPECT_EQ(rowOfPid(child->pid()), -1);
  EXPECT_EQ(system.liveHandles(), baseline);
}

// Real key presses: Alt+E ends the selected process only where "结束进程(&E)" is on screen
// ("结束任务(&E)" shares the key), and Delete on the list does what the button does.
TEST_F(ProcessPage, AltEAndDeleteEndTheSelectedProcessFromTheKeyboard) {
  auto& controls = form().controls();
  const auto showPage = [&](int position) {
    controls.TabStrip1->select(position);
    form().TabStrip1_Click();
    pump();
  };
  SetForegroundWindow(window.hwnd());
  pumpFor(200);
  ASSERT_EQ(GetForegroundWindow(), window.hwnd());
  struct Case {
    int page;
    std::initializer_list<WORD> keys;
    bool ends;
  };
  for (const Case& c : {Case{1, {VK_MENU, 'E'}, false}, Case{2, {VK_MENU, 'E'}, true}, Case{2, {VK_DELETE}, true}}) {
    const std::wstring padding = L"keys-" + std::to_wstring(GetTickCount());
    auto child = sleeper(padding);
    ASSERT_TRUE(child->started);
    const int row = waitForRow(child->pid(), "\"" + fromWide(ownExe()) + "\" --sleeper " + fromWide(padding));
    ASSERT_GE(row, 0);
    list().selectRow(row);
    showPage(c.page);
    if (c.page == 2) ASSERT_EQ(GetFocus(), window.control("ListProcess"));
    ModalCloser closer(GetCurrentThreadId(), IDOK, 1500, 100);
    pressKeys(c.keys, [&](const MSG& m) { return window.preTranslate(m); });
    closer.wait();
    EXPECT_FALSE(closer.seen) << "unexpected box: " << fromWide(closer.title);
    EXPECT_EQ(child->ended(c.ends ? 5000 : 1000), c.ends) << c.page;
    if (c.ends) EXPECT_EQ(child->exitCode(), 0u);
  }
}

TEST_F(ProcessPage, ThirtyTwoBitChildOfTheSixtyFourBitBuildShowsItsCommandLine) {
  if (sizeof(void*) != 8) GTEST_SKIP() << "a case of the 64-bit build";
  // This same program from the 32-bit tree beside this build's (build/windows).
  const std::wstring other =
      folderOf(folderOf(folderOf(folderOf(ownExe())))) + L"\\windows\\tests\\win32\\" + fileName(ownExe());
  if (GetFileAttributesW(other.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no 32-bit tree beside this one";
  const std::wstring padding = L"wow64-" + std::to_wstring(GetTickCount()) + L" --pad";
  Child child(L"\"" + other + L"\" --sleeper " + padding);
  // A sleeper that is gone at once never ran: this machine runs no 32-bit programs.
  if (!child.started || child.ended(1000)) GTEST_SKIP() << "32-bit programs do not run here";
  BOOL wow64 = FALSE;
  ASSERT_TRUE(IsWow64Process(child.info.hProcess, &wow64));
  ASSERT_TRUE(wow64);
  const std::string line = "\"" + fromWide(other) + "\" --sleeper " + fromWide(padding);
  ASSERT_GE(waitForRow(child.pid(), line), 0);
  EXPECT_EQ(system.liveHandles(), baseline);
}

TEST_F(ProcessPage, EndingAProcessThatDoesNotExistShowsTheMessage) {
  tick();
  const int row = list().rowCount();
  list().addRow("a" + std::to_string(row), "nosuch.exe");
  list().setCell(row, 1, "2147483632");
  list().selectRow(row);
  ModalCloser closer(GetCurrentThreadId(), IDOK, 10000, 200);
  form().ComKillTask_Click();
  closer.wait();
  ASSERT_TRUE(closer.seen);
  EXPECT_EQ(closer.title, L"Windows Ledra");
  // On the 9x family the text passes through the ANSI code page.
  const std::string text = "\u201Cnosuch.exe\u201D不能被终止！";
  EXPECT_TRUE(closer.shows(toWide(system.isNt() ? text : fromAnsi(toAnsi(text)))));
  EXPECT_EQ(system.liveHandles(), baseline);
}

TEST_F(ProcessPage, ThousandTicksWithChildrenComingAndGoingCloseEveryHandle) {
  std::vector<std::unique_ptr<Child>> children;
  int started = 0;
  for (int i = 0; i < 1000; ++i) {
    if (i % 10 == 0) {
      children.push_back(
          std::make_unique<Child>(L"\"" + ownExe() + L"\" --brief " + std::to_wstring(50 + (i * 37) % 400)));
      ASSERT_TRUE(children.back()->started);
      ++started;
    }
    // Now and then the user ends one that is still running.
    if (i % 97 == 50) {
      for (auto& c : children) {
        if (c->ended(0)) continue;
        const int row = rowOfPid(c->pid());
        if (row < 0) continue;
        list().selectRow(row);
        ModalCloser closer(GetCurrentThreadId(), IDOK, 1000, 200);  // the child may have exited meanwhile
        form().ComKillTask_Click();
        closer.wait();
        break;
      }
    }
    form().Timer1_Timer();
    if (i % 5 == 0) pump();
    ASSERT_EQ(system.liveHandles(), baseline) << "tick " << i;
    std::erase_if(children, [](const std::unique_ptr<Child>& c) { return c->ended(0); });
  }
  EXPECT_EQ(started, 100);
  for (auto& c : children) c->ended(5000);
  children.clear();
  pumpFor(300);
  tick();
  EXPECT_EQ(system.liveHandles(), baseline);
  EXPECT_EQ(system.liveIcons(), 0u);
}

}  // namespace

int main(int argc, char** argv) {
  int wargc = 0;
  LPWSTR* wargv = CommandLineToArgvW(GetCommandLineW(), &wargc);
  if (wargv && wargc >= 2 && std::wstring(wargv[1]) == L"--sleeper") {
    Sleep(120000);  // ended by the test long before
    return 3;
  }
  if (wargv && wargc >= 3 && std::wstring(wargv[1]) == L"--brief") {
    Sleep(static_cast<DWORD>(_wtoi(wargv[2])));
    return 0;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
