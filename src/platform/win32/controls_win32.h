// The real controls of the window: each control-model interface over its common
// control or GDI object. Positions in twips become pixels with the screen's DPI.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/controls.h"
#include "platform/unique_handle.h"
#include "platform/win32/dc_scope.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace ledra::platform::win32 {

using GdiObject = UniqueHandle<HGDIOBJ, &DeleteObject>;
using MemoryDc = UniqueHandle<HDC, &DeleteDC>;
using ImageListHandle = UniqueHandle<HIMAGELIST, &ImageList_Destroy>;
using FontHandle = UniqueHandle<HFONT, &DeleteObject>;

// Screen resolution, for the twips and points of the design.
struct Dpi {
  int x = 96, y = 96;
  static Dpi ofScreen();
  int pxX(int twips) const { return MulDiv(twips, x, 1440); }
  int pxY(int twips) const { return MulDiv(twips, y, 1440); }
  int twipsX(int px) const { return MulDiv(px, 1440, x); }
  int twipsY(int px) const { return MulDiv(px, 1440, y); }
};

// The one UI font of the controls: 9 points, Chinese character set.
HFONT createUiFont(int dpiY, TextPath path);

// Window classes of the containers (panels, frames, picture boxes) and canvases, on
// the window's text path.
inline constexpr char kBoxClass[] = "LedraBox";
inline constexpr char kCanvasClass[] = "LedraCanvas";
void registerControlClasses(HINSTANCE instance, TextPath path);

// Answers WM_CTLCOLORSTATIC for coloured labels; 0 when the label keeps the defaults.
LRESULT labelColours(HWND label, HDC dc, TextPath path);

class ImageListControl;
class IconSurfaceControl;

class ListViewControl : public ListView {
 public:
  ListViewControl(HWND hwnd, Dpi dpi, TextPath path);
  HWND hwnd() const { return hwnd_; }

  void clearColumns() override;
  void addColumn(std::string_view header, int widthTwips, Align align) override;
  void setColumnAlign(int column, Align align) override;
  int rowCount() const override { return static_cast<int>(rows_.size()); }
  void addRow(std::string_view key, std::string_view text, int largeImage, int smallImage) override;
  void insertRow(int row, std::string_view key, std::string_view text, int largeImage, int smallImage) override;
  void removeRow(int row) override;
  void setRowImage(int row, int largeImage, int smallImage) override;
  void setRowKey(int, std::string_view) override {}  // the native list keeps no keys
  void clearRows() override;
  std::string cell(int row, int column) const override;
  void setCell(int row, int column, std::string_view text) override;
  std::string rowTag(int row) const override;
  void setRowTag(int row, std::string_view tag) override;
  int selectedRow() const override;
  void selectRow(int row) override;
  void setFocus() override;
  int topRow() const override;
  void setTopRow(int row) override;
  void setLargeImageList(ImageList* list) override;
  void setSmallImageList(ImageList* list) override;
  void beginUpdate() override;
  void endUpdate() override;
  void pageShowing();  // lets go of a repaint held while the page was hidden

 private:
  struct Row {
    std::string tag;
    std::vector<std::string> cells;  // what the control shows, so reads cost nothing
  };
  bool valid(int row) const { return row >= 0 && row < rowCount(); }
  void attach(ImageList* list, int which);
  void reshaping();  // rows, columns or images change: hold the repaint until endUpdate
  void release();
  void scrollTo(int row);

  HWND hwnd_;
  Dpi dpi_;
  TextPath path_;
  int columns_ = 0;
  int updateDepth_ = 0;
  bool redrawHeld_ = false;
  bool hidden_ = false;  // its page was hidden when the update began
  int pendingTop_ = -1;  // the top row asked for while the repaint was held
  std::vector<Row> rows_;
};

class IconSurfaceControl : public IconSurface {
 public:
  IconSurfaceControl(int widthPx, int heightPx);
  IconSurfaceControl(const IconSurfaceControl&) = delete;
  IconSurfaceControl& operator=(const IconSurfaceControl&) = delete;
  void clear() override;
  void resize(int widthPx, int heightPx) override;
  int widthPx() const override { return width_; }
  int heightPx() const override { return height_; }
  bool drawIconEx(IconHandle icon, int x, int y, int width, int height) override;
  bool drawIcon(IconHandle icon, int x, int y) override;
  HDC dc() const { return dc_.get(); }

 private:
  MemoryDc dc_;
  GdiObject bitmap_;
  SelectedObject selection_;  // declared after what it holds: let go of first
  int width_ = 0, height_ = 0;
};

class ImageListControl : public ImageList {
 public:
  ImageListControl(int widthPx, int heightPx);
  HIMAGELIST handle() const { return list_.get(); }
  void clear() override;
  int count() const override;
  void setImageSize(int widthPx, int heightPx) override;
  void addFrom(const IconSurface& surface) override;
  void replaceFrom(int image, const IconSurface& surface) override;
  void remove(int image) override;
  void addIcon(IconHandle icon) override;

 private:
  // The surface's picture at the list's size, in a bitmap no DC holds; none when the
  // surface is not a real one.
  GdiObject pictureOf(const IconSurface& surface) const;

  ImageListHandle list_;
  int width_, height_;
};

// A picture box with a persistent memory bitmap, painted on WM_PAINT. Drawing units are
// twips or points from the top-left of the area inside the border.
class CanvasControl : public Canvas {
 public:
  CanvasControl(HWND hwnd, Dpi dpi, bool points, COLORREF background, TextPath path);
  CanvasControl(const CanvasControl&) = delete;
  CanvasControl& operator=(const CanvasControl&) = delete;
  ~CanvasControl() override;
  HWND hwnd() const { return hwnd_; }
  void clear() override;
  void point(float x, float y, Rgb colour) override;
  void line(float x1, float y1, float x2, float y2, Rgb colour) override;
  void rectangle(float x1, float y1, float x2, float y2, Rgb colour) override;
  float width() const override;
  float height() const override;
  void present() override;

