// The Applications page: the controls it reads and writes.
#pragma once

#include "platform/controls.h"
#include "platform/system.h"

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

}  // namespace ledra::tasks
