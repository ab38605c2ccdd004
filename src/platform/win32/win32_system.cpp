#include "platform/win32/win32_system.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>
#include <vector>

#include "platform/os_layout.h"
#include "platform/win32/handles.h"
#include "platform/win32/safe_loading.h"
#include "platform/win32/wide.h"

namespace ledra::platform::win32 {
namespace {

// The layouts the core reads these structures in, checked against the system headers
// for this build's own pointer width (each build checks its own description).
constexpr const OsLayout& kOwn = osLayoutFor(sizeof(void*));
static_assert(kOwn.pointer == sizeof(void*) && kOwn.pointer == sizeof(ULONG_PTR) && kOwn.pointer == sizeof(SIZE_T));

static_assert(kOwn.unicodeString.size == sizeof(UNICODE_STRING));
static_assert(kOwn.unicodeString.length == offsetof(UNICODE_STRING, Length));
static_assert(kOwn.unicodeString.maximumLength == offsetof(UNICODE_STRING, MaximumLength));
static_assert(kOwn.unicodeString.buffer == offsetof(UNICODE_STRING, Buffer));

static_assert(kOwn.processRecord.size == sizeof(SYSTEM_PROCESS_INFORMATION));
static_assert(kOwn.processRecord.nextEntryOffset == offsetof(SYSTEM_PROCESS_INFORMATION, NextEntryOffset));
static_assert(kOwn.processRecord.numberOfThreads == offsetof(SYSTEM_PROCESS_INFORMATION, NumberOfThreads));
static_assert(kOwn.processRecord.createTime == offsetof(SYSTEM_PROCESS_INFORMATION, CreateTime));
static_assert(kOwn.processRecord.userTime == offsetof(SYSTEM_PROCESS_INFORMATION, UserTime));
static_assert(kOwn.processRecord.kernelTime == offsetof(SYSTEM_PROCESS_INFORMATION, KernelTime));
static_assert(kOwn.processRecord.imageName == offsetof(SYSTEM_PROCESS_INFORMATION, ImageName));
static_assert(kOwn.processRecord.uniqueProcessId == offsetof(SYSTEM_PROCESS_INFORMATION, UniqueProcessId));
static_assert(kOwn.processRecord.workingSetSize ==
              offsetof(SYSTEM_PROCESS_INFORMATION, VirtualMemoryCounters) + offsetof(VM_COUNTERS, WorkingSetSize));
static_assert(kOwn.threadRecordSize == sizeof(SYSTEM_THREAD_INFORMATION));

static_assert(kOwn.basicInformation.size == sizeof(PROCESS_BASIC_INFORMATION));
static_assert(kOwn.basicInformation.pebBaseAddress == offsetof(PROCESS_BASIC_INFORMATION, PebBaseAddress));
static_assert(kOwn.basicInformation.uniqueProcessId == offsetof(PROCESS_BASIC_INFORMATION, UniqueProcessId));
static_assert(kOwn.pebProcessParameters == offsetof(PEB, ProcessParameters));
static_assert(kOwn.parametersImagePathName == offsetof(RTL_USER_PROCESS_PARAMETERS, ImagePathName));
static_assert(kOwn.parametersCommandLine == offsetof(RTL_USER_PROCESS_PARAMETERS, CommandLine));
static_assert(kOwn.moduleHandle == sizeof(HMODULE));

static_assert(kOwn.systemBasic.size == sizeof(SYSTEM_BASIC_INFORMATION));
static_assert(kOwn.systemBasic.numberOfProcessors == offsetof(SYSTEM_BASIC_INFORMATION, NumberOfProcessors));

static_assert(kOwn.memoryStatus.size == sizeof(MEMORYSTATUS));
static_assert(kOwn.memoryStatus.totalPhys == offsetof(MEMORYSTATUS, dwTotalPhys));
static_assert(kOwn.memoryStatus.availPhys == offsetof(MEMORYSTATUS, dwAvailPhys));
static_assert(kOwn.memoryStatus.totalPageFile == offsetof(MEMORYSTATUS, dwTotalPageFile));
static_assert(kOwn.memoryStatus.availPageFile == offsetof(MEMORYSTATUS, dwAvailPageFile));
static_assert(kOwn.memoryStatus.totalVirtual == offsetof(MEMORYSTATUS, dwTotalVirtual));
static_assert(kOwn.memoryStatus.availVirtual == offsetof(MEMORYSTATUS, dwAvailVirtual));

static_assert(kMemoryStatusEx.size == sizeof(MEMORYSTATUSEX));
static_assert(kMemoryStatusEx.totalPhys == offsetof(MEMORYSTATUSEX, ullTotalPhys));
static_assert(kMemoryStatusEx.availPhys == offsetof(MEMORYSTATUSEX, ullAvailPhys));
static_assert(kMemoryStatusEx.totalPageFile == offsetof(MEMORYSTATUSEX, ullTotalPageFile));
static_assert(kMemoryStatusEx.availPageFile == offsetof(MEMORYSTATUSEX, ullAvailPageFile));
static_assert(kMemoryStatusEx.totalVirtual == offsetof(MEMORYSTATUSEX, ullTotalVirtual));
static_assert(kMemoryStatusEx.availVirtual == offsetof(MEMORYSTATUSEX, ullAvailVirtual));

static_assert(kOsVersionInfoA.size == sizeof(OSVERSIONINFOA));
static_assert(kOsVersionInfoA.platformId == offsetof(OSVERSIONINFOA, dwPlatformId));
static_assert(kTimeOfDay.currentTime == offsetof(SYSTEM_TIMEOFDAY_INFORMATION, CurrentTime));
static_assert(kTimeOfDay.queried >= kTimeOfDay.currentTime + 8 &&
              kTimeOfDay.queried <= sizeof(SYSTEM_TIMEOFDAY_INFORMATION));
static_assert(kPerformanceInformation.size == sizeof(SYSTEM_PERFORMANCE_INFORMATION));
static_assert(kPerformanceInformation.idleTime == offsetof(SYSTEM_PERFORMANCE_INFORMATION, IdleTime));
static_assert(kProcessorPerformance.size == sizeof(SYSTEM_PROCESSOR_PERFORMANCE_INFORMATION));
static_assert(kProcessorPerformance.idleTime == offsetof(SYSTEM_PROCESSOR_PERFORMANCE_INFORMATION, IdleTime));

#ifndef _WIN64
// The single-byte PROCESSENTRY32 (the header's name for it turns wide under UNICODE).
static_assert(kProcessEntry32.size == sizeof(tagPROCESSENTRY32));
static_assert(kProcessEntry32.processId == offsetof(tagPROCESSENTRY32, th32ProcessID));
static_assert(kProcessEntry32.exeFile == offsetof(tagPROCESSENTRY32, szExeFile));
static_assert(kProcessEntry32.exeFileCapacity == sizeof(tagPROCESSENTRY32::szExeFile));
#endif

// Upper bounds on caller-given counts, so a wild value cannot ask for gigabytes.
constexpr std::uint32_t kMaxTextUnits = 32768;
constexpr std::uint32_t kMaxIcons = 1024;
// A system call with a text or buffer argument that is out of range: nothing was done.
constexpr std::int32_t kErrorInvalidParameter = 87;

template <typename Fn>
Fn lookup(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  // Through void(*)() so the cast does not pretend the two signatures match.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// An address of another process, when this program's pointers can hold it.
bool fitsPointer(std::uint64_t address) { return address <= std::numeric_limits<std::uintptr_t>::max(); }

// The size field callers put at the start of a record.
std::uint32_t leadingSize(Bytes record) {
  std::uint32_t size = 0;
  if (record.size() >= sizeof size) std::memcpy(&size, record.data(), sizeof size);
  return size;
}

// A record of at least `minimum` bytes whose size field does not claim more than it holds.
bool sizedRecord(Bytes record, std::size_t minimum) {
  return record.size() >= minimum && leadingSize(record) <= record.size();
}

void* bufferOrNull(Bytes buffer) { return buffer.empty() ? nullptr : buffer.data(); }

// The first string of a multi-string result, up to its NUL.
template <typename Char>
std::basic_string_view<Char> firstString(const std::vector<Char>& text, std::size_t written) {
  std::basic_string_view<Char> view(text.data(), std::min(written, text.size()));
  return view.substr(0, view.find(Char{}));
}

// The file-system redirector of 64-bit Windows shows a 32-bit program SysWOW64 where a
// path names System32, so the icon of a 64-bit program there would come from another
// file, or none. This switches it off for the calling thread while one call reads the
// file the path names, and always back on. The switch holds for every file the thread
// opens meanwhile, DLLs included: nothing but that one call may run under it (the shell's
// and user32's code is loaded already; the call maps the file as data), and the thread is
// the UI thread, which makes every call of this class. It does nothing in the 64-bit
// build, on 32-bit Windows (the switch answers FALSE there) and where kernel32 lacks the
// entries (9x, NT 4, 2000, 32-bit XP).
class NativeFileSystem {
 public:
  NativeFileSystem() {
#ifndef _WIN64
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    const auto disable = lookup<DisableFn>(kernel32, "Wow64DisableWow64FsRedirection");
    revert_ = lookup<RevertFn>(kernel32, "Wow64RevertWow64FsRedirection");
    switchedOff_ = disable && revert_ && disable(&previous_);
#endif
  }
  ~NativeFileSystem() {
    if (switchedOff_) revert_(previous_);
  }
  NativeFileSystem(const NativeFileSystem&) = delete;
  NativeFileSystem& operator=(const NativeFileSystem&) = delete;

 private:
  using DisableFn = BOOL(WINAPI*)(PVOID*);
  using RevertFn = BOOL(WINAPI*)(PVOID);
  RevertFn revert_ = nullptr;
  PVOID previous_ = nullptr;
  bool switchedOff_ = false;
};

struct EnumState {
  const std::function<bool(WindowHandle)>* each;
  std::exception_ptr error;
};

BOOL CALLBACK enumWindowsProc(HWND window, LPARAM state) {
  auto* s = reinterpret_cast<EnumState*>(state);
  try {
    return (*s->each)(fromWindow(window)) ? TRUE : FALSE;
  } catch (...) {
    // Nothing may unwind through the system's frames; rethrown once EnumWindows returns.
    s->error = std::current_exception();
    return FALSE;
  }
}

}  // namespace

Win32System::Win32System() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  nt_ = GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;

  HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  createToolhelp32Snapshot_ = lookup<CreateToolhelp32SnapshotFn>(kernel32, "CreateToolhelp32Snapshot");
#ifndef _WIN64
  // The single-byte entries: the callers' record is the single-byte PROCESSENTRY32, the
  // 9x family's list. No 9x system is 64-bit.
  process32First_ = lookup<Process32Fn>(kernel32, "Process32First");
  process32Next_ = lookup<Process32Fn>(kernel32, "Process32Next");
#endif
  globalMemoryStatusEx_ = lookup<GlobalMemoryStatusExFn>(kernel32, "GlobalMemoryStatusEx");
  queryDosDeviceW_ = lookup<QueryDosDeviceWFn>(kernel32, "QueryDosDeviceW");
  queryDosDeviceA_ = lookup<QueryDosDeviceAFn>(kernel32, "QueryDosDeviceA");

  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  ntQuerySystemInformation_ = lookup<NtQuerySystemInformationFn>(ntdll, "NtQuerySystemInformation");
  ntQueryInformationProcess_ = lookup<NtQueryInformationProcessFn>(ntdll, "NtQueryInformationProcess");
#ifndef _WIN64
  ntWow64QueryInformationProcess64_ = lookup<NtQueryInformationProcessFn>(ntdll, "NtWow64QueryInformationProcess64");
  ntWow64ReadVirtualMemory64_ = lookup<NtWow64ReadVirtualMemory64Fn>(ntdll, "NtWow64ReadVirtualMemory64");
#endif

