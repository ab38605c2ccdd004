// Writes the seed corpora of the fuzz targets from the fakes' record builders:
//   build/fuzz/tests/fuzz/fuzz_make_seeds tests/fuzz/corpus
// Each seed is a well-formed input the target reads as a real machine would answer, so
// the fuzzer starts from records that reach every branch and mutates from there.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "common/byte_reader.h"
#include "common/text.h"
#include "fakes/fake_system.h"
#include "fakes/nt_records.h"
#include "fuzz_support.h"
#include "processes/process_details.h"

using namespace ledra;
using fakes::FakeSystem;
using fakes::NtProcessRecord;
using Seed = std::vector<std::uint8_t>;

namespace {

// Where the seeds go, and how many were written.
struct Corpus {
  std::filesystem::path root;
  int written = 0;
  void write(const std::string& target, const std::string& name, const Seed& seed) {
    const auto dir = root / target;
    std::filesystem::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(seed.data()), static_cast<std::streamsize>(seed.size()));
    ++written;
  }
};

void append(Seed& seed, std::span<const std::byte> bytes) {
  for (std::byte b : bytes) seed.push_back(static_cast<std::uint8_t>(b));
}
void appendU64(Seed& seed, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) seed.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void appendU32(Seed& seed, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) seed.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::vector<NtProcessRecord> sampleRecords() {
  return {NtProcessRecord(u"", 0, 0, 90'000'000, 0, 1), NtProcessRecord(u"System", 4, 0, 5'000'000, 245760, 2),
          NtProcessRecord(u"explorer.exe", 1500, 123456, 65432, 0x80000000u, 1),
          NtProcessRecord(u"\u8BB0\u4E8B\u672C.exe", 2000, 10, 10, 8192, 1)};
}

void chainSeeds(Corpus& corpus) {
  const struct {
    const char* name;
    std::uint8_t flags;
    std::vector<NtProcessRecord> records;
  } seeds[] = {
      {"records-32", 2, sampleRecords()},
      {"records-64", 3, sampleRecords()},
      {"records-32-comma", 2 | 4, sampleRecords()},
      {"raw-addresses-64", 1, sampleRecords()},
      {"one-record-64-arabic-sign", 3 | 12, {NtProcessRecord(u"a|b.exe", 8, 15000, 5, 4096, 0)}},
  };
  for (const auto& s : seeds) {
    const auto chain = fakes::BuildProcessChain(s.records, platform::osLayoutFor(s.flags & 1 ? 8 : 4));
    Seed seed{s.flags};
    append(seed, chain.bytes);
    corpus.write("process_chain", s.name, seed);
  }
}

// The process's memory regions without their zero tails: the seeds stay small, and the
// reads the builders' layouts need still land inside them (checked below).
fakes::FakeSystem::Process trimmed(fakes::FakeSystem::Process p) {
  for (auto& [address, bytes] : p.memory) {
    std::size_t keep = bytes.size();
    while (keep > 0 && bytes[keep - 1] == std::byte{0}) --keep;
    bytes.resize(std::max<std::size_t>((keep + 7) & ~std::size_t{7}, 8));
  }
  return p;
}

void detailsSeed(Corpus& corpus, const char* name, const fakes::FakeSystem::Process& built, std::uint8_t flags) {
  const Seed seed = fuzz::encodeProcess(trimmed(built), flags);
  // The seed must read back as the process the builder made.
  FakeSystem original, decoded;
  fuzz::decodeProcess(fuzz::encodeProcess(built, flags), original);
  fuzz::decodeProcess(seed, decoded);
  const auto pid = static_cast<std::int32_t>(fuzz::kPid);
  if (processes::GetProcessImagePath(original, pid) != processes::GetProcessImagePath(decoded, pid) ||
      processes::GetProcessCommandLine(original, pid) != processes::GetProcessCommandLine(decoded, pid)) {
    std::fprintf(stderr, "seed %s does not read as the process it was made from\n", name);
    std::exit(1);
  }
  corpus.write("process_details", name, seed);
}

