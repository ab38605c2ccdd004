// The real System behind a counter of what it hands out: process and snapshot handles,
// registry keys and extracted icons not yet given back. The Wine tests use it to see that
// the code under test releases everything it opens, on every path.
#pragma once

#include <cstddef>
#include <set>
#include <vector>

#include "platform/win32/win32_system.h"

namespace ledra::wine_test {

using ledra::platform::Bytes;
using ledra::platform::Handle;
using ledra::platform::IconHandle;
using ledra::platform::WindowHandle;

class CountingSystem final : public ledra::platform::System {
 public:
  bool isNt() const { return real_.isNt(); }
  // Process and snapshot handles and registry keys handed out and not yet closed.
  std::size_t liveHandles() const { return handles_.size() + keys_.size(); }
  // Icons from extractIconEx not yet destroyed.
  std::size_t liveIcons() const { return icons_.size(); }

  std::size_t pointerSize() const override { return real_.pointerSize(); }
  bool getVersionEx(Bytes osVersionInfoA) override { return real_.getVersionEx(osVersionInfoA); }
  std::string localeDecimalSeparator() override { return real_.localeDecimalSeparator(); }
  std::string ansiToUtf8(std::string_view ansi) override { return real_.ansiToUtf8(ansi); }
  std::int32_t ntQuerySystemInformation(std::uint32_t infoClass, Bytes buffer, std::uint32_t* returnLength) override {
    return real_.ntQuerySystemInformation(infoClass, buffer, returnLength);
  }
  std::int32_t ntQueryInformationProcess(Handle process, std::uint32_t infoClass, Bytes buffer,
                                         std::uint32_t* returnLength) override {
    return real_.ntQueryInformationProcess(process, infoClass, buffer, returnLength);
  }
  std::int32_t ntWow64QueryInformationProcess64(Handle process, std::uint32_t infoClass, Bytes buffer,
                                                std::uint32_t* returnLength) override {
    return real_.ntWow64QueryInformationProcess64(process, infoClass, buffer, returnLength);
  }
  bool ntWow64ReadVirtualMemory64(Handle process, std::uint64_t address, Bytes into) override {
    return real_.ntWow64ReadVirtualMemory64(process, address, into);
  }
  Handle openProcess(std::uint32_t access, bool inherit, std::uint32_t pid) override {
    const Handle handle = real_.openProcess(access, inherit, pid);
    if (handle != Handle{}) handles_.insert(handle);
    return handle;
  }
  std::uint32_t getLastError() override { return real_.getLastError(); }
  bool closeHandle(Handle handle) override {
    const bool closed = real_.closeHandle(handle);
    if (closed) handles_.erase(handle);
    return closed;
  }
  bool terminateProcess(Handle process, std::uint32_t exitCode) override {
    return real_.terminateProcess(process, exitCode);
  }
  bool readProcessMemory(Handle process, std::uint64_t address, Bytes into) override {
    return real_.readProcessMemory(process, address, into);
  }
  std::string queryDosDevice(std::string_view deviceName) override { return real_.queryDosDevice(deviceName); }
  std::uint32_t getDriveType(std::string_view rootPath) override { return real_.getDriveType(rootPath); }
  bool enumProcessModules(Handle process, Bytes modules, std::uint32_t* cbNeeded) override {
    return real_.enumProcessModules(process, modules, cbNeeded);
  }
  std::string getModuleFileNameEx(Handle process, std::uint64_t module, std::uint32_t maxChars) override {
    return real_.getModuleFileNameEx(process, module, maxChars);
  }
  Handle createToolhelp32Snapshot(std::uint32_t flags, std::uint32_t pid) override {
    const Handle handle = real_.createToolhelp32Snapshot(flags, pid);
    if (handle != Handle{}) handles_.insert(handle);
    return handle;
  }
  bool process32First(Handle snapshot, Bytes entry) override { return real_.process32First(snapshot, entry); }
  bool process32Next(Handle snapshot, Bytes entry) override { return real_.process32Next(snapshot, entry); }
  bool globalMemoryStatusEx(Bytes memoryStatusEx) override { return real_.globalMemoryStatusEx(memoryStatusEx); }
  void globalMemoryStatus(Bytes memoryStatus) override { real_.globalMemoryStatus(memoryStatus); }
  std::int32_t regOpenKey(Handle root, std::string_view subKey, Handle* result) override {
    const std::int32_t status = real_.regOpenKey(root, subKey, result);
    if (result != nullptr && *result != Handle{}) keys_.insert(*result);
    return status;
  }
  std::int32_t regQueryValueEx(Handle key, std::string_view valueName, std::uint32_t* type, Bytes data,
                               std::uint32_t* dataSize) override {
    return real_.regQueryValueEx(key, valueName, type, data, dataSize);
  }
  std::int32_t regCloseKey(Handle key) override {
    const std::int32_t status = real_.regCloseKey(key);
    if (status == 0) keys_.erase(key);
    return status;
  }
  void enumWindows(const std::function<bool(WindowHandle)>& each) override { real_.enumWindows(each); }
  WindowHandle getWindow(WindowHandle window, std::uint32_t command) override {
    return real_.getWindow(window, command);
  }
  std::int32_t getWindowLong(WindowHandle window, std::int32_t index) override {
    return real_.getWindowLong(window, index);
  }
  std::string getWindowText(WindowHandle window, int maxUnits) override {
    return real_.getWindowText(window, maxUnits);
  }
  std::string getClassName(WindowHandle window) override { return real_.getClassName(window); }
  std::uint32_t getWindowThreadProcessId(WindowHandle window, std::uint32_t* pid) override {
    return real_.getWindowThreadProcessId(window, pid);
  }
  bool sendMessageTimeout(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                          std::uint32_t flags, std::uint32_t timeoutMs, std::uintptr_t* result) override {
    return real_.sendMessageTimeout(window, message, wParam, lParam, flags, timeoutMs, result);
  }
  std::uintptr_t getClassLong(WindowHandle window, std::int32_t index) override {
    return real_.getClassLong(window, index);
  }
  bool showWindowAsync(WindowHandle window, std::int32_t command) override {
    return real_.showWindowAsync(window, command);
  }
  bool isIconic(WindowHandle window) override { return real_.isIconic(window); }
  bool setForegroundWindow(WindowHandle window) override { return real_.setForegroundWindow(window); }
  WindowHandle getShellWindow() override { return real_.getShellWindow(); }
  WindowHandle hungWindowFromGhostWindow(WindowHandle ghost) override { return real_.hungWindowFromGhostWindow(ghost); }
  std::int32_t dwmGetWindowAttribute(WindowHandle window, std::uint32_t attribute, Bytes value) override {
    return real_.dwmGetWindowAttribute(window, attribute, value);
  }
  bool setWindowPos(WindowHandle window, std::intptr_t insertAfter, int x, int y, int cx, int cy,
                    std::uint32_t flags) override {
    return real_.setWindowPos(window, insertAfter, x, y, cx, cy, flags);
  }
  int messageBox(WindowHandle owner, std::string_view text, std::string_view caption, std::uint32_t type) override {
    return real_.messageBox(owner, text, caption, type);
  }
  std::uint32_t extractIconEx(std::string_view file, int index, IconHandle* large, IconHandle* small,
                              std::uint32_t count) override {
    // Our own slots, so only what the call filled is counted; copied back as the call would.
    std::vector<IconHandle> big(large ? count : 0), little(small ? count : 0);
    const std::uint32_t got =
        real_.extractIconEx(file, index, large ? big.data() : nullptr, small ? little.data() : nullptr, count);
    for (std::uint32_t i = 0; i < big.size(); ++i)
      if (big[i] != IconHandle{}) icons_.insert(large[i] = big[i]);
    for (std::uint32_t i = 0; i < little.size(); ++i)
      if (little[i] != IconHandle{}) icons_.insert(small[i] = little[i]);
    return got;
  }
  bool destroyIcon(IconHandle icon) override {
    const bool destroyed = real_.destroyIcon(icon);
    if (destroyed) icons_.erase(icon);
    return destroyed;
  }
  bool runFileDialog(WindowHandle owner, IconHandle icon, std::string_view title, std::string_view prompt,
                     std::uint32_t flags) override {
    return real_.runFileDialog(owner, icon, title, prompt, flags);
  }
  bool shellAbout(WindowHandle owner, std::string_view title, std::string_view other, IconHandle icon) override {
    return real_.shellAbout(owner, title, other, icon);
  }
  std::int32_t coInitializeEx(std::uint32_t coInit) override { return real_.coInitializeEx(coInit); }
  void coUninitialize() override { real_.coUninitialize(); }

 private:
  ledra::platform::win32::Win32System real_;
  std::set<Handle> handles_;
  std::set<Handle> keys_;
  std::set<IconHandle> icons_;
};

}  // namespace ledra::wine_test
