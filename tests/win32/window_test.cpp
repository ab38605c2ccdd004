// The real main window under Wine: the designed control tree, start-up state, message
// routing and the controls' behaviour over comctl32 and GDI. Geometry assumes 96 dpi.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/design.h"
#include "main/ledra_window.h"
#include "platform/design.h"
#include "platform/win32/controls_win32.h"
#include "platform/win32/main_window.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_system.h"
#include "wine_support.h"

namespace {

using namespace ledra::platform::win32;
using ledra::wine_test::ModalCloser;
using ledra::wine_test::pressKeys;
using ledra::wine_test::pumpFor;
namespace design = ledra::app::design;

struct Box {
  int x, y, w, h;
  friend bool operator==(const Box&, const Box&) = default;
};

void PrintTo(const Box& b, std::ostream* os) { *os << "(" << b.x << "," << b.y << " " << b.w << "x" << b.h << ")"; }

// Position inside the parent's client area, outer size.
Box boxOf(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

std::wstring textOf(HWND hwnd) {
  wchar_t buffer[256] = {};
  GetWindowTextW(hwnd, buffer, 256);
  return buffer;
}

// Position among the siblings, 0 = topmost.
int zOrder(HWND hwnd) {
  int n = 0;
  for (HWND w = GetWindow(hwnd, GW_HWNDFIRST); w && w != hwnd; w = GetWindow(w, GW_HWNDNEXT)) ++n;
  return n;
}

bool visible(HWND hwnd) { return (GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0; }

// The width of an icon's image in pixels; 0 for no icon.
int iconWidth(HICON icon) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return 0;
  BITMAP bitmap{};
  GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}

void pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

struct MenuEntry {
  std::wstring caption;
  UINT state;
  int depth;
};

void collectMenu(HMENU menu, int depth, std::vector<MenuEntry>& out) {
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
    out.push_back({text, GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION), depth});
    if (HMENU sub = GetSubMenu(menu, i)) collectMenu(sub, depth + 1, out);
  }
}

std::wstring columnHeader(HWND list, int column, int* width, int* format) {
  wchar_t text[64] = {};
  LVCOLUMNW info{};
  info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  info.pszText = text;
  info.cchTextMax = 64;
  SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info));
  *width = info.cx;
  *format = info.fmt & LVCFMT_JUSTIFYMASK;
  return text;
}

std::wstring itemText(HWND list, int row, int column) {
  wchar_t text[128] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 128;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return text;
}

std::wstring panelText(HWND bar, int part) {
  wchar_t text[128] = {};
  SendMessageW(bar, SB_GETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text));
  return text;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window.create(system, GetModuleHandleW(nullptr), SW_SHOWNOACTIVATE));
    ASSERT_EQ(window.dpi().x, 96);
    ASSERT_EQ(window.dpi().y, 96);
  }
  const ledra::app::FormControls& controls() { return window.form()->controls(); }
  HWND hwnd(const char* name, int index = -1) { return window.control(name, index); }
  // What a control shows of UTF-8 text, read back wide: on the 9x family the text went
  // through the ANSI code page, so what the page lacks reads as its default character.
  std::wstring shown(std::string_view utf8) const {
    return system.isNt() ? toWide(utf8) : toWide(fromAnsi(toAnsi(utf8)));
  }

  Win32System system;
  ledra::LedraWindow window;
};

// ---- start-up state ------------------------------------------------------------------

TEST_F(MainWindowTest, WindowHasItsCaptionTopmostFixedFrameAndDesignedSize) {
  HWND main = window.hwnd();
  EXPECT_EQ(textOf(main), L"Windows Ledra ");
  EXPECT_TRUE(GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_TOPMOST);
  const LONG style = GetWindowLongW(main, GWL_STYLE);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  RECT outer{}, client{};
  GetWindowRect(main, &outer);
  GetClientRect(main, &client);
  EXPECT_EQ(outer.right - outer.left, 447);      // 6700 twips
  EXPECT_EQ(client.bottom, 469);                 // 7035 twips
  EXPECT_EQ(controls().Image_NULL->count(), 1);  // the window's own icon
}