  void paint(HDC target);
  COLORREF pixel(int x, int y) {
    flush();
    settle();
    return GetPixel(dc_.get(), x, y);
  }

 private:
  int toPxX(float v) const;
  int toPxY(float v) const;
  void fill(int left, int top, int right, int bottom, COLORREF colour);
  HPEN pen(COLORREF colour);
  void flush();   // draws the pending run of joined lines
  void settle();  // before the DIB's memory is written directly
  void put(int x, int y, COLORREF colour);

  HWND hwnd_;
  Dpi dpi_;
  TextPath path_;
  float unitsPerInch_;
  COLORREF background_;
  int width_ = 0, height_ = 0;  // of the bitmap, pixels
  MemoryDc dc_;
  GdiObject bitmap_;
  SelectedObject bitmapSelection_;  // each after what it holds: let go of first
  GdiObject pen_;
  COLORREF penColour_ = 0;
  SelectedObject penSelection_;
  // Lines that join end to start in one colour (a graph's history) go out as one
  // polyline: one GDI call where each line alone takes three.
  std::vector<POINT> run_;
  COLORREF runColour_ = 0;
  std::uint32_t* bits_ = nullptr;  // the DIB's pixels, rows top-down
  bool gdiPending_ = false;
};

class LabelControl : public Label {
 public:
  LabelControl(HWND hwnd, std::string caption, bool coloured, Rgb fore, Rgb back, TextPath path);
  HWND hwnd() const { return hwnd_; }
  std::string caption() const override { return caption_; }
  void setCaption(std::string_view text) override;
  bool coloured() const { return coloured_; }
  COLORREF fore() const { return fore_; }
  COLORREF back() const { return back_; }
  HBRUSH brush() const { return static_cast<HBRUSH>(brush_.get()); }

 private:
  HWND hwnd_;
  TextPath path_;
  std::string caption_;
  bool coloured_;
  COLORREF fore_, back_;
  GdiObject brush_;
};

class StatusBarControl : public StatusBar {
 public:
  StatusBarControl(HWND hwnd, Dpi dpi, std::span<const int> widthsTwips, TextPath path);
  HWND hwnd() const { return hwnd_; }
  std::string panelText(int panel) const override;
  void setPanelText(int panel, std::string_view text) override;

 private:
  HWND hwnd_;
  TextPath path_;
  int panels() const { return static_cast<int>(texts_.size()); }
  std::vector<std::string> texts_;
};

class MenuItemControl : public MenuItem {
 public:
  MenuItemControl(HMENU menu, UINT id) : menu_(menu), id_(id) {}
  bool checked() const override;
  void setChecked(bool checked) override;

 private:
  HMENU menu_;
  UINT id_;
};

// WM_TIMER on the main window. Holds its settings until start(), so no tick comes
// before the window is up.
class TimerControl : public Timer {
 public:
  TimerControl(HWND owner, UINT_PTR id, int intervalMs, bool enabled)
      : owner_(owner), id_(id), interval_(intervalMs), enabled_(enabled) {}
  ~TimerControl() override { stop(); }
  int interval() const override { return interval_; }
  void setInterval(int ms) override;
  bool enabled() const override { return enabled_; }
  void setEnabled(bool enabled) override;
  void start();
  void stop();
  UINT_PTR id() const { return id_; }

 private:
  void apply();
  HWND owner_;
  UINT_PTR id_;
  int interval_;
  bool enabled_;
  bool started_ = false;
};

class PanelControl : public Panel {
 public:
  PanelControl(HWND hwnd, Dpi dpi, int leftTwips, int topTwips, TextPath path)
      : hwnd_(hwnd), dpi_(dpi), path_(path), left_(leftTwips), top_(topTwips) {}
  HWND hwnd() const { return hwnd_; }
  void holds(ListViewControl* list) { lists_.push_back(list); }
  bool visible() const override;
  void setVisible(bool visible) override;
  int left() const override { return left_; }
  int top() const override { return top_; }
  void move(int leftTwips, int topTwips) override;

 private:
  HWND hwnd_;
  Dpi dpi_;
  TextPath path_;
  int left_, top_;  // twips as set, so no rounding drifts
  std::vector<ListViewControl*> lists_;
};

class TabStripControl : public TabStrip {
 public:
  TabStripControl(HWND hwnd, TextPath path) : hwnd_(hwnd), path_(path) {}
  HWND hwnd() const { return hwnd_; }
  int selectedPosition() const override;
  void select(int position) override;

 private:
  HWND hwnd_;
  TextPath path_;
};

class WindowControl : public Window {
 public:
  WindowControl(HWND hwnd, Dpi dpi, int clientHeightTwips, HICON icon)
      : hwnd_(hwnd), dpi_(dpi), clientHeight_(clientHeightTwips), icon_(icon) {}
  WindowHandle handle() const override { return fromWindow(hwnd_); }
  IconHandle icon() const override { return fromIcon(icon_); }
  int widthTwips() const override;
  void setWidthTwips(int width) override;
  void minimize() override;
  bool minimized() const override { return IsIconic(hwnd_) != FALSE; }
  void endProgram() override;

 private:
  HWND hwnd_;
  Dpi dpi_;
  int clientHeight_;
  HICON icon_;
};

}  // namespace ledra::platform::win32
