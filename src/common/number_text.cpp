#include "common/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <system_error>

namespace ledra::common {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

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

std::string withDecimal(std::string text, std::string_view decimalSign) {
  const auto dot = text.find('.');
  if (dot == std::string::npos) return text;
  return text.substr(0, dot) + std::string(decimalSign) + text.substr(dot + 1);
}

// Adds one to a string of decimal digits.
void increment(std::string& digits) {
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (*it != '9') {
      ++*it;
      return;
    }
    *it = '0';
  }
  digits = '1' + digits;
}

}  // namespace

std::string usableDecimalSign(std::string_view localeSign) {
  if (localeSign.empty()) return ".";
  for (char c : localeSign)
    if (c == '|' || (c >= '0' && c <= '9') || c == '-' || c == '+') return ".";
  return std::string(localeSign);
}

double readLeadingNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
  text.remove_prefix(i);

  if (text.size() >= 2 && text[0] == '&' && (text[1] == 'H' || text[1] == 'h')) {
    std::uint64_t value = 0;
    for (std::size_t k = 2; k < text.size(); ++k) {
      const int digit = hexValue(text[k]);
      if (digit < 0) break;
      value = value * 16 + static_cast<std::uint64_t>(digit);
      if (value > 0xFFFFFFFFu) return 0;  // wider than 32 bits: no usable number
    }
    return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
  }

  // Take the longest prefix of the form [sign] digits [. digits].
  std::size_t end = 0;
  if (end < text.size() && (text[end] == '+' || text[end] == '-')) ++end;
  const std::size_t digitsStart = end;
  while (end < text.size() && isDigit(text[end])) ++end;
  std::size_t digitCount = end - digitsStart;
  if (end < text.size() && text[end] == '.') {
    std::size_t fraction = end + 1;
    while (fraction < text.size() && isDigit(text[fraction])) ++fraction;
    digitCount += fraction - end - 1;
    if (fraction > end + 1 || digitCount > 0) end = fraction;
  }
  if (digitCount == 0) return 0;

  std::string_view number = text.substr(0, end);
  const bool negative = number.front() == '-';
  if (number.front() == '+' || number.front() == '-') number.remove_prefix(1);
  std::string plain(number);
  if (plain.front() == '.') plain.insert(plain.begin(), '0');
  if (plain.back() == '.') plain.pop_back();
  double value = 0;
  auto [ptr, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (ec != std::errc()) return 0;
  (void)ptr;
  return negative ? -value : value;
}