  // Every DLL from the system folder by its full path: never one planted beside the program.
  psapi_.reset(loadSystemLibrary("psapi.dll"));
  enumProcessModules_ = lookup<EnumProcessModulesFn>(psapi_.get(), "EnumProcessModules");
  getModuleFileNameExW_ = lookup<GetModuleFileNameExWFn>(psapi_.get(), "GetModuleFileNameExW");
  getModuleFileNameExA_ = lookup<GetModuleFileNameExAFn>(psapi_.get(), "GetModuleFileNameExA");

  // Not imported: an import is loaded, with everything it imports, before the DLL search
  // can be narrowed.
  shell32_.reset(loadSystemLibrary("shell32.dll"));
  // The Run dialog has no name, only its ordinal.
  runFileDlg_ = lookup<RunFileDlgFn>(shell32_.get(), MAKEINTRESOURCEA(61));
  extractIconExW_ = lookup<ExtractIconExWFn>(shell32_.get(), "ExtractIconExW");
  extractIconExA_ = lookup<ExtractIconExAFn>(shell32_.get(), "ExtractIconExA");
  shellAboutW_ = lookup<ShellAboutWFn>(shell32_.get(), "ShellAboutW");
  shellAboutA_ = lookup<ShellAboutAFn>(shell32_.get(), "ShellAboutA");

