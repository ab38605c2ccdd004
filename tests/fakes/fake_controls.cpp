#include "fakes/fake_controls.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/design.h"

namespace ledra::fakes {

// ---- list view ----------------------------------------------------------------------

void MemoryListView::clearColumns() {
  note("clearColumns");
  columns.clear();
}
void MemoryListView::addColumn(std::string_view header, int widthTwips, Align align) {
  note("addColumn");
  columns.push_back({std::string(header), widthTwips, align});
}
void MemoryListView::setColumnAlign(int column, Align align) {
  if (column >= 0 && column < columnCount()) columns[static_cast<std::size_t>(column)].align = align;
}
void MemoryListView::addRow(std::string_view key, std::string_view text, int largeImage, int smallImage) {
  note("addRow");
  Row row;
  row.key = key;
  row.cells.push_back(std::string(text));
  row.largeImage = largeImage;
  row.smallImage = smallImage;
  rows.push_back(std::move(row));
}
void MemoryListView::insertRow(int at, std::string_view key, std::string_view text, int largeImage, int smallImage) {
  note("insertRow");
  at = std::clamp(at, 0, rowCount());
  Row row;
  row.key = key;
  row.cells.push_back(std::string(text));
  row.largeImage = largeImage;
  row.smallImage = smallImage;
  rows.insert(rows.begin() + at, std::move(row));
  if (selected >= at) ++selected;  // the selection stays with its row
}
void MemoryListView::setRowImage(int row, int largeImage, int smallImage) {
  note("setRowImage");
  if (row < 0 || row >= rowCount()) return;
  rows[static_cast<std::size_t>(row)].largeImage = largeImage;
  rows[static_cast<std::size_t>(row)].smallImage = smallImage;
}
void MemoryListView::setRowKey(int row, std::string_view key) {
  if (row >= 0 && row < rowCount()) rows[static_cast<std::size_t>(row)].key = key;
}
void MemoryListView::removeRow(int row) {
  note("removeRow");
  if (row < 0 || row >= rowCount()) return;
  rows.erase(rows.begin() + row);
  if (selected == row)
    selected = -1;
  else if (selected > row)
    --selected;
  scrollWithin();
}
void MemoryListView::clearRows() {
  note("clearRows");
  rows.clear();
  selected = -1;
  top = 0;
}
std::string MemoryListView::cell(int row, int column) const {
  if (row < 0 || row >= rowCount() || column < 0) return {};
  const auto& cells = rows[static_cast<std::size_t>(row)].cells;
  return static_cast<std::size_t>(column) < cells.size() ? cells[static_cast<std::size_t>(column)] : std::string();
}
void MemoryListView::setCell(int row, int column, std::string_view text) {
  if (row < 0 || row >= rowCount() || column < 0) return;
  ++cellWrites;
  auto& cells = rows[static_cast<std::size_t>(row)].cells;
  if (cells.size() <= static_cast<std::size_t>(column)) cells.resize(static_cast<std::size_t>(column) + 1);
  cells[static_cast<std::size_t>(column)] = text;
}
std::string MemoryListView::rowTag(int row) const {
  return (row >= 0 && row < rowCount()) ? rows[static_cast<std::size_t>(row)].tag : std::string();
}
void MemoryListView::setRowTag(int row, std::string_view tag) {
  if (row >= 0 && row < rowCount()) rows[static_cast<std::size_t>(row)].tag = tag;
}
void MemoryListView::selectRow(int row) {
  selected = (row >= 0 && row < rowCount()) ? row : -1;
  if (selected < 0) return;
  // The selected row is scrolled into view.
  if (selected < top) top = selected;
  if (selected >= top + pageRows) top = selected - pageRows + 1;
  scrollWithin();
}
void MemoryListView::setTopRow(int row) {
  note("setTopRow");
  top = row;
  scrollWithin();
}
void MemoryListView::scrollWithin() { top = std::clamp(top, 0, std::max(0, rowCount() - pageRows)); }
void MemoryListView::setFocus() {
  note("setFocus");
  ++focusCount;
}
void MemoryListView::setLargeImageList(platform::ImageList* list) {
  note("setLargeImageList");
  largeList = list;
}
void MemoryListView::setSmallImageList(platform::ImageList* list) {
  note("setSmallImageList");
  smallList = list;
}
void MemoryListView::beginUpdate() {
  ++updateDepth;
  maxUpdateDepth = std::max(maxUpdateDepth, updateDepth);
}
void MemoryListView::endUpdate() {
  if (updateDepth > 0) --updateDepth;
}

// ---- image list, icon surface -------------------------------------------------------

void MemoryImageList::clear() {
  if (log_) log_->push_back(name_ + ".clear");
  images.clear();
}
void MemoryImageList::setImageSize(int w, int h) {
  if (log_) log_->push_back(name_ + ".setImageSize " + std::to_string(w) + "x" + std::to_string(h));
  imageWidth = w;
  imageHeight = h;
}
void MemoryImageList::addFrom(const platform::IconSurface& surface) {
  if (log_) log_->push_back(name_ + ".addFrom");
  images.push_back(static_cast<const MemoryIconSurface&>(surface).picture);
}
void MemoryImageList::replaceFrom(int image, const platform::IconSurface& surface) {
  if (log_) log_->push_back(name_ + ".replaceFrom " + std::to_string(image));
  if (image >= 1 && image <= count())
    images[static_cast<std::size_t>(image - 1)] = static_cast<const MemoryIconSurface&>(surface).picture;
}
void MemoryImageList::remove(int image) {
  if (log_) log_->push_back(name_ + ".remove " + std::to_string(image));
  if (image >= 1 && image <= count()) images.erase(images.begin() + (image - 1));
}
void MemoryImageList::addIcon(IconHandle icon) {
  if (log_) log_->push_back(name_ + ".addIcon");
  images.push_back("icon" + std::to_string(platform::raw(icon)));
}

void MemoryIconSurface::clear() {
  if (log_) log_->push_back(name_ + ".clear");
  picture.clear();
}
void MemoryIconSurface::resize(int w, int h) {
  if (log_) log_->push_back(name_ + ".resize " + std::to_string(w) + "x" + std::to_string(h));
  w_ = w;
  h_ = h;
}
bool MemoryIconSurface::drawIconEx(IconHandle icon, int, int, int width, int height) {
  // "Pic_Small.drawIconEx 7 16x16 on 16x16" (the last size is the surface's own).
  if (log_)
    log_->push_back(name_ + ".drawIconEx " + std::to_string(platform::raw(icon)) + " " + std::to_string(width) + "x" +
                    std::to_string(height) + " on " + std::to_string(w_) + "x" + std::to_string(h_));
  if (icon == IconHandle{} || failDrawEx.count(icon)) return false;
  picture += std::to_string(platform::raw(icon)) + "@" + std::to_string(width) + "x" + std::to_string(height) + ";";
  return true;
}
bool MemoryIconSurface::drawIcon(IconHandle icon, int, int) {
  if (log_)
    log_->push_back(name_ + ".drawIcon " + std::to_string(platform::raw(icon)) + " on " + std::to_string(w_) + "x" +
                    std::to_string(h_));
  if (icon == IconHandle{} || failDraw.count(icon)) return false;
  picture += std::to_string(platform::raw(icon)) + "@icon;";
  return true;
}

// ---- canvas --------------------------------------------------------------------------

void MemoryCanvas::clear() {
  if (log_) log_->push_back(name_ + ".clear");
  ++clears;
  draws.clear();
}
void MemoryCanvas::point(float x, float y, Rgb colour) { draws.push_back({Op::Point, x, y, x, y, colour}); }
void MemoryCanvas::line(float x1, float y1, float x2, float y2, Rgb colour) {
  draws.push_back({Op::Line, x1, y1, x2, y2, colour});
}
void MemoryCanvas::rectangle(float x1, float y1, float x2, float y2, Rgb colour) {
  draws.push_back({Op::Rectangle, x1, y1, x2, y2, colour});
}
std::vector<MemoryCanvas::Draw> MemoryCanvas::of(Op op) const {
  std::vector<Draw> out;
  for (const auto& d : draws)
    if (d.op == op) out.push_back(d);
  return out;
}

// ---- label, status bar ----------------------------------------------------------------

void MemoryLabel::setCaption(std::string_view text) {
  if (log_) log_->push_back(name_ + ".setCaption");
  caption_ = text;
}
std::string MemoryStatusBar::panelText(int panel) const {
  return (panel >= 1 && panel <= 3) ? panels[panel - 1] : std::string();
}
void MemoryStatusBar::setPanelText(int panel, std::string_view text) {
  if (log_) log_->push_back("StatusBar1.panel" + std::to_string(panel));
  if (panel >= 1 && panel <= 3) panels[panel - 1] = text;
}

// ---- the whole form ------------------------------------------------------------------

DesignedControls::DesignedControls(const platform::WindowDesign& design) {
  using Kind = platform::ControlKind;
  constexpr float kTwipsPerPoint = 20.0f;
  for (const auto& c : design.controls) {
    const std::string name(c.name);
    Owned owned;
    switch (c.kind) {
      case Kind::PagePanel: owned = std::make_unique<MemoryPanel>(c.left, c.top); break;
      case Kind::Canvas: {
        const float unit = c.unit == platform::Unit::Points ? kTwipsPerPoint : 1.0f;
        owned = std::make_unique<MemoryCanvas>(name, static_cast<float>(c.width) / unit,
                                               static_cast<float>(c.height) / unit, &log);
        break;
      }
      case Kind::IconSurface:
        owned = std::make_unique<MemoryIconSurface>(name, c.width / platform::kTwipsPerDesignPixel,
                                                    c.height / platform::kTwipsPerDesignPixel, &log);
        break;
      case Kind::ImageList: owned = std::make_unique<MemoryImageList>(name, &log); break;
      case Kind::ListView: {
        auto list = std::make_unique<MemoryListView>(name, &log);
        for (const auto& column : c.columns) list->addColumn(column.header, column.width, column.align);
        owned = std::move(list);
        break;
      }
      case Kind::Label: owned = std::make_unique<MemoryLabel>(name, std::string(c.caption), &log); break;
      case Kind::Timer: owned = std::make_unique<MemoryTimer>(c.interval); break;
      case Kind::TabStrip: owned = std::make_unique<MemoryTabStrip>(); break;
      case Kind::StatusBar: owned = std::make_unique<MemoryStatusBar>(&log); break;
      case Kind::PictureBox:
      case Kind::Frame:
      case Kind::Button: break;  // nothing the program drives
    }
    made_.push_back({c.name, c.index, std::move(owned)});
  }
  for (const auto& m : design.menus) {
    const bool submenu = std::any_of(design.menus.begin(), design.menus.end(),
                                     [&](const platform::MenuRow& other) { return other.parent == m.name; });
    if (!submenu) made_.push_back({m.name, m.index, std::make_unique<MemoryMenuItem>(m.checked)});
  }
  log.clear();
}

void DesignedControls::missing(std::string_view name, int index) {
  std::fprintf(stderr, "the design has no control %.*s(%d) of that kind\n", static_cast<int>(name.size()), name.data(),
               index);
  std::abort();
}

FakeForm::FakeForm() : DesignedControls(app::design::kWindow) {}

}  // namespace ledra::fakes
