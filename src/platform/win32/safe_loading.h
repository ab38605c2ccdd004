// Where this program takes its code from, and what it lets the system do on its behalf.
//
// A portable .exe is run from folders anyone can write to (a Downloads folder), often
// elevated; Windows looks for a DLL beside the program before the system folder, so every
// DLL is taken from the system folder by its full path, and the search is narrowed before
// anything is loaded. The calls that not every system has are looked up at run time.
#pragma once

#include <windows.h>

namespace ledra::platform::win32 {

// First thing in the entry point: narrows the DLL search to the system folder
// (SetDefaultDllDirectories, Windows 8 and 7/Vista with its update), else takes the
// current folder out of it (SetDllDirectoryW(L""), XP SP1 and later). The 32-bit
// program also switches DEP on and ends itself on heap corruption, as the 64-bit image
// is by default. Each step is skipped where the system lacks its call.
void hardenProcess();

// LoadLibrary of `name` (e.g. "psapi.dll") by its full path in the system folder, its own
// dependencies searched from there; nullptr when the system has no such DLL.
HMODULE loadSystemLibrary(const char* name);

// While alive, the calling thread (SetThreadErrorMode, Windows 7 and later; else the
// process, for as long as the scope lasts) fails critical errors instead of raising the
// system's modal "no disk" box. Restored on exit, so that programs started from the Run
// dialog inherit the default mode.
class CriticalErrorsFail {
 public:
  CriticalErrorsFail();
  ~CriticalErrorsFail();
  CriticalErrorsFail(const CriticalErrorsFail&) = delete;
  CriticalErrorsFail& operator=(const CriticalErrorsFail&) = delete;

 private:
  using SetThreadErrorModeFn = BOOL(WINAPI*)(DWORD, LPDWORD);
  SetThreadErrorModeFn setThreadErrorMode_ = nullptr;
  DWORD previous_ = 0;
};

}  // namespace ledra::platform::win32
