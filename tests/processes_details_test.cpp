// Image path and command line of another process, read from simulated process memory.
#include <gtest/gtest.h>

#include "fakes/fake_system.h"
#include "fakes/nt_records.h"
#include "processes/process_details.h"

namespace {

using namespace ledra;
using fakes::FakeSystem;
using processes::GetImageFileNameNT;
using processes::GetProcessCommandLine;
using processes::GetProcessImagePath;

FakeSystem::Process& addProcess(FakeSystem& sys, std::uint32_t pid) {
  auto& p = sys.processes[pid];
  p.pid = pid;
  return p;
}

std::u16string commandLineOf(std::size_t characters) {
  std::u16string text = u"\"C:\\Program Files\\App\\app.exe\" ";
  while (text.size() < characters) text.push_back(static_cast<char16_t>(u'a' + text.size() % 26));
  text.resize(characters);
  return text;
}

TEST(CommandLine, ReadWholeAtAnyLengthFromItsLengthField) {
  for (std::size_t characters : {1u, 255u, 256u, 300u, 5000u, 32767u}) {
    FakeSystem sys;
    const std::u16string line = commandLineOf(characters);
    fakes::SetCommandLine(addProcess(sys, 40), line);
    const std::string got = GetProcessCommandLine(sys, 40);
    EXPECT_EQ(got.size(), characters);
    EXPECT_EQ(got, std::string(line.begin(), line.end()));  // ASCII only
    EXPECT_TRUE(sys.openHandles.empty());
  }
}

TEST(CommandLine, ShortLineAtTheVeryEndOfItsRegionAndNonAsciiText) {
  FakeSystem sys;
  auto& p = addProcess(sys, 40);
  fakes::SetCommandLine(p, u"notepad.exe \u6587\u6863.txt");
  // Drop the NUL too: the region ends with the last character.
  auto& text = p.memory[fakes::CommandLineLayout{}.text];
  text.resize(text.size() - 2);
  EXPECT_EQ(GetProcessCommandLine(sys, 40), "notepad.exe 文档.txt");
}

TEST(CommandLine, OddLengthAndOverlongLengthField) {
  FakeSystem sys;
  fakes::CommandLineLayout odd;
  odd.length = 7;  // three characters and half of one
  fakes::SetCommandLine(addProcess(sys, 40), u"abcdef", odd);
  EXPECT_EQ(GetProcessCommandLine(sys, 40), "abc");
  fakes::CommandLineLayout lying;
  lying.length = 0xFFFF;  // more than the region holds: the read fails
  fakes::SetCommandLine(addProcess(sys, 41), u"abcdef", lying);
  EXPECT_EQ(GetProcessCommandLine(sys, 41), "");
  EXPECT_TRUE(sys.openHandles.empty());
}

TEST(CommandLine, NoEnvironmentBlockAddressMeansNoReadAtAll) {
  FakeSystem sys;
  fakes::SetBasicInformation(addProcess(sys, 64), 0);
  EXPECT_EQ(GetProcessCommandLine(sys, 64), "");
  EXPECT_EQ(sys.count("readProcessMemory"), 0u);
  EXPECT_TRUE(sys.openHandles.empty());
}

TEST(CommandLine, EveryFailingStepGivesEmptyAndClosesTheHandle) {
  FakeSystem sys;
  EXPECT_EQ(GetProcessCommandLine(sys, 77), "");  // no such process
  addProcess(sys, 78).canOpen = false;
  EXPECT_EQ(GetProcessCommandLine(sys, 78), "");
  addProcess(sys, 79);  // basic information not available
  EXPECT_EQ(GetProcessCommandLine(sys, 79), "");
  auto& noPeb = addProcess(sys, 80);  // PEB address that is not mapped
  fakes::SetBasicInformation(noPeb, 0x7FFDF000);
  EXPECT_EQ(GetProcessCommandLine(sys, 80), "");
  auto& noParameters = addProcess(sys, 81);
  fakes::SetCommandLine(noParameters, u"x");
  noParameters.memory.erase(fakes::CommandLineLayout{}.parameters);
  EXPECT_EQ(GetProcessCommandLine(sys, 81), "");
  auto& noText = addProcess(sys, 82);
  fakes::SetCommandLine(noText, u"x");
  noText.memory.erase(fakes::CommandLineLayout{}.text);
  EXPECT_EQ(GetProcessCommandLine(sys, 82), "");
  EXPECT_TRUE(sys.openHandles.empty());
  EXPECT_EQ(sys.count("openProcess"), 6u);
  EXPECT_EQ(sys.count("closeHandle"), 4u);  // the two failed opens have nothing to close
}

// ---- image file name ---------------------------------------------------------------------

TEST(ImageFileName, DevicePathsMapThroughTheDriveTable) {
  FakeSystem sys;
  sys.dosDevices = {{"C:", "\\Device\\HarddiskVolume1"}, {"D:", "\\Device\\HarddiskVolume10"},
                    {"E:", "\\Device\\CdRom0"}};
  fakes::SetImageFileName(addProcess(sys, 1), u"\\Device\\HarddiskVolume1\\Windows\\explorer.exe");
  fakes::SetImageFileName(addProcess(sys, 2), u"\\Device\\HarddiskVolume10\\Tools\\x.exe");
  fakes::SetImageFileName(addProcess(sys, 3), u"\\Device\\CdRom0\\SETUP.EXE");
  fakes::SetImageFileName(addProcess(sys, 4), u"\\??\\C:\\windows\\system32\\notepad.exe");
  fakes::SetImageFileName(addProcess(sys, 5), u"\\Device\\Mup\\server\\share\\y.exe");
  fakes::SetImageFileName(addProcess(sys, 6), u"\\Device\\HarddiskVolume2\\z.exe");
  fakes::SetImageFileName(addProcess(sys, 7), u"");
  EXPECT_EQ(GetImageFileNameNT(sys, 1), "C:\\Windows\\explorer.exe");
  EXPECT_EQ(GetImageFileNameNT(sys, 2), "D:\\Tools\\x.exe");
  EXPECT_EQ(GetImageFileNameNT(sys, 3), "E:\\SETUP.EXE");
  EXPECT_EQ(GetImageFileNameNT(sys, 4), "C:\\windows\\system32\\notepad.exe");
  EXPECT_EQ(GetImageFileNameNT(sys, 5), "");
  EXPECT_EQ(GetImageFileNameNT(sys, 6), "");
  EXPECT_EQ(GetImageFileNameNT(sys, 7), "");
  EXPECT_EQ(GetImageFileNameNT(sys, 8), "");
  EXPECT_TRUE(sys.openHandles.empty());
}

TEST(ImageFileName, NameBufferOutsideTheAnswerGivesEmpty) {
  FakeSystem sys;
  sys.dosDevices = {{"C:", "\\Device\\HarddiskVolume1"}};
  auto& p = addProcess(sys, 1);
  fakes::SetImageFileName(p, u"\\Device\\HarddiskVolume1\\a.exe");
  p.informationPointers[27].clear();  // Buffer keeps the raw offset 8: not an address inside
  EXPECT_EQ(GetImageFileNameNT(sys, 1), "");
}

// ---- image path with its fallbacks ------------------------------------------------------

TEST(ImagePath, SourcesAreTriedInTurn) {
  FakeSystem sys;
  sys.dosDevices = {{"C:", "\\Device\\HarddiskVolume1"}};
  auto& all = addProcess(sys, 10);
  fakes::SetImageFileName(all, u"\\Device\\HarddiskVolume1\\a\\native.exe");
  all.modules = {0x400000};
  all.moduleFileNames = {{0x400000, "C:\\a\\module.exe"}};
  fakes::SetCommandLine(all, u"C:\\a\\cmd.exe");

  auto& network = addProcess(sys, 11);  // image name on no drive: the module list answers
  fakes::SetImageFileName(network, u"\\Device\\Mup\\srv\\share\\n.exe");
  network.modules = {0x400000, 0x7C800000};
  network.moduleFileNames = {{0x400000, "\\\\srv\\share\\n.exe"}};

  auto& lineOnly = addProcess(sys, 12);
  fakes::SetCommandLine(lineOnly, u"\"C:\\Windows\\notepad.exe\" a.txt");

  addProcess(sys, 13);  // nothing readable
  auto& hopeless = addProcess(sys, 14);
  fakes::SetCommandLine(hopeless, u"ab");  // neither ".exe" nor a quote

  EXPECT_EQ(GetProcessImagePath(sys, 10), "C:\\a\\native.exe");
  EXPECT_EQ(GetProcessImagePath(sys, 11), "\\\\srv\\share\\n.exe");
  EXPECT_EQ(GetProcessImagePath(sys, 12), "C:\\Windows\\notepad.exe");
  EXPECT_EQ(GetProcessImagePath(sys, 13), "");
  EXPECT_EQ(GetProcessImagePath(sys, 14), std::nullopt);
  EXPECT_TRUE(sys.openHandles.empty());
}

TEST(ImagePath, DerivedFromTheCommandLine) {
  using processes::ImagePathFromCommandLine;
  EXPECT_EQ(ImagePathFromCommandLine("\"C:\\Windows\\notepad.exe\" a.txt"), "C:\\Windows\\notepad.exe");
  EXPECT_EQ(ImagePathFromCommandLine("C:\\x\\app.exe -k"), "C:\\x\\app.exe");
  EXPECT_EQ(ImagePathFromCommandLine("C:\\X\\APP.EXE"), "C:\\X\\APP.EXE");
  EXPECT_EQ(ImagePathFromCommandLine("\"C:\\x\\prog\" -a"), "C:\\x\\prog.exe");
  EXPECT_EQ(ImagePathFromCommandLine("\"C:\\x\\tool.com\" /q"), "C:\\x\\tool.com.exe");
  EXPECT_EQ(ImagePathFromCommandLine("prog in.exe"), "prog in.exe");
  EXPECT_EQ(ImagePathFromCommandLine("\"\u5DE5\u5177\\t\" -a"), "工具\\t.exe");
  EXPECT_EQ(ImagePathFromCommandLine("\"a\""), "a.exe");
  EXPECT_EQ(ImagePathFromCommandLine("ab\"c"), "ab.exe");  // a quote from the third character
  EXPECT_EQ(ImagePathFromCommandLine("a\"bc"), std::nullopt);  // second character does not count
  EXPECT_EQ(ImagePathFromCommandLine("notepad"), std::nullopt);
  EXPECT_EQ(ImagePathFromCommandLine("\"\""), std::nullopt);
}

}  // namespace
