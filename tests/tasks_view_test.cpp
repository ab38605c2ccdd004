// The task list view: change detection, the rebuild and the icon fallbacks, driven by
// the refresh tick on FakeSystem windows and in-memory controls.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/ForLedra.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_system.h"
#include "fakes/nt_records.h"
#include "platform/os_constants.h"
#include "soak.h"

namespace {

using ledra::app::ForLedra;
using ledra::fakes::FakeForm;
using ledra::fakes::FakeSystem;
using ledra::fakes::hicon;
using ledra::fakes::hwnd;

struct TaskView : ::testing::Test {
  FakeSystem sys;
  FakeForm f;
  ForLedra form{sys, f.controls};

  void SetUp() override {
    form.Form_Load();
    f.log.clear();
    sys.clearCalls();
  }
  // The window's process, with an image file that ExtractIconEx knows.
  void giveImageFile(std::uint32_t pid, const std::string& path, std::uintptr_t large, std::uintptr_t small) {
    auto& p = sys.processes[pid];
    p.pid = pid;
    p.modules = {0x400000};
    p.moduleFileNames[0x400000] = path;
    sys.fileIcons[path] = {hicon(large), hicon(small)};
  }
  // What the tick did to the task list and its images, in order.
  std::vector<std::string> taskOps() const {
    std::vector<std::string> out;
    for (const auto& op : f.log)
      if (op.rfind("ListTask.", 0) == 0 || op.rfind("Image_", 0) == 0 || op.rfind("Pic_", 0) == 0) out.push_back(op);
    return out;
  }
  std::vector<std::string> titles() const {
    std::vector<std::string> out;
    for (const auto& r : f.ListTask.rows) out.push_back(r.cells[0]);
    return out;
  }
  // The pictures a row shows: its entries in the two image lists ("?" for none).
  std::string largeImageOf(int row) const { return imageOf(f.Image_Large, f.ListTask.rows.at(row).largeImage); }
  std::string smallImageOf(int row) const { return imageOf(f.Image_Small, f.ListTask.rows.at(row).smallImage); }
  static std::string imageOf(const ledra::fakes::MemoryImageList& list, int image) {
    return image >= 1 && image <= list.count() ? list.images[static_cast<std::size_t>(image - 1)] : "?";
  }
  int rowOf(std::uintptr_t window) const {
    for (int i = 0; i < f.ListTask.rowCount(); ++i)
      if (f.ListTask.rowTag(i) == std::to_string(window)) return i;
    return -1;
  }
};

TEST_F(TaskView, RebuildOrderKeysAndImagePairing) {
  sys.windows = {{.handle = hwnd(1), .title = "Alpha", .bigIcon = hicon(11), .smallIcon = hicon(12)},
                 {.handle = hwnd(2), .title = "Beta", .bigIcon = hicon(21), .smallIcon = hicon(22)}};
  form.Timer1_Timer();

  const std::vector<std::string> expected = {"ListTask.setLargeImageList",
                                             "ListTask.setSmallImageList",  // Image_NULL
                                             "Image_Large.clear",
                                             "Image_Small.clear",
                                             "Image_Small.setImageSize 16x16",
                                             "Image_Large.setImageSize 32x32",
                                             "Pic_Small.clear",
                                             "Pic_Large.clear",
                                             "Pic_Large.drawIconEx 11 32x32 on 32x32",
                                             "Pic_Small.drawIconEx 12 16x16 on 16x16",
                                             "Image_Large.addFrom",
                                             "Image_Small.addFrom",
                                             "Pic_Small.clear",
                                             "Pic_Large.clear",
                                             "Pic_Large.drawIconEx 21 32x32 on 32x32",
                                             "Pic_Small.drawIconEx 22 16x16 on 16x16",
                                             "Image_Large.addFrom",
                                             "Image_Small.addFrom",
                                             "ListTask.setLargeImageList",
                                             "ListTask.setSmallImageList",  // the refilled lists
                                             "ListTask.clearRows",
                                             "ListTask.addRow",
                                             "ListTask.addRow",
                                             "ListTask.setTopRow"};
  EXPECT_EQ(taskOps(), expected);
  EXPECT_EQ(f.ListTask.largeList, &f.Image_Large);
  EXPECT_EQ(f.ListTask.smallList, &f.Image_Small);
  EXPECT_EQ(f.Image_NULL.count(), 1);  // only the window's own icon, untouched

  ASSERT_EQ(f.ListTask.rowCount(), 2);
  for (int i = 0; i < 2; ++i) {
    const auto& row = f.ListTask.rows[static_cast<std::size_t>(i)];
    EXPECT_EQ(row.key, "a" + std::to_string(i));
    EXPECT_EQ(row.largeImage, i + 1);
    EXPECT_EQ(row.smallImage, i + 1);
    EXPECT_EQ(f.ListTask.cell(i, 1), "");  // the status column stays empty
  }
  EXPECT_EQ(titles(), (std::vector<std::string>{"Alpha", "Beta"}));
  EXPECT_EQ(f.Image_Large.images, (std::vector<std::string>{"11@32x32;", "21@32x32;"}));
  EXPECT_EQ(f.Image_Small.images, (std::vector<std::string>{"12@16x16;", "22@16x16;"}));
  EXPECT_EQ(f.Image_Small.imageWidth, 16);
  EXPECT_EQ(f.Image_Small.imageHeight, 16);
  // Icons of a window are never destroyed.
  EXPECT_EQ(sys.count("destroyIcon"), 0u);
}

TEST_F(TaskView, ChangeDetectionOnTheWholeString) {
  sys.windows = {{.handle = hwnd(1), .title = "Alpha"}, {.handle = hwnd(2), .title = "Beta"}};
  form.Timer1_Timer();
  f.ListTask.selectRow(1);

  // Same string: nothing is touched, the selection stays.
  f.log.clear();
  sys.sentMessages.clear();
  form.Timer1_Timer();
  EXPECT_TRUE(taskOps().empty());
  EXPECT_TRUE(sys.sentMessages.empty());
  EXPECT_EQ(f.ListTask.selectedRow(), 1);

  // Only the Z order changed: rebuilt in the new order, the selection follows its window.
  std::swap(sys.windows[0], sys.windows[1]);
  form.Timer1_Timer();
  EXPECT_EQ(titles(), (std::vector<std::string>{"Beta", "Alpha"}));
  EXPECT_EQ(f.ListTask.selectedRow(), 0);
  EXPECT_EQ(f.Image_Large.count(), 2);

  // The same titles, but the selected window was replaced by another of its title: rebuilt,
  // the row holds the new window and its icon, and nothing is selected.
  sys.windows[0] = {.handle = hwnd(7), .title = "Beta", .bigIcon = hicon(71), .smallIcon = hicon(72)};
  form.Timer1_Timer();
  EXPECT_EQ(titles(), (std::vector<std::string>{"Beta", "Alpha"}));
  EXPECT_EQ(f.ListTask.rowTag(0), "7");
  EXPECT_EQ(largeImageOf(0), "71@32x32;");
  EXPECT_EQ(f.ListTask.selectedRow(), -1);

  // Everything closed: both image lists and the rows are emptied.
  sys.windows.clear();
  form.Timer1_Timer();
  EXPECT_EQ(f.ListTask.rowCount(), 0);
  EXPECT_EQ(f.Image_Large.count(), 0);
  EXPECT_EQ(f.Image_Small.count(), 0);
  EXPECT_EQ(f.ListTask.largeList, &f.Image_Large);
  EXPECT_EQ(form.LastTaskList, "");

  // An empty string again: nothing to do.
  f.log.clear();
  form.Timer1_Timer();
  EXPECT_TRUE(taskOps().empty());
}

// A title that changes every tick rebuilds the list every tick, by setting that row's text;
// the user's place survives: the selected window, wherever it moves, and the scroll position.
TEST_F(TaskView, RebuildsKeepTheSelectedWindowAndTheScrollPosition) {
  for (std::uintptr_t w = 1; w <= 12; ++w) sys.windows.push_back({.handle = hwnd(w), .title = "W" + std::to_string(w)});
  form.Timer1_Timer();
  ASSERT_EQ(f.ListTask.pageRows, 8);
  f.ListTask.selectRow(3);
  f.ListTask.setTopRow(4);  // the user scrolled on past the selected row
  for (int tick = 1; tick <= 5; ++tick) {
    sys.windows[6].title = "Clock " + std::to_string(tick);
    f.log.clear();
    const int cellsBefore = f.ListTask.cellWrites;
    form.Timer1_Timer();
    EXPECT_TRUE(taskOps().empty()) << tick;  // no row, image or drawing
    EXPECT_EQ(f.ListTask.cellWrites - cellsBefore, 1) << tick;
    EXPECT_EQ(f.ListTask.cell(6, 0), "Clock " + std::to_string(tick)) << tick;
    EXPECT_EQ(f.ListTask.selectedRow(), 3) << tick;
    EXPECT_EQ(f.ListTask.rowTag(3), "4") << tick;
    EXPECT_EQ(f.ListTask.topRow(), 4) << tick;
  }
  // A window above it closes: the selection moves up with its window.
  sys.windows.erase(sys.windows.begin());
  form.Timer1_Timer();
  EXPECT_EQ(f.ListTask.selectedRow(), 2);
  EXPECT_EQ(f.ListTask.rowTag(2), "4");
  // The selected window closes: nothing is selected, and the place in the list stays.
  f.ListTask.setTopRow(1);
  sys.windows.erase(sys.windows.begin() + 2);
  form.Timer1_Timer();
  EXPECT_EQ(f.ListTask.selectedRow(), -1);
  EXPECT_EQ(f.ListTask.topRow(), 1);
}

// Each row is built from its own window: a "|" in a title, equal titles and a title
// longer than the task list string keeps all give one row with that window's icon.
TEST_F(TaskView, BarTitlesEqualTitlesAndLongTitlesRowByWindow) {
  const std::string longTitle = std::string(300, 'L') + "汉";
  sys.windows = {{.handle = hwnd(1), .title = "Alpha|Beta", .bigIcon = hicon(11), .smallIcon = hicon(12)},
                 {.handle = hwnd(2), .title = "Same", .bigIcon = hicon(21), .smallIcon = hicon(22)},
                 {.handle = hwnd(3), .title = "Same", .bigIcon = hicon(31), .smallIcon = hicon(32)},
                 {.handle = hwnd(4), .title = longTitle, .bigIcon = hicon(41), .smallIcon = hicon(42)}};
  form.Timer1_Timer();
  EXPECT_EQ(form.mod.TaskList, "Alpha|Beta|Same|Same|" + std::string(255, 'L') + "|");
  EXPECT_EQ(titles(), (std::vector<std::string>{"Alpha|Beta", "Same", "Same", longTitle}));
  std::vector<std::string> keys, tags;
  for (const auto& r : f.ListTask.rows) {
    keys.push_back(r.key);
    tags.push_back(r.tag);
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"a0", "a1", "a2", "a3"}));
  EXPECT_EQ(tags, (std::vector<std::string>{"1", "2", "3", "4"}));
  EXPECT_EQ(f.Image_Large.images, (std::vector<std::string>{"11@32x32;", "21@32x32;", "31@32x32;", "41@32x32;"}));
  EXPECT_EQ(f.Image_Small.images, (std::vector<std::string>{"12@16x16;", "22@16x16;", "32@16x16;", "42@16x16;"}));
}

