#include "platform/win32/wide.h"

#include <commctrl.h>

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
  bytes = WideCharToMultiByte(codePage, 0, text.data(), length, out.data(), bytes, nullptr, nullptr);
  out.resize(bytes > 0 ? static_cast<std::size_t>(bytes) : 0);
  return out;
}

constexpr WORD kSystemArrow = 32512;        // IDC_ARROW
constexpr WORD kSystemApplication = 32512;  // IDI_APPLICATION

}  // namespace

std::wstring toWide(std::string_view utf8) { return multiToWide(CP_UTF8, utf8); }
std::string fromWide(std::wstring_view utf16) { return wideToMulti(CP_UTF8, utf16); }
std::string toAnsi(std::string_view utf8) { return wideToMulti(CP_ACP, toWide(utf8)); }
std::string fromAnsi(std::string_view ansi) { return fromWide(multiToWide(CP_ACP, ansi)); }

// ---- windows and messages --------------------------------------------------------------

bool TextPath::registerClass(HINSTANCE instance, std::string_view name, WNDPROC proc, HICON icon, HICON smallIcon,
                             HCURSOR cursor, HBRUSH background, UINT style) const {
  if (ansi_) {
    const std::string className = toAnsi(name);
    WNDCLASSEXA cls{};
    cls.cbSize = sizeof(cls);
    cls.style = style;
    cls.lpfnWndProc = proc;
    cls.hInstance = instance;
    cls.hIcon = icon;
    cls.hIconSm = smallIcon;
    cls.hCursor = cursor;
    cls.hbrBackground = background;
    cls.lpszClassName = className.c_str();
    return RegisterClassExA(&cls) != 0;
  }
  const std::wstring className = toWide(name);
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof(cls);
  cls.style = style;
  cls.lpfnWndProc = proc;
  cls.hInstance = instance;
  cls.hIcon = icon;
  cls.hIconSm = smallIcon;
  cls.hCursor = cursor;
  cls.hbrBackground = background;
  cls.lpszClassName = className.c_str();
  return RegisterClassExW(&cls) != 0;
}

HWND TextPath::createWindow(DWORD exStyle, std::string_view className, std::string_view text, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU menuOrId, HINSTANCE instance, void* param) const {
  if (ansi_)
    return CreateWindowExA(exStyle, toAnsi(className).c_str(), toAnsi(text).c_str(), style, x, y, width, height, parent,
                           menuOrId, instance, param);
  return CreateWindowExW(exStyle, toWide(className).c_str(), toWide(text).c_str(), style, x, y, width, height, parent,
                         menuOrId, instance, param);
}

LRESULT TextPath::defWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) const {
  return ansi_ ? DefWindowProcA(hwnd, message, wParam, lParam) : DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT TextPath::send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) const {
  return ansi_ ? SendMessageA(hwnd, message, wParam, lParam) : SendMessageW(hwnd, message, wParam, lParam);
}

LONG_PTR TextPath::windowLong(HWND hwnd, int index) const {
  return ansi_ ? GetWindowLongPtrA(hwnd, index) : GetWindowLongPtrW(hwnd, index);
}

void TextPath::setWindowLong(HWND hwnd, int index, LONG_PTR value) const {
  if (ansi_)
    SetWindowLongPtrA(hwnd, index, value);
  else
    SetWindowLongPtrW(hwnd, index, value);
}

bool TextPath::setText(HWND hwnd, std::string_view text) const {
  return (ansi_ ? SetWindowTextA(hwnd, toAnsi(text).c_str()) : SetWindowTextW(hwnd, toWide(text).c_str())) != 0;
}

std::string TextPath::text(HWND hwnd) const {
  if (ansi_) {
    char buffer[512] = {};  // 255 double-byte characters
    const int n = GetWindowTextA(hwnd, buffer, static_cast<int>(sizeof buffer));
    return n > 0 ? fromAnsi(std::string_view(buffer, static_cast<std::size_t>(n))) : std::string();
  }
  wchar_t buffer[256] = {};
  const int n = GetWindowTextW(hwnd, buffer, 256);
  return n > 0 ? fromWide(std::wstring_view(buffer, static_cast<std::size_t>(n))) : std::string();
}

int TextPath::runMessageLoop(const std::function<bool(const MSG&)>& handled) const {
  MSG message{};
  if (ansi_) {
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
      if (handled && handled(message)) continue;
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  } else {
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      if (handled && handled(message)) continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return static_cast<int>(message.wParam);
}

// ---- menus, icons, cursors ----------------------------------------------------------------

bool TextPath::appendMenu(HMENU menu, UINT flags, UINT_PTR idOrPopup, std::string_view text) const {
  if (ansi_) return AppendMenuA(menu, flags, idOrPopup, toAnsi(text).c_str()) != 0;
  return AppendMenuW(menu, flags, idOrPopup, toWide(text).c_str()) != 0;
}

HICON TextPath::loadIcon(HINSTANCE instance, int id, int size) const {
  // Not LR_SHARED: a shared load answers the image of the resource that was loaded first,
  // whatever size is asked, so the small icon would be the large one shrunk.
  const auto resource = static_cast<WORD>(id);
  return static_cast<HICON>(ansi_ ? LoadImageA(instance, MAKEINTRESOURCEA(resource), IMAGE_ICON, size, size, 0)
                                  : LoadImageW(instance, MAKEINTRESOURCEW(resource), IMAGE_ICON, size, size, 0));
}

HICON TextPath::applicationIcon() const {
  return ansi_ ? LoadIconA(nullptr, MAKEINTRESOURCEA(kSystemApplication))
               : LoadIconW(nullptr, MAKEINTRESOURCEW(kSystemApplication));
}

HCURSOR TextPath::arrowCursor() const {
  return ansi_ ? LoadCursorA(nullptr, MAKEINTRESOURCEA(kSystemArrow))
               : LoadCursorW(nullptr, MAKEINTRESOURCEW(kSystemArrow));
}

// ---- fonts and text on a DC ---------------------------------------------------------------

HFONT TextPath::createFont(int height, BYTE charset, std::string_view face) const {
  if (ansi_)
    return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, toAnsi(face).c_str());
  return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, toWide(face).c_str());
}

