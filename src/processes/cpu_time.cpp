#include "processes/cpu_time.h"

#include <charconv>
#include <limits>

namespace ledra::processes {

namespace {

constexpr std::int64_t kScale = 10000;  // four decimal places

// a / b for b > 0, rounded to the nearest integer with halves to the even neighbour.
std::int64_t divideHalfEven(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  std::int64_t r = a % b;  // same sign as a
  const std::int64_t twice = r < 0 ? -2 * r : 2 * r;
  if (twice > b || (twice == b && q % 2 != 0)) q += a < 0 ? -1 : 1;
  return q;
}

void appendUnsigned(std::string& out, std::uint64_t value) {
  char digits[24];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
  (void)ec;
  out.append(digits, end);
}

// At least two digits, as the "00" pattern writes them.
void appendTwoDigits(std::string& out, std::int64_t value) {
  std::uint64_t magnitude = static_cast<std::uint64_t>(value);
  if (value < 0) {
    out.push_back('-');
    magnitude = 0 - magnitude;
  }
  if (magnitude < 10) out.push_back('0');
  appendUnsigned(out, magnitude);
}

}  // namespace

std::string DecimalSign(platform::System& system) {
  std::string sign = system.localeDecimalSeparator();
  if (sign.empty()) return ".";
  for (char c : sign)
    if (c == '|' || (c >= '0' && c <= '9') || c == '-' || c == '+') return ".";
  return sign;
}

void AppendFixedPointText(std::string& out, std::int64_t stored, std::string_view decimalSign) {
  std::uint64_t magnitude = static_cast<std::uint64_t>(stored);
  if (stored < 0) {
    out.push_back('-');
    magnitude = 0 - magnitude;
  }
  appendUnsigned(out, magnitude / kScale);
  auto fraction = static_cast<unsigned>(magnitude % kScale);
  if (fraction == 0) return;
  char digits[4];
  for (int i = 3; i >= 0; --i) {
    digits[i] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  int count = 4;
  while (digits[count - 1] == '0') --count;
  out.append(decimalSign);
  out.append(digits, static_cast<std::size_t>(count));
}

std::string FixedPointText(std::int64_t stored, std::string_view decimalSign) {
  std::string out;
  AppendFixedPointText(out, stored, decimalSign);
  return out;
}

std::optional<std::int64_t> ParseFixedPoint(std::string_view text, std::string_view decimalSign) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // Magnitude in units of 1/10000, collected in unsigned arithmetic with overflow checks.
  constexpr std::uint64_t kLimit = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1;
  std::uint64_t whole = 0;
  std::size_t i = 0, digits = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
    const auto d = static_cast<std::uint64_t>(text[i] - '0');
    if (whole > (kLimit - d) / 10) return std::nullopt;
    whole = whole * 10 + d;
  }
  std::uint64_t fraction = 0;
  int fractionDigits = 0;
  int roundDigit = -1;     // the fifth fraction digit
  bool stickyBeyond = false;  // any nonzero digit after the fifth
  if (i < text.size()) {
    if (decimalSign.empty() || text.substr(i, decimalSign.size()) != decimalSign) return std::nullopt;
    for (i += decimalSign.size(); i < text.size(); ++i, ++digits) {
      const char c = text[i];
      if (c < '0' || c > '9') return std::nullopt;
      if (fractionDigits < 4) {
        fraction = fraction * 10 + static_cast<std::uint64_t>(c - '0');
        ++fractionDigits;
      } else if (roundDigit < 0) {
        roundDigit = c - '0';
      } else if (c != '0') {
        stickyBeyond = true;
      }
    }
  }
  if (digits == 0) return std::nullopt;
  for (; fractionDigits < 4; ++fractionDigits) fraction *= 10;
  if (whole > kLimit / static_cast<std::uint64_t>(kScale)) return std::nullopt;
  std::uint64_t magnitude = whole * static_cast<std::uint64_t>(kScale) + fraction;
  if (roundDigit > 5 || (roundDigit == 5 && (stickyBeyond || magnitude % 2 != 0))) ++magnitude;
  if (magnitude > kLimit || (!negative && magnitude == kLimit)) return std::nullopt;
  if (negative) return static_cast<std::int64_t>(0 - magnitude);
  return static_cast<std::int64_t>(magnitude);
}

std::string FormatCpuTime(std::int64_t stored) {
  // Milliseconds to seconds kept to four places, then whole seconds; both roundings
  // halve to even, so 59.5 s shows as a minute and 58.5 s as 58 s.
  const std::int64_t tenThousandths = divideHalfEven(stored, 1000);
  std::int64_t seconds = divideHalfEven(tenThousandths, kScale);
  std::string out;
  out.reserve(12);
  appendTwoDigits(out, seconds / 3600);
  out.push_back(':');
  seconds %= 3600;
  appendTwoDigits(out, seconds / 60);
  out.push_back(':');
  appendTwoDigits(out, seconds % 60);
  return out;
}

}  // namespace ledra::processes