// Each size of Ledra's icon at the system's metric for it, the window's own (the class
// has none: it outlives the window), not a shared one shrunk or stretched.
TEST_F(MainWindowTest, OwnIconsAreLoadedAtTheSystemSizes) {
  HWND main = window.hwnd();
  const auto large = reinterpret_cast<HICON>(SendMessageW(main, WM_GETICON, ICON_BIG, 0));
  const auto small = reinterpret_cast<HICON>(SendMessageW(main, WM_GETICON, ICON_SMALL, 0));
  ASSERT_NE(large, nullptr);
  ASSERT_NE(small, nullptr);
  EXPECT_NE(large, small);
  EXPECT_EQ(iconWidth(large), GetSystemMetrics(SM_CXICON));
  EXPECT_EQ(iconWidth(small), GetSystemMetrics(SM_CXSMICON));
  EXPECT_EQ(GetClassLongPtrW(main, GCLP_HICON), 0u);
  EXPECT_EQ(GetClassLongPtrW(main, GCLP_HICONSM), 0u);

  // Another window has icons of its own, which go with it: shared ones (LR_SHARED, the
  // same handles for every window, never destroyed) would outlive it.
  HICON otherLarge = nullptr, otherSmall = nullptr;
  {
    ledra::LedraWindow other;
    ASSERT_TRUE(other.create(system, GetModuleHandleW(nullptr), SW_HIDE));
    otherLarge = reinterpret_cast<HICON>(SendMessageW(other.hwnd(), WM_GETICON, ICON_BIG, 0));
    otherSmall = reinterpret_cast<HICON>(SendMessageW(other.hwnd(), WM_GETICON, ICON_SMALL, 0));
    EXPECT_NE(otherLarge, large);
    EXPECT_NE(otherSmall, small);
    EXPECT_EQ(iconWidth(otherSmall), GetSystemMetrics(SM_CXSMICON));
  }
  EXPECT_EQ(iconWidth(otherLarge), 0);
  EXPECT_EQ(iconWidth(otherSmall), 0);
  EXPECT_EQ(iconWidth(large), GetSystemMetrics(SM_CXICON));  // this window's stay
}

TEST_F(MainWindowTest, ControlsStandAtTheirDesignedPixels) {
  for (int i = 0; i < 3; ++i) EXPECT_EQ(boxOf(hwnd("PicProperty", i)), (Box{10, 34, 421, 397})) << i;
  EXPECT_EQ(boxOf(hwnd("ListProcess")), (Box{12, 6, 395, 355}));
  EXPECT_EQ(boxOf(hwnd("ListTask")), (Box{12, 6, 395, 357}));
  EXPECT_EQ(boxOf(hwnd("ComKillTask")), (Box{310, 370, 101, 23}));
  EXPECT_EQ(boxOf(hwnd("Command1")), (Box{328, 372, 83, 23}));
  EXPECT_EQ(boxOf(hwnd("TabStrip1")), (Box{6, 4, 429, 439}));
  EXPECT_EQ(boxOf(hwnd("Frame2")), (Box{112, 2, 301, 153}));
  EXPECT_EQ(boxOf(hwnd("BrokenCPU")), (Box{12, 22, 275, 117}));
  EXPECT_EQ(boxOf(hwnd("UseCPU")), (Box{12, 22, 72, 117}));
  EXPECT_EQ(boxOf(hwnd("LabCPU")), (Box{2, 96, 65, 21}));  // inside the meter's border
  EXPECT_EQ(boxOf(hwnd("LabUseVirtual")), (Box{70, 42, 119, 13}));
  EXPECT_GE(boxOf(hwnd("Picture5")).x, 447);  // the icon holder lies beyond the right edge

  // Every designed window exists under its designed container, in twips / 15.
  for (const auto& c : design::kControls) {
    if (c.kind == design::Kind::ImageList || c.kind == design::Kind::IconSurface || c.kind == design::Kind::Timer ||
        c.kind == design::Kind::StatusBar)
      continue;
    HWND control = window.control(c.name, c.index);
    ASSERT_NE(control, nullptr) << c.name;
    HWND parent = c.parent.empty() ? window.hwnd() : window.control(c.parent);
    EXPECT_EQ(GetParent(control), parent) << c.name;
    if (c.kind == design::Kind::PagePanel) continue;  // stacked at start-up
    EXPECT_EQ(boxOf(control), (Box{c.left / 15, c.top / 15, c.width / 15, c.height / 15})) << c.name;
  }

  RECT client{};
  GetClientRect(window.hwnd(), &client);
  const Box bar = boxOf(hwnd("StatusBar1"));
  EXPECT_EQ(bar.y + bar.h, client.bottom);
  EXPECT_EQ(bar.w, client.right);
  int edges[4] = {};
  ASSERT_EQ(SendMessageW(hwnd("StatusBar1"), SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 3);
  EXPECT_EQ(edges[0], 96);
  EXPECT_EQ(edges[1], 192);
  EXPECT_EQ(edges[2], -1);
}

TEST_F(MainWindowTest, CaptionsTabsAndPagesAfterStartUp) {
  // Buttons, frames and the caption labels; the value labels are written by start-up.
  for (const auto& c : design::kControls)
    if (c.kind == design::Kind::Button || c.kind == design::Kind::Frame ||
        (c.kind == design::Kind::Label && !c.name.starts_with("Lab")))
      EXPECT_EQ(textOf(window.control(c.name, c.index)), shown(c.caption)) << c.name;

  HWND tabs = hwnd("TabStrip1");
  ASSERT_EQ(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 3);
  for (int t = 0; t < 3; ++t) {
    wchar_t text[32] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 32;
    SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(t), reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(std::wstring(text), shown(design::kTabs[static_cast<std::size_t>(t)]));
  }
  EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 2);
  EXPECT_FALSE(visible(hwnd("PicProperty", 0)));
  EXPECT_FALSE(visible(hwnd("PicProperty", 1)));
  EXPECT_TRUE(visible(hwnd("PicProperty", 2)));

  // Panel 1 waits for the first tick; the page panels lie above the tab strip.
  EXPECT_EQ(panelText(hwnd("StatusBar1"), 0), L"");
  for (int i = 0; i < 3; ++i) EXPECT_LT(zOrder(hwnd("PicProperty", i)), zOrder(hwnd("TabStrip1"))) << i;
}

