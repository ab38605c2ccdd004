// CPU times travel as signed 64-bit fixed-point numbers with four decimal places whose
// value is milliseconds: the stored integer is the OS time in 100 ns units, taken over
// bit for bit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/system.h"

namespace ledra::processes {

// The user's decimal sign, or "." when it is missing or would clash with the record
// separator or with digits.
std::string DecimalSign(platform::System& system);

// "-" if negative, the integer part, and only when the fraction is nonzero the decimal
// sign and up to four fraction digits without trailing zeros: 15000 gives "1.5".
std::string FixedPointText(std::int64_t stored, std::string_view decimalSign);
void AppendFixedPointText(std::string& out, std::int64_t stored, std::string_view decimalSign);

// Reads such a text back exactly (more than four fraction digits round half to even);
// nullopt for anything that is not a number or does not fit.
std::optional<std::int64_t> ParseFixedPoint(std::string_view text, std::string_view decimalSign);

// hh:mm:ss of a CPU time given as the stored integer; hours take as many digits as
// needed.
std::string FormatCpuTime(std::int64_t stored);

}  // namespace ledra::processes
