// Win32System against the real system (under Wine in the test run): every call reaches
// the OS with what the seam passes, and the byte records come back at the offsets of
// this build's layout, which the area code reads.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "common/byte_reader.h"
#include "counting_system.h"
#include "platform/os_layout.h"
#include "platform/win32/handles.h"
#include "platform/win32/safe_loading.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_system.h"
#include "wine_support.h"

namespace {

using ledra::common::ByteReader;
using ledra::common::putU32;
using ledra::platform::Bytes;
using ledra::platform::Handle;
using ledra::platform::IconHandle;
using ledra::platform::OsLayout;
using ledra::platform::readPointer;
using ledra::platform::WindowHandle;
using ledra::platform::win32::fromHandle;
using ledra::platform::win32::fromIcon;
using ledra::platform::win32::fromKey;
using ledra::platform::win32::fromWide;
using ledra::platform::win32::fromWindow;
using ledra::platform::win32::toWide;
using ledra::platform::win32::Win32System;
using ledra::wine_test::CountingSystem;

std::vector<std::byte> sizedRecord(std::size_t bytes, std::uint32_t sizeField) {
  std::vector<std::byte> record(bytes);
  if (bytes >= 4) putU32(record, 0, sizeField);
  return record;
}

const OsLayout& ownLayout(const ledra::platform::System& system) {
  return ledra::platform::osLayoutFor(system.pointerSize());
}

bool onWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

std::string ownExeName() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path);
  return fromWide(p.substr(p.find_last_of(L"\\/") + 1));
}

std::string utf16le(const std::vector<std::byte>& bytes, std::size_t offset, std::size_t units) {
  std::wstring text(units, L'\0');
  std::memcpy(text.data(), bytes.data() + offset, units * 2);
  return fromWide(text);
}

// ---- text at the boundary ------------------------------------------------------------

TEST(Win32Text, ConversionsKeepEveryUnitAndUseTheAnsiCodePage) {
  using namespace std::string_literals;
  EXPECT_EQ(toWide(""), L"");
  EXPECT_EQ(toWide("任务 \xF0\x9F\x98\x80"), L"任务 \xD83D\xDE00");  // a pair for U+1F600
  const std::string withNul = "a\0任"s;
  EXPECT_EQ(fromWide(toWide(withNul)), withNul);
  using ledra::platform::win32::fromAnsi;
  using ledra::platform::win32::toAnsi;
  EXPECT_EQ(fromAnsi(toAnsi("Ledra 1.0")), "Ledra 1.0");
  if (GetACP() == 1252) {
    EXPECT_EQ(toAnsi("\u00e9"), "\xE9");
    EXPECT_EQ(fromAnsi("\xE9"), "\u00e9");
    EXPECT_EQ(toAnsi("任"), "?");  // not in the code page
  } else if (GetACP() == 936) {
    EXPECT_EQ(toAnsi("任"), "\xC8\xCE");
    EXPECT_EQ(fromAnsi("\xC8\xCE"), "任");
  }
}

// ---- version, locale ----------------------------------------------------------------

TEST(Win32SystemVersion, ReportsTheFamilyAndRefusesRecordsThatCannotHoldIt) {
  Win32System system;
  auto info = sizedRecord(148, 148);
  ASSERT_TRUE(system.getVersionEx(info));
  ByteReader r(info);
  OSVERSIONINFOA direct{};
  direct.dwOSVersionInfoSize = sizeof direct;
  ASSERT_TRUE(GetVersionExA(&direct));
  EXPECT_EQ(r.u32(4).value_or(0), direct.dwMajorVersion);
  EXPECT_EQ(r.u32(8).value_or(0), direct.dwMinorVersion);
  EXPECT_EQ(r.u32(16).value_or(0), direct.dwPlatformId);
  EXPECT_EQ(system.isNt(), direct.dwPlatformId == VER_PLATFORM_WIN32_NT);

  auto shortRecord = sizedRecord(100, 148);
  EXPECT_FALSE(system.getVersionEx(shortRecord));
  auto lyingSize = sizedRecord(148, 4096);
  EXPECT_FALSE(system.getVersionEx(lyingSize));
  auto zeroSize = sizedRecord(148, 0);  // the OS itself refuses a record of unknown size
  EXPECT_FALSE(system.getVersionEx(zeroSize));
}

TEST(Win32SystemLocale, DecimalSignFollowsTheUserLocale) {
  Win32System system;
  wchar_t saved[8] = {};
  ASSERT_GT(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, saved, 8), 1);
  EXPECT_EQ(system.localeDecimalSeparator(), fromWide(saved));
  ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, L","));
  const std::string comma = system.localeDecimalSeparator();
  SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, saved);
  EXPECT_EQ(comma, ",");
  EXPECT_EQ(system.localeDecimalSeparator(), fromWide(saved));
}

// ---- ntdll: system information ------------------------------------------------------

TEST(Win32SystemNtQuery, ProcessRecordsNameThisProcessAtTheirOffsets) {
  Win32System system;
  if (!system.isNt()) GTEST_SKIP() << "no native queries on this family";
  std::uint32_t needed = 0;
  EXPECT_EQ(system.ntQuerySystemInformation(5, {}, &needed), ledra::platform::kStatusInfoLengthMismatch);
  ASSERT_GT(needed, 0u);
  // Room for processes started since the length query.
  std::vector<std::byte> buffer(needed + 64 * 1024);
  ASSERT_EQ(system.ntQuerySystemInformation(5, buffer, nullptr), ledra::platform::kStatusSuccess);

  ByteReader r(buffer);
  const OsLayout& layout = ownLayout(system);
  const auto& field = layout.processRecord;
  std::size_t offset = 0, records = 0;
  std::string ownName;
  for (;;) {
    ++records;
    if (readPointer(r, offset + field.uniqueProcessId, layout).value_or(0) == GetCurrentProcessId()) {
      const std::uint16_t length = r.u16(offset + field.imageName + layout.unicodeString.length).value_or(0);
      const std::uint64_t address =
          readPointer(r, offset + field.imageName + layout.unicodeString.buffer, layout).value_or(0);
      const auto nameAt = static_cast<std::size_t>(ledra::platform::offsetInBuffer(address, buffer.data(), layout));
      ASSERT_LE(nameAt + length, buffer.size()) << "name outside the returned data";
      ownName = utf16le(buffer, nameAt, length / 2);
    }
    const std::uint32_t next = r.u32(offset).value_or(0);
    if (next == 0 || offset + next >= buffer.size()) break;
    offset += next;
  }
  EXPECT_GE(records, 2u);
  EXPECT_EQ(ownName, ownExeName());
}

