// FakeSystem: a small scriptable machine behind the System seam. Each area of the
// program keeps its simulated state in its own section; every call is logged by name
// so tests can check the order of OS calls where order is the rule.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/os_layout.h"
#include "platform/system.h"

namespace ledra::fakes {

using platform::Bytes;
using platform::Handle;
using platform::IconHandle;
using platform::WindowHandle;

// Handles as the tests write them: numbers.
constexpr WindowHandle hwnd(std::uintptr_t n) { return WindowHandle{n}; }
constexpr IconHandle hicon(std::uintptr_t n) { return IconHandle{n}; }

class FakeSystem : public platform::System {
 public:
  FakeSystem() = default;
  explicit FakeSystem(std::size_t pointerBytes_) : pointerBytes(pointerBytes_) {}

  // ---- pointer width ------------------------------------------------------------
  // The width of the program the machine answers: 4 lays every structure out as a
  // 32-bit program gets it (and refuses addresses above 4 GiB), 8 as a 64-bit one.
  std::size_t pointerBytes = 4;
  const platform::OsLayout& layout() const { return platform::osLayoutFor(pointerBytes); }
  // Turns the stored offsets at `pointers` into addresses inside `to`, as wide as the
  // layout's pointers (the low half of the address for the 32-bit one).
  static void Rebase(Bytes to, const std::vector<std::size_t>& pointers, const platform::OsLayout& layout);

  // ---- log and handle accounting ----------------------------------------------
  std::vector<std::string> calls;  // method names in call order
  std::size_t count(std::string_view call) const;
  void clearCalls() { calls.clear(); }
  // Handles from openProcess / createToolhelp32Snapshot / regOpenKey not yet closed.
  std::set<Handle> openHandles;
  std::set<Handle> openKeys;

  // ---- version, locale ------------------------------------------------------------
  std::uint32_t platformId = 2;  // VER_PLATFORM_WIN32_NT
  bool versionFails = false;
  std::string decimalSeparator = ".";

  // ---- ntdll: system information ----------------------------------------------------
  // Default behaviour: the bytes stored for a class are copied out; a buffer that is
  // too small gets kStatusInfoLengthMismatch and the needed length. A class with no
  // bytes answers kStatusInvalidInfoClass. `onSystemInformation` overrides it all.
  std::map<std::uint32_t, std::vector<std::byte>> systemInformation;
  std::set<std::uint32_t> failingSystemInformation;  // these classes answer an error
  std::function<std::int32_t(std::uint32_t, Bytes, std::uint32_t*)> onSystemInformation;
  // Offsets of pointer fields in the stored bytes of a class that hold addresses inside
  // the returned data (UNICODE_STRING Buffer fields). They are stored as offsets from
  // the start and rebased onto the caller's buffer when copied out, as the OS does.
  std::map<std::uint32_t, std::vector<std::size_t>> systemInformationPointers;

