// Helpers shared by the Wine-run test programs: child processes, message pumping and a
// watcher that answers the modal boxes the code under test opens.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "platform/system.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace ledra::wine_test {

// The top-level window of exactly this title, looked up through the family's entry
// points (the code page on 9x): how another program would find one of ours.
inline platform::WindowHandle findWindowByTitle(bool nt, std::string_view title) {
  using namespace platform::win32;
  return fromWindow(nt ? FindWindowW(nullptr, toWide(title).c_str()) : FindWindowA(nullptr, toAnsi(title).c_str()));
}

using Clock = std::chrono::steady_clock;

inline std::wstring ownExe() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

// A process this test started; ended by its own handle if the test did not end it.
struct Child {
  PROCESS_INFORMATION info{};
  bool started = false;
  explicit Child(std::wstring commandLine) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    started =
        CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &info) != 0;
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    if (!started) return;
    if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(info.hProcess, 1);
      WaitForSingleObject(info.hProcess, 5000);
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
  DWORD pid() const { return info.dwProcessId; }
  bool ended(DWORD waitMs) const { return WaitForSingleObject(info.hProcess, waitMs) == WAIT_OBJECT_0; }
  DWORD exitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    return code;
  }
};

// A window's own handling of a message before it is dispatched, as the program's loop
// runs it (true: handled, the message goes no further).
using PreTranslate = std::function<bool(const MSG&)>;

inline void pump(const PreTranslate& handled = {}) {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (handled && handled(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

inline void pumpFor(int ms, const PreTranslate& handled = {}) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < end) {
    pump(handled);
    Sleep(10);
  }
}

struct PidWindow {
  DWORD pid;
  HWND found;
};

inline BOOL CALLBACK findVisibleOfPid(HWND w, LPARAM data) {
  auto* p = reinterpret_cast<PidWindow*>(data);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid != p->pid || !IsWindowVisible(w) || GetWindow(w, GW_OWNER) || GetWindowTextLengthW(w) == 0) return TRUE;
  p->found = w;
  return FALSE;
}

// The visible, unowned, titled window of a process, waiting up to 30 s for it: a loaded
// machine can take that long to start a program under Wine.
inline HWND windowOf(DWORD pid) {
  for (int i = 0; i < 1500; ++i) {
    PidWindow p{pid, nullptr};
    EnumWindows(findVisibleOfPid, reinterpret_cast<LPARAM>(&p));
    if (p.found) return p.found;
    pumpFor(20);
  }
  return nullptr;
}

// Real key presses through the input queue: the keys go down in order and up in
// reverse ({VK_CONTROL, VK_TAB} is Ctrl+Tab); then the messages are pumped.
inline void pressKeys(std::initializer_list<WORD> keys, const PreTranslate& handled, int settleMs = 150) {
  std::vector<INPUT> input;
  for (WORD key : keys) {
    INPUT down{};
    down.type = INPUT_KEYBOARD;
    down.ki.wVk = key;
    input.push_back(down);
  }
  for (auto key = keys.end(); key != keys.begin();) {
    INPUT up{};
    up.type = INPUT_KEYBOARD;
    up.ki.wVk = *--key;
    up.ki.dwFlags = KEYEVENTF_KEYUP;
    input.push_back(up);
  }
  SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
  pumpFor(settleMs, handled);
}

inline BOOL CALLBACK findDialog(HWND w, LPARAM found) {
  wchar_t cls[32] = {};
  GetClassNameW(w, cls, 32);
  if (std::wstring(cls) != L"#32770" || !IsWindowVisible(w)) return TRUE;
  *reinterpret_cast<HWND*>(found) = w;
  return FALSE;
}

inline BOOL CALLBACK collectText(HWND child, LPARAM texts) {
  wchar_t t[512] = {};
  GetWindowTextW(child, t, 512);
  reinterpret_cast<std::vector<std::wstring>*>(texts)->emplace_back(t);
  return TRUE;
}

// Waits up to `waitMs` on a helper thread for the first visible dialog box of
// `ownerThread`, notes its caption and texts, runs `whenSeen`, then presses `button`.
// A box that never comes leaves `seen` false.
struct ModalCloser {
  bool seen = false;
  std::wstring title;
  std::vector<std::wstring> texts;
  std::thread thread;

  ModalCloser(DWORD ownerThread, int button, int waitMs = 10000, int settleMs = 0,
              std::function<void()> whenSeen = {}) {
    thread = std::thread([this, ownerThread, button, waitMs, settleMs, whenSeen] {
      for (int waited = 0; waited < waitMs; waited += 50) {
        Sleep(50);
        HWND box = nullptr;
        EnumThreadWindows(ownerThread, findDialog, reinterpret_cast<LPARAM>(&box));
        if (!box) continue;
        if (settleMs > 0) Sleep(static_cast<DWORD>(settleMs));  // let it paint
        wchar_t text[512] = {};
        GetWindowTextW(box, text, 512);
        title = text;
        EnumChildWindows(box, collectText, reinterpret_cast<LPARAM>(&texts));
        seen = true;
        if (whenSeen) whenSeen();
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
        return;
      }
    });
  }
  ModalCloser(const ModalCloser&) = delete;
  ModalCloser& operator=(const ModalCloser&) = delete;
  ~ModalCloser() { wait(); }
  void wait() {
    if (thread.joinable()) thread.join();
  }
  bool shows(const std::wstring& text) const {
    for (const auto& t : texts)
      if (t.find(text) != std::wstring::npos) return true;
    return false;
  }
};

}  // namespace ledra::wine_test
