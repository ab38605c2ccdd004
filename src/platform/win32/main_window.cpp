#include "platform/win32/main_window.h"

#include <commctrl.h>

#include <map>
#include <string>

#include "platform/is_nt.h"
#include "platform/keyboard.h"
#include "platform/win32/wide.h"

namespace ledra::platform::win32 {

namespace {

constexpr UINT kMenuBase = 100;     // + place in the design's menus
constexpr int kControlBase = 1000;  // + place in the design's controls; timers too
constexpr DWORD kMainStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr int kImageListDefaultPx = 32;  // an image list with no designed size: that of the window icon

std::string nameOf(std::string_view name, int index) {
  std::string key(name);
  if (index >= 0) {
    key += '(';
    key += std::to_string(index);
    key += ')';
  }
  return key;
}

// A handler must not let anything leave a window procedure. The seam reports failures
// as results, so what can reach this is an allocation failure (std::bad_alloc from a
// string or list growing inside a handler); it ends that handler and the window goes on.
template <typename F>
void guarded(F&& handler) {
  try {
    handler();
  } catch (...) {}
}

bool hasChildren(std::span<const MenuRow> menus, std::string_view menu) {
  for (const auto& item : menus)
    if (item.parent == menu) return true;
  return false;
}

}  // namespace

MainWindow::~MainWindow() {
  events_ = nullptr;  // what destroying the window sends is no event of the program's
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

bool MainWindow::create(System& system, HINSTANCE instance, const WindowDesign& design, WindowEvents& events,
                        int showCommand) {
  design_ = design;
  // The one choice of entry points: wide on NT, ANSI on the 9x family.
  path_ = TextPath::forFamily(platform::IsNT(system));
  INITCOMMONCONTROLSEX common{sizeof(common), ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&common);
  registerControlClasses(instance, path_);
  dpi_ = Dpi::ofScreen();
  // Ledra's own icon, each size loaded at the system's metric for it (the title bar's and
  // the taskbar's small one is no shrunk copy of the large one), both kept for the window's
  // life. They go on the window, not its class: a class outlives each of its windows.
  largeIcon_.reset(path_.loadIcon(instance, 1, GetSystemMetrics(SM_CXICON)));
  smallIcon_.reset(path_.loadIcon(instance, 1, GetSystemMetrics(SM_CXSMICON)));
  icon_ = largeIcon_ ? largeIcon_.get() : path_.applicationIcon();
  path_.registerClass(instance, kMainWindowClass, path_.ansi() ? windowProc<true> : windowProc<false>, nullptr, nullptr,
                      path_.arrowCursor(), reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));

  font_.reset(createUiFont(dpi_.y, path_));

  RECT frame{0, 0, dpi_.pxX(design_.width), dpi_.pxY(design_.clientHeight)};
  AdjustWindowRectEx(&frame, kMainStyle, TRUE, 0);
  HMENU menu = buildMenu();
  HWND hwnd = path_.createWindow(0, kMainWindowClass, design_.caption, kMainStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                 dpi_.pxX(design_.width), frame.bottom - frame.top, nullptr, menu, instance, this);
  if (!hwnd) {
    DestroyMenu(menu);
    menuItems_.clear();
    return false;
  }

  path_.send(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  path_.send(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_ ? smallIcon_.get() : icon_));

  createControls(instance);
  form_ = std::make_unique<WindowControl>(hwnd_, dpi_, design_.clientHeight, icon_);

  events_ = &events;
  guarded([&] { events.loaded(*this); });
  ShowWindow(hwnd_, showCommand);
  UpdateWindow(hwnd_);
  for (auto& owned : controls_)
    if (auto* timer = std::get_if<std::unique_ptr<TimerControl>>(&owned)) (*timer)->start();
  return true;
}

HMENU MainWindow::buildMenu() {
  HMENU bar = CreateMenu();
  std::map<std::string_view, HMENU> popups;
  menuItems_.clear();
  menuItems_.resize(design_.menus.size());
  for (std::size_t i = 0; i < design_.menus.size(); ++i) {
    const auto& item = design_.menus[i];
    HMENU parent = item.parent.empty() ? bar : popups[item.parent];
    if (hasChildren(design_.menus, item.name)) {
      HMENU popup = CreatePopupMenu();
      popups[item.name] = popup;
      path_.appendMenu(parent, MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(popup), item.caption);
      continue;
    }
    const UINT id = kMenuBase + static_cast<UINT>(i);
    path_.appendMenu(parent, MF_STRING | (item.checked ? MF_CHECKED : MF_UNCHECKED), id, item.caption);
    menuItems_[i] = std::make_unique<MenuItemControl>(parent, id);
  }
  return bar;
}

HWND MainWindow::child(DWORD exStyle, std::string_view className, std::string_view text, DWORD style, HWND parent,
                       const ControlRow& row, int id, HINSTANCE instance) {
  HWND hwnd = path_.createWindow(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, dpi_.pxX(row.left),
                                 dpi_.pxY(row.top), dpi_.pxX(row.width), dpi_.pxY(row.height), parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (hwnd) path_.send(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  return hwnd;
}

void MainWindow::createControls(HINSTANCE instance) {
  constexpr DWORD kBox = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  const std::span<const ControlRow> rows = design_.controls;
  windows_.assign(rows.size(), nullptr);
  controls_.clear();
  controls_.resize(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto& c = rows[i];
    HWND parent = c.parent.empty() ? hwnd_ : control(c.parent);
    if (!parent) parent = hwnd_;
    const int id = kControlBase + static_cast<int>(i);
    HWND hwnd = nullptr;
    Owned& owned = controls_[i];
    auto make = [&](DWORD ex, std::string_view cls, std::string_view text, DWORD style) {
      return child(ex, cls, text, style, parent, c, id, instance);
    };
    switch (c.kind) {
      case ControlKind::PictureBox:
      case ControlKind::Frame: hwnd = make(0, kBoxClass, c.caption, kBox); break;
      case ControlKind::PagePanel:
        hwnd = make(0, kBoxClass, "", kBox);
        owned = std::make_unique<PanelControl>(hwnd, dpi_, c.left, c.top, path_);
        break;
      case ControlKind::Canvas:
        hwnd = make(WS_EX_CLIENTEDGE, kCanvasClass, "", WS_CLIPCHILDREN);
        owned = std::make_unique<CanvasControl>(hwnd, dpi_, c.unit == Unit::Points, RGB(c.back.r, c.back.g, c.back.b),
                                                path_);
        break;
      case ControlKind::IconSurface:  // off-screen: icon pictures are in pixels whatever the DPI
        owned = std::make_unique<IconSurfaceControl>(c.width / kTwipsPerDesignPixel, c.height / kTwipsPerDesignPixel);
        break;
      case ControlKind::ImageList: {
        const int size = c.width > 0 ? c.width / kTwipsPerDesignPixel : kImageListDefaultPx;
        owned = std::make_unique<ImageListControl>(size, size);
        break;
      }
      case ControlKind::ListView: {
        hwnd = make(WS_EX_CLIENTEDGE, "SysListView32", "",
                    WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL | LVS_SHAREIMAGELISTS);
        auto list = std::make_unique<ListViewControl>(hwnd, dpi_, path_);
        // A list on a page holds its repaint while the page is hidden.
        for (auto& other : controls_)
          if (auto* page = std::get_if<std::unique_ptr<PanelControl>>(&other); page && (*page)->hwnd() == parent)
            (*page)->holds(list.get());
        for (const auto& column : c.columns) list->addColumn(column.header, column.width, column.align);
        owned = std::move(list);
        break;
      }
      case ControlKind::Button: hwnd = make(0, "BUTTON", c.caption, WS_TABSTOP | BS_PUSHBUTTON); break;
      case ControlKind::Label: {
        const DWORD align = c.align == Align::Right ? SS_RIGHT : c.align == Align::Centre ? SS_CENTER : SS_LEFT;
        hwnd = make(0, "STATIC", c.caption, align | SS_NOPREFIX);
        owned = std::make_unique<LabelControl>(hwnd, std::string(c.caption), c.blackBack, c.fore, c.back, path_);
        break;
      }
      case ControlKind::Timer:
        owned = std::make_unique<TimerControl>(hwnd_, static_cast<UINT_PTR>(id), c.interval, true);
        break;
      case ControlKind::TabStrip: {
        hwnd = make(0, "SysTabControl32", "", WS_CLIPSIBLINGS | WS_TABSTOP);
        for (std::size_t t = 0; t < design_.tabs.size(); ++t)
          path_.insertTab(hwnd, static_cast<int>(t), design_.tabs[t]);
        // The page panels lie on the tab strip, so it goes beneath them.
        SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        owned = std::make_unique<TabStripControl>(hwnd, path_);
        break;
      }
      case ControlKind::StatusBar:
        hwnd = path_.createWindow(0, "msctls_statusbar32", "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd_,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        path_.send(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        owned = std::make_unique<StatusBarControl>(hwnd, dpi_, design_.statusPanels, path_);
        break;
    }
    windows_[i] = hwnd;
  }
}

int MainWindow::placeOf(std::string_view name, int index) const {
  // A parent is written with its index in the name ("PicProperty(2)").
  const std::string key = nameOf(name, index);
  for (std::size_t i = 0; i < design_.controls.size(); ++i)
    if (nameOf(design_.controls[i].name, design_.controls[i].index) == key) return static_cast<int>(i);
  return -1;
}

HWND MainWindow::control(std::string_view name, int index) const {
  const int place = placeOf(name, index);
  return place < 0 || static_cast<std::size_t>(place) >= windows_.size() ? nullptr
                                                                         : windows_[static_cast<std::size_t>(place)];
}

UINT MainWindow::menuId(std::string_view name, int index) const {
  for (std::size_t i = 0; i < design_.menus.size(); ++i) {
    const auto& item = design_.menus[i];
    if (item.name == name && item.index == index && !hasChildren(design_.menus, item.name))
      return kMenuBase + static_cast<UINT>(i);
  }
  return 0;
}

template <typename Real, typename Model>
void MainWindow::findOwned(std::string_view name, int index, Model*& out) {
  out = nullptr;
  const int place = placeOf(name, index);
  if (place < 0 || static_cast<std::size_t>(place) >= controls_.size()) return;
  if (auto* owned = std::get_if<std::unique_ptr<Real>>(&controls_[static_cast<std::size_t>(place)])) out = owned->get();
}

void MainWindow::find(std::string_view n, int i, ListView*& out) { findOwned<ListViewControl>(n, i, out); }
void MainWindow::find(std::string_view n, int i, ImageList*& out) { findOwned<ImageListControl>(n, i, out); }
void MainWindow::find(std::string_view n, int i, IconSurface*& out) { findOwned<IconSurfaceControl>(n, i, out); }
void MainWindow::find(std::string_view n, int i, Canvas*& out) { findOwned<CanvasControl>(n, i, out); }
void MainWindow::find(std::string_view n, int i, Label*& out) { findOwned<LabelControl>(n, i, out); }
void MainWindow::find(std::string_view n, int i, StatusBar*& out) { findOwned<StatusBarControl>(n, i, out); }
void MainWindow::find(std::string_view n, int i, Timer*& out) { findOwned<TimerControl>(n, i, out); }
void MainWindow::find(std::string_view n, int i, Panel*& out) { findOwned<PanelControl>(n, i, out); }
void MainWindow::find(std::string_view n, int i, TabStrip*& out) { findOwned<TabStripControl>(n, i, out); }

void MainWindow::find(std::string_view name, int index, MenuItem*& out) {
  out = nullptr;
  for (std::size_t i = 0; i < design_.menus.size() && i < menuItems_.size(); ++i)
    if (design_.menus[i].name == name && design_.menus[i].index == index) out = menuItems_[i].get();
}

const ControlRow* MainWindow::rowOfId(UINT_PTR id) const {
  if (id < static_cast<UINT_PTR>(kControlBase) || id >= kControlBase + design_.controls.size()) return nullptr;
  return &design_.controls[id - kControlBase];
}

// ---- the keyboard ---------------------------------------------------------------------

bool MainWindow::shown(int place) const {
  if (place < 0 || static_cast<std::size_t>(place) >= windows_.size()) return false;
  HWND w = windows_[static_cast<std::size_t>(place)];
  return w && IsWindowVisible(w) && IsWindowEnabled(w);
}

int MainWindow::placeOfWindow(HWND hwnd) const {
  if (!hwnd) return -1;
  for (std::size_t i = 0; i < windows_.size(); ++i)
    if (windows_[i] == hwnd) return static_cast<int>(i);
  return -1;
}

void MainWindow::press(int place) {
  const ControlRow& row = design_.controls[static_cast<std::size_t>(place)];
  if (events_) guarded([&] { events_->clicked(row.name, row.index); });
}

void MainWindow::moveFocus(bool backwards) {
  const int next =
      nextTabStop(design_.controls, placeOfWindow(GetFocus()), backwards, [this](int place) { return shown(place); });
  if (next >= 0) SetFocus(windows_[static_cast<std::size_t>(next)]);
}

void MainWindow::turnPage(bool backwards) {
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    auto* tabs = std::get_if<std::unique_ptr<TabStripControl>>(&controls_[i]);
    if (!tabs) continue;
    const int count = static_cast<int>(path_.send((*tabs)->hwnd(), TCM_GETITEMCOUNT, 0, 0));
    if (count <= 0) return;
    (*tabs)->select(nextTab((*tabs)->selectedPosition(), count, backwards));
    // The same page switching as a click on the tab.
    const ControlRow& row = design_.controls[i];
    if (events_) guarded([&] { events_->tabChanged(row.name, row.index); });
    focusOnScreen();
    return;
  }
}

void MainWindow::focusOnScreen() {
  HWND focus = GetFocus();
  if (focus && IsChild(hwnd_, focus) && IsWindowVisible(focus) && IsWindowEnabled(focus)) return;
  const int first = nextTabStop(design_.controls, -1, false, [this](int place) { return shown(place); });
  if (first >= 0) SetFocus(windows_[static_cast<std::size_t>(first)]);
}

void MainWindow::restoreFocus() {
  if (lastFocus_ && IsWindow(lastFocus_) && IsChild(hwnd_, lastFocus_) && IsWindowVisible(lastFocus_) &&
      IsWindowEnabled(lastFocus_))
    SetFocus(lastFocus_);
  else
    focusOnScreen();
}

// Windows hides focus rectangles and access-key underlines until the keyboard is used,
// as the dialog manager does on its own windows.
void MainWindow::showKeyboardCues(bool focus) {
  path_.send(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL | (focus ? UISF_HIDEFOCUS : 0)), 0);
}

bool MainWindow::keyboard(const MSG& m) {
  if (!events_ || !hwnd_ || !IsWindowEnabled(hwnd_)) return false;
  const bool control = GetKeyState(VK_CONTROL) < 0;
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const auto isShown = [this](int place) { return shown(place); };
  const int focused = placeOfWindow(GetFocus());
  const ControlRow* focusRow = focused >= 0 ? &design_.controls[static_cast<std::size_t>(focused)] : nullptr;
  switch (m.message) {
    case WM_KEYDOWN:
      if (control && (m.wParam == VK_TAB || m.wParam == VK_NEXT || m.wParam == VK_PRIOR)) {
        turnPage(m.wParam == VK_PRIOR || (m.wParam == VK_TAB && shift));
        return true;
      }
      if (m.wParam == VK_TAB) {
        showKeyboardCues(true);
        moveFocus(shift);
        return true;
      }
      if (focusRow && focusRow->kind == ControlKind::ListView && (m.wParam == VK_DELETE || m.wParam == VK_RETURN)) {
        bool handled = false;
        const ListKey key = m.wParam == VK_DELETE ? ListKey::Delete : ListKey::Enter;
        guarded([&] { handled = events_->listKey(focusRow->name, focusRow->index, key); });
        return handled;
      }
      if (focusRow && focusRow->kind == ControlKind::Button && m.wParam == VK_RETURN) {
        press(focused);
        return true;
      }
      return false;
    case WM_SYSKEYDOWN:
      if (m.wParam == VK_MENU) showKeyboardCues(false);
      return false;
    case WM_SYSCHAR:  // Alt and a letter: a button on screen first, else the menu bar's
    case WM_CHAR: {   // a bare letter counts where a button has the focus, as in a dialog
      if (m.message == WM_CHAR && !(focusRow && focusRow->kind == ControlKind::Button)) return false;
      const int target = accessKeyTarget(design_.controls, static_cast<char32_t>(m.wParam), isShown);
      if (target < 0) return false;
      showKeyboardCues(true);
      press(target);
      return true;
    }
    default: return false;
  }
}

// A check in the loop rather than a message hook: a hook costs every message this thread
// takes (each one a round trip to the window server on some systems), keys or not.
bool MainWindow::preTranslate(const MSG& message) {
  if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST || !message.hwnd || !hwnd_) return false;
  if (message.hwnd != hwnd_ && GetAncestor(message.hwnd, GA_ROOT) != hwnd_) return false;  // not ours
  return keyboard(message);
}

// One procedure per text path, as the class is registered on one of them.
template <bool Ansi>
LRESULT CALLBACK MainWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const TextPath path = TextPath::forFamily(!Ansi);
  if (message == WM_NCCREATE) {
    // lpCreateParams lies at the same place in CREATESTRUCTA and CREATESTRUCTW.
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    path.setWindowLong(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MainWindow*>(path.windowLong(hwnd, GWLP_USERDATA));
  if (!self) return path.defWindowProc(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    path.setWindowLong(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    self->events_ = nullptr;
    return path.defWindowProc(hwnd, message, wParam, lParam);
  }
  return self->handle(message, wParam, lParam);
}

LRESULT MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      if (!events_) break;
      const UINT id = LOWORD(wParam);
      if (lParam == 0 && HIWORD(wParam) == 0 && id >= kMenuBase && id < kMenuBase + design_.menus.size()) {
        const auto& item = design_.menus[id - kMenuBase];
        guarded([&] { events_->clicked(item.name, item.index); });
        return 0;
      }
      const ControlRow* row = rowOfId(id);
      if (lParam != 0 && HIWORD(wParam) == BN_CLICKED && row && row->kind == ControlKind::Button) {
        guarded([&] { events_->clicked(row->name, row->index); });
        return 0;
      }
      break;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      const ControlRow* row = rowOfId(header->idFrom);
      if (events_ && row && row->kind == ControlKind::TabStrip && header->code == static_cast<UINT>(TCN_SELCHANGE)) {
        guarded([&] { events_->tabChanged(row->name, row->index); });
        focusOnScreen();
      }
      break;
    }
    case WM_TIMER:
      if (const ControlRow* row = rowOfId(wParam); events_ && row && row->kind == ControlKind::Timer)
        guarded([&] { events_->timer(row->name, row->index); });
      return 0;
    case WM_SIZE:
      for (auto& owned : controls_)
        if (auto* bar = std::get_if<std::unique_ptr<StatusBarControl>>(&owned))
          path_.send((*bar)->hwnd(), WM_SIZE, 0, 0);
      if (events_) guarded([&] { events_->resized(); });
      return 0;
    case WM_CTLCOLORSTATIC:
      if (LRESULT brush = labelColours(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam), path_))
        return brush;
      break;
    case WM_ACTIVATE:
      // As a dialog: the focus leaves with the window and comes back where it was.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
      } else if (!HIWORD(wParam)) {
        restoreFocus();
      }
      return 0;
    case WM_SETFOCUS:  // restored from minimised, or the window itself was given the focus
      restoreFocus();
      return 0;
    case WM_DESTROY:
      // The timers go with the window; the message loop ends here, and only here.
      PostQuitMessage(0);
      return 0;
    default: break;
  }
  return path_.defWindowProc(hwnd_, message, wParam, lParam);
}

}  // namespace ledra::platform::win32
