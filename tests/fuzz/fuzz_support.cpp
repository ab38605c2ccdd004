#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>

#include "common/text.h"

namespace ledra::fuzz {

void fail(const char* what, std::string_view detail) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  if (!detail.empty()) {
    std::fprintf(stderr, "  detail (%zu bytes):", detail.size());
    for (std::size_t i = 0; i < detail.size() && i < 256; ++i)
      std::fprintf(stderr, " %02x", static_cast<unsigned char>(detail[i]));
    std::fprintf(stderr, "\n");
  }
  std::abort();
}

bool isValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t len = 0;
    char32_t cp = 0, least = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      len = 2, cp = c & 0x1F, least = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      len = 3, cp = c & 0x0F, least = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      len = 4, cp = c & 0x07, least = 0x10000;
    } else {
      return false;
    }
    if (i + len > text.size()) return false;
    for (std::size_t k = 1; k < len; ++k) {
      const auto cc = static_cast<unsigned char>(text[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += len;
  }
  return true;
}

std::uint8_t Cursor::u8() { return empty() ? 0 : data_[at_++]; }
std::uint16_t Cursor::u16() {
  const std::uint16_t low = u8();
  return static_cast<std::uint16_t>(low | (u8() << 8));
}
std::uint32_t Cursor::u32() {
  const std::uint32_t low = u16();
  return low | (static_cast<std::uint32_t>(u16()) << 16);
}
std::uint64_t Cursor::u64() {
  const std::uint64_t low = u32();
  return low | (static_cast<std::uint64_t>(u32()) << 32);
}
std::vector<std::byte> Cursor::bytes(std::size_t count) {
  const std::size_t n = std::min(count, left());
  std::vector<std::byte> out(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::byte>(data_[at_ + i]);
  at_ += n;
  return out;
}

void decodeProcess(std::span<const std::uint8_t> data, fakes::FakeSystem& system) {
  Cursor in(data);
  const std::uint8_t flags = in.u8();
  system.pointerBytes = (flags & flag::kWide) ? 8 : 4;
  system.hasNtWow64 = (flags & flag::kNtWow64) != 0;
  if (flags & flag::kDosDevices) {
    system.dosDevices["C:"] = "\\Device\\HarddiskVolume1";
    system.dosDevices["D:"] = "\\Device\\HarddiskVolume10";
  }
  auto& p = system.processes[kPid];
  p.pid = kPid;
  while (!in.empty()) {
    const std::uint8_t which = in.u8() % tag::kCount;
    const std::uint64_t key = in.u64();
    auto bytes = in.bytes(in.u16());
    switch (which) {
      case tag::kInformation: p.information[static_cast<std::uint32_t>(key)] = std::move(bytes); break;
      case tag::kInformation64: p.information64[static_cast<std::uint32_t>(key)] = std::move(bytes); break;
      case tag::kMemory: p.memory[key] = std::move(bytes); break;
      case tag::kPointers: {
        // The OS writes one address into its answers: the Buffer of the UNICODE_STRING that
        // leads them. An address written anywhere else would make the answer change with
        // the caller's buffer from one call to the next, which no process can do.
        auto& offsets = p.informationPointers[static_cast<std::uint32_t>(key)];
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
          const std::size_t at = static_cast<std::size_t>(bytes[i]) | (static_cast<std::size_t>(bytes[i + 1]) << 8);
          if (at == system.layout().unicodeString.buffer) offsets.push_back(at);
        }
        break;
      }
      default:  // a module: the real call answers text converted from UTF-16
        p.modules.push_back(key);
        p.moduleFileNames[key] = common::utf16leBytesToUtf8(bytes);
        break;
    }
  }
}

namespace {

void put(std::vector<std::uint8_t>& out, std::uint8_t which, std::uint64_t key, std::span<const std::byte> bytes) {
  out.push_back(which);
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(key >> (8 * i)));
  const std::size_t n = std::min<std::size_t>(bytes.size(), 0xFFFF);
  out.push_back(static_cast<std::uint8_t>(n));
  out.push_back(static_cast<std::uint8_t>(n >> 8));
  for (std::size_t i = 0; i < n; ++i) out.push_back(static_cast<std::uint8_t>(bytes[i]));
}

}  // namespace

std::vector<std::uint8_t> encodeProcess(const fakes::FakeSystem::Process& p, std::uint8_t flags) {
  std::vector<std::uint8_t> out{flags};
  for (const auto& [infoClass, bytes] : p.information) put(out, tag::kInformation, infoClass, bytes);
  for (const auto& [infoClass, bytes] : p.information64) put(out, tag::kInformation64, infoClass, bytes);
  for (const auto& [infoClass, offsets] : p.informationPointers) {
    std::vector<std::byte> bytes;
    for (std::size_t at : offsets) {
      bytes.push_back(static_cast<std::byte>(at & 0xFF));
      bytes.push_back(static_cast<std::byte>((at >> 8) & 0xFF));
    }
    put(out, tag::kPointers, infoClass, bytes);
  }
  for (const auto& [address, bytes] : p.memory) put(out, tag::kMemory, address, bytes);
  for (std::uint64_t module : p.modules) {
    const auto name = p.moduleFileNames.find(module);
    const std::u16string wide = common::utf8ToUtf16(name == p.moduleFileNames.end() ? "" : name->second);
    std::vector<std::byte> bytes;
    for (char16_t u : wide) {
      bytes.push_back(static_cast<std::byte>(u & 0xFF));
      bytes.push_back(static_cast<std::byte>(u >> 8));
    }
    put(out, tag::kModule, module, bytes);
  }
  return out;
}

}  // namespace ledra::fuzz