std::optional<double> parseDecimal(std::string_view text, std::string_view decimalSign) {
  if (text.empty()) return std::nullopt;
  bool negative = false;
  if (text.front() == '+' || text.front() == '-') {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  std::string plain;
  plain.reserve(text.size() + 1);
  std::size_t i = 0;
  while (i < text.size() && isDigit(text[i])) plain.push_back(text[i++]);
  std::size_t digits = plain.size();
  if (i < text.size()) {
    if (decimalSign.empty() || text.substr(i, decimalSign.size()) != decimalSign) return std::nullopt;
    i += decimalSign.size();
    plain.push_back('.');
    while (i < text.size() && isDigit(text[i])) {
      plain.push_back(text[i++]);
      ++digits;
    }
    if (i != text.size()) return std::nullopt;
  }
  if (digits == 0) return std::nullopt;
  if (plain.front() == '.') plain.insert(plain.begin(), '0');
  if (plain.back() == '.') plain.pop_back();
  double value = 0;
  auto [ptr, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (ec != std::errc() || ptr != plain.data() + plain.size()) return std::nullopt;
  return negative ? -value : value;
}

std::optional<std::int32_t> toInt32(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double rounded = roundHalfEven(value);
  if (rounded < -2147483648.0 || rounded > 2147483647.0) return std::nullopt;
  return static_cast<std::int32_t>(rounded);
}

std::string shortestText(double value, std::string_view decimalSign) {
  char buffer[400];  // fixed notation of any double fits
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (ec != std::errc()) return {};
  std::string out;
  for (const char* p = buffer; p != end; ++p) {
    if (*p == '.')
      out.append(decimalSign);
    else
      out.push_back(*p);
  }
  return out;
}

void appendFixedPointText(std::string& out, std::int64_t stored, std::string_view decimalSign) {
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

std::string fixedPointText(std::int64_t stored, std::string_view decimalSign) {
  std::string out;
  appendFixedPointText(out, stored, decimalSign);
  return out;
}

std::optional<std::int64_t> parseFixedPoint(std::string_view text, std::string_view decimalSign) {
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
  int roundDigit = -1;        // the fifth fraction digit
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

std::string cpuTimeText(std::int64_t stored) {
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

std::string significantText(double value, std::string_view decimalSign) {
  if (value == 0.0) value = 0.0;  // no "-0"
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  std::string text(buffer, result.ptr);
  for (char& c : text)
    if (c == 'e') c = 'E';
  return withDecimal(std::move(text), decimalSign);
}

std::optional<double> parseSignificant(std::string_view text, std::string_view decimalSign) {
  std::string plain(text);
  if (!decimalSign.empty() && decimalSign != ".") {
    const auto at = text.find(decimalSign);
    if (at != std::string_view::npos)
      plain = std::string(text.substr(0, at)) + "." + std::string(text.substr(at + decimalSign.size()));
  }
  if (plain.empty()) return std::nullopt;
  double value = 0.0;
  const char* end = plain.data() + plain.size();
  const auto result = std::from_chars(plain.data(), end, value, std::chars_format::general);
  if (result.ec != std::errc() || result.ptr != end) return std::nullopt;
  return value;
}

std::string decimalsText(double value, int decimals, std::string_view decimalSign) {
  if (!std::isfinite(value) || decimals < 0 || decimals > 15) return significantText(value, decimalSign);
  const bool negative = value < 0;
  // The 15 significant digits and the exponent of the first one.
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, 14);
  const std::string_view sci(buffer, static_cast<std::size_t>(result.ptr - buffer));
  const auto e = sci.find('e');
  std::string digits;
  for (char c : sci.substr(0, e))
    if (c != '.') digits += c;
  const int exponent = std::atoi(std::string(sci.substr(e + 1)).c_str());

  // Digits kept: down to the last decimal place; the next one decides the rounding.
  const int keep = exponent + decimals + 1;
  // value * 10^decimals, as whole digits
  std::string scaled(1, keep == 0 && digits[0] >= '5' ? '1' : '0');
  if (keep > 0) {
    const auto n = static_cast<std::size_t>(keep);
    scaled = digits.substr(0, std::min(n, digits.size()));
    if (n > digits.size()) scaled.append(n - digits.size(), '0');
    if (n < digits.size() && digits[n] >= '5') increment(scaled);
  }
  if (scaled.size() <= static_cast<std::size_t>(decimals))
    scaled = std::string(static_cast<std::size_t>(decimals) + 1 - scaled.size(), '0') + scaled;

  std::string text = scaled.substr(0, scaled.size() - static_cast<std::size_t>(decimals));
  if (decimals > 0)
    text += std::string(decimalSign) + scaled.substr(scaled.size() - static_cast<std::size_t>(decimals));
  if (negative && scaled.find_first_not_of('0') != std::string::npos) text = "-" + text;
  return text;
}

std::string sizeText(double bytes, std::string_view decimalSign) {
  // The steps move on above 1000, not 1024: 1000..1024 of a unit shows as below 1 of the next.
  double value = bytes;
  const char* unit = "";
  for (const char* next : {" KB", " MB", " GB"}) {
    if (value > 1000) {
      value /= 1024;
      unit = next;
    }
  }
  const int decimals = value < 10 ? 2 : value < 100 ? 1 : 0;
  return decimalsText(value, decimals, decimalSign) + unit;
}

}  // namespace ledra::common
