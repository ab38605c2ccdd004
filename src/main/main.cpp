// Ledra's entry point: the real system, Ledra's window and its message loop.
#include <windows.h>

#include "main/ledra_window.h"
#include "platform/com_apartment.h"
#include "platform/win32/safe_loading.h"
#include "platform/win32/win32_system.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  // Before anything loads a DLL: this program is often run from a Downloads folder.
  ledra::platform::win32::hardenProcess();
  ledra::platform::win32::Win32System system;
  const ledra::platform::ComApartment com(system);  // before anything can reach the shell
  ledra::LedraWindow window;
  if (!window.create(system, instance, showCommand)) return 1;
  return window.run();
}
