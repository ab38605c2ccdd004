// In-memory controls: they keep what the window's code wrote and record the drawing,
// so tests can check texts, geometry and the order of operations.
#pragma once

#include <array>
#include <cstddef>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "app/form_controls.h"
#include "platform/controls.h"
#include "platform/design.h"

namespace ledra::fakes {

using platform::Align;
using platform::IconHandle;
using platform::Rgb;

// Shared record of control operations in the order they happened ("ListTask.addRow").
using ControlLog = std::vector<std::string>;

class MemoryListView : public platform::ListView {
 public:
  struct Column {
    std::string header;
    int width;
    Align align;
  };
  struct Row {
    std::string key;
    std::vector<std::string> cells;  // [0] = item text
    std::string tag;
    int largeImage = 0, smallImage = 0;
  };

  MemoryListView(std::string name, ControlLog* log) : name_(std::move(name)), log_(log) {}

  std::vector<Column> columns;
  std::vector<Row> rows;
  int selected = -1;
  int top = 0;       // the row at the top of the view
  int pageRows = 8;  // rows the view shows at once
  int focusCount = 0;
  int cellWrites = 0;  // setCell calls that reached the list
  int updateDepth = 0;
  int maxUpdateDepth = 0;
  platform::ImageList* largeList = nullptr;
  platform::ImageList* smallList = nullptr;

  void clearColumns() override;
  void addColumn(std::string_view header, int widthTwips, Align align) override;
  int columnCount() const { return static_cast<int>(columns.size()); }
  void setColumnAlign(int column, Align align) override;
  int rowCount() const override { return static_cast<int>(rows.size()); }
  void addRow(std::string_view key, std::string_view text, int largeImage, int smallImage) override;
  void insertRow(int row, std::string_view key, std::string_view text, int largeImage, int smallImage) override;
  void removeRow(int row) override;
  void setRowImage(int row, int largeImage, int smallImage) override;
  void setRowKey(int row, std::string_view key) override;  // not logged: no control call behind it
  void clearRows() override;
  std::string cell(int row, int column) const override;
  void setCell(int row, int column, std::string_view text) override;
  std::string rowTag(int row) const override;
  void setRowTag(int row, std::string_view tag) override;
  int selectedRow() const override { return selected; }
  void selectRow(int row) override;
  void setFocus() override;
  int topRow() const override { return top; }
  void setTopRow(int row) override;
  void setLargeImageList(platform::ImageList* list) override;
  void setSmallImageList(platform::ImageList* list) override;
  void beginUpdate() override;
  void endUpdate() override;

 private:
  void scrollWithin();  // as a real list, which never shows space below its last row
  void note(const std::string& op) {
    if (log_) log_->push_back(name_ + "." + op);
  }
  std::string name_;
  ControlLog* log_;
};

class MemoryIconSurface;

class MemoryImageList : public platform::ImageList {
 public:
  MemoryImageList(std::string name, ControlLog* log) : name_(std::move(name)), log_(log) {}
  // Each image is described by the icons drawn into it ("" = blank white).
  std::vector<std::string> images;
  int imageWidth = 0, imageHeight = 0;

  void clear() override;
  int count() const override { return static_cast<int>(images.size()); }
  void setImageSize(int w, int h) override;
  void addFrom(const platform::IconSurface& surface) override;
  void replaceFrom(int image, const platform::IconSurface& surface) override;
  void remove(int image) override;
  void addIcon(IconHandle icon) override;

 private:
  std::string name_;
  ControlLog* log_;
};

class MemoryIconSurface : public platform::IconSurface {
 public:
  MemoryIconSurface(std::string name, int w, int h, ControlLog* log)
      : name_(std::move(name)), w_(w), h_(h), log_(log) {}
  // Icons that DrawIconEx / DrawIcon cannot draw (0 can never be drawn).
  std::set<IconHandle> failDrawEx, failDraw;
  std::string picture;  // "" = blank; otherwise the drawn icons, "icon@WxH;..."

  void clear() override;
  void resize(int w, int h) override;
  int widthPx() const override { return w_; }
  int heightPx() const override { return h_; }
  bool drawIconEx(IconHandle icon, int x, int y, int width, int height) override;
  bool drawIcon(IconHandle icon, int x, int y) override;

 private:
  std::string name_;
  int w_, h_;
  ControlLog* log_;
};

class MemoryCanvas : public platform::Canvas {
 public:
  enum class Op { Clear, Point, Line, Rectangle };
  struct Draw {
    Op op;
    float x1, y1, x2, y2;
    Rgb colour;
  };
  MemoryCanvas(std::string name, float w, float h, ControlLog* log) : name_(std::move(name)), w_(w), h_(h), log_(log) {}
  std::vector<Draw> draws;  // since the last clear
  int clears = 0;