TEST_F(TaskView, IconMessageIsSentBlockingWithATimeoutThatGivesUpOnHungWindows) {
  sys.windows = {{.handle = hwnd(1), .title = "Alpha", .bigIcon = hicon(11), .smallIcon = hicon(12)}};
  form.Timer1_Timer();
  ASSERT_EQ(sys.sentMessages.size(), 2u);
  EXPECT_EQ(sys.sentMessages[0].message, 0x7Fu);  // WM_GETICON
  EXPECT_EQ(sys.sentMessages[0].wParam, 1u);      // ICON_BIG
  EXPECT_EQ(sys.sentMessages[1].wParam, 2u);      // ICON_SMALL2
  for (const auto& m : sys.sentMessages) {
    EXPECT_EQ(m.flags, 3u);  // SMTO_BLOCK | SMTO_ABORTIFHUNG: nothing sent to us runs meanwhile
    EXPECT_GT(m.timeoutMs, 0u);
    EXPECT_LE(m.timeoutMs, 500u);
  }
}

TEST_F(TaskView, HungWindowIsAskedOnceAndFallsBackToItsClass) {
  sys.windows = {{.handle = hwnd(1),
                  .title = "Busy",
                  .bigIcon = hicon(11),
                  .smallIcon = hicon(12),
                  .classIcon = hicon(13),
                  .classSmallIcon = hicon(14),
                  .hung = true},
                 {.handle = hwnd(2), .title = "Busy"}};
  form.Timer1_Timer();
  // One unanswered message for the hung window, both for the other.
  ASSERT_EQ(sys.sentMessages.size(), 3u);
  EXPECT_EQ(sys.sentMessages[0].window, hwnd(1));
  EXPECT_EQ(sys.sentMessages[1].window, hwnd(2));
  EXPECT_EQ(f.Image_Large.images, (std::vector<std::string>{"13@32x32;", ""}));
  EXPECT_EQ(f.Image_Small.images, (std::vector<std::string>{"14@16x16;", ""}));

  // The other window retitles itself at every tick: the hung one is not asked again at
  // each rebuild, only once after ten of them; its row keeps its pictures.
  std::vector<int> askedAt;
  for (int rebuild = 2; rebuild <= 12; ++rebuild) {
    sys.windows[1].title = "Busy " + std::to_string(rebuild);
    sys.sentMessages.clear();
    form.Timer1_Timer();
    for (const auto& m : sys.sentMessages)
      if (m.window == hwnd(1)) askedAt.push_back(rebuild);
  }
  EXPECT_EQ(askedAt, (std::vector<int>{11}));
  EXPECT_EQ(largeImageOf(0), "13@32x32;");
  EXPECT_EQ(sys.hungWaits, 0u);
}

