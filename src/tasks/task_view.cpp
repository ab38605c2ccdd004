#include <cstdint>
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
Icons askWindow(platform::System& system, WindowHandle h) {
  Icons icons;
  if (h == WindowHandle{}) return icons;
  constexpr std::uint32_t flags = kSmtoBlock | kSmtoAbortIfHung;
  std::uintptr_t answer = 0;
  if (!system.sendMessageTimeout(h, kWmGetIcon, kIconBig, 0, flags, kIconAnswerMs, &answer)) return icons;
  icons.big = IconHandle{answer};
  answer = 0;
  if (!system.sendMessageTimeout(h, kWmGetIcon, kIconSmall2, 0, flags, kIconAnswerMs, &answer)) return icons;
  icons.small = IconHandle{answer};
  return icons;
}

}  // namespace

void refreshTaskList(platform::System& system, const TaskControls& c, const std::vector<TaskWindow> windows) {
  platform::ListView& list = *c.ListTask;
  platform::ImageList& large = *c.Image_Large;
  platform::ImageList& small = *c.Image_Small;
  platform::IconSurface& picLarge = *c.Pic_Large;
  platform::IconSurface& picSmall = *c.Pic_Small;

  std::vector<std::string> titles;
  titles.reserve(windows.size());

  platform::ListUpdate quiet(list);

  // The user's place survives the rebuild: the selected window (by its handle, so a
  // window of the same title is another task) and the scroll position.
  const int selectedRow = list.selectedRow();
  const std::string selectedWindow = selectedRow >= 0 ? list.rowTag(selectedRow) : std::string();
  const int topRow = list.topRow();

  // The list must not show images that are being thrown away.
  list.setLargeImageList(c.Image_NULL);
  list.setSmallImageList(c.Image_NULL);
  large.clear();
  small.clear();
  small.setImageSize(kSmall, kSmall);
  large.setImageSize(kLarge, kLarge);

  for (const TaskWindow& task : windows) {
    picSmall.clear();
    picLarge.clear();

    // Each row is its own window: equal titles, a "|" in a title or one longer than the
    // task list keeps all still lead to the right window and icon.
    const WindowHandle h = task.window;
    titles.push_back(getFullWindowTitle(system, h, task.title));
    if (titles.back().empty()) titles.back() = task.title;  // closed meanwhile
    const std::string path = GetTaskImagePath(system, h);

    bool enlarged = false;
    {
      Icons icons = askWindow(system, h);
      if (icons.small == kNoIcon || icons.big == kNoIcon) {
        // Both come from the class, also the one the window gave.
        icons.big = h != WindowHandle{} ? IconHandle{system.getClassLong(h, kGclHIcon)} : kNoIcon;
        icons.small = h != WindowHandle{} ? IconHandle{system.getClassLong(h, kGclHIconSm)} : kNoIcon;
      }
      ExtractedIcons extracted{{system, kNoIcon}, {system, kNoIcon}};
      if (icons.small == kNoIcon || icons.big == kNoIcon) extracted = extractFirstIcon(system, path, icons);

      bool r1 = picLarge.drawIconEx(icons.big, 0, 0, kLarge, kLarge);
      bool r2 = picSmall.drawIconEx(icons.small, 0, 0, kSmall, kSmall);
      if (!r1 || !r2) {
        r1 = picLarge.drawIcon(icons.big, 0, 0);
        r2 = picSmall.drawIcon(icons.small, 0, 0);
        if (!r2) {
          // The image list shrinks the large icon to the small size.
          picSmall.resize(kLarge, kLarge);
          enlarged = true;
          picSmall.drawIcon(icons.big, 0, 0);
        }
      }
    }  // extracted icons are destroyed here, after drawing

    // Every row gets an image, a blank white one when nothing could be drawn.
    large.addFrom(picLarge);
    small.addFrom(picSmall);
    if (enlarged) picSmall.resize(kSmall, kSmall);
  }

  list.setLargeImageList(&large);
  list.setSmallImageList(&small);
  list.clearRows();
  int reselect = -1;
  for (std::size_t i = 0; i < titles.size(); ++i) {
    const int image = static_cast<int>(i) + 1;
    std::string key = "a";
    key += std::to_string(i);
    list.addRow(key, titles[i], image, image);
    // The window the row stands for, for Switch to and End task.
    std::string window = std::to_string(platform::raw(windows[i].window));
    if (!selectedWindow.empty() && window == selectedWindow) reselect = static_cast<int>(i);
    list.setRowTag(static_cast<int>(i), window);
  }
  // Selecting scrolls the row into view, so the old scroll position is set after it.
  if (reselect >= 0) list.selectRow(reselect);
  list.setTopRow(topRow);
}

bool rowsAreStale(const platform::ListView& list, const std::vector<TaskWindow>& windows) {
  if (list.rowCount() != static_cast<int>(windows.size())) return true;
  for (std::size_t i = 0; i < windows.size(); ++i)
    if (list.rowTag(static_cast<int>(i)) != std::to_string(platform::raw(windows[i].window))) return true;
  return false;
}

}  // namespace ledra::tasks
