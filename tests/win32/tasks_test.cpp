// The Applications page and the menus under Wine, with real windows: the enumeration,
// the task list with icons, switch to, end task, a window that stops answering, the Run
// dialog, the About box, the options and exit. Helper windows in other processes come
// from this same program started with "--helper".
//
// Set LEDRA_SHOT_DIR (a Windows path) to pause at each screen worth a picture: the test
// writes NAME.ready there and waits up to 20 s for NAME.done.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/ForLedra.h"
#include "counting_system.h"
#include "ledra_version.h"
#include "main/ledra_window.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_system.h"
#include "tasks/task_list.h"
#include "wine_support.h"

namespace {

using namespace ledra::platform::win32;
using ledra::platform::WindowHandle;
using namespace ledra::wine_test;

constexpr wchar_t kHelperClass[] = L"LedraTaskHelper";
constexpr wchar_t kProbeClass[] = L"LedraTaskProbe";

// ---- the helper process ------------------------------------------------------------------

// "--helper window TITLE": one window, pumping until it is closed or its process ends.
// "--helper hang TITLE": the same, but it stops pumping messages after a moment.
// "--helper ticking TITLE": the same, with a count after the title that goes up every 200 ms.
int runHelper(const std::wstring& mode, const std::wstring& title) {
  WNDCLASSW cls{};
  cls.lpfnWndProc = DefWindowProcW;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = kHelperClass;
  cls.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassW(&cls);
  HWND w = CreateWindowExW(0, kHelperClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60, 360, 240, nullptr,
                           nullptr, cls.hInstance, nullptr);
  if (!w) return 2;
  const auto start = Clock::now();
  auto retitled = start;
  int count = 0;
  MSG msg;
  for (;;) {
    if (mode == L"hang" && Clock::now() - start > std::chrono::milliseconds(300)) Sleep(INFINITE);
    if (mode == L"ticking" && Clock::now() - retitled >= std::chrono::milliseconds(200)) {
      retitled = Clock::now();
      SetWindowTextW(w, (title + L" " + std::to_wstring(++count)).c_str());
    }
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return 0;
      DispatchMessageW(&msg);
    }
    if (!IsWindow(w)) return 0;
    Sleep(10);
  }
}

std::unique_ptr<Child> startHelper(const wchar_t* mode, const std::wstring& title) {
  return std::make_unique<Child>(L"\"" + ownExe() + L"\" --helper " + mode + L" \"" + title + L"\"");
}

std::string textOf(HWND w) {
  wchar_t text[256] = {};
  GetWindowTextW(w, text, 256);
  return fromWide(text);
}

// ---- screenshots --------------------------------------------------------------------

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Waits for an outside screenshot when LEDRA_SHOT_DIR is set; pumps `pumpMessages` meanwhile.
void shotPoint(const wchar_t* name, bool pumpMessages) {
  wchar_t dir[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"LEDRA_SHOT_DIR", dir, MAX_PATH) == 0) return;
  const std::wstring base = std::wstring(dir) + L"\\" + name;
  HANDLE f = CreateFileW((base + L".ready").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
  for (int i = 0; i < 2000 && !exists(base + L".done"); ++i) {
    if (pumpMessages) pump();
    Sleep(10);
  }
}

// ---- the page ---------------------------------------------------------------------------

// A main window posts WM_QUIT when it goes; a leftover one would end the next modal
// box at once.
void dropQuit() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
}

class TaskPage : public ::testing::Test {
 protected:
  void SetUp() override {
    dropQuit();
    ASSERT_TRUE(window.create(system, GetModuleHandleW(nullptr), SW_SHOWNOACTIVATE));
    WNDCLASSW cls{};
    cls.lpfnWndProc = DefWindowProcW;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = kProbeClass;
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassW(&cls);
  }
  void TearDown() override {
    for (HWND w : probes) DestroyWindow(w);
    for (HICON icon : icons) DestroyIcon(icon);
    pump();
    dropQuit();
  }
  ledra::app::ForLedra& form() { return *window.form(); }
  const ledra::app::FormControls& controls() { return form().controls(); }
  WindowHandle self() { return fromWindow(window.hwnd()); }

