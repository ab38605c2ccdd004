#include "app/is_nt.h"

#include <array>

#include "common/byte_reader.h"

namespace ledra::app {

bool IsNT(platform::System& system) {
  std::array<std::byte, 148> info{};
  common::putU32(info, 0, 148);  // dwOSVersionInfoSize
  if (!system.getVersionEx(info)) return false;
  return common::ByteReader(info).u32(16).value_or(0) == 2;  // VER_PLATFORM_WIN32_NT
}

}  // namespace ledra::app
