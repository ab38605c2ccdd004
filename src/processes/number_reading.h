// How the Processes page reads numbers back from texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ledra::processes {

// The lenient reading used for PID texts typed or shown in the list: leading blanks,
// tabs and line feeds are skipped; "&H" and hexadecimal digits give a 32-bit two's
// complement value (eight digits with the top bit set are negative); otherwise an
// optional sign, digits and an optional "." fraction are read up to the first
// character that does not fit. Text without a number (or a hexadecimal number too
// wide for 32 bits) reads as 0.
double ReadNumber(std::string_view text);

// The strict conversion of a whole field written in the user's locale: optional sign,
// digits, optionally the decimal sign and more digits. nullopt for anything else.
std::optional<double> ConvertNumber(std::string_view text, std::string_view decimalSign);

// Rounds half to even into a signed 32-bit value; nullopt when out of range.
std::optional<std::int32_t> ToInt32(double value);

// Shortest decimal text that reads back as the same double, with the given decimal sign.
std::string ShortestText(double value, std::string_view decimalSign);

}  // namespace ledra::processes