TEST(Win32SystemNtQuery, CpuSampleClassesAnswerAtTheLengthsTheSamplerPasses) {
  Win32System system;
  if (!system.isNt()) GTEST_SKIP() << "no native queries on this family";
  const OsLayout& layout = ownLayout(system);
  std::vector<std::byte> basic(layout.systemBasic.size), timeOfDay(32), performance(312);
  ASSERT_EQ(system.ntQuerySystemInformation(0, basic, nullptr), 0);
  SYSTEM_INFO si{};
  GetSystemInfo(&si);
  EXPECT_EQ(ByteReader(basic).u8(layout.systemBasic.numberOfProcessors).value_or(0), si.dwNumberOfProcessors);

  FILETIME before{};
  GetSystemTimeAsFileTime(&before);
  ASSERT_EQ(system.ntQuerySystemInformation(3, timeOfDay, nullptr), 0);
  const auto now = static_cast<std::int64_t>(ByteReader(timeOfDay).u64(8).value_or(0));
  const auto then = static_cast<std::int64_t>((std::uint64_t{before.dwHighDateTime} << 32) | before.dwLowDateTime);
  EXPECT_GE(now, then);
  EXPECT_LT(now - then, 10LL * 10'000'000);  // 100-ns units

  ASSERT_EQ(system.ntQuerySystemInformation(2, performance, nullptr), 0);
  EXPECT_GT(ByteReader(performance).u64(0).value_or(0), 0u);  // idle time since boot

  std::vector<std::byte> small(8);
  std::uint32_t needed = 0;
  EXPECT_EQ(system.ntQuerySystemInformation(2, small, &needed), ledra::platform::kStatusInfoLengthMismatch);
  EXPECT_EQ(needed, 312u);

  // One record per processor, in the room the sampler gives for a whole group.
  std::vector<std::byte> perProcessor(64 * 48);
  std::uint32_t answered = 0;
  ASSERT_EQ(system.ntQuerySystemInformation(8, perProcessor, &answered), 0);
  EXPECT_EQ(answered, 48u * si.dwNumberOfProcessors);
  EXPECT_GT(ByteReader(perProcessor).u64(0).value_or(0), 0u);  // the first one's idle time
}

// ---- processes ----------------------------------------------------------------------

TEST(Win32SystemProcess, OwnCommandLineIsReachedThroughTheEnvironmentBlock) {
  CountingSystem system;
  if (!system.isNt()) GTEST_SKIP() << "no native queries on this family";
  const Handle process = system.openProcess(0x410, false, GetCurrentProcessId());
  ASSERT_NE(process, Handle{});
  EXPECT_EQ(system.liveHandles(), 1u);

  const OsLayout& layout = ownLayout(system);
  std::vector<std::byte> basic(layout.basicInformation.size);
  ASSERT_EQ(system.ntQueryInformationProcess(process, 0, basic, nullptr), 0);
  const std::uint64_t peb = readPointer(ByteReader(basic), layout.basicInformation.pebBaseAddress, layout).value_or(0);
  ASSERT_NE(peb, 0u);
  std::vector<std::byte> word(layout.pointer);
  ASSERT_TRUE(system.readProcessMemory(process, peb + layout.pebProcessParameters, word));
  const std::uint64_t parameters = readPointer(ByteReader(word), 0, layout).value_or(0);
  ASSERT_TRUE(
      system.readProcessMemory(process, parameters + layout.parametersCommandLine + layout.unicodeString.buffer, word));
  const std::uint64_t commandLine = readPointer(ByteReader(word), 0, layout).value_or(0);
  EXPECT_EQ(commandLine, reinterpret_cast<std::uintptr_t>(GetCommandLineW()));

  const std::wstring expected = GetCommandLineW();
  std::vector<std::byte> text((expected.size() + 1) * 2);
  ASSERT_TRUE(system.readProcessMemory(process, commandLine, text));
  EXPECT_EQ(utf16le(text, 0, expected.size()), fromWide(expected));
  EXPECT_EQ(ByteReader(text).u16(expected.size() * 2).value_or(1), 0u);

  EXPECT_TRUE(system.closeHandle(process));
  EXPECT_EQ(system.liveHandles(), 0u);
}

// The end of a committed region that the next address does not continue: the last
// readable word before an unreadable one, found with the plain call.
std::uintptr_t readableEdge() {
  HANDLE self = GetCurrentProcess();
  MEMORY_BASIC_INFORMATION region{};
  char word[4];
  SIZE_T read = 0;
  for (auto* at = reinterpret_cast<char*>(0x10000); VirtualQuery(at, &region, sizeof region) == sizeof region;) {
    char* end = static_cast<char*>(region.BaseAddress) + region.RegionSize;
    if (end <= at) break;
    if (region.State == MEM_COMMIT && ReadProcessMemory(self, end - 4, word, 4, &read) &&
        !ReadProcessMemory(self, end, word, 4, &read))
      return reinterpret_cast<std::uintptr_t>(end);
    at = end;
  }
  return 0;
}

TEST(Win32SystemProcess, ReadsAreAllOrNothing) {
  CountingSystem system;
  const Handle process = system.openProcess(0x410, false, GetCurrentProcessId());
  ASSERT_NE(process, Handle{});
  const std::uint64_t edge = readableEdge();
  ASSERT_NE(edge, 0u);

  std::vector<std::byte> four(4), eight(8);
  EXPECT_TRUE(system.readProcessMemory(process, edge - 4, four));
  EXPECT_FALSE(system.readProcessMemory(process, edge - 4, eight));  // half of it readable
  EXPECT_FALSE(system.readProcessMemory(process, edge, four));
  EXPECT_FALSE(system.readProcessMemory(Handle{}, edge - 4, four));  // no handle

  static const char marker[] = "LEDR";
  const std::uint64_t at = reinterpret_cast<std::uintptr_t>(marker);
  ASSERT_TRUE(system.readProcessMemory(process, at, four));
  EXPECT_EQ(std::memcmp(four.data(), marker, 4), 0);
  // An address a 32-bit program cannot hold fails rather than reading its low half.
  if (sizeof(void*) == 4) EXPECT_FALSE(system.readProcessMemory(process, at + (std::uint64_t{1} << 32), four));

  system.closeHandle(process);
  EXPECT_EQ(system.liveHandles(), 0u);
}

