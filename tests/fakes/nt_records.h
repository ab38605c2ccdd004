// Builders for byte-exact process records in FakeSystem: the NT process information
// chain, Toolhelp entries, and the environment block / process parameters / command
// line laid out in a process's memory, in either pointer width's layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fakes/fake_system.h"
#include "platform/os_layout.h"

namespace ledra::fakes {

using platform::OsLayout;

struct NtProcessRecord {
  NtProcessRecord() = default;
  NtProcessRecord(std::u16string name_, std::uint32_t pid_, std::int64_t user, std::int64_t kernel,
                  std::uint64_t workingSet_, std::uint32_t threads_ = 1,
                  std::optional<std::u16string> commandLine_ = std::nullopt)
      : name(std::move(name_)),
        pid(pid_),
        userTime(user),
        kernelTime(kernel),
        workingSet(workingSet_),
        threads(threads_),
        commandLine(std::move(commandLine_)) {}

  std::u16string name;  // empty: Length 0, as the idle process has
  std::uint32_t pid = 0;
  std::int64_t userTime = 0;                  // 100 ns units
  std::int64_t kernelTime = 0;                // 100 ns units
  std::uint64_t workingSet = 0;               // SIZE_T: the 32-bit layout keeps the low half
  std::uint32_t threads = 1;                  // thread records between the record and its name
  std::uint64_t createTime = 0;               // 100 ns units since 1601
  std::optional<std::u16string> commandLine;  // also simulate the process's memory
};

struct RecordChain {
  std::vector<std::byte> bytes;
  std::vector<std::size_t> pointers;  // offsets of the ImageName Buffer fields
  std::vector<std::size_t> records;   // offset of each record
  const OsLayout* layout = &platform::kOsLayout32;
};

// Records in order, each followed by its thread records and its name (NUL-terminated,
// 8-byte aligned), NextEntryOffset 0 on the last. Buffer fields hold offsets from the
// start of the chain until FakeSystem rebases them.
RecordChain BuildProcessChain(const std::vector<NtProcessRecord>& records,
                              const OsLayout& layout = platform::kOsLayout32);
// Copies the chain into a caller's buffer and rebases its Buffer fields, as the OS
// answers (for tests that script the query themselves).
void CopyChainInto(const RecordChain& chain, std::span<std::byte> buffer);
// Stores the chain as the answer of the process information query (class 5).
void InstallProcessChain(FakeSystem& system, const RecordChain& chain);
// The chain in the system's layout, plus for every record with a command line an
// openable process holding it and its creation time.
void InstallProcesses(FakeSystem& system, const std::vector<NtProcessRecord>& records);

// A PROCESSENTRY32 with dwSize, th32ProcessID and szExeFile filled in.
std::vector<std::byte> ProcessEntry32(std::uint32_t pid, std::string_view exeFile);

// Where the command line lives in a simulated process.
struct CommandLineLayout {
  std::uint64_t peb = 0x7FFDF000;
  std::uint64_t parameters = 0x00020000;
  std::uint64_t text = 0x00030000;
  std::optional<std::uint16_t> length;  // Length field; default: the text's size in bytes
};
// The same places above 4 GiB, where a 64-bit process keeps them: an address cut to
// 32 bits misses them all.
CommandLineLayout HighAddresses();

// Basic information naming this PEB address.
void SetBasicInformation(FakeSystem::Process& process, std::uint64_t peb,
                         const OsLayout& layout = platform::kOsLayout32);
// Basic information, PEB, parameters (ImagePathName "C:\image.exe", CommandLine) and the
// text in a region of exactly its bytes plus the NUL, so any read past it fails.
void SetCommandLine(FakeSystem::Process& process, std::u16string_view commandLine, const CommandLineLayout& where = {},
                    const OsLayout& layout = platform::kOsLayout32);
// A 32-bit process on 64-bit Windows seen from a 64-bit program: its 32-bit block holds
// the command line and ProcessWow64Information names it; the basic information names a
// 64-bit block that is not readable.
void SetWow64CommandLine(FakeSystem::Process& process, std::u16string_view commandLine,
                         const CommandLineLayout& where = {});
// A 64-bit process seen from a 32-bit program on 64-bit Windows: the 64-bit structures
// answer only through the 64-bit entries; the 32-bit basic information names no block.
void SetCommandLineSeenFrom32(FakeSystem::Process& process, std::u16string_view commandLine,
                              const CommandLineLayout& where = HighAddresses());
// The image-file-name answer: UNICODE_STRING then the characters and a NUL.
void SetImageFileName(FakeSystem::Process& process, std::u16string_view name,
                      const OsLayout& layout = platform::kOsLayout32);
// The command-line answer of Windows 8.1 and later (class 60), laid out as class 27's.
void SetCommandLineInformation(FakeSystem::Process& process, std::u16string_view commandLine,
                               const OsLayout& layout = platform::kOsLayout32);
// The break-on-termination answer (4 bytes).
void SetBreakOnTermination(FakeSystem::Process& process, std::uint32_t flag);
// The process-times answer (class 4, KERNEL_USER_TIMES: 32 bytes, CreateTime first).
void SetCreateTime(FakeSystem::Process& process, std::uint64_t createTime);

std::vector<std::byte> Utf16Bytes(std::u16string_view text, bool withNul);

}  // namespace ledra::fakes
