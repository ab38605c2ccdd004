#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os_constants.h"
#include "tasks/task_image_path.h"
#include "tasks/task_list.h"
#include "tasks/task_view.h"

namespace ledra::tasks {

namespace {

using platform::IconHandle;
using platform::WindowHandle;
using Row = TaskListState::Row;
using IconAnswer = TaskListState::IconAnswer;

using platform::kGclHIcon;
using platform::kGclHIconSm;
using platform::kIconBig;
using platform::kIconSmall2;
using platform::kSmtoAbortIfHung;
using platform::kWmGetIcon;
// SMTO_BLOCK: while we wait, messages sent to us from other threads stay queued, so no
// command handler (a refresh among them) runs in the middle of a tick.
using platform::kSmtoBlock;
// A window that has not answered by then is treated as having no icon: one busy
// application must not hold up the whole window.
constexpr std::uint32_t kIconAnswerMs = 200;
// ... and is not asked again for this many rebuilds: a hung window costs the wait once
// in a while, not at every rebuild.
constexpr unsigned kAskAgainAfter = 10;

constexpr IconHandle kNoIcon{};

constexpr int kLarge = 32;
constexpr int kSmall = 16;

struct Icons {
  IconHandle big{}, small{};
};

// Icons extracted from an image file belong to us and are destroyed once drawn; icons of
// a window or its class belong to it and are never destroyed here.
struct ExtractedIcons {
  platform::ScopedIcon large, small;
};

// The first icon of the file; each form it gives replaces the one in `icons`.
ExtractedIcons extractFirstIcon(platform::System& system, std::string_view path, Icons& icons) {
  IconHandle large{}, smallForm{};
  if (path.empty() || system.extractIconEx(path, 0, &large, &smallForm, 1) == 0)
    return {{system, kNoIcon}, {system, kNoIcon}};
  if (large != kNoIcon) icons.big = large;
  if (smallForm != kNoIcon) icons.small = smallForm;
  // One handle given for both forms is destroyed once.
  return {{system, large}, {system, smallForm != large ? smallForm : kNoIcon}};
}

// WM_GETICON with a time-out; a window that does not answer the first is not asked the
// second, so it costs the wait once.
IconAnswer askWindow(platform::System& system, WindowHandle h) {
  IconAnswer answer;
  if (h == WindowHandle{}) return answer;
  constexpr std::uint32_t flags = kSmtoBlock | kSmtoAbortIfHung;
  std::uintptr_t result = 0;
  if (!system.sendMessageTimeout(h, kWmGetIcon, kIconBig, 0, flags, kIconAnswerMs, &result)) {
    answer.timedOut = true;
    return answer;
  }
  answer.big = IconHandle{result};
  result = 0;
  if (!system.sendMessageTimeout(h, kWmGetIcon, kIconSmall2, 0, flags, kIconAnswerMs, &result)) {
    answer.timedOut = true;
    return answer;
  }
  answer.small = IconHandle{result};
  return answer;
}

// The window's two pictures, on the cleared surfaces: from its answer, or when either
// form is missing from its class, and when either is still missing from the first icon
// of its image file. True when the small surface was enlarged for the large icon (the
// image list shrinks it), to be made small again once the picture is stored.
bool drawIcons(platform::System& system, const TaskControls& c, TaskImagePaths& paths, const Row& row) {
  platform::IconSurface& picLarge = *c.Pic_Large;
  platform::IconSurface& picSmall = *c.Pic_Small;
  picSmall.clear();
  picLarge.clear();

  const WindowHandle h = row.window;
  Icons icons{row.answer.big, row.answer.small};
  if (icons.small == kNoIcon || icons.big == kNoIcon) {
    // Both come from the class, also the one the window gave.
    icons.big = h != WindowHandle{} ? IconHandle{system.getClassLong(h, kGclHIcon)} : kNoIcon;
    icons.small = h != WindowHandle{} ? IconHandle{system.getClassLong(h, kGclHIconSm)} : kNoIcon;
  }
  ExtractedIcons extracted{{system, kNoIcon}, {system, kNoIcon}};
  if (icons.small == kNoIcon || icons.big == kNoIcon)
    extracted = extractFirstIcon(system, paths.get(system, row.pid), icons);

  const bool r1 = picLarge.drawIconEx(icons.big, 0, 0, kLarge, kLarge);
  const bool r2 = picSmall.drawIconEx(icons.small, 0, 0, kSmall, kSmall);
  if (r1 && r2) return false;
  picLarge.drawIcon(icons.big, 0, 0);
  if (picSmall.drawIcon(icons.small, 0, 0)) return false;
  picSmall.resize(kLarge, kLarge);
  picSmall.drawIcon(icons.big, 0, 0);
  return true;
}  // extracted icons are destroyed here, after drawing

std::string tagOf(WindowHandle h) { return std::to_string(platform::raw(h)); }

// The kept rows still stand for what the list shows: the same windows in the same order,
// and one picture in each image list per row.
bool listMatches(const std::vector<Row>& rows, const platform::ListView& list, const platform::ImageList& large,
                 const platform::ImageList& small) {
  const int n = static_cast<int>(rows.size());
  if (list.rowCount() != n || large.count() != n || small.count() != n) return false;
  std::vector<bool> taken(rows.size() + 1, false);
  for (int i = 0; i < n; ++i) {
    const Row& row = rows[static_cast<std::size_t>(i)];
    if (row.image < 1 || row.image > n || taken[static_cast<std::size_t>(row.image)]) return false;
    taken[static_cast<std::size_t>(row.image)] = true;
    if (list.rowTag(i) != tagOf(row.window)) return false;
  }
  return true;
}

// Of a sequence of distinct numbers, which belong to one longest increasing run (not
// necessarily adjacent): the kept rows that can stay where they are while the others move.
std::set<int> longestIncreasing(const std::vector<int>& sequence) {
  std::vector<std::size_t> tails;  // per run length, the position ending the lowest such run
  std::vector<std::size_t> before(sequence.size(), sequence.size());
  for (std::size_t k = 0; k < sequence.size(); ++k) {
    const auto at = std::lower_bound(tails.begin(), tails.end(), sequence[k],
                                     [&](std::size_t t, int value) { return sequence[t] < value; });
    if (at != tails.begin()) before[k] = *(at - 1);
    if (at == tails.end())
      tails.push_back(k);
    else
      *at = k;
  }
  std::set<int> run;
  for (std::size_t k = tails.empty() ? sequence.size() : tails.back(); k < sequence.size(); k = before[k])
    run.insert(sequence[k]);
  return run;
}

// One row of the rebuild: the window's kept row (or a new one) and what happened to it.
struct Next {
  Row row;
  int from = -1;            // its row before the rebuild; -1 for a window that came
  bool retitled = false;    // its text changed
  bool asked = false;       // asked for its icons in this rebuild
  bool repainted = false;   // its pictures were replaced in place
  bool renumbered = false;  // its pictures moved up in the image lists
};

}  // namespace

void refreshTaskList(platform::System& system, const TaskControls& c, TaskListState& state,
                     const std::vector<TaskWindow> windows) {
  platform::ListView& list = *c.ListTask;
  platform::ImageList& large = *c.Image_Large;
  platform::ImageList& small = *c.Image_Small;
  platform::IconSurface& picLarge = *c.Pic_Large;
  platform::IconSurface& picSmall = *c.Pic_Small;

  platform::ListUpdate quiet(list);
  const unsigned now = ++state.rebuilds;

  // The user's place survives the rebuild: the selected window (by its handle, so a
  // window of the same title is another task) and the scroll position.
  const int selectedRow = list.selectedRow();
  const std::string selectedWindow = selectedRow >= 0 ? list.rowTag(selectedRow) : std::string();
  const int topRow = list.topRow();

  std::vector<Row> old = std::move(state.rows);
  state.rows.clear();
  std::set<WindowHandle> listed;
  for (const TaskWindow& task : windows) listed.insert(task.window);
  const bool anyStays = std::any_of(old.begin(), old.end(), [&](const Row& r) { return listed.contains(r.window); });
  const bool fresh = !anyStays || !listMatches(old, list, large, small);
  int images = static_cast<int>(old.size());
  if (fresh) {
    old.clear();
    images = 0;
    // The list must not show images that are being thrown away.
    list.setLargeImageList(c.Image_NULL);
    list.setSmallImageList(c.Image_NULL);
    large.clear();
    small.clear();
    small.setImageSize(kSmall, kSmall);
    large.setImageSize(kLarge, kLarge);
  }
  std::map<WindowHandle, std::size_t> oldAt;
  for (std::size_t i = 0; i < old.size(); ++i) oldAt.emplace(old[i].window, i);

  // The pictures of windows that went, lowest first, for windows that came to take over.
  std::vector<int> freed;
  for (const Row& r : old)
    if (!listed.contains(r.window)) freed.push_back(r.image);
  std::sort(freed.begin(), freed.end());
  std::size_t taken = 0;

  // Asks the window for its icons and, when they are not the ones its pictures were drawn
  // from, draws and stores them: in its own place, in a freed one, or at the end.
  const auto ask = [&](Next& n) {
    Row& row = n.row;
    const bool came = n.from < 0;
    if (!came && now < row.askAgainAt) return;  // it did not answer lately
    n.asked = true;
    std::uint32_t pid = 0;
    const std::uint32_t thread = row.window != WindowHandle{} ? system.getWindowThreadProcessId(row.window, &pid) : 0;
    // Another owner behind the same handle: the window closed and its handle was reused.
    const bool sameWindow = !came && thread == row.thread && pid == row.pid;
    row.thread = thread;
    row.pid = pid;
    const IconAnswer answer = askWindow(system, row.window);
    row.askedAt = now;
    row.askAgainAt = answer.timedOut ? now + kAskAgainAfter : 0;
    if (sameWindow && answer == row.answer) return;  // the same handles: the same pictures
    row.answer = answer;

    // Every row gets an image, a blank white one when nothing could be drawn.
    const bool enlarged = drawIcons(system, c, state.imagePaths, row);
    if (!came) {
      large.replaceFrom(row.image, picLarge);
      small.replaceFrom(row.image, picSmall);
      n.repainted = true;
    } else if (taken < freed.size()) {
      row.image = freed[taken++];
      large.replaceFrom(row.image, picLarge);
      small.replaceFrom(row.image, picSmall);
    } else {
      large.addFrom(picLarge);
      small.addFrom(picSmall);
      row.image = ++images;
    }
    if (enlarged) picSmall.resize(kSmall, kSmall);
  };

  std::vector<Next> next;
  next.reserve(windows.size());
  std::vector<bool> claimed(old.size(), false);
  for (const TaskWindow& task : windows) {
    // Each row is its own window: equal titles, a "|" in a title or one longer than the
    // task list keeps all still lead to the right window and icon.
    Next n;
    std::string title = getFullWindowTitle(system, task.window, task.title);
    if (title.empty()) title = task.title;  // closed meanwhile
    const auto at = oldAt.find(task.window);
    if (at != oldAt.end() && !claimed[at->second]) {
      claimed[at->second] = true;
      n.from = static_cast<int>(at->second);
      n.row = old[at->second];
      n.retitled = n.row.title != title || n.row.listed != task.title;
    } else {
      n.row.window = task.window;
    }
    n.row.listed = task.title;
    n.row.title = std::move(title);
    if (n.from < 0 || n.retitled) ask(n);
    next.push_back(std::move(n));
  }
  // One window more, the one asked longest ago (the first of those in row order).
  Next* longestAgo = nullptr;
  for (Next& n : next)
    if (!n.asked && now >= n.row.askAgainAt && (!longestAgo || n.row.askedAt < longestAgo->row.askedAt))
      longestAgo = &n;
  if (longestAgo) ask(*longestAgo);

  // The rows: those of windows that went or moved go, the longest run of kept windows
  // already in order stays, and windows that came or moved are put in their place.
  std::vector<int> keptInOrder;
  for (const Next& n : next)
    if (n.from >= 0) keptInOrder.push_back(n.from);
  const std::set<int> stays = longestIncreasing(keptInOrder);
  bool reshaped = fresh;
  if (fresh) {
    list.setLargeImageList(&large);
    list.setSmallImageList(&small);
    list.clearRows();
  } else {
    for (int j = static_cast<int>(old.size()) - 1; j >= 0; --j) {
      if (stays.contains(j)) continue;
      list.removeRow(j);
      reshaped = true;
    }
  }
  // Pictures of windows that went and were not taken over; those after each move up.
  for (auto it = freed.rbegin(); it != freed.rend() - static_cast<std::ptrdiff_t>(taken); ++it) {
    large.remove(*it);
    small.remove(*it);
    --images;
    for (Next& n : next) {
      if (n.row.image <= *it) continue;
      --n.row.image;
      n.renumbered = true;
    }
  }
  for (std::size_t i = 0; i < next.size(); ++i) {
    Next& n = next[i];
    const int r = static_cast<int>(i);
    const int image = n.row.image;
    std::string key = "a";
    key += std::to_string(i);
    if (n.from >= 0 && stays.contains(n.from)) {
      if (n.retitled) list.setCell(r, 0, n.row.title);
      if (n.repainted || n.renumbered) list.setRowImage(r, image, image);
      if (n.from != r) list.setRowKey(r, key);
      continue;
    }
    if (r == list.rowCount())
      list.addRow(key, n.row.title, image, image);
    else
      list.insertRow(r, key, n.row.title, image, image);
    // The window the row stands for, for Switch to and End task.
    list.setRowTag(r, tagOf(n.row.window));
    reshaped = true;
  }

  int reselect = -1;
  if (!selectedWindow.empty())
    for (std::size_t i = 0; i < next.size() && reselect < 0; ++i)
      if (tagOf(next[i].row.window) == selectedWindow) reselect = static_cast<int>(i);
  if (list.selectedRow() != reselect) {
    list.selectRow(reselect);
    reshaped = true;
  }
  // Selecting scrolls the row into view, so the old scroll position is set after it.
  if (reshaped) list.setTopRow(topRow);

  std::set<std::uint32_t> owners;
  for (Next& n : next) {
    if (n.row.pid != 0) owners.insert(n.row.pid);
    state.rows.push_back(std::move(n.row));
  }
  state.imagePaths.keepOnly(owners);
}

bool rowsAreStale(const platform::ListView& list, const std::vector<TaskWindow>& windows) {
  if (list.rowCount() != static_cast<int>(windows.size())) return true;
  for (std::size_t i = 0; i < windows.size(); ++i)
    if (list.rowTag(static_cast<int>(i)) != tagOf(windows[i].window)) return true;
  return false;
}

}  // namespace ledra::tasks