// A desktop of twenty windows where, between two ticks, one window retitles itself, one
// closes, one opens and one changes its icon alone. Only that work is done: the retitled
// row's text is set in place, the closed window's row goes and the new one's comes in
// its place in the window order, taking over the closed one's place in the image lists;
// only the new window is drawn. The windows asked for their icons are the new one, the
// retitled one and one more, in turn, so the changed icon shows within as many rebuilds
// as there are windows, replacing that window's pictures alone. Windows closing with none
// to take their place leave every row on its own window's pictures.
TEST_F(TaskView, TwentyWindowsOneRetitledOneClosedOneOpenedOneChangingItsIcon) {
  const auto window = [](std::uintptr_t w) {
    return FakeSystem::Window{.handle = hwnd(w),
                              .title = "W" + std::to_string(w),
                              .pid = static_cast<std::uint32_t>(100 + w),
                              .thread = static_cast<std::uint32_t>(w),
                              .bigIcon = hicon(1000 + 10 * w),
                              .smallIcon = hicon(1001 + 10 * w)};
  };
  // Every row shows its own window's icons (W15's as they were before it changed them).
  const auto expectOwnPictures = [&](const char* when) {
    ASSERT_EQ(f.ListTask.rowCount(), static_cast<int>(sys.windows.size())) << when;
    EXPECT_EQ(f.Image_Large.count(), f.ListTask.rowCount()) << when;
    EXPECT_EQ(f.Image_Small.count(), f.ListTask.rowCount()) << when;
    for (int i = 0; i < f.ListTask.rowCount(); ++i) {
      const auto& w = sys.windows[static_cast<std::size_t>(i)];
      const auto n = ledra::platform::raw(w.handle);
      EXPECT_EQ(f.ListTask.rows[static_cast<std::size_t>(i)].key, "a" + std::to_string(i)) << when << " row " << i;
      EXPECT_EQ(f.ListTask.rowTag(i), std::to_string(n)) << when << " row " << i;
      EXPECT_EQ(f.ListTask.cell(i, 0), w.title) << when << " row " << i;
      const std::uintptr_t big = n == 15 && largeImageOf(i) == "1150@32x32;" ? 1150 : ledra::platform::raw(w.bigIcon);
      EXPECT_EQ(largeImageOf(i), std::to_string(big) + "@32x32;") << when << " row " << i;
      EXPECT_EQ(smallImageOf(i), std::to_string(big + 1 - 2 * (big == 1999)) + "@16x16;") << when << " row " << i;
    }
  };
  for (std::uintptr_t w = 1; w <= 20; ++w) sys.windows.push_back(window(w));
  form.Timer1_Timer();
  expectOwnPictures("first");
  f.ListTask.selectRow(9);  // W10
  f.ListTask.setTopRow(4);
  // The OS calls of a tick where nothing changed, for comparison.
  sys.clearCalls();
  form.Timer1_Timer();
  const std::vector<std::string> unchanged = sys.calls;

  sys.windows[2].title = "W3 - 42%";
  sys.windows[14].bigIcon = hicon(1999);  // W15, and its title stays
  sys.windows[14].smallIcon = hicon(1998);
  sys.windows.erase(sys.windows.begin() + 6);           // W7 closes
  sys.windows.insert(sys.windows.begin(), window(21));  // W21 opens on top
  f.log.clear();
  sys.clearCalls();
  sys.sentMessages.clear();
  form.Timer1_Timer();

  expectOwnPictures("changed");
  EXPECT_EQ(f.ListTask.cell(3, 0), "W3 - 42%");
  EXPECT_EQ(largeImageOf(rowOf(15)), "1150@32x32;");  // not asked yet
  EXPECT_EQ(f.ListTask.selectedRow(), 9);             // W10: one row went above it, one came
  EXPECT_EQ(f.ListTask.rowTag(9), "10");
  EXPECT_EQ(f.ListTask.topRow(), 4);
  const std::vector<std::string> ops = {"Pic_Small.clear",
                                        "Pic_Large.clear",
                                        "Pic_Large.drawIconEx 1210 32x32 on 32x32",
                                        "Pic_Small.drawIconEx 1211 16x16 on 16x16",
                                        "Image_Large.replaceFrom 7",  // where W7's were
                                        "Image_Small.replaceFrom 7",
                                        "ListTask.removeRow",
                                        "ListTask.insertRow",
                                        "ListTask.setTopRow"};
  EXPECT_EQ(taskOps(), ops);
  // Asked: the new window, the retitled one and, in turn, the first of those asked longest
  // ago; each once for its owner and twice for its icons. Nothing else beyond the tick
  // where nothing changed: no class, no image file, no process.
  std::vector<std::uintptr_t> asked;
  for (const auto& m : sys.sentMessages) asked.push_back(ledra::platform::raw(m.window));
  EXPECT_EQ(asked, (std::vector<std::uintptr_t>{21, 21, 3, 3, 1, 1}));
  std::vector<std::string> extra = sys.calls, base = unchanged;
  std::sort(extra.begin(), extra.end());
  std::sort(base.begin(), base.end());
  std::vector<std::string> added;
  std::set_difference(extra.begin(), extra.end(), base.begin(), base.end(), std::back_inserter(added));
  EXPECT_EQ(added, (std::vector<std::string>{"getWindowThreadProcessId", "getWindowThreadProcessId",
                                             "getWindowThreadProcessId", "sendMessageTimeout", "sendMessageTimeout",
                                             "sendMessageTimeout", "sendMessageTimeout", "sendMessageTimeout",
                                             "sendMessageTimeout"}));
  EXPECT_EQ(sys.calls.size(), unchanged.size() + added.size());

  // W3 goes on retitling itself; the windows are asked in turn until W15 is, and then only
  // its pictures are replaced.
  const int w15 = rowOf(15);
  int rebuilds = 1;
  for (; largeImageOf(w15) != "1999@32x32;" && rebuilds <= 20; ++rebuilds) {
    sys.windows[3].title = "W3 - " + std::to_string(42 + rebuilds) + "%";
    f.log.clear();
    form.Timer1_Timer();
    if (largeImageOf(w15) == "1999@32x32;") break;
    EXPECT_TRUE(taskOps().empty()) << rebuilds;
  }
  EXPECT_LE(rebuilds, 20);
  const std::vector<std::string> iconOps = {"Pic_Small.clear",
                                            "Pic_Large.clear",
                                            "Pic_Large.drawIconEx 1999 32x32 on 32x32",
                                            "Pic_Small.drawIconEx 1998 16x16 on 16x16",
                                            "Image_Large.replaceFrom 15",
                                            "Image_Small.replaceFrom 15",
                                            "ListTask.setRowImage"};
  EXPECT_EQ(taskOps(), iconOps);
  EXPECT_EQ(f.ListTask.rows[static_cast<std::size_t>(w15)].largeImage, 15);
  expectOwnPictures("icon");

  // W2 (above the selection) and W18 (below it) close and nothing opens: their pictures
  // go, the rows after them in the image lists are renumbered, none is drawn.
  std::erase_if(sys.windows, [](const auto& w) { return w.handle == hwnd(2) || w.handle == hwnd(18); });
  f.log.clear();
  form.Timer1_Timer();
  expectOwnPictures("closed");
  EXPECT_EQ(f.ListTask.rowTag(f.ListTask.selectedRow()), "10");
  const auto closeOps = taskOps();
  EXPECT_EQ(std::count(closeOps.begin(), closeOps.end(), "ListTask.removeRow"), 2);
  EXPECT_EQ(std::count_if(closeOps.begin(), closeOps.end(), [](const auto& op) { return op.rfind("Pic_", 0) == 0; }),
            0);
  EXPECT_EQ(std::count(closeOps.begin(), closeOps.end(), "Image_Large.remove 18"), 1);
  EXPECT_EQ(std::count(closeOps.begin(), closeOps.end(), "Image_Large.remove 2"), 1);
}

