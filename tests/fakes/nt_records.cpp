#include "fakes/nt_records.h"

#include <algorithm>

#include "common/byte_reader.h"

namespace ledra::fakes {

using common::putU16;
using common::putU32;
using common::putU64;

std::vector<std::byte> Utf16Bytes(std::u16string_view text, bool withNul) {
  std::vector<std::byte> out((text.size() + (withNul ? 1 : 0)) * 2);
  for (std::size_t i = 0; i < text.size(); ++i) putU16(out, i * 2, static_cast<std::uint16_t>(text[i]));
  return out;
}

RecordChain BuildProcessChain(const std::vector<NtProcessRecord>& records) {
  RecordChain chain;
  auto& b = chain.bytes;
  for (std::size_t k = 0; k < records.size(); ++k) {
    const auto& r = records[k];
    const std::size_t at = b.size();
    const std::size_t nameAt = at + kProcessRecordSize + r.threads * kThreadRecordSize;
    const std::size_t nameBytes = r.name.empty() ? 0 : (r.name.size() + 1) * 2;
    const std::size_t end = (nameAt + nameBytes + 7) & ~std::size_t{7};
    b.resize(end);
    std::span<std::byte> rec(b.data() + at, kProcessRecordSize);
    putU32(rec, 4, r.threads);
    putU64(rec, 40, static_cast<std::uint64_t>(r.userTime));
    putU64(rec, 48, static_cast<std::uint64_t>(r.kernelTime));
    putU32(rec, 68, r.pid);
    putU32(rec, 104, r.workingSet);
    if (!r.name.empty()) {
      putU16(rec, 56, static_cast<std::uint16_t>(r.name.size() * 2));
      putU16(rec, 58, static_cast<std::uint16_t>(nameBytes));
      putU32(rec, 60, static_cast<std::uint32_t>(nameAt));
      chain.pointers.push_back(at + 60);
      auto text = Utf16Bytes(r.name, true);
      std::copy(text.begin(), text.end(), b.begin() + static_cast<std::ptrdiff_t>(nameAt));
    }
    if (k + 1 < records.size()) putU32(rec, 0, static_cast<std::uint32_t>(end - at));
    chain.records.push_back(at);
  }
  return chain;
}

void CopyChainInto(const RecordChain& chain, std::span<std::byte> buffer) {
  const std::size_t n = std::min(chain.bytes.size(), buffer.size());
  std::copy(chain.bytes.begin(), chain.bytes.begin() + static_cast<std::ptrdiff_t>(n), buffer.begin());
  const auto base = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(buffer.data()));
  for (auto at : chain.pointers) {
    auto stored = common::ByteReader(buffer).u32(at);
    if (stored) putU32(buffer, at, *stored + base);
  }
}

void InstallProcessChain(FakeSystem& system, const RecordChain& chain) {
  system.systemInformation[5] = chain.bytes;
  system.systemInformationPointers[5] = chain.pointers;
}

void InstallProcesses(FakeSystem& system, const std::vector<NtProcessRecord>& records) {
  InstallProcessChain(system, BuildProcessChain(records));
  for (const auto& r : records) {
    if (!r.commandLine) continue;
    auto& p = system.processes[r.pid];
    p.pid = r.pid;
    SetCommandLine(p, *r.commandLine);
  }
}

std::vector<std::byte> ProcessEntry32(std::uint32_t pid, std::string_view exeFile) {
  std::vector<std::byte> entry(296);
  putU32(entry, 0, 296);
  putU32(entry, 8, pid);
  for (std::size_t i = 0; i < exeFile.size() && i < 259; ++i) entry[36 + i] = static_cast<std::byte>(exeFile[i]);
  return entry;
}

void SetBasicInformation(FakeSystem::Process& process, std::uint32_t peb) {
  std::vector<std::byte> basic(24);
  putU32(basic, 4, peb);
  putU32(basic, 16, process.pid);
  process.information[0] = std::move(basic);
}

void SetCommandLine(FakeSystem::Process& process, std::u16string_view commandLine,
                    const CommandLineLayout& layout) {
  SetBasicInformation(process, layout.peb);
  std::vector<std::byte> peb(0x1000);
  putU32(peb, 16, layout.parameters);
  process.memory[layout.peb] = std::move(peb);

  std::vector<std::byte> parameters(0x400);
  const auto bytes = static_cast<std::uint16_t>(commandLine.size() * 2);
  putU16(parameters, 64, layout.length.value_or(bytes));
  putU16(parameters, 66, static_cast<std::uint16_t>(bytes + 2));
  putU32(parameters, 68, layout.text);
  process.memory[layout.parameters] = std::move(parameters);
  process.memory[layout.text] = Utf16Bytes(commandLine, true);
}

void SetImageFileName(FakeSystem::Process& process, std::u16string_view name) {
  std::vector<std::byte> answer(8);
  putU16(answer, 0, static_cast<std::uint16_t>(name.size() * 2));
  putU16(answer, 2, static_cast<std::uint16_t>(name.size() * 2 + 2));
  putU32(answer, 4, 8);  // the characters follow the header
  auto text = Utf16Bytes(name, true);
  answer.insert(answer.end(), text.begin(), text.end());
  process.information[27] = std::move(answer);
  process.informationPointers[27] = {4};
}

void SetBreakOnTermination(FakeSystem::Process& process, std::uint32_t flag) {
  std::vector<std::byte> answer(4);
  putU32(answer, 0, flag);
  process.information[29] = std::move(answer);
}

}  // namespace ledra::fakes
