// Idle processes for the side-by-side benchmark: the same process set for Ledra and the
// floor, cheap to keep alive so that it adds nothing of its own to the figures.
//
//   ledra_idle.exe --spawn N W [R MS]  starts N idle children, the first W with a window,
//                                the next R with a window that retitles itself every MS
//                                milliseconds (500), then waits (the script ends the whole
//                                prefix at the end)
//   ledra_idle.exe --window K    one visible window titled "ledra-idle K", pumping
//   ledra_idle.exe --retitle K MS  one visible window titled "ledra-retitling K N%", N
//                                going up every MS milliseconds, as a download's does
//   ledra_idle.exe               sleeps
#include <windows.h>

#include <algorithm>
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

constexpr UINT_PTR kRetitleTimer = 1;

std::wstring retitled(const std::wstring& base, unsigned step) {
  return base + L" " + std::to_wstring(step % 100) + L"%";
}

LRESULT CALLBACK retitlingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && wParam == kRetitleTimer) {
    const auto step = static_cast<unsigned>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)) + 1;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, static_cast<LONG_PTR>(step));
    // The title without its count, kept by window() for as long as the window lives.
    const auto* title = static_cast<const std::wstring*>(GetPropW(hwnd, L"LedraBase"));
    if (title) SetWindowTextW(hwnd, retitled(*title, step).c_str());
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// A visible window of the given title; with an interval, one that retitles itself at it.
int window(const std::string& title, int intervalMs = 0) {
  WNDCLASSW cls{};
  cls.lpfnWndProc = intervalMs > 0 ? retitlingProc : DefWindowProcW;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  cls.lpszClassName = intervalMs > 0 ? L"LedraRetitling" : L"LedraIdle";
  RegisterClassW(&cls);
  const std::wstring wide(title.begin(), title.end());
  HWND hwnd =
      CreateWindowExW(0, cls.lpszClassName, intervalMs > 0 ? retitled(wide, 0).c_str() : wide.c_str(),
                      WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 160, 80, nullptr, nullptr, cls.hInstance, nullptr);
  if (!hwnd) return 1;
  if (intervalMs > 0) {
    SetPropW(hwnd, L"LedraBase", const_cast<std::wstring*>(&wide));
    SetTimer(hwnd, kRetitleTimer, static_cast<UINT>(intervalMs), nullptr);
  }
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::strcmp(argv[1], "--spawn") == 0) {
    const int children = std::atoi(argv[2]);
    const int windows = std::atoi(argv[3]);
    const int retitling = argc >= 5 ? std::atoi(argv[4]) : 0;
    const int intervalMs = argc >= 6 ? std::atoi(argv[5]) : 500;
    int started = 0;
    for (int i = 0; i < children; ++i) {
      std::wstring arguments = L"--sleep";
      if (i < windows)
        arguments = L"--window " + std::to_wstring(i);
      else if (i < windows + retitling)
        arguments = L"--retitle " + std::to_wstring(i - windows) + L" " + std::to_wstring(intervalMs);
      if (start(arguments)) ++started;
    }
    std::printf("started=%d\n", started);
    std::fflush(stdout);
    Sleep(INFINITE);
    return 0;
  }
  if (argc >= 3 && std::strcmp(argv[1], "--window") == 0) return window(std::string("ledra-idle ") + argv[2]);
  if (argc >= 4 && std::strcmp(argv[1], "--retitle") == 0)
    return window(std::string("ledra-retitling ") + argv[2], std::max(std::atoi(argv[3]), 1));
  Sleep(INFINITE);
  return 0;
}
