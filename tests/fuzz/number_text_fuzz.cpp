// The number and text rules over fuzzed text and numbers. Must hold: what a parser reads
// the matching writer writes back to the same value (exactly for the fixed-point CPU
// times and shortest decimals, to 15 digits for the memory figures); CPU times read as
// hh:mm:ss; a usable decimal sign never clashes with digits, signs or the separator;
// split pieces join back to the text.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "common/number_text.h"
#include "common/text.h"
#include "fuzz_support.h"

using namespace ledra;

namespace {

bool isDigits(std::string_view s) { return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos; }

// hh:mm:ss, each part optionally negative, minutes and seconds two digits below 60.
bool isCpuTime(std::string_view t) {
  const auto parts = common::split(t, ':');
  if (parts.size() != 3) return false;
  for (std::size_t i = 0; i < 3; ++i) {
    std::string_view p = parts[i];
    if (!p.empty() && p.front() == '-') p.remove_prefix(1);
    if (!isDigits(p) || p.size() < 2) return false;
    if (i > 0 && (p.size() != 2 || p[0] > '5')) return false;
  }
  return true;
}

double asDouble(std::uint64_t bits) {
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

}  // namespace

// Input: a sign choice, two 64-bit numbers, a decimals count, then text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static constexpr std::string_view kSigns[] = {".", ",", "\xC2\xB7", "\xD9\xAB", "'", " "};
  fuzz::Cursor in({data, size});
  const std::string_view sign = kSigns[in.u8() % std::size(kSigns)];
  const auto number = static_cast<std::int64_t>(in.u64());
  const double real = asDouble(in.u64());
  const int decimals = in.u8() % 17;
  const auto bytes = in.rest();
  const std::string text(reinterpret_cast<const char*>(bytes.data()), bytes.size());

  // CPU times: written, read back exactly; read, written, read the same.
  const std::string fixed = common::fixedPointText(number, sign);
  fuzz::check(common::parseFixedPoint(fixed, sign) == number, "a CPU time reads back exactly", fixed);
  if (const auto read = common::parseFixedPoint(text, sign))
    fuzz::check(common::parseFixedPoint(common::fixedPointText(*read, sign), sign) == read,
                "a CPU time read from text writes back to itself", text);
  const std::string clock = common::cpuTimeText(number);
  fuzz::check(isCpuTime(clock), "a CPU time shows as hh:mm:ss", clock);

  // Plain decimals.
  if (const auto read = common::parseDecimal(text, sign)) {
    fuzz::check(std::isfinite(*read), "a parsed decimal is finite", text);
    fuzz::check(common::parseDecimal(common::shortestText(*read, sign), sign) == read,
                "the shortest text reads back as the same number", text);
  }
  if (std::isfinite(real))
    fuzz::check(common::parseDecimal(common::shortestText(real, sign), sign) == real,
                "any finite number's shortest text reads back", common::shortestText(real, sign));
  fuzz::check(!std::isnan(common::readLeadingNumber(text)), "the lenient reading is a number", text);
  if (const auto i = common::toInt32(real)) fuzz::check(std::fabs(*i - real) <= 0.5, "toInt32 rounds to the nearest");

  // 15 significant digits and fixed decimals: the memory figures. Rounded to 15 digits,
  // the largest doubles would lie beyond the largest double; figures stay far below.
  if (std::isfinite(real) && std::fabs(real) < 1e308) {
    const std::string shown = common::significantText(real, sign);
    const auto back = common::parseSignificant(shown, sign);
    fuzz::check(back && std::fabs(*back - real) <= std::fabs(real) * 1e-14, "15 digits read back", shown);
    const std::string fixedDecimals = common::decimalsText(real, decimals, sign);
    fuzz::check(fuzz::isValidUtf8(fixedDecimals), "decimals text is valid UTF-8", fixedDecimals);
    if (decimals <= 15 && std::fabs(real) < 1e15) {
      const auto read = common::parseDecimal(fixedDecimals, sign);
      fuzz::check(read && std::fabs(*read - real) <= 0.5 * std::pow(10.0, -decimals) + std::fabs(real) * 1e-14 + 1e-300,
                  "decimals text is the number rounded to its places", fixedDecimals);
    }
    fuzz::check(fuzz::isValidUtf8(common::sizeText(real, sign)), "a size text is valid UTF-8");
  }

  // The locale's sign, and the record separator.
  const std::string usable = common::usableDecimalSign(text);
  fuzz::check(!usable.empty() && usable.find_first_of("0123456789+-|") == std::string::npos,
              "a usable decimal sign clashes with nothing", usable);
  const auto pieces = common::split(text, '|');
  std::string joined;
  for (std::size_t k = 0; k < pieces.size(); ++k) joined += std::string(k ? "|" : "") + std::string(pieces[k]);
  fuzz::check(joined == text, "split pieces join back to the text", text);
  return 0;
}