  HMODULE user32 = GetModuleHandleA("user32.dll");
  getShellWindow_ = lookup<GetShellWindowFn>(user32, "GetShellWindow");
  // Vista and later; XP has ghost windows too, but no way to the window behind one.
  hungWindowFromGhostWindow_ = lookup<HungWindowFromGhostWindowFn>(user32, "HungWindowFromGhostWindow");
  // Vista and later; XP and 9x have no DWM at all.
  dwmapi_.reset(loadSystemLibrary("dwmapi.dll"));
  dwmGetWindowAttribute_ = lookup<DwmGetWindowAttributeFn>(dwmapi_.get(), "DwmGetWindowAttribute");
  // Windows 95 without DCOM has no CoInitializeEx.
  ole32_.reset(loadSystemLibrary("ole32.dll"));
  coInitializeEx_ = lookup<CoInitializeExFn>(ole32_.get(), "CoInitializeEx");
  coUninitialize_ = lookup<CoUninitializeFn>(ole32_.get(), "CoUninitialize");
}

// ---- kernel32: version, locale ------------------------------------------------------

bool Win32System::getVersionEx(Bytes osVersionInfoA) {
  if (!sizedRecord(osVersionInfoA, sizeof(OSVERSIONINFOA))) return false;
  return GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(osVersionInfoA.data())) != 0;
}

std::string Win32System::ansiToUtf8(std::string_view ansi) { return fromAnsi(ansi); }

std::string Win32System::localeDecimalSeparator() {
  std::string sign;
  if (nt_) {
    wchar_t buffer[8] = {};
    const int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8);
    if (n > 1) sign = fromWide(std::wstring_view(buffer, static_cast<std::size_t>(n - 1)));
  } else {
    char buffer[8] = {};
    const int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8);
    if (n > 1) sign = fromAnsi(std::string_view(buffer, static_cast<std::size_t>(n - 1)));
  }
  return sign.empty() ? "." : sign;
}

// ---- ntdll --------------------------------------------------------------------------

std::int32_t Win32System::ntQuerySystemInformation(std::uint32_t infoClass, Bytes buffer, std::uint32_t* returnLength) {
  if (!ntQuerySystemInformation_) return kStatusNotImplemented;
  ULONG length = 0;
  const LONG status = ntQuerySystemInformation_(infoClass, bufferOrNull(buffer), static_cast<ULONG>(buffer.size()),
                                                returnLength ? &length : nullptr);
  if (returnLength) *returnLength = length;
  return status;
}

