// Image path and command line of another process, read from simulated process memory.
#include <gtest/gtest.h>

#include <set>

#include "fakes/fake_system.h"
#include "fakes/nt_records.h"
#include "platform/os_layout.h"
#include "processes/process_details.h"

namespace {

using namespace ledra;
using fakes::FakeSystem;
using processes::GetImageFileNameNT;
using processes::GetMainModulePath;
using processes::GetProcessCommandLine;
using processes::GetProcessImagePath;

FakeSystem::Process& addProcess(FakeSystem& sys, std::uint32_t pid) {
  auto& p = sys.processes[pid];
  p.pid = pid;
  return p;
}

// The readers run every case in the layout of each pointer width; the 64-bit machine
// keeps its structures above 4 GiB, so an address cut to 32 bits reads nothing.
class Layouts : public testing::TestWithParam<std::size_t> {
 protected:
  const platform::OsLayout& layout() const { return platform::osLayoutFor(GetParam()); }
  FakeSystem machine() const { return FakeSystem(GetParam()); }
  fakes::CommandLineLayout where() const {
    return GetParam() == 8 ? fakes::HighAddresses() : fakes::CommandLineLayout{};
  }
  void setCommandLine(FakeSystem::Process& p, std::u16string_view text) const {
    fakes::SetCommandLine(p, text, where(), layout());
  }
  void setCommandLine(FakeSystem::Process& p, std::u16string_view text, const fakes::CommandLineLayout& w) const {
    fakes::SetCommandLine(p, text, w, layout());
  }
  void setImageFileName(FakeSystem::Process& p, std::u16string_view name) const {
    fakes::SetImageFileName(p, name, layout());
  }
  // The main module where the program's build puts it: above 4 GiB for a 64-bit one.
  std::uint64_t exeModule() const { return GetParam() == 8 ? 0x7FF6'1000'0000ull : 0x400000u; }
};

std::string layoutName(const testing::TestParamInfo<std::size_t>& info) {
  return "Bits" + std::to_string(info.param * 8);
}

class CommandLine : public Layouts {};
class ImageFileName : public Layouts {};
class ImagePath : public Layouts {};
INSTANTIATE_TEST_SUITE_P(Layouts, CommandLine, testing::Values(4, 8), layoutName);
INSTANTIATE_TEST_SUITE_P(Layouts, ImageFileName, testing::Values(4, 8), layoutName);
INSTANTIATE_TEST_SUITE_P(Layouts, ImagePath, testing::Values(4, 8), layoutName);

std::u16string commandLineOf(std::size_t characters) {
  std::u16string text = u"\"C:\\Program Files\\App\\app.exe\" ";
  while (text.size() < characters) text.push_back(static_cast<char16_t>(u'a' + text.size() % 26));
  text.resize(characters);
  return text;
}

TEST_P(CommandLine, ReadWholeAtAnyLengthFromItsLengthField) {
  for (std::size_t characters : {1u, 255u, 256u, 300u, 5000u, 32767u}) {
    FakeSystem sys = machine();
    const std::u16string line = commandLineOf(characters);
    setCommandLine(addProcess(sys, 40), line);
    const std::string got = GetProcessCommandLine(sys, 40);
    EXPECT_EQ(got.size(), characters);
    EXPECT_EQ(got, std::string(line.begin(), line.end()));  // ASCII only
    EXPECT_TRUE(sys.openHandles.empty());
  }
}

TEST_P(CommandLine, ShortLineAtTheVeryEndOfItsRegionAndNonAsciiText) {
  FakeSystem sys = machine();
  auto& p = addProcess(sys, 40);
  setCommandLine(p, u"notepad.exe \u6587\u6863.txt");
  // Drop the NUL too: the region ends with the last character.
  auto& text = p.memory[where().text];
  text.resize(text.size() - 2);
  EXPECT_EQ(GetProcessCommandLine(sys, 40), "notepad.exe 文档.txt");
}

TEST_P(CommandLine, OddLengthAndOverlongLengthField) {
  FakeSystem sys = machine();
  fakes::CommandLineLayout odd = where();
  odd.length = 7;  // three characters and half of one
  setCommandLine(addProcess(sys, 40), u"abcdef", odd);
  EXPECT_EQ(GetProcessCommandLine(sys, 40), "abc");
  fakes::CommandLineLayout lying = where();
  lying.length = 0xFFFF;  // more than the region holds: the read fails
  setCommandLine(addProcess(sys, 41), u"abcdef", lying);
  EXPECT_EQ(GetProcessCommandLine(sys, 41), "");
  auto& tight = addProcess(sys, 42);  // an odd length over a region with no NUL after the text
  setCommandLine(tight, u"abc", odd);
  tight.memory[odd.text].resize(6);
  EXPECT_EQ(GetProcessCommandLine(sys, 42), "abc");
  EXPECT_TRUE(sys.openHandles.empty());
}

TEST_P(CommandLine, NoEnvironmentBlockAddressMeansNoReadAtAll) {
  FakeSystem sys = machine();
  fakes::SetBasicInformation(addProcess(sys, 64), 0, layout());
  EXPECT_EQ(GetProcessCommandLine(sys, 64), "");
  EXPECT_EQ(sys.count("readProcessMemory"), 0u);
  EXPECT_TRUE(sys.openHandles.empty());
}

TEST_P(CommandLine, EveryFailingStepGivesEmptyAndClosesTheHandle) {
  FakeSystem sys = machine();
  EXPECT_EQ(GetProcessCommandLine(sys, 77), "");  // no such process
  addProcess(sys, 78).canOpen = false;
  EXPECT_EQ(GetProcessCommandLine(sys, 78), "");
  addProcess(sys, 79);  // basic information not available
  EXPECT_EQ(GetProcessCommandLine(sys, 79), "");
  auto& noPeb = addProcess(sys, 80);  // PEB address that is not mapped
  fakes::SetBasicInformation(noPeb, where().peb, layout());
  EXPECT_EQ(GetProcessCommandLine(sys, 80), "");
  auto& noParameters = addProcess(sys, 81);
  setCommandLine(noParameters, u"x");
  noParameters.memory.erase(where().parameters);
  EXPECT_EQ(GetProcessCommandLine(sys, 81), "");
  auto& noText = addProcess(sys, 82);
  setCommandLine(noText, u"x");
  noText.memory.erase(where().text);
  EXPECT_EQ(GetProcessCommandLine(sys, 82), "");
  // Everything in one low region, the text at the very top of the address space: the
  // read would wrap around to the region's start, and must fail instead.
  auto& wrapping = addProcess(sys, 83);
  fakes::SetBasicInformation(wrapping, 8, layout());
  std::vector<std::byte> low(0x100);
  platform::putPointer(low, layout().pebProcessParameters, 8, layout());
  const std::size_t line = layout().parametersCommandLine;
  common::putU16(low, line + layout().unicodeString.length, 16);
  platform::putPointer(low, line + layout().unicodeString.buffer, ~std::uint64_t{3}, layout());
  wrapping.memory[8] = std::move(low);
  EXPECT_EQ(GetProcessCommandLine(sys, 83), "");
  EXPECT_TRUE(sys.openHandles.empty());
  // A process that opens for nothing is asked with the limited right and memory read,
  // the full right and memory read, then the limited right alone.
  EXPECT_EQ(sys.count("openProcess"), 2u * 3 + 5);
  EXPECT_EQ(sys.count("closeHandle"), 5u);  // the two failed opens have nothing to close
}

// Real Windows refuses an unelevated program 0x400 and 0x10 for elevated, protected and
// other users' processes, and grants it 0x1000; XP knows no 0x1000.
TEST_P(CommandLine, LeastRightsReachElevatedProcessesAndOldSystems) {
  FakeSystem sys = machine();
  sys.dosDevices = {{"C:", "\\Device\\HarddiskVolume1"}};
  auto& elevated = addProcess(sys, 90);
  elevated.deniedAccess = 0x410;
  setCommandLine(elevated, u"C:\\Windows\\regedit.exe /m");  // in memory it cannot read
  setImageFileName(elevated, u"\\Device\\HarddiskVolume1\\Windows\\regedit.exe");
  EXPECT_EQ(GetProcessImagePath(sys, 90), "C:\\Windows\\regedit.exe");
  EXPECT_EQ(GetProcessCommandLine(sys, 90), "");  // before Windows 8.1 nothing else answers
  fakes::SetCommandLineInformation(elevated, u"C:\\Windows\\regedit.exe /m", layout());
  EXPECT_EQ(GetProcessCommandLine(sys, 90), "C:\\Windows\\regedit.exe /m");

  auto& xp = addProcess(sys, 91);
  xp.deniedAccess = 0x1000;
  setCommandLine(xp, u"notepad.exe a.txt");
  setImageFileName(xp, u"\\Device\\HarddiskVolume1\\notepad.exe");
  EXPECT_EQ(GetImageFileNameNT(sys, 91), "C:\\notepad.exe");
  EXPECT_EQ(GetProcessCommandLine(sys, 91), "notepad.exe a.txt");

  // The handle opens for memory reads, but the block it names is not there to read: the
  // line the system answers itself still comes.
  auto& unreadable = addProcess(sys, 92);
  fakes::SetBasicInformation(unreadable, where().peb, layout());
  fakes::SetCommandLineInformation(unreadable, u"C:\\Windows\\System32\\svchost.exe -k netsvcs", layout());
  EXPECT_EQ(GetProcessCommandLine(sys, 92), "C:\\Windows\\System32\\svchost.exe -k netsvcs");
  EXPECT_TRUE(sys.openHandles.empty());
}

// ---- across the two widths on 64-bit Windows -----------------------------------------

TEST(CommandLineAcrossWidths, Wow64TargetFromThe64BitBuildReadsItsThirtyTwoBitBlock) {
  FakeSystem sys(8);
  fakes::SetWow64CommandLine(addProcess(sys, 50), u"C:\\x86\\old.exe -q");
  EXPECT_EQ(GetProcessCommandLine(sys, 50), "C:\\x86\\old.exe -q");
  // Its 32-bit block cannot be read; the block in this program's own layout holds the line.
  auto& unreadable = addProcess(sys, 51);
  fakes::SetCommandLine(unreadable, u"C:\\x86\\own.exe", fakes::HighAddresses(), platform::kOsLayout64);
  unreadable.information[26] = std::vector<std::byte>(8);
  unreadable.information[26][1] = std::byte{0xE0};  // 0x7EFDE000, not mapped
  unreadable.information[26][2] = std::byte{0xFD};
  unreadable.information[26][3] = std::byte{0x7E};
  EXPECT_EQ(GetProcessCommandLine(sys, 51), "C:\\x86\\own.exe");
  EXPECT_TRUE(sys.openHandles.empty());
}

TEST(CommandLineAcrossWidths, SixtyFourBitTargetFromThe32BitBuildNeedsTheNtWow64Entries) {
  for (bool entries : {false, true}) {
    FakeSystem sys(4);
    sys.hasNtWow64 = entries;
    fakes::SetCommandLineSeenFrom32(addProcess(sys, 60), u"C:\\x64\\new.exe --long");
    auto& neighbour = addProcess(sys, 61);  // a 32-bit process on the same system
    fakes::SetCommandLine(neighbour, u"C:\\x86\\old.exe");
    neighbour.information[26] =
        std::vector<std::byte>{std::byte{0x00}, std::byte{0xF0}, std::byte{0xFD}, std::byte{0x7F}};
    EXPECT_EQ(GetProcessCommandLine(sys, 60), entries ? "C:\\x64\\new.exe --long" : "") << entries;
    // Its modules cannot be listed from 32 bits; its parameters name the image.
    EXPECT_EQ(GetMainModulePath(sys, 60), entries ? "C:\\image.exe" : "") << entries;
    sys.clearCalls();
    EXPECT_EQ(GetProcessCommandLine(sys, 61), "C:\\x86\\old.exe") << entries;
    EXPECT_EQ(sys.count("ntWow64QueryInformationProcess64"), 0u);
    EXPECT_TRUE(sys.openHandles.empty());
  }
}

// ---- image file name ---------------------------------------------------------------------

TEST_P(ImageFileName, DevicePathsMapThroughTheDriveTable) {
  FakeSystem sys = machine();
  sys.dosDevices = {
      {"C:", "\\Device\\HarddiskVolume1"}, {"D:", "\\Device\\HarddiskVolume10"}, {"E:", "\\Device\\CdRom0"}};
  setImageFileName(addProcess(sys, 1), u"\\Device\\HarddiskVolume1\\Windows\\explorer.exe");
  setImageFileName(addProcess(sys, 2), u"\\Device\\HarddiskVolume10\\Tools\\x.exe");
  setImageFileName(addProcess(sys, 3), u"\\Device\\CdRom0\\SETUP.EXE");
  setImageFileName(addProcess(sys, 4), u"\\??\\C:\\windows\\system32\\notepad.exe");
  setImageFileName(addProcess(sys, 5), u"\\Device\\Mup\\server\\share\\y.exe");
  setImageFileName(addProcess(sys, 6), u"\\Device\\HarddiskVolume2\\z.exe");
  setImageFileName(addProcess(sys, 7), u"");
  setImageFileName(addProcess(sys, 9), std::u16string(u"\\??\\C:\\a.exe\0b.exe", 18));  // cut at the NUL
  // Answers of exactly 1 MiB and one character more: the larger one is not believed.
  const std::size_t atLimit = ((1u << 20) - layout().unicodeString.size) / 2 - 8;
  setImageFileName(addProcess(sys, 10), u"\\??\\C:\\" + std::u16string(atLimit, u'a'));
  setImageFileName(addProcess(sys, 11), u"\\??\\C:\\" + std::u16string(atLimit + 1, u'a'));
  EXPECT_EQ(GetImageFileNameNT(sys, 1), "C:\\Windows\\explorer.exe");
  EXPECT_EQ(GetImageFileNameNT(sys, 2), "D:\\Tools\\x.exe");
  EXPECT_EQ(GetImageFileNameNT(sys, 3), "E:\\SETUP.EXE");
  EXPECT_EQ(GetImageFileNameNT(sys, 4), "C:\\windows\\system32\\notepad.exe");
  EXPECT_EQ(GetImageFileNameNT(sys, 5), "");
  EXPECT_EQ(GetImageFileNameNT(sys, 6), "");
  EXPECT_EQ(GetImageFileNameNT(sys, 7), "");
  EXPECT_EQ(GetImageFileNameNT(sys, 8), "");
  EXPECT_EQ(GetImageFileNameNT(sys, 9), "C:\\a.exe");
  EXPECT_EQ(GetImageFileNameNT(sys, 10).size(), atLimit + 3);  // "C:\" and the name
  EXPECT_EQ(GetImageFileNameNT(sys, 11).size(), 0u);
  EXPECT_TRUE(sys.openHandles.empty());
}

TEST_P(ImageFileName, NameBufferOutsideTheAnswerGivesEmpty) {
  FakeSystem sys = machine();
  sys.dosDevices = {{"C:", "\\Device\\HarddiskVolume1"}};
  auto& p = addProcess(sys, 1);
  setImageFileName(p, u"\\Device\\HarddiskVolume1\\a.exe");
  p.informationPointers[27].clear();  // Buffer keeps the raw offset 8: not an address inside
  EXPECT_EQ(GetImageFileNameNT(sys, 1), "");
}

// ---- image path with its fallbacks ------------------------------------------------------

TEST_P(ImagePath, SourcesAreTriedInTurn) {
  FakeSystem sys = machine();
  sys.dosDevices = {{"C:", "\\Device\\HarddiskVolume1"}};
  auto& all = addProcess(sys, 10);
  setImageFileName(all, u"\\Device\\HarddiskVolume1\\a\\native.exe");
  all.modules = {exeModule()};
  all.moduleFileNames = {{exeModule(), "C:\\a\\module.exe"}};
  setCommandLine(all, u"C:\\a\\cmd.exe");

  auto& network = addProcess(sys, 11);  // image name on no drive: the module list answers
  setImageFileName(network, u"\\Device\\Mup\\srv\\share\\n.exe");
  network.modules = {exeModule(), 0x7C800000};
  network.moduleFileNames = {{exeModule(), "\\\\srv\\share\\n.exe"}, {exeModule() & 0xFFFFFFFFu, "cut.exe"}};

  auto& lineOnly = addProcess(sys, 12);
  setCommandLine(lineOnly, u"\"C:\\Windows\\notepad.exe\" a.txt");

  // A 32-bit target on 32-bit Windows: no module list, and ProcessWow64Information answers 0.
  auto& native32 = addProcess(sys, 15);
  setCommandLine(native32, u"C:\\x86\\tool.exe -a");
  native32.information[26] = std::vector<std::byte>(GetParam());

  addProcess(sys, 13);  // nothing readable
  auto& hopeless = addProcess(sys, 14);
  setCommandLine(hopeless, u"ab");  // neither ".exe" nor a quote

  // The module name is asked for in 260 characters: a longer one is cut to 259 whole
  // characters, however many bytes each takes in UTF-8.
  std::string longName, cutName;
  for (int i = 0; i < 300; ++i) (i < 259 ? cutName : longName) += "\u8BB0";
  longName = cutName + longName;
  auto& longModule = addProcess(sys, 16);
  longModule.modules = {exeModule()};
  longModule.moduleFileNames = {{exeModule(), longName}};

  EXPECT_EQ(GetProcessImagePath(sys, 10), "C:\\a\\native.exe");
  EXPECT_EQ(GetProcessImagePath(sys, 11), "\\\\srv\\share\\n.exe");
  EXPECT_EQ(GetProcessImagePath(sys, 12), "C:\\Windows\\notepad.exe");
  EXPECT_EQ(GetProcessImagePath(sys, 13), "");
  EXPECT_EQ(GetProcessImagePath(sys, 14), std::nullopt);
  EXPECT_EQ(GetProcessImagePath(sys, 15), "C:\\x86\\tool.exe");
  EXPECT_EQ(GetProcessImagePath(sys, 16), cutName);
  EXPECT_TRUE(sys.openHandles.empty());
  EXPECT_EQ(std::set<std::size_t>(sys.moduleArrayBytes.begin(), sys.moduleArrayBytes.end()),
            std::set<std::size_t>{250});
}

TEST(imagePathFromCommandLine, DerivedFromTheCommandLine) {
  using processes::imagePathFromCommandLine;
  EXPECT_EQ(imagePathFromCommandLine("\"C:\\Windows\\notepad.exe\" a.txt"), "C:\\Windows\\notepad.exe");
  EXPECT_EQ(imagePathFromCommandLine("C:\\x\\app.exe -k"), "C:\\x\\app.exe");
  EXPECT_EQ(imagePathFromCommandLine("C:\\X\\APP.EXE"), "C:\\X\\APP.EXE");
  EXPECT_EQ(imagePathFromCommandLine("\"C:\\x\\prog\" -a"), "C:\\x\\prog.exe");
  EXPECT_EQ(imagePathFromCommandLine("\"C:\\x\\tool.com\" /q"), "C:\\x\\tool.com.exe");
  EXPECT_EQ(imagePathFromCommandLine("prog in.exe"), "prog in.exe");
  EXPECT_EQ(imagePathFromCommandLine("\"\u5DE5\u5177\\t\" -a"), "工具\\t.exe");
  EXPECT_EQ(imagePathFromCommandLine("\"a\""), "a.exe");
  EXPECT_EQ(imagePathFromCommandLine("ab\"c"), "ab.exe");      // a quote from the third character
  EXPECT_EQ(imagePathFromCommandLine("a\"bc"), std::nullopt);  // second character does not count
  EXPECT_EQ(imagePathFromCommandLine("notepad"), std::nullopt);
  EXPECT_EQ(imagePathFromCommandLine("\"\""), std::nullopt);
}

}  // namespace
