// A DLL that leaves a mark when a process loads it: copied beside a copy of ledra.exe
// under the names of the DLLs the program and its system DLLs load, it shows any that
// was taken from the program's folder instead of the system's. It exports nothing, so a
// planted copy that satisfies an import also stops the program from starting.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t path[MAX_PATH + 16] = {};
  const DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return TRUE;
  lstrcatW(path, L".loaded");  // "<folder>\dwmapi.dll.loaded"
  HANDLE mark = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
  return TRUE;
}
