// The numeric constants of the OS calls the portable code makes, each named once after
// its Windows name. The Win32 adapter checks every one against the system headers at
// compile time (platform/win32/os_checks.cpp); the few that no header of the toolchain
// names say so here.
#pragma once

#include <cstdint>

namespace ledra::platform {

// ---- NTSTATUS -----------------------------------------------------------------------
inline constexpr std::int32_t kStatusSuccess = 0;
inline constexpr std::int32_t kStatusBufferOverflow = static_cast<std::int32_t>(0x80000005u);
inline constexpr std::int32_t kStatusNotImplemented = static_cast<std::int32_t>(0xC0000002u);
inline constexpr std::int32_t kStatusInvalidInfoClass = static_cast<std::int32_t>(0xC0000003u);
inline constexpr std::int32_t kStatusInfoLengthMismatch = static_cast<std::int32_t>(0xC0000004u);
inline constexpr std::int32_t kStatusInvalidHandle = static_cast<std::int32_t>(0xC0000008u);
inline constexpr std::int32_t kStatusAccessDenied = static_cast<std::int32_t>(0xC0000022u);
inline constexpr std::int32_t kStatusBufferTooSmall = static_cast<std::int32_t>(0xC0000023u);

// ---- HRESULT ------------------------------------------------------------------------
inline constexpr std::int32_t kSOk = 0;
inline constexpr std::int32_t kSFalse = 1;
inline constexpr std::int32_t kENotImpl = static_cast<std::int32_t>(0x80004001u);
inline constexpr std::int32_t kRpcEChangedMode = static_cast<std::int32_t>(0x80010106u);

// ---- Win32 error codes (GetLastError) -------------------------------------------------
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;

// ---- OpenProcess access rights --------------------------------------------------------
inline constexpr std::uint32_t kProcessTerminate = 0x0001;
inline constexpr std::uint32_t kProcessVmRead = 0x0010;
inline constexpr std::uint32_t kProcessQueryInformation = 0x0400;
// Vista and later; older systems refuse it as an unknown right.
inline constexpr std::uint32_t kProcessQueryLimitedInformation = 0x1000;

// ---- NtQuerySystemInformation classes -------------------------------------------------
inline constexpr std::uint32_t kSystemBasicInformation = 0;
inline constexpr std::uint32_t kSystemPerformanceInformation = 2;
inline constexpr std::uint32_t kSystemTimeOfDayInformation = 3;
inline constexpr std::uint32_t kSystemProcessInformation = 5;
inline constexpr std::uint32_t kSystemProcessorPerformanceInformation = 8;

// ---- NtQueryInformationProcess classes ------------------------------------------------
inline constexpr std::uint32_t kProcessBasicInformation = 0;
inline constexpr std::uint32_t kProcessWow64Information = 26;
inline constexpr std::uint32_t kProcessImageFileName = 27;
inline constexpr std::uint32_t kProcessBreakOnTermination = 29;
// ProcessCommandLineInformation, Windows 8.1 and later: the command line to the limited
// right. No header of the toolchain names it.
inline constexpr std::uint32_t kProcessCommandLineInformation = 60;

// ---- Toolhelp -------------------------------------------------------------------------
inline constexpr std::uint32_t kTh32csSnapProcess = 0x2;

// ---- registry -------------------------------------------------------------------------
inline constexpr std::uint32_t kRegDword = 4;

// ---- windows --------------------------------------------------------------------------
inline constexpr std::uint32_t kGwOwner = 4;      // GetWindow
inline constexpr std::int32_t kGwlStyle = -16;    // GetWindowLong
inline constexpr std::int32_t kGwlExStyle = -20;  // GetWindowLong
inline constexpr std::int32_t kWsPopup = static_cast<std::int32_t>(0x80000000u);
inline constexpr std::int32_t kWsChild = 0x40000000;
inline constexpr std::int32_t kWsVisible = 0x10000000;
inline constexpr std::int32_t kWsExToolWindow = 0x80;
inline constexpr std::int32_t kWsExAppWindow = 0x40000;
inline constexpr std::int32_t kGclHIcon = -14;  // GetClassLong(Ptr)
inline constexpr std::int32_t kGclHIconSm = -34;
inline constexpr std::uint32_t kWmGetIcon = 0x7F;
inline constexpr std::uintptr_t kIconBig = 1;  // WM_GETICON wParam
inline constexpr std::uintptr_t kIconSmall2 = 2;
inline constexpr std::uint32_t kSmtoBlock = 0x1;  // SendMessageTimeout flags
inline constexpr std::uint32_t kSmtoAbortIfHung = 0x2;
inline constexpr std::int32_t kSwShowMinimized = 2;  // ShowWindow commands
inline constexpr std::int32_t kSwShow = 5;
inline constexpr std::int32_t kSwMinimize = 6;
inline constexpr std::int32_t kSwRestore = 9;
// DwmGetWindowAttribute: a DWORD, nonzero when the window is cloaked (Windows 8 and later:
// windows of other virtual desktops, suspended store apps, shell windows kept hidden).
inline constexpr std::uint32_t kDwmwaCloaked = 14;
// The class of the stand-in window the system shows for a program that stopped answering
// (Windows 2000 SP4 / XP on), owned by another process than the hung window's.
inline constexpr char kGhostWindowClass[] = "Ghost";
// SetWindowPos. The two HWND values are pointers in the headers, out of a static_assert's
// reach; the Wine-run test of the top-most option shows them working.
inline constexpr std::intptr_t kHwndTopMost = -1;
inline constexpr std::intptr_t kHwndNoTopMost = -2;
inline constexpr std::uint32_t kSwpNoSize = 0x1;
inline constexpr std::uint32_t kSwpNoMove = 0x2;
inline constexpr std::uint32_t kMbIconError = 0x10;  // MessageBox

// GetDriveType answers.
inline constexpr std::uint32_t kDriveUnknown = 0;
inline constexpr std::uint32_t kDriveNoRootDir = 1;
inline constexpr std::uint32_t kDriveRemovable = 2;
inline constexpr std::uint32_t kDriveFixed = 3;
inline constexpr std::uint32_t kDriveRemote = 4;

// ---- shell ----------------------------------------------------------------------------
// RFF_NODEFAULT of the Run dialog (shell32 ordinal 61): no header of the toolchain names
// it; it is the documented flag value of that entry.
inline constexpr std::uint32_t kRffNoDefault = 0x2;

// ---- COM ------------------------------------------------------------------------------
// CoInitializeEx: a single-threaded apartment without OLE 1 DDE, as ShellExecuteEx wants.
inline constexpr std::uint32_t kCoInitApartmentThreaded = 0x2;
inline constexpr std::uint32_t kCoInitDisableOle1Dde = 0x4;

}  // namespace ledra::platform
