#include "common/number_text.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

// Every conversion here is Ledra's own, in integers: a double is an integer times a power
// of two, so its decimal digits are exact integer arithmetic, and a decimal text is read
// by exact division rounded half to even. The library's floating-point conversions
// would bring some 150 KB of tables into ledra.exe for numbers that are almost always
// whole; the common cases (whole numbers, kilobytes with a short fraction) take a 64-bit
// fast path and the rest a small big-integer one. The results are the library's, digit
// for digit (the host tests compare them: NumberReading.SameTextsAndDoublesAsTheLibrary).

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
  char digits[20];
  char* p = digits + sizeof digits;
  do {
    *--p = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  out.append(p, digits + sizeof digits);
}

// ---- exact arithmetic ----------------------------------------------------------------

constexpr std::uint32_t kPow10[10] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
constexpr std::uint64_t kMantissaLimit = std::uint64_t{1} << 53;
constexpr int kMaxDigits = 800;  // more significant digits than any double's halfway point has

// An unsigned integer of up to 4096 bits, in 32-bit words, least significant first. The
// largest met: the 801 digits read, over ten to the 1125th, shifted by 64 bits.
class BigInt {
 public:
  explicit BigInt(std::uint64_t value = 0) {
    while (value != 0) {
      words_[size_++] = static_cast<std::uint32_t>(value);
      value >>= 32;
    }
  }

  bool isZero() const { return size_ == 0; }

  int bitLength() const {
    return size_ == 0 ? 0 : 32 * (size_ - 1) + static_cast<int>(std::bit_width(words_[size_ - 1]));
  }

  // *this = *this * factor + add
  void multiplyAdd(std::uint32_t factor, std::uint32_t add) {
    std::uint64_t carry = add;
    for (int i = 0; i < size_; ++i) {
      carry += static_cast<std::uint64_t>(words_[i]) * factor;
      words_[i] = static_cast<std::uint32_t>(carry);
      carry >>= 32;
    }
    if (carry != 0 && size_ < kWords) words_[size_++] = static_cast<std::uint32_t>(carry);
  }

  void multiplyPow10(long count) {
    for (; count >= 9; count -= 9) multiplyAdd(kPow10[9], 0);
    if (count > 0) multiplyAdd(kPow10[count], 0);
  }

  void multiplyPow5(int count) {
    for (; count >= 13; count -= 13) multiplyAdd(1220703125u, 0);  // 5^13
    std::uint32_t factor = 1;
    for (; count > 0; --count) factor *= 5;
    multiplyAdd(factor, 0);
  }

  void shiftLeft(int bits) {
    if (size_ == 0 || bits <= 0) return;
    const int words = bits / 32, rest = bits % 32;
    if (size_ + words + 1 > kWords) return;  // never at the sizes used
    if (rest == 0) {
      for (int i = size_ - 1; i >= 0; --i) words_[i + words] = words_[i];
    } else {
      words_[size_ + words] = words_[size_ - 1] >> (32 - rest);
      for (int i = size_ - 1; i > 0; --i) words_[i + words] = (words_[i] << rest) | (words_[i - 1] >> (32 - rest));
      words_[words] = words_[0] << rest;
      ++size_;
    }
    for (int i = 0; i < words; ++i) words_[i] = 0;
    size_ += words;
    trim();
  }

  void shiftRightOne() {
    for (int i = 0; i < size_; ++i) words_[i] = (words_[i] >> 1) | (i + 1 < size_ ? words_[i + 1] << 31 : 0);
    trim();
  }

  // *this /= divisor; returns the remainder.
  std::uint32_t divide(std::uint32_t divisor) {
    std::uint64_t rest = 0;
    for (int i = size_ - 1; i >= 0; --i) {
      rest = (rest << 32) | words_[i];
      words_[i] = static_cast<std::uint32_t>(rest / divisor);
      rest %= divisor;
    }
    trim();
    return static_cast<std::uint32_t>(rest);
  }