// A window handle taken over by another program's window, and a PID taken over by a new
// process, are another window and another process: the icons come afresh from the new
// image file. A process's path is read once for all its windows while it lives.
TEST_F(TaskView, ReusedHandlesAndPidsAreOtherWindowsAndProcesses) {
  sys.windows = {{.handle = hwnd(1), .title = "A", .pid = 40, .thread = 7},
                 {.handle = hwnd(2), .title = "B", .pid = 40, .thread = 7}};
  giveImageFile(40, "C:\\a.exe", 15, 16);
  ledra::fakes::SetCreateTime(sys.processes[40], 1000);
  form.Timer1_Timer();
  EXPECT_EQ(largeImageOf(0), "15@32x32;");
  EXPECT_EQ(largeImageOf(1), "15@32x32;");
  EXPECT_EQ(sys.count("getModuleFileNameEx"), 1u);  // the path once, then by creation time
  EXPECT_EQ(sys.count("extractIconEx"), 2u);

  // Process 40 ended and a new one has its PID; window 1 closed and its handle now belongs
  // to a window of process 41 (one of a new title: rebuilt, asked again, found another).
  sys.processes.clear();
  giveImageFile(40, "C:\\b.exe", 25, 26);
  ledra::fakes::SetCreateTime(sys.processes[40], 2000);
  giveImageFile(41, "C:\\c.exe", 35, 36);
  ledra::fakes::SetCreateTime(sys.processes[41], 3000);
  sys.windows = {{.handle = hwnd(2), .title = "B (2)", .pid = 41, .thread = 8},
                 {.handle = hwnd(3), .title = "C", .pid = 40, .thread = 9}};
  form.Timer1_Timer();
  EXPECT_EQ(largeImageOf(0), "35@32x32;");
  EXPECT_EQ(smallImageOf(0), "36@16x16;");
  EXPECT_EQ(largeImageOf(1), "25@32x32;");
  EXPECT_EQ(smallImageOf(1), "26@16x16;");
  EXPECT_TRUE(sys.liveExtractedIcons.empty());

  // The same window retitled answers as before: nothing is drawn or extracted.
  sys.windows[0].title = "B (3)";
  sys.clearCalls();
  f.log.clear();
  form.Timer1_Timer();
  EXPECT_EQ(f.ListTask.cell(0, 0), "B (3)");
  EXPECT_EQ(sys.count("extractIconEx"), 0u);
  EXPECT_EQ(sys.count("getClassLong"), 0u);
  EXPECT_TRUE(taskOps().empty());
}

