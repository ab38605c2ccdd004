#include "platform/win32/controls_win32.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "platform/win32/wide.h"

namespace ledra::platform::win32 {

namespace {

COLORREF toColorRef(Rgb c) { return RGB(c.r, c.g, c.b); }

int listAlign(Align align) {
  switch (align) {
    case Align::Right: return LVCFMT_RIGHT;
    case Align::Centre: return LVCFMT_CENTER;
    case Align::Left: break;
  }
  return LVCFMT_LEFT;
}

// A top-down 32-bit DIB selected into its own memory DC, through `selection`.
// `pixels`, when given, receives the DIB's bits.
void makeSurface(MemoryDc& dc, GdiObject& bitmap, SelectedObject& selection, int width, int height,
                 std::uint32_t** pixels = nullptr) {
  if (!dc) dc.reset(CreateCompatibleDC(nullptr));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = std::max(width, 1);
  info.bmiHeader.biHeight = -std::max(height, 1);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  GdiObject fresh(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  selection.select(dc.get(), fresh.get());
  bitmap = std::move(fresh);
  if (pixels) *pixels = bitmap ? static_cast<std::uint32_t*>(bits) : nullptr;
}

// Frames draw their caption over an etched group-box line; other boxes are plain.
void paintBox(HWND hwnd, TextPath path) {
  const PaintDc paint(hwnd);
  const HDC dc = paint.get();
  const std::string text = path.text(hwnd);
  if (!text.empty()) {
    SelectedObject font;
    if (auto chosen = reinterpret_cast<HFONT>(path.windowLong(hwnd, GWLP_USERDATA))) font.select(dc, chosen);
    const int height = path.textHeight(dc);
    RECT box;
    GetClientRect(hwnd, &box);
    box.top += height / 2;
    DrawEdge(dc, &box, EDGE_ETCHED, BF_RECT);
    RECT label{6, 0, 6 + path.textWidth(dc, text) + 4, height};
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    path.textOut(dc, 8, 0, ETO_OPAQUE | ETO_CLIPPED, label, text);
  }
}

// One procedure per text path: the class is registered on one of them, and its
// default handling must read and write text the same way.
template <bool Ansi>
LRESULT CALLBACK boxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const TextPath path = TextPath::forFamily(!Ansi);
  switch (message) {
    case WM_PAINT: paintBox(hwnd, path); return 0;
    case WM_SETFONT:
      path.setWindowLong(hwnd, GWLP_USERDATA, static_cast<LONG_PTR>(wParam));
      if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT: return path.windowLong(hwnd, GWLP_USERDATA);
    case WM_CTLCOLORSTATIC:
      if (LRESULT brush = labelColours(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam), path))
        return brush;
      break;
    case WM_COMMAND:
    case WM_NOTIFY:
      // Buttons and lists sit in boxes; their owner is the main window.
      return path.send(GetParent(hwnd), message, wParam, lParam);
    default: break;
  }
  return path.defWindowProc(hwnd, message, wParam, lParam);
}

template <bool Ansi>
LRESULT CALLBACK canvasProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const TextPath path = TextPath::forFamily(!Ansi);
  auto* canvas = reinterpret_cast<CanvasControl*>(path.windowLong(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_PAINT: {
      const PaintDc paint(hwnd);
      if (canvas) canvas->paint(paint.get());
      return 0;
    }
    case WM_ERASEBKGND:
      if (canvas) return 1;  // the bitmap covers everything
      break;
    case WM_CTLCOLORSTATIC:
      if (LRESULT brush = labelColours(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam), path))
        return brush;
      break;
    default: break;
  }
  return path.defWindowProc(hwnd, message, wParam, lParam);
}

}  // namespace