TEST_F(MainWindowTest, TextGoesThroughTheEntryPointsOfTheOsFamily) {
  // Wide on NT; ANSI on the 9x family, where the wide window calls are stubs.
  const bool wide = system.isNt();
  EXPECT_EQ(window.textPath().ansi(), !wide);
  EXPECT_EQ(IsWindowUnicode(window.hwnd()) != 0, wide);
  const struct {
    const char* name;
    int index;
  } windows[] = {{"PicProperty", 0}, {"Frame2", -1}, {"UseCPU", -1}, {"ComKillTask", -1}, {"LabCPU", -1}};
  for (const auto& w : windows) EXPECT_EQ(IsWindowUnicode(hwnd(w.name, w.index)) != 0, wide) << w.name;

  // On a Chinese 9x system every caption survives its code page, so what the other
  // tests read back (shown()) is the design itself there.
  if (wide || GetACP() != 936) return;
  std::vector<std::string_view> captions;
  for (const auto& c : design::kControls) captions.push_back(c.caption);
  for (const auto& t : design::kTabs) captions.push_back(t);
  for (const auto& m : design::kMenus) captions.push_back(m.caption);
  for (const auto& c : design::kProcessColumns9x) captions.push_back(c.header);
  for (const auto& c : design::kTaskColumns) captions.push_back(c.header);
  for (std::string_view caption : captions) EXPECT_EQ(shown(caption), toWide(caption)) << caption;
}

TEST_F(MainWindowTest, ListColumnsAreTheDesignedOnes) {
  HWND process = hwnd("ListProcess");
  HWND header = reinterpret_cast<HWND>(SendMessageW(process, LVM_GETHEADER, 0, 0));
  if (!system.isNt()) {  // the 9x family keeps the designed three
    ASSERT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 3);
    const char* nine[] = {"映像名称", "PID", "路径"};
    const int widths[] = {173, 80, 240};
    for (int i = 0; i < 3; ++i) {
      int width = 0, format = 0;
      EXPECT_EQ(columnHeader(process, i, &width, &format), shown(nine[i])) << i;
      EXPECT_EQ(width, widths[i]) << i;
      EXPECT_EQ(format, i == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT) << i;
    }
    return;
  }
  ASSERT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 6);
  const struct {
    const wchar_t* text;
    int width, format;
  } nt[] = {{L"映像名称", 173, LVCFMT_LEFT},  {L"PID", 67, LVCFMT_RIGHT},      {L"CPU", 53, LVCFMT_RIGHT},
            {L"CPU 时间", 80, LVCFMT_CENTER}, {L"内存使用", 67, LVCFMT_RIGHT}, {L"命令行", 240, LVCFMT_LEFT}};
  for (int i = 0; i < 6; ++i) {
    int width = 0, format = 0;
    EXPECT_EQ(columnHeader(process, i, &width, &format), nt[i].text) << i;
    EXPECT_EQ(width, nt[i].width) << i;
    EXPECT_EQ(format, nt[i].format) << i;
  }
  HWND task = hwnd("ListTask");
  int width = 0, format = 0;
  EXPECT_EQ(columnHeader(task, 0, &width, &format), L"任务");
  EXPECT_EQ(width, 300);
  EXPECT_EQ(columnHeader(task, 1, &width, &format), L"状态");
  EXPECT_EQ(width, 100);
  EXPECT_TRUE(GetWindowLongW(task, GWL_STYLE) & LVS_SHAREIMAGELISTS);
  EXPECT_FALSE(GetWindowLongW(task, GWL_STYLE) & (LVS_SORTASCENDING | LVS_SORTDESCENDING));
}

TEST_F(MainWindowTest, MenuBarHasTheDesignedItemsAndChecks) {
  std::vector<MenuEntry> entries;
  collectMenu(GetMenu(window.hwnd()), 0, entries);
  ASSERT_EQ(entries.size(), std::size(design::kMenus));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].caption, shown(design::kMenus[i].caption)) << i;
    EXPECT_EQ((entries[i].state & MF_CHECKED) != 0, design::kMenus[i].checked) << i;
  }
  EXPECT_EQ(entries[4].caption, shown("前端显示(&A)"));
  EXPECT_TRUE(entries[4].state & MF_CHECKED);
  EXPECT_EQ(entries[5].caption, shown("使用自动最小化(&M)"));
  EXPECT_TRUE(entries[5].state & MF_CHECKED);
  EXPECT_EQ(entries[9].caption, shown("高(&H)"));
  EXPECT_EQ(entries[9].depth, 2);
  EXPECT_TRUE(entries[9].state & MF_CHECKED);
}