  HWND probe(const std::wstring& title, DWORD style, DWORD exStyle = 0, HWND owner = nullptr) {
    HWND w = CreateWindowExW(exStyle, kProbeClass, title.c_str(), style, 20, 20, 200, 120, owner, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    if (w) probes.push_back(w);
    return w;
  }
  // How a title reads back through the family's entry points.
  std::string readBack(const std::string& title) { return system.isNt() ? title : fromAnsi(toAnsi(title)); }
  int rowOf(const std::string& title) {
    const auto& list = *controls().ListTask;
    for (int i = 0; i < list.rowCount(); ++i)
      if (list.cell(i, 0) == title) return i;
    return -1;
  }
  HWND listTask() { return window.control("ListTask"); }

  CountingSystem system;
  ledra::LedraWindow window;
  // A square icon of one opaque colour.
  HICON solidIcon(int size, COLORREF c) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size * size),
                                      0xFF000000u | GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
    std::vector<BYTE> mask(static_cast<std::size_t>(size * size / 8), 0);  // all opaque
    HBITMAP colour = CreateBitmap(size, size, 1, 32, pixels.data());
    HBITMAP andMask = CreateBitmap(size, size, 1, 1, mask.data());
    ICONINFO info{TRUE, 0, 0, andMask, colour};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(colour);
    DeleteObject(andMask);
    if (icon) icons.push_back(icon);
    return icon;
  }
  // The middle pixel of a row's image in the list's large or small image list, drawn on white.
  COLORREF middleOf(int row, int which) {
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    if (!ListView_GetItem(listTask(), &item)) return CLR_INVALID;
    HIMAGELIST images = ListView_GetImageList(listTask(), which);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(images, &cx, &cy);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, cx, cy);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    PatBlt(dc, 0, 0, cx, cy, WHITENESS);
    ImageList_Draw(images, item.iImage, dc, 0, 0, ILD_NORMAL);
    const COLORREF middle = GetPixel(dc, cx / 2, cy / 2);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return middle;
  }

  std::vector<HWND> probes;
  std::vector<HICON> icons;
};