TEST_F(TaskView, LargeIconWithoutSmallTakesBothFromTheClass) {
  sys.windows = {{.handle = hwnd(1),
                  .title = "A",
                  .pid = 40,
                  .bigIcon = hicon(11),
                  .smallIcon = hicon(0),
                  .classIcon = hicon(13),
                  .classSmallIcon = hicon(14)}};
  giveImageFile(40, "C:\\a.exe", 15, 16);
  form.Timer1_Timer();
  EXPECT_EQ(f.Image_Large.images, (std::vector<std::string>{"13@32x32;"}));  // not 11
  EXPECT_EQ(f.Image_Small.images, (std::vector<std::string>{"14@16x16;"}));
  EXPECT_EQ(sys.count("extractIconEx"), 0u);
}

TEST_F(TaskView, MissingClassIconTakesBothFromTheImageFileAndDestroysThem) {
  sys.windows = {{.handle = hwnd(1), .title = "A", .pid = 40, .bigIcon = hicon(11), .classIcon = hicon(13)}};
  giveImageFile(40, "C:\\Program Files\\a.exe", 15, 16);
  form.Timer1_Timer();
  EXPECT_EQ(f.Image_Large.images, (std::vector<std::string>{"15@32x32;"}));
  EXPECT_EQ(f.Image_Small.images, (std::vector<std::string>{"16@16x16;"}));
  EXPECT_TRUE(sys.liveExtractedIcons.empty());
  EXPECT_EQ(sys.count("destroyIcon"), 2u);

  // Destroyed only after both draws.
  const auto& calls = sys.calls;
  auto firstDestroy = std::find(calls.begin(), calls.end(), "destroyIcon");
  auto extract = std::find(calls.begin(), calls.end(), "extractIconEx");
  EXPECT_LT(extract, firstDestroy);
  const auto ops = taskOps();
  EXPECT_EQ(std::count(ops.begin(), ops.end(), "Pic_Small.drawIconEx 16 16x16 on 16x16"), 1);
}