// ---- message routing -----------------------------------------------------------------

TEST_F(MainWindowTest, TimerTicksThroughTheMessageLoop) {
  HWND bar = hwnd("StatusBar1");
  EXPECT_EQ(panelText(bar, 0), L"");
  const DWORD until = GetTickCount() + 5000;
  while (panelText(bar, 0).empty() && GetTickCount() < until) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    pump();
  }
  EXPECT_EQ(panelText(bar, 0).rfind(shown("进程数: "), 0), 0u) << fromWide(panelText(bar, 0));
}

TEST_F(MainWindowTest, MenuCommandsAndTabsReachTheirHandlers) {
  SendMessageW(window.hwnd(), WM_COMMAND, window.menuId("menu_renew", 2), 0);
  EXPECT_FALSE(controls().menu_renew[0]->checked());
  EXPECT_TRUE(controls().menu_renew[2]->checked());
  EXPECT_EQ(GetMenuState(GetMenu(window.hwnd()), window.menuId("menu_renew", 2), MF_BYCOMMAND) & MF_CHECKED,
            static_cast<UINT>(MF_CHECKED));
  EXPECT_EQ(controls().Timer1->interval(), 2000);
  SendMessageW(window.hwnd(), WM_COMMAND, window.menuId("menu_renew", 3), 0);
  EXPECT_FALSE(controls().Timer1->enabled());

  // The user picks "进程": the tab control tells its parent.
  SendMessageW(hwnd("TabStrip1"), TCM_SETCURFOCUS, 1, 0);
  EXPECT_FALSE(visible(hwnd("PicProperty", 0)));
  EXPECT_TRUE(visible(hwnd("PicProperty", 1)));
  EXPECT_FALSE(visible(hwnd("PicProperty", 2)));
  EXPECT_EQ(GetFocus(), hwnd("ListProcess"));
  // Selecting from code does not notify.
  controls().TabStrip1->select(1);
  EXPECT_EQ(controls().TabStrip1->selectedPosition(), 1);
  EXPECT_TRUE(visible(hwnd("PicProperty", 1)));
}

// Real key presses, as a user of the keyboard makes them.
TEST_F(MainWindowTest, KeyboardMovesTheFocusAndThePagesAsADialogDoes) {
  SetForegroundWindow(window.hwnd());
  pumpFor(200);
  ASSERT_EQ(GetForegroundWindow(), window.hwnd());
  // The program's loop hands each message to the window first; this test's loop does too.
  const auto keys = [&](std::initializer_list<WORD> pressed) {
    pressKeys(pressed, [&](const MSG& m) { return window.preTranslate(m); });
  };
  struct Step {
    std::initializer_list<WORD> keys;
    int page;           // 0..2, shown afterwards
    const char* focus;  // the control holding the focus afterwards
  };
  const Step steps[] = {
      {{VK_CONTROL, VK_TAB}, 0, "ListTask"},  // from the Performance page round to the first
      {{VK_TAB}, 0, "Command2"},
      {{VK_TAB}, 0, "Command3"},
      {{VK_SHIFT, VK_TAB}, 0, "Command2"},
      {{VK_SHIFT, VK_TAB}, 0, "ListTask"},
      {{VK_SHIFT, VK_TAB}, 0, "TabStrip1"},
      {{VK_CONTROL, VK_NEXT}, 1, "ListProcess"},
      {{VK_TAB}, 1, "ComKillTask"},  // the hidden page's buttons are skipped
      {{VK_TAB}, 1, "TabStrip1"},
      {{VK_CONTROL, VK_TAB}, 2, "TabStrip1"},  // no control on this page: the tab strip keeps it
      {{VK_CONTROL, VK_PRIOR}, 1, "ListProcess"},
      {{VK_CONTROL, VK_SHIFT, VK_TAB}, 0, "ListTask"},
  };
  for (const Step& step : steps) {
    keys(step.keys);
    for (int page = 0; page < 3; ++page) EXPECT_EQ(visible(hwnd("PicProperty", page)), page == step.page) << step.focus;
    EXPECT_EQ(GetFocus(), hwnd(step.focus)) << step.focus;
  }
  EXPECT_EQ(controls().TabStrip1->selectedPosition(), 1);

  // A box of another's over the window: the focus comes back to the control that had it.
  keys({VK_TAB});
  ASSERT_EQ(GetFocus(), hwnd("Command2"));
  {
    ModalCloser closer(GetCurrentThreadId(), IDOK, 5000, 100);
    MessageBoxW(window.hwnd(), L"box", L"box", MB_OK);
    closer.wait();
    ASSERT_TRUE(closer.seen);
  }
  pumpFor(200);
  EXPECT_EQ(GetFocus(), hwnd("Command2"));
  keys({VK_SHIFT, VK_TAB});
  {
    ModalCloser closer(GetCurrentThreadId(), IDOK, 5000, 100);
    MessageBoxW(window.hwnd(), L"box", L"box", MB_OK);
    closer.wait();
  }
  pumpFor(200);
  EXPECT_EQ(GetFocus(), hwnd("ListTask"));
}

