// The floor: what one refresh of a task manager must cost at the least. A hidden window
// whose timer does, at the given interval, only the OS work a refresh needs - the
// process records, each new process's command line once (open, basic information, three
// reads; a process is its PID with its creation time, as a command line does not change),
// the CPU and memory figures and the visible top-level windows' titles - and keeps
// nothing else but a checksum. Measured side by side with Ledra by scripts/bench-floor.sh.
//
// Usage: ledra_floor.exe [interval-ms]      (default 500)
// Prints "processes=N windows=M" whenever either count changes.
#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

namespace {

using QuerySystem = NTSTATUS(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
using QueryProcess = NTSTATUS(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

constexpr ULONG kBasicInformation = 0;
constexpr ULONG kPerformanceInformation = 2;
constexpr ULONG kTimeOfDayInformation = 3;
constexpr ULONG kProcessInformation = 5;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004L);
constexpr UINT_PTR kTimerId = 1;

// The leading fields of a process record; the rest is not needed for the walk.
struct ProcessRecord {
  ULONG NextEntryOffset;
  ULONG NumberOfThreads;
  LARGE_INTEGER Reserved[3];
  LARGE_INTEGER CreateTime;
  LARGE_INTEGER UserTime;
  LARGE_INTEGER KernelTime;
  UNICODE_STRING ImageName;
  LONG BasePriority;
  HANDLE UniqueProcessId;
};

struct Floor {
  QuerySystem querySystem = nullptr;
  QueryProcess queryProcess = nullptr;
  std::vector<BYTE> records = std::vector<BYTE>(0x20000);
  std::vector<WCHAR> text = std::vector<WCHAR>(1024);
  unsigned long long checksum = 0;
  // The processes whose command line was read: PID -> creation time, as of the last tick.
  std::map<DWORD, LONGLONG> known, seen;
  int processes = -1, windows = -1;
  int windowsThisTick = 0;

  bool readProcessRecords() {
    for (int attempt = 0; attempt < 4; ++attempt) {
      ULONG needed = 0;
      const LONG status = querySystem(kProcessInformation, records.data(), static_cast<ULONG>(records.size()), &needed);
      if (status == kInfoLengthMismatch) {
        records.resize(std::max<size_t>(needed + 0x4000, records.size() * 2));
        continue;
      }
      return status >= 0;
    }
    return false;
  }

  // Open, basic information, then three reads: the parameters pointer, the command
  // line's UNICODE_STRING, and the text itself.
  bool readCommandLine(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) return false;
    bool read = false;
    PROCESS_BASIC_INFORMATION basic{};
    if (queryProcess(process, ProcessBasicInformation, &basic, sizeof(basic), nullptr) >= 0 && basic.PebBaseAddress) {
      PRTL_USER_PROCESS_PARAMETERS parameters = nullptr;
      UNICODE_STRING line{};
      auto* pebParameters = reinterpret_cast<BYTE*>(basic.PebBaseAddress) + offsetof(PEB, ProcessParameters);
      if (ReadProcessMemory(process, pebParameters, &parameters, sizeof(parameters), nullptr) && parameters &&
          ReadProcessMemory(process,
                            reinterpret_cast<BYTE*>(parameters) + offsetof(RTL_USER_PROCESS_PARAMETERS, CommandLine),
                            &line, sizeof(line), nullptr) &&
          line.Buffer && line.Length > 0) {
        const size_t units = line.Length / sizeof(WCHAR);
        if (text.size() < units) text.resize(units);
        read = ReadProcessMemory(process, line.Buffer, text.data(), units * sizeof(WCHAR), nullptr) != 0;
        if (read) checksum += text[0] + units;
      }
    }
    CloseHandle(process);
    return read;
  }

  void cpuAndMemory() {
    BYTE basic[64] = {}, timeOfDay[48] = {}, performance[512] = {};
    querySystem(kBasicInformation, basic, 44, nullptr);
    querySystem(kTimeOfDayInformation, timeOfDay, 32, nullptr);
    querySystem(kPerformanceInformation, performance, 312, nullptr);
    MEMORYSTATUSEX memory{};
    memory.dwLength = sizeof(memory);
    GlobalMemoryStatusEx(&memory);
    checksum += performance[0] + timeOfDay[8] + basic[40] + memory.ullAvailPhys;
  }

  static BOOL CALLBACK eachWindow(HWND hwnd, LPARAM self) {
    auto* floor = reinterpret_cast<Floor*>(self);
    if (!IsWindowVisible(hwnd)) return TRUE;
    const int length = GetWindowTextW(hwnd, floor->text.data(), 256);
    floor->checksum += static_cast<unsigned>(length);
    ++floor->windowsThisTick;
    return TRUE;
  }

  void tick() {
    int count = 0;
    if (readProcessRecords()) {
      for (size_t offset = 0;;) {
        if (offset + sizeof(ProcessRecord) > records.size()) break;
        const auto* record = reinterpret_cast<const ProcessRecord*>(records.data() + offset);
        ++count;
        const auto pid = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(record->UniqueProcessId));
        checksum += record->UserTime.QuadPart + record->KernelTime.QuadPart;
        // Read again only for a new process, or one whose read gave nothing (as Ledra does).
        const auto was = known.find(pid);
        const bool read = was != known.end() && was->second == record->CreateTime.QuadPart;
        if (pid != 0 && (read || readCommandLine(pid))) seen[pid] = record->CreateTime.QuadPart;
        if (record->NextEntryOffset == 0) break;
        offset += record->NextEntryOffset;
      }
    }
    known.swap(seen);  // processes that ended are forgotten
    seen.clear();
    cpuAndMemory();
    windowsThisTick = 0;
    EnumWindows(eachWindow, reinterpret_cast<LPARAM>(this));
    if (count != processes || windowsThisTick != windows) {
      processes = count;
      windows = windowsThisTick;
      std::printf("processes=%d windows=%d\n", processes, windows);
      std::fflush(stdout);
    }
  }
};

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && wParam == kTimerId) {
    reinterpret_cast<Floor*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))->tick();
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  const int interval = argc > 1 ? std::atoi(argv[1]) : 500;
  Floor floor;
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  floor.querySystem =
      reinterpret_cast<QuerySystem>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQuerySystemInformation")));
  floor.queryProcess =
      reinterpret_cast<QueryProcess>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryInformationProcess")));
  if (!floor.querySystem || !floor.queryProcess || interval <= 0) return 2;

  WNDCLASSW cls{};
  cls.lpfnWndProc = windowProc;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = L"LedraFloor";
  RegisterClassW(&cls);
  // Never shown: the floor has nothing to draw.
  HWND hwnd =
      CreateWindowExW(0, cls.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr, cls.hInstance, nullptr);
  if (!hwnd) return 3;
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&floor));
  floor.tick();
  SetTimer(hwnd, kTimerId, static_cast<UINT>(interval), nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return static_cast<int>(floor.checksum & 1);
}