  // *this -= other, for other <= *this.
  void subtract(const BigInt& other) {
    std::int64_t borrow = 0;
    for (int i = 0; i < size_; ++i) {
      std::int64_t d = static_cast<std::int64_t>(words_[i]) - borrow - (i < other.size_ ? other.words_[i] : 0);
      borrow = d < 0 ? 1 : 0;
      words_[i] = static_cast<std::uint32_t>(d + (borrow << 32));
    }
    trim();
  }

  friend int compare(const BigInt& a, const BigInt& b) {
    if (a.size_ != b.size_) return a.size_ < b.size_ ? -1 : 1;
    for (int i = a.size_ - 1; i >= 0; --i)
      if (a.words_[i] != b.words_[i]) return a.words_[i] < b.words_[i] ? -1 : 1;
    return 0;
  }

  // The decimal digits, without leading zeros ("" for zero).
  std::string digits() const {
    BigInt rest = *this;
    std::string out;
    while (!rest.isZero()) {
      std::uint32_t chunk = rest.divide(kPow10[9]);
      for (int i = 0; i < 9; ++i) {
        out.push_back(static_cast<char>('0' + chunk % 10));
        chunk /= 10;
      }
    }
    while (!out.empty() && out.back() == '0') out.pop_back();  // the last chunk's padding
    std::reverse(out.begin(), out.end());
    return out;
  }

 private:
  static constexpr int kWords = 128;
  void trim() {
    while (size_ > 0 && words_[size_ - 1] == 0) --size_;
  }
  std::uint32_t words_[kWords];
  int size_ = 0;
};

double fromBits(std::uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// digits * 10^exponent rounded to the nearest double, halves to even; nullopt when that
// is beyond the largest double or rounds to zero from a nonzero value (as the library's
// reading says "out of range"). Digits are '0'..'9', leading zeros allowed.
std::optional<double> decimalToDouble(std::string_view digits, long exponent) {
  const std::size_t first = digits.find_first_not_of('0');
  if (first == std::string_view::npos) return 0.0;
  digits.remove_prefix(first);
  const std::size_t last = digits.find_last_not_of('0');
  exponent += static_cast<long>(digits.size() - 1 - last);
  digits = digits.substr(0, last + 1);
  const long count = static_cast<long>(digits.size());

  // Whole numbers that a double holds exactly.
  if (exponent >= 0 && count + exponent <= 15) {
    std::uint64_t value = 0;
    for (char c : digits) value = value * 10 + static_cast<std::uint64_t>(c - '0');
    for (long i = 0; i < exponent; ++i) value *= 10;
    return static_cast<double>(value);
  }
  // value < 10^magnitude; beyond 10^309 or below 10^-325 nothing is left to round.
  const long magnitude = count + exponent;
  if (magnitude > 310 || magnitude < -324) return std::nullopt;

  BigInt numerator, denominator(1);
  std::string_view kept = digits.substr(0, std::min<std::size_t>(digits.size(), kMaxDigits));
  for (std::size_t i = 0; i < kept.size(); i += 9) {
    const std::size_t n = std::min<std::size_t>(9, kept.size() - i);
    std::uint32_t chunk = 0;
    for (std::size_t k = 0; k < n; ++k) chunk = chunk * 10 + static_cast<std::uint32_t>(kept[i + k] - '0');
    numerator.multiplyAdd(kPow10[n], chunk);
  }
  if (digits.size() > kMaxDigits) {
    // A nonzero digit was dropped: a 1 after the kept ones stands for it, strictly
    // between the same two neighbours of any double or halfway point.
    numerator.multiplyAdd(10, 1);
    exponent += count - kMaxDigits - 1;
  }
  if (exponent >= 0)
    numerator.multiplyPow10(exponent);
  else
    denominator.multiplyPow10(-exponent);

  // numerator / denominator scaled by 2^shift into [2^63, 2^64), then divided bit by bit.
  int shift = 63 - (numerator.bitLength() - denominator.bitLength());
  if (shift > 0)
    numerator.shiftLeft(shift);
  else
    denominator.shiftLeft(-shift);
  BigInt step = denominator;
  step.shiftLeft(63);
  if (compare(numerator, step) < 0) {
    numerator.shiftLeft(1);
    ++shift;
  }
  std::uint64_t quotient = 0;
  for (int bit = 63; bit >= 0; --bit) {
    if (compare(numerator, step) >= 0) {
      numerator.subtract(step);
      quotient |= std::uint64_t{1} << bit;
    }
    step.shiftRightOne();
  }
  const bool remainder = !numerator.isZero();

  // value in [2^top, 2^(top + 1)): 53 bits kept when normal, fewer below 2^-1022.
  int top = 63 - shift;
  const int drop = top >= -1022 ? 11 : 11 + (-1022 - top);
  if (drop > 64) return std::nullopt;
  std::uint64_t kept53;
  bool half, below;
  if (drop == 64) {
    kept53 = 0;
    half = true;
    below = (quotient << 1) != 0 || remainder;
  } else {
    kept53 = quotient >> drop;
    half = ((quotient >> (drop - 1)) & 1) != 0;
    below = (quotient & ((std::uint64_t{1} << (drop - 1)) - 1)) != 0 || remainder;
  }
  if (half && (below || (kept53 & 1) != 0)) ++kept53;
  if (kept53 == 0) return std::nullopt;
  if (top < -1022) return fromBits(kept53);  // subnormal (or, carried, the smallest normal)
  if (kept53 == kMantissaLimit) {
    kept53 >>= 1;
    ++top;
  }
  if (top > 1023) return std::nullopt;
  return fromBits((static_cast<std::uint64_t>(top + 1023) << 52) | (kept53 & (kMantissaLimit / 2 - 1)));
}

// A decimal: 0.digits * 10^point, digits without leading or trailing zeros ("" is zero).
struct Decimal {
  std::string digits;
  int point = 0;
};

void trimZeros(Decimal& d) {
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) d.point = 0;
}