TEST_F(MainWindowTest, WidthKeepsClientHeightAndEndingQuits) {
  controls().form->setWidthTwips(9000);
  RECT outer{}, client{};
  GetWindowRect(window.hwnd(), &outer);
  GetClientRect(window.hwnd(), &client);
  EXPECT_EQ(outer.right - outer.left, 600);
  EXPECT_EQ(client.bottom, 469);
  EXPECT_EQ(controls().form->widthTwips(), 9000);

  pump();
  HWND main = window.hwnd();
  controls().form->endProgram();
  EXPECT_FALSE(IsWindow(main));
  MSG msg{};
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
  EXPECT_EQ(window.run(), 0);  // the program's own loop ends on it
}

// ---- a window of another design ----------------------------------------------------------

// Three controls and two commands: the window makes and reports whatever a design holds.
struct ToyEvents : ledra::platform::WindowEvents {
  std::vector<std::string> seen;
  ledra::platform::Label* label = nullptr;
  void loaded(ledra::platform::ControlLookup& controls) override {
    label = controls.get<ledra::platform::Label>("ToyLabel");
    seen.push_back(std::string("loaded") + (controls.get<ledra::platform::ListView>("ToyLabel") ? " list?" : "") +
                   (controls.get<ledra::platform::Label>("Nothing") ? " nothing?" : "") +
                   (controls.get<ledra::platform::MenuItem>("toy_go") ? " menu" : ""));
  }
  void clicked(std::string_view name, int index) override {
    seen.push_back("clicked " + std::string(name) + " " + std::to_string(index));
  }
  void tabChanged(std::string_view name, int) override { seen.push_back("tab " + std::string(name)); }
  void timer(std::string_view name, int) override {
    if (seen.empty() || seen.back() != "timer " + std::string(name)) seen.push_back("timer " + std::string(name));
  }
  void resized() override {}
  bool listKey(std::string_view, int, ledra::platform::ListKey) override { return false; }
};

TEST(GenericWindow, MakesAndReportsTheRowsOfAnyDesign) {
  using ledra::platform::ControlKind;
  using ledra::platform::ControlRow;
  static constexpr ControlRow kRows[] = {
      {"ToyButton", 2, ControlKind::Button, "", "Go", 150, 150, 1200, 375},
      {"ToyLabel", -1, ControlKind::Label, "", "label", 150, 600, 1200, 255},
      {"ToyTimer",
       -1,
       ControlKind::Timer,
       "",
       "",
       0,
       0,
       0,
       0,
       {},
       {},
       ledra::platform::Align::Left,
       ledra::platform::Unit::Twips,
       false,
       {},
       50},
  };
  static constexpr ledra::platform::MenuRow kMenus[] = {{"toy_menu", -1, "", "Menu", false},
                                                        {"toy_go", -1, "toy_menu", "Go", true}};
  static constexpr ledra::platform::WindowDesign kToy{"Toy window", 4000, 2000, kRows, kMenus, {}, {}};
  Win32System system;
  ToyEvents events;
  MainWindow window;
  ASSERT_TRUE(window.create(system, GetModuleHandleW(nullptr), kToy, events, SW_SHOWNOACTIVATE));
  ASSERT_EQ(events.seen, (std::vector<std::string>{"loaded menu"}));
  ASSERT_NE(events.label, nullptr);
  EXPECT_EQ(events.label->caption(), "label");
  EXPECT_EQ(window.control("ToyButton"), nullptr);  // arrays are found with their index
  HWND button = window.control("ToyButton", 2);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(GetParent(button), window.hwnd());

  SendMessageW(button, BM_CLICK, 0, 0);
  SendMessageW(window.hwnd(), WM_COMMAND, window.menuId("toy_go"), 0);
  EXPECT_EQ(window.menuId("toy_menu"), 0u);  // a submenu is no command
  const DWORD until = GetTickCount() + 3000;
  while (events.seen.size() < 4 && GetTickCount() < until) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    pump();
  }
  EXPECT_EQ(events.seen,
            (std::vector<std::string>{"loaded menu", "clicked ToyButton 2", "clicked toy_go -1", "timer ToyTimer"}));
}

// ---- the controls ----------------------------------------------------------------------

