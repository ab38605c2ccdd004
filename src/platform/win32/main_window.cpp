#include "platform/win32/main_window.h"

#include <commctrl.h>

#include <span>

#include "app/design.h"
#include "platform/is_nt.h"
#include "platform/win32/wide.h"

namespace ledra::platform::win32 {

namespace {

namespace design = app::design;

constexpr UINT kMenuBase = 100;     // + position in the menu design
constexpr int kControlBase = 1000;  // + position in the control design
constexpr UINT_PTR kTimerId = 1;
constexpr DWORD kMainStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

std::string nameOf(std::string_view name, int index) {
  std::string key(name);
  if (index >= 0) {
    key += '(';
    key += std::to_string(index);
    key += ')';
  }
  return key;
}

template <typename Map>
auto* find(const Map& map, std::string_view key) {
  auto it = map.find(key);
  return it == map.end() ? nullptr : it->second.get();
}

// Nothing may leave a window procedure: a failing handler just ends that handler.
template <typename F>
void guarded(F&& handler) {
  try {
    handler();
  } catch (...) {
  }
}

bool hasChildren(std::string_view menu) {
  for (const auto& item : design::kMenus)
    if (item.parent == menu) return true;
  return false;
}

template <std::size_t N>
void addColumns(ListViewControl& list, const std::array<design::Column, N>& columns) {
  for (const auto& column : columns) list.addColumn(column.header, column.width, column.align);
}

HICON loadIcon(TextPath path, HINSTANCE instance, int size) {
  HICON icon = path.loadIcon(instance, 1, size);
  return icon ? icon : path.applicationIcon();
}

}  // namespace

MainWindow::~MainWindow() {
  if (timer_) timer_->stop();
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

bool MainWindow::create(System& system, HINSTANCE instance, int showCommand) {
  // The one choice of entry points: wide on NT, ANSI on the 9x family.
  path_ = TextPath::forFamily(platform::IsNT(system));
  INITCOMMONCONTROLSEX common{sizeof(common), ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&common);
  registerControlClasses(instance, path_);
  dpi_ = Dpi::ofScreen();
  icon_ = loadIcon(path_, instance, GetSystemMetrics(SM_CXICON));
  path_.registerClass(instance, kMainWindowClass, path_.ansi() ? windowProc<true> : windowProc<false>, icon_,
                      loadIcon(path_, instance, GetSystemMetrics(SM_CXSMICON)), path_.arrowCursor(),
                      reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));

  font_.reset(createUiFont(dpi_.y, path_));

  RECT frame{0, 0, dpi_.pxX(design::kFormWidth), dpi_.pxY(design::kClientHeight)};
  AdjustWindowRectEx(&frame, kMainStyle, TRUE, 0);
  HMENU menu = buildMenu();
  HWND hwnd = path_.createWindow(0, kMainWindowClass, design::kCaption, kMainStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                 dpi_.pxX(design::kFormWidth), frame.bottom - frame.top, nullptr, menu, instance, this);
  if (!hwnd) {
    DestroyMenu(menu);
    return false;
  }

  createControls(instance);
  window_ = std::make_unique<WindowControl>(hwnd_, dpi_, design::kClientHeight, icon_);
  form_ = std::make_unique<app::ForLedra>(system, wire());

  guarded([&] { form_->Form_Load(); });
  ShowWindow(hwnd_, showCommand);
  UpdateWindow(hwnd_);
  if (timer_) timer_->start();
  return true;
}

HMENU MainWindow::buildMenu() {
  HMENU bar = CreateMenu();
  std::map<std::string_view, HMENU> popups;
  for (std::size_t i = 0; i < design::kMenus.size(); ++i) {
    const auto& item = design::kMenus[i];
    HMENU parent = item.parent.empty() ? bar : popups[item.parent];
    if (hasChildren(item.name)) {
      HMENU popup = CreatePopupMenu();
      popups[item.name] = popup;
      path_.appendMenu(parent, MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(popup), item.caption);
      continue;
    }
    const UINT id = kMenuBase + static_cast<UINT>(i);
    path_.appendMenu(parent, MF_STRING | (item.checked ? MF_CHECKED : MF_UNCHECKED), id, item.caption);
    const std::string key = nameOf(item.name, item.index);
    menuIds_[key] = id;
    menuItems_[key] = std::make_unique<MenuItemControl>(parent, id);
  }
  return bar;
}

HWND MainWindow::child(DWORD exStyle, std::string_view className, std::string_view text, DWORD style, HWND parent,
                       int left, int top, int width, int height, int id, HINSTANCE instance) {
  HWND hwnd = path_.createWindow(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, dpi_.pxX(left),
                                 dpi_.pxY(top), dpi_.pxX(width), dpi_.pxY(height), parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (hwnd) path_.send(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  return hwnd;
}

void MainWindow::createControls(HINSTANCE instance) {
  constexpr DWORD kBox = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  const std::span<const design::Control> controls(design::kControls);
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const auto& c = controls[i];
    const std::string key = nameOf(c.name, c.index);
    HWND parent = c.parent.empty() ? hwnd_ : control(c.parent);
    if (!parent) parent = hwnd_;
    const int id = kControlBase + static_cast<int>(i);
    HWND hwnd = nullptr;
    auto make = [&](DWORD ex, std::string_view cls, std::string_view text, DWORD style) {
      return child(ex, cls, text, style, parent, c.left, c.top, c.width, c.height, id, instance);
    };
    switch (c.kind) {
      case design::Kind::PictureBox:
      case design::Kind::Frame:
        hwnd = make(0, kBoxClass, c.caption, kBox);
        break;
      case design::Kind::PagePanel:
        hwnd = make(0, kBoxClass, "", kBox);
        panels_[key] = std::make_unique<PanelControl>(hwnd, dpi_, c.left, c.top, path_);
        break;
      case design::Kind::Canvas:
        hwnd = make(WS_EX_CLIENTEDGE, kCanvasClass, "", WS_CLIPCHILDREN);
        canvases_[key] = std::make_unique<CanvasControl>(hwnd, dpi_, c.unit == design::Unit::Points,
                                                         RGB(c.back.r, c.back.g, c.back.b), path_);
        break;
      case design::Kind::IconSurface:  // off-screen: icon pictures are in pixels whatever the DPI
        surfaces_[key] = std::make_unique<IconSurfaceControl>(c.width / 15, c.height / 15);
        break;
      case design::Kind::ImageList: {
        const int size = c.width > 0 ? c.width / 15 : 32;  // no fixed size: that of the window icon
        imageLists_[key] = std::make_unique<ImageListControl>(size, size);
        break;
      }
      case design::Kind::ListView: {
        hwnd = make(WS_EX_CLIENTEDGE, "SysListView32", "",
                    WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL | LVS_SHAREIMAGELISTS);
        auto list = std::make_unique<ListViewControl>(hwnd, dpi_, path_);
        if (c.name == "ListTask") addColumns(*list, design::kTaskColumns);
        if (c.name == "ListProcess") addColumns(*list, design::kProcessColumns9x);
        lists_[key] = std::move(list);
        break;
      }
      case design::Kind::Button:
        hwnd = make(0, "BUTTON", c.caption, WS_TABSTOP | BS_PUSHBUTTON);
        break;
      case design::Kind::Label: {
        const DWORD align = c.align == Align::Right ? SS_RIGHT : c.align == Align::Centre ? SS_CENTER : SS_LEFT;
        hwnd = make(0, "STATIC", c.caption, align | SS_NOPREFIX);
        labels_[key] =
            std::make_unique<LabelControl>(hwnd, std::string(c.caption), c.blackBack, c.fore, c.back, path_);
        break;
      }
      case design::Kind::Timer:
        timer_ = std::make_unique<TimerControl>(hwnd_, kTimerId, design::kTimerInterval, true);
        break;
      case design::Kind::TabStrip: {
        hwnd = make(0, "SysTabControl32", "", WS_CLIPSIBLINGS | WS_TABSTOP);
        for (std::size_t t = 0; t < design::kTabs.size(); ++t)
          path_.insertTab(hwnd, static_cast<int>(t), design::kTabs[t].caption);
        // The page panels lie on the tab strip, so it goes beneath them.
        SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        tabs_ = std::make_unique<TabStripControl>(hwnd, path_);
        break;
      }
      case design::Kind::StatusBar:
        hwnd = path_.createWindow(0, "msctls_statusbar32", "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd_,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        path_.send(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        status_ = std::make_unique<StatusBarControl>(hwnd, dpi_, design::kStatusPanels, path_);
        break;
    }
    if (hwnd) windows_[key] = hwnd;
  }
}

app::FormControls MainWindow::wire() {
  app::FormControls c;
  c.form = window_.get();
  c.TabStrip1 = tabs_.get();
  for (int i = 0; i < 3; ++i) c.PicProperty[i] = find(panels_, nameOf("PicProperty", i));
  c.ListTask = find(lists_, "ListTask");
  c.ListProcess = find(lists_, "ListProcess");
  c.Image_NULL = find(imageLists_, "Image_NULL");
  c.Image_Large = find(imageLists_, "Image_Large");
  c.Image_Small = find(imageLists_, "Image_Small");
  c.Pic_Large = find(surfaces_, "Pic_Large");
  c.Pic_Small = find(surfaces_, "Pic_Small");
  c.UseCPU = find(canvases_, "UseCPU");
  c.BrokenCPU = find(canvases_, "BrokenCPU");
  c.UseFF = find(canvases_, "UseFF");
  c.BrokenFF = find(canvases_, "BrokenFF");
  c.LabCPU = find(labels_, "LabCPU");
  c.LabFF = find(labels_, "LabFF");
  c.LabTotalPageFile = find(labels_, "LabTotalPageFile");
  c.LabAvailPageFile = find(labels_, "LabAvailPageFile");
  c.LabUsePageFile = find(labels_, "LabUsePageFile");
  c.LabTotalVirtual = find(labels_, "LabTotalVirtual");
  c.LabAvailVirtual = find(labels_, "LabAvailVirtual");
  c.LabUseVirtual = find(labels_, "LabUseVirtual");
  c.StatusBar1 = status_.get();
  c.Timer1 = timer_.get();
  c.menu_show = find(menuItems_, "menu_show");
  c.meun_usemin = find(menuItems_, "meun_usemin");
  for (int i = 0; i < 4; ++i) c.menu_renew[i] = find(menuItems_, nameOf("menu_renew", i));
  return c;
}

HWND MainWindow::control(std::string_view name, int index) const {
  auto it = windows_.find(index >= 0 ? nameOf(name, index) : std::string(name));
  return it == windows_.end() ? nullptr : it->second;
}

UINT MainWindow::menuId(std::string_view name, int index) const {
  auto it = menuIds_.find(nameOf(name, index));
  return it == menuIds_.end() ? 0 : it->second;
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
    return path.defWindowProc(hwnd, message, wParam, lParam);
  }
  return self->handle(message, wParam, lParam);
}

LRESULT MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      if (!form_) break;
      const UINT id = LOWORD(wParam);
      if (lParam == 0 && HIWORD(wParam) == 0 && id >= kMenuBase && id < kMenuBase + design::kMenus.size()) {
        const auto& item = design::kMenus[id - kMenuBase];
        guarded([&] { form_->dispatch(item.name, item.index); });
        return 0;
      }
      const std::span<const design::Control> controls(design::kControls);
      if (lParam != 0 && HIWORD(wParam) == BN_CLICKED && id >= kControlBase && id < kControlBase + controls.size()) {
        const auto& c = controls[id - kControlBase];
        guarded([&] { form_->dispatch(c.name, c.index); });
        return 0;
      }
      break;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (form_ && tabs_ && header->hwndFrom == tabs_->hwnd() && header->code == static_cast<UINT>(TCN_SELCHANGE))
        guarded([&] { form_->TabStrip1_Click(); });
      break;
    }
    case WM_TIMER:
      if (form_ && timer_ && wParam == timer_->id()) guarded([&] { form_->Timer1_Timer(); });
      return 0;
    case WM_SIZE:
      if (status_) path_.send(status_->hwnd(), WM_SIZE, 0, 0);
      if (form_) guarded([&] { form_->Form_Resize(); });
      return 0;
    case WM_CTLCOLORSTATIC:
      if (LRESULT brush = labelColours(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam), path_))
        return brush;
      break;
    case WM_DESTROY:
      if (timer_) timer_->stop();
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return path_.defWindowProc(hwnd_, message, wParam, lParam);
}

}  // namespace ledra::platform::win32
