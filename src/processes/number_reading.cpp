#include "processes/number_reading.h"

#include <charconv>
#include <cmath>

#include "common/numbers.h"

namespace ledra::processes {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

double ReadNumber(std::string_view text) {
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

std::optional<double> ConvertNumber(std::string_view text, std::string_view decimalSign) {
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

std::optional<std::int32_t> ToInt32(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double rounded = common::roundHalfEven(value);
  if (rounded < -2147483648.0 || rounded > 2147483647.0) return std::nullopt;
  return static_cast<std::int32_t>(rounded);
}

std::string ShortestText(double value, std::string_view decimalSign) {
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

}  // namespace ledra::processes
