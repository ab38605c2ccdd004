// Idle processes for the side-by-side benchmark: the same process set for Ledra and the
// floor, cheap to keep alive so that it adds nothing of its own to the figures.
//
//   ledra_idle.exe --spawn N W   starts N idle children, the first W with a window, then
//                                waits (the script ends the whole prefix at the end)
//   ledra_idle.exe --window K    one visible window titled "ledra-idle K", pumping
//   ledra_idle.exe               sleeps
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::wstring ownPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

bool start(const std::wstring& arguments) {
  std::wstring line = L"\"" + ownPath() + L"\" " + arguments;
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &info)) return false;
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return true;
}

int window(const char* number) {
  WNDCLASSW cls{};
  cls.lpfnWndProc = DefWindowProcW;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  cls.lpszClassName = L"LedraIdle";
  RegisterClassW(&cls);
  const std::string title = std::string("ledra-idle ") + number;
  const std::wstring wide(title.begin(), title.end());
  HWND hwnd = CreateWindowExW(0, cls.lpszClassName, wide.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 160, 80,
                              nullptr, nullptr, cls.hInstance, nullptr);
  if (!hwnd) return 1;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::strcmp(argv[1], "--spawn") == 0) {
    const int children = std::atoi(argv[2]);
    const int windows = std::atoi(argv[3]);
    int started = 0;
    for (int i = 0; i < children; ++i) {
      const std::wstring arguments = i < windows ? L"--window " + std::to_wstring(i) : std::wstring(L"--sleep");
      if (start(arguments)) ++started;
    }
    std::printf("started=%d\n", started);
    std::fflush(stdout);
    Sleep(INFINITE);
    return 0;
  }
  if (argc >= 3 && std::strcmp(argv[1], "--window") == 0) return window(argv[2]);
  Sleep(INFINITE);
  return 0;
}
