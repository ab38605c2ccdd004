// The vocabulary of the window's controls: small interfaces named after what the
// window's code asks of a control. Implemented over comctl32/GDI in platform/win32 and
// in memory for the tests. Text is UTF-8. Rows and columns are 0-based here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/system.h"

namespace ledra::platform {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

enum class Align { Left, Right, Centre };

class ImageList;
class IconSurface;

// A report-view list with keyed rows, sub-items and tags.
class ListView {
 public:
  virtual ~ListView() = default;

  // Columns.
  virtual void clearColumns() = 0;
  // width in twips
  virtual void addColumn(std::string_view header, int widthTwips, Align align) = 0;
  virtual void setColumnAlign(int column, Align align) = 0;

  // Rows. Rows stay at the position where they were added (no sorting).
  virtual int rowCount() const = 0;
  // Appends a row; image numbers are 1-based positions in the attached image lists,
  // 0 = no image.
  virtual void addRow(std::string_view key, std::string_view text, int largeImage = 0, int smallImage = 0) = 0;
  // Inserts a row before `row` (rowCount() appends); the rows from there on move down
  // one, keeping their selection, tags and keys.
  virtual void insertRow(int row, std::string_view key, std::string_view text, int largeImage = 0,
                         int smallImage = 0) = 0;
  virtual void removeRow(int row) = 0;
  // A row's image numbers; the row is drawn again even when they stay, as the picture
  // behind a number may have been replaced.
  virtual void setRowImage(int row, int largeImage, int smallImage) = 0;
  // A row's key, for rows that moved (nothing reads a key back).
  virtual void setRowKey(int row, std::string_view key) = 0;
  virtual void clearRows() = 0;
  // Column 0 is the item text, 1.. the sub-items.
  virtual std::string cell(int row, int column) const = 0;
  virtual void setCell(int row, int column, std::string_view text) = 0;
  virtual std::string rowTag(int row) const = 0;
  virtual void setRowTag(int row, std::string_view tag) = 0;

  // Selection: -1 when no row is selected.
  virtual int selectedRow() const = 0;
  virtual void selectRow(int row) = 0;  // -1 clears the selection, a row is scrolled into view
  virtual void setFocus() = 0;

  // Scrolling: the row shown at the top (0 when there are none), and scrolling towards a
  // row as far as the list lets it be the top one.
  virtual int topRow() const = 0;
  virtual void setTopRow(int row) = 0;

  // Image lists shown with the rows (not owned by the list view).
  virtual void setLargeImageList(ImageList* list) = 0;
  virtual void setSmallImageList(ImageList* list) = 0;

  // Suspends repainting while a tick updates many cells; nests.
  virtual void beginUpdate() = 0;
  virtual void endUpdate() = 0;
};

// Keeps a list from repainting while a page writes it, on every path.
class ListUpdate {
 public:
  explicit ListUpdate(ListView& list) : list_(list) { list_.beginUpdate(); }
  ~ListUpdate() { list_.endUpdate(); }
  ListUpdate(const ListUpdate&) = delete;
  ListUpdate& operator=(const ListUpdate&) = delete;

 private:
  ListView& list_;
};

// An image list holding the task icons.
class ImageList {
 public:
  virtual ~ImageList() = default;
  virtual void clear() = 0;
  virtual int count() const = 0;
  virtual void setImageSize(int widthPx, int heightPx) = 0;
  // Appends the surface's current picture (scaled to the list's image size).
  virtual void addFrom(const IconSurface& surface) = 0;
  // The picture at a 1-based position becomes the surface's current one.
  virtual void replaceFrom(int image, const IconSurface& surface) = 0;
  // Removes the picture at a 1-based position; those after it move up one.
  virtual void remove(int image) = 0;
  // Appends the window's own icon.
  virtual void addIcon(IconHandle icon) = 0;
};

// An off-screen white picture box that icons are drawn into (Pic_Large, Pic_Small).
class IconSurface {
 public:
  virtual ~IconSurface() = default;
  virtual void clear() = 0;  // white, no picture
  virtual void resize(int widthPx, int heightPx) = 0;
  virtual int widthPx() const = 0;
  virtual int heightPx() const = 0;
  // DrawIconEx with DI_NORMAL; false when nothing was drawn (icon 0 included).
  virtual bool drawIconEx(IconHandle icon, int x, int y, int width, int height) = 0;
  // DrawIcon at the icon's own size.
  virtual bool drawIcon(IconHandle icon, int x, int y) = 0;
};

// A picture box drawn in its own unit (twips or points); origin top-left, y downwards.
class Canvas {
 public:
  virtual ~Canvas() = default;
  virtual void clear() = 0;  // to the background colour
  virtual void point(float x, float y, Rgb colour) = 0;
  virtual void line(float x1, float y1, float x2, float y2, Rgb colour) = 0;
  virtual void rectangle(float x1, float y1, float x2, float y2, Rgb colour) = 0;  // outline
  // Outer size in the box's unit.
  virtual float width() const = 0;
  virtual float height() const = 0;
  // Shows what was drawn since clear() (a no-op where drawing is immediate).
  virtual void present() {}
};

class Label {
 public:
  virtual ~Label() = default;
  virtual std::string caption() const = 0;
  virtual void setCaption(std::string_view text) = 0;
};

class StatusBar {
 public:
  virtual ~StatusBar() = default;
  // Panels numbered from 1.
  virtual std::string panelText(int panel) const = 0;
  virtual void setPanelText(int panel, std::string_view text) = 0;
};

class MenuItem {
 public:
  virtual ~MenuItem() = default;
  virtual bool checked() const = 0;
  virtual void setChecked(bool checked) = 0;
};

class Timer {
 public:
  virtual ~Timer() = default;
  virtual int interval() const = 0;
  virtual void setInterval(int ms) = 0;
  virtual bool enabled() const = 0;
  virtual void setEnabled(bool enabled) = 0;
};

// A page panel (PicProperty) or any other positioned control.
class Panel {
 public:
  virtual ~Panel() = default;
  virtual bool visible() const = 0;
  virtual void setVisible(bool visible) = 0;
  virtual int left() const = 0;  // twips
  virtual int top() const = 0;
  virtual void move(int leftTwips, int topTwips) = 0;
};

class TabStrip {
 public:
  virtual ~TabStrip() = default;
  // 1-based position of the selected tab.
  virtual int selectedPosition() const = 0;
  // Selects a tab without raising the click; the caller runs the page switching.
  virtual void select(int position) = 0;
};

// The main window itself.
class Window {
 public:
  virtual ~Window() = default;
  virtual WindowHandle handle() const = 0;
  virtual IconHandle icon() const = 0;
  virtual int widthTwips() const = 0;
  virtual void setWidthTwips(int width) = 0;
  virtual void minimize() = 0;
  virtual bool minimized() const = 0;
  // Ends the program at once: the timer stops and the window goes away.
  virtual void endProgram() = 0;
};

}  // namespace ledra::platform
