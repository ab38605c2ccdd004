// The window's controls as the handlers use them, by their designed names, and the one
// table that binds those names to the controls a window made from the design.
#pragma once

#include "app/design.h"
#include "platform/controls.h"
#include "platform/design.h"

namespace ledra::app {

// Arrays keep their designed indexes.
struct FormControls {
  platform::Window* form = nullptr;
  platform::TabStrip* TabStrip1 = nullptr;
  platform::Panel* PicProperty[3] = {nullptr, nullptr, nullptr};
  platform::ListView* ListTask = nullptr;
  platform::ListView* ListProcess = nullptr;
  platform::ImageList* Image_NULL = nullptr;
  platform::ImageList* Image_Large = nullptr;
  platform::ImageList* Image_Small = nullptr;
  platform::IconSurface* Pic_Large = nullptr;
  platform::IconSurface* Pic_Small = nullptr;
  platform::Canvas* UseCPU = nullptr;     // points
  platform::Canvas* BrokenCPU = nullptr;  // twips
  platform::Canvas* UseFF = nullptr;      // points
  platform::Canvas* BrokenFF = nullptr;   // twips
  platform::Label* LabCPU = nullptr;
  platform::Label* LabFF = nullptr;
  platform::Label* LabTotalPageFile = nullptr;
  platform::Label* LabAvailPageFile = nullptr;
  platform::Label* LabUsePageFile = nullptr;
  platform::Label* LabTotalVirtual = nullptr;
  platform::Label* LabAvailVirtual = nullptr;
  platform::Label* LabUseVirtual = nullptr;
  platform::StatusBar* StatusBar1 = nullptr;
  platform::Timer* Timer1 = nullptr;
  platform::MenuItem* menu_show = nullptr;
  platform::MenuItem* meun_usemin = nullptr;
  platform::MenuItem* menu_renew[design::kSpeedCount] = {};
};

// Every member above, found in `controls` by its designed name and index. A name the
// window has no control of (or one of another kind) stays null.
FormControls bindControls(platform::ControlLookup& controls);

// The designed names that bindControls binds, for checking the table against the design.
bool isBound(std::string_view name, int index);

}  // namespace ledra::app
