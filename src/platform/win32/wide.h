// Text conversions at the Win32 boundary: the program's UTF-8 to and from the
// wide (UTF-16) entry points and the ANSI code page that the single-byte entry
// points speak.
#pragma once

#include <string>
#include <string_view>

namespace ledra::platform::win32 {

// UTF-8 to UTF-16; invalid sequences are treated as the system converter does.
std::wstring toWide(std::string_view utf8);
// UTF-16 to UTF-8.
std::string fromWide(std::wstring_view utf16);
// UTF-8 to the ANSI code page; characters it lacks become its default character.
std::string toAnsi(std::string_view utf8);
// ANSI code page to UTF-8.
std::string fromAnsi(std::string_view ansi);

}  // namespace ledra::platform::win32