// A finite double >= 0 as mantissa * 2^exponent.
struct Binary {
  std::uint64_t mantissa;
  int exponent;
  bool powerOfTwoStep;  // the next double down is half as far as the next one up
};
Binary binaryOf(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const int field = static_cast<int>((bits >> 52) & 0x7FF);
  const std::uint64_t fraction = bits & (kMantissaLimit / 2 - 1);
  if (field == 0) return {fraction, -1074, false};
  return {fraction | kMantissaLimit / 2, field - 1075, fraction == 0 && field > 1};
}

// The exact decimal value of mantissa * 2^exponent.
Decimal exactDecimal(std::uint64_t mantissa, int exponent) {
  Decimal out;
  if (mantissa == 0) return out;
  const int zeros = std::countr_zero(mantissa);
  mantissa >>= zeros;
  exponent += zeros;

  if (exponent >= 0 && exponent + static_cast<int>(std::bit_width(mantissa)) <= 64) {
    appendUnsigned(out.digits, mantissa << exponent);
    out.point = static_cast<int>(out.digits.size());
  } else if (exponent < 0 && -exponent <= 19) {
    // The whole part, then the fraction's -exponent digits: fraction * 5^-exponent.
    const int places = -exponent;
    const std::uint64_t whole = mantissa >> places;
    std::uint64_t fraction = mantissa & ((std::uint64_t{1} << places) - 1);
    for (int i = 0; i < places; ++i) fraction *= 5;
    std::string tail;
    appendUnsigned(tail, fraction);
    if (whole != 0) appendUnsigned(out.digits, whole);
    out.point = static_cast<int>(out.digits.size());
    if (whole == 0) {
      out.point -= places - static_cast<int>(tail.size());
    } else {
      out.digits.append(static_cast<std::size_t>(places) - tail.size(), '0');
    }
    out.digits += tail;
  } else {
    // mantissa * 2^exponent, or mantissa * 5^k / 10^k for exponent = -k
    BigInt n(mantissa);
    if (exponent >= 0)
      n.shiftLeft(exponent);
    else
      n.multiplyPow5(-exponent);
    out.digits = n.digits();
    out.point = static_cast<int>(out.digits.size()) + std::min(exponent, 0);
  }
  trimZeros(out);
  return out;
}

