#include "platform/is_nt.h"

#include <array>

#include "common/byte_reader.h"
#include "platform/os_layout.h"

namespace ledra::platform {

bool IsNT(System& system) {
  constexpr const OsVersionInfoALayout& layout = kOsVersionInfoA;
  std::array<std::byte, layout.size> info{};
  common::putU32(info, 0, layout.size);  // dwOSVersionInfoSize
  if (!system.getVersionEx(info)) return false;
  return common::ByteReader(info).u32(layout.platformId).value_or(0) == 2;  // VER_PLATFORM_WIN32_NT
}

}  // namespace ledra::platform
