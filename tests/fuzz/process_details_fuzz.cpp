// Image path and command line of a process whose environment block, parameters,
// strings, WOW64 block, image-name answer and module list are fuzzed. Must hold: every
// text is valid UTF-8 and no longer than its source allows, a path from the drive table
// starts with a drive, the last resort is the command line's own derivation, and every
// handle opened is closed.
#include <cstdint>

#include "fakes/fake_system.h"
#include "fuzz_support.h"
#include "processes/process_details.h"

using namespace ledra;

namespace {

// A UNICODE_STRING holds at most 32767 units; each becomes at most 3 bytes of UTF-8.
constexpr std::size_t kLongestText = 32767 * 3;

void checkText(const std::string& text, const char* what) {
  fuzz::check(fuzz::isValidUtf8(text), what, text);
  fuzz::check(text.size() <= kLongestText, what, text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fakes::FakeSystem system;
  fuzz::decodeProcess({data, size}, system);
  const auto pid = static_cast<std::int32_t>(fuzz::kPid);

  const std::string commandLine = processes::GetProcessCommandLine(system, pid);
  checkText(commandLine, "command line is valid UTF-8 of bounded length");

  const std::string imageName = processes::GetImageFileNameNT(system, pid);
  checkText(imageName, "image file name is valid UTF-8 of bounded length");
  // Either "" or a path the drive table (or a "\??\" prefix) turned into "X:...".
  fuzz::check(imageName.empty() || (imageName.size() >= 2 && imageName[1] == ':'),
              "image file name starts with a drive", imageName);

  const std::string module = processes::GetMainModulePath(system, pid);
  checkText(module, "main module path is valid UTF-8 of bounded length");

  const std::optional<std::string> path = processes::GetProcessImagePath(system, pid);
  if (path) checkText(*path, "image path is valid UTF-8 of bounded length");
  if (imageName.empty() && module.empty()) {
    if (commandLine.empty())
      fuzz::check(path == std::string(), "no source gives an empty image path");
    else
      fuzz::check(path == processes::imagePathFromCommandLine(commandLine),
                  "the last resort is the command line's program part", commandLine);
  } else {
    fuzz::check(path == (imageName.empty() ? module : imageName), "the first source that answers wins",
                imageName + "|" + module + "|" + path.value_or("(none)"));
  }

  fuzz::check(system.openHandles.empty(), "every process handle is closed");
  // Each reader takes a fixed number of steps: no loop over what the process says.
  fuzz::check(system.count("readProcessMemory") + system.count("ntWow64ReadVirtualMemory64") <= 24,
              "a bounded number of memory reads");
  return 0;
}
