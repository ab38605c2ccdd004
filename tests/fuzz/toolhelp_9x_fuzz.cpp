// The 9x process list over fuzzed PROCESSENTRY32 records. Must hold: one "id|name|"
// group per entry, in order, the id the signed field, the name the field's bytes up to
// its NUL and never past its 260 bytes; the snapshot is closed.
#include <cstdint>
#include <string>

#include "common/byte_reader.h"
#include "fakes/fake_system.h"
#include "fuzz_support.h"
#include "platform/os_layout.h"
#include "processes/process_list_9x.h"

using namespace ledra;

// Input: a flags byte (bit 0: the snapshot fails), then the entries, 296 bytes each; a
// short last one is padded with zeros.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr const platform::ProcessEntry32Layout& entry = platform::kProcessEntry32;
  fuzz::Cursor in({data, size});
  fakes::FakeSystem system;
  system.platformId = 1;  // the 9x family
  system.snapshotFails = (in.u8() & 1) != 0;
  while (!in.empty()) {
    auto bytes = in.bytes(entry.size);
    bytes.resize(entry.size);
    system.toolhelpEntries.push_back(std::move(bytes));
  }

  const std::string list = processes::GetProcessList9x(system);
  fuzz::check(system.openHandles.empty(), "the snapshot is closed");
  // The first entry is only answered when the caller's size field is right, and the fake
  // lays it over the caller's, so every entry is read as it stands.
  std::string expected;
  if (!system.snapshotFails) {
    for (const auto& bytes : system.toolhelpEntries) {
      const common::ByteReader reader(bytes);
      expected += std::to_string(*reader.i32(entry.processId)) + "|";
      for (std::size_t i = entry.exeFile; i < entry.exeFile + entry.exeFileCapacity && bytes[i] != std::byte{0}; ++i)
        expected.push_back(static_cast<char>(bytes[i]));
      expected += "|";
    }
  }
  fuzz::check(list == expected, "one id|name| group per entry, the name cut at its NUL", list);
  return 0;
}
