#include "platform/win32/main_window.h"

#include <commctrl.h>

#include <map>
#include <span>
#include <string>

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

// The place of a control in the design; a parent is written with its index in the
// name ("PicProperty(2)"). -1 when there is none.
int designPlace(std::string_view name, int index) {
  const std::string key = nameOf(name, index);
  for (std::size_t i = 0; i < std::size(design::kControls); ++i)
    if (nameOf(design::kControls[i].name, design::kControls[i].index) == key) return static_cast<int>(i);
  return -1;
}

// Where each kind of control a handler drives is kept, by its designed name.
template <typename T>
using Slot = std::unique_ptr<T> MainWindow::Controls::*;
template <typename T>
struct Named {
  std::string_view name;
  Slot<T> slot;
};
using C = MainWindow::Controls;
constexpr Named<ListViewControl> kLists[] = {{"ListTask", &C::ListTask}, {"ListProcess", &C::ListProcess}};
constexpr Named<ImageListControl> kImageLists[] = {
    {"Image_NULL", &C::Image_NULL}, {"Image_Large", &C::Image_Large}, {"Image_Small", &C::Image_Small}};
constexpr Named<IconSurfaceControl> kSurfaces[] = {{"Pic_Large", &C::Pic_Large}, {"Pic_Small", &C::Pic_Small}};
constexpr Named<CanvasControl> kCanvases[] = {
    {"UseCPU", &C::UseCPU}, {"BrokenCPU", &C::BrokenCPU}, {"UseFF", &C::UseFF}, {"BrokenFF", &C::BrokenFF}};
constexpr Named<LabelControl> kLabels[] = {
    {"LabCPU", &C::LabCPU},
    {"LabFF", &C::LabFF},
    {"LabTotalPageFile", &C::LabTotalPageFile},
    {"LabAvailPageFile", &C::LabAvailPageFile},
    {"LabUsePageFile", &C::LabUsePageFile},
    {"LabTotalVirtual", &C::LabTotalVirtual},
    {"LabAvailVirtual", &C::LabAvailVirtual},
    {"LabUseVirtual", &C::LabUseVirtual},
};

// The member for this name; none for a control no handler drives.
template <typename T, std::size_t N>
std::unique_ptr<T>* slotOf(C& controls, const Named<T> (&table)[N], std::string_view name) {
  for (const auto& entry : table)
    if (entry.name == name) return &(controls.*entry.slot);
  return nullptr;
}

// The menu items a handler reads or checks.
std::unique_ptr<MenuItemControl>* menuSlot(C& controls, std::string_view name, int index) {
  if (name == "menu_show") return &controls.menu_show;
  if (name == "meun_usemin") return &controls.meun_usemin;
  if (name == "menu_renew" && index >= 0 && index < static_cast<int>(controls.menu_renew.size()))
    return &controls.menu_renew[static_cast<std::size_t>(index)];
  return nullptr;
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
  if (c_.Timer1) c_.Timer1->stop();
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
  c_.form = std::make_unique<WindowControl>(hwnd_, dpi_, design::kClientHeight, icon_);
  form_ = std::make_unique<app::ForLedra>(system, wire());

  guarded([&] { form_->Form_Load(); });
  ShowWindow(hwnd_, showCommand);
  UpdateWindow(hwnd_);
  if (c_.Timer1) c_.Timer1->start();
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
    if (auto* slot = menuSlot(c_, item.name, item.index)) *slot = std::make_unique<MenuItemControl>(parent, id);
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
        if (c.index >= 0 && c.index < static_cast<int>(c_.PicProperty.size()))
          c_.PicProperty[static_cast<std::size_t>(c.index)] =
              std::make_unique<PanelControl>(hwnd, dpi_, c.left, c.top, path_);
        break;
      case design::Kind::Canvas:
        hwnd = make(WS_EX_CLIENTEDGE, kCanvasClass, "", WS_CLIPCHILDREN);
        if (auto* slot = slotOf(c_, kCanvases, c.name))
          *slot = std::make_unique<CanvasControl>(hwnd, dpi_, c.unit == design::Unit::Points,
                                                  RGB(c.back.r, c.back.g, c.back.b), path_);
        break;
      case design::Kind::IconSurface:  // off-screen: icon pictures are in pixels whatever the DPI
        if (auto* slot = slotOf(c_, kSurfaces, c.name))
          *slot = std::make_unique<IconSurfaceControl>(c.width / 15, c.height / 15);
        break;
      case design::Kind::ImageList: {
        const int size = c.width > 0 ? c.width / 15 : 32;  // no fixed size: that of the window icon
        if (auto* slot = slotOf(c_, kImageLists, c.name)) *slot = std::make_unique<ImageListControl>(size, size);
        break;
      }
      case design::Kind::ListView: {
        hwnd = make(WS_EX_CLIENTEDGE, "SysListView32", "",
                    WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL | LVS_SHAREIMAGELISTS);
        auto list = std::make_unique<ListViewControl>(hwnd, dpi_, path_);
        for (auto& page : c_.PicProperty)
          if (page && page->hwnd() == parent) page->holds(list.get());
        if (c.name == "ListTask") addColumns(*list, design::kTaskColumns);
        if (c.name == "ListProcess") addColumns(*list, design::kProcessColumns9x);
        if (auto* slot = slotOf(c_, kLists, c.name)) *slot = std::move(list);
        break;
      }
      case design::Kind::Button:
        hwnd = make(0, "BUTTON", c.caption, WS_TABSTOP | BS_PUSHBUTTON);
        break;
      case design::Kind::Label: {
        const DWORD align = c.align == Align::Right ? SS_RIGHT : c.align == Align::Centre ? SS_CENTER : SS_LEFT;
        hwnd = make(0, "STATIC", c.caption, align | SS_NOPREFIX);
        // Fixed captions in the default colours need nothing of their own.
        if (auto* slot = slotOf(c_, kLabels, c.name))
          *slot = std::make_unique<LabelControl>(hwnd, std::string(c.caption), c.blackBack, c.fore, c.back, path_);
        break;
      }
      case design::Kind::Timer:
        c_.Timer1 = std::make_unique<TimerControl>(hwnd_, kTimerId, design::kTimerInterval, true);
        break;
      case design::Kind::TabStrip: {
        hwnd = make(0, "SysTabControl32", "", WS_CLIPSIBLINGS | WS_TABSTOP);
        for (std::size_t t = 0; t < design::kTabs.size(); ++t)
          path_.insertTab(hwnd, static_cast<int>(t), design::kTabs[t].caption);
        // The page panels lie on the tab strip, so it goes beneath them.
        SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        c_.TabStrip1 = std::make_unique<TabStripControl>(hwnd, path_);
        break;
      }
      case design::Kind::StatusBar:
        hwnd = path_.createWindow(0, "msctls_statusbar32", "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd_,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        path_.send(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        c_.StatusBar1 = std::make_unique<StatusBarControl>(hwnd, dpi_, design::kStatusPanels, path_);
        break;
    }
    windows_[i] = hwnd;
  }
}

