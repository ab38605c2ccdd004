#include "platform/win32/safe_loading.h"

#include <string>

namespace ledra::platform::win32 {
namespace {

// Values of the newer headers (this program is compiled for XP's).
constexpr DWORD kLoadLibrarySearchSystem32 = 0x00000800;
#ifndef _WIN64
constexpr DWORD kProcessDepEnable = 0x00000001;
#endif
constexpr int kHeapEnableTerminationOnCorruption = 1;

template <typename Fn>
Fn kernel32Entry(const char* name) {
  // kernel32 is in every process before any of its code runs: no load, no search.
  HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  if (kernel32 == nullptr) kernel32 = GetModuleHandleA("kernel32.dll");  // the 9x family
  if (kernel32 == nullptr) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(kernel32, name)));
}

}  // namespace

void hardenProcess() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  using SetDllDirectoryWFn = BOOL(WINAPI*)(LPCWSTR);
  using HeapSetInformationFn = BOOL(WINAPI*)(HANDLE, int, PVOID, SIZE_T);

  const auto setDefaultDllDirectories = kernel32Entry<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories");
  bool narrowed = setDefaultDllDirectories && setDefaultDllDirectories(kLoadLibrarySearchSystem32);
  if (!narrowed) {
    // Without the newer call the program's own folder stays first, but the current
    // folder (a share a document was opened from, say) goes.
    const auto setDllDirectoryW = kernel32Entry<SetDllDirectoryWFn>("SetDllDirectoryW");
    if (setDllDirectoryW) setDllDirectoryW(L"");
  }

#ifndef _WIN64
  // The 64-bit image always runs with DEP; XP SP3 and Vista SP1 let a 32-bit one ask.
  using SetProcessDepPolicyFn = BOOL(WINAPI*)(DWORD);
  const auto setProcessDepPolicy = kernel32Entry<SetProcessDepPolicyFn>("SetProcessDEPPolicy");
  if (setProcessDepPolicy) setProcessDepPolicy(kProcessDepEnable);
#endif
  // A corrupted heap ends the process instead of running on with it (Vista and later
  // know the class; older systems refuse it).
  const auto heapSetInformation = kernel32Entry<HeapSetInformationFn>("HeapSetInformation");
  if (heapSetInformation) heapSetInformation(nullptr, kHeapEnableTerminationOnCorruption, nullptr, 0);
}

HMODULE loadSystemLibrary(const char* name) {
  // The dependencies of a DLL loaded with the altered search path are looked for in its
  // own folder first, never in the program's.
  wchar_t wide[MAX_PATH] = {};
  const UINT n = GetSystemDirectoryW(wide, MAX_PATH);
  if (n > 0 && n < MAX_PATH) {
    std::wstring path(wide, n);
    path += L'\\';
    for (const char* c = name; *c; ++c) path += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
  // The 9x family has the wide calls only as stubs that fail.
  char ansi[MAX_PATH] = {};
  const UINT m = GetSystemDirectoryA(ansi, MAX_PATH);
  if (m == 0 || m >= MAX_PATH) return nullptr;
  std::string path(ansi, m);
  path += '\\';
  path += name;
  return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

CriticalErrorsFail::CriticalErrorsFail() {
  setThreadErrorMode_ = kernel32Entry<SetThreadErrorModeFn>("SetThreadErrorMode");
  if (setThreadErrorMode_ && setThreadErrorMode_(SEM_FAILCRITICALERRORS, &previous_)) {
    if ((previous_ & ~static_cast<DWORD>(SEM_FAILCRITICALERRORS)) != 0)
      setThreadErrorMode_(previous_ | SEM_FAILCRITICALERRORS, nullptr);
    return;
  }
  setThreadErrorMode_ = nullptr;
  previous_ = SetErrorMode(SEM_FAILCRITICALERRORS);
  // SetErrorMode replaces the whole mode: keep the other bits as they were.
  SetErrorMode(previous_ | SEM_FAILCRITICALERRORS);
}

CriticalErrorsFail::~CriticalErrorsFail() {
  if (setThreadErrorMode_) {
    setThreadErrorMode_(previous_, nullptr);
  } else {
    SetErrorMode(previous_);
  }
}

}  // namespace ledra::platform::win32