// An image path is another process's own word: only a local drive is opened for its icon;
// a share, a device or a remote drive would reach the network with the user's credentials.
TEST_F(TaskView, IconsAreExtractedOnlyFromPathsOnLocalDrives) {
  sys.driveTypes['Z'] = ledra::platform::kDriveRemote;
  sys.driveTypes['Q'] = ledra::platform::kDriveNoRootDir;
  sys.driveTypes['E'] = ledra::platform::kDriveRemovable;
  const struct {
    const char* path;
    bool local;
  } cases[] = {
      {"C:\\Program Files\\a.exe", true},
      {"c:/tools/b.exe", true},
      {"\\\\?\\C:\\long\\c.exe", true},
      {"E:\\stick\\d.exe", true},
      {"\\\\host\\share\\e.exe", false},
      {"//host/share/f.exe", false},
      {"\\/host\\share\\g.exe", false},
      {"\\\\?\\UNC\\host\\share\\h.exe", false},
      {"\\\\.\\C:\\i.exe", false},
      {"Z:\\mapped\\j.exe", false},
      {"Q:\\gone\\k.exe", false},
      {"relative\\l.exe", false},
      {"C:m.exe", false},
  };
  sys.windows.clear();
  std::uint32_t n = 0;
  for (const auto& c : cases) {
    ++n;
    sys.windows.push_back({.handle = hwnd(n), .title = c.path, .pid = 100 + n});
    giveImageFile(100 + n, c.path, 1000 + n, 2000 + n);
  }
  form.Timer1_Timer();
  ASSERT_EQ(f.ListTask.rowCount(), static_cast<int>(n));
  n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const auto& row = f.ListTask.rows[n++];
    const std::string fromFile = std::to_string(1000 + n) + "@32x32;";
    EXPECT_EQ(f.Image_Large.images[static_cast<std::size_t>(row.largeImage - 1)], c.local ? fromFile : "");
  }
  EXPECT_EQ(sys.count("extractIconEx"), 4u);
  EXPECT_TRUE(sys.liveExtractedIcons.empty());
}

