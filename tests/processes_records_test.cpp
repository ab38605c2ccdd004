// The NT and 9x process record lists, the fixed-point CPU time text and the number
// reading rule, on byte-exact records.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "common/byte_reader.h"
#include "common/number_text.h"
#include "common/text.h"
#include "fakes/fake_system.h"
#include "fakes/nt_records.h"
#include "platform/os_layout.h"
#include "processes/decimal_sign.h"
#include "processes/process_list_9x.h"
#include "processes/process_list_nt.h"
#include "soak.h"

namespace {

using namespace ledra;
using fakes::FakeSystem;
using fakes::NtProcessRecord;
using processes::GetProcessList9x;
using processes::GetProcessListNT;

std::vector<NtProcessRecord> threeProcesses() {
  return {
      {u"", 0, 0, 15000, 24576, 2},                                   // idle: 1.5 ms
      {u"System", 4, 20000, 0, 245760, 3},                            // 2 ms
      {u"explorer.exe", 1234, 123456789, 987654321, 0x80000000u, 1},  // 2 GiB working set
  };
}

// The walker runs every case in the layout of each pointer width.
class ProcessListNT : public testing::TestWithParam<std::size_t> {
 protected:
  const platform::OsLayout& layout() const { return platform::osLayoutFor(GetParam()); }
  FakeSystem machine() const { return FakeSystem(GetParam()); }
  fakes::RecordChain chainOf(const std::vector<NtProcessRecord>& records) const {
    return fakes::BuildProcessChain(records, layout());
  }
  std::size_t nameLength() const { return layout().processRecord.imageName + layout().unicodeString.length; }
  std::size_t nameBuffer() const { return layout().processRecord.imageName + layout().unicodeString.buffer; }
};

INSTANTIATE_TEST_SUITE_P(Layouts, ProcessListNT, testing::Values(4, 8),
                         [](const testing::TestParamInfo<std::size_t>& info) {
                           return "Bits" + std::to_string(info.param * 8);
                         });

TEST_P(ProcessListNT, GoldenRecordListWithIdleNameAndWorkingSetPast2GiB) {
  FakeSystem sys = machine();
  fakes::InstallProcesses(sys, threeProcesses());
  // SIZE_T is unsigned in either width: 2 GiB stays whole.
  const std::string big = "2147483648";
  EXPECT_EQ(GetProcessListNT(sys, processes::userDecimalSign(sys)),
            "Null|0|1.5|24576|System|4|2|245760|explorer.exe|1234|111111.111|" + big + "|111114.611");
  sys.decimalSeparator = ",";
  EXPECT_EQ(GetProcessListNT(sys, processes::userDecimalSign(sys)),
            "Null|0|1,5|24576|System|4|2|245760|explorer.exe|1234|111111,111|" + big + "|111114,611");
  // A separator that would break the record list falls back to ".".
  sys.decimalSeparator = "|";
  EXPECT_EQ(GetProcessListNT(sys, processes::userDecimalSign(sys)).substr(0, 10), "Null|0|1.5");
}

TEST(ProcessListNTWide, WorkingSetsPast2GiBShowWholeInEitherWidth) {
  FakeSystem sys(8);
  fakes::InstallProcesses(sys, {{u"big.exe", 8, 0, 0, 0x1234'5678'9000ull, 1}});
  EXPECT_EQ(GetProcessListNT(sys, processes::userDecimalSign(sys)), "big.exe|8|0|20015998341120|0");
  // 3 GiB in a 32-bit SIZE_T (a large-address-aware process, or any on 64-bit Windows).
  FakeSystem narrow(4);
  fakes::InstallProcesses(narrow, {{u"db.exe", 12, 0, 0, 0xC000'0000u, 1}});
  EXPECT_EQ(GetProcessListNT(narrow, processes::userDecimalSign(narrow)), "db.exe|12|0|3221225472|0");
}

TEST_P(ProcessListNT, OneRecordChainGivesOneGroupAndItsOwnTimeAsTotal) {
  FakeSystem sys = machine();
  fakes::InstallProcesses(sys, {{u"System", 4, 20000, 0, 4096, 0}});
  EXPECT_EQ(GetProcessListNT(sys, processes::userDecimalSign(sys)), "System|4|2|4096|2");
  // An id with the top bit set reads as a signed word, as the NT family writes it.
  fakes::InstallProcesses(sys, {{u"high.exe", 0x80000010u, 0, 0, 4096, 0}});
  EXPECT_EQ(GetProcessListNT(sys, processes::userDecimalSign(sys)), "high.exe|-2147483632|0|4096|0");
}

TEST_P(ProcessListNT, NamesAreUtf16CutAtNulAndUnreadableNamesAreEmpty) {
  FakeSystem sys = machine();
  auto chain = chainOf({{u"\u8BB0\u4E8B\u672C.exe", 8, 0, 0, 0, 1},
                        {std::u16string(u"ab\0cd", 5), 12, 0, 0, 0, 1},
                        {u"gone.exe", 16, 0, 0, 0, 1},
                        {u"neg.exe", 20, 0, 0, 0, 1},
                        {std::u16string(u"\u8BB0\0x.exe", 7), 24, 0, 0, 0, 1},
                        {u"\u0080x", 28, 0, 0, 0, 1}});
  // Third name points past the end; fourth has a negative Length.
  platform::putPointer(chain.bytes, chain.records[2] + nameBuffer(), chain.bytes.size(), layout());
  common::putU16(chain.bytes, chain.records[3] + nameLength(), 0x8002);
  fakes::InstallProcessChain(sys, chain);
  EXPECT_EQ(GetProcessListNT(sys, processes::userDecimalSign(sys)),
            "记事本.exe|8|0|0|ab|12|0|0||16|0|0||20|0|0|记|24|0|0|\xC2\x80x|28|0|0|0");
}

TEST_P(ProcessListNT, SizingAndFillFailures) {
  {  // the sizing call answering success is a failure
    FakeSystem sys = machine();
    sys.onSystemInformation = [](std::uint32_t, ledra::platform::Bytes, std::uint32_t*) { return 0; };
    EXPECT_EQ(GetProcessListNT(sys, processes::userDecimalSign(sys)), "-1");
  }
  {  // no length reported: 131072 bytes
    FakeSystem sys = machine();
    auto chain = chainOf({{u"System", 4, 20000, 0, 4096, 0}});
    std::vector<std::size_t> sizes;
    sys.onSystemInformation = [&](std::uint32_t cls, ledra::platform::Bytes buffer, std::uint32_t* length) {
      EXPECT_EQ(cls, 5u);
      sizes.push_back(buffer.size());
      if (buffer.empty()) {
        if (length) *length = 0;
        return platform::kStatusInfoLengthMismatch;
      }
      fakes::CopyChainInto(chain, buffer);
      return platform::kStatusSuccess;
    };
    EXPECT_EQ(GetProcessListNT(sys, processes::userDecimalSign(sys)), "System|4|2|4096|2");
    EXPECT_EQ(sizes, (std::vector<std::size_t>{0, 131072}));
  }
  {  // "buffer too small" once, then the fill succeeds: the list is read
    FakeSystem sys = machine();
    auto chain = chainOf({{u"System", 4, 20000, 0, 4096, 0}});
    int calls = 0;
    sys.onSystemInformation = [&](std::uint32_t, ledra::platform::Bytes buffer, std::uint32_t* length) {
      ++calls;
      if (length) *length = 4096;
      if (calls == 1) return platform::kStatusInfoLengthMismatch;
      if (calls == 2) return platform::kStatusBufferTooSmall;
      fakes::CopyChainInto(chain, buffer);
      return platform::kStatusSuccess;
    };
    EXPECT_EQ(GetProcessListNT(sys, processes::userDecimalSign(sys)), "System|4|2|4096|2");
    EXPECT_EQ(calls, 3);
  }
  {  // an error other than a length mismatch: no retry
    FakeSystem sys = machine();
    int calls = 0;
    sys.onSystemInformation = [&](std::uint32_t, ledra::platform::Bytes, std::uint32_t* length) {
      ++calls;
      if (length) *length = 4096;
      return calls == 1 ? platform::kStatusInfoLengthMismatch : platform::kStatusAccessDenied;
    };
    EXPECT_EQ(GetProcessListNT(sys, processes::userDecimalSign(sys)), "-1");
    EXPECT_EQ(calls, 2);
  }
}

TEST_P(ProcessListNT, ListGrowingBetweenQueriesIsRetriedWithTheLargerSize) {
  FakeSystem sys = machine();
  auto small = chainOf({{u"", 0, 0, 0, 0, 1}});
  auto grown = chainOf({{u"", 0, 0, 0, 0, 1}, {u"new.exe", 99, 10000, 0, 8192, 1}});
  std::vector<std::size_t> sizes;
  sys.onSystemInformation = [&](std::uint32_t, ledra::platform::Bytes buffer, std::uint32_t* length) {
    sizes.push_back(buffer.size());
    const auto& now = sizes.size() == 1 ? small : grown;  // grows right after the sizing call
    if (length) *length = static_cast<std::uint32_t>(now.bytes.size());
    if (buffer.size() < now.bytes.size()) return platform::kStatusInfoLengthMismatch;
    fakes::CopyChainInto(now, buffer);
    return platform::kStatusSuccess;
  };
  EXPECT_EQ(GetProcessListNT(sys, processes::userDecimalSign(sys)), "Null|0|0|0|new.exe|99|1|8192|1");
  ASSERT_EQ(sizes.size(), 3u);
  EXPECT_EQ(sizes[1], small.bytes.size());
  EXPECT_GT(sizes[2], grown.bytes.size());  // with headroom

  // Busier still: it outgrows each of three fills, and the fourth reads it.
  sizes.clear();
  sys.onSystemInformation = [&](std::uint32_t, ledra::platform::Bytes buffer, std::uint32_t* length) {
    sizes.push_back(buffer.size());
    if (sizes.size() <= 4) {  // the sizing call and three fills
      if (length) *length = static_cast<std::uint32_t>(buffer.size() + 65536);
      return platform::kStatusInfoLengthMismatch;
    }
    fakes::CopyChainInto(grown, buffer);
    return platform::kStatusSuccess;
  };
  EXPECT_EQ(GetProcessListNT(sys, processes::userDecimalSign(sys)), "Null|0|0|0|new.exe|99|1|8192|1");
  EXPECT_EQ(sizes.size(), 5u);
}

TEST_P(ProcessListNT, ListThatKeepsGrowingGivesUpAfterAFewAttempts) {
  FakeSystem sys = machine();
  int calls = 0;
  std::uint32_t reported = 1000;
  sys.onSystemInformation = [&](std::uint32_t, ledra::platform::Bytes, std::uint32_t* length) {
    ++calls;
    reported *= 4;
    if (length) *length = reported;
    return platform::kStatusInfoLengthMismatch;
  };
  EXPECT_EQ(GetProcessListNT(sys, processes::userDecimalSign(sys)), "-1");
  EXPECT_GE(calls, 3);
  EXPECT_LE(calls, 6);
}

TEST_P(ProcessListNT, TruncatedOrLyingChainsEndTheWalk) {
  auto records =
      std::vector<NtProcessRecord>{{u"a", 1, 10000, 0, 0, 1}, {u"b", 2, 10000, 0, 0, 1}, {u"c", 3, 10000, 0, 0, 1}};
  {  // second record points past the end of the buffer
    FakeSystem sys = machine();
    auto chain = chainOf(records);
    common::putU32(chain.bytes, chain.records[1] + 0, 0x7FFFFFF0u);
    fakes::InstallProcessChain(sys, chain);
    EXPECT_EQ(GetProcessListNT(sys, processes::userDecimalSign(sys)), "a|1|1|0|b|2|1|0|2");
  }
  // A buffer cut inside the last record, early or one byte short: that record is not read.
  for (std::size_t cut : {std::size_t{100}, layout().processRecord.size - 4, layout().processRecord.size - 1}) {
    FakeSystem sys = machine();
    auto chain = chainOf(records);
    chain.bytes.resize(chain.records[2] + cut);
    fakes::InstallProcessChain(sys, chain);
    EXPECT_EQ(GetProcessListNT(sys, processes::userDecimalSign(sys)), "a|1|1|0|b|2|1|0|2") << cut;
  }
  {  // offsets that would run backwards on 32 bits, or into the record itself
    FakeSystem sys = machine();
    auto chain = chainOf(records);
    common::putU32(chain.bytes, chain.records[0] + 0, 0xFFFFFF00u);
    fakes::InstallProcessChain(sys, chain);
    EXPECT_EQ(GetProcessListNT(sys, processes::userDecimalSign(sys)), "a|1|1|0|1");
    common::putU32(chain.bytes, chain.records[0] + 0, 8);
    fakes::InstallProcessChain(sys, chain);
    EXPECT_EQ(GetProcessListNT(sys, processes::userDecimalSign(sys)), "a|1|1|0|1");
  }
}

// ---- 9x ----------------------------------------------------------------------------------

// A snapshot whose walk never ends: every next entry is the last one again (up to a
// stop of its own, so a walk without a bound fails instead of hanging).
struct EndlessSnapshot : FakeSystem {
  std::size_t nexts = 0;
  bool process32Next(platform::Handle snapshot, platform::Bytes entry) override {
    if (++nexts > (1u << 17)) return false;
    FakeSystem::process32Next(snapshot, entry);
    return true;
  }
};

TEST(ProcessList9x, GoldenListWithNegativeIdAndOrderOfCalls) {
  FakeSystem sys;
  sys.toolhelpEntries = {fakes::ProcessEntry32(0, "[System Process]"),
                         fakes::ProcessEntry32(0xFFFFFFFFu, "C:\\WINDOWS\\EXPLORER.EXE"),
                         fakes::ProcessEntry32(0xFFFB0001u, "C:\\WINDOWS\\SYSTEM\\MPREXE.EXE")};
  EXPECT_EQ(GetProcessList9x(sys),
            "0|[System Process]|-1|C:\\WINDOWS\\EXPLORER.EXE|-327679|C:\\WINDOWS\\SYSTEM\\MPREXE.EXE|");
  EXPECT_EQ(sys.calls, (std::vector<std::string>{"createToolhelp32Snapshot", "process32First", "process32Next",
                                                 "process32Next", "process32Next", "closeHandle"}));
  EXPECT_EQ(sys.snapshotFlags, std::vector<std::uint32_t>{0x2});  // TH32CS_SNAPPROCESS alone, no heap lists
  EXPECT_TRUE(sys.openHandles.empty());
  EXPECT_EQ(GetProcessList9x(sys), GetProcessList9x(sys));  // same processes, same text

  std::string twenty;
  sys.toolhelpEntries.clear();
  for (std::uint32_t pid = 1; pid <= 20; ++pid) {
    sys.toolhelpEntries.push_back(fakes::ProcessEntry32(pid, "P" + std::to_string(pid) + ".EXE"));
    twenty += std::to_string(pid) + "|P" + std::to_string(pid) + ".EXE|";
  }
  EXPECT_EQ(GetProcessList9x(sys), twenty);
}

TEST(ProcessList9x, FailuresGiveTheEmptyTextAndCloseTheSnapshot) {
  FakeSystem sys;
  sys.snapshotFails = true;
  EXPECT_EQ(GetProcessList9x(sys), "");
  sys.snapshotFails = false;  // empty snapshot: the first entry cannot be read
  EXPECT_EQ(GetProcessList9x(sys), "");
  EXPECT_EQ(sys.count("closeHandle"), 1u);
  EXPECT_TRUE(sys.openHandles.empty());
  // A name that fills its whole field without a NUL is read to the field's end.
  auto entry = fakes::ProcessEntry32(7, "");
  for (std::size_t i = 36; i < 296; ++i) entry[i] = std::byte{'x'};
  sys.toolhelpEntries = {entry};
  EXPECT_EQ(GetProcessList9x(sys), "7|" + std::string(260, 'x') + "|");
  // A reused entry buffer keeps a longer earlier name behind the NUL: only the name counts.
  entry = fakes::ProcessEntry32(8, "A.EXE");
  const std::string_view stale = "LORER.EXE";
  for (std::size_t i = 0; i < stale.size(); ++i)
    entry[platform::kProcessEntry32.exeFile + 6 + i] = static_cast<std::byte>(stale[i]);
  sys.toolhelpEntries = {entry};
  EXPECT_EQ(GetProcessList9x(sys), "8|A.EXE|");

  // A snapshot that never ends is believed up to 65536 entries.
  EndlessSnapshot endless;
  endless.toolhelpEntries = {fakes::ProcessEntry32(5, "A.EXE")};
  const std::string list = GetProcessList9x(endless);
  EXPECT_EQ(std::count(list.begin(), list.end(), '|'), 2 * 65536);
  EXPECT_TRUE(endless.openHandles.empty());
}

// ---- fixed-point CPU time ------------------------------------------------------------------

TEST(CpuTimeText, WrittenWithAndWithoutFractionUnderBothSeparators) {
  EXPECT_EQ(common::fixedPointText(15000, "."), "1.5");
  EXPECT_EQ(common::fixedPointText(15000, ","), "1,5");
  EXPECT_EQ(common::fixedPointText(20000, ","), "2");
  EXPECT_EQ(common::fixedPointText(0, "."), "0");
  EXPECT_EQ(common::fixedPointText(1, "."), "0.0001");
  EXPECT_EQ(common::fixedPointText(-15000, "."), "-1.5");
  EXPECT_EQ(common::fixedPointText(123450, "."), "12.345");
  EXPECT_EQ(common::fixedPointText(INT64_MIN, "."), "-922337203685477.5808");
  EXPECT_EQ(common::fixedPointText(INT64_MAX, ","), "922337203685477,5807");
}

TEST(CpuTimeText, ReadBackExactlyInTheSameConvention) {
  EXPECT_EQ(common::parseFixedPoint("1.5", "."), 15000);
  EXPECT_EQ(common::parseFixedPoint("1,5", ","), 15000);
  EXPECT_EQ(common::parseFixedPoint("-1", "."), -10000);
  EXPECT_EQ(common::parseFixedPoint("922337203685477.5807", "."), INT64_MAX);
  EXPECT_EQ(common::parseFixedPoint("-922337203685477.5808", "."), INT64_MIN);
  EXPECT_EQ(common::parseFixedPoint("922337203685477.5808", "."), std::nullopt);
  EXPECT_EQ(common::parseFixedPoint("0.00005", "."), 0);  // halves to even
  EXPECT_EQ(common::parseFixedPoint("0.00015", "."), 2);
  EXPECT_EQ(common::parseFixedPoint("0.000051", "."), 1);
  for (const char* bad : {"", "-", "1.5.2", "1,5", "abc", "1 ", ".", "1e3"})
    EXPECT_EQ(common::parseFixedPoint(bad, "."), std::nullopt) << bad;
}

TEST(FormatCpuTime, HoursMinutesSecondsWithoutASecondDivision) {
  constexpr std::int64_t second = 10'000'000;  // in 100 ns units
  EXPECT_EQ(common::cpuTimeText(0), "00:00:00");
  EXPECT_EQ(common::cpuTimeText(3725 * second), "01:02:05");
  EXPECT_EQ(common::cpuTimeText(9 * second), "00:00:09");
  EXPECT_EQ(common::cpuTimeText(32949 * second), "09:09:09");
  EXPECT_EQ(common::cpuTimeText(595 * second / 10), "00:01:00");  // 59.5 s rounds to even: 60
  EXPECT_EQ(common::cpuTimeText(585 * second / 10), "00:00:58");  // 58.5 s: 58
  EXPECT_EQ(common::cpuTimeText(594999500), "00:01:00");          // 59.49995 s: 59.5 first, then 60
  EXPECT_EQ(common::cpuTimeText(219659 * second), "61:00:59");    // either side of 61 h 1 min
  EXPECT_EQ(common::cpuTimeText(219661 * second), "61:01:01");
  EXPECT_EQ(common::cpuTimeText(360000 * second), "100:00:00");
  EXPECT_EQ(common::cpuTimeText(10000), "00:00:00");  // 1 ms
}

// ---- text -----------------------------------------------------------------------------------

TEST(Text, Utf8AndUtf16MeetAtEveryEncodingBoundary) {
  const std::u16string lone{char16_t(0xD800)}, trailing{char16_t(0xDC00), u'a'};
  const struct {
    std::u16string wide;
    std::string narrow;
  } cases[] = {
      {u"\u007F", "\x7F"},
      {u"\u0080", "\xC2\x80"},
      {u"\u07FF", "\xDF\xBF"},
      {u"\u0800", "\xE0\xA0\x80"},
      {u"\uFFFF", "\xEF\xBF\xBF"},
      {u"\U00010000", "\xF0\x90\x80\x80"},
      {u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(common::utf16ToUtf8(c.wide), c.narrow) << c.narrow;
    EXPECT_EQ(common::utf8ToUtf16(c.narrow), c.wide) << c.narrow;
  }
  // Invalid UTF-8, one U+FFFD per byte that starts no character; nothing is read past
  // the view, nothing decodes to a surrogate or to a character spelt the long way.
  const std::string_view cut("\xE4\xB8\x80", 2);  // the view ends inside the sequence
  const struct {
    std::string_view narrow;
    std::u16string wide;
  } invalid[] = {
      {cut, u"\uFFFD\uFFFD"},
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // U+D800
      {"\xC0\x80", u"\uFFFD\uFFFD"},                      // U+0000
      {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // '/'
      {"\xC1\xBF", u"\uFFFD\uFFFD"},                      // U+007F
      {"\xE0\x9F\xBF", u"\uFFFD\uFFFD\uFFFD"},            // U+07FF
      {"\xF0\x8B\x80\x8B", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // U+B00B
      {"\xF0\x8F\xBF\xBF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // U+FFFF
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
  };
  for (std::size_t i = 0; i < std::size(invalid); ++i)
    EXPECT_EQ(common::utf8ToUtf16(invalid[i].narrow), invalid[i].wide) << "case " << i;
  EXPECT_EQ(common::utf16ToUtf8(lone), "\xEF\xBF\xBD");  // unpaired surrogates
  EXPECT_EQ(common::utf16ToUtf8(trailing),
            "\xEF\xBF\xBD"
            "a");
  EXPECT_EQ(common::findNoCase("xAz", "aZ"), 1u);  // both ends of the letters
}

// ---- number reading -------------------------------------------------------------------------

TEST(NumberReading, DecimalHexadecimalBlanksAndNoNumber) {
  EXPECT_EQ(common::readLeadingNumber("1234"), 1234);
  EXPECT_EQ(common::readLeadingNumber(" \t\n42abc"), 42);
  EXPECT_EQ(common::readLeadingNumber("&H4D2"), 1234);
  EXPECT_EQ(common::readLeadingNumber("&hff"), 255);
  EXPECT_EQ(common::readLeadingNumber("&HFFFFFFFF"), -1);
  EXPECT_EQ(common::readLeadingNumber("&H80000000"), -2147483648.0);
  EXPECT_EQ(common::readLeadingNumber("&H7FFFFFFF"), 2147483647);
  EXPECT_EQ(common::readLeadingNumber("&H1FFFFFFFF"), 0);
  EXPECT_EQ(common::readLeadingNumber("&Hxyz"), 0);
  EXPECT_EQ(common::readLeadingNumber("-12.5x"), -12.5);
  EXPECT_EQ(common::readLeadingNumber("+.5"), 0.5);
  EXPECT_EQ(common::readLeadingNumber(" 1 2"), 1);
  EXPECT_EQ(common::readLeadingNumber(""), 0);
  EXPECT_EQ(common::readLeadingNumber("PID"), 0);
  EXPECT_EQ(common::readLeadingNumber("-"), 0);
}

TEST(NumberReading, StrictLocaleConversionAndRounding) {
  EXPECT_EQ(common::parseDecimal("1,5", ","), 1.5);
  EXPECT_EQ(common::parseDecimal("-7", "."), -7);
  EXPECT_EQ(common::parseDecimal("1.5", ","), std::nullopt);
  EXPECT_EQ(common::parseDecimal("", "."), std::nullopt);
  EXPECT_EQ(common::parseDecimal("12a", "."), std::nullopt);
  EXPECT_EQ(common::toInt32(2.5), 2);
  EXPECT_EQ(common::toInt32(3.5), 4);
  EXPECT_EQ(common::toInt32(-2147483648.0), INT32_MIN);
  EXPECT_EQ(common::toInt32(2147483647.4), INT32_MAX);
  EXPECT_EQ(common::toInt32(2147483647.5), std::nullopt);
  EXPECT_EQ(common::shortestText(1.5, ","), "1,5");
  EXPECT_EQ(common::shortestText(240, "."), "240");
  EXPECT_EQ(common::shortestText(-2097152, "."), "-2097152");
}

// Ledra writes and reads doubles with its own integer arithmetic; the library's
// conversions, which the program does not link, are the reference here: the same text
// and the same double, bit for bit, over edges and random doubles of every magnitude,
// the exact halfway points between neighbours (where reading must round to even) and
// texts of hundreds of digits.
TEST(NumberReading, SameTextsAndDoublesAsTheLibrary) {
  const auto library = [](double d, std::chars_format format, int precision) {
    char buffer[1200];
    const auto r = precision < 0 ? std::to_chars(buffer, buffer + sizeof buffer, d, format)
                                 : std::to_chars(buffer, buffer + sizeof buffer, d, format, precision);
    std::string text(buffer, r.ptr);
    std::replace(text.begin(), text.end(), 'e', 'E');
    return text;
  };
  const auto libraryRead = [](const std::string& text) -> std::optional<double> {
    double d = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), d);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
    return d;
  };
  // no double read is the one NaN no reader makes
  const auto bits = [](std::optional<double> d) { return d ? std::bit_cast<std::uint64_t>(*d) : ~std::uint64_t{0}; };

  std::vector<double> values = {0.0,
                                0.1,
                                2.675,
                                0.1 + 0.2,
                                1e15 + 5,
                                1e15 + 15,
                                1e23,
                                1e300,
                                9007199254740993.0,
                                1000000003.0 / 1024,
                                5e-324,
                                2.2250738585072009e-308,
                                1.7976931348623157e308,
                                1e-5};
  for (int e = -1074; e <= 1023; e += 9) values.push_back(std::ldexp(1.0, e));  // the asymmetric steps
  std::mt19937_64 random(27);
  for (int i = 0; i < std::max(2000, test::Rounds(100000)); ++i) {
    const double any = std::bit_cast<double>(random());
    if (std::isfinite(any)) values.push_back(std::fabs(any));
    values.push_back(static_cast<double>(random() >> (11 + random() % 40)) / 1024);  // kilobytes
    values.push_back(static_cast<double>(random() % 100000000) / std::pow(10.0, static_cast<int>(random() % 12)));
  }
  for (const double d : values) {
    for (const double v : {d, -d}) {
      ASSERT_EQ(common::shortestText(v, "."), library(v, std::chars_format::fixed, -1));
      const std::string g = library(v == 0 ? 0.0 : v, std::chars_format::general, 15);
      ASSERT_EQ(common::significantText(v, "."), g);
      ASSERT_EQ(bits(common::parseSignificant(g, ".")), bits(libraryRead(g))) << g;
    }
    // The halfway point to the next double up, exact in a long double, and just past it.
    if (d == std::numeric_limits<double>::max()) continue;
    char buffer[1200];
    std::snprintf(buffer, sizeof buffer, "%.1100Lf", (static_cast<long double>(d) + std::nextafter(d, INFINITY)) / 2);
    std::string half = buffer;
    half.erase(half.find_last_not_of('0') + 1);
    for (const std::string& text : {half, half + "1", library(d, std::chars_format::fixed, -1)}) {
      const std::string plain = text.back() == '.' ? text + "0" : text;
      ASSERT_EQ(bits(common::parseDecimal(text, ".")), bits(libraryRead(plain))) << text;
      ASSERT_EQ(bits(common::readLeadingNumber(text + "x")), bits(libraryRead(plain).value_or(0.0))) << text;
    }
  }
  for (const std::string text : {"1e", "-1.5E-07", "+1", "inf", "-Infinity", "nan(x_1)", "1e400", "2e-324", "3e-324",
                                 "0e99999999999", ".5", "1.", "0x1"})
    EXPECT_EQ(bits(common::parseSignificant(text, ".")), bits(libraryRead(text))) << text;
  EXPECT_EQ(common::parseDecimal("1" + std::string(400, '0'), "."), std::nullopt);         // beyond a double
  EXPECT_EQ(common::parseDecimal("0." + std::string(400, '0') + "1", "."), std::nullopt);  // rounds to zero
}

}  // namespace
