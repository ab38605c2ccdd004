// The constants of platform/os_constants.h against the toolchain's Windows headers: a
// value that differs stops the build here. Nothing in this file runs.
//
// ntstatus.h holds the NTSTATUS names; winnt.h defines a few of them too unless told not to.
#define WIN32_NO_STATUS
#include <windows.h>
#undef WIN32_NO_STATUS
#include <dwmapi.h>
#include <ntstatus.h>
#include <objbase.h>
#include <tlhelp32.h>
#include <winternl.h>

#include "platform/os_constants.h"

namespace ledra::platform::win32 {
namespace {

static_assert(kStatusSuccess == STATUS_SUCCESS);
static_assert(kStatusBufferOverflow == STATUS_BUFFER_OVERFLOW);
static_assert(kStatusNotImplemented == STATUS_NOT_IMPLEMENTED);
static_assert(kStatusInvalidInfoClass == STATUS_INVALID_INFO_CLASS);
static_assert(kStatusInfoLengthMismatch == STATUS_INFO_LENGTH_MISMATCH);
static_assert(kStatusInvalidHandle == STATUS_INVALID_HANDLE);
static_assert(kStatusAccessDenied == STATUS_ACCESS_DENIED);
static_assert(kStatusBufferTooSmall == STATUS_BUFFER_TOO_SMALL);

static_assert(kSOk == S_OK);
static_assert(kSFalse == S_FALSE);
static_assert(kENotImpl == E_NOTIMPL);
static_assert(kRpcEChangedMode == RPC_E_CHANGED_MODE);

static_assert(kErrorAccessDenied == ERROR_ACCESS_DENIED);
static_assert(kErrorInvalidParameter == ERROR_INVALID_PARAMETER);

static_assert(kProcessTerminate == PROCESS_TERMINATE);
static_assert(kProcessVmRead == PROCESS_VM_READ);
static_assert(kProcessQueryInformation == PROCESS_QUERY_INFORMATION);
static_assert(kProcessQueryLimitedInformation == PROCESS_QUERY_LIMITED_INFORMATION);

static_assert(kSystemBasicInformation == SystemBasicInformation);
static_assert(kSystemPerformanceInformation == SystemPerformanceInformation);
static_assert(kSystemTimeOfDayInformation == SystemTimeOfDayInformation);
static_assert(kSystemProcessInformation == SystemProcessInformation);
static_assert(kSystemProcessorPerformanceInformation == SystemProcessorPerformanceInformation);

static_assert(kProcessBasicInformation == ProcessBasicInformation);
static_assert(kProcessWow64Information == ProcessWow64Information);
static_assert(kProcessImageFileName == ProcessImageFileName);
static_assert(kProcessBreakOnTermination == ProcessBreakOnTermination);

static_assert(kTh32csSnapProcess == TH32CS_SNAPPROCESS);
static_assert(kRegDword == REG_DWORD);

static_assert(kDriveUnknown == DRIVE_UNKNOWN);
static_assert(kDriveNoRootDir == DRIVE_NO_ROOT_DIR);
static_assert(kDriveRemovable == DRIVE_REMOVABLE);
static_assert(kDriveFixed == DRIVE_FIXED);
static_assert(kDriveRemote == DRIVE_REMOTE);

static_assert(kGwOwner == GW_OWNER);
static_assert(kGwlExStyle == GWL_EXSTYLE);
static_assert(kWsExToolWindow == WS_EX_TOOLWINDOW);
static_assert(kWsExAppWindow == WS_EX_APPWINDOW);
// The 64-bit headers name the icon indexes only in their pointer-wide form.
static_assert(kGclHIcon == GCLP_HICON);
static_assert(kGclHIconSm == GCLP_HICONSM);
static_assert(kWmGetIcon == WM_GETICON);
static_assert(kIconBig == ICON_BIG);
static_assert(kIconSmall2 == ICON_SMALL2);
static_assert(kSmtoBlock == SMTO_BLOCK);
static_assert(kSmtoAbortIfHung == SMTO_ABORTIFHUNG);
static_assert(kSwShowMinimized == SW_SHOWMINIMIZED);
static_assert(kSwShow == SW_SHOW);
static_assert(kSwMinimize == SW_MINIMIZE);
static_assert(kSwRestore == SW_RESTORE);
static_assert(kSwpNoSize == SWP_NOSIZE);
static_assert(kSwpNoMove == SWP_NOMOVE);
static_assert(kMbIconError == MB_ICONERROR);
static_assert(kDwmwaCloaked == DWMWA_CLOAKED);

static_assert(kCoInitApartmentThreaded == COINIT_APARTMENTTHREADED);
static_assert(kCoInitDisableOle1Dde == COINIT_DISABLE_OLE1DDE);

}  // namespace
}  // namespace ledra::platform::win32
