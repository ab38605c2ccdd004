// The UTF-8 / UTF-16 conversions and the command-line rule over fuzzed text. Must hold:
// every conversion to UTF-8 gives valid UTF-8; valid UTF-8 survives a round trip and
// invalid input leaves U+FFFD where it was; the fast ASCII path of the record reader
// agrees with the full conversion; the program part of a command line is valid UTF-8.
#include <cstdint>
#include <string>

#include "common/text.h"
#include "fuzz_support.h"
#include "processes/process_details.h"
#include "processes/wide_text.h"

using namespace ledra;

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// The units with every unpaired surrogate replaced, as a conversion must see them.
std::u16string paired(std::u16string_view units) {
  std::u16string out;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      out += u;
      out += units[++i];
    } else {
      out += (u >= 0xD800 && u <= 0xDFFF) ? kReplacement : u;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
  const std::string_view narrow(reinterpret_cast<const char*>(data), size);

  // As UTF-16LE, the way names and command lines arrive.
  const std::string fromRecord = common::utf16leBytesToUtf8(bytes);
  fuzz::check(fuzz::isValidUtf8(fromRecord), "UTF-16LE bytes convert to valid UTF-8", fromRecord);
  fuzz::check(processes::utf16leToUtf8(bytes) == fromRecord, "the fast path agrees with the full conversion",
              fromRecord);
  std::u16string units;
  for (std::size_t i = 0; i + 1 < size; i += 2) units += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  const std::string wide = common::utf16ToUtf8(units);
  fuzz::check(fuzz::isValidUtf8(wide), "UTF-16 converts to valid UTF-8", wide);
  fuzz::check(common::utf8ToUtf16(wide) == paired(units), "UTF-16 survives a round trip but for lone surrogates", wide);

  // As UTF-8, the way text crosses the seam.
  const std::u16string back = common::utf8ToUtf16(narrow);
  const std::string again = common::utf16ToUtf8(back);
  fuzz::check(paired(back) == back, "UTF-8 converts to UTF-16 without lone surrogates", narrow);
  if (fuzz::isValidUtf8(narrow))
    fuzz::check(again == narrow, "valid UTF-8 survives a round trip", narrow);
  else
    fuzz::check(back.find(kReplacement) != std::u16string::npos, "invalid UTF-8 leaves a replacement character",
                narrow);

  if (const auto program = processes::imagePathFromCommandLine(narrow))
    fuzz::check(fuzz::isValidUtf8(*program), "the program part of a command line is valid UTF-8", *program);
  return 0;
}