TEST(Win32SystemProcess, HandleAccountingFollowsOpensAndCloses) {
  CountingSystem system;
  const Handle a = system.openProcess(0x400, false, GetCurrentProcessId());
  const Handle b = system.openProcess(0x400, true, GetCurrentProcessId());
  ASSERT_NE(a, Handle{});
  ASSERT_NE(b, Handle{});
  EXPECT_NE(a, b);
  EXPECT_EQ(system.liveHandles(), 2u);
  // A process id nobody has: no handle, nothing counted, and no denial either: the page
  // asks such a process again, and remembers only a refusal.
  EXPECT_EQ(system.openProcess(0x400, false, 0x7FFFFFF0u), Handle{});
  EXPECT_EQ(system.getLastError(), static_cast<std::uint32_t>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(system.liveHandles(), 2u);

  EXPECT_TRUE(system.closeHandle(a));
  EXPECT_EQ(system.liveHandles(), 1u);
  EXPECT_FALSE(system.closeHandle(a));  // already closed
  EXPECT_EQ(system.liveHandles(), 1u);
  EXPECT_TRUE(system.closeHandle(b));
  EXPECT_EQ(system.liveHandles(), 0u);

  // A handle this object did not hand out is closed but never counted.
  HANDLE own = OpenProcess(0x400, FALSE, GetCurrentProcessId());
  ASSERT_NE(own, nullptr);
  EXPECT_TRUE(system.closeHandle(fromHandle(own)));
  EXPECT_EQ(system.liveHandles(), 0u);
}

TEST(Win32SystemProcess, MainModuleIsThisExecutable) {
  CountingSystem system;
  const Handle process = system.openProcess(0x410, false, GetCurrentProcessId());
  ASSERT_NE(process, Handle{});
  std::vector<std::byte> modules(250);
  std::uint32_t needed = 0;
  ASSERT_TRUE(system.enumProcessModules(process, modules, &needed));
  EXPECT_GE(needed, 8u);  // the executable and at least ntdll or kernel32
  const std::uint64_t first = readPointer(ByteReader(modules), 0, ownLayout(system)).value_or(0);
  EXPECT_EQ(first, reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr)));

  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  EXPECT_EQ(system.getModuleFileNameEx(process, first, 260), fromWide(path));
  // Cut short: at most the 5 units asked for, never the terminator.
  const std::string cut = system.getModuleFileNameEx(process, first, 5);
  EXPECT_GE(cut.size(), 4u);
  EXPECT_LE(cut.size(), 5u);
  EXPECT_EQ(cut.find('\0'), std::string::npos);
  EXPECT_EQ(fromWide(path).rfind(cut, 0), 0u) << cut;
  EXPECT_EQ(system.getModuleFileNameEx(process, first, 0), "");
  system.closeHandle(process);
  EXPECT_EQ(system.liveHandles(), 0u);
}

TEST(Win32SystemProcess, ToolhelpEntriesCarryIdAndExeName) {
  CountingSystem system;
  const Handle snapshot = system.createToolhelp32Snapshot(2 /* TH32CS_SNAPPROCESS */, 0);
  ASSERT_NE(snapshot, Handle{});
  EXPECT_EQ(system.liveHandles(), 1u);
  constexpr const auto& layout = ledra::platform::kProcessEntry32;
  auto entry = sizedRecord(layout.size, layout.size);
  bool foundSelf = false;
  int entries = 0;
  for (bool more = system.process32First(snapshot, entry); more && entries < 10000;
       more = system.process32Next(snapshot, entry), ++entries) {
    if (ByteReader(entry).u32(layout.processId).value_or(0) != GetCurrentProcessId()) continue;
    foundSelf = true;
    const char* name = reinterpret_cast<const char*>(entry.data()) + layout.exeFile;
    EXPECT_EQ(std::string(name, strnlen(name, layout.exeFileCapacity)), ownExeName());
  }
  if (sizeof(void*) == 8) {
    EXPECT_EQ(entries, 0);  // the 9x family's list: no 64-bit build reads it
  } else {
    EXPECT_GE(entries, 2);
    EXPECT_TRUE(foundSelf);
  }
  auto shortEntry = sizedRecord(200, 200);
  EXPECT_FALSE(system.process32First(snapshot, shortEntry));
  EXPECT_TRUE(system.closeHandle(snapshot));
  EXPECT_EQ(system.liveHandles(), 0u);
}

// ---- devices, memory, registry ------------------------------------------------------

TEST(Win32SystemDevices, DriveLettersNameTheirDevice) {
  Win32System system;
  EXPECT_EQ(system.getDriveType("C:\\"), static_cast<std::uint32_t>(DRIVE_FIXED));
  EXPECT_EQ(system.getDriveType(""), static_cast<std::uint32_t>(DRIVE_NO_ROOT_DIR));  // not the current drive
  if (!system.isNt()) GTEST_SKIP() << "QueryDosDevice is an NT call";
  // Wine maps C: to "\Device\HarddiskVolume1" and Z: (the host's root) to
  // "\Device\HarddiskVolume2"; Windows gives the volume the drive lives on.
  EXPECT_EQ(system.queryDosDevice("C:").rfind("\\Device\\", 0), 0u) << system.queryDosDevice("C:");
  const DWORD drives = GetLogicalDrives();
  char unused = 0;
  for (char letter = 'Y'; letter > 'C' && unused == 0; --letter)
    if (!(drives & (1u << (letter - 'A')))) unused = letter;
  ASSERT_NE(unused, 0);
  EXPECT_EQ(system.queryDosDevice(std::string(1, unused) + ":"), "");
  EXPECT_EQ(system.getDriveType(std::string(1, unused) + ":\\"), static_cast<std::uint32_t>(DRIVE_NO_ROOT_DIR));
  EXPECT_EQ(system.queryDosDevice(""), "");  // would list every device, not name one
}

