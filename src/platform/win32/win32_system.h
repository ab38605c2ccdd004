// The real System: each method is one Win32 call, passing what the call passes.
//
// The OS family is read once at construction. On the NT family text goes through the
// wide entry points; on the 9x family through the ANSI ones in the ANSI code page.
// Entries that not every system has (ntdll queries, psapi, Toolhelp,
// GlobalMemoryStatusEx, QueryDosDevice, the shell, GetShellWindow,
// HungWindowFromGhostWindow, DWM, COM, the WOW64 redirection switch) are looked up at
// run time, each DLL loaded by its full path in the system folder; a missing one gives
// the call's failure result.
#pragma once

#include <windows.h>

#include <cstddef>

#include "platform/system.h"
#include "platform/unique_handle.h"

namespace ledra::platform::win32 {

using UniqueModule = UniqueHandle<HMODULE, &FreeLibrary>;

class Win32System final : public System {
 public:
  Win32System();
  Win32System(const Win32System&) = delete;
  Win32System& operator=(const Win32System&) = delete;

  // True on the NT platform, as GetVersionExA reported it at construction.
  bool isNt() const { return nt_; }

  std::size_t pointerSize() const override { return sizeof(void*); }
  bool getVersionEx(Bytes osVersionInfoA) override;
  std::string localeDecimalSeparator() override;
  std::string ansiToUtf8(std::string_view ansi) override;
  std::int32_t ntQuerySystemInformation(std::uint32_t infoClass, Bytes buffer, std::uint32_t* returnLength) override;
  std::int32_t ntQueryInformationProcess(Handle process, std::uint32_t infoClass, Bytes buffer,
                                         std::uint32_t* returnLength) override;
  std::int32_t ntWow64QueryInformationProcess64(Handle process, std::uint32_t infoClass, Bytes buffer,
                                                std::uint32_t* returnLength) override;
  bool ntWow64ReadVirtualMemory64(Handle process, std::uint64_t address, Bytes into) override;
  Handle openProcess(std::uint32_t access, bool inherit, std::uint32_t pid) override;
  std::uint32_t getLastError() override;
  bool closeHandle(Handle handle) override;
  bool terminateProcess(Handle process, std::uint32_t exitCode) override;
  bool readProcessMemory(Handle process, std::uint64_t address, Bytes into) override;
  std::string queryDosDevice(std::string_view deviceName) override;
  std::uint32_t getDriveType(std::string_view rootPath) override;
  bool enumProcessModules(Handle process, Bytes modules, std::uint32_t* cbNeeded) override;
  std::string getModuleFileNameEx(Handle process, std::uint64_t module, std::uint32_t maxChars) override;
  Handle createToolhelp32Snapshot(std::uint32_t flags, std::uint32_t pid) override;
  bool process32First(Handle snapshot, Bytes entry) override;
  bool process32Next(Handle snapshot, Bytes entry) override;
  bool globalMemoryStatusEx(Bytes memoryStatusEx) override;
  void globalMemoryStatus(Bytes memoryStatus) override;
  std::int32_t regOpenKey(Handle root, std::string_view subKey, Handle* result) override;
  std::int32_t regQueryValueEx(Handle key, std::string_view valueName, std::uint32_t* type, Bytes data,
                               std::uint32_t* dataSize) override;
  std::int32_t regCloseKey(Handle key) override;
  void enumWindows(const std::function<bool(WindowHandle)>& each) override;
  WindowHandle getWindow(WindowHandle window, std::uint32_t command) override;
  std::int32_t getWindowLong(WindowHandle window, std::int32_t index) override;
  std::string getWindowText(WindowHandle window, int maxUnits) override;
  std::string getClassName(WindowHandle window) override;
  std::uint32_t getWindowThreadProcessId(WindowHandle window, std::uint32_t* pid) override;
  bool sendMessageTimeout(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                          std::uint32_t flags, std::uint32_t timeoutMs, std::uintptr_t* result) override;
  std::uintptr_t getClassLong(WindowHandle window, std::int32_t index) override;
  bool showWindowAsync(WindowHandle window, std::int32_t command) override;
  bool isIconic(WindowHandle window) override;
  bool setForegroundWindow(WindowHandle window) override;
  WindowHandle getShellWindow() override;
  WindowHandle hungWindowFromGhostWindow(WindowHandle ghost) override;
  std::int32_t dwmGetWindowAttribute(WindowHandle window, std::uint32_t attribute, Bytes value) override;
  bool setWindowPos(WindowHandle window, std::intptr_t insertAfter, int x, int y, int cx, int cy,
                    std::uint32_t flags) override;
  int messageBox(WindowHandle owner, std::string_view text, std::string_view caption, std::uint32_t type) override;
  std::uint32_t extractIconEx(std::string_view file, int index, IconHandle* large, IconHandle* small,
                              std::uint32_t count) override;
  bool destroyIcon(IconHandle icon) override;
  bool runFileDialog(WindowHandle owner, IconHandle icon, std::string_view title, std::string_view prompt,
                     std::uint32_t flags) override;
  bool shellAbout(WindowHandle owner, std::string_view title, std::string_view other, IconHandle icon) override;
  std::int32_t coInitializeEx(std::uint32_t coInit) override;
  void coUninitialize() override;

