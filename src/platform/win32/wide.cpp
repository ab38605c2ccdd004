#include "platform/win32/wide.h"

#include <windows.h>

namespace ledra::platform::win32 {
namespace {

std::wstring multiToWide(unsigned codePage, std::string_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  int units = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  if (units <= 0) return {};
  std::wstring out(static_cast<std::size_t>(units), L'\0');
  units = MultiByteToWideChar(codePage, 0, text.data(), length, out.data(), units);
  out.resize(units > 0 ? static_cast<std::size_t>(units) : 0);
  return out;
}

std::string wideToMulti(unsigned codePage, std::wstring_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  int bytes = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string out(static_cast<std::size_t>(bytes), '\0');
  bytes = WideCharToMultiByte(codePage, 0, text.data(), length, out.data(), bytes, nullptr,
                              nullptr);
  out.resize(bytes > 0 ? static_cast<std::size_t>(bytes) : 0);
  return out;
}

}  // namespace

std::wstring toWide(std::string_view utf8) { return multiToWide(CP_UTF8, utf8); }
std::string fromWide(std::wstring_view utf16) { return wideToMulti(CP_UTF8, utf16); }
std::string toAnsi(std::string_view utf8) { return wideToMulti(CP_ACP, toWide(utf8)); }
std::string fromAnsi(std::string_view ansi) { return fromWide(multiToWide(CP_ACP, ansi)); }

}  // namespace ledra::platform::win32
