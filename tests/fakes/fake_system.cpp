#include "fakes/fake_system.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "common/byte_reader.h"
#include "common/text.h"
#include "platform/os_constants.h"

namespace ledra::fakes {

using namespace platform;

namespace {

void copyOut(const std::vector<std::byte>& from, Bytes to) {
  if (from.empty() || to.empty()) return;
  std::memcpy(to.data(), from.data(), std::min(from.size(), to.size()));
}

}  // namespace

void FakeSystem::Rebase(Bytes to, const std::vector<std::size_t>& pointers, const platform::OsLayout& layout) {
  const auto base = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(to.data()));
  const common::ByteReader reader(to);
  for (std::size_t at : pointers) {
    if (!reader.has(at, layout.pointer)) continue;
    platform::putPointer(to, at, *platform::readPointer(reader, at, layout) + base, layout);
  }
}

std::size_t FakeSystem::count(std::string_view call) const {
  return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), call));
}

FakeSystem::Window* FakeSystem::window(WindowHandle handle) {
  if (handle == WindowHandle{}) return nullptr;
  for (auto& w : windows)
    if (w.handle == handle) return &w;
  return nullptr;
}

// ---- version, locale ----------------------------------------------------------------

bool FakeSystem::getVersionEx(Bytes info) {
  calls.push_back("getVersionEx");
  constexpr const platform::OsVersionInfoALayout& layout = platform::kOsVersionInfoA;
  if (versionFails || info.size() < layout.size) return false;
  if (common::ByteReader(info).u32(0).value_or(0) != layout.size) return false;
  common::putU32(info, layout.platformId, platformId);
  return true;
}

std::string FakeSystem::localeDecimalSeparator() { return decimalSeparator; }

// ---- ntdll ------------------------------------------------------------------------------

std::int32_t FakeSystem::ntQuerySystemInformation(std::uint32_t infoClass, Bytes buffer, std::uint32_t* returnLength) {
  calls.push_back("ntQuerySystemInformation");
  if (onSystemInformation) return onSystemInformation(infoClass, buffer, returnLength);
  if (failingSystemInformation.count(infoClass)) return kStatusAccessDenied;
  auto it = systemInformation.find(infoClass);
  if (it == systemInformation.end()) return kStatusInvalidInfoClass;
  const auto needed = static_cast<std::uint32_t>(it->second.size());
  if (returnLength) *returnLength = needed;
  if (buffer.size() < it->second.size()) return kStatusInfoLengthMismatch;
  copyOut(it->second, buffer);
  auto pointers = systemInformationPointers.find(infoClass);
  if (pointers != systemInformationPointers.end()) Rebase(buffer, pointers->second, layout());
  return kStatusSuccess;
}

std::int32_t FakeSystem::answerInformation(Handle process, std::uint32_t infoClass, Bytes buffer,
                                           std::uint32_t* returnLength, bool wide) {
  auto h = handlePid.find(process);
  if (h == handlePid.end()) return kStatusInvalidHandle;
  // ProcessWow64Information takes exactly a ULONG_PTR; the OS refuses any other length.
  if (!wide && infoClass == 26 && buffer.size() != pointerBytes) return kStatusInfoLengthMismatch;
  auto& p = processes[h->second];
  const std::uint32_t access = handleAccess[process];
  if ((access & (kProcessQueryInformation | kProcessQueryLimitedInformation)) == 0) return kStatusAccessDenied;
  if ((access & kProcessQueryInformation) == 0 && p.fullRightInformation.count(infoClass)) return kStatusAccessDenied;
  if (!wide && p.deniedInformation.count(infoClass)) return kStatusAccessDenied;
  const auto& answers = wide ? p.information64 : p.information;
  auto it = answers.find(infoClass);
  if (it == answers.end()) return kStatusNotImplemented;
  const auto needed = static_cast<std::uint32_t>(it->second.size());
  if (returnLength) *returnLength = needed;
  if (buffer.size() < it->second.size()) return kStatusInfoLengthMismatch;
  copyOut(it->second, buffer);
  auto pointers = p.informationPointers.find(infoClass);
  if (!wide && pointers != p.informationPointers.end()) Rebase(buffer, pointers->second, layout());
  return kStatusSuccess;
}

