// Always on top, auto-minimise, Run, About and Exit: the handlers of the menus that are not pages.

#include <cstdint>
#include <string>

#include "app/ForLedra.h"
#include "app/design.h"
#include "platform/os_constants.h"

namespace ledra::app {

namespace {

using platform::kHwndNoTopMost;
using platform::kHwndTopMost;
constexpr std::uint32_t kSwpNoSizeNoMove = platform::kSwpNoSize | platform::kSwpNoMove;

}  // namespace

void ForLedra::SetTopMost() {
  system_.setWindowPos(c_.form->handle(), kHwndTopMost, 0, 0, 0, 0, kSwpNoSizeNoMove);
}

void ForLedra::menu_show_Click() {
  // The check mark changes first; it stays the option's state even if the window
  // manager refuses.
  const bool wasOnTop = c_.menu_show->checked();
  c_.menu_show->setChecked(!wasOnTop);
  system_.setWindowPos(c_.form->handle(), wasOnTop ? kHwndNoTopMost : kHwndTopMost, 0, 0, 0, 0,
                       kSwpNoSizeNoMove);
}

void ForLedra::meun_usemin_Click() { c_.meun_usemin->setChecked(!c_.meun_usemin->checked()); }

void ForLedra::menu_run_Click() { Command1_Click(); }

void ForLedra::menu_about_Click() {
  const std::string title = "Ledra For Win9x/WinNT (" + std::to_string(design::kVersionMajor) + "." +
                            std::to_string(design::kVersionMinor) + "." +
                            std::to_string(design::kVersionRevision) + ")";
  system_.shellAbout(c_.form->handle(), title, "Ledra 开发者 · 联系：项目的问题跟踪器", c_.form->icon());
}

void ForLedra::menu_exit_Click() { c_.form->endProgram(); }

}  // namespace ledra::app
