#include "processes/process_details.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "common/byte_reader.h"
#include "common/text.h"
#include "platform/os_constants.h"
#include "platform/os_layout.h"
#include "processes/wide_text.h"

namespace ledra::processes {

namespace {

using platform::OsLayout;
using platform::ScopedHandle;

constexpr std::uint32_t kQueryAndRead = platform::kProcessQueryInformation | platform::kProcessVmRead;
constexpr std::uint32_t kBasicInformation = platform::kProcessBasicInformation;
constexpr std::uint32_t kWow64Information = platform::kProcessWow64Information;
constexpr std::uint32_t kImageFileName = platform::kProcessImageFileName;
constexpr std::uint32_t kLargestImageName = 1u << 20;
constexpr std::size_t kLongestCommandLine = 65534;  // bytes; a UNICODE_STRING's limit
constexpr std::size_t kModuleArrayBytes = 250;      // the array size the call is told

ScopedHandle open(platform::System& system, std::int32_t pid, std::uint32_t access) {
  return ScopedHandle(system, system.openProcess(access, false, static_cast<std::uint32_t>(pid)));
}

// The same, noting whether a refusal was an access denial (read at once, before any
// other call can replace the error).
ScopedHandle open(platform::System& system, std::int32_t pid, std::uint32_t access, bool& denied) {
  ScopedHandle process = open(system, pid, access);
  denied = !process && system.getLastError() == platform::kErrorAccessDenied;
  return process;
}

// The least right a query needs, plus `extra`: the limited query right, which elevated,
// protected and other users' processes still grant to an unelevated program, or the
// full one where the system does not know the limited right (XP refuses it).
// `denied` tells whether the last open was refused with access denied (the first may be
// refused only for the right a system before Vista does not know).
ScopedHandle openLeast(platform::System& system, std::int32_t pid, std::uint32_t extra, bool& denied) {
  ScopedHandle process = open(system, pid, platform::kProcessQueryLimitedInformation | extra, denied);
  if (!process) process = open(system, pid, platform::kProcessQueryInformation | extra, denied);
  return process;
}
ScopedHandle openLeast(platform::System& system, std::int32_t pid, std::uint32_t extra) {
  bool denied = false;
  return openLeast(system, pid, extra, denied);
}

// A query answering a UNICODE_STRING followed by its characters (image name, command
// line): asked for its length, then filled. Empty when either step fails.
// `status` receives the status of the step that failed (kStatusSuccess when none did).
std::vector<std::byte> stringAnswer(platform::System& system, platform::Handle process, std::uint32_t infoClass,
                                    std::int32_t* status = nullptr) {
  std::int32_t ignored = 0;
  std::int32_t& failure = status ? *status : ignored;
  std::uint32_t needed = 0;
  failure = system.ntQueryInformationProcess(process, infoClass, {}, &needed);
  if (failure != platform::kStatusInfoLengthMismatch && failure != platform::kStatusBufferTooSmall &&
      failure != platform::kStatusBufferOverflow)
    return {};
  failure = platform::kStatusSuccess;
  if (needed == 0 || needed > kLargestImageName) return {};
  std::vector<std::byte> buffer(static_cast<std::size_t>(needed) + 1);
  failure = system.ntQueryInformationProcess(process, infoClass, platform::Bytes(buffer.data(), needed), nullptr);
  if (failure != platform::kStatusSuccess) return {};
  return buffer;
}

// Where the characters of such an answer start; nullopt when its Buffer field points
// outside the answer.
std::optional<std::size_t> charactersAt(const std::vector<std::byte>& buffer, const OsLayout& layout) {
  const common::ByteReader reader(buffer);
  const std::uint64_t address = platform::readPointer(reader, layout.unicodeString.buffer, layout).value_or(0);
  const std::uint64_t offset = platform::offsetInBuffer(address, buffer.data(), layout);
  if (offset >= buffer.size()) return std::nullopt;
  return static_cast<std::size_t>(offset);
}

// ProcessCommandLineInformation: the line as the system keeps it, exactly Length bytes.
// `status` receives the query's failure, as stringAnswer gives it.
std::string commandLineInformation(platform::System& system, platform::Handle process, std::int32_t* status) {
  const std::vector<std::byte> buffer = stringAnswer(system, process, platform::kProcessCommandLineInformation, status);
  if (buffer.empty()) return {};
  const OsLayout& layout = platform::osLayoutFor(system.pointerSize());
  const auto at = charactersAt(buffer, layout);
  const auto length = common::ByteReader(buffer).u16(layout.unicodeString.length);
  if (!at || !length) return {};
  const auto text = common::ByteReader(buffer).bytes(*at, std::min<std::size_t>(*length & ~1u, buffer.size() - *at));
  return text ? utf16leToUtf8(*text) : std::string();
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && common::findNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

// "\??\C:\x" and device names such as "\Device\HarddiskVolume3\x" become "C:\x"
// through the system's own drive table; "" when no drive maps to the device.
std::string dosPath(platform::System& system, std::string_view name) {
  if (name.size() >= 6 && name.substr(0, 4) == "\\??\\" && name[5] == ':') return std::string(name.substr(4));
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::string drive{letter, ':'};
    const std::string device = system.queryDosDevice(drive);
    if (device.empty() || name.size() <= device.size()) continue;
    // The next character must start the path, or volume 1 would match volume 10.
    if (name[device.size()] == '\\' && startsWithNoCase(name, device))
      return drive + std::string(name.substr(device.size()));
  }
  return {};
}

// Where a process's environment block is and how its memory is read: through
// readProcessMemory, or through the 64-bit entries of a 32-bit program on 64-bit Windows.
struct Environment {
  const OsLayout* layout = nullptr;  // the layout of the block and its parameters
  std::uint64_t peb = 0;
  bool through64 = false;
};

bool read(platform::System& system, platform::Handle process, const Environment& environment, std::uint64_t address,
          platform::Bytes into) {
  return environment.through64 ? system.ntWow64ReadVirtualMemory64(process, address, into)
                               : system.readProcessMemory(process, address, into);
}

// ProcessWow64Information: a 32-bit process on 64-bit Windows answers the address of its
// 32-bit environment block, any other process 0; nullopt where the class is not known.
std::optional<std::uint64_t> wow64Peb(platform::System& system, platform::Handle process, const OsLayout& own) {
  std::array<std::byte, 8> word{};
  const platform::Bytes field(word.data(), own.pointer);
  if (system.ntQueryInformationProcess(process, kWow64Information, field, nullptr) != platform::kStatusSuccess)
    return std::nullopt;
  return platform::readPointer(common::ByteReader(field), 0, own).value_or(0);
}

// A 64-bit process seen from this program's 32-bit build on 64-bit Windows: only the
// 64-bit entries reach its environment block. nullopt where they do not exist.
std::optional<Environment> environment64(platform::System& system, platform::Handle process) {
  constexpr const OsLayout& wide = platform::kOsLayout64;
  std::array<std::byte, wide.basicInformation.size> basic{};
  if (system.ntWow64QueryInformationProcess64(process, kBasicInformation, basic, nullptr) != platform::kStatusSuccess)
    return std::nullopt;
  const auto peb = platform::readPointer(common::ByteReader(basic), wide.basicInformation.pebBaseAddress, wide);
  if (!peb || *peb == 0) return std::nullopt;
  return Environment{&wide, *peb, true};
}

// The environment blocks to try, best first.
std::vector<Environment> environments(platform::System& system, platform::Handle process) {
  const OsLayout& own = platform::osLayoutFor(system.pointerSize());
  std::vector<Environment> found;
  const std::optional<std::uint64_t> wowPeb = wow64Peb(system, process, own);
  if (wowPeb && *wowPeb != 0) found.push_back({&platform::kOsLayout32, *wowPeb, false});
  if (wowPeb && *wowPeb == 0 && own.pointer == 4) {
    if (auto wide = environment64(system, process)) {
      found.push_back(*wide);
      return found;
    }
  }

  // The block in this program's own layout. A 64-bit process seen from a 32-bit
  // program without the 64-bit entries reports none.
  std::array<std::byte, platform::kOsLayout64.basicInformation.size> basic{};
  const platform::Bytes field(basic.data(), own.basicInformation.size);
  if (system.ntQueryInformationProcess(process, kBasicInformation, field, nullptr) != platform::kStatusSuccess)
    return found;
  const std::uint64_t peb =
      platform::readPointer(common::ByteReader(field), own.basicInformation.pebBaseAddress, own).value_or(0);
  if (peb != 0) found.push_back({&own, peb, false});
  return found;
}

// A UNICODE_STRING of the process parameters as UTF-8; "" when any step fails.
std::string readParameter(platform::System& system, platform::Handle process, const Environment& environment,
                          std::size_t field) {
  const OsLayout& layout = *environment.layout;
  std::array<std::byte, 8> word{};
  const platform::Bytes pointer(word.data(), layout.pointer);
  if (!read(system, process, environment, environment.peb + layout.pebProcessParameters, pointer)) return {};
  const std::uint64_t parameters = *platform::readPointer(common::ByteReader(pointer), 0, layout);
  if (parameters == 0) return {};

  std::array<std::byte, 16> string{};
  const platform::Bytes header(string.data(), layout.unicodeString.size);
  if (!read(system, process, environment, parameters + field, header)) return {};
  const common::ByteReader fields(header);
  std::size_t length =
      std::min<std::size_t>(*fields.u16(layout.unicodeString.length), kLongestCommandLine) & ~std::size_t{1};
  const std::uint64_t address = *platform::readPointer(fields, layout.unicodeString.buffer, layout);
  if (length == 0 || address == 0) return {};

  // Exactly Length bytes: a fixed-size read could run off the end of the region.
  std::array<std::byte, 1024> small;
  std::vector<std::byte> large;
  platform::Bytes text;
  if (length <= small.size()) {
    text = platform::Bytes(small.data(), length);
  } else {
    large.resize(length);
    text = large;
  }
  if (!read(system, process, environment, address, text)) return {};
  return utf16leToUtf8(text);
}

// The first of the process's environment blocks that gives the parameter.
std::string parameterOf(platform::System& system, platform::Handle process, std::size_t OsLayout::*field) {
  for (const Environment& environment : environments(system, process)) {
    std::string text = readParameter(system, process, environment, environment.layout->*field);
    if (!text.empty()) return text;
  }
  return {};
}

}  // namespace

std::optional<std::string> GetProcessImagePath(platform::System& system, std::int32_t pid) {
  std::string path = GetImageFileNameNT(system, pid);
  if (!path.empty()) return path;
  path = GetMainModulePath(system, pid);
  if (!path.empty()) return path;
  const std::string commandLine = GetProcessCommandLine(system, pid);
  if (commandLine.empty()) return std::string();
  return imagePathFromCommandLine(commandLine);
}

std::optional<std::string> imagePathFromCommandLine(std::string_view commandLine) {
  // Positions count UTF-16 characters from 1, as the rule is written.
  const std::u16string c = common::utf8ToUtf16(commandLine);
  auto findExe = [](std::u16string_view text) {
    for (std::size_t i = 0; i + 4 <= text.size(); ++i) {
      if (text[i] == u'.' && (text[i + 1] | 0x20) == u'e' && (text[i + 2] | 0x20) == u'x' &&
          (text[i + 3] | 0x20) == u'e')
        return static_cast<long long>(i) + 1;
    }
    return 0LL;
  };
  long long p = findExe(c);
  if (p == 0) {
    const std::size_t quote = c.size() >= 3 ? c.find(u'"', 2) : std::u16string::npos;
    p = (quote == std::u16string::npos ? 0 : static_cast<long long>(quote) + 1) - 4;
  }
  const long long s = (!c.empty() && c.front() == u'"') ? 2 : 1;
  const long long length = p + 4 - s;
  if (length < 0) return std::nullopt;
  std::u16string part;
  if (static_cast<std::size_t>(s - 1) < c.size())
    part = c.substr(static_cast<std::size_t>(s - 1), static_cast<std::size_t>(length));
  if (findExe(part) == 0) part += u".exe";
  return common::utf16ToUtf8(part);
}

std::string GetImageFileNameNT(platform::System& system, std::int32_t pid) {
  ScopedHandle process = openLeast(system, pid, 0);
  if (!process) return {};
  const std::vector<std::byte> buffer = stringAnswer(system, process.get(), kImageFileName);
  if (buffer.empty()) return {};

  // The UNICODE_STRING's Buffer points further into the same data; read to its NUL.
  const auto at = charactersAt(buffer, platform::osLayoutFor(system.pointerSize()));
  if (!at) return {};
  const std::string name = common::utf16leBytesToUtf8(*common::ByteReader(buffer).bytes(*at, buffer.size() - *at));
  if (name.empty()) return {};
  return dosPath(system, name);
}

std::string GetMainModulePath(platform::System& system, std::int32_t pid) {
  // The module list wants both rights in full.
  ScopedHandle process = open(system, pid, kQueryAndRead);
  if (!process) return {};
  const OsLayout& own = platform::osLayoutFor(system.pointerSize());
  std::array<std::byte, kModuleArrayBytes> modules{};
  std::uint32_t needed = 0;
  if (system.enumProcessModules(process.get(), modules, &needed)) {
    const std::uint64_t first = platform::readPointer(common::ByteReader(modules), 0, own).value_or(0);
    return system.getModuleFileNameEx(process.get(), first, 260);
  }
  // A 32-bit program cannot list a 64-bit process's modules; the image path in that
  // process's parameters is the same name.
  if (own.pointer != 4 || wow64Peb(system, process.get(), own) != std::uint64_t{0}) return {};
  const auto wide = environment64(system, process.get());
  if (!wide) return {};
  return readParameter(system, process.get(), *wide, wide->layout->parametersImagePathName);
}

std::string GetProcessCommandLine(platform::System& system, std::int32_t pid) {
  return ReadProcessCommandLine(system, pid).line;
}

CommandLineAnswer ReadProcessCommandLine(platform::System& system, std::int32_t pid) {
  // The idle process is no process to open: every open of PID 0 fails (invalid
  // parameter) for as long as the system runs, so it is never asked.
  if (pid == 0) return {{}, true};
  bool readDenied = false;
  ScopedHandle process = openLeast(system, pid, platform::kProcessVmRead, readDenied);
  if (process) {
    std::string text = parameterOf(system, process.get(), &OsLayout::parametersCommandLine);
    if (!text.empty()) return {std::move(text)};
  } else {
    // The memory read refused (an elevated, protected or other user's process): only
    // systems that know the limited right answer the line without it.
    bool limitedDenied = false;
    process = open(system, pid, platform::kProcessQueryLimitedInformation, limitedDenied);
    if (!process) return {{}, readDenied && limitedDenied};
  }
  // Windows 8.1 and later answer the line itself; elsewhere the class is unknown: "".
  std::int32_t status = platform::kStatusSuccess;
  std::string line = commandLineInformation(system, process.get(), &status);
  if (!line.empty()) return {std::move(line)};
  // Refused to the limited right too, or a class this system does not know: no later tick
  // gets another answer. A process that opened for memory reads refused nothing: its
  // parameters may just not be written yet.
  const bool refused = status == platform::kStatusAccessDenied || status == platform::kStatusInvalidInfoClass ||
                       status == platform::kStatusNotImplemented;
  return {{}, readDenied && refused};
}

}  // namespace ledra::processes