HFONT createUiFont(int dpiY, TextPath path) {
  // Faces that hold both Chinese and Latin glyphs. The character set alone would find a
  // Chinese font anywhere, but some carry no Latin digits; a face we name and get wins.
  static constexpr std::string_view kFaces[] = {
      "SimSun", "Microsoft YaHei", "WenQuanYi Micro Hei", "WenQuanYi Zen Hei", "Noto Sans CJK SC", "Noto Sans SC"};
  const int height = -MulDiv(9, dpiY, 72);
  MemoryDc dc(CreateCompatibleDC(nullptr));
  for (const std::string_view face : kFaces) {
    HFONT font = path.createFont(height, GB2312_CHARSET, face);
    if (!font) continue;
    std::string chosen;
    {
      const SelectedObject selected(dc.get(), font);
      chosen = path.textFace(dc.get());
    }
    // ASCII names: a case-blind compare needs no locale.
    if (std::equal(chosen.begin(), chosen.end(), face.begin(), face.end(), [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        }))
      return font;
    DeleteObject(font);
  }
  return path.createFont(height, GB2312_CHARSET, kFaces[0]);
}

Dpi Dpi::ofScreen() {
  Dpi dpi;
  if (const WindowDc screen(nullptr); screen.get()) {
    dpi.x = GetDeviceCaps(screen.get(), LOGPIXELSX);
    dpi.y = GetDeviceCaps(screen.get(), LOGPIXELSY);
  }
  if (dpi.x <= 0) dpi.x = 96;
  if (dpi.y <= 0) dpi.y = 96;
  return dpi;
}

void registerControlClasses(HINSTANCE instance, TextPath path) {
  // Registering again fails harmlessly.
  const HCURSOR arrow = path.arrowCursor();
  path.registerClass(instance, kBoxClass, path.ansi() ? boxProc<true> : boxProc<false>, nullptr, nullptr, arrow,
                     reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  // A canvas keeps its own DC, so a finished picture goes to the screen at once, without
  // an invalidation and a WM_PAINT round trip for every redraw.
  path.registerClass(instance, kCanvasClass, path.ansi() ? canvasProc<true> : canvasProc<false>, nullptr, nullptr,
                     arrow, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), CS_OWNDC);
}

LRESULT labelColours(HWND label, HDC dc, TextPath path) {
  auto* control = reinterpret_cast<LabelControl*>(path.windowLong(label, GWLP_USERDATA));
  if (!control || !control->coloured()) return 0;
  SetTextColor(dc, control->fore());
  SetBkColor(dc, control->back());
  return reinterpret_cast<LRESULT>(control->brush());
}

// ---- list view ----------------------------------------------------------------------

