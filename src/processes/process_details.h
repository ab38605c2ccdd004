// Details of another process read by process id; "" means not available.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/system.h"

namespace ledra::processes {

// Full path of the executable; std::nullopt in the one case where the derivation from
// the command line fails without a result.
std::optional<std::string> GetProcessImagePath(platform::System& system, std::int32_t pid);
std::string GetImageFileNameNT(platform::System& system, std::int32_t pid);
std::string GetMainModulePath(platform::System& system, std::int32_t pid);
std::string GetProcessCommandLine(platform::System& system, std::int32_t pid);

// A command line as read, and whether the process refused it for its whole life: the open
// with the memory-read right was refused with access denied, and the only other route (the
// line the system itself answers to the limited right, Windows 8.1 on) was refused too or
// is unknown to the system. Any other failure (a process that is not there, one still
// starting whose memory does not hold its parameters yet) is no denial. The idle process
// (PID 0) has no line and is never opened: its answer counts as a denial.
struct CommandLineAnswer {
  std::string line;
  bool denied = false;
};
CommandLineAnswer ReadProcessCommandLine(platform::System& system, std::int32_t pid);

// The last resort of GetProcessImagePath: the program part of a command line, up to
// and including its ".exe" or up to its closing quote, with ".exe" added when it has
// none; nullopt when the line has neither ".exe" nor a quote from its third character.
std::optional<std::string> imagePathFromCommandLine(std::string_view commandLine);

}  // namespace ledra::processes
