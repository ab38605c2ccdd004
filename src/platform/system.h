// The seam between Ledra and the operating system.
//
// One method per OS operation the program uses, shaped like the OS call: queries fill
// byte buffers laid out as the OS structures are for the width pointerSize() names,
// and the area code reads them at the offsets of platform/os_layout.h through
// ByteReader. Handles are opaque integers; addresses in another process are 64-bit.
// Text crossing the seam is UTF-8; the adapter converts at the boundary (wide entry
// points on the NT family, the ANSI code page where a call only speaks ANSI).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/os_constants.h"
#include "platform/unique_handle.h"

namespace ledra::platform {

// Distinct types, so a window cannot be passed where a process handle belongs. The
// value-initialised handle ({}) is none.
enum class Handle : std::uintptr_t {};  // process, snapshot, registry key
enum class WindowHandle : std::uintptr_t {};
enum class IconHandle : std::uintptr_t {};
using Bytes = std::span<std::byte>;

// The number behind a handle: a row tag, a key, the adapter's cast.
template <typename H>
requires std::is_enum_v<H>
constexpr std::uintptr_t raw(H handle) { return static_cast<std::uintptr_t>(handle); }

// Registry roots. Predefined keys are sign-extended 32-bit values.
inline constexpr Handle kHkeyDynData{
    static_cast<std::uintptr_t>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000006u)))};

class System {
 public:
  virtual ~System() = default;

  // Bytes of a pointer in the structures the calls below answer in (4 or 8): the
  // width of the program's own build on the real system. Picks the OsLayout.
  virtual std::size_t pointerSize() const = 0;

  // ---- kernel32: version, locale ------------------------------------------------
  // GetVersionExA into an OSVERSIONINFOA (148 bytes; the caller sets the size field).
  virtual bool getVersionEx(Bytes osVersionInfoA) = 0;
  // The user locale's decimal sign (LOCALE_SDECIMAL), "." when it cannot be read.
  virtual std::string localeDecimalSeparator() = 0;
  // Text in the system ANSI code page (a field of a single-byte structure) as UTF-8.
  virtual std::string ansiToUtf8(std::string_view ansi) = 0;

  // ---- ntdll ----------------------------------------------------------------------
  // NtQuerySystemInformation. `returnLength` may be null (the call then gets none).
  virtual std::int32_t ntQuerySystemInformation(std::uint32_t infoClass, Bytes buffer, std::uint32_t* returnLength) = 0;
  // NtQueryInformationProcess (ZwQueryInformationProcess is the same entry).
  virtual std::int32_t ntQueryInformationProcess(Handle process, std::uint32_t infoClass, Bytes buffer,
                                                 std::uint32_t* returnLength) = 0;
  // NtWow64QueryInformationProcess64 / NtWow64ReadVirtualMemory64: a 32-bit program on
  // 64-bit Windows asking about a 64-bit process, with 64-bit layouts and addresses.
  // Only such a program's ntdll has them: elsewhere the query answers
  // kStatusNotImplemented and the read false.
  virtual std::int32_t ntWow64QueryInformationProcess64(Handle process, std::uint32_t infoClass, Bytes buffer,
                                                        std::uint32_t* returnLength) = 0;
  virtual bool ntWow64ReadVirtualMemory64(Handle process, std::uint64_t address, Bytes into) = 0;

  // ---- kernel32: processes --------------------------------------------------------
  virtual Handle openProcess(std::uint32_t access, bool inherit, std::uint32_t pid) = 0;
  // GetLastError: the error code of the last call that failed on this thread, read at
  // once after it (as after a refused openProcess: kErrorAccessDenied for a process that
  // refuses the rights asked, kErrorInvalidParameter for one that is not there).
  virtual std::uint32_t getLastError() = 0;
  virtual bool closeHandle(Handle handle) = 0;
  virtual bool terminateProcess(Handle process, std::uint32_t exitCode) = 0;
  // ReadProcessMemory of exactly into.size() bytes at an address of the target; false
  // also for an address this program's pointers cannot hold.
  virtual bool readProcessMemory(Handle process, std::uint64_t address, Bytes into) = 0;
  // QueryDosDeviceW for a drive such as "C:": the first target ("\Device\HarddiskVolume2"),
  // or "" when the name is not defined.
  virtual std::string queryDosDevice(std::string_view deviceName) = 0;
  // GetDriveType of a root ("C:\\"): kDriveRemote and the others; kDriveNoRootDir for a
  // drive that does not exist.
  virtual std::uint32_t getDriveType(std::string_view rootPath) = 0;

  // ---- psapi ----------------------------------------------------------------------
  // EnumProcessModules: `modules` is the array as the call sees it (OsLayout::moduleHandle
  // bytes per HMODULE); cbNeeded may be null.
  virtual bool enumProcessModules(Handle process, Bytes modules, std::uint32_t* cbNeeded) = 0;
  // GetModuleFileNameEx: the file name of a module, at most maxChars characters;
  // "" on failure.
  virtual std::string getModuleFileNameEx(Handle process, std::uint64_t module, std::uint32_t maxChars) = 0;

  // ---- kernel32: Toolhelp ---------------------------------------------------------
  virtual Handle createToolhelp32Snapshot(std::uint32_t flags, std::uint32_t pid) = 0;
  // PROCESSENTRY32 in its single-byte form (kProcessEntry32), caller sets dwSize. The
  // 9x family's list: a 64-bit build answers false.
  virtual bool process32First(Handle snapshot, Bytes entry) = 0;
  virtual bool process32Next(Handle snapshot, Bytes entry) = 0;

