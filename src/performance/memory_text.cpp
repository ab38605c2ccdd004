#include "performance/memory_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

namespace ledra::performance {

namespace {

std::string withDecimal(std::string text, std::string_view decimal) {
  const auto dot = text.find('.');
  if (dot == std::string::npos) return text;
  return text.substr(0, dot) + std::string(decimal) + text.substr(dot + 1);
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

std::string NumberText(double value, std::string_view decimal) {
  if (value == 0.0) value = 0.0;  // no "-0"
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  std::string text(buffer, result.ptr);
  for (char& c : text)
    if (c == 'e') c = 'E';
  return withDecimal(std::move(text), decimal);
}

std::optional<double> ParseNumber(std::string_view text, std::string_view decimal) {
  std::string plain(text);
  if (!decimal.empty() && decimal != ".") {
    const auto at = text.find(decimal);
    if (at != std::string_view::npos)
      plain = std::string(text.substr(0, at)) + "." + std::string(text.substr(at + decimal.size()));
  }
  if (plain.empty()) return std::nullopt;
  double value = 0.0;
  const char* end = plain.data() + plain.size();
  const auto result = std::from_chars(plain.data(), end, value, std::chars_format::general);
  if (result.ec != std::errc() || result.ptr != end) return std::nullopt;
  return value;
}

std::string FixedText(double value, int decimals, std::string_view decimal) {
  if (!std::isfinite(value) || decimals < 0 || decimals > 15) return NumberText(value, decimal);
  const bool negative = value < 0;
  // The 15 significant digits and the exponent of the first one.
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, 14);
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
  if (decimals > 0) text += std::string(decimal) + scaled.substr(scaled.size() - static_cast<std::size_t>(decimals));
  if (negative && scaled.find_first_not_of('0') != std::string::npos) text = "-" + text;
  return text;
}

std::string SizeText(double bytes, std::string_view decimal) {
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
  return FixedText(value, decimals, decimal) + unit;
}

}  // namespace ledra::performance