std::int32_t Win32System::ntQueryInformationProcess(Handle process, std::uint32_t infoClass, Bytes buffer,
                                                    std::uint32_t* returnLength) {
  if (!ntQueryInformationProcess_) return kStatusNotImplemented;
  ULONG length = 0;
  const LONG status = ntQueryInformationProcess_(asHandle(process), infoClass, bufferOrNull(buffer),
                                                 static_cast<ULONG>(buffer.size()), returnLength ? &length : nullptr);
  if (returnLength) *returnLength = length;
  return status;
}

std::int32_t Win32System::ntWow64QueryInformationProcess64(Handle process, std::uint32_t infoClass, Bytes buffer,
                                                           std::uint32_t* returnLength) {
  if (!ntWow64QueryInformationProcess64_) return kStatusNotImplemented;
  ULONG length = 0;
  const LONG status =
      ntWow64QueryInformationProcess64_(asHandle(process), infoClass, bufferOrNull(buffer),
                                        static_cast<ULONG>(buffer.size()), returnLength ? &length : nullptr);
  if (returnLength) *returnLength = length;
  return status;
}

bool Win32System::ntWow64ReadVirtualMemory64(Handle process, std::uint64_t address, Bytes into) {
  if (!ntWow64ReadVirtualMemory64_) return false;
  ULONGLONG read = 0;
  const LONG status = ntWow64ReadVirtualMemory64_(asHandle(process), address, bufferOrNull(into), into.size(), &read);
  return status == kStatusSuccess && read == into.size();
}

// ---- kernel32: processes ------------------------------------------------------------

Handle Win32System::openProcess(std::uint32_t access, bool inherit, std::uint32_t pid) {
  return fromHandle(OpenProcess(access, inherit ? TRUE : FALSE, pid));
}

std::uint32_t Win32System::getLastError() { return GetLastError(); }

bool Win32System::closeHandle(Handle handle) { return CloseHandle(asHandle(handle)) != 0; }

bool Win32System::terminateProcess(Handle process, std::uint32_t exitCode) {
  return TerminateProcess(asHandle(process), exitCode) != 0;
}

bool Win32System::readProcessMemory(Handle process, std::uint64_t address, Bytes into) {
  if (!fitsPointer(address)) return false;
  SIZE_T read = 0;
  const BOOL ok = ReadProcessMemory(asHandle(process), reinterpret_cast<LPCVOID>(static_cast<std::uintptr_t>(address)),
                                    bufferOrNull(into), into.size(), &read);
  return ok && read == into.size();
}

std::string Win32System::queryDosDevice(std::string_view deviceName) {
  // An empty name would list every device instead of naming one target.
  if (deviceName.empty()) return {};
  if (nt_) {
    if (!queryDosDeviceW_) return {};
    const std::wstring name = toWide(deviceName);
    std::vector<wchar_t> target(1024);
    const DWORD n = queryDosDeviceW_(name.c_str(), target.data(), static_cast<DWORD>(target.size()));
    return n == 0 ? std::string() : fromWide(firstString(target, n));
  }
  if (!queryDosDeviceA_) return {};
  const std::string name = toAnsi(deviceName);
  std::vector<char> target(1024);
  const DWORD n = queryDosDeviceA_(name.c_str(), target.data(), static_cast<DWORD>(target.size()));
  return n == 0 ? std::string() : fromAnsi(firstString(target, n));
}

std::uint32_t Win32System::getDriveType(std::string_view rootPath) {
  if (rootPath.empty()) return DRIVE_NO_ROOT_DIR;  // "" would ask for the current drive
  return nt_ ? GetDriveTypeW(toWide(rootPath).c_str()) : GetDriveTypeA(toAnsi(rootPath).c_str());
}

// ---- psapi --------------------------------------------------------------------------

bool Win32System::enumProcessModules(Handle process, Bytes modules, std::uint32_t* cbNeeded) {
  if (!enumProcessModules_) return false;
  DWORD needed = 0;
  const BOOL ok = enumProcessModules_(asHandle(process), static_cast<HMODULE*>(bufferOrNull(modules)),
                                      static_cast<DWORD>(modules.size()), &needed);
  if (cbNeeded) *cbNeeded = needed;
  return ok != 0;
}