std::int32_t FakeSystem::ntQueryInformationProcess(Handle process, std::uint32_t infoClass, Bytes buffer,
                                                   std::uint32_t* returnLength) {
  calls.push_back("ntQueryInformationProcess");
  return answerInformation(process, infoClass, buffer, returnLength, false);
}

std::int32_t FakeSystem::ntWow64QueryInformationProcess64(Handle process, std::uint32_t infoClass, Bytes buffer,
                                                          std::uint32_t* returnLength) {
  calls.push_back("ntWow64QueryInformationProcess64");
  if (!hasNtWow64) return kStatusNotImplemented;
  return answerInformation(process, infoClass, buffer, returnLength, true);
}

bool FakeSystem::ntWow64ReadVirtualMemory64(Handle process, std::uint64_t address, Bytes into) {
  calls.push_back("ntWow64ReadVirtualMemory64");
  return hasNtWow64 && readMemory(process, address, into);
}

// ---- processes -----------------------------------------------------------------------

Handle FakeSystem::openProcess(std::uint32_t access, bool inherit, std::uint32_t pid) {
  calls.push_back("openProcess");
  openCalls.push_back({access, inherit, pid});
  auto it = processes.find(pid);
  if (it == processes.end() || it->second.terminated) {
    lastError = kErrorInvalidParameter;
    return Handle{};
  }
  if (!it->second.canOpen || (access & it->second.deniedAccess) != 0) {
    lastError = kErrorAccessDenied;
    return Handle{};
  }
  const Handle h = nextHandle();
  openHandles.insert(h);
  handlePid[h] = pid;
  handleAccess[h] = access;
  return h;
}

std::uint32_t FakeSystem::getLastError() {
  calls.push_back("getLastError");
  return lastError;
}

bool FakeSystem::closeHandle(Handle handle) {
  calls.push_back("closeHandle");
  if (!openHandles.erase(handle)) return false;
  handlePid.erase(handle);
  handleAccess.erase(handle);
  snapshotCursor_.erase(handle);
  return true;
}

bool FakeSystem::terminateProcess(Handle process, std::uint32_t exitCode) {
  calls.push_back("terminateProcess");
  auto h = handlePid.find(process);
  if (h == handlePid.end()) return false;
  if ((handleAccess[process] & kProcessTerminate) == 0) return false;
  auto& p = processes[h->second];
  if (!p.canTerminate) return false;
  p.terminated = true;
  p.exitCode = exitCode;
  return true;
}

bool FakeSystem::readProcessMemory(Handle process, std::uint64_t address, Bytes into) {
  calls.push_back("readProcessMemory");
  // A 32-bit program's pointers cannot name anything above 4 GiB.
  if (pointerBytes == 4 && (address > (std::uint64_t{1} << 32) || into.size() > (std::uint64_t{1} << 32) - address))
    return false;
  return readMemory(process, address, into);
}

bool FakeSystem::readMemory(Handle process, std::uint64_t address, Bytes into) {
  auto h = handlePid.find(process);
  if (h == handlePid.end()) return false;
  if ((handleAccess[process] & kProcessVmRead) == 0) return false;
  const auto& memory = processes[h->second].memory;
  // The read must lie inside one region, as a read across unmapped pages fails.
  auto it = memory.upper_bound(address);
  if (it == memory.begin()) return false;
  --it;
  const std::uint64_t offset = address - it->first;
  // Written so that a read near the top of the address space cannot wrap to the start.
  if (offset > it->second.size() || into.size() > it->second.size() - offset) return false;
  std::memcpy(into.data(), it->second.data() + offset, into.size());
  return true;
}

std::string FakeSystem::queryDosDevice(std::string_view deviceName) {
  calls.push_back("queryDosDevice");
  auto it = dosDevices.find(std::string(deviceName));
  return it == dosDevices.end() ? std::string() : it->second;
}

std::uint32_t FakeSystem::getDriveType(std::string_view rootPath) {
  calls.push_back("getDriveType");
  // Only a root ("C:\") names a drive, as the real call wants.
  if (rootPath.size() != 3 || rootPath[1] != ':' || rootPath[2] != '\\') return platform::kDriveNoRootDir;
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(rootPath[0])));
  auto it = driveTypes.find(letter);
  return it == driveTypes.end() ? platform::kDriveFixed : it->second;
}