TEST(Win32SystemMemory, StatusRecordsHoldSensibleFigures) {
  Win32System system;
  auto ex = sizedRecord(64, 64);
  if (system.isNt()) {
    ASSERT_TRUE(system.globalMemoryStatusEx(ex));
    ByteReader r(ex);
    EXPECT_LE(r.u32(4).value_or(101), 100u);  // load in percent
    const std::uint64_t totalPhys = r.u64(8).value_or(0), availPhys = r.u64(16).value_or(0);
    EXPECT_GT(totalPhys, 16u * 1024 * 1024);
    EXPECT_LE(availPhys, totalPhys);
    EXPECT_LE(r.u64(32).value_or(1), r.u64(24).value_or(0));  // page file avail <= total
    const std::uint64_t totalVirtual = r.u64(40).value_or(0);
    if (sizeof(void*) == 4) {
      EXPECT_GE(totalVirtual, 0x7F000000u);  // a 32-bit process's user space, 2 GB or more
      EXPECT_LE(totalVirtual, 0x100000000u);
    } else {
      EXPECT_GT(totalVirtual, 0x100000000u);  // a 64-bit one's: terabytes
    }
    EXPECT_LE(r.u64(48).value_or(1), totalVirtual);
  }
  auto tooShort = sizedRecord(63, 64);
  EXPECT_FALSE(system.globalMemoryStatusEx(tooShort));

  const auto& m = ownLayout(system).memoryStatus;
  auto status = sizedRecord(m.size, static_cast<std::uint32_t>(m.size));
  system.globalMemoryStatus(status);
  ByteReader r(status);
  EXPECT_EQ(r.u32(0).value_or(0), m.size);
  const std::uint64_t totalPhys = readPointer(r, m.totalPhys, ownLayout(system)).value_or(0);
  EXPECT_GT(totalPhys, 0u);
  EXPECT_LE(readPointer(r, m.availPhys, ownLayout(system)).value_or(1), totalPhys);
  EXPECT_GE(readPointer(r, m.totalVirtual, ownLayout(system)).value_or(0), 0x7F000000u);
  // One byte too small to hold the record: left alone, not written past its end.
  std::vector<std::byte> tiny(m.size - 1, std::byte{0x5A});
  system.globalMemoryStatus(tiny);
  EXPECT_EQ(tiny, std::vector<std::byte>(m.size - 1, std::byte{0x5A}));
}

class Win32SystemRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\LedraSystemTest", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    const DWORD value = 0x2A;
    RegSetValueExW(key, L"KERNEL\\CPUUsage", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
  }
  void TearDown() override { RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\LedraSystemTest"); }
};

TEST_F(Win32SystemRegistry, DwordValueReadsWithTypeAndSize) {
  CountingSystem system;
  Handle key{};
  const Handle currentUser = fromKey(HKEY_CURRENT_USER);
  ASSERT_EQ(system.regOpenKey(currentUser, "Software\\LedraSystemTest", &key), 0);
  ASSERT_NE(key, Handle{});
  EXPECT_EQ(system.liveHandles(), 1u);

  std::vector<std::byte> data(4);
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(system.regQueryValueEx(key, "KERNEL\\CPUUsage", &type, data, &size), 0);
  EXPECT_EQ(type, 4u);  // REG_DWORD
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(ByteReader(data).u32(0).value_or(0), 0x2Au);

  std::vector<std::byte> two(2);
  EXPECT_EQ(system.regQueryValueEx(key, "KERNEL\\CPUUsage", &type, two, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(system.regQueryValueEx(key, "KERNEL\\Missing", &type, data, &size), ERROR_FILE_NOT_FOUND);

  EXPECT_EQ(system.regCloseKey(key), 0);
  EXPECT_EQ(system.liveHandles(), 0u);

  Handle none{0x1234};
  EXPECT_NE(system.regOpenKey(currentUser, "Software\\LedraNoSuchKey", &none), 0);
  EXPECT_EQ(none, Handle{});
  EXPECT_EQ(system.liveHandles(), 0u);
  EXPECT_NE(system.regOpenKey(currentUser, "Software", nullptr), 0);
}

// ---- windows ------------------------------------------------------------------------

constexpr UINT kAnswerMessage = WM_APP + 7;

LRESULT CALLBACK testWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kAnswerMessage) return static_cast<LRESULT>(wParam + lParam);
  return DefWindowProcW(window, message, wParam, lParam);
}

class Win32SystemWindows : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = testWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_WARNING));
    wc.hIconSm = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_INFORMATION));
    wc.lpszClassName = L"LedraSystemTestWindow";
    RegisterClassExW(&wc);
  }

  HWND create(const std::wstring& title, DWORD exStyle = 0, HWND owner = nullptr, DWORD style = WS_OVERLAPPEDWINDOW) {
    HWND w = CreateWindowExW(exStyle, L"LedraSystemTestWindow", title.c_str(), style, 10, 10, 300, 200, owner, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    if (w) windows_.push_back(w);
    return w;
  }
  void TearDown() override {
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) DestroyWindow(*it);
  }
  static WindowHandle handle(HWND w) { return fromWindow(w); }

  std::vector<HWND> windows_;
};

TEST_F(Win32SystemWindows, ChineseTitleRoundTripsThroughTextAndFind) {
  Win32System system;
  if (!system.isNt()) GTEST_SKIP() << "titles pass through the ANSI code page on this family";
  const std::string title = "任务管理器 — 测试窗口";
  HWND w = create(toWide(title));
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(system.getWindowText(handle(w), 256), title);
  EXPECT_EQ(ledra::wine_test::findWindowByTitle(system.isNt(), title), handle(w));
  // maxUnits counts UTF-16 units and keeps one for the terminator.
  EXPECT_EQ(system.getWindowText(handle(w), 3), "任务");
  EXPECT_EQ(system.getWindowText(handle(w), 1), "");
  EXPECT_EQ(system.getWindowText(handle(w), 0), "");
  EXPECT_EQ(ledra::wine_test::findWindowByTitle(system.isNt(), "任务管理器"), WindowHandle{});  // exact titles only
}