std::string Win32System::getModuleFileNameEx(Handle process, std::uint64_t module, std::uint32_t maxChars) {
  // A cut name comes back as the full buffer, terminator included: keep what is before it.
  maxChars = std::min(maxChars, kMaxTextUnits);
  if (maxChars == 0 || !fitsPointer(module)) return {};
  const auto hmodule = reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(module));
  if (nt_ && getModuleFileNameExW_) {
    std::vector<wchar_t> name(maxChars);
    const DWORD n = getModuleFileNameExW_(asHandle(process), hmodule, name.data(), maxChars);
    return fromWide(firstString(name, n));
  }
  if (!nt_ && getModuleFileNameExA_) {
    std::vector<char> name(maxChars);
    const DWORD n = getModuleFileNameExA_(asHandle(process), hmodule, name.data(), maxChars);
    return fromAnsi(firstString(name, n));
  }
  return {};
}

// ---- kernel32: Toolhelp -------------------------------------------------------------

Handle Win32System::createToolhelp32Snapshot(std::uint32_t flags, std::uint32_t pid) {
  if (!createToolhelp32Snapshot_) return Handle{};
  HANDLE snapshot = createToolhelp32Snapshot_(flags, pid);
  // The call fails with INVALID_HANDLE_VALUE; the seam says "none" with 0.
  if (snapshot == INVALID_HANDLE_VALUE || snapshot == nullptr) return Handle{};
  return fromHandle(snapshot);
}

bool Win32System::process32First(Handle snapshot, Bytes entry) {
  if (!process32First_ || !sizedRecord(entry, kProcessEntry32.size)) return false;
  return process32First_(asHandle(snapshot), entry.data()) != 0;
}

bool Win32System::process32Next(Handle snapshot, Bytes entry) {
  if (!process32Next_ || !sizedRecord(entry, kProcessEntry32.size)) return false;
  return process32Next_(asHandle(snapshot), entry.data()) != 0;
}

// ---- kernel32: memory status --------------------------------------------------------

bool Win32System::globalMemoryStatusEx(Bytes memoryStatusEx) {
  if (!globalMemoryStatusEx_ || memoryStatusEx.size() < sizeof(MEMORYSTATUSEX)) return false;
  return globalMemoryStatusEx_(memoryStatusEx.data()) != 0;
}

void Win32System::globalMemoryStatus(Bytes memoryStatus) {
  if (memoryStatus.size() < sizeof(MEMORYSTATUS)) return;
  GlobalMemoryStatus(reinterpret_cast<MEMORYSTATUS*>(memoryStatus.data()));
}

// ---- advapi32: registry -------------------------------------------------------------

std::int32_t Win32System::regOpenKey(Handle root, std::string_view subKey, Handle* result) {
  if (result == nullptr) return kErrorInvalidParameter;
  HKEY key = nullptr;
  const LONG status = RegOpenKeyA(asKey(root), toAnsi(subKey).c_str(), &key);
  *result = status == ERROR_SUCCESS ? fromKey(key) : Handle{};
  return status;
}

std::int32_t Win32System::regQueryValueEx(Handle key, std::string_view valueName, std::uint32_t* type, Bytes data,
                                          std::uint32_t* dataSize) {
  DWORD valueType = 0;
  DWORD size = static_cast<DWORD>(data.size());
  const LONG status = RegQueryValueExA(asKey(key), toAnsi(valueName).c_str(), nullptr, &valueType,
                                       static_cast<BYTE*>(bufferOrNull(data)), &size);
  if (type) *type = valueType;
  if (dataSize) *dataSize = size;
  return status;
}

std::int32_t Win32System::regCloseKey(Handle key) { return RegCloseKey(asKey(key)); }

// ---- user32: windows ----------------------------------------------------------------

void Win32System::enumWindows(const std::function<bool(WindowHandle)>& each) {
  EnumState state{&each, nullptr};
  EnumWindows(enumWindowsProc, reinterpret_cast<LPARAM>(&state));
  if (state.error) std::rethrow_exception(state.error);
}