void detailsSeeds(Corpus& corpus) {
  using fuzz::flag::kDosDevices;
  using fuzz::flag::kNtWow64;
  using fuzz::flag::kWide;
  {
    FakeSystem::Process p;
    p.pid = fuzz::kPid;
    fakes::SetCommandLine(p, u"\"C:\\Program Files\\app.exe\" -x");
    detailsSeed(corpus, "command-line-32", p, 0);
  }
  {
    // Longer than the reader's stack buffer: the other branch.
    FakeSystem::Process p;
    fakes::SetCommandLine(p, u"C:\\long.exe " + std::u16string(700, u'x'));
    detailsSeed(corpus, "command-line-long-32", p, 0);
  }
  {
    FakeSystem::Process p;
    fakes::SetCommandLine(p, u"notepad \u8BB0\u4E8B.txt", fakes::HighAddresses(), platform::kOsLayout64);
    detailsSeed(corpus, "command-line-64", p, kWide);
  }
  {
    FakeSystem::Process p;
    fakes::SetWow64CommandLine(p, u"C:\\wow\\tool.EXE /q");
    detailsSeed(corpus, "wow64-from-64", p, kWide);
  }
  {
    FakeSystem::Process p;
    fakes::SetCommandLineSeenFrom32(p, u"C:\\x64\\big.exe");
    detailsSeed(corpus, "64-bit-target-from-32", p, kNtWow64);
  }
  {
    FakeSystem::Process p;
    fakes::SetImageFileName(p, u"\\Device\\HarddiskVolume1\\Windows\\explorer.exe");
    fakes::SetCommandLine(p, u"explorer");
    detailsSeed(corpus, "image-name-device-32", p, kDosDevices);
  }
  {
    FakeSystem::Process p;
    fakes::SetImageFileName(p, u"\\??\\D:\\x.exe", platform::kOsLayout64);
    detailsSeed(corpus, "image-name-dos-64", p, kWide | kDosDevices);
  }
  {
    FakeSystem::Process p;
    p.modules = {0x400000, 0x7C800000};
    p.moduleFileNames[0x400000] = "C:\\mod\\main.exe";
    detailsSeed(corpus, "module-32", p, 0);
  }
  {
    // Everything in one low region, the text's address at the top of the address space:
    // a read there must not wrap around to the region's start.
    FakeSystem::Process p;
    constexpr const platform::OsLayout& wide = platform::kOsLayout64;
    fakes::SetBasicInformation(p, 8, wide);
    std::vector<std::byte> low(0x100);
    platform::putPointer(low, wide.pebProcessParameters, 8, wide);
    common::putU16(low, wide.parametersCommandLine + wide.unicodeString.length, 16);
    platform::putPointer(low, wide.parametersCommandLine + wide.unicodeString.buffer, ~std::uint64_t{3}, wide);
    p.memory[8] = std::move(low);
    detailsSeed(corpus, "read-wrapping-the-address-space-64", p, kWide);
  }
  {
    // Once a finding: a name cut in bytes instead of characters.
    FakeSystem::Process p;
    p.modules = {0x400000};
    for (int i = 0; i < 300; ++i) p.moduleFileNames[0x400000] += "\u8BB0";
    detailsSeed(corpus, "module-name-past-260-characters", p, 0);
  }
}

void toolhelpSeeds(Corpus& corpus) {
  Seed seed{0};
  for (const auto& [pid, name] : std::vector<std::pair<std::uint32_t, std::string>>{
           {0, "[System Process]"}, {0xFFFB1A2Fu, "C:\\WINDOWS\\EXPLORER.EXE"}, {77, std::string(259, 'n')}})
    append(seed, fakes::ProcessEntry32(pid, name));
  corpus.write("toolhelp_9x", "three-entries", seed);
  corpus.write("toolhelp_9x", "snapshot-fails", Seed{1});
}