std::string TextPath::textFace(HDC dc) const {
  if (ansi_) {
    char face[LF_FACESIZE] = {};
    const int n = GetTextFaceA(dc, LF_FACESIZE, face);
    return n > 0 ? fromAnsi(face) : std::string();
  }
  wchar_t face[LF_FACESIZE] = {};
  const int n = GetTextFaceW(dc, LF_FACESIZE, face);
  return n > 0 ? fromWide(face) : std::string();
}

int TextPath::textHeight(HDC dc) const {
  if (ansi_) {
    TEXTMETRICA metrics{};
    return GetTextMetricsA(dc, &metrics) ? metrics.tmHeight : 0;
  }
  TEXTMETRICW metrics{};
  return GetTextMetricsW(dc, &metrics) ? metrics.tmHeight : 0;
}

int TextPath::textWidth(HDC dc, std::string_view text) const {
  SIZE size{};
  if (ansi_) {
    const std::string ansi = toAnsi(text);
    GetTextExtentPoint32A(dc, ansi.data(), static_cast<int>(ansi.size()), &size);
  } else {
    const std::wstring wide = toWide(text);
    GetTextExtentPoint32W(dc, wide.data(), static_cast<int>(wide.size()), &size);
  }
  return size.cx;
}

void TextPath::textOut(HDC dc, int x, int y, UINT options, const RECT& clip, std::string_view text) const {
  if (ansi_) {
    const std::string ansi = toAnsi(text);
    ExtTextOutA(dc, x, y, options, &clip, ansi.data(), static_cast<UINT>(ansi.size()), nullptr);
    return;
  }
  const std::wstring wide = toWide(text);
  ExtTextOutW(dc, x, y, options, &clip, wide.data(), static_cast<UINT>(wide.size()), nullptr);
}

// ---- common controls ------------------------------------------------------------------------

namespace {

// One body for both forms: the A and W structures differ only in their text pointers.
template <typename Column, typename Text>
Column makeColumn(UINT mask, int index, Text* text, int format, int width) {
  Column column{};
  column.mask = mask;
  column.fmt = format;
  column.cx = width;
  column.pszText = text;
  column.iSubItem = index;
  return column;
}

}  // namespace

bool TextPath::insertColumn(HWND list, int index, std::string_view text, int format, int width) const {
  constexpr UINT kMask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  if (ansi_) {
    std::string ansi = toAnsi(text);
    auto column = makeColumn<LVCOLUMNA>(kMask, index, ansi.data(), format, width);
    return SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)) >= 0;
  }
  std::wstring wide = toWide(text);
  auto column = makeColumn<LVCOLUMNW>(kMask, index, wide.data(), format, width);
  return SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)) >= 0;
}

bool TextPath::setColumnFormat(HWND list, int index, int format) const {
  if (ansi_) {
    auto column = makeColumn<LVCOLUMNA, char>(LVCF_FMT, 0, nullptr, format, 0);
    return SendMessageA(list, LVM_SETCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)) != 0;
  }
  auto column = makeColumn<LVCOLUMNW, wchar_t>(LVCF_FMT, 0, nullptr, format, 0);
  return SendMessageW(list, LVM_SETCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)) != 0;
}

bool TextPath::insertItem(HWND list, int row, std::string_view text, int image) const {
  auto fill = [&](auto& item, auto* chars) {
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = row;
    item.pszText = chars;
    item.iImage = image;
  };
  if (ansi_) {
    std::string ansi = toAnsi(text);
    LVITEMA item{};
    fill(item, ansi.data());
    return SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)) >= 0;
  }
  std::wstring wide = toWide(text);
  LVITEMW item{};
  fill(item, wide.data());
  return SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) >= 0;
}

bool TextPath::setItemText(HWND list, int row, int column, std::string_view text) const {
  if (ansi_) {
    std::string ansi = toAnsi(text);
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = ansi.data();
    return SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)) != 0;
  }
  std::wstring wide = toWide(text);
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = wide.data();
  return SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)) != 0;
}

bool TextPath::insertTab(HWND tabs, int index, std::string_view text) const {
  if (ansi_) {
    std::string ansi = toAnsi(text);
    TCITEMA tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = ansi.data();
    return SendMessageA(tabs, TCM_INSERTITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&tab)) >= 0;
  }
  std::wstring wide = toWide(text);
  TCITEMW tab{};
  tab.mask = TCIF_TEXT;
  tab.pszText = wide.data();
  return SendMessageW(tabs, TCM_INSERTITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&tab)) >= 0;
}

bool TextPath::setPanelText(HWND bar, int part, std::string_view text) const {
  if (ansi_)
    return SendMessageA(bar, SB_SETTEXTA, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(toAnsi(text).c_str())) !=
           0;
  return SendMessageW(bar, SB_SETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(toWide(text).c_str())) != 0;
}

}  // namespace ledra::platform::win32
