#include "fakes/nt_records.h"

#include <algorithm>

#include "common/byte_reader.h"

namespace ledra::fakes {

using common::putU16;
using common::putU32;
using common::putU64;
using platform::putPointer;

namespace {

constexpr std::u16string_view kImagePath = u"C:\\image.exe";

void putUnicodeString(std::span<std::byte> out, std::size_t at, std::uint16_t length, std::uint16_t maximum,
                      std::uint64_t buffer, const OsLayout& layout) {
  putU16(out, at + layout.unicodeString.length, length);
  putU16(out, at + layout.unicodeString.maximumLength, maximum);
  putPointer(out, at + layout.unicodeString.buffer, buffer, layout);
}

}  // namespace

std::vector<std::byte> Utf16Bytes(std::u16string_view text, bool withNul) {
  std::vector<std::byte> out((text.size() + (withNul ? 1 : 0)) * 2);
  for (std::size_t i = 0; i < text.size(); ++i) putU16(out, i * 2, static_cast<std::uint16_t>(text[i]));
  return out;
}

RecordChain BuildProcessChain(const std::vector<NtProcessRecord>& records, const OsLayout& layout) {
  RecordChain chain;
  chain.layout = &layout;
  const platform::ProcessRecordLayout& field = layout.processRecord;
  auto& b = chain.bytes;
  for (std::size_t k = 0; k < records.size(); ++k) {
    const auto& r = records[k];
    const std::size_t at = b.size();
    const std::size_t nameAt = at + field.size + r.threads * layout.threadRecordSize;
    const std::size_t nameBytes = r.name.empty() ? 0 : (r.name.size() + 1) * 2;
    const std::size_t end = (nameAt + nameBytes + 7) & ~std::size_t{7};
    b.resize(end);
    std::span<std::byte> rec(b.data() + at, field.size);
    putU32(rec, field.numberOfThreads, r.threads);
    putU64(rec, field.createTime, r.createTime);
    putU64(rec, field.userTime, static_cast<std::uint64_t>(r.userTime));
    putU64(rec, field.kernelTime, static_cast<std::uint64_t>(r.kernelTime));
    putPointer(rec, field.uniqueProcessId, r.pid, layout);
    putPointer(rec, field.workingSetSize, r.workingSet, layout);
    if (!r.name.empty()) {
      putUnicodeString(rec, field.imageName, static_cast<std::uint16_t>(r.name.size() * 2),
                       static_cast<std::uint16_t>(nameBytes), nameAt, layout);
      chain.pointers.push_back(at + field.imageName + layout.unicodeString.buffer);
      auto text = Utf16Bytes(r.name, true);
      std::copy(text.begin(), text.end(), b.begin() + static_cast<std::ptrdiff_t>(nameAt));
    }
    if (k + 1 < records.size()) putU32(rec, field.nextEntryOffset, static_cast<std::uint32_t>(end - at));
    chain.records.push_back(at);
  }
  return chain;
}

void CopyChainInto(const RecordChain& chain, std::span<std::byte> buffer) {
  const std::size_t n = std::min(chain.bytes.size(), buffer.size());
  std::copy(chain.bytes.begin(), chain.bytes.begin() + static_cast<std::ptrdiff_t>(n), buffer.begin());
  FakeSystem::Rebase(buffer, chain.pointers, *chain.layout);
}

void InstallProcessChain(FakeSystem& system, const RecordChain& chain) {
  system.systemInformation[5] = chain.bytes;
  system.systemInformationPointers[5] = chain.pointers;
}

void InstallProcesses(FakeSystem& system, const std::vector<NtProcessRecord>& records) {
  InstallProcessChain(system, BuildProcessChain(records, system.layout()));
  const CommandLineLayout where = system.pointerBytes == 8 ? HighAddresses() : CommandLineLayout{};
  for (const auto& r : records) {
    if (!r.commandLine) continue;
    auto& p = system.processes[r.pid];
    p.pid = r.pid;
    SetCommandLine(p, *r.commandLine, where, system.layout());
    SetCreateTime(p, r.createTime);
  }
}

std::vector<std::byte> ProcessEntry32(std::uint32_t pid, std::string_view exeFile) {
  constexpr const platform::ProcessEntry32Layout& layout = platform::kProcessEntry32;
  std::vector<std::byte> entry(layout.size);
  putU32(entry, 0, layout.size);
  putU32(entry, layout.processId, pid);
  for (std::size_t i = 0; i < exeFile.size() && i + 1 < layout.exeFileCapacity; ++i)
    entry[layout.exeFile + i] = static_cast<std::byte>(exeFile[i]);
  return entry;
}

CommandLineLayout HighAddresses() {
  return {.peb = 0x7FF7'5A3B'0000, .parameters = 0x1'F000'0000, .text = 0x1'F001'0000, .length = std::nullopt};
}

void SetBasicInformation(FakeSystem::Process& process, std::uint64_t peb, const OsLayout& layout) {
  std::vector<std::byte> basic(layout.basicInformation.size);
  putPointer(basic, layout.basicInformation.pebBaseAddress, peb, layout);
  putPointer(basic, layout.basicInformation.uniqueProcessId, process.pid, layout);
  process.information[0] = std::move(basic);
}

void SetCommandLine(FakeSystem::Process& process, std::u16string_view commandLine, const CommandLineLayout& where,
                    const OsLayout& layout) {
  SetBasicInformation(process, where.peb, layout);
  std::vector<std::byte> peb(0x1000);
  putPointer(peb, layout.pebProcessParameters, where.parameters, layout);
  process.memory[where.peb] = std::move(peb);

  // The image path sits in the same region as the parameters, right after them.
  std::vector<std::byte> parameters(0x400);
  const std::uint64_t imageAt = where.parameters + 0x300;
  const auto imageBytes = static_cast<std::uint16_t>(kImagePath.size() * 2);
  putUnicodeString(parameters, layout.parametersImagePathName, imageBytes, imageBytes + 2, imageAt, layout);
  const auto image = Utf16Bytes(kImagePath, true);
  std::copy(image.begin(), image.end(), parameters.begin() + 0x300);

  const auto bytes = static_cast<std::uint16_t>(commandLine.size() * 2);
  putUnicodeString(parameters, layout.parametersCommandLine, where.length.value_or(bytes),
                   static_cast<std::uint16_t>(bytes + 2), where.text, layout);
  process.memory[where.parameters] = std::move(parameters);
  process.memory[where.text] = Utf16Bytes(commandLine, true);
}

void SetWow64CommandLine(FakeSystem::Process& process, std::u16string_view commandLine,
                         const CommandLineLayout& where) {
  SetCommandLine(process, commandLine, where, platform::kOsLayout32);
  SetBasicInformation(process, 0x7FF7'0000'1000, platform::kOsLayout64);  // not mapped
  std::vector<std::byte> wow(8);
  putU64(wow, 0, where.peb);
  process.information[26] = std::move(wow);
}

void SetCommandLineSeenFrom32(FakeSystem::Process& process, std::u16string_view commandLine,
                              const CommandLineLayout& where) {
  SetCommandLine(process, commandLine, where, platform::kOsLayout64);
  process.information64[0] = process.information[0];
  SetBasicInformation(process, 0, platform::kOsLayout32);
  process.information[26] = std::vector<std::byte>(4);  // not a 32-bit process
}

namespace {

// A UNICODE_STRING answer with its characters (and a NUL) right after it.
void setStringAnswer(FakeSystem::Process& process, std::uint32_t infoClass, std::u16string_view text,
                     const OsLayout& layout) {
  const std::size_t header = layout.unicodeString.size;
  std::vector<std::byte> answer(header);
  putUnicodeString(answer, 0, static_cast<std::uint16_t>(text.size() * 2),
                   static_cast<std::uint16_t>(text.size() * 2 + 2), header, layout);  // characters follow
  auto bytes = Utf16Bytes(text, true);
  answer.insert(answer.end(), bytes.begin(), bytes.end());
  process.information[infoClass] = std::move(answer);
  process.informationPointers[infoClass] = {layout.unicodeString.buffer};
}

}  // namespace

void SetImageFileName(FakeSystem::Process& process, std::u16string_view name, const OsLayout& layout) {
  setStringAnswer(process, platform::kProcessImageFileName, name, layout);
}

void SetCommandLineInformation(FakeSystem::Process& process, std::u16string_view commandLine, const OsLayout& layout) {
  setStringAnswer(process, platform::kProcessCommandLineInformation, commandLine, layout);
}

void SetBreakOnTermination(FakeSystem::Process& process, std::uint32_t flag) {
  std::vector<std::byte> answer(4);
  putU32(answer, 0, flag);
  process.information[29] = std::move(answer);
}

void SetCreateTime(FakeSystem::Process& process, std::uint64_t createTime) {
  std::vector<std::byte> times(32);
  putU64(times, 0, createTime);
  process.information[4] = std::move(times);
}

}  // namespace ledra::fakes