bool FakeSystem::enumProcessModules(Handle process, Bytes modules, std::uint32_t* cbNeeded) {
  calls.push_back("enumProcessModules");
  moduleArrayBytes.push_back(modules.size());
  auto h = handlePid.find(process);
  if (h == handlePid.end()) return false;
  // The module list is read from the process's memory: both rights in full.
  constexpr std::uint32_t kQueryAndRead = kProcessQueryInformation | kProcessVmRead;
  if ((handleAccess[process] & kQueryAndRead) != kQueryAndRead) return false;
  const auto& list = processes[h->second].modules;
  if (list.empty()) return false;
  const std::size_t width = layout().moduleHandle;
  for (std::size_t i = 0; i < list.size() && (i + 1) * width <= modules.size(); ++i)
    platform::putPointer(modules, i * width, list[i], layout());
  if (cbNeeded) *cbNeeded = static_cast<std::uint32_t>(list.size() * width);
  return true;
}

std::string FakeSystem::getModuleFileNameEx(Handle process, std::uint64_t module, std::uint32_t maxChars) {
  calls.push_back("getModuleFileNameEx");
  auto h = handlePid.find(process);
  if (h == handlePid.end()) return {};
  const auto& names = processes[h->second].moduleFileNames;
  auto it = names.find(module);
  if (it == names.end()) return {};
  // The call counts UTF-16 units, not UTF-8 bytes; the adapter converts what it cut.
  const std::u16string wide = common::utf8ToUtf16(it->second);
  if (maxChars == 0 || wide.size() < maxChars) return it->second;
  return common::utf16ToUtf8(std::u16string_view(wide).substr(0, maxChars - 1));
}

// ---- Toolhelp -----------------------------------------------------------------------------

Handle FakeSystem::createToolhelp32Snapshot(std::uint32_t flags, std::uint32_t) {
  calls.push_back("createToolhelp32Snapshot");
  snapshotFlags.push_back(flags);
  if (snapshotFails) return Handle{};
  const Handle h = nextHandle();
  openHandles.insert(h);
  snapshotCursor_[h] = 0;
  return h;
}

bool FakeSystem::process32First(Handle snapshot, Bytes entry) {
  calls.push_back("process32First");
  auto it = snapshotCursor_.find(snapshot);
  if (it == snapshotCursor_.end()) return false;
  it->second = 0;
  constexpr std::size_t size = platform::kProcessEntry32.size;
  if (toolhelpEntries.empty() || entry.size() < size) return false;
  if (common::ByteReader(entry).u32(0).value_or(0) != size) return false;
  copyOut(toolhelpEntries[0], entry);
  it->second = 1;
  return true;
}

bool FakeSystem::process32Next(Handle snapshot, Bytes entry) {
  calls.push_back("process32Next");
  auto it = snapshotCursor_.find(snapshot);
  if (it == snapshotCursor_.end() || it->second >= toolhelpEntries.size()) return false;
  copyOut(toolhelpEntries[it->second++], entry);
  return true;
}

// ---- memory status ----------------------------------------------------------------------

bool FakeSystem::globalMemoryStatusEx(Bytes out) {
  calls.push_back("globalMemoryStatusEx");
  if (!memoryStatusEx) return false;
  // dwLength must be set
  if (common::ByteReader(out).u32(0).value_or(0) != platform::kMemoryStatusEx.size) return false;
  copyOut(*memoryStatusEx, out);
  return true;
}

void FakeSystem::globalMemoryStatus(Bytes out) {
  calls.push_back("globalMemoryStatus");
  copyOut(memoryStatus, out);
}

void FakeSystem::setMemoryStatusEx(const MemoryFigures& f) {
  constexpr const platform::MemoryStatusExLayout& m = platform::kMemoryStatusEx;
  std::vector<std::byte> b(m.size);
  common::putU32(b, 0, m.size);
  common::putU64(b, m.totalPhys, f.totalPhys);
  common::putU64(b, m.availPhys, f.availPhys);
  common::putU64(b, m.totalPageFile, f.totalPageFile);
  common::putU64(b, m.availPageFile, f.availPageFile);
  common::putU64(b, m.totalVirtual, f.totalVirtual);
  common::putU64(b, m.availVirtual, f.availVirtual);
  memoryStatusEx = std::move(b);
}