void performanceSeeds(Corpus& corpus) {
  const FakeSystem::MemoryFigures figures{536870912, 209715200, 1342177280, 858993664, 2147352576, 2040528896};
  const FakeSystem::MemoryFigures large{0x2'0000'0000, 0x1'8000'0000,   0x4'0000'0000,
                                        0x3'0000'0000, 0x7FF'FFFE'0000, 0x7FF'0000'0000};
  for (const std::uint8_t flags :
       {std::uint8_t{2 | 4}, std::uint8_t{1 | 2 | 4 | 16}, std::uint8_t{8}, std::uint8_t{1 | 2 | 32}}) {
    FakeSystem system(flags & 1 ? 8 : 4);
    system.setMemoryStatusEx(flags & 1 ? large : figures);
    system.setMemoryStatus(figures);
    Seed seed{flags};
    append(seed, *system.memoryStatusEx);
    append(seed, system.memoryStatus);
    appendU32(seed, 37);
    // A second of 25 % use on two processors, then one that fails, then no processors.
    const std::int64_t idle = 52'000'000'000'000, now = 134'100'000'000'000'000;
    for (const auto& [processors, dIdle, dTime, failing] :
         std::vector<std::tuple<std::uint8_t, std::int64_t, std::int64_t, std::uint8_t>>{
             {2, 0, 0, 0}, {2, 15'000'000, 10'000'000, 0}, {2, 30'000'000, 20'000'000, 4}, {0, 0, 30'000'000, 0}}) {
      seed.push_back(processors);
      appendU64(seed, static_cast<std::uint64_t>(idle + dIdle));
      appendU64(seed, static_cast<std::uint64_t>(now + dTime));
      seed.push_back(failing);
    }
    corpus.write("performance", "flags-" + std::to_string(flags), seed);
  }
}

void numberSeeds(Corpus& corpus) {
  const struct {
    const char* name;
    std::uint8_t sign;
    std::int64_t number;
    double real;
    std::uint8_t decimals;
    std::string text;
  } seeds[] = {
      {"cpu-time", 0, 219659 * 10'000'000ll, 2.675, 2, "1.5"},
      {"comma", 1, -15000, 1310720.5, 1, "-12,5"},
      {"hexadecimal", 0, INT64_MIN, -0.0, 0, "&H7FFFFFFF"},
      {"blanks", 2, INT64_MAX, 1e300, 15, " \t\n42abc|x|"},
      {"many-fraction-digits", 3, 5, 8.58 * 1048576, 2,
       "0\xD9\xAB"
       "123456789"},
  };
  for (const auto& s : seeds) {
    Seed seed{s.sign};
    appendU64(seed, static_cast<std::uint64_t>(s.number));
    std::uint64_t bits;
    std::memcpy(&bits, &s.real, sizeof bits);
    appendU64(seed, bits);
    seed.push_back(s.decimals);
    seed.insert(seed.end(), s.text.begin(), s.text.end());
    corpus.write("number_text", s.name, seed);
  }
}

void textSeeds(Corpus& corpus) {
  for (const auto& [name, text] : std::vector<std::pair<std::string, std::u16string>>{
           {"utf16-name", u"\u8BB0\u4E8B\u672C.exe"},
           {"utf16-surrogates", std::u16string(u"a\U0001F600b") + char16_t(0xD800) + u"c"},
           {"utf16-ascii-command-line", u"\"C:\\Program Files\\app.exe\" -x"}}) {
    const auto bytes = fakes::Utf16Bytes(text, false);
    Seed seed;
    append(seed, bytes);
    corpus.write("utf_text", name, seed);
  }
  for (const auto& [name, text] : std::vector<std::pair<std::string, std::string>>{
           {"utf8-boundaries", "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
           {"utf8-command-line", "notepad.EXE \xE8\xAE\xB0.txt"},
           {"utf8-overlong", "\xF0\x8B\x80\x8B\xC0\xAF\xE0\x80\xA2"}}) {  // once a finding
    corpus.write("utf_text", name, Seed(text.begin(), text.end()));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS-DIRECTORY\n", argv[0]);
    return 2;
  }
  Corpus corpus{argv[1]};
  chainSeeds(corpus);
  detailsSeeds(corpus);
  toolhelpSeeds(corpus);
  performanceSeeds(corpus);
  numberSeeds(corpus);
  textSeeds(corpus);
  std::printf("%d seeds written under %s\n", corpus.written, corpus.root.c_str());
  return 0;
}