WindowHandle Win32System::getWindow(WindowHandle window, std::uint32_t command) {
  return fromWindow(GetWindow(asWindow(window), command));
}

std::int32_t Win32System::getWindowLong(WindowHandle window, std::int32_t index) {
  return nt_ ? GetWindowLongW(asWindow(window), index) : GetWindowLongA(asWindow(window), index);
}

std::string Win32System::getWindowText(WindowHandle window, int maxUnits) {
  if (maxUnits <= 0) return {};
  const int units = std::min(maxUnits, static_cast<int>(kMaxTextUnits));
  if (nt_) {
    std::vector<wchar_t> text(static_cast<std::size_t>(units));
    const int n = GetWindowTextW(asWindow(window), text.data(), units);
    return n <= 0 ? std::string() : fromWide(std::wstring_view(text.data(), std::min(n, units - 1)));
  }
  std::vector<char> text(static_cast<std::size_t>(units));
  const int n = GetWindowTextA(asWindow(window), text.data(), units);
  return n <= 0 ? std::string() : fromAnsi(std::string_view(text.data(), std::min(n, units - 1)));
}

std::string Win32System::getClassName(WindowHandle window) {
  // 256 units: a class name is at most 256 characters with its NUL.
  if (nt_) {
    wchar_t name[257] = {};
    const int n = GetClassNameW(asWindow(window), name, 257);
    return n <= 0 ? std::string() : fromWide(std::wstring_view(name, static_cast<std::size_t>(std::min(n, 256))));
  }
  char name[257] = {};
  const int n = GetClassNameA(asWindow(window), name, 257);
  return n <= 0 ? std::string() : fromAnsi(std::string_view(name, static_cast<std::size_t>(std::min(n, 256))));
}

std::uint32_t Win32System::getWindowThreadProcessId(WindowHandle window, std::uint32_t* pid) {
  DWORD process = 0;
  const DWORD thread = GetWindowThreadProcessId(asWindow(window), &process);
  if (pid) *pid = process;
  return thread;
}

bool Win32System::sendMessageTimeout(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t lParam, std::uint32_t flags, std::uint32_t timeoutMs,
                                     std::uintptr_t* result) {
  DWORD_PTR answer = 0;
  const LRESULT ok = nt_ ? SendMessageTimeoutW(asWindow(window), message, wParam, lParam, flags, timeoutMs, &answer)
                         : SendMessageTimeoutA(asWindow(window), message, wParam, lParam, flags, timeoutMs, &answer);
  if (result) *result = answer;
  return ok != 0;
}

std::uintptr_t Win32System::getClassLong(WindowHandle window, std::int32_t index) {
  if (nt_) return static_cast<std::uintptr_t>(GetClassLongPtrW(asWindow(window), index));
  return static_cast<std::uintptr_t>(GetClassLongA(asWindow(window), index));
}

bool Win32System::showWindowAsync(WindowHandle window, std::int32_t command) {
  return ShowWindowAsync(asWindow(window), command) != 0;
}

bool Win32System::isIconic(WindowHandle window) { return IsIconic(asWindow(window)) != 0; }

bool Win32System::setForegroundWindow(WindowHandle window) { return SetForegroundWindow(asWindow(window)) != 0; }

WindowHandle Win32System::getShellWindow() { return getShellWindow_ ? fromWindow(getShellWindow_()) : WindowHandle{}; }

WindowHandle Win32System::hungWindowFromGhostWindow(WindowHandle ghost) {
  if (!hungWindowFromGhostWindow_ || ghost == WindowHandle{}) return WindowHandle{};
  return fromWindow(hungWindowFromGhostWindow_(asWindow(ghost)));
}

std::int32_t Win32System::dwmGetWindowAttribute(WindowHandle window, std::uint32_t attribute, Bytes value) {
  if (!dwmGetWindowAttribute_) return kENotImpl;
  return dwmGetWindowAttribute_(asWindow(window), attribute, bufferOrNull(value), static_cast<DWORD>(value.size()));
}

