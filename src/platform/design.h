// The vocabulary a window design is written in: kinds of control, units, a row per
// control and per menu item, and the two interfaces between a window built from such
// rows and the program that drives it. The window knows rows by their names and places;
// what a name means is the program's business.
#pragma once

#include <span>
#include <string_view>

#include "platform/controls.h"

namespace ledra::platform {

enum class ControlKind {
  PictureBox,   // a plain container
  Canvas,       // a picture box that is drawn on
  IconSurface,  // an off-screen picture that icons are drawn into
  ImageList,
  PagePanel,  // one page of a tab strip
  ListView,
  Button,
  Frame,
  Label,
  Timer,
  TabStrip,
  StatusBar,
};

enum class Unit { Twips, Points };

// Design geometry is in twips; at the design's resolution a pixel is this many of them.
inline constexpr int kTwipsPerDesignPixel = 15;

struct ColumnRow {
  std::string_view header;
  int width;  // twips
  Align align;
  friend bool operator==(const ColumnRow&, const ColumnRow&) = default;
};

struct ControlRow {
  std::string_view name;
  int index;  // array index, -1 when not in an array
  ControlKind kind;
  std::string_view parent;  // "" = the window; an array parent is written "PicProperty(2)"
  std::string_view caption;
  int left, top, width, height;  // twips, relative to the parent
  Rgb back{255, 255, 255};
  Rgb fore{0, 0, 0};
  Align align = Align::Left;
  Unit unit = Unit::Twips;
  bool blackBack = false;                   // a coloured label (canvases and the meter labels)
  std::span<const ColumnRow> columns = {};  // list views: the columns they are created with
  int interval = 0;                         // timers: ms, enabled from the start
};

struct MenuRow {
  std::string_view name;
  int index;                // -1 when not in an array
  std::string_view parent;  // "" = the menu bar
  std::string_view caption;
  bool checked;
};

// A whole window: its rows in creation order (children after their container).
struct WindowDesign {
  std::string_view caption;
  int width;         // outer, twips
  int clientHeight;  // twips
  std::span<const ControlRow> controls;
  std::span<const MenuRow> menus;
  std::span<const std::string_view> tabs;  // captions of the tab strip's tabs
  std::span<const int> statusPanels;       // twips, 0 = the rest of the bar
};

// The controls a window made from a design, found by their design name and index,
// typed by the control model. A name the design lacks, or of another kind, finds nothing.
class ControlLookup {
 public:
  virtual ~ControlLookup() = default;
  virtual Window* form() = 0;  // the window itself
  virtual void find(std::string_view name, int index, ListView*& out) = 0;
  virtual void find(std::string_view name, int index, ImageList*& out) = 0;
  virtual void find(std::string_view name, int index, IconSurface*& out) = 0;
  virtual void find(std::string_view name, int index, Canvas*& out) = 0;
  virtual void find(std::string_view name, int index, Label*& out) = 0;
  virtual void find(std::string_view name, int index, StatusBar*& out) = 0;
  virtual void find(std::string_view name, int index, MenuItem*& out) = 0;
  virtual void find(std::string_view name, int index, Timer*& out) = 0;
  virtual void find(std::string_view name, int index, Panel*& out) = 0;
  virtual void find(std::string_view name, int index, TabStrip*& out) = 0;

  template <typename T>
  T* get(std::string_view name, int index = -1) {
    T* control = nullptr;
    find(name, index, control);
    return control;
  }
};

// Keys a focused list passes on to the program.
enum class ListKey { Enter, Delete };

// What happens to a window, by the design's names: the program behind it implements these.
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  // Every control exists; the window is not shown yet and no timer runs.
  virtual void loaded(ControlLookup& controls) = 0;
  // A button or a menu item without a submenu.
  virtual void clicked(std::string_view name, int index) = 0;
  virtual void tabChanged(std::string_view name, int index) = 0;
  virtual void timer(std::string_view name, int index) = 0;
  // The window's size changed (minimising and restoring included).
  virtual void resized() = 0;
  // A key on a focused list; false when it means nothing there (the list then has it).
  virtual bool listKey(std::string_view name, int index, ListKey key) = 0;
};

}  // namespace ledra::platform