void FakeSystem::setMemoryStatus(const MemoryFigures& f) { memoryStatus = memoryStatusOf(f, layout()); }

std::vector<std::byte> FakeSystem::memoryStatusOf(const MemoryFigures& f, const platform::OsLayout& layout) {
  const platform::MemoryStatusLayout& m = layout.memoryStatus;
  std::vector<std::byte> b(m.size);
  common::putU32(b, 0, static_cast<std::uint32_t>(m.size));
  platform::putPointer(b, m.totalPhys, f.totalPhys, layout);
  platform::putPointer(b, m.availPhys, f.availPhys, layout);
  platform::putPointer(b, m.totalPageFile, f.totalPageFile, layout);
  platform::putPointer(b, m.availPageFile, f.availPageFile, layout);
  platform::putPointer(b, m.totalVirtual, f.totalVirtual, layout);
  platform::putPointer(b, m.availVirtual, f.availVirtual, layout);
  return b;
}

void FakeSystem::setCpuCounters(std::uint8_t processors, std::int64_t idleTime, std::int64_t currentTime,
                                std::optional<std::uint8_t> basicProcessors) {
  const platform::SystemBasicLayout& basicLayout = layout().systemBasic;
  std::vector<std::byte> basic(basicLayout.size), timeOfDay(platform::kTimeOfDay.queried),
      performance(platform::kPerformanceInformation.size);
  basic[basicLayout.numberOfProcessors] = static_cast<std::byte>(basicProcessors.value_or(processors));
  // The idle time shared out over the processors, the remainder on the first.
  constexpr const platform::ProcessorPerformanceLayout& record = platform::kProcessorPerformance;
  std::vector<std::byte> perProcessor(processors * record.size);
  for (std::size_t i = 0; i < processors; ++i) {
    const std::int64_t share = idleTime / processors + (i == 0 ? idleTime % processors : 0);
    common::putU64(perProcessor, i * record.size + record.idleTime, static_cast<std::uint64_t>(share));
  }
  systemInformation[kSystemProcessorPerformanceInformation] = std::move(perProcessor);
  common::putU64(timeOfDay, platform::kTimeOfDay.currentTime, static_cast<std::uint64_t>(currentTime));
  common::putU64(performance, platform::kPerformanceInformation.idleTime, static_cast<std::uint64_t>(idleTime));
  systemInformation[kSystemBasicInformation] = std::move(basic);
  systemInformation[kSystemTimeOfDayInformation] = std::move(timeOfDay);
  systemInformation[kSystemPerformanceInformation] = std::move(performance);
}

// ---- registry ---------------------------------------------------------------------------

std::int32_t FakeSystem::regOpenKey(Handle root, std::string_view subKey, Handle* result) {
  calls.push_back("regOpenKey");
  if (result) *result = Handle{};
  if (root != kHkeyDynData) return 2;  // ERROR_FILE_NOT_FOUND
  auto it = registry.find(std::string(subKey));
  if (it == registry.end()) return 2;
  const Handle h = nextHandle();
  openKeys.insert(h);
  keyPath_[h] = it->first;
  if (result) *result = h;
  return 0;
}

std::int32_t FakeSystem::regQueryValueEx(Handle key, std::string_view valueName, std::uint32_t* type, Bytes data,
                                         std::uint32_t* dataSize) {
  calls.push_back("regQueryValueEx");
  auto k = keyPath_.find(key);
  if (k == keyPath_.end() || !openKeys.count(key)) return 6;  // ERROR_INVALID_HANDLE
  const auto& values = registry[k->second];
  auto v = values.find(std::string(valueName));
  if (v == values.end()) return 2;
  if (data.size() < 4) return 234;  // ERROR_MORE_DATA
  common::putU32(data, 0, v->second);
  if (type) *type = 4;
  if (dataSize) *dataSize = 4;
  return 0;
}