bool Win32System::setWindowPos(WindowHandle window, std::intptr_t insertAfter, int x, int y, int cx, int cy,
                               std::uint32_t flags) {
  return SetWindowPos(asWindow(window), reinterpret_cast<HWND>(insertAfter), x, y, cx, cy, flags) != 0;
}

int Win32System::messageBox(WindowHandle owner, std::string_view text, std::string_view caption, std::uint32_t type) {
  if (nt_) return MessageBoxW(asWindow(owner), toWide(text).c_str(), toWide(caption).c_str(), type);
  return MessageBoxA(asWindow(owner), toAnsi(text).c_str(), toAnsi(caption).c_str(), type);
}

// ---- shell32 / icons ----------------------------------------------------------------

std::uint32_t Win32System::extractIconEx(std::string_view file, int index, IconHandle* large, IconHandle* small,
                                         std::uint32_t count) {
  if (count > kMaxIcons) return 0;
  if (nt_ ? !extractIconExW_ : !extractIconExA_) return 0;
  std::vector<HICON> big(large ? count : 0), little(small ? count : 0);
  HICON* bigOut = large ? big.data() : nullptr;
  HICON* smallOut = small ? little.data() : nullptr;
  // A file on an empty removable drive fails here instead of raising the system's
  // "no disk" box, which would hold up the refresh.
  const CriticalErrorsFail quiet;
  const std::wstring wide = nt_ ? toWide(file) : std::wstring();
  const std::string ansi = nt_ ? std::string() : toAnsi(file);
  UINT got = 0;
  {
    const NativeFileSystem native;  // this one call, and nothing else, reads past the redirector
    got = nt_ ? extractIconExW_(wide.c_str(), index, bigOut, smallOut, count)
              : extractIconExA_(ansi.c_str(), index, bigOut, smallOut, count);
  }
  // A file that cannot be read answers 0 or, on some systems, UINT_MAX with junk in the
  // slots: the caller's places are then left as they were.
  if (got == 0 || got == UINT_MAX) return 0;
  // Copy back every slot the call filled; the caller owns what it receives.
  for (std::uint32_t i = 0; i < count; ++i) {
    if (large && big[i]) large[i] = fromIcon(big[i]);
    if (small && little[i]) small[i] = fromIcon(little[i]);
  }
  return got;
}

bool Win32System::destroyIcon(IconHandle icon) { return DestroyIcon(asIcon(icon)) != 0; }

bool Win32System::runFileDialog(WindowHandle owner, IconHandle icon, std::string_view title, std::string_view prompt,
                                std::uint32_t flags) {
  if (!runFileDlg_) return false;
  if (nt_) {
    const std::wstring t = toWide(title), p = toWide(prompt);
    runFileDlg_(asWindow(owner), asIcon(icon), nullptr, t.c_str(), p.c_str(), flags);
  } else {
    const std::string t = toAnsi(title), p = toAnsi(prompt);
    runFileDlg_(asWindow(owner), asIcon(icon), nullptr, t.c_str(), p.c_str(), flags);
  }
  return true;
}

bool Win32System::shellAbout(WindowHandle owner, std::string_view title, std::string_view other, IconHandle icon) {
  if (nt_) {
    return shellAboutW_ &&
           shellAboutW_(asWindow(owner), toWide(title).c_str(), toWide(other).c_str(), asIcon(icon)) != 0;
  }
  return shellAboutA_ && shellAboutA_(asWindow(owner), toAnsi(title).c_str(), toAnsi(other).c_str(), asIcon(icon)) != 0;
}

// ---- ole32 --------------------------------------------------------------------------

std::int32_t Win32System::coInitializeEx(std::uint32_t coInit) {
  if (!coInitializeEx_ || !coUninitialize_) return kENotImpl;
  return coInitializeEx_(nullptr, coInit);
}

void Win32System::coUninitialize() {
  if (coUninitialize_) coUninitialize_();
}

}  // namespace ledra::platform::win32
