// Scopes for what GDI wants paired: an object selected into a DC and put back, a paint
// DC ended, a window DC released.
#pragma once

#include <windows.h>

namespace ledra::platform::win32 {

// A DC must let go of our objects before they are deleted: what it held before the
// first selection is put back when the scope ends. Selecting again (a fresh bitmap or
// pen into the same DC) keeps that first object as the one to put back.
class SelectedObject {
 public:
  SelectedObject() = default;
  SelectedObject(HDC dc, HGDIOBJ object) { select(dc, object); }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  ~SelectedObject() {
    if (original_) SelectObject(dc_, original_);
  }
  void select(HDC dc, HGDIOBJ object) {
    HGDIOBJ previous = SelectObject(dc, object);
    if (original_) return;
    dc_ = dc;
    original_ = previous;
  }

 private:
  HDC dc_ = nullptr;
  HGDIOBJ original_ = nullptr;
};

// BeginPaint / EndPaint.
class PaintDc {
 public:
  explicit PaintDc(HWND hwnd) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &ps_)) {}
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;
  ~PaintDc() { EndPaint(hwnd_, &ps_); }
  HDC get() const { return dc_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// GetDC / ReleaseDC; a null window is the screen.
class WindowDc {
 public:
  explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_) ReleaseDC(hwnd_, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

}  // namespace ledra::platform::win32
