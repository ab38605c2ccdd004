// How numbers become text and text becomes numbers, everywhere in the program.
//
// Names: parseX reads a whole field back (nullopt when it is not one), xText writes,
// appendXText writes onto the end of a string. The decimal sign is passed in, as the
// locale gives it (see usableDecimalSign).
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ledra::common {

// Rounds to the nearest integer, halves to the even neighbour.
inline double roundHalfEven(double x) {
  double r = std::round(x);  // halves away from zero
  if (std::fabs(x - std::trunc(x)) == 0.5) r = 2.0 * std::round(x / 2.0);
  return r;
}

// Rounds half to even into a signed 32-bit value; nullopt when out of range.
std::optional<std::int32_t> toInt32(double value);

// The locale's decimal sign, or "." when it is missing or would clash with the record
// separator, with digits or with a sign.
std::string usableDecimalSign(std::string_view localeSign);

// ---- plain decimals -----------------------------------------------------------------

// The lenient reading used for PID texts typed or shown in the list: leading blanks,
// tabs and line feeds are skipped; "&H" and hexadecimal digits give a 32-bit two's
// complement value (eight digits with the top bit set are negative); otherwise an
// optional sign, digits and an optional "." fraction are read up to the first
// character that does not fit. Text without a number (or a hexadecimal number too
// wide for 32 bits) reads as 0.
double readLeadingNumber(std::string_view text);

// A whole field: optional sign, digits, optionally the decimal sign and more digits.
std::optional<double> parseDecimal(std::string_view text, std::string_view decimalSign);

// Shortest fixed-notation text that reads back as the same double.
std::string shortestText(double value, std::string_view decimalSign);

// ---- 15 significant digits (the memory figures) -------------------------------------

// Up to 15 significant digits, the fraction only when there is one ("1310720",
// "1310720,5").
std::string significantText(double value, std::string_view decimalSign);

// Reads back a text written by significantText with the same decimal sign.
std::optional<double> parseSignificant(std::string_view text, std::string_view decimalSign);

// `value` with exactly `decimals` decimals, rounded half away from zero on its
// 15-significant-digit decimal form, so 2.675 gives 2.68 as it reads.
std::string decimalsText(double value, int decimals, std::string_view decimalSign);

// A byte count scaled by 1024 while it is above 1000 (through KB, MB, GB), then written
// with two decimals below 10, one below 100 and none above: "312 MB", "8.58 MB", "512".
std::string sizeText(double bytes, std::string_view decimalSign);

// ---- fixed point with four places (CPU times) ---------------------------------------
// CPU times travel as signed 64-bit fixed-point numbers with four decimal places whose
// value is milliseconds: the stored integer is the OS time in 100 ns units, taken over
// bit for bit.

// "-" if negative, the integer part, and only when the fraction is nonzero the decimal
// sign and up to four fraction digits without trailing zeros: 15000 gives "1.5".
std::string fixedPointText(std::int64_t stored, std::string_view decimalSign);
void appendFixedPointText(std::string& out, std::int64_t stored, std::string_view decimalSign);

// Reads such a text back exactly (more than four fraction digits round half to even);
// nullopt for anything that is not a number or does not fit.
std::optional<std::int64_t> parseFixedPoint(std::string_view text, std::string_view decimalSign);

// hh:mm:ss of a CPU time given as the stored integer; hours take as many digits as
// needed.
std::string cpuTimeText(std::int64_t stored);

}  // namespace ledra::common