Decimal exactDecimal(double value) {
  const Binary b = binaryOf(std::fabs(value));
  return exactDecimal(b.mantissa, b.exponent);
}

// Orders two decimals >= 0.
int compare(const Decimal& a, const Decimal& b) {
  if (a.digits.empty() || b.digits.empty()) return a.digits.empty() ? (b.digits.empty() ? 0 : -1) : 1;
  if (a.point != b.point) return a.point < b.point ? -1 : 1;
  return a.digits.compare(b.digits);  // no trailing zeros: a shorter prefix is smaller
}

// Adds one unit in the last place of the digits (a carry out of "99" gives "1", one
// place higher).
Decimal incremented(std::string digits, int point) {
  auto it = digits.rbegin();
  for (; it != digits.rend() && *it == '9'; ++it) *it = '0';
  if (it == digits.rend()) {
    digits.insert(digits.begin(), '1');
    ++point;
  } else {
    ++*it;
  }
  Decimal out{std::move(digits), point};
  trimZeros(out);
  return out;
}

// Rounded to `count` significant digits, halves to even.
Decimal roundedTo(const Decimal& d, std::size_t count) {
  if (d.digits.size() <= count) return d;
  std::string head = d.digits.substr(0, count);
  const char next = d.digits[count];
  const bool up =
      next > '5' || (next == '5' && (d.digits.size() > count + 1 || (count > 0 && (head.back() - '0') % 2 != 0)));
  if (up) return incremented(std::move(head), d.point);
  Decimal out{std::move(head), d.point};
  trimZeros(out);
  return out;
}

// The decimals that read back as one double: those between the halfway points to its
// neighbours (the halfway points too when its mantissa is even, which a tie rounds to).
struct ReadBackRange {
  Decimal low, high;
  bool inclusive;
  bool holds(const Decimal& d) const {
    const int l = compare(d, low), h = compare(d, high);
    return inclusive ? l >= 0 && h <= 0 : l > 0 && h < 0;
  }
};

// The decimal with `count` significant digits nearest to `exact` within the range, if
// there is one: the one below or the one above, the nearer when both are in (halves to
// even).
std::optional<Decimal> shortestWith(const Decimal& exact, const ReadBackRange& range, std::size_t count) {
  if (exact.digits.size() <= count) return exact;
  std::string head = exact.digits.substr(0, count);
  Decimal down{head, exact.point};
  trimZeros(down);
  Decimal up = incremented(head, exact.point);
  const bool downOk = range.holds(down), upOk = range.holds(up);
  if (downOk && upOk) {
    const char next = exact.digits[count];
    const bool nearerUp =
        next > '5' || (next == '5' && (exact.digits.size() > count + 1 || (head.back() - '0') % 2 != 0));
    return nearerUp ? up : down;
  }
  if (downOk) return down;
  if (upOk) return up;
  return std::nullopt;
}