  void clear() override;
  void point(float x, float y, Rgb colour) override;
  void line(float x1, float y1, float x2, float y2, Rgb colour) override;
  void rectangle(float x1, float y1, float x2, float y2, Rgb colour) override;
  float width() const override { return w_; }
  float height() const override { return h_; }
  void setSize(float w, float h) { w_ = w, h_ = h; }
  std::vector<Draw> of(Op op) const;

 private:
  std::string name_;
  float w_, h_;
  ControlLog* log_;
};

class MemoryLabel : public platform::Label {
 public:
  MemoryLabel(std::string name, std::string caption, ControlLog* log)
      : name_(std::move(name)), caption_(std::move(caption)), log_(log) {}
  std::string caption() const override { return caption_; }
  void setCaption(std::string_view text) override;

 private:
  std::string name_, caption_;
  ControlLog* log_;
};

class MemoryStatusBar : public platform::StatusBar {
 public:
  explicit MemoryStatusBar(ControlLog* log) : log_(log) {}
  std::string panels[3];
  std::string panelText(int panel) const override;
  void setPanelText(int panel, std::string_view text) override;

 private:
  ControlLog* log_;
};

class MemoryMenuItem : public platform::MenuItem {
 public:
  explicit MemoryMenuItem(bool checked) : checked_(checked) {}
  bool checked() const override { return checked_; }
  void setChecked(bool c) override { checked_ = c; }

 private:
  bool checked_;
};

class MemoryTimer : public platform::Timer {
 public:
  MemoryTimer() = default;
  explicit MemoryTimer(int intervalMs) : interval_(intervalMs) {}
  int interval() const override { return interval_; }
  void setInterval(int ms) override { interval_ = ms; }
  bool enabled() const override { return enabled_; }
  void setEnabled(bool e) override { enabled_ = e; }

 private:
  int interval_ = 500;
  bool enabled_ = true;
};

class MemoryPanel : public platform::Panel {
 public:
  MemoryPanel(int left, int top) : left_(left), top_(top) {}
  bool visible() const override { return visible_; }
  void setVisible(bool v) override { visible_ = v; }
  int left() const override { return left_; }
  int top() const override { return top_; }
  void move(int l, int t) override { left_ = l, top_ = t; }

 private:
  bool visible_ = true;
  int left_, top_;
};

class MemoryTabStrip : public platform::TabStrip {
 public:
  int selectedPosition() const override { return position_; }
  void select(int position) override { position_ = position; }

 private:
  int position_ = 1;
};

class MemoryWindow : public platform::Window {
 public:
  platform::WindowHandle hwnd{0x1000};
  platform::IconHandle iconHandle{0xA000};
  int width = 0;
  bool isMinimized = false;
  bool ended = false;
  platform::WindowHandle handle() const override { return hwnd; }
  platform::IconHandle icon() const override { return iconHandle; }
  int widthTwips() const override { return width; }
  void setWidthTwips(int w) override { width = w; }
  void minimize() override { isMinimized = true; }
  bool minimized() const override { return isMinimized; }
  void endProgram() override { ended = true; }
};

// References to the controls of a designed array, as an array of them.
template <typename T, std::size_t N>
struct Refs {
  std::array<T*, N> items;
  T& operator[](std::size_t i) const { return *items[i]; }
  struct Iterator {
    using iterator_category = std::forward_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = T*;
    using reference = T&;
    T* const* at;
    T& operator*() const { return **at; }
    Iterator& operator++() {
      ++at;
      return *this;
    }
    Iterator operator++(int) { return Iterator{at++}; }
    bool operator==(const Iterator&) const = default;
  };
  Iterator begin() const { return {items.data()}; }
  Iterator end() const { return {items.data() + N}; }
};

// Every control of the designed window, made in memory from its rows, as the real
// window makes them: the geometry is the design's.
class DesignedControls : public platform::ControlLookup {
 public:
  explicit DesignedControls(const platform::WindowDesign& design);
  ControlLog log;
  MemoryWindow window;

  // The memory control of that designed name; aborts the test program when there is none.
  template <typename T>
  T& as(std::string_view name, int index = -1) {
    T* control = nullptr;
    findOwned<T>(name, index, control);
    if (!control) missing(name, index);
    return *control;
  }
  template <typename T, std::size_t N>
  Refs<T, N> array(std::string_view name) {
    Refs<T, N> refs;
    for (std::size_t i = 0; i < N; ++i) refs.items[i] = &as<T>(name, static_cast<int>(i));
    return refs;
  }