  // ---- processes ----------------------------------------------------------------------
  struct Process {
    std::uint32_t pid = 0;
    bool canOpen = true;  // OpenProcess succeeds
    // Rights OpenProcess refuses, as real Windows does: 0x1000 where the system predates
    // it (XP), 0x400 | 0x10 for an elevated, protected or other user's process seen by an
    // unelevated program (which still gets 0x1000).
    std::uint32_t deniedAccess = 0;
    std::set<std::uint32_t> deniedInformation;  // query classes answered "access denied"
    // Classes answered "access denied" to a handle holding only the limited query right
    // (0x1000 without 0x400), as some kernels answer break-on-termination (29).
    std::set<std::uint32_t> fullRightInformation;
    bool canTerminate = true;  // TerminateProcess succeeds
    bool terminated = false;
    std::uint32_t exitCode = 0;
    // Answers to NtQueryInformationProcess by class (class 0 basic, 26 WOW64 block,
    // 27 image name, 29 break-on-termination, 60 command line); a missing class answers
    // kStatusNotImplemented. Every class wants a handle with one of the query rights.
    std::map<std::uint32_t, std::vector<std::byte>> information;
    // Answers to NtWow64QueryInformationProcess64 by class (a 64-bit process seen from
    // a 32-bit program).
    std::map<std::uint32_t, std::vector<std::byte>> information64;
    // Per class, the address fields inside those answers (see systemInformationPointers).
    std::map<std::uint32_t, std::vector<std::size_t>> informationPointers;
    // Memory of the process: base address -> bytes.
    std::map<std::uint64_t, std::vector<std::byte>> memory;
    std::vector<std::uint64_t> modules;  // HMODULE values for EnumProcessModules
    std::map<std::uint64_t, std::string> moduleFileNames;
  };
  std::map<std::uint32_t, Process> processes;
  std::map<std::string, std::string> dosDevices;  // "C:" -> "\Device\HarddiskVolume2"
  // GetDriveType by upper-case letter; a letter not named is a fixed disk.
  std::map<char, std::uint32_t> driveTypes;
  std::map<Handle, std::uint32_t> handlePid;     // open process handle -> pid
  std::map<Handle, std::uint32_t> handleAccess;  // open process handle -> access
  struct OpenCall {
    std::uint32_t access;
    bool inherit;
    std::uint32_t pid;
    bool operator==(const OpenCall&) const = default;
  };
  std::vector<OpenCall> openCalls;            // what openProcess was asked, in order
  std::vector<std::size_t> moduleArrayBytes;  // the array each enumProcessModules was given
  // The NtWow64 entries exist (a 32-bit program on 64-bit Windows).
  bool hasNtWow64 = false;
  // What getLastError answers: set by each refused openProcess, as the OS sets it:
  // kErrorAccessDenied for a process that refuses the rights asked (deniedAccess, or
  // canOpen false), kErrorInvalidParameter for a PID with no process (or an ended one).
  std::uint32_t lastError = 0;

  // ---- Toolhelp -------------------------------------------------------------------------
  // Each entry is a PROCESSENTRY32 (built by the tests); copied out in order.
  std::vector<std::vector<std::byte>> toolhelpEntries;
  bool snapshotFails = false;
  std::vector<std::uint32_t> snapshotFlags;  // what each createToolhelp32Snapshot asked for

  // ---- memory status --------------------------------------------------------------------
  // Byte counts by structure field; the setters lay them out as the OS structures do
  // (a 32-bit MEMORYSTATUS keeps the low 32 bits of each, as the 32-bit call reports them).
  struct MemoryFigures {
    std::uint64_t totalPhys = 0, availPhys = 0, totalPageFile = 0, availPageFile = 0, totalVirtual = 0,
                  availVirtual = 0;
  };
  static std::vector<std::byte> memoryStatusOf(const MemoryFigures& figures,
                                               const platform::OsLayout& layout = platform::kOsLayout32);
  std::optional<std::vector<std::byte>> memoryStatusEx;  // nullopt = unavailable
  // By default a small 32-bit machine: 64 MB of RAM (16 MB free), a 2 GB address
  // space, a 128 MB page file (96 MB free). setMemoryStatus lays it out in the layout
  // of the moment.
  std::vector<std::byte> memoryStatus =
      memoryStatusOf({67108864, 16777216, 134217728, 100663296, 2147352576, 2143289344});
  void setMemoryStatusEx(const MemoryFigures& figures);
  void setMemoryStatus(const MemoryFigures& figures);
  // The counters of the CPU sample: SYSTEM_TIMEOFDAY_INFORMATION.CurrentTime, and the
  // idle time summed over all processors, which SYSTEM_PERFORMANCE_INFORMATION holds and
  // one SYSTEM_PROCESSOR_PERFORMANCE_INFORMATION record per processor splits up.
  // SYSTEM_BASIC_INFORMATION.NumberOfProcessors says `basicProcessors` when given: a
  // 32-bit program on a 48-thread 64-bit machine is told 32 there.
  void setCpuCounters(std::uint8_t processors, std::int64_t idleTime, std::int64_t currentTime,
                      std::optional<std::uint8_t> basicProcessors = std::nullopt);

  // ---- registry ---------------------------------------------------------------------------
  // key path -> (value name -> 32-bit value). Only HKEY_DYN_DATA keys are simulated.
  std::map<std::string, std::map<std::string, std::uint32_t>> registry;