TEST_F(MainWindowTest, ListViewKeepsKeysTagsAndTextsWithTheRows) {
  auto& list = *controls().ListTask;
  HWND real = hwnd("ListTask");
  list.clearRows();
  list.addRow("a0", "记事本", 0, 0);
  list.addRow("a1", "计算器", 0, 0);
  list.addRow("a2", "画图", 0, 0);
  list.setCell(1, 1, "正在运行");
  list.setRowTag(1, "tag1");
  ASSERT_EQ(SendMessageW(real, LVM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(itemText(real, 1, 0), shown("计算器"));
  EXPECT_EQ(itemText(real, 1, 1), shown("正在运行"));
  EXPECT_EQ(list.cell(1, 1), "正在运行");
  EXPECT_EQ(list.cell(2, 0), "画图");

  list.removeRow(0);
  EXPECT_EQ(list.rowCount(), 2);
  EXPECT_EQ(list.cell(0, 0), "计算器");
  EXPECT_EQ(list.rowTag(0), "tag1");
  EXPECT_EQ(itemText(real, 0, 0), shown("计算器"));

  // Out of range: nothing, never a crash.
  EXPECT_EQ(list.cell(7, 0), "");
  EXPECT_EQ(list.rowTag(-1), "");
  list.setCell(7, 0, "x");
  list.removeRow(7);
  EXPECT_EQ(list.rowCount(), 2);

  EXPECT_EQ(list.selectedRow(), -1);
  list.selectRow(1);
  EXPECT_EQ(list.selectedRow(), 1);
  EXPECT_EQ(SendMessageW(real, LVM_GETITEMSTATE, 1, LVIS_FOCUSED), LVIS_FOCUSED);
  list.selectRow(-1);
  EXPECT_EQ(list.selectedRow(), -1);

  list.clearRows();
  EXPECT_EQ(SendMessageW(real, LVM_GETITEMCOUNT, 0, 0), 0);
  EXPECT_EQ(list.rowCount(), 0);
  EXPECT_EQ(list.topRow(), 0);
  list.setTopRow(3);  // no rows: nothing to scroll
  EXPECT_EQ(list.topRow(), 0);
}

// The scroll position is read and set by row, also across a rebuild whose repaint is held,
// and a row past the end scrolls only as far as the list goes.
TEST_F(MainWindowTest, ListViewScrollPositionByRow) {
  auto& list = *controls().ListTask;
  HWND real = hwnd("ListTask");
  controls().PicProperty[0]->setVisible(true);
  auto fill = [&] {
    list.clearRows();
    for (int i = 0; i < 80; ++i) list.addRow("a" + std::to_string(i), "row " + std::to_string(i), 0, 0);
  };
  fill();
  const int perPage = static_cast<int>(SendMessageW(real, LVM_GETCOUNTPERPAGE, 0, 0));
  ASSERT_GT(perPage, 0);
  ASSERT_LT(perPage, 60);
  list.setTopRow(20);
  EXPECT_EQ(list.topRow(), 20);
  EXPECT_EQ(SendMessageW(real, LVM_GETTOPINDEX, 0, 0), 20);
  list.setTopRow(7);
  EXPECT_EQ(list.topRow(), 7);

  list.beginUpdate();
  const int top = list.topRow();
  fill();
  list.selectRow(70);  // scrolled into view, then back to where the user was
  list.setTopRow(top);
  EXPECT_EQ(list.topRow(), 7);
  list.endUpdate();
  EXPECT_EQ(SendMessageW(real, LVM_GETTOPINDEX, 0, 0), 7);
  EXPECT_EQ(list.selectedRow(), 70);

  list.setTopRow(1000);
  EXPECT_EQ(list.topRow(), 80 - perPage);
  list.clearRows();
}

// A tick that only rewrites cells repaints just those rows; one that adds or removes rows
// repaints the list, and the list draws again afterwards.
TEST_F(MainWindowTest, ListViewUpdateRepaintsOnlyWhatChanged) {
  auto& list = *controls().ListTask;
  HWND real = hwnd("ListTask");
  controls().PicProperty[0]->setVisible(true);
  list.clearRows();
  for (int i = 0; i < 6; ++i) list.addRow("a" + std::to_string(i), "row " + std::to_string(i), 0, 0);
  auto updated = [&] {
    RECT r{};
    return GetUpdateRect(real, &r, FALSE) ? r : RECT{};
  };
  RECT row3{LVIR_BOUNDS};
  ASSERT_TRUE(SendMessageW(real, LVM_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&row3)));
  RECT client{};
  GetClientRect(real, &client);

  UpdateWindow(real);
  list.beginUpdate();
  list.setCell(3, 0, "changed");
  list.setCell(4, 0, "row 4");  // the same text: no repaint
  list.endUpdate();
  RECT r = updated();
  EXPECT_GE(r.top, row3.top);
  EXPECT_LE(r.bottom, row3.bottom);
  EXPECT_LT(r.top, r.bottom);

  UpdateWindow(real);
  list.beginUpdate();
  list.removeRow(5);
  list.endUpdate();
  r = updated();
  EXPECT_EQ(r.top, client.top);
  EXPECT_EQ(r.bottom, client.bottom);

  UpdateWindow(real);
  list.setCell(0, 0, "again");  // outside an update: redrawing is back on
  EXPECT_LT(updated().top, updated().bottom);

  // On a hidden page the list holds its repaint through updates, and lets go of it when
  // the page is shown.
  controls().PicProperty[0]->setVisible(false);
  for (const char* text : {"hidden too", "hidden"}) {
    list.beginUpdate();
    list.setCell(1, 0, text);
    list.setCell(2, 0, text);
    list.endUpdate();
  }
  controls().PicProperty[0]->setVisible(true);
  UpdateWindow(real);
  EXPECT_EQ(itemText(real, 1, 0), L"hidden");
  list.setCell(2, 0, "shown");
  EXPECT_LT(updated().top, updated().bottom);
  controls().PicProperty[0]->setVisible(false);
}

TEST_F(MainWindowTest, CanvasDrawsInItsOwnUnitInsideTheBorder) {
  auto& meter = *controls().UseCPU;
  auto& graph = *controls().BrokenCPU;
  EXPECT_FLOAT_EQ(meter.width(), 54.0f);
  EXPECT_FLOAT_EQ(meter.height(), 87.75f);
  EXPECT_FLOAT_EQ(graph.width(), 4125.0f);
  EXPECT_FLOAT_EQ(graph.height(), 1755.0f);

  auto* real = dynamic_cast<CanvasControl*>(&meter);
  ASSERT_NE(real, nullptr);
  const COLORREF green = RGB(0, 255, 0), black = RGB(0, 0, 0);
  meter.clear();
  meter.rectangle(13.0f, 65.5f, 24.0f, 65.7f, {0, 255, 0});  // a meter bar, 0.2 points tall
  for (int x = 17; x <= 32; ++x) EXPECT_EQ(real->pixel(x, 87), green) << x;
  EXPECT_EQ(real->pixel(16, 87), black);
  EXPECT_EQ(real->pixel(33, 87), black);
  EXPECT_EQ(real->pixel(20, 86), black);
  EXPECT_EQ(real->pixel(20, 88), black);
  meter.point(26.0f, 4.75f, {0, 128, 0});
  EXPECT_EQ(real->pixel(34, 6), RGB(0, 128, 0));

  auto* realGraph = dynamic_cast<CanvasControl*>(&graph);
  graph.clear();
  graph.line(0.0f, 175.0f, graph.width(), 175.0f, {0, 128, 64});
  EXPECT_EQ(realGraph->pixel(0, 11), RGB(0, 128, 64));
  EXPECT_EQ(realGraph->pixel(270, 11), RGB(0, 128, 64));
  EXPECT_EQ(realGraph->pixel(100, 10), black);
  graph.clear();
  EXPECT_EQ(realGraph->pixel(270, 11), black);

  // A finished picture is on the window at once, with no paint left waiting.
  controls().PicProperty[2]->setVisible(true);
  UpdateWindow(realGraph->hwnd());
  graph.line(0.0f, 175.0f, graph.width(), 175.0f, {0, 128, 64});
  graph.present();
  RECT pending{};
  EXPECT_FALSE(GetUpdateRect(realGraph->hwnd(), &pending, FALSE));
  {
    const HDC screen = GetDC(realGraph->hwnd());
    EXPECT_EQ(GetPixel(screen, 100, 11), RGB(0, 128, 64));
    ReleaseDC(realGraph->hwnd(), screen);
  }
  graph.clear();
  graph.present();
  controls().PicProperty[2]->setVisible(false);

  // Lines, joined or not, in any direction and off the edge, set exactly the pixels that
  // each one drawn alone (LineTo, then its end point) sets.
  struct Segment {
    int x1, y1, x2, y2;  // pixels; the canvas gets them as twips
    COLORREF colour;
  };
  const COLORREF grid = RGB(0, 128, 64), trace = RGB(0, 255, 0);
  const Segment segments[] = {
      {0, 11, 274, 11, grid},     {40, 0, 40, 116, grid},    {300, 50, -20, 50, grid},  // lone, one clipped
      {274, 100, 271, 20, trace}, {271, 20, 268, 21, trace}, {268, 21, 200, 116, trace}, {200, 116, 197, 116, trace},
      {197, 116, 190, 0, trace},  {190, 0, 190, 60, trace},  {190, 60, 150, 61, grid},   {7, 7, 7, 7, trace}};
  graph.clear();
  RECT inside{};
  GetClientRect(realGraph->hwnd(), &inside);  // the bitmap's size
  const int w = inside.right, h = inside.bottom;
  struct Surface {
    MemoryDc dc{CreateCompatibleDC(nullptr)};
    GdiObject bitmap;
    HGDIOBJ original = nullptr;
    const std::uint32_t* bits = nullptr;
    Surface(int w, int h) {
      BITMAPINFO info{};
      info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
      void* p = nullptr;
      bitmap.reset(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &p, nullptr, 0));
      bits = static_cast<const std::uint32_t*>(p);
      original = SelectObject(dc.get(), bitmap.get());
      PatBlt(dc.get(), 0, 0, w, h, BLACKNESS);
    }
    ~Surface() { SelectObject(dc.get(), original); }
  } reference(w, h), shown(w, h);
  for (const Segment& s : segments) {
    graph.line(s.x1 * 15.0f, s.y1 * 15.0f, s.x2 * 15.0f, s.y2 * 15.0f,
               {GetRValue(s.colour), GetGValue(s.colour), GetBValue(s.colour)});
    GdiObject pen(CreatePen(PS_SOLID, 1, s.colour));
    HGDIOBJ oldPen = SelectObject(reference.dc.get(), pen.get());
    MoveToEx(reference.dc.get(), s.x1, s.y1, nullptr);
    LineTo(reference.dc.get(), s.x2, s.y2);
    SetPixelV(reference.dc.get(), s.x2, s.y2, s.colour);
    SelectObject(reference.dc.get(), oldPen);
  }
  realGraph->paint(shown.dc.get());
  GdiFlush();
  ASSERT_TRUE(reference.bits && shown.bits);
  int differing = 0, lit = 0;
  for (int i = 0; i < w * h; ++i) {
    differing += (reference.bits[i] & 0xFFFFFF) != (shown.bits[i] & 0xFFFFFF);
    lit += (shown.bits[i] & 0xFFFFFF) != 0;
  }
  EXPECT_EQ(differing, 0);
  EXPECT_GT(lit, 500);
  graph.clear();
}