// The fewest significant digits that read back as the finite value >= 0; whole numbers
// are written in full (the fixed notation of any shorter digits would end in zeros that
// are not the number's).
Decimal shortestDecimal(double value) {
  const Binary b = binaryOf(value);
  Decimal exact = exactDecimal(b.mantissa, b.exponent);
  // Up to 15 significant digits, no other decimal of as few digits reads as the same
  // double (DBL_DIG), so a number that short is its own shortest text.
  if (exact.digits.size() <= 15 || exact.point >= static_cast<int>(exact.digits.size())) return exact;
  const int shift = b.powerOfTwoStep ? 2 : 1;
  const ReadBackRange range{exactDecimal((b.mantissa << shift) - 1, b.exponent - shift),
                            exactDecimal(2 * b.mantissa + 1, b.exponent - 1), b.mantissa % 2 == 0};
  // Digit counts that work are all those from the fewest up: search between 1 and 17.
  std::size_t low = 1, high = 17;
  std::optional<Decimal> found;
  while (low < high) {
    const std::size_t middle = (low + high) / 2;
    if (auto candidate = shortestWith(exact, range, middle)) {
      found = std::move(candidate);
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  if (!found) found = shortestWith(exact, range, 17);
  return found ? *found : exact;
}

// Fixed notation of a decimal >= 0.
std::string fixedText(const Decimal& d, std::string_view decimalSign) {
  const int size = static_cast<int>(d.digits.size());
  if (size == 0) return "0";
  std::string out;
  if (d.point <= 0) {
    out = "0";
    out += decimalSign;
    out.append(static_cast<std::size_t>(-d.point), '0');
    out += d.digits;
  } else if (d.point >= size) {
    out = d.digits;
    out.append(static_cast<std::size_t>(d.point - size), '0');
  } else {
    out = d.digits.substr(0, static_cast<std::size_t>(d.point));
    out += decimalSign;
    out += d.digits.substr(static_cast<std::size_t>(d.point));
  }
  return out;
}

// "inf", "-inf", "nan" or "-nan" for what is not finite, as the library writes them.
std::optional<std::string> nonFiniteText(double value) {
  if (std::isfinite(value)) return std::nullopt;
  std::string out = std::signbit(value) ? "-" : "";
  out += std::isnan(value) ? "nan" : "inf";
  return out;
}

// Digits read into one string: a whole part and a fraction, as the text has them.
std::string joined(std::string_view whole, std::string_view fraction) {
  std::string digits;
  digits.reserve(whole.size() + fraction.size());
  digits.append(whole);
  digits.append(fraction);
  return digits;
}

bool equalsNoCase(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
    if (c != lower[i]) return false;
  }
  return true;
}

// A whole text in the library's general form: [-] digits [. digits] [e [sign] digits],
// or inf, infinity, nan, nan(chars) in any case.
std::optional<double> readGeneral(std::string_view text) {
  bool negative = false;
  if (!text.empty() && text.front() == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  if (equalsNoCase(text, "inf") || equalsNoCase(text, "infinity"))
    return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
  if (text.size() >= 3 && equalsNoCase(text.substr(0, 3), "nan")) {
    std::string_view rest = text.substr(3);
    bool ok = rest.empty();
    if (rest.size() >= 2 && rest.front() == '(' && rest.back() == ')') {
      ok = true;
      for (char c : rest.substr(1, rest.size() - 2))
        if (!(isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_')) ok = false;
    }
    if (!ok) return std::nullopt;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    return negative ? -nan : nan;
  }
  std::size_t i = 0;
  while (i < text.size() && isDigit(text[i])) ++i;
  const std::string_view whole = text.substr(0, i);
  std::string_view fraction;
  if (i < text.size() && text[i] == '.') {
    const std::size_t start = ++i;
    while (i < text.size() && isDigit(text[i])) ++i;
    fraction = text.substr(start, i - start);
  }
  if (whole.empty() && fraction.empty()) return std::nullopt;
  long exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
    if (i == text.size() || !isDigit(text[i])) return std::nullopt;
    for (; i < text.size() && isDigit(text[i]); ++i)
      exponent = std::min(exponent * 10 + (text[i] - '0'), 1000000L);  // far past any double
    if (negativeExponent) exponent = -exponent;
  }
  if (i != text.size()) return std::nullopt;
  const auto value = decimalToDouble(joined(whole, fraction), exponent - static_cast<long>(fraction.size()));
  if (!value) return std::nullopt;
  return negative ? -*value : *value;
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
  const std::size_t dot = std::min(number.find('.'), number.size());
  const std::string_view fraction = dot < number.size() ? number.substr(dot + 1) : std::string_view();
  const auto value = decimalToDouble(joined(number.substr(0, dot), fraction), -static_cast<long>(fraction.size()));
  if (!value) return 0;  // beyond the range of a double
  return negative ? -*value : *value;
}

std::optional<double> parseDecimal(std::string_view text, std::string_view decimalSign) {
  if (text.empty()) return std::nullopt;
  bool negative = false;
  if (text.front() == '+' || text.front() == '-') {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  std::size_t i = 0;
  while (i < text.size() && isDigit(text[i])) ++i;
  const std::string_view whole = text.substr(0, i);
  std::string_view fraction;
  if (i < text.size()) {
    if (decimalSign.empty() || text.substr(i, decimalSign.size()) != decimalSign) return std::nullopt;
    i += decimalSign.size();
    const std::size_t start = i;
    while (i < text.size() && isDigit(text[i])) ++i;
    if (i != text.size()) return std::nullopt;
    fraction = text.substr(start);
  }
  if (whole.empty() && fraction.empty()) return std::nullopt;
  const auto value = decimalToDouble(joined(whole, fraction), -static_cast<long>(fraction.size()));
  if (!value) return std::nullopt;
  return negative ? -*value : *value;
}

std::optional<std::int32_t> toInt32(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double rounded = roundHalfEven(value);
  if (rounded < -2147483648.0 || rounded > 2147483647.0) return std::nullopt;
  return static_cast<std::int32_t>(rounded);
}

std::string shortestText(double value, std::string_view decimalSign) {
  if (auto text = nonFiniteText(value)) return *text;
  std::string out = std::signbit(value) ? "-" : "";
  out += fixedText(shortestDecimal(std::fabs(value)), decimalSign);
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
  if (auto text = nonFiniteText(value)) return *text;
  // As printf's %.15g: fixed notation for exponents from -4 to 14, else d.dddE+xx;
  // trailing zeros dropped either way.
  const Decimal shown = roundedTo(exactDecimal(std::fabs(value)), 15);
  std::string out = value < 0 && !shown.digits.empty() ? "-" : "";
  const int exponent = shown.digits.empty() ? 0 : shown.point - 1;
  if (exponent >= -4 && exponent < 15) return out + fixedText(shown, decimalSign);
  out += shown.digits.front();
  if (shown.digits.size() > 1) {
    out += decimalSign;
    out.append(shown.digits, 1);
  }
  out += exponent < 0 ? "E-" : "E+";
  const int magnitude = exponent < 0 ? -exponent : exponent;
  if (magnitude < 10) out += '0';
  appendUnsigned(out, static_cast<std::uint64_t>(magnitude));
  return out;
}

std::optional<double> parseSignificant(std::string_view text, std::string_view decimalSign) {
  std::string plain(text);
  if (!decimalSign.empty() && decimalSign != ".") {
    const auto at = text.find(decimalSign);
    if (at != std::string_view::npos)
      plain = std::string(text.substr(0, at)) + "." + std::string(text.substr(at + decimalSign.size()));
  }
  return readGeneral(plain);
}

std::string decimalsText(double value, int decimals, std::string_view decimalSign) {
  if (!std::isfinite(value) || decimals < 0 || decimals > 15) return significantText(value, decimalSign);
  const bool negative = value < 0;
  // The 15 significant digits and the exponent of the first one.
  const Decimal rounded = roundedTo(exactDecimal(std::fabs(value)), 15);
  std::string digits = rounded.digits;
  digits.resize(15, '0');
  const int exponent = rounded.digits.empty() ? 0 : rounded.point - 1;

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