TEST_F(TaskView, NoIconAnywhereGivesTheBlankImage) {
  sys.windows = {{.handle = hwnd(1), .title = "Bare", .pid = 41}, {.handle = hwnd(2), .title = "NoProcess", .pid = 99}};
  sys.processes[41].pid = 41;  // a process whose path cannot be read
  giveImageFile(42, "C:\\other.exe", 15, 16);
  form.Timer1_Timer();
  EXPECT_EQ(f.Image_Large.images, (std::vector<std::string>{"", ""}));
  EXPECT_EQ(f.Image_Small.images, (std::vector<std::string>{"", ""}));
  EXPECT_EQ(sys.count("extractIconEx"), 0u);  // no path, no extraction
  EXPECT_EQ(f.ListTask.rows[1].smallImage, 2);
}

TEST_F(TaskView, UndrawableSmallIconUsesTheLargeOneForThisRowOnly) {
  sys.windows = {{.handle = hwnd(1), .title = "A", .bigIcon = hicon(11), .smallIcon = hicon(12)},
                 {.handle = hwnd(2), .title = "B", .bigIcon = hicon(21), .smallIcon = hicon(22)}};
  f.Pic_Small.failDrawEx.insert(hicon(12));
  f.Pic_Small.failDraw.insert(hicon(12));
  form.Timer1_Timer();

  const std::vector<std::string> rowA = {
      "Pic_Small.clear", "Pic_Large.clear", "Pic_Large.drawIconEx 11 32x32 on 32x32",
      "Pic_Small.drawIconEx 12 16x16 on 16x16",
      // both drawn again the plain way, then the large icon into an enlarged small box
      "Pic_Large.drawIcon 11 on 32x32", "Pic_Small.drawIcon 12 on 16x16", "Pic_Small.resize 32x32",
      "Pic_Small.drawIcon 11 on 32x32", "Image_Large.addFrom", "Image_Small.addFrom", "Pic_Small.resize 16x16",
      // the next row is drawn at 16 x 16 again
      "Pic_Small.clear", "Pic_Large.clear", "Pic_Large.drawIconEx 21 32x32 on 32x32",
      "Pic_Small.drawIconEx 22 16x16 on 16x16"};
  const auto ops = taskOps();
  auto start = std::find(ops.begin(), ops.end(), "Pic_Small.clear");
  ASSERT_LE(static_cast<std::size_t>(ops.end() - start), ops.size());
  ASSERT_GE(static_cast<std::size_t>(ops.end() - start), rowA.size());
  EXPECT_EQ(std::vector<std::string>(start, start + static_cast<long>(rowA.size())), rowA);
  EXPECT_EQ(f.Image_Small.images, (std::vector<std::string>{"11@icon;", "22@16x16;"}));
  EXPECT_EQ(f.Image_Large.images[0], "11@32x32;11@icon;");
  EXPECT_EQ(f.Pic_Small.widthPx(), 16);
}

