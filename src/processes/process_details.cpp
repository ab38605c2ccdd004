#include "processes/process_details.h"

#include <array>
#include <vector>

#include "common/byte_reader.h"
#include "common/text.h"
#include "processes/wide_text.h"

namespace ledra::processes {

namespace {

using platform::ScopedHandle;

constexpr std::uint32_t kQueryAndRead = 0x410;  // query information + memory read
constexpr std::uint32_t kBasicInformation = 0;
constexpr std::uint32_t kImageFileName = 27;
constexpr std::uint32_t kLargestImageName = 1u << 20;
constexpr std::size_t kLongestCommandLine = 65534;  // bytes; a UNICODE_STRING's limit
constexpr std::size_t kModuleArrayBytes = 250;      // the array size the call is told

ScopedHandle open(platform::System& system, std::int32_t pid) {
  return ScopedHandle(system, system.openProcess(kQueryAndRead, false, static_cast<std::uint32_t>(pid)));
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
    if (name[device.size()] == '\\' && startsWithNoCase(name, device)) return drive + std::string(name.substr(device.size()));
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
  return ImagePathFromCommandLine(commandLine);
}

std::optional<std::string> ImagePathFromCommandLine(std::string_view commandLine) {
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
  if (static_cast<std::size_t>(s - 1) < c.size()) part = c.substr(static_cast<std::size_t>(s - 1), static_cast<std::size_t>(length));
  if (findExe(part) == 0) part += u".exe";
  return common::utf16ToUtf8(part);
}

std::string GetImageFileNameNT(platform::System& system, std::int32_t pid) {
  ScopedHandle process = open(system, pid);
  if (!process) return {};
  std::uint32_t needed = 0;
  if (system.ntQueryInformationProcess(process.get(), kImageFileName, {}, &needed) !=
      platform::kStatusInfoLengthMismatch)
    return {};
  if (needed == 0 || needed > kLargestImageName) return {};
  std::vector<std::byte> buffer(static_cast<std::size_t>(needed) + 1);
  if (system.ntQueryInformationProcess(process.get(), kImageFileName,
                                       platform::Bytes(buffer.data(), needed), nullptr) != platform::kStatusSuccess)
    return {};

  // The UNICODE_STRING's Buffer points further into the same data; read to its NUL.
  const common::ByteReader reader(buffer);
  const auto base = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(buffer.data()));
  const std::size_t offset = static_cast<std::uint32_t>(reader.u32(4).value_or(0) - base);
  if (offset >= buffer.size()) return {};
  const std::string name = common::utf16leBytesToUtf8(*reader.bytes(offset, buffer.size() - offset));
  if (name.empty()) return {};
  return dosPath(system, name);
}

std::string GetMainModulePath(platform::System& system, std::int32_t pid) {
  ScopedHandle process = open(system, pid);
  if (!process) return {};
  std::array<std::byte, 250 * 4> modules{};
  std::uint32_t needed = 0;
  if (!system.enumProcessModules(process.get(), platform::Bytes(modules.data(), kModuleArrayBytes), &needed))
    return {};
  const std::uint32_t first = common::ByteReader(modules).u32(0).value_or(0);
  return system.getModuleFileNameEx(process.get(), first, 260);
}

std::string GetProcessCommandLine(platform::System& system, std::int32_t pid) {
  ScopedHandle process = open(system, pid);
  if (!process) return {};
  std::array<std::byte, 24> basic{};
  if (system.ntQueryInformationProcess(process.get(), kBasicInformation, basic, nullptr) != platform::kStatusSuccess)
    return {};
  // A 64-bit process seen from this 32-bit program reports no environment block.
  const std::uint32_t peb = *common::ByteReader(basic).u32(4);
  if (peb == 0) return {};

  std::array<std::byte, 4> word{};
  if (!system.readProcessMemory(process.get(), peb + 0x10, word)) return {};
  const std::uint32_t parameters = *common::ByteReader(word).u32(0);
  if (parameters == 0) return {};

  // The CommandLine UNICODE_STRING: Length, MaximumLength, Buffer.
  std::array<std::byte, 8> field{};
  if (!system.readProcessMemory(process.get(), parameters + 0x40, field)) return {};
  const common::ByteReader header(field);
  std::size_t length = std::min<std::size_t>(*header.u16(0), kLongestCommandLine) & ~std::size_t{1};
  const std::uint32_t address = *header.u32(4);
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
  if (!system.readProcessMemory(process.get(), address, text)) return {};
  return Utf16leToUtf8(text);
}

}  // namespace ledra::processes