  // ---- kernel32: memory status ----------------------------------------------------
  // GlobalMemoryStatusEx into a MEMORYSTATUSEX (caller sets dwLength).
  // Returns false also when the call is not available on this system.
  virtual bool globalMemoryStatusEx(Bytes memoryStatusEx) = 0;
  // GlobalMemoryStatus into a MEMORYSTATUS (OsLayout::memoryStatus); a buffer too small
  // for it is left alone.
  virtual void globalMemoryStatus(Bytes memoryStatus) = 0;

  // ---- advapi32: registry ---------------------------------------------------------
  virtual std::int32_t regOpenKey(Handle root, std::string_view subKey, Handle* result) = 0;
  virtual std::int32_t regQueryValueEx(Handle key, std::string_view valueName, std::uint32_t* type, Bytes data,
                                       std::uint32_t* dataSize) = 0;
  virtual std::int32_t regCloseKey(Handle key) = 0;

  // ---- user32: windows ------------------------------------------------------------
  // EnumWindows; the callback returns false to stop.
  virtual void enumWindows(const std::function<bool(WindowHandle)>& each) = 0;
  virtual WindowHandle getWindow(WindowHandle window, std::uint32_t command) = 0;
  virtual std::int32_t getWindowLong(WindowHandle window, std::int32_t index) = 0;
  // GetWindowText: at most maxUnits - 1 characters; "" for no title or failure.
  virtual std::string getWindowText(WindowHandle window, int maxUnits) = 0;
  // GetClassName: the window class's name; "" on failure.
  virtual std::string getClassName(WindowHandle window) = 0;
  // GetWindowThreadProcessId: returns the thread id, fills *pid (0 on failure).
  virtual std::uint32_t getWindowThreadProcessId(WindowHandle window, std::uint32_t* pid) = 0;
  // SendMessageTimeout; false when the window did not answer in time or is hung.
  virtual bool sendMessageTimeout(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                  std::intptr_t lParam, std::uint32_t flags, std::uint32_t timeoutMs,
                                  std::uintptr_t* result) = 0;
  // GetClassLong(Ptr) for the icon indexes (GCL_HICON, GCL_HICONSM).
  virtual std::uintptr_t getClassLong(WindowHandle window, std::int32_t index) = 0;
  // ShowWindowAsync: posts the change to the window's own thread and returns at once,
  // so a program that does not answer cannot hold this one up (ShowWindow would wait).
  virtual bool showWindowAsync(WindowHandle window, std::int32_t command) = 0;
  virtual bool isIconic(WindowHandle window) = 0;
  // SetForegroundWindow: another thread's window is activated by a posted event, not waited for.
  virtual bool setForegroundWindow(WindowHandle window) = 0;
  // GetShellWindow, looked up at run time: the shell's desktop window; 0 when there is
  // none or the system lacks the call.
  virtual WindowHandle getShellWindow() = 0;
  // HungWindowFromGhostWindow, looked up at run time (user32, Vista and later): the hung
  // window a ghost window (class kGhostWindowClass) stands in for; 0 when `ghost` is none,
  // the hung window is gone, or the system lacks the call.
  virtual WindowHandle hungWindowFromGhostWindow(WindowHandle ghost) = 0;
  // DwmGetWindowAttribute, looked up at run time in dwmapi.dll: an HRESULT; a system
  // without the entry (XP, 9x) answers kENotImpl and leaves `value` alone.
  virtual std::int32_t dwmGetWindowAttribute(WindowHandle window, std::uint32_t attribute, Bytes value) = 0;
  virtual bool setWindowPos(WindowHandle window, std::intptr_t insertAfter, int x, int y, int cx, int cy,
                            std::uint32_t flags) = 0;
  // MessageBox; returns the button pressed (0 on failure).
  virtual int messageBox(WindowHandle owner, std::string_view text, std::string_view caption, std::uint32_t type) = 0;

  // ---- shell32 / icons ------------------------------------------------------------
  // ExtractIconEx of one icon; returns the number of icons extracted. The caller owns
  // (and destroys) what it receives. The icons come from the file the path names: in a
  // 32-bit program on 64-bit Windows a System32 path is not redirected to SysWOW64.
  virtual std::uint32_t extractIconEx(std::string_view file, int index, IconHandle* large, IconHandle* small,
                                      std::uint32_t count) = 0;
  virtual bool destroyIcon(IconHandle icon) = 0;
  // The shell's Run dialog (shell32 ordinal 61), looked up at run time; the title and
  // prompt go in the family's form (UTF-16 on NT, ANSI on 9x), as every text does.
  // Returns false when the entry cannot be found.
  virtual bool runFileDialog(WindowHandle owner, IconHandle icon, std::string_view title, std::string_view prompt,
                             std::uint32_t flags) = 0;
  virtual bool shellAbout(WindowHandle owner, std::string_view title, std::string_view other, IconHandle icon) = 0;

  // ---- ole32 ------------------------------------------------------------------------
  // CoInitializeEx for the calling thread, looked up at run time: an HRESULT (S_FALSE when
  // the thread had joined already, which needs its CoUninitialize too); kENotImpl where
  // the system lacks the entry. ComApartment pairs the two.
  virtual std::int32_t coInitializeEx(std::uint32_t coInit) = 0;
  virtual void coUninitialize() = 0;
};

// Owners of what System hands out, released through it on every path.
using ScopedHandle = UniqueHandle<Handle, &System::closeHandle>;    // openProcess, createToolhelp32Snapshot
using ScopedKey = UniqueHandle<Handle, &System::regCloseKey>;       // regOpenKey
using ScopedIcon = UniqueHandle<IconHandle, &System::destroyIcon>;  // extractIconEx

}  // namespace ledra::platform