TEST_F(Win32SystemWindows, AnsiTitleRoundTripsThroughTheCodePageOn9x) {
  Win32System system;
  if (system.isNt()) GTEST_SKIP() << "the wide entry points serve this family";
  const std::wstring wide = L"Ledra \u00e9t\u00e9 \u00a7";
  BOOL lossy = FALSE;
  char ansi[64] = {};
  WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, ansi, 64, nullptr, &lossy);
  if (lossy) GTEST_SKIP() << "the ANSI code page lacks these characters";
  HWND w = create(wide);
  ASSERT_NE(w, nullptr);
  const std::string title = fromWide(wide);
  EXPECT_EQ(system.getWindowText(handle(w), 256), title);
  EXPECT_EQ(ledra::wine_test::findWindowByTitle(system.isNt(), title), handle(w));
  EXPECT_EQ(system.getWindowText(handle(w), 6), "Ledra");
}

TEST_F(Win32SystemWindows, LongTitleIsCutAt255Units) {
  Win32System system;
  std::wstring title;
  for (int i = 0; i < 300; ++i) title += static_cast<wchar_t>(L'A' + i % 26);
  HWND w = create(title);
  ASSERT_NE(w, nullptr);
  const std::string text = system.getWindowText(handle(w), 256);
  EXPECT_EQ(text.size(), 255u);
  EXPECT_EQ(text, fromWide(title.substr(0, 255)));
  EXPECT_EQ(system.getWindowText(handle(w), 1000), fromWide(title));
  EXPECT_EQ(ledra::wine_test::findWindowByTitle(system.isNt(), fromWide(title)), handle(w));
  EXPECT_EQ(ledra::wine_test::findWindowByTitle(system.isNt(), text), WindowHandle{});
}

TEST_F(Win32SystemWindows, StructureStyleAndOwnershipAreReported) {
  Win32System system;
  HWND owner = create(L"Ledra owner");
  HWND owned = create(L"Ledra owned", WS_EX_TOOLWINDOW, owner);
  HWND child = create(L"Ledra child", 0, owner, WS_CHILD);
  ASSERT_TRUE(owner && owned && child);

  EXPECT_TRUE(system.getWindowLong(handle(child), GWL_STYLE) & WS_CHILD);
  EXPECT_FALSE(system.getWindowLong(handle(owner), GWL_STYLE) & WS_CHILD);
  EXPECT_EQ(system.getWindow(handle(owned), GW_OWNER), handle(owner));
  EXPECT_EQ(system.getWindow(handle(owner), GW_OWNER), WindowHandle{});
  EXPECT_TRUE(system.getWindowLong(handle(owned), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_FALSE(system.getWindowLong(handle(owner), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);

  std::uint32_t pid = 0;
  EXPECT_EQ(system.getWindowThreadProcessId(handle(owner), &pid), GetCurrentThreadId());
  EXPECT_EQ(pid, GetCurrentProcessId());
  pid = 77;
  EXPECT_EQ(system.getWindowThreadProcessId(WindowHandle{}, &pid), 0u);
  EXPECT_EQ(pid, 0u);

  // Posted show commands take effect once the window's thread (here ours) runs them.
  const auto settle = [] {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  };
  const auto shown = [&](HWND w) { return (system.getWindowLong(handle(w), GWL_STYLE) & WS_VISIBLE) != 0; };
  EXPECT_FALSE(shown(owner));
  system.showWindowAsync(handle(owner), SW_SHOWNOACTIVATE);
  settle();
  EXPECT_TRUE(shown(owner));
  EXPECT_FALSE(system.isIconic(handle(owner)));
  system.showWindowAsync(handle(owner), SW_MINIMIZE);
  settle();
  EXPECT_TRUE(system.isIconic(handle(owner)));
  system.showWindowAsync(handle(owner), SW_RESTORE);
  settle();
  EXPECT_FALSE(system.isIconic(handle(owner)));
  system.showWindowAsync(handle(owner), SW_HIDE);
  settle();
  EXPECT_FALSE(shown(owner));

  // Position, size and the window to insert after all reach the call. (Hidden windows:
  // the topmost flag of a shown one follows the X server under Wine, not the call alone.)
  EXPECT_TRUE(system.setWindowPos(handle(owner), 0, 20, 30, 240, 120, SWP_NOZORDER | SWP_NOACTIVATE));
  RECT rect{};
  GetWindowRect(owner, &rect);
  EXPECT_EQ(rect.left, 20);
  EXPECT_EQ(rect.top, 30);
  EXPECT_EQ(rect.right - rect.left, 240);
  EXPECT_EQ(rect.bottom - rect.top, 120);
  HWND first = create(L"Ledra first"), second = create(L"Ledra second");
  ASSERT_TRUE(first && second);
  EXPECT_TRUE(system.setWindowPos(handle(first), reinterpret_cast<std::intptr_t>(second), 0, 0, 0, 0,
                                  SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
  EXPECT_EQ(GetWindow(second, GW_HWNDNEXT), first);
  EXPECT_TRUE(system.setWindowPos(handle(second), reinterpret_cast<std::intptr_t>(first), 0, 0, 0, 0,
                                  SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
  EXPECT_EQ(GetWindow(first, GW_HWNDNEXT), second);
  EXPECT_FALSE(system.setWindowPos(WindowHandle{}, 0, 0, 0, 0, 0, SWP_NOZORDER));

  EXPECT_EQ(system.getClassLong(handle(owner), GCLP_HICON),
            reinterpret_cast<std::uintptr_t>(LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_WARNING))));
  EXPECT_EQ(system.getClassLong(handle(owner), GCLP_HICONSM),
            reinterpret_cast<std::uintptr_t>(LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_INFORMATION))));
}

TEST_F(Win32SystemWindows, MessagesWithTimeoutCarryTheAnswer) {
  Win32System system;
  HWND w = create(L"Ledra messages");
  ASSERT_NE(w, nullptr);
  std::uintptr_t answer = 0;
  EXPECT_TRUE(system.sendMessageTimeout(handle(w), kAnswerMessage, 0x1200, 0x34, SMTO_ABORTIFHUNG, 1000, &answer));
  EXPECT_EQ(answer, 0x1234u);
  EXPECT_TRUE(system.sendMessageTimeout(handle(w), WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer));
  EXPECT_EQ(answer, 14u);
  DestroyWindow(w);
  windows_.clear();
  answer = 99;
  EXPECT_FALSE(system.sendMessageTimeout(handle(w), WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer));
}

TEST_F(Win32SystemWindows, EnumerationVisitsStopsAndCarriesExceptionsOut) {
  Win32System system;
  HWND w = create(L"Ledra enumerated");
  ASSERT_NE(w, nullptr);
  int visited = 0;
  bool found = false;
  system.enumWindows([&](WindowHandle each) {
    ++visited;
    found = found || each == handle(w);
    return true;
  });
  EXPECT_TRUE(found);
  EXPECT_GE(visited, 1);

  int calls = 0;
  system.enumWindows([&](WindowHandle) { return ++calls < 1; });
  EXPECT_EQ(calls, 1);

  calls = 0;
  EXPECT_THROW(system.enumWindows([&](WindowHandle) -> bool {
    ++calls;
    throw std::runtime_error("stop");
  }),
               std::runtime_error);
  EXPECT_EQ(calls, 1);
}

// ---- icons --------------------------------------------------------------------------

TEST(Win32SystemIcons, ExtractedIconsAreCountedUntilDestroyed) {
  CountingSystem system;
  wchar_t dir[MAX_PATH] = {};
  GetSystemDirectoryW(dir, MAX_PATH);
  const std::string notepad = fromWide(dir) + "\\notepad.exe";

  IconHandle large{}, small{};
  const std::uint32_t got = system.extractIconEx(notepad, 0, &large, &small, 1);
  EXPECT_GE(got, 1u);
  ASSERT_NE(large, IconHandle{});
  ASSERT_NE(small, IconHandle{});
  EXPECT_EQ(system.liveIcons(), 2u);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(reinterpret_cast<HICON>(large), &info));
  BITMAP bitmap{};
  GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(SM_CXICON));
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);

  EXPECT_TRUE(system.destroyIcon(large));
  EXPECT_EQ(system.liveIcons(), 1u);
  EXPECT_TRUE(system.destroyIcon(small));
  EXPECT_EQ(system.liveIcons(), 0u);

  // A file without icons gives none and leaves the caller's places as they were.
  IconHandle keepLarge{0x55}, keepSmall{0x66};
  EXPECT_EQ(system.extractIconEx(fromWide(dir) + "\\no-such-file.exe", 0, &keepLarge, &keepSmall, 1), 0u);
  EXPECT_EQ(keepLarge, IconHandle{0x55});
  EXPECT_EQ(keepSmall, IconHandle{0x66});
  EXPECT_EQ(system.liveIcons(), 0u);
  EXPECT_EQ(system.extractIconEx(notepad, 0, &keepLarge, &keepSmall, 5000), 0u);
}