 private:
  using NtQuerySystemInformationFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  using NtQueryInformationProcessFn = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
  using NtWow64ReadVirtualMemory64Fn = LONG(WINAPI*)(HANDLE, ULONGLONG, PVOID, ULONGLONG, PULONGLONG);
  using EnumProcessModulesFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, LPDWORD);
  using GetModuleFileNameExWFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPWSTR, DWORD);
  using GetModuleFileNameExAFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);
  using CreateToolhelp32SnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
  using Process32Fn = BOOL(WINAPI*)(HANDLE, void*);
  using GlobalMemoryStatusExFn = BOOL(WINAPI*)(void*);
  using QueryDosDeviceWFn = DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD);
  using QueryDosDeviceAFn = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);
  using RunFileDlgFn = void(WINAPI*)(HWND, HICON, LPCVOID, LPCVOID, LPCVOID, UINT);
  using ExtractIconExWFn = UINT(WINAPI*)(LPCWSTR, int, HICON*, HICON*, UINT);
  using ExtractIconExAFn = UINT(WINAPI*)(LPCSTR, int, HICON*, HICON*, UINT);
  using ShellAboutWFn = int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, HICON);
  using ShellAboutAFn = int(WINAPI*)(HWND, LPCSTR, LPCSTR, HICON);
  using GetShellWindowFn = HWND(WINAPI*)();
  using HungWindowFromGhostWindowFn = HWND(WINAPI*)(HWND);
  using DwmGetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, PVOID, DWORD);
  using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID, DWORD);
  using CoUninitializeFn = void(WINAPI*)();

  bool nt_ = false;
  UniqueModule psapi_;
  UniqueModule shell32_;
  UniqueModule dwmapi_;
  UniqueModule ole32_;
  NtQuerySystemInformationFn ntQuerySystemInformation_ = nullptr;
  NtQueryInformationProcessFn ntQueryInformationProcess_ = nullptr;
  // Only a 32-bit ntdll on 64-bit Windows has these; the 64-bit build never needs them.
  NtQueryInformationProcessFn ntWow64QueryInformationProcess64_ = nullptr;
  NtWow64ReadVirtualMemory64Fn ntWow64ReadVirtualMemory64_ = nullptr;
  EnumProcessModulesFn enumProcessModules_ = nullptr;
  GetModuleFileNameExWFn getModuleFileNameExW_ = nullptr;
  GetModuleFileNameExAFn getModuleFileNameExA_ = nullptr;
  CreateToolhelp32SnapshotFn createToolhelp32Snapshot_ = nullptr;
  Process32Fn process32First_ = nullptr;
  Process32Fn process32Next_ = nullptr;
  GlobalMemoryStatusExFn globalMemoryStatusEx_ = nullptr;
  QueryDosDeviceWFn queryDosDeviceW_ = nullptr;
  QueryDosDeviceAFn queryDosDeviceA_ = nullptr;
  RunFileDlgFn runFileDlg_ = nullptr;
  ExtractIconExWFn extractIconExW_ = nullptr;
  ExtractIconExAFn extractIconExA_ = nullptr;
  ShellAboutWFn shellAboutW_ = nullptr;
  ShellAboutAFn shellAboutA_ = nullptr;
  GetShellWindowFn getShellWindow_ = nullptr;
  HungWindowFromGhostWindowFn hungWindowFromGhostWindow_ = nullptr;
  DwmGetWindowAttributeFn dwmGetWindowAttribute_ = nullptr;
  CoInitializeExFn coInitializeEx_ = nullptr;
  CoUninitializeFn coUninitialize_ = nullptr;
};

}  // namespace ledra::platform::win32
