// The Applications page: the controls it reads and writes, and what it keeps across ticks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/system.h"
#include "tasks/task_image_path.h"

namespace ledra::tasks {

// The controls the page reads and writes.
struct TaskControls {
  platform::Window* form = nullptr;
  platform::ListView* ListTask = nullptr;
  platform::ImageList* Image_NULL = nullptr;
  platform::ImageList* Image_Large = nullptr;
  platform::ImageList* Image_Small = nullptr;
  platform::IconSurface* Pic_Large = nullptr;
  platform::IconSurface* Pic_Small = nullptr;
  const platform::MenuItem* meun_usemin = nullptr;  // minimise before switching
};

// What the task list's rows were made from, kept from one rebuild to the next so that a
// rebuild does only the work of what changed (refreshTaskList). Owned by the main window;
// a fresh one, or one that no longer matches the rows and image lists, makes the next
// rebuild start over.
struct TaskListState {
  // A window's answer to WM_GETICON (ICON_BIG, ICON_SMALL2), or that it gave none in time.
  struct IconAnswer {
    platform::IconHandle big{}, small{};
    bool timedOut = false;
    friend bool operator==(const IconAnswer&, const IconAnswer&) = default;
  };
  // One per row, in row order.
  struct Row {
    platform::WindowHandle window{};
    std::string listed;                 // its title in the task list string
    std::string title;                  // the row's text: the whole title
    std::uint32_t thread = 0, pid = 0;  // its owner: another owner behind the handle is another window
    IconAnswer answer;                  // what its pictures were drawn from
    int image = 0;                      // its pictures' 1-based position in both image lists
    unsigned askedAt = 0;               // the rebuild that last asked it for its icons
    unsigned askAgainAt = 0;            // one that did not answer is not asked before this rebuild
  };
  std::vector<Row> rows;
  unsigned rebuilds = 0;
  TaskImagePaths imagePaths;  // per process, for windows without icons of their own
};

}  // namespace ledra::tasks