// A 32-bit program on 64-bit Windows reads System32 icons with the redirector switched off
// for the one call; the switch is looked up and missing on the 9x family, 2000 and
// 32-bit XP, where nothing is redirected. Either way the call answers, and afterwards
// the thread sees the file system as before: a System32 path still reaches this build's
// own DLLs (it would reach the other width's with the switch left off).
TEST(Win32SystemIcons, SystemFolderIconsReadPastTheRedirectorAndItIsBackAfter) {
  CountingSystem system;
  HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  const bool hasSwitch = GetProcAddress(kernel32, "Wow64DisableWow64FsRedirection") != nullptr &&
                         GetProcAddress(kernel32, "Wow64RevertWow64FsRedirection") != nullptr;
  BOOL wow64 = FALSE;
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  if (const auto isWow64 =
          reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void (*)()>(GetProcAddress(kernel32, "IsWow64Process"))))
    isWow64(GetCurrentProcess(), &wow64);
  std::printf("[ info ] redirection switch: %s; this program %s\n", hasSwitch ? "present" : "missing",
              wow64 ? "runs under WOW64" : "is native");

  char dir[MAX_PATH] = {};
  GetSystemDirectoryA(dir, MAX_PATH);
  const std::string systemDir = system.ansiToUtf8(dir);
  IconHandle large{}, small{};
  EXPECT_GE(system.extractIconEx(systemDir + "\\notepad.exe", 0, &large, &small, 1), 1u);
  if (large != IconHandle{}) system.destroyIcon(large);
  if (small != IconHandle{}) system.destroyIcon(small);
  EXPECT_EQ(system.liveIcons(), 0u);
  HMODULE loaded = LoadLibraryExA((std::string(dir) + "\\msimg32.dll").c_str(), nullptr, 0);
  EXPECT_NE(loaded, nullptr) << GetLastError();
  if (loaded) FreeLibrary(loaded);
}

// ---- modal boxes ---------------------------------------------------------------------

using ledra::wine_test::ModalCloser;

TEST(Win32SystemModal, MessageBoxShowsTextAndCaption) {
  Win32System system;
  const std::string caption = system.isNt() ? "Windows Ledra 任务" : "Windows Ledra";
  const std::string text = system.isNt() ? "“test.exe”不能被终止！" : "test.exe cannot end";
  ModalCloser closer(GetCurrentThreadId(), IDOK);
  EXPECT_EQ(system.messageBox(WindowHandle{}, text, caption, MB_ICONERROR), IDOK);
  closer.wait();
  EXPECT_EQ(fromWide(closer.title), caption);
  EXPECT_TRUE(closer.shows(toWide(text)));

  ModalCloser no(GetCurrentThreadId(), IDNO);
  EXPECT_EQ(system.messageBox(WindowHandle{}, "?", caption, MB_YESNO), IDNO);
  no.wait();
}