TEST_F(MainWindowTest, ImageListsTakeSurfacesAtTheirOwnSize) {
  auto& small = *controls().Image_Small;
  auto& large = *controls().Pic_Large;
  HICON icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  large.clear();
  EXPECT_FALSE(large.drawIconEx(ledra::platform::IconHandle{}, 0, 0, 32, 32));
  EXPECT_TRUE(large.drawIconEx(fromIcon(icon), 0, 0, 32, 32));
  EXPECT_TRUE(controls().Pic_Small->drawIcon(fromIcon(icon), 0, 0));

  small.setImageSize(16, 16);
  EXPECT_EQ(small.count(), 0);
  small.addFrom(large);
  small.addFrom(*controls().Pic_Small);
  EXPECT_EQ(small.count(), 2);
  auto* real = dynamic_cast<ImageListControl*>(&small);
  int w = 0, h = 0;
  ImageList_GetIconSize(real->handle(), &w, &h);
  EXPECT_EQ(w, 16);
  EXPECT_EQ(h, 16);
  small.clear();
  EXPECT_EQ(small.count(), 0);
}

TEST_F(MainWindowTest, LabelsAndStatusBarShowChineseText) {
  controls().StatusBar1->setPanelText(3, "提交更改: 312M / 512M");
  EXPECT_EQ(panelText(hwnd("StatusBar1"), 2), shown("提交更改: 312M / 512M"));
  EXPECT_EQ(controls().StatusBar1->panelText(3), "提交更改: 312M / 512M");
  controls().StatusBar1->setPanelText(4, "ignored");
  EXPECT_EQ(controls().StatusBar1->panelText(4), "");

  controls().LabCPU->setCaption("37 %");
  EXPECT_EQ(textOf(hwnd("LabCPU")), L"37 %");

  // The meter labels paint green on black; the figures keep the system colours.
  HDC dc = GetDC(hwnd("LabCPU"));
  EXPECT_NE(SendMessageW(hwnd("UseCPU"), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(hwnd("LabCPU"))),
            0);
  EXPECT_EQ(GetTextColor(dc), RGB(0, 255, 0));
  EXPECT_EQ(GetBkColor(dc), RGB(0, 0, 0));
  SendMessageW(hwnd("Frame6"), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
               reinterpret_cast<LPARAM>(hwnd("LabUseVirtual")));
  EXPECT_NE(GetTextColor(dc), RGB(0, 255, 0));
  ReleaseDC(hwnd("LabCPU"), dc);
}

TEST_F(MainWindowTest, FigureLabelsHoldTheLargestFigureWhole) {
  // A 64-bit address space: 128 TiB of virtual memory, in K.
  const std::wstring largest = L"137438953344";
  for (const char* name : {"LabTotalPageFile", "LabAvailPageFile", "LabUsePageFile", "LabTotalVirtual",
                           "LabAvailVirtual", "LabUseVirtual"}) {
    HWND label = hwnd(name);
    ASSERT_NE(label, nullptr) << name;
    RECT client{};
    GetClientRect(label, &client);
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32W(dc, largest.c_str(), static_cast<int>(largest.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    EXPECT_LE(extent.cx, client.right) << name;
  }
}

}  // namespace
