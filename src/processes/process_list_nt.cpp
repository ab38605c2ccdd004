#include "processes/process_list_nt.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "common/byte_reader.h"
#include "common/number_text.h"
#include "common/text.h"
#include "platform/os_constants.h"
#include "platform/os_layout.h"
#include "processes/wide_text.h"

namespace ledra::processes {

namespace {

using platform::kSystemProcessInformation;
constexpr std::uint32_t kDefaultSize = 0x20000;
constexpr int kFillAttempts = 4;
constexpr std::uint32_t kLargestBuffer = 64u << 20;

template <typename Int>
void appendInteger(std::string& out, Int value) {
  char digits[24];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
  (void)ec;
  out.append(digits, end);
}

// The record's ImageName: "Null" for an empty name; "" when the name cannot be read
// (negative length, or characters outside the buffer).
void appendName(std::string& out, const common::ByteReader& buffer, const void* bufferAddress,
                const platform::OsLayout& layout, std::int16_t length, std::uint64_t address) {
  if (length == 0) {
    out += "Null";
    return;
  }
  if (length < 0) return;
  const std::uint64_t offset = platform::offsetInBuffer(address, bufferAddress, layout);
  if (offset > buffer.size()) return;
  auto characters = buffer.bytes(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
  if (!characters) return;
  appendUtf16le(out, *characters);
}

// Grows the buffer for the next fill: the size the OS asks for now, with room for
// processes that start before the next call.
std::uint32_t nextSize(std::uint32_t current, std::uint32_t reported) {
  std::uint64_t wanted = reported > current ? reported : static_cast<std::uint64_t>(current) * 2;
  wanted += wanted / 8 + 4096;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(wanted, kLargestBuffer + 1ull));
}

}  // namespace

std::string GetProcessListNT(platform::System& system, std::string_view sign, std::vector<std::uint64_t>* createTimes) {
  if (createTimes) createTimes->clear();
  std::uint32_t needed = 0;
  if (system.ntQuerySystemInformation(kSystemProcessInformation, {}, &needed) == platform::kStatusSuccess) return "-1";
  std::uint32_t size = needed != 0 ? needed : kDefaultSize;

  // The process list may grow between the size query and the fill; a few retries with
  // the larger size keep one busy moment from blanking the list and the CPU shares.
  std::vector<std::byte> buffer;
  bool filled = false;
  for (int attempt = 0; attempt < kFillAttempts && size <= kLargestBuffer; ++attempt) {
    buffer.assign(size, std::byte{0});
    std::uint32_t reported = 0;
    const std::int32_t status = system.ntQuerySystemInformation(kSystemProcessInformation, buffer, &reported);
    if (status == platform::kStatusSuccess) {
      filled = true;
      break;
    }
    if (status != platform::kStatusInfoLengthMismatch && status != platform::kStatusBufferTooSmall) break;
    size = nextSize(size, reported);
  }
  if (!filled) return "-1";

  const platform::OsLayout& layout = platform::osLayoutFor(system.pointerSize());
  const platform::ProcessRecordLayout& at = layout.processRecord;
  const common::ByteReader reader(buffer);
  std::string out;
  out.reserve(std::min<std::size_t>(buffer.size(), 1u << 20) / 4);
  std::uint64_t total = 0;  // wraps like the 64-bit sum it stands for, never traps
  std::size_t offset = 0;
  while (reader.has(offset, at.size)) {
    const common::ByteReader record(*reader.bytes(offset, at.size));
    const std::uint32_t next = *record.u32(at.nextEntryOffset);
    const std::uint64_t cpu = *record.u64(at.userTime) + *record.u64(at.kernelTime);
    total += cpu;
    if (createTimes) createTimes->push_back(*record.u64(at.createTime));

    const std::size_t name = at.imageName;
    appendName(out, reader, buffer.data(), layout, *record.i16(name + layout.unicodeString.length),
               *platform::readPointer(record, name + layout.unicodeString.buffer, layout));
    out.push_back('|');
    // Process ids fit 32 bits; the handle-wide field holds them in its low half.
    appendInteger(out, *record.i32(at.uniqueProcessId));
    out.push_back('|');
    common::appendFixedPointText(out, static_cast<std::int64_t>(cpu), sign);
    out.push_back('|');
    // SIZE_T is unsigned: a 32-bit one of 2 GiB and more is not negative.
    appendInteger(out, *platform::readPointer(record, at.workingSetSize, layout));
    out.push_back('|');

    // Every step must move past the whole record, so even a lying chain ends.
    if (next == 0 || next < at.size) break;
    offset += next;
  }
  common::appendFixedPointText(out, static_cast<std::int64_t>(total), sign);
  return out;
}

}  // namespace ledra::processes