  // ---- windows -------------------------------------------------------------------------
  struct Window {
    WindowHandle handle{};
    std::string title;
    bool visible = true;     // WS_VISIBLE
    std::int32_t style = 0;  // further style bits (WS_POPUP, WS_CHILD)
    WindowHandle owner{};
    std::int32_t exStyle = 0;
    std::uint32_t pid = 0;
    std::uint32_t thread = 1;
    IconHandle bigIcon{}, smallIcon{};         // WM_GETICON answers
    IconHandle classIcon{}, classSmallIcon{};  // GetClassLong answers
    // Never answers: a message sent to it, or any call that waits for its thread (such
    // as ShowWindow), would wait for ever; see hungWaits.
    bool hung = false;
    bool minimized = false;
    bool maximized = false;  // zoomed, or to be restored zoomed while minimised
    bool restored = false;   // brought back by SW_RESTORE
    bool activated = false;  // activated (SW_RESTORE, SW_SHOW, SetForegroundWindow)
    bool cloaked = false;    // DWMWA_CLOAKED answers nonzero
    // GetClassName: "Ghost" for the system's stand-in of a hung window.
    std::string className{};
    // A ghost's hung window, which HungWindowFromGhostWindow answers while it exists.
    WindowHandle hungWindow{};
  };
  std::vector<Window> windows;  // top of the Z order first
  Window* window(WindowHandle handle);
  // Calls that would have waited for a window that never answers: a send without
  // SMTO_ABORTIFHUNG, or a synchronous change of its window.
  std::size_t hungWaits = 0;
  WindowHandle shellWindow{};  // GetShellWindow
  WindowHandle foreground{};   // the last SetForegroundWindow that found its window
  bool hasDwm = true;          // dwmapi.dll's entry exists (Vista and later)
  // user32's HungWindowFromGhostWindow exists (Vista and later).
  bool hasHungWindowFromGhostWindow = true;
  // Icons a file gives to ExtractIconEx: path -> (large, small), the file as it is on the
  // disk. A 32-bit program on 64-bit Windows reads ...\System32\x through the seam,
  // not the ...\SysWOW64\x that the file-system redirector would give it.
  std::map<std::string, std::pair<IconHandle, IconHandle>> fileIcons;
  std::set<IconHandle> liveExtractedIcons;  // extracted and not yet destroyed
  struct SentMessage {
    WindowHandle window;
    std::uint32_t message;
    std::uintptr_t wParam;
    std::uint32_t flags, timeoutMs;
  };
  std::vector<SentMessage> sentMessages;  // sendMessageTimeout calls in order
  // Runs inside sendMessageTimeout before the answer, as a message another thread sends
  // to us while we wait would.
  std::function<void(WindowHandle)> onSendMessage;

  // ---- message box, shell ------------------------------------------------------------------
  struct MessageBoxCall {
    WindowHandle owner;
    std::string text, caption;
    std::uint32_t type;
  };
  std::vector<MessageBoxCall> messageBoxes;
  int messageBoxAnswer = 1;  // IDOK
  struct ShellCall {
    WindowHandle owner;
    std::string title, text;
    std::uint32_t flags;
    IconHandle icon;
  };
  std::vector<ShellCall> runDialogs;
  std::vector<ShellCall> aboutBoxes;
  struct SetWindowPosCall {
    WindowHandle window;
    std::intptr_t insertAfter;
    std::uint32_t flags;
  };
  std::vector<SetWindowPosCall> setWindowPosCalls;

  // ---- System --------------------------------------------------------------------------
  std::size_t pointerSize() const override { return pointerBytes; }
  bool getVersionEx(Bytes osVersionInfoA) override;
  std::string localeDecimalSeparator() override;
  // The fake machine's code page is UTF-8 already.
  std::string ansiToUtf8(std::string_view ansi) override { return std::string(ansi); }
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

  // ---- COM --------------------------------------------------------------------------
  std::int32_t coInitializeAnswer = platform::kSOk;
  std::vector<std::uint32_t> coInitCalls;  // the flags of each coInitializeEx
  int comDepth = 0;                        // successful joins not yet left

 private:
  std::int32_t answerInformation(Handle process, std::uint32_t infoClass, Bytes buffer, std::uint32_t* returnLength,
                                 bool wide);
  bool readMemory(Handle process, std::uint64_t address, Bytes into);

  Handle nextHandle() { return Handle{nextHandle_ += 4}; }
  std::uintptr_t nextHandle_ = 0x100;
  std::map<Handle, std::size_t> snapshotCursor_;
  std::map<Handle, std::string> keyPath_;
};

}  // namespace ledra::fakes