ListViewControl::ListViewControl(HWND hwnd, Dpi dpi, TextPath path) : hwnd_(hwnd), dpi_(dpi), path_(path) {
  path_.send(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
}

void ListViewControl::clearColumns() {
  reshaping();
  while (path_.send(hwnd_, LVM_DELETECOLUMN, 0, 0)) {}
  columns_ = 0;
  for (auto& row : rows_) row.cells.resize(1);
}

void ListViewControl::addColumn(std::string_view header, int widthTwips, Align align) {
  reshaping();
  if (path_.insertColumn(hwnd_, columns_, header, listAlign(align), dpi_.pxX(widthTwips))) ++columns_;
}

void ListViewControl::setColumnAlign(int column, Align align) {
  path_.setColumnFormat(hwnd_, column, listAlign(align));
}

void ListViewControl::addRow(std::string_view key, std::string_view text, int largeImage, int smallImage) {
  insertRow(rowCount(), key, text, largeImage, smallImage);
}

// Nothing here reads a row back by its key, so no one keeps it. The native list moves
// the rows after it, with their selection and focus.
void ListViewControl::insertRow(int row, std::string_view, std::string_view text, int largeImage, int smallImage) {
  row = std::clamp(row, 0, rowCount());
  const int image = smallImage > 0 ? smallImage : largeImage;  // report view shows one
  reshaping();
  if (!path_.insertItem(hwnd_, row, text, image > 0 ? image - 1 : I_IMAGENONE)) return;
  rows_.insert(rows_.begin() + row, Row{{}, {std::string(text)}});
}

// The list repaints an item whose image number changes, not one whose picture behind the
// same number was replaced: that one is asked for.
void ListViewControl::setRowImage(int row, int largeImage, int smallImage) {
  if (!valid(row)) return;
  const int image = smallImage > 0 ? smallImage : largeImage;
  LVITEMA item{};  // no text: the same message and layout on either path
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  item.iImage = image > 0 ? image - 1 : I_IMAGENONE;
  if (hidden_) reshaping();
  path_.send(hwnd_, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  path_.send(hwnd_, LVM_REDRAWITEMS, static_cast<WPARAM>(row), static_cast<LPARAM>(row));
}

void ListViewControl::removeRow(int row) {
  if (!valid(row)) return;
  reshaping();
  path_.send(hwnd_, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
  rows_.erase(rows_.begin() + row);
}

void ListViewControl::clearRows() {
  reshaping();
  path_.send(hwnd_, LVM_DELETEALLITEMS, 0, 0);
  rows_.clear();
}

std::string ListViewControl::cell(int row, int column) const {
  if (!valid(row) || column < 0) return {};
  const auto& cells = rows_[static_cast<std::size_t>(row)].cells;
  return static_cast<std::size_t>(column) < cells.size() ? cells[static_cast<std::size_t>(column)] : std::string();
}

void ListViewControl::setCell(int row, int column, std::string_view text) {
  if (!valid(row) || column < 0) return;
  auto& cells = rows_[static_cast<std::size_t>(row)].cells;
  if (cells.size() <= static_cast<std::size_t>(column)) cells.resize(static_cast<std::size_t>(column) + 1);
  auto& cached = cells[static_cast<std::size_t>(column)];
  if (cached == text) return;
  if (hidden_) reshaping();
  if (path_.setItemText(hwnd_, row, column, text)) cached = text;
}

std::string ListViewControl::rowTag(int row) const {
  return valid(row) ? rows_[static_cast<std::size_t>(row)].tag : std::string();
}

void ListViewControl::setRowTag(int row, std::string_view tag) {
  if (valid(row)) rows_[static_cast<std::size_t>(row)].tag = tag;
}

int ListViewControl::selectedRow() const {
  return static_cast<int>(path_.send(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void ListViewControl::selectRow(int row) {
  LVITEMW item{};  // no text: the same message and layout on either path
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  if (!valid(row)) {
    path_.send(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    return;
  }
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  path_.send(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  path_.send(hwnd_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

void ListViewControl::setFocus() { SetFocus(hwnd_); }

int ListViewControl::topRow() const {
  if (pendingTop_ >= 0) return pendingTop_;
  if (rowCount() == 0) return 0;
  return std::max(0, static_cast<int>(path_.send(hwnd_, LVM_GETTOPINDEX, 0, 0)));
}

// While the repaint is held the list may not have worked out its new extent yet, so the
// scroll waits until it has.
void ListViewControl::setTopRow(int row) {
  if (redrawHeld_) {
    pendingTop_ = std::max(row, 0);
    return;
  }
  scrollTo(row);
}

// Report view scrolls by whole rows, given in pixels; the list stops at either end.
void ListViewControl::scrollTo(int row) {
  row = std::min(row, rowCount() - 1);
  if (row < 0) return;
  RECT bounds{};
  bounds.left = LVIR_BOUNDS;
  if (!path_.send(hwnd_, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&bounds))) return;
  const int rowHeight = bounds.bottom - bounds.top;
  const int by = row - topRow();
  if (rowHeight <= 0 || by == 0) return;
  path_.send(hwnd_, LVM_SCROLL, 0, static_cast<LPARAM>(by) * rowHeight);
}

void ListViewControl::attach(ImageList* list, int which) {
  auto* real = dynamic_cast<ImageListControl*>(list);
  reshaping();
  path_.send(hwnd_, LVM_SETIMAGELIST, static_cast<WPARAM>(which),
             reinterpret_cast<LPARAM>(real ? real->handle() : nullptr));
}

void ListViewControl::setLargeImageList(ImageList* list) { attach(list, LVSIL_NORMAL); }
void ListViewControl::setSmallImageList(ImageList* list) { attach(list, LVSIL_SMALL); }

// Redrawing is switched off only once rows or columns are about to change, so a tick that
// writes a few cells (or none) costs no full repaint: the list view invalidates just the
// items whose text it was given. A list whose page is hidden holds the repaint from its
// first change until the page is shown, so the ticks meanwhile cost no invalidations.
// The page, not the list, is asked: a list view may clear its own WS_VISIBLE while held.
void ListViewControl::beginUpdate() {
  if (updateDepth_++ == 0) hidden_ = !IsWindowVisible(GetParent(hwnd_));
}

void ListViewControl::reshaping() {
  if (updateDepth_ == 0 || redrawHeld_) return;
  path_.send(hwnd_, WM_SETREDRAW, FALSE, 0);
  redrawHeld_ = true;
}

void ListViewControl::endUpdate() {
  if (updateDepth_ == 0 || --updateDepth_ > 0 || hidden_) return;
  release();
}

void ListViewControl::pageShowing() {
  if (updateDepth_ == 0) release();
}

void ListViewControl::release() {
  if (!redrawHeld_) return;
  redrawHeld_ = false;
  path_.send(hwnd_, WM_SETREDRAW, TRUE, 0);
  if (pendingTop_ >= 0) {
    const int row = pendingTop_;
    pendingTop_ = -1;
    scrollTo(row);
  }
  InvalidateRect(hwnd_, nullptr, TRUE);
}

// ---- icon surface, image list ----------------------------------------------------------

IconSurfaceControl::IconSurfaceControl(int widthPx, int heightPx) { resize(widthPx, heightPx); }

void IconSurfaceControl::resize(int widthPx, int heightPx) {
  width_ = std::max(widthPx, 1);
  height_ = std::max(heightPx, 1);
  makeSurface(dc_, bitmap_, selection_, width_, height_);
  clear();
}

void IconSurfaceControl::clear() { PatBlt(dc_.get(), 0, 0, width_, height_, WHITENESS); }

bool IconSurfaceControl::drawIconEx(IconHandle icon, int x, int y, int width, int height) {
  if (icon == IconHandle{}) return false;
  return DrawIconEx(dc_.get(), x, y, asIcon(icon), width, height, 0, nullptr, DI_NORMAL) != 0;
}

bool IconSurfaceControl::drawIcon(IconHandle icon, int x, int y) {
  if (icon == IconHandle{}) return false;
  return DrawIcon(dc_.get(), x, y, asIcon(icon)) != 0;
}

ImageListControl::ImageListControl(int widthPx, int heightPx) : width_(widthPx), height_(heightPx) {
  list_.reset(ImageList_Create(width_, height_, ILC_COLOR32 | ILC_MASK, 4, 4));
}

void ImageListControl::clear() { ImageList_RemoveAll(list_.get()); }

int ImageListControl::count() const { return ImageList_GetImageCount(list_.get()); }

void ImageListControl::setImageSize(int widthPx, int heightPx) {
  width_ = widthPx;
  height_ = heightPx;
  ImageList_SetIconSize(list_.get(), width_, height_);  // also empties the list
}

GdiObject ImageListControl::pictureOf(const IconSurface& surface) const {
  const auto* source = dynamic_cast<const IconSurfaceControl*>(&surface);
  if (!source) return {};
  // A copy at the list's size: the surface's own bitmap stays selected in its DC.
  MemoryDc dc;
  GdiObject copy;
  {
    SelectedObject selection;
    std::uint32_t* pixels = nullptr;
    makeSurface(dc, copy, selection, width_, height_, &pixels);
    SetStretchBltMode(dc.get(), HALFTONE);
    SetBrushOrgEx(dc.get(), 0, 0, nullptr);
    StretchBlt(dc.get(), 0, 0, width_, height_, source->dc(), 0, 0, source->widthPx(), source->heightPx(), SRCCOPY);
    GdiFlush();
    // Opaque alpha, so a 32-bit list does not read stray alpha bytes as transparency.
    if (pixels)
      for (int i = 0; i < std::max(width_, 1) * std::max(height_, 1); ++i) pixels[i] |= 0xFF000000u;
  }  // the list copies a bitmap no DC holds
  return copy;
}

void ImageListControl::addFrom(const IconSurface& surface) {
  if (GdiObject copy = pictureOf(surface)) ImageList_Add(list_.get(), static_cast<HBITMAP>(copy.get()), nullptr);
}

void ImageListControl::replaceFrom(int image, const IconSurface& surface) {
  if (image < 1 || image > count()) return;
  if (GdiObject copy = pictureOf(surface))
    ImageList_Replace(list_.get(), image - 1, static_cast<HBITMAP>(copy.get()), nullptr);
}

void ImageListControl::remove(int image) {
  if (image >= 1 && image <= count()) ImageList_Remove(list_.get(), image - 1);
}

void ImageListControl::addIcon(IconHandle icon) {
  if (icon != IconHandle{}) ImageList_ReplaceIcon(list_.get(), -1, asIcon(icon));
}

// ---- canvas ---------------------------------------------------------------------------

CanvasControl::CanvasControl(HWND hwnd, Dpi dpi, bool points, COLORREF background, TextPath path)
    : hwnd_(hwnd), dpi_(dpi), path_(path), unitsPerInch_(points ? 72.0f : 1440.0f), background_(background) {
  RECT client{};
  GetClientRect(hwnd_, &client);
  width_ = std::max<int>(client.right, 1);
  height_ = std::max<int>(client.bottom, 1);
  makeSurface(dc_, bitmap_, bitmapSelection_, width_, height_, &bits_);
  path_.setWindowLong(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  clear();
}

CanvasControl::~CanvasControl() {
  if (IsWindow(hwnd_)) path_.setWindowLong(hwnd_, GWLP_USERDATA, 0);
}

// Pixels are truncated, not rounded: a 0.2-point tall outline then stays within one row.
int CanvasControl::toPxX(float v) const {
  return static_cast<int>(std::floor(std::clamp(v * static_cast<float>(dpi_.x) / unitsPerInch_, -1e6f, 1e6f) + 1e-3f));
}
int CanvasControl::toPxY(float v) const {
  return static_cast<int>(std::floor(std::clamp(v * static_cast<float>(dpi_.y) / unitsPerInch_, -1e6f, 1e6f) + 1e-3f));
}

// Dots and solid rectangles go straight into the DIB's memory: a meter is hundreds of
// them, each a GDI call otherwise. A 32-bit DIB holds 0x00RRGGBB, exactly the colour.
void CanvasControl::settle() {
  if (!gdiPending_) return;
  GdiFlush();  // GDI may still be writing what it was given
  gdiPending_ = false;
}

void CanvasControl::put(int x, int y, COLORREF colour) {
  if (!bits_) {
    SetPixelV(dc_.get(), x, y, colour);
    return;
  }
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  settle();
  bits_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)] =
      (static_cast<std::uint32_t>(GetRValue(colour)) << 16) | (static_cast<std::uint32_t>(GetGValue(colour)) << 8) |
      GetBValue(colour);
}

void CanvasControl::fill(int left, int top, int right, int bottom, COLORREF colour) {
  if (bits_) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, width_);
    bottom = std::min(bottom, height_);
    if (left >= right || top >= bottom) return;
    settle();
    const std::uint32_t value = (static_cast<std::uint32_t>(GetRValue(colour)) << 16) |
                                (static_cast<std::uint32_t>(GetGValue(colour)) << 8) | GetBValue(colour);
    for (int y = top; y < bottom; ++y) {
      std::uint32_t* row = bits_ + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
      std::fill(row + left, row + right, value);
    }
    return;
  }
  RECT r{left, top, right, bottom};
  SetBkColor(dc_.get(), colour);
  ExtTextOutW(dc_.get(), 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

HPEN CanvasControl::pen(COLORREF colour) {
  if (!pen_ || penColour_ != colour) {
    GdiObject fresh(CreatePen(PS_SOLID, 1, colour));
    penSelection_.select(dc_.get(), fresh.get());
    pen_ = std::move(fresh);
    penColour_ = colour;
  }
  return static_cast<HPEN>(pen_.get());
}

void CanvasControl::clear() {
  run_.clear();  // covered anyway
  fill(0, 0, width_, height_, background_);
}

void CanvasControl::point(float x, float y, Rgb colour) {
  flush();
  put(toPxX(x), toPxY(y), toColorRef(colour));
}

void CanvasControl::line(float x1, float y1, float x2, float y2, Rgb colour) {
  const COLORREF c = toColorRef(colour);
  const POINT from{toPxX(x1), toPxY(y1)}, to{toPxX(x2), toPxY(y2)};
  if (!run_.empty() && c == runColour_ && run_.back().x == from.x && run_.back().y == from.y) {
    run_.push_back(to);
    return;
  }
  flush();
  run_ = {from, to};
  runColour_ = c;
}

// Each line covers its start and leaves out its end, which the next line of the run
// starts on; the run's last end is set on its own. A lone level or upright line is the
// same pixels as one filled rectangle.
void CanvasControl::flush() {
  if (run_.empty()) return;
  const POINT a = run_.front(), b = run_.back();
  if (run_.size() == 2 && (a.x == b.x || a.y == b.y)) {
    fill(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1, runColour_);
  } else {
    pen(runColour_);
    Polyline(dc_.get(), run_.data(), static_cast<int>(run_.size()));
    gdiPending_ = true;
    put(b.x, b.y, runColour_);
  }
  run_.clear();
}

void CanvasControl::rectangle(float x1, float y1, float x2, float y2, Rgb colour) {
  flush();
  const COLORREF c = toColorRef(colour);
  int left = toPxX(x1), right = toPxX(x2), top = toPxY(y1), bottom = toPxY(y2);
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  fill(left, top, right + 1, top + 1, c);
  fill(left, bottom, right + 1, bottom + 1, c);
  fill(left, top, left + 1, bottom + 1, c);
  fill(right, top, right + 1, bottom + 1, c);
}

float CanvasControl::width() const {
  RECT r{};
  GetWindowRect(hwnd_, &r);
  return static_cast<float>(r.right - r.left) * unitsPerInch_ / static_cast<float>(dpi_.x);
}

float CanvasControl::height() const {
  RECT r{};
  GetWindowRect(hwnd_, &r);
  return static_cast<float>(r.bottom - r.top) * unitsPerInch_ / static_cast<float>(dpi_.y);
}

// Straight to the window through its own DC; WM_PAINT copies the bitmap again whenever
// the window is uncovered or shown.
void CanvasControl::present() {
  const WindowDc window(hwnd_);
  if (window.get()) paint(window.get());
}

void CanvasControl::paint(HDC target) {
  flush();
  settle();
  BitBlt(target, 0, 0, width_, height_, dc_.get(), 0, 0, SRCCOPY);
}

// ---- label, status bar, menu item, timer ----------------------------------------------

LabelControl::LabelControl(HWND hwnd, std::string caption, bool coloured, Rgb fore, Rgb back, TextPath path)
    : hwnd_(hwnd),
      path_(path),
      caption_(std::move(caption)),
      coloured_(coloured),
      fore_(toColorRef(fore)),
      back_(toColorRef(back)) {
  if (coloured_) brush_.reset(CreateSolidBrush(back_));
  path_.setWindowLong(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void LabelControl::setCaption(std::string_view text) {
  if (caption_ == text) return;
  caption_ = text;
  path_.setText(hwnd_, caption_);
}

StatusBarControl::StatusBarControl(HWND hwnd, Dpi dpi, std::span<const int> widthsTwips, TextPath path)
    : hwnd_(hwnd), path_(path), texts_(widthsTwips.size()) {
  std::vector<int> edges;
  int right = 0;
  for (const int width : widthsTwips) {
    right += dpi.pxX(width);
    edges.push_back(width > 0 ? right : -1);
  }
  path_.send(hwnd_, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

std::string StatusBarControl::panelText(int panel) const {
  return (panel >= 1 && panel <= panels()) ? texts_[static_cast<std::size_t>(panel - 1)] : std::string();
}

void StatusBarControl::setPanelText(int panel, std::string_view text) {
  if (panel < 1 || panel > panels()) return;
  auto& cached = texts_[static_cast<std::size_t>(panel - 1)];
  if (cached == text) return;
  cached = text;
  path_.setPanelText(hwnd_, panel - 1, cached);
}

bool MenuItemControl::checked() const { return (GetMenuState(menu_, id_, MF_BYCOMMAND) & MF_CHECKED) != 0; }

void MenuItemControl::setChecked(bool checked) {
  CheckMenuItem(menu_, id_, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void TimerControl::setInterval(int ms) {
  interval_ = ms;
  apply();
}

void TimerControl::setEnabled(bool enabled) {
  enabled_ = enabled;
  apply();
}

void TimerControl::start() {
  started_ = true;
  apply();
}

void TimerControl::stop() {
  started_ = false;
  KillTimer(owner_, id_);
}

void TimerControl::apply() {
  if (!started_) return;
  if (enabled_ && interval_ > 0)
    SetTimer(owner_, id_, static_cast<UINT>(interval_), nullptr);  // restarts the period
  else
    KillTimer(owner_, id_);
}

// ---- panel, tab strip, window -----------------------------------------------------------

bool PanelControl::visible() const { return (path_.windowLong(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }

void PanelControl::setVisible(bool visible) {
  if (visible)
    for (ListViewControl* list : lists_) list->pageShowing();
  ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

void PanelControl::move(int leftTwips, int topTwips) {
  left_ = leftTwips;
  top_ = topTwips;
  SetWindowPos(hwnd_, nullptr, dpi_.pxX(left_), dpi_.pxY(top_), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int TabStripControl::selectedPosition() const { return static_cast<int>(path_.send(hwnd_, TCM_GETCURSEL, 0, 0)) + 1; }

void TabStripControl::select(int position) { path_.send(hwnd_, TCM_SETCURSEL, static_cast<WPARAM>(position - 1), 0); }

int WindowControl::widthTwips() const {
  RECT r{};
  GetWindowRect(hwnd_, &r);
  return dpi_.twipsX(r.right - r.left);
}

void WindowControl::setWidthTwips(int width) {
  RECT outer{}, client{};
  GetWindowRect(hwnd_, &outer);
  GetClientRect(hwnd_, &client);
  const int frameHeight = (outer.bottom - outer.top) - client.bottom;
  const int wanted = dpi_.pxY(clientHeight_);
  SetWindowPos(hwnd_, nullptr, 0, 0, dpi_.pxX(width), frameHeight + wanted, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // A narrower window can wrap the menu bar onto a second line: keep the client height.
  GetClientRect(hwnd_, &client);
  if (client.bottom != wanted) {
    GetWindowRect(hwnd_, &outer);
    SetWindowPos(hwnd_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top + wanted - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void WindowControl::minimize() { ShowWindow(hwnd_, SW_MINIMIZE); }

// The window's WM_DESTROY ends the message loop; its timers die with it.
void WindowControl::endProgram() { DestroyWindow(hwnd_); }

}  // namespace ledra::platform::win32