app::FormControls MainWindow::wire() {
  app::FormControls c;
  c.form = c_.form.get();
  c.TabStrip1 = c_.TabStrip1.get();
  for (std::size_t i = 0; i < c_.PicProperty.size(); ++i) c.PicProperty[i] = c_.PicProperty[i].get();
  c.ListTask = c_.ListTask.get();
  c.ListProcess = c_.ListProcess.get();
  c.Image_NULL = c_.Image_NULL.get();
  c.Image_Large = c_.Image_Large.get();
  c.Image_Small = c_.Image_Small.get();
  c.Pic_Large = c_.Pic_Large.get();
  c.Pic_Small = c_.Pic_Small.get();
  c.UseCPU = c_.UseCPU.get();
  c.BrokenCPU = c_.BrokenCPU.get();
  c.UseFF = c_.UseFF.get();
  c.BrokenFF = c_.BrokenFF.get();
  c.LabCPU = c_.LabCPU.get();
  c.LabFF = c_.LabFF.get();
  c.LabTotalPageFile = c_.LabTotalPageFile.get();
  c.LabAvailPageFile = c_.LabAvailPageFile.get();
  c.LabUsePageFile = c_.LabUsePageFile.get();
  c.LabTotalVirtual = c_.LabTotalVirtual.get();
  c.LabAvailVirtual = c_.LabAvailVirtual.get();
  c.LabUseVirtual = c_.LabUseVirtual.get();
  c.StatusBar1 = c_.StatusBar1.get();
  c.Timer1 = c_.Timer1.get();
  c.menu_show = c_.menu_show.get();
  c.meun_usemin = c_.meun_usemin.get();
  for (std::size_t i = 0; i < c_.menu_renew.size(); ++i) c.menu_renew[i] = c_.menu_renew[i].get();
  return c;
}

HWND MainWindow::control(std::string_view name, int index) const {
  const int place = designPlace(name, index);
  return place < 0 ? nullptr : windows_[static_cast<std::size_t>(place)];
}

UINT MainWindow::menuId(std::string_view name, int index) const {
  for (std::size_t i = 0; i < design::kMenus.size(); ++i) {
    const auto& item = design::kMenus[i];
    if (item.name == name && item.index == index && !hasChildren(item.name)) return kMenuBase + static_cast<UINT>(i);
  }
  return 0;
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
        guarded([&] { form_->Click(item.command, item.index); });
        return 0;
      }
      const std::span<const design::Control> controls(design::kControls);
      if (lParam != 0 && HIWORD(wParam) == BN_CLICKED && id >= kControlBase && id < kControlBase + controls.size()) {
        const auto& c = controls[id - kControlBase];
        guarded([&] { form_->Click(c.command, c.index); });
        return 0;
      }
      break;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (form_ && c_.TabStrip1 && header->hwndFrom == c_.TabStrip1->hwnd() &&
          header->code == static_cast<UINT>(TCN_SELCHANGE))
        guarded([&] { form_->TabStrip1_Click(); });
      break;
    }
    case WM_TIMER:
      if (form_ && c_.Timer1 && wParam == c_.Timer1->id()) guarded([&] { form_->Timer1_Timer(); });
      return 0;
    case WM_SIZE:
      if (c_.StatusBar1) path_.send(c_.StatusBar1->hwnd(), WM_SIZE, 0, 0);
      if (form_) guarded([&] { form_->Form_Resize(); });
      return 0;
    case WM_CTLCOLORSTATIC:
      if (LRESULT brush = labelColours(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam), path_))
        return brush;
      break;
    case WM_DESTROY:
      if (c_.Timer1) c_.Timer1->stop();
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return path_.defWindowProc(hwnd_, message, wParam, lParam);
}

}  // namespace ledra::platform::win32