  platform::Window* form() override { return &window; }
  void find(std::string_view n, int i, platform::ListView*& out) override { findOwned<MemoryListView>(n, i, out); }
  void find(std::string_view n, int i, platform::ImageList*& out) override { findOwned<MemoryImageList>(n, i, out); }
  void find(std::string_view n, int i, platform::IconSurface*& out) override {
    findOwned<MemoryIconSurface>(n, i, out);
  }
  void find(std::string_view n, int i, platform::Canvas*& out) override { findOwned<MemoryCanvas>(n, i, out); }
  void find(std::string_view n, int i, platform::Label*& out) override { findOwned<MemoryLabel>(n, i, out); }
  void find(std::string_view n, int i, platform::StatusBar*& out) override { findOwned<MemoryStatusBar>(n, i, out); }
  void find(std::string_view n, int i, platform::MenuItem*& out) override { findOwned<MemoryMenuItem>(n, i, out); }
  void find(std::string_view n, int i, platform::Timer*& out) override { findOwned<MemoryTimer>(n, i, out); }
  void find(std::string_view n, int i, platform::Panel*& out) override { findOwned<MemoryPanel>(n, i, out); }
  void find(std::string_view n, int i, platform::TabStrip*& out) override { findOwned<MemoryTabStrip>(n, i, out); }

 private:
  using Owned =
      std::variant<std::monostate, std::unique_ptr<MemoryListView>, std::unique_ptr<MemoryImageList>,
                   std::unique_ptr<MemoryIconSurface>, std::unique_ptr<MemoryCanvas>, std::unique_ptr<MemoryLabel>,
                   std::unique_ptr<MemoryStatusBar>, std::unique_ptr<MemoryMenuItem>, std::unique_ptr<MemoryTimer>,
                   std::unique_ptr<MemoryPanel>, std::unique_ptr<MemoryTabStrip>>;
  struct Made {
    std::string_view name;
    int index;
    Owned control;
  };
  template <typename Real, typename Model>
  void findOwned(std::string_view name, int index, Model*& out) {
    out = nullptr;
    for (auto& made : made_)
      if (made.name == name && made.index == index)
        if (auto* owned = std::get_if<std::unique_ptr<Real>>(&made.control)) out = owned->get();
  }
  [[noreturn]] static void missing(std::string_view name, int index);
  std::vector<Made> made_;  // controls first, then menu items
};

// The designed window in memory, bound by the program's own table into FormControls,
// with the controls the tests look at by their designed names.
struct FakeForm : DesignedControls {
  FakeForm();
  MemoryTabStrip& tabs = as<MemoryTabStrip>("TabStrip1");
  Refs<MemoryPanel, 3> pages = array<MemoryPanel, 3>("PicProperty");
  MemoryListView &ListTask = as<MemoryListView>("ListTask"), &ListProcess = as<MemoryListView>("ListProcess");
  MemoryImageList &Image_NULL = as<MemoryImageList>("Image_NULL"), &Image_Large = as<MemoryImageList>("Image_Large"),
                  &Image_Small = as<MemoryImageList>("Image_Small");
  MemoryIconSurface &Pic_Large = as<MemoryIconSurface>("Pic_Large"), &Pic_Small = as<MemoryIconSurface>("Pic_Small");
  MemoryCanvas &UseCPU = as<MemoryCanvas>("UseCPU"), &BrokenCPU = as<MemoryCanvas>("BrokenCPU"),
               &UseFF = as<MemoryCanvas>("UseFF"), &BrokenFF = as<MemoryCanvas>("BrokenFF");
  MemoryLabel &LabCPU = as<MemoryLabel>("LabCPU"), &LabFF = as<MemoryLabel>("LabFF"),
              &LabTotalPageFile = as<MemoryLabel>("LabTotalPageFile"),
              &LabAvailPageFile = as<MemoryLabel>("LabAvailPageFile"),
              &LabUsePageFile = as<MemoryLabel>("LabUsePageFile"),
              &LabTotalVirtual = as<MemoryLabel>("LabTotalVirtual"),
              &LabAvailVirtual = as<MemoryLabel>("LabAvailVirtual"), &LabUseVirtual = as<MemoryLabel>("LabUseVirtual");
  MemoryStatusBar& StatusBar1 = as<MemoryStatusBar>("StatusBar1");
  MemoryTimer& Timer1 = as<MemoryTimer>("Timer1");
  MemoryMenuItem &menu_show = as<MemoryMenuItem>("menu_show"), &meun_usemin = as<MemoryMenuItem>("meun_usemin");
  Refs<MemoryMenuItem, 4> menu_renew = array<MemoryMenuItem, 4>("menu_renew");
  app::FormControls controls = app::bindControls(*this);
};

}  // namespace ledra::fakes
