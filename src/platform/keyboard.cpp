#include "platform/keyboard.h"

namespace ledra::platform {

namespace {

char upper(char32_t c) {
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return static_cast<char>(c);
  return 0;
}

}  // namespace

char accessKeyOf(std::string_view caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return upper(static_cast<unsigned char>(caption[i + 1]));
  }
  return 0;
}

int accessKeyTarget(std::span<const ControlRow> rows, char32_t key, const Shown& shown) {
  const char wanted = upper(key);
  if (!wanted) return -1;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int place = static_cast<int>(i);
    if (rows[i].kind == ControlKind::Button && accessKeyOf(rows[i].caption) == wanted && shown(place)) return place;
  }
  return -1;
}

bool takesFocus(const ControlRow& row) {
  return row.kind == ControlKind::ListView || row.kind == ControlKind::Button || row.kind == ControlKind::TabStrip;
}

int nextTabStop(std::span<const ControlRow> rows, int from, bool backwards, const Shown& shown) {
  const int n = static_cast<int>(rows.size());
  if (n == 0) return -1;
  const int step = backwards ? n - 1 : 1;
  int place = from >= 0 && from < n ? from : (backwards ? 0 : n - 1);
  for (int tried = 0; tried < n; ++tried) {
    place = (place + step) % n;
    if (takesFocus(rows[static_cast<std::size_t>(place)]) && shown(place)) return place;
  }
  return -1;
}

int nextTab(int position, int count, bool backwards) {
  if (count <= 0) return 0;
  const int zeroBased = position >= 1 && position <= count ? position - 1 : 0;
  return (zeroBased + (backwards ? count - 1 : 1)) % count + 1;
}

}  // namespace ledra::platform