std::int32_t FakeSystem::regCloseKey(Handle key) {
  calls.push_back("regCloseKey");
  if (!openKeys.erase(key)) return 6;
  keyPath_.erase(key);
  return 0;
}

// ---- windows ----------------------------------------------------------------------------

void FakeSystem::enumWindows(const std::function<bool(WindowHandle)>& each) {
  calls.push_back("enumWindows");
  const auto snapshot = windows;  // the callback may not change the set mid-walk
  for (const auto& w : snapshot)
    if (!each(w.handle)) break;
}

WindowHandle FakeSystem::getWindow(WindowHandle h, std::uint32_t command) {
  calls.push_back("getWindow");
  auto* w = window(h);
  return (w && command == kGwOwner) ? w->owner : WindowHandle{};
}

std::int32_t FakeSystem::getWindowLong(WindowHandle h, std::int32_t index) {
  calls.push_back("getWindowLong");
  auto* w = window(h);
  if (!w) return 0;
  if (index == kGwlStyle) return w->style | (w->visible ? kWsVisible : 0);
  return index == kGwlExStyle ? w->exStyle : 0;
}

std::string FakeSystem::getWindowText(WindowHandle h, int maxUnits) {
  calls.push_back("getWindowText");
  auto* w = window(h);
  if (!w || maxUnits <= 0) return {};
  std::string title = w->title;
  // Cut at maxUnits - 1 units without splitting a character: UTF-16 units on NT, bytes of
  // a double-byte code page on 9x (two for any character beyond ASCII).
  const bool ansi = platformId != 2;
  std::size_t units = 0, i = 0;
  while (i < title.size()) {
    unsigned char c = static_cast<unsigned char>(title[i]);
    std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : 4;
    std::size_t u = ansi ? (len == 1 ? 1 : 2) : (len == 4 ? 2 : 1);
    if (units + u > static_cast<std::size_t>(maxUnits - 1)) break;
    units += u;
    i += len;
  }
  title.resize(i);
  return title;
}

std::string FakeSystem::getClassName(WindowHandle h) {
  calls.push_back("getClassName");
  auto* w = window(h);
  return w ? w->className : std::string();
}

std::uint32_t FakeSystem::getWindowThreadProcessId(WindowHandle h, std::uint32_t* pid) {
  calls.push_back("getWindowThreadProcessId");
  auto* w = window(h);
  if (pid) *pid = w ? w->pid : 0;
  return w ? w->thread : 0;
}

bool FakeSystem::sendMessageTimeout(WindowHandle h, std::uint32_t message, std::uintptr_t wParam, std::intptr_t,
                                    std::uint32_t flags, std::uint32_t timeoutMs, std::uintptr_t* result) {
  calls.push_back("sendMessageTimeout");
  sentMessages.push_back({h, message, wParam, flags, timeoutMs});
  if (onSendMessage) onSendMessage(h);
  if (result) *result = 0;
  auto* w = window(h);
  if (w && w->hung && (flags & kSmtoAbortIfHung) == 0) ++hungWaits;
  if (!w || w->hung) return false;
  if (message == kWmGetIcon && result) *result = platform::raw(wParam == kIconBig ? w->bigIcon : w->smallIcon);
  return true;
}

std::uintptr_t FakeSystem::getClassLong(WindowHandle h, std::int32_t index) {
  calls.push_back("getClassLong");
  auto* w = window(h);
  if (!w) return 0;
  if (index == kGclHIcon) return platform::raw(w->classIcon);
  if (index == kGclHIconSm) return platform::raw(w->classSmallIcon);
  return 0;
}

bool FakeSystem::showWindowAsync(WindowHandle h, std::int32_t command) {
  calls.push_back("showWindowAsync");
  auto* w = window(h);
  if (!w) return false;
  // Posted: a window that never answers gets it all the same, later.
  if (command == kSwRestore) {
    // A minimised window comes back as it was; a zoomed one is un-zoomed.
    if (w->minimized)
      w->minimized = false;
    else
      w->maximized = false;
    w->restored = true;
    w->activated = true;
  }
  if (command == kSwShow) w->activated = true;
  if (command == kSwMinimize || command == kSwShowMinimized) w->minimized = true;
  return true;
}

