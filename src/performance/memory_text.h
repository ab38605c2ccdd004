// How the memory figures are written and read back: the locale's decimal sign, plain
// numbers with up to 15 significant digits, and the size text of the memory meter.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ledra::performance {

// A number as plain text: up to 15 significant digits, the fraction only when there is
// one, `decimal` as the decimal sign ("1310720", "1310720,5").
std::string NumberText(double value, std::string_view decimal);

// Reads back a text written by NumberText with the same decimal sign; nullopt when it is
// not a number.
std::optional<double> ParseNumber(std::string_view text, std::string_view decimal);

// `value` with exactly `decimals` decimals, rounded half away from zero on its
// 15-significant-digit decimal form, so 2.675 gives 2.68 as it reads.
std::string FixedText(double value, int decimals, std::string_view decimal);

// A byte count scaled by 1024 while it is above 1000 (through KB, MB, GB), then written
// with two decimals below 10, one below 100 and none above: "312 MB", "8.58 MB", "512".
std::string SizeText(double bytes, std::string_view decimal);

}  // namespace ledra::performance
