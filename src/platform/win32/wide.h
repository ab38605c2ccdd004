// Text at the Win32 boundary: the program's UTF-8 to and from the wide (UTF-16) entry
// points and the ANSI code page that the single-byte entry points speak, and the
// entry points the window itself goes through.
#pragma once

#include <windows.h>

#include <functional>
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

// The entry points of the window, its controls and its message loop. The NT family
// takes the wide ones, so every caption round-trips. The 9x family exports the wide
// window calls only as stubs that fail, so there everything goes through the ANSI ones,
// text converted to the system code page (what it cannot hold shows as its default
// character). Chosen once, from the OS family, by whoever creates the window.
class TextPath {
 public:
  static TextPath forFamily(bool nt) { return TextPath(!nt); }
  bool ansi() const { return ansi_; }

  // Class names are ASCII.
  bool registerClass(HINSTANCE instance, std::string_view name, WNDPROC proc, HICON icon, HICON smallIcon,
                     HCURSOR cursor, HBRUSH background, UINT style = 0) const;
  HWND createWindow(DWORD exStyle, std::string_view className, std::string_view text, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menuOrId, HINSTANCE instance, void* param) const;
  LRESULT defWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) const;
  LRESULT send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) const;
  LONG_PTR windowLong(HWND hwnd, int index) const;
  void setWindowLong(HWND hwnd, int index, LONG_PTR value) const;
  bool setText(HWND hwnd, std::string_view text) const;
  std::string text(HWND hwnd) const;  // up to 255 characters
  // Runs GetMessage / TranslateMessage / DispatchMessage until WM_QUIT; its wParam. A
  // message `handled` answers true for goes no further.
  int runMessageLoop(const std::function<bool(const MSG&)>& handled) const;

  bool appendMenu(HMENU menu, UINT flags, UINT_PTR idOrPopup, std::string_view text) const;
  // Icon resource `id` of `instance` at the size, a copy of its own that the caller
  // destroys (DestroyIcon); nullptr when there is none.
  HICON loadIcon(HINSTANCE instance, int id, int size) const;
  HICON applicationIcon() const;
  HCURSOR arrowCursor() const;

  HFONT createFont(int height, BYTE charset, std::string_view face) const;
  std::string textFace(HDC dc) const;
  int textHeight(HDC dc) const;
  int textWidth(HDC dc, std::string_view text) const;
  void textOut(HDC dc, int x, int y, UINT options, const RECT& clip, std::string_view text) const;

  // The text messages of the common controls.
  bool insertColumn(HWND list, int index, std::string_view text, int format, int width) const;
  bool setColumnFormat(HWND list, int index, int format) const;
  bool insertItem(HWND list, int row, std::string_view text, int image) const;
  bool setItemText(HWND list, int row, int column, std::string_view text) const;
  bool insertTab(HWND tabs, int index, std::string_view text) const;
  bool setPanelText(HWND bar, int part, std::string_view text) const;

 private:
  explicit TextPath(bool ansi) : ansi_(ansi) {}
  bool ansi_;
};

}  // namespace ledra::platform::win32
