// The NT process-record walker over a fuzzed SYSTEM_PROCESS_INFORMATION chain, in both
// pointer widths. Must hold: the text is valid UTF-8; it has one group per record the
// chain's rule reaches (a step of at least one whole record), each ending in that
// record's id, CPU time and working set, in order; the last field is the sum of the
// times; the creation times come one per record.
#include <cstdint>
#include <string>

#include "common/byte_reader.h"
#include "common/number_text.h"
#include "fakes/fake_system.h"
#include "fuzz_support.h"
#include "platform/os_layout.h"
#include "processes/process_list_nt.h"

using namespace ledra;

namespace {

constexpr std::string_view kSigns[] = {".", ",", "\xC2\xB7", "\xD9\xAB"};  // middle dot, Arabic decimal

struct Expected {
  std::vector<std::string> groupEnds;  // "|pid|time|workingSet|" per record
  std::vector<std::uint64_t> createTimes;
  std::uint64_t total = 0;
  std::vector<std::size_t> nameBuffers;  // where each record's name address is
};

// The chain as the OS lays it out, read independently of the walker.
Expected expect(const std::vector<std::byte>& chain, const platform::OsLayout& layout, std::string_view sign) {
  Expected e;
  const auto& at = layout.processRecord;
  const common::ByteReader reader(chain);
  std::size_t offset = 0;
  while (reader.has(offset, at.size)) {
    const std::uint64_t cpu = *reader.u64(offset + at.userTime) + *reader.u64(offset + at.kernelTime);
    e.total += cpu;
    e.createTimes.push_back(*reader.u64(offset + at.createTime));
    e.nameBuffers.push_back(offset + at.imageName + layout.unicodeString.buffer);
    std::string group = "|" + std::to_string(*reader.i32(offset + at.uniqueProcessId)) + "|" +
                        common::fixedPointText(static_cast<std::int64_t>(cpu), sign) + "|";
    group += layout.pointer == 8 ? std::to_string(*reader.u64(offset + at.workingSetSize))
                                 : std::to_string(*reader.u32(offset + at.workingSetSize));
    e.groupEnds.push_back(group + "|");
    const std::uint32_t next = *reader.u32(offset + at.nextEntryOffset);
    if (next == 0 || next < at.size) break;
    offset += next;
  }
  return e;
}

}  // namespace

// Input: a flags byte (bit 0: 64-bit layout; bit 1: name addresses point into the answer
// as the OS writes them, else they stay raw; bits 2-3: decimal sign), then the chain.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Cursor in({data, size});
  const std::uint8_t flags = in.u8();
  fakes::FakeSystem system(flags & 1 ? 8 : 4);
  const std::string_view sign = kSigns[(flags >> 2) & 3];
  auto chain = in.rest();
  const Expected e = expect(chain, system.layout(), sign);
  if (flags & 2) system.systemInformationPointers[5] = e.nameBuffers;
  system.systemInformation[5] = std::move(chain);

  std::vector<std::uint64_t> createTimes;
  const std::string list = processes::GetProcessListNT(system, sign, &createTimes);
  fuzz::check(fuzz::isValidUtf8(list), "the record list is valid UTF-8", list);
  if (e.groupEnds.empty()) {
    // An empty answer fills nothing; a short one holds no record.
    fuzz::check(list == "-1" || list == "0", "no record gives -1 or a zero total", list);
    return 0;
  }
  fuzz::check(createTimes == e.createTimes, "one creation time per record, in order");
  // The last group and the total close the list; a name may hold any text, so the
  // earlier groups are looked for in order before them.
  const std::string tail = e.groupEnds.back() + common::fixedPointText(static_cast<std::int64_t>(e.total), sign);
  fuzz::check(list.size() >= tail.size() && list.compare(list.size() - tail.size(), tail.size(), tail) == 0,
              "the list ends in the last record's group and the sum of the times", list);
  const std::string_view head(list.data(), list.size() - tail.size());
  std::size_t from = 0;
  for (std::size_t k = 0; k + 1 < e.groupEnds.size(); ++k) {
    const std::size_t found = head.find(e.groupEnds[k], from);
    fuzz::check(found != std::string_view::npos, "each record ends in its id, time and working set", list);
    from = found + e.groupEnds[k].size();
  }
  return 0;
}