TEST_F(TaskPage, EnumerationKeepsExactlyTheApplicationWindows) {
  const DWORD shown = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
  struct Expect {
    HWND w;
    std::string title;  // as in the task list string
    std::string original;
    std::string row = {};  // the row's text when not the same
  };
  std::vector<Expect> listed;
  std::set<HWND> notListed;

  HWND app = probe(L"Ledra probe app", shown);
  listed.push_back({app, "Ledra probe app", "Ledra probe app"});
  notListed.insert(probe(L"Ledra probe tool", shown, WS_EX_TOOLWINDOW));
  notListed.insert(probe(L"Ledra probe owned", shown, 0, app));
  HWND ownedApp = probe(L"Ledra probe owned app", shown, WS_EX_APPWINDOW, app);
  listed.push_back({ownedApp, "Ledra probe owned app", "Ledra probe owned app"});
  // An owned pop-up reports its owner as parent, so even the app bit does not list it.
  notListed.insert(probe(L"Ledra probe popup", WS_POPUP | WS_CAPTION | WS_VISIBLE, WS_EX_APPWINDOW, app));
  HWND unownedPopup = probe(L"Ledra probe borderless", WS_POPUP | WS_VISIBLE);
  listed.push_back({unownedPopup, "Ledra probe borderless", "Ledra probe borderless"});
  // A top-level window given WS_CHILD: GetParent answers the desktop for it.
  HWND childStyled = probe(L"Ledra probe child-styled", shown);
  ASSERT_NE(childStyled, nullptr);
  SetWindowLongW(childStyled, GWL_STYLE, (GetWindowLongW(childStyled, GWL_STYLE) & ~WS_POPUP) | WS_CHILD);
  notListed.insert(childStyled);
  notListed.insert(probe(L"Ledra probe hidden", WS_OVERLAPPEDWINDOW));
  notListed.insert(probe(L"", shown));
  HWND child = CreateWindowExW(0, kProbeClass, L"Ledra probe child", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, app, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(child, nullptr);
  const std::string chinese = "任务管理器测试 – 中文标题";
  listed.push_back({probe(toWide(chinese), shown), readBack(chinese), chinese});
  const std::string longTitle(300, 'L');
  listed.push_back({probe(toWide(longTitle), shown), std::string(255, 'L'), longTitle, longTitle});
  if (system.isNt()) {
    // Scripts outside any ANSI code page and a character beyond the BMP.
    const std::string anyScript = "한국어 Ελληνικά 😀";
    listed.push_back({probe(toWide(anyScript), shown), anyScript, anyScript});
  }
  for (const auto& e : listed) ASSERT_NE(e.w, nullptr);
  for (HWND w : notListed) ASSERT_NE(w, nullptr);
  pump();
  // What the list goes by, as the system's own calls answer it.
  for (const auto& e : listed) EXPECT_TRUE(IsWindowVisible(e.w) && !GetParent(e.w)) << e.title;
  EXPECT_NE(GetParent(childStyled), nullptr);

  // The expected string in the window manager's own order; foreign windows are not
  // expected on this private display.
  std::string expected;
  std::vector<std::string> foreign;
  system.enumWindows([&](WindowHandle h) {
    HWND w = reinterpret_cast<HWND>(h);
    auto it = std::find_if(listed.begin(), listed.end(), [&](const Expect& e) { return e.w == w; });
    if (it != listed.end())
      expected += it->title + "|";
    else if (!notListed.count(w) && w != window.hwnd() && IsWindowVisible(w))
      foreign.push_back(textOf(w));
    return true;
  });
  EXPECT_TRUE(foreign.empty()) << foreign.size() << " foreign windows, first: " << foreign.front();
  EXPECT_EQ(ledra::tasks::GetTaskList(system, self()), expected);

  // The tick lists them, and each title finds its window again.
  form().Timer1_Timer();
  const auto& list = *controls().ListTask;
  ASSERT_EQ(list.rowCount(), static_cast<int>(listed.size()));
  for (const auto& e : listed) {
    const int row = rowOf(e.row.empty() ? e.title : e.row);
    ASSERT_GE(row, 0) << e.title;
    EXPECT_EQ(list.rowTag(row), std::to_string(ledra::platform::raw(fromWindow(e.w))));
    // Found again by the title as listed, unless the list holds a cut or (on 9x, in a
    // code page without those characters) a substituted title.
    if (e.title == e.original)
      EXPECT_EQ(ledra::wine_test::findWindowByTitle(system.isNt(), e.title), fromWindow(e.w)) << e.title;
  }
  EXPECT_EQ(ListView_GetItemCount(listTask()), list.rowCount());
}

TEST_F(TaskPage, SwitchToKeepsAZoomedWindowZoomedRestoresAMinimisedOneAndEndTaskEndsItsProcess) {
  const std::wstring title = system.isNt() ? L"Ledra helper 切换" : L"Ledra helper switch";
  auto helper = startHelper(L"window", title);
  ASSERT_TRUE(helper->started);
  HWND w = windowOf(helper->pid());
  ASSERT_NE(w, nullptr);
  ShowWindow(w, SW_MAXIMIZE);
  pumpFor(300);
  ASSERT_TRUE(IsZoomed(w));

  form().Timer1_Timer();
  const int row = rowOf(fromWide(title));
  ASSERT_GE(row, 0);
  controls().ListTask->selectRow(row);
  ASSERT_TRUE(controls().meun_usemin->checked());
  form().Click("Command3");
  pumpFor(500);
  EXPECT_TRUE(IsZoomed(w));
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_TRUE(IsIconic(window.hwnd()));  // auto-minimise
  EXPECT_EQ(GetForegroundWindow(), w);

  // With auto-minimise off the main window stays as it is; a minimised window comes
  // back as it was before, here zoomed.
  ShowWindow(window.hwnd(), SW_RESTORE);
  ShowWindow(w, SW_MINIMIZE);
  pumpFor(300);
  ASSERT_TRUE(IsIconic(w));
  form().Click("meun_usemin");
  controls().ListTask->selectRow(row);
  form().Click("Command3");
  pumpFor(500);
  EXPECT_FALSE(IsIconic(window.hwnd()));
  EXPECT_FALSE(IsIconic(w));
  EXPECT_TRUE(IsZoomed(w));

  controls().ListTask->selectRow(row);
  form().Click("Command2");
  ASSERT_TRUE(helper->ended(5000));
  EXPECT_EQ(helper->exitCode(), 0u);
  form().Timer1_Timer();
  EXPECT_EQ(rowOf(fromWide(title)), -1);
}

// Two programs with windows of one title: the row picked is the window ended, not the
// first window that title finds.
TEST_F(TaskPage, EndTaskOnTheSecondOfTwoEqualTitlesEndsThatProcessOnly) {
  const std::wstring title = L"Ledra helper twin";
  auto first = startHelper(L"window", title);
  auto second = startHelper(L"window", title);
  ASSERT_TRUE(first->started && second->started);
  HWND a = windowOf(first->pid()), b = windowOf(second->pid());
  ASSERT_TRUE(a && b);
  pumpFor(200);

  form().Timer1_Timer();
  const auto& list = *controls().ListTask;
  std::vector<int> twins;
  for (int i = 0; i < list.rowCount(); ++i)
    if (list.cell(i, 0) == fromWide(title)) twins.push_back(i);
  ASSERT_EQ(twins.size(), 2u);
  // The second row is the one lower in the Z order, which a lookup by title never finds.
  HWND lower = nullptr;
  system.enumWindows([&](WindowHandle h) {
    HWND w = reinterpret_cast<HWND>(h);
    if (w == a || w == b) lower = w;
    return true;
  });
  ASSERT_NE(fromWindow(lower), ledra::wine_test::findWindowByTitle(system.isNt(), fromWide(title)));
  Child& victim = lower == a ? *first : *second;
  Child& survivor = lower == a ? *second : *first;

  controls().ListTask->selectRow(twins[1]);
  form().Click("Command2");
  ASSERT_TRUE(victim.ended(5000));
  EXPECT_FALSE(survivor.ended(300));
  form().Timer1_Timer();
  twins.clear();
  for (int i = 0; i < list.rowCount(); ++i)
    if (list.cell(i, 0) == fromWide(title)) twins.push_back(i);
  EXPECT_EQ(twins.size(), 1u);
}

// Our own windows answer WM_GETICON and give their class icons, so there both earlier
// sources can be seen at work; the image file of this program has no icon. A window that
// changes its icons and title gets new pictures; one that closes takes only its own away.
TEST_F(TaskPage, IconsFromTheWindowMessageAndFromTheClass) {
  const COLORREF red = RGB(255, 0, 0), green = RGB(0, 160, 0), blue = RGB(0, 0, 255), yellow = RGB(255, 255, 0);
  HWND byMessage = probe(L"Ledra icon by message", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  ASSERT_NE(byMessage, nullptr);
  SendMessageW(byMessage, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(solidIcon(32, red)));
  SendMessageW(byMessage, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(solidIcon(16, green)));

  WNDCLASSEXW cls{};
  cls.cbSize = sizeof(cls);
  cls.lpfnWndProc = DefWindowProcW;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = L"LedraTaskClassIcons";
  cls.hIcon = solidIcon(32, blue);
  cls.hIconSm = solidIcon(16, yellow);
  RegisterClassExW(&cls);
  HWND byClass = CreateWindowExW(0, cls.lpszClassName, L"Ledra icon by class", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 30, 30,
                                 200, 120, nullptr, nullptr, cls.hInstance, nullptr);
  ASSERT_NE(byClass, nullptr);
  probes.push_back(byClass);
  HWND bare = probe(L"Ledra icon none", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  pump();

  form().Timer1_Timer();
  const int m = rowOf("Ledra icon by message"), c = rowOf("Ledra icon by class"), b = rowOf("Ledra icon none");
  ASSERT_GE(m, 0);
  ASSERT_GE(c, 0);
  ASSERT_GE(b, 0);
  EXPECT_EQ(middleOf(m, LVSIL_NORMAL), red);
  EXPECT_EQ(middleOf(m, LVSIL_SMALL), green);
  EXPECT_EQ(middleOf(c, LVSIL_NORMAL), blue);
  EXPECT_EQ(middleOf(c, LVSIL_SMALL), yellow);
  EXPECT_EQ(middleOf(b, LVSIL_NORMAL), RGB(255, 255, 255));  // the blank image
  EXPECT_EQ(middleOf(b, LVSIL_SMALL), RGB(255, 255, 255));

  // New icons and a new title: asked again, its pictures replaced where they were.
  SendMessageW(byMessage, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(solidIcon(32, yellow)));
  SendMessageW(byMessage, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(solidIcon(16, blue)));
  SetWindowTextW(byMessage, L"Ledra icon by message again");
  form().Timer1_Timer();
  const int m2 = rowOf("Ledra icon by message again");
  ASSERT_GE(m2, 0);
  EXPECT_EQ(middleOf(m2, LVSIL_NORMAL), yellow);
  EXPECT_EQ(middleOf(m2, LVSIL_SMALL), blue);
  // A window closing with none to take its place: every other row keeps its own pictures.
  DestroyWindow(bare);
  probes.erase(std::find(probes.begin(), probes.end(), bare));
  pump();
  form().Timer1_Timer();
  ASSERT_EQ(rowOf("Ledra icon none"), -1);
  EXPECT_EQ(middleOf(rowOf("Ledra icon by message again"), LVSIL_NORMAL), yellow);
  EXPECT_EQ(middleOf(rowOf("Ledra icon by message again"), LVSIL_SMALL), blue);
  EXPECT_EQ(middleOf(rowOf("Ledra icon by class"), LVSIL_NORMAL), blue);
  EXPECT_EQ(middleOf(rowOf("Ledra icon by class"), LVSIL_SMALL), yellow);
  EXPECT_EQ(controls().Image_Large->count(), controls().ListTask->rowCount());
  // The window's and the class's icons are still theirs and alive.
  ICONINFO info{};
  for (HICON icon : icons) {
    EXPECT_TRUE(GetIconInfo(icon, &info));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
  }
  DestroyWindow(byClass);
  probes.erase(std::find(probes.begin(), probes.end(), byClass));
  UnregisterClassW(cls.lpszClassName, cls.hInstance);
}

// Another process's window gives no icon by message or class under Wine, so the row's
// icons come from its image file.
TEST_F(TaskPage, IconsOfAnotherProcessComeFromItsImageFile) {
  wchar_t dir[MAX_PATH] = {};
  GetSystemDirectoryW(dir, MAX_PATH);
  Child notepad(L"\"" + std::wstring(dir) + L"\\notepad.exe\"");
  ASSERT_TRUE(notepad.started);
  HWND w = windowOf(notepad.pid());
  ASSERT_NE(w, nullptr);
  std::string title;
  title = ledra::tasks::GetTaskList(system, self());
  form().Timer1_Timer();
  const int row = rowOf(system.getWindowText(fromWindow(w), 256));
  ASSERT_GE(row, 0) << title;
  EXPECT_EQ(system.liveIcons(), 0u);  // extracted, drawn and destroyed

  LVITEMW item{};
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  ASSERT_TRUE(ListView_GetItem(listTask(), &item));
  for (int which : {LVSIL_SMALL, LVSIL_NORMAL}) {
    HIMAGELIST images = ListView_GetImageList(listTask(), which);
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(images), controls().ListTask->rowCount());
    int cx = 0, cy = 0;
    ImageList_GetIconSize(images, &cx, &cy);
    EXPECT_EQ(cx, which == LVSIL_SMALL ? 16 : 32);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, cx, cy);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    PatBlt(dc, 0, 0, cx, cy, WHITENESS);
    ImageList_Draw(images, item.iImage, dc, 0, 0, ILD_NORMAL);
    int coloured = 0;
    for (int y = 0; y < cy; ++y)
      for (int x = 0; x < cx; ++x) coloured += (GetPixel(dc, x, y) & 0xFFFFFF) != 0xFFFFFF ? 1 : 0;
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    EXPECT_GT(coloured, cx * cy / 8) << (which == LVSIL_SMALL ? "small" : "large");
  }
}

// A window that retitles itself rebuilds the list at each tick; the row the user chose
// stays selected and stays that window.
TEST_F(TaskPage, SelectionHoldsWhileAnotherWindowKeepsRetitlingItself) {
  auto helper = startHelper(L"ticking", L"Ledra helper clock");
  ASSERT_TRUE(helper->started);
  HWND clock = windowOf(helper->pid());
  ASSERT_NE(clock, nullptr);
  HWND chosen = probe(L"Ledra probe chosen", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  ASSERT_NE(chosen, nullptr);
  pump();
  auto& list = *controls().ListTask;
  const std::string chosenTag = std::to_string(ledra::platform::raw(fromWindow(chosen)));
  const std::string clockTag = std::to_string(ledra::platform::raw(fromWindow(clock)));
  auto clockText = [&] {
    for (int i = 0; i < list.rowCount(); ++i)
      if (list.rowTag(i) == clockTag) return list.cell(i, 0);
    return std::string();
  };

  form().Timer1_Timer();
  const int row = rowOf("Ledra probe chosen");
  ASSERT_GE(row, 0);
  list.selectRow(row);
  std::string before = clockText();
  int retitled = 0;
  for (int tick = 0; tick < 10; ++tick) {
    pumpFor(250);
    form().Timer1_Timer();
    const int selected = list.selectedRow();  // read back from the control
    ASSERT_GE(selected, 0) << tick;
    EXPECT_EQ(list.rowTag(selected), chosenTag) << tick;
    EXPECT_EQ(SendMessageW(listTask(), LVM_GETITEMSTATE, selected, LVIS_FOCUSED), LVIS_FOCUSED) << tick;
    const std::string now = clockText();
    if (now != before) ++retitled;
    before = now;
  }
  EXPECT_GE(retitled, 5);  // the list was rebuilt under the selection, not left alone
}

TEST_F(TaskPage, AWindowThatStopsAnsweringDoesNotHoldUpTheTick) {
  auto helper = startHelper(L"hang", L"Ledra helper hung");
  ASSERT_TRUE(helper->started);
  HWND w = windowOf(helper->pid());
  ASSERT_NE(w, nullptr);
  pumpFor(800);  // past the helper's last message
  const auto start = Clock::now();
  form().Timer1_Timer();
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  EXPECT_LT(took, 1000);
  EXPECT_GE(rowOf("Ledra helper hung"), 0);
}

TEST_F(TaskPage, RunDialogOpensWithItsTitleAndPrompt) {
  const std::string title = readBack("创建新任务");
  ModalCloser closer(GetCurrentThreadId(), IDCANCEL, 10000, 300, [] { shotPoint(L"run-dialog", false); });
  form().Click("Command1");
  closer.wait();
  EXPECT_EQ(fromWide(closer.title), title);
  EXPECT_TRUE(closer.shows(toWide(readBack("Windows 将根据您所输入的名称，为您打开相应相应的程序"))));

  ModalCloser again(GetCurrentThreadId(), IDCANCEL, 10000, 300, [] { shotPoint(L"run-dialog-menu", false); });
  form().Click("menu_run");
  again.wait();
  EXPECT_EQ(fromWide(again.title), title);
}

TEST_F(TaskPage, AboutBoxShowsTheTitleLine) {
  ModalCloser closer(GetCurrentThreadId(), IDOK, 10000, 300, [] { shotPoint(L"about", false); });
  form().Click("menu_about");
  closer.wait();
  const std::wstring line = L"Ledra For Win9x/WinNT (" LEDRA_VERSION ")";
  EXPECT_TRUE(closer.title.find(line) != std::wstring::npos || closer.shows(line)) << fromWide(closer.title);
}

TEST_F(TaskPage, TopmostToggleAndExit) {
  auto topmost = [&] { return (GetWindowLongW(window.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
  ASSERT_TRUE(topmost());
  form().Click("menu_show");
  EXPECT_FALSE(topmost());
  EXPECT_FALSE(controls().menu_show->checked());
  form().Click("menu_show");
  EXPECT_TRUE(topmost());
  EXPECT_TRUE(controls().menu_show->checked());

  form().Click("menu_exit");
  EXPECT_FALSE(IsWindow(window.hwnd()));
  MSG msg;
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// Rebuilds with windows opening, closing and changing their titles, and icons extracted
// from a file each time. (Closing a window of our own costs Wine two seconds without a
// window manager, so the windows that close belong to helper processes that end.)
TEST_F(TaskPage, ThousandRebuildsLeaveNoIconBehind) {
  wchar_t dir[MAX_PATH] = {};
  GetSystemDirectoryW(dir, MAX_PATH);
  Child notepad(L"\"" + std::wstring(dir) + L"\\notepad.exe\"");
  ASSERT_TRUE(notepad.started);
  ASSERT_NE(windowOf(notepad.pid()), nullptr);
  HWND renamed = probe(L"Ledra probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  ASSERT_NE(renamed, nullptr);
  std::unique_ptr<Child> helper;

  // The image lists belong to the window, not to the list view that shows them.
  EXPECT_TRUE(GetWindowLongW(listTask(), GWL_STYLE) & LVS_SHAREIMAGELISTS);
  HIMAGELIST large = nullptr, small = nullptr;
  for (int i = 0; i < 1000; ++i) {
    if (i % 100 == 0) {
      helper.reset();  // its window closes with it
      helper = startHelper(L"window", L"Ledra helper " + std::to_wstring(i));
      ASSERT_NE(windowOf(helper->pid()), nullptr) << i;
    }
    SetWindowTextW(renamed, (L"Ledra probe " + std::to_wstring(i)).c_str());
    form().Timer1_Timer();
    ASSERT_EQ(system.liveIcons(), 0u) << i;
    ASSERT_EQ(system.liveHandles(), 0u) << i;
    const int rows = controls().ListTask->rowCount();
    ASSERT_GE(rows, 3) << i;
    ASSERT_EQ(ListView_GetItemCount(listTask()), rows) << i;
    ASSERT_EQ(controls().Image_Large->count(), rows) << i;
    ASSERT_EQ(controls().Image_Small->count(), rows) << i;
    // The same two image lists stay attached: none is made per rebuild.
    if (i == 0) {
      large = ListView_GetImageList(listTask(), LVSIL_NORMAL);
      small = ListView_GetImageList(listTask(), LVSIL_SMALL);
    }
    ASSERT_EQ(ListView_GetImageList(listTask(), LVSIL_NORMAL), large) << i;
    ASSERT_EQ(ListView_GetImageList(listTask(), LVSIL_SMALL), small) << i;
  }

  // Icon handles are still there to be had.
  std::vector<HICON> icons;
  const BYTE andMask[32 * 32 / 8] = {}, xorMask[32 * 32 / 8] = {};
  for (int i = 0; i < 1000; ++i) {
    HICON icon = CreateIcon(GetModuleHandleW(nullptr), 32, 32, 1, 1, andMask, xorMask);
    if (!icon) break;
    icons.push_back(icon);
  }
  EXPECT_EQ(icons.size(), 1000u);
  for (HICON icon : icons) DestroyIcon(icon);
}

// The page as the user sees it, for the screenshot.
TEST_F(TaskPage, ApplicationsPageShot) {
  wchar_t dir[MAX_PATH] = {};
  GetSystemDirectoryW(dir, MAX_PATH);
  Child notepad(L"\"" + std::wstring(dir) + L"\\notepad.exe\"");
  auto helper = startHelper(L"window", system.isNt() ? L"Ledra helper 窗口" : L"Ledra helper window");
  HWND others[] = {windowOf(notepad.pid()), windowOf(helper->pid()),
                   probe(L"Ledra probe app", WS_OVERLAPPEDWINDOW | WS_VISIBLE)};
  // Side by side with the main window, which has no window manager to arrange it.
  const RECT places[] = {{470, 20, 1010, 300}, {470, 320, 870, 520}, {470, 540, 800, 700}};
  for (int i = 0; i < 3; ++i) {
    ASSERT_NE(others[i], nullptr);
    const RECT& r = places[i];
    SetWindowPos(others[i], nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOACTIVATE | SWP_NOZORDER);
  }
  ShowWindow(window.hwnd(), SW_SHOWNORMAL);
  SetWindowPos(window.hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE);
  SetForegroundWindow(window.hwnd());
  controls().TabStrip1->select(1);
  form().TabStrip1_Click();
  form().Timer1_Timer();
  controls().ListTask->selectRow(0);
  pumpFor(500);
  EXPECT_GE(controls().ListTask->rowCount(), 3);
  shotPoint(L"applications", true);
}

}  // namespace

int main(int argc, char** argv) {
  int wargc = 0;
  LPWSTR* wargv = CommandLineToArgvW(GetCommandLineW(), &wargc);
  if (wargv && wargc >= 4 && std::wstring(wargv[1]) == L"--helper") return runHelper(wargv[2], wargv[3]);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
