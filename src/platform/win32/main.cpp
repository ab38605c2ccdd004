// Ledra's entry point: the real system, the main window and its message loop.
#include <windows.h>

#include "platform/com_apartment.h"
#include "platform/win32/main_window.h"
#include "platform/win32/win32_system.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  ledra::platform::win32::Win32System system;
  const ledra::platform::ComApartment com(system);  // before anything can reach the shell
  ledra::platform::win32::MainWindow window;
  if (!window.create(system, instance, showCommand)) return 1;
  return window.run();
}