bool FakeSystem::isIconic(WindowHandle h) {
  calls.push_back("isIconic");
  auto* w = window(h);
  return w && w->minimized;
}

bool FakeSystem::setForegroundWindow(WindowHandle h) {
  calls.push_back("setForegroundWindow");
  auto* w = window(h);
  if (!w) return false;
  // An event posted to the window's thread: a hung one is activated all the same.
  w->activated = true;
  foreground = h;
  return true;
}

WindowHandle FakeSystem::getShellWindow() {
  calls.push_back("getShellWindow");
  return shellWindow;
}

WindowHandle FakeSystem::hungWindowFromGhostWindow(WindowHandle ghost) {
  calls.push_back("hungWindowFromGhostWindow");
  auto* w = window(ghost);
  if (!hasHungWindowFromGhostWindow || !w || w->className != kGhostWindowClass) return WindowHandle{};
  return window(w->hungWindow) ? w->hungWindow : WindowHandle{};
}

std::int32_t FakeSystem::dwmGetWindowAttribute(WindowHandle h, std::uint32_t attribute, Bytes value) {
  calls.push_back("dwmGetWindowAttribute");
  if (!hasDwm) return kENotImpl;
  auto* w = window(h);
  constexpr std::int32_t kEInvalidArg = static_cast<std::int32_t>(0x80070057u);
  if (!w || attribute != kDwmwaCloaked || value.size() != 4) return kEInvalidArg;
  common::putU32(value, 0, w->cloaked ? 2u : 0u);  // DWM_CLOAKED_SHELL
  return kSOk;
}

bool FakeSystem::setWindowPos(WindowHandle h, std::intptr_t insertAfter, int, int, int, int, std::uint32_t flags) {
  calls.push_back("setWindowPos");
  setWindowPosCalls.push_back({h, insertAfter, flags});
  if (auto* w = window(h); w && w->hung) ++hungWaits;
  return true;
}

int FakeSystem::messageBox(WindowHandle owner, std::string_view text, std::string_view caption, std::uint32_t type) {
  calls.push_back("messageBox");
  messageBoxes.push_back({owner, std::string(text), std::string(caption), type});
  return messageBoxAnswer;
}

// ---- shell, icons -----------------------------------------------------------------------

std::uint32_t FakeSystem::extractIconEx(std::string_view file, int index, IconHandle* large, IconHandle* small,
                                        std::uint32_t count) {
  calls.push_back("extractIconEx");
  auto it = fileIcons.find(std::string(file));
  if (it == fileIcons.end() || index != 0 || count == 0) return 0;
  std::uint32_t got = 0;
  if (large && it->second.first != IconHandle{}) {
    *large = it->second.first;
    liveExtractedIcons.insert(*large);
    ++got;
  }
  if (small && it->second.second != IconHandle{}) {
    *small = it->second.second;
    liveExtractedIcons.insert(*small);
    ++got;
  }
  return got;
}

bool FakeSystem::destroyIcon(IconHandle icon) {
  calls.push_back("destroyIcon");
  return liveExtractedIcons.erase(icon) > 0;
}

bool FakeSystem::runFileDialog(WindowHandle owner, IconHandle icon, std::string_view title, std::string_view prompt,
                               std::uint32_t flags) {
  calls.push_back("runFileDialog");
  runDialogs.push_back({owner, std::string(title), std::string(prompt), flags, icon});
  return true;
}

bool FakeSystem::shellAbout(WindowHandle owner, std::string_view title, std::string_view other, IconHandle icon) {
  calls.push_back("shellAbout");
  aboutBoxes.push_back({owner, std::string(title), std::string(other), 0, icon});
  return true;
}

// ---- COM ---------------------------------------------------------------------------------

std::int32_t FakeSystem::coInitializeEx(std::uint32_t coInit) {
  calls.push_back("coInitializeEx");
  coInitCalls.push_back(coInit);
  if (coInitializeAnswer >= 0) ++comDepth;
  return coInitializeAnswer;
}

void FakeSystem::coUninitialize() {
  calls.push_back("coUninitialize");
  --comDepth;
}

}  // namespace ledra::fakes