TEST(Win32SystemModal, RunDialogGetsTitleAndPromptInTheFamilysForm) {
  Win32System system;
  // The shell reads the strings as UTF-16 on the NT family and as ANSI on 9x.
  const bool wide = system.isNt();
  const std::string title = wide ? "新建任务" : "Create New Task";
  const std::string prompt = wide ? "请键入程序名称" : "Type the name of a program";
  ModalCloser closer(GetCurrentThreadId(), IDCANCEL);
  const bool shown = system.runFileDialog(WindowHandle{}, IconHandle{}, title, prompt, 0);
  closer.wait();
  ASSERT_TRUE(shown);
  EXPECT_EQ(fromWide(closer.title), title);
  EXPECT_TRUE(closer.shows(toWide(prompt)));
}

TEST(Win32SystemModal, AboutBoxNamesTheProgram) {
  Win32System system;
  const bool wide = system.isNt();
  const std::string title = wide ? "Windows Ledra 任务管理器" : "Windows Ledra";
  ModalCloser closer(GetCurrentThreadId(), IDOK);
  EXPECT_TRUE(system.shellAbout(WindowHandle{}, title, "0.3.18", IconHandle{}));
  closer.wait();
  EXPECT_NE(closer.title.find(toWide(title)), std::wstring::npos) << fromWide(closer.title);
  EXPECT_TRUE(closer.shows(L"0.3.18"));
}

// ---- calls newer than some systems: present, or a failure the callers take as "none" ---