TEST_F(TaskView, ImageFileWithOnlyALargeIcon) {
  sys.windows = {{.handle = hwnd(1), .title = "A", .pid = 40}};
  giveImageFile(40, "C:\\a.exe", 15, 0);
  form.Timer1_Timer();
  EXPECT_EQ(f.Image_Large.images, (std::vector<std::string>{"15@32x32;15@icon;"}));
  EXPECT_EQ(f.Image_Small.images, (std::vector<std::string>{"15@icon;"}));  // enlarged box
  EXPECT_TRUE(sys.liveExtractedIcons.empty());
  EXPECT_EQ(sys.count("destroyIcon"), 1u);

  // A file that gives one handle for both forms: it is destroyed once.
  sys.windows = {{.handle = hwnd(2), .title = "B", .pid = 41}};
  giveImageFile(41, "C:\\b.exe", 17, 17);
  sys.clearCalls();
  form.Timer1_Timer();
  EXPECT_EQ(f.Image_Large.images, (std::vector<std::string>{"17@32x32;"}));
  EXPECT_EQ(f.Image_Small.images, (std::vector<std::string>{"17@16x16;"}));
  EXPECT_TRUE(sys.liveExtractedIcons.empty());
  EXPECT_EQ(sys.count("destroyIcon"), 1u);
}

TEST_F(TaskView, ThousandRebuildsLeaveNoExtractedIconAlive) {
  for (int i = 0; i < ledra::test::Rounds(1000); ++i) {
    sys.windows.clear();
    const int open = i % 4;  // windows open and close between ticks
    for (int w = 0; w < open; ++w) {
      const auto pid = static_cast<std::uint32_t>(100 + w);
      sys.windows.push_back({.handle = hwnd(static_cast<std::uintptr_t>(w + 1)),
                             .title = "W" + std::to_string(w),
                             .pid = pid,
                             .bigIcon = hicon(w == 0 ? 7u : 0u)});
      giveImageFile(pid, "C:\\w" + std::to_string(w) + ".exe", 1000 + 2 * w, 1001 + 2 * w);
    }
    form.Timer1_Timer();
    ASSERT_TRUE(sys.liveExtractedIcons.empty()) << i;
    ASSERT_EQ(f.Image_Large.count(), open) << i;
    ASSERT_EQ(f.Image_Small.count(), open) << i;
    ASSERT_EQ(f.ListTask.rowCount(), open) << i;
  }
  EXPECT_EQ(f.Image_NULL.count(), 1);
}

// The 32-bit build on 64-bit Windows: a 64-bit program in System32 gives no icon by
// message or class, and its image path names System32. Real Windows would show this
// program SysWOW64's file of that name (another program's icon, or none); the row gets
// the icon of the file the path names.
TEST_F(TaskView, ASixtyFourBitProgramInSystem32GetsItsOwnFilesIconInA32BitLedra) {
  sys.hasNtWow64 = true;
  sys.dosDevices = {{"C:", "\\Device\\HarddiskVolume1"}};
  auto& program = sys.processes[40];
  program.pid = 40;
  ledra::fakes::SetImageFileName(program, u"\\Device\\HarddiskVolume1\\Windows\\System32\\SnippingTool.exe");
  sys.fileIcons["C:\\Windows\\System32\\SnippingTool.exe"] = {hicon(0x64), hicon(0x65)};
  sys.fileIcons["C:\\Windows\\SysWOW64\\SnippingTool.exe"] = {hicon(0x32), hicon(0x33)};
  sys.windows = {{.handle = hwnd(1), .title = "Snipping Tool", .pid = 40}};
  form.Timer1_Timer();
  ASSERT_EQ(f.ListTask.rowCount(), 1);
  EXPECT_EQ(f.Image_Large.images, std::vector<std::string>{"100@32x32;"});
  EXPECT_EQ(f.Image_Small.images, std::vector<std::string>{"101@16x16;"});
  EXPECT_TRUE(sys.liveExtractedIcons.empty());  // drawn, then destroyed
}

}  // namespace