TEST_F(Win32SystemWindows, ShellWindowDwmAndComAnswerOrDegrade) {
  CountingSystem system;
  const WindowHandle shell = system.getShellWindow();
  EXPECT_TRUE(shell == WindowHandle{} || IsWindow(ledra::platform::win32::asWindow(shell)));

  // Without DWM (or without cloaking) an error; with it, our own window is not cloaked.
  HWND w = create(L"Ledra cloak");
  ASSERT_NE(w, nullptr);
  std::vector<std::byte> value(4, std::byte{0xEE});
  const std::int32_t hr = system.dwmGetWindowAttribute(handle(w), ledra::platform::kDwmwaCloaked, value);
  if (hr >= 0)
    EXPECT_EQ(ByteReader(value).u32(0).value_or(1), 0u);
  else
    EXPECT_EQ(value[0], std::byte{0xEE}) << std::hex << hr;  // left alone
  std::printf("[ info ] DwmGetWindowAttribute(DWMWA_CLOAKED): 0x%08x\n", static_cast<unsigned>(hr));

  // A window's class by name; the ghost's hung window, where the system has the call
  // (Vista and later; not Wine), is none for a window that is no ghost, and for no window.
  EXPECT_EQ(system.getClassName(handle(w)), "LedraSystemTestWindow");
  EXPECT_EQ(system.getClassName(WindowHandle{}), "");
  EXPECT_EQ(system.hungWindowFromGhostWindow(handle(w)), WindowHandle{});
  EXPECT_EQ(system.hungWindowFromGhostWindow(WindowHandle{}), WindowHandle{});
  const bool ghostCall = GetProcAddress(GetModuleHandleA("user32.dll"), "HungWindowFromGhostWindow") != nullptr;
  std::printf("[ info ] HungWindowFromGhostWindow: %s\n", ghostCall ? "present" : "missing, no ghost is followed");

  // A single-threaded apartment: a second, multithreaded join is refused as a change of mode.
  const std::int32_t joined = system.coInitializeEx(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  ASSERT_GE(joined, 0) << std::hex << joined;
  EXPECT_EQ(system.coInitializeEx(COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
  system.coUninitialize();
}

TEST(Win32SystemProcess, CommandLineClassAnswersTheLineOrIsUnknown) {
  CountingSystem system;
  if (!system.isNt()) GTEST_SKIP() << "no native queries on this family";
  const Handle process = system.openProcess(PROCESS_QUERY_LIMITED_INFORMATION, false, GetCurrentProcessId());
  if (process == Handle{}) GTEST_SKIP() << "no limited right on this system";
  std::uint32_t needed = 0;
  const std::int32_t sizing =
      system.ntQueryInformationProcess(process, ledra::platform::kProcessCommandLineInformation, {}, &needed);
  std::printf("[ info ] ProcessCommandLineInformation sizing: 0x%08x, %u bytes\n", static_cast<unsigned>(sizing),
              needed);
  if (sizing == ledra::platform::kStatusInvalidInfoClass || sizing == ledra::platform::kStatusNotImplemented) {
    system.closeHandle(process);
    GTEST_SKIP() << "the class is unknown here (before Windows 8.1): the callers show \"\"";
  }
  ASSERT_GT(needed, 8u);
  std::vector<std::byte> answer(needed);
  ASSERT_EQ(system.ntQueryInformationProcess(process, ledra::platform::kProcessCommandLineInformation, answer, nullptr),
            0);
  const OsLayout& layout = ownLayout(system);
  const std::uint16_t length = ByteReader(answer).u16(layout.unicodeString.length).value_or(0);
  const auto at = static_cast<std::size_t>(ledra::platform::offsetInBuffer(
      readPointer(ByteReader(answer), layout.unicodeString.buffer, layout).value_or(0), answer.data(), layout));
  ASSERT_LE(at + length, answer.size());
  EXPECT_EQ(utf16le(answer, at, length / 2), fromWide(GetCommandLineW()));
  system.closeHandle(process);
  EXPECT_EQ(system.liveHandles(), 0u);
}

// ---- what Wine answers where Windows differs (the fakes mirror these) ----------------

TEST(Win32SystemOnWine, OddAnswersStayAsTheFakesAssume) {
  if (!onWine()) GTEST_SKIP() << "Wine-only facts";
  CountingSystem system;
  if (!system.isNt()) GTEST_SKIP() << "NT-mode facts";
  const Handle process = system.openProcess(0x410, false, GetCurrentProcessId());
  ASSERT_NE(process, Handle{});
  // Image file name: a length query, then a "\??\Z:\..." path, never "\Device\HarddiskVolumeN".
  std::uint32_t needed = 0;
  EXPECT_EQ(system.ntQueryInformationProcess(process, 27, {}, &needed), ledra::platform::kStatusInfoLengthMismatch);
  ASSERT_GT(needed, 8u);
  std::vector<std::byte> name(needed + 1);
  ASSERT_EQ(system.ntQueryInformationProcess(process, 27, Bytes(name.data(), needed), nullptr), 0);
  const OsLayout& layout = ownLayout(system);
  const std::uint16_t length = ByteReader(name).u16(layout.unicodeString.length).value_or(0);
  const auto at = static_cast<std::size_t>(ledra::platform::offsetInBuffer(
      readPointer(ByteReader(name), layout.unicodeString.buffer, layout).value_or(0), name.data(), layout));
  ASSERT_LE(at + length, needed);
  const std::string image = utf16le(name, at, length / 2);
  EXPECT_EQ(image.rfind("\\??\\", 0), 0u) << image;
  EXPECT_EQ(image.find("HarddiskVolume"), std::string::npos);
  // Break-on-termination is not a class Wine knows.
  std::vector<std::byte> flag(4);
  EXPECT_EQ(system.ntQueryInformationProcess(process, 29, flag, nullptr), ledra::platform::kStatusInvalidInfoClass);
  system.closeHandle(process);

  EXPECT_EQ(system.queryDosDevice("C:"), "\\Device\\HarddiskVolume1");
  // The dynamic-data root exists on Wine's NT mode too, without the CPU statistic.
  EXPECT_EQ(reinterpret_cast<HKEY>(ledra::platform::kHkeyDynData), HKEY_DYN_DATA);  // sign-extended
  Handle key{};
  if (system.regOpenKey(ledra::platform::kHkeyDynData, "PerfStats\\StatData", &key) == 0) {
    std::vector<std::byte> data(4);
    std::uint32_t type = 0, size = 0;
    EXPECT_EQ(system.regQueryValueEx(key, "KERNEL\\CPUUsage", &type, data, &size), ERROR_FILE_NOT_FOUND);
    system.regCloseKey(key);
  }
  EXPECT_EQ(system.liveHandles(), 0u);
}

// ---- loading ------------------------------------------------------------------------

BOOL CALLBACK tabStrip(HWND w, LPARAM found) {
  wchar_t name[32] = {};
  GetClassNameW(w, name, 32);
  if (lstrcmpiW(name, L"SysTabControl32") != 0) return TRUE;
  *reinterpret_cast<HWND*>(found) = w;
  return FALSE;
}

// The no-disk box is held off only while a file is touched: the thread's mode (or the
// process's, where the system has no thread mode) is as it was afterwards.
TEST(Win32SystemLoading, CriticalErrorsFailOnlyWithinTheScope) {
  using GetThreadErrorModeFn = DWORD(WINAPI*)();
  const auto getThreadErrorMode = reinterpret_cast<GetThreadErrorModeFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetThreadErrorMode")));
  auto mode = [&] {
    if (getThreadErrorMode) return getThreadErrorMode();
    const UINT m = SetErrorMode(0);
    SetErrorMode(m);
    return static_cast<DWORD>(m);
  };
  const DWORD before = mode();
  {
    const ledra::platform::win32::CriticalErrorsFail quiet;
    EXPECT_TRUE(mode() & SEM_FAILCRITICALERRORS);
    EXPECT_EQ(mode() & ~static_cast<DWORD>(SEM_FAILCRITICALERRORS),
              before & ~static_cast<DWORD>(SEM_FAILCRITICALERRORS));
  }
  EXPECT_EQ(mode(), before);
}

// A DLL that leaves a mark when loaded is copied beside a copy of ledra.exe under the
// names of the DLLs the program and the system DLLs it uses load; the program starts,
// refreshes, shows every page and closes without taking any of them.
TEST(Win32SystemLoading, DllsPlantedBesideTheProgramAreNeverLoaded) {
  using ledra::wine_test::Child;
  using ledra::wine_test::ownExe;
  auto folderOf = [](const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/")); };
  const std::wstring here = folderOf(ownExe());
  const std::wstring ledraExe = folderOf(folderOf(here)) + L"\\ledra.exe";
  const std::wstring markDll = here + L"\\ledra_mark.dll";
  ASSERT_NE(GetFileAttributesW(ledraExe.c_str()), INVALID_FILE_ATTRIBUTES) << fromWide(ledraExe);
  ASSERT_NE(GetFileAttributesW(markDll.c_str()), INVALID_FILE_ATTRIBUTES) << fromWide(markDll);

  const std::wstring folder = here + L"\\planted";
  CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(ledraExe.c_str(), (folder + L"\\ledra.exe").c_str(), FALSE));
  const wchar_t* const names[] = {L"dwmapi",   L"psapi",    L"uxtheme", L"version",   L"shcore",  L"ole32",
                                  L"oleaut32", L"shlwapi",  L"imm32",   L"winmm",     L"propsys", L"msctf",
                                  L"userenv",  L"wtsapi32", L"dbghelp", L"cryptbase", L"profapi", L"apphelp"};
  for (const wchar_t* name : names) {
    const std::wstring dll = folder + L"\\" + name + L".dll";
    ASSERT_TRUE(CopyFileW(markDll.c_str(), dll.c_str(), FALSE)) << fromWide(dll);
    DeleteFileW((dll + L".loaded").c_str());
  }

  {
    Child ledra(L"\"" + folder + L"\\ledra.exe\"");
    ASSERT_TRUE(ledra.started);
    const HWND window = ledra::wine_test::windowOf(ledra.pid());
    ASSERT_NE(window, nullptr) << "ledra.exe showed no window";
    HWND tabs = nullptr;
    EnumChildWindows(window, tabStrip, reinterpret_cast<LPARAM>(&tabs));
    ASSERT_NE(tabs, nullptr);
    DWORD_PTR answer = 0;
    for (const WPARAM page : {0, 1, 2}) {  // each page refreshes at least once on screen
      SendMessageTimeoutW(tabs, TCM_SETCURFOCUS, page, 0, SMTO_ABORTIFHUNG, 5000, &answer);
      Sleep(1200);
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(ledra.ended(15000));
    EXPECT_EQ(ledra.exitCode(), 0u);
  }
  for (const wchar_t* name : names) {
    const std::wstring dll = folder + L"\\" + name + L".dll";
    EXPECT_EQ(GetFileAttributesW((dll + L".loaded").c_str()), INVALID_FILE_ATTRIBUTES)
        << fromWide(name) << ".dll was loaded from the program's folder";
  }
}

}  // namespace
