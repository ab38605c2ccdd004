// The designed control tree of ForLedra, as data: read by the Win32 adapter to create
// the real controls and by the tests to check them. Positions and sizes in twips,
// relative to the container.
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "ledra_version.h"
#include "platform/design.h"

namespace ledra::app::design {

inline constexpr std::string_view kCaption = "Windows Ledra ";  // ends in one space
inline constexpr std::string_view kAppTitle = "Windows Ledra";  // message box caption
inline constexpr int kFormWidth = 6700;                         // outer, twips
inline constexpr int kClientHeight = 7035;                      // twips
// From project(... VERSION ...) in CMakeLists.txt, through the generated ledra_version.h.
inline constexpr int kVersionMajor = LEDRA_VERSION_MAJOR;
inline constexpr int kVersionMinor = LEDRA_VERSION_MINOR;
inline constexpr int kVersionRevision = LEDRA_VERSION_PATCH;

using Kind = platform::ControlKind;
using platform::Unit;
using Control = platform::ControlRow;
using Menu = platform::MenuRow;
using Column = platform::ColumnRow;

constexpr Control button(std::string_view name, std::string_view parent, std::string_view caption, int left, int top,
                         int width, int height) {
  return Control{name, -1, Kind::Button, parent, caption, left, top, width, height};
}

using platform::Align;
using platform::Rgb;

inline constexpr Rgb kGreen{0, 255, 0};
inline constexpr Rgb kBlack{0, 0, 0};

inline constexpr std::array<Column, 2> kTaskColumns{{{"任务", 4500, Align::Left}, {"状态", 1500, Align::Left}}};

// ListProcess as designed; the 9x family keeps these.
inline constexpr std::array<Column, 3> kProcessColumns9x{
    {{"映像名称", 2600, Align::Left}, {"PID", 1200, Align::Right}, {"路径", 3600, Align::Left}}};

// Start-up replaces them with these on the NT family.
inline constexpr std::array<Column, 6> kProcessColumnsNT{{{"映像名称", 2600, Align::Left},
                                                          {"PID", 1000, Align::Right},
                                                          {"CPU", 800, Align::Right},
                                                          {"CPU 时间", 1200, Align::Centre},
                                                          {"内存使用", 1000, Align::Right},
                                                          {"命令行", 3600, Align::Left}}};

constexpr Control listView(std::string_view name, std::string_view parent, int left, int top, int width, int height,
                           std::span<const Column> columns) {
  Control c{name, -1, Kind::ListView, parent, "", left, top, width, height};
  c.columns = columns;
  return c;
}

constexpr Control timer(std::string_view name, std::string_view parent, int intervalMs) {
  Control c{name, -1, Kind::Timer, parent, "", 0, 0, 0, 0};
  c.interval = intervalMs;
  return c;
}

inline constexpr int kTimerInterval = 500;  // ms, enabled at start

// In creation order; children follow their container.
// One row per control: the table keeps its own layout.
// clang-format off
inline constexpr Control kControls[] = {
    {"Picture5", -1, Kind::PictureBox, "", "", 12960, 2040, 2775, 2655},
    {"Image_NULL", -1, Kind::ImageList, "Picture5", "", 0, 0, 0, 0},
    {"Image_Large", -1, Kind::ImageList, "Picture5", "", 0, 0, 0, 0},
    {"Image_Small", -1, Kind::ImageList, "Picture5", "", 0, 0, 240, 240},
    {"Pic_Small", -1, Kind::IconSurface, "Picture5", "", 1080, 360, 240, 240},
    {"Pic_Large", -1, Kind::IconSurface, "Picture5", "", 360, 360, 480, 480},

    {"PicProperty", 1, Kind::PagePanel, "", "", 7410, -1140, 6315, 5955},
    listView("ListProcess", "PicProperty(1)", 180, 90, 5925, 5325, kProcessColumns9x),
    button("ComKillTask", "PicProperty(1)", "结束进程(&E)", 4650, 5550, 1515, 345),

    {"PicProperty", 0, Kind::PagePanel, "", "", 6660, 270, 6315, 5955},
    listView("ListTask", "PicProperty(0)", 180, 90, 5925, 5355, kTaskColumns),
    button("Command2", "PicProperty(0)", "结束任务(&E)", 2460, 5580, 1215, 345),
    button("Command3", "PicProperty(0)", "切换至(&S)", 3780, 5580, 1035, 345),
    button("Command1", "PicProperty(0)", "新任务(&N)...", 4920, 5580, 1245, 345),

    {"PicProperty", 2, Kind::PagePanel, "", "", 150, 510, 6315, 5955},
    {"Frame1", -1, Kind::Frame, "PicProperty(2)", "CPU 使用", 120, 30, 1425, 2295},
    {"UseCPU", -1, Kind::Canvas, "Frame1", "", 180, 330, 1080, 1755, kBlack, kGreen, Align::Left, Unit::Points, true},
    {"LabCPU", -1, Kind::Label, "UseCPU", "100 %", 30, 1440, 975, 315, kBlack, kGreen, Align::Centre, Unit::Twips, true},
    timer("Timer1", "PicProperty(2)", kTimerInterval),
    {"Frame2", -1, Kind::Frame, "PicProperty(2)", "CPU 使用记录", 1680, 30, 4515, 2295},
    {"BrokenCPU", -1, Kind::Canvas, "Frame2", "", 180, 330, 4125, 1755, kBlack, kGreen, Align::Left, Unit::Twips, true},
    {"Frame3", -1, Kind::Frame, "PicProperty(2)", "内存", 120, 2520, 1425, 2265},
    {"UseFF", -1, Kind::Canvas, "Frame3", "", 180, 330, 1080, 1755, kBlack, kGreen, Align::Left, Unit::Points, true},
    {"LabFF", -1, Kind::Label, "UseFF", "0 KB", 30, 1440, 975, 315, kBlack, kGreen, Align::Centre, Unit::Twips, true},
    {"Frame4", -1, Kind::Frame, "PicProperty(2)", "物理内存使用记录", 1680, 2520, 4515, 2265},
    {"BrokenFF", -1, Kind::Canvas, "Frame4", "", 180, 330, 4125, 1755, kBlack, kGreen, Align::Left, Unit::Twips, true},
    // The figure labels keep their right edges and reach left to the captions, so the
    // largest figure a 64-bit address space gives (12 digits, more with decimals) shows whole.
    {"Frame5", -1, Kind::Frame, "PicProperty(2)", "页面文件(K)", 3210, 4950, 2985, 945},
    {"Label1", -1, Kind::Label, "Frame5", "总数", 120, 240, 855, 195},
    {"Label2", -1, Kind::Label, "Frame5", "可用数", 120, 450, 855, 195},
    {"Label3", -1, Kind::Label, "Frame5", "已用数", 120, 660, 855, 195},
    {"LabTotalPageFile", -1, Kind::Label, "Frame5", "", 1020, 270, 1785, 195, {255, 255, 255}, kBlack, Align::Right},
    {"LabAvailPageFile", -1, Kind::Label, "Frame5", "", 1020, 450, 1785, 195, {255, 255, 255}, kBlack, Align::Right},
    {"LabUsePageFile", -1, Kind::Label, "Frame5", "", 1020, 630, 1785, 195, {255, 255, 255}, kBlack, Align::Right},
    {"Frame6", -1, Kind::Frame, "PicProperty(2)", "虚拟内存(K)", 120, 4950, 2955, 945},
    {"Label4", -1, Kind::Label, "Frame6", "总数", 120, 240, 855, 195},
    {"Label5", -1, Kind::Label, "Frame6", "可用数", 120, 450, 855, 195},
    {"Label6", -1, Kind::Label, "Frame6", "已用数", 120, 660, 855, 195},
    {"LabTotalVirtual", -1, Kind::Label, "Frame6", "", 1050, 270, 1785, 195, {255, 255, 255}, kBlack, Align::Right},
    {"LabAvailVirtual", -1, Kind::Label, "Frame6", "", 1050, 450, 1785, 195, {255, 255, 255}, kBlack, Align::Right},
    {"LabUseVirtual", -1, Kind::Label, "Frame6", "", 1050, 630, 1785, 195, {255, 255, 255}, kBlack, Align::Right},

    {"TabStrip1", -1, Kind::TabStrip, "", "", 90, 60, 6435, 6585},
    {"StatusBar1", -1, Kind::StatusBar, "", "", 0, 0, 0, 315},
};
// clang-format on

inline constexpr std::string_view kTabs[] = {"应用程序", "进程", "性能"};

// Status bar panels: widths in twips, 0 = takes the rest of the bar.
inline constexpr int kStatusPanels[] = {1440, 1440, 0};

inline constexpr Menu kMenus[] = {
    {"menu_File", -1, "", "文件(&F)", false},
    {"menu_run", -1, "menu_File", "新建任务(运行...)(&N)", false},
    {"menu_exit", -1, "menu_File", "退出Ledra", false},
    {"menu_oper", -1, "", "选项(&Q)", false},
    {"menu_show", -1, "menu_oper", "前端显示(&A)", true},
    {"meun_usemin", -1, "menu_oper", "使用自动最小化(&M)", true},
    {"meun_view", -1, "", "查看(&V)", false},
    {"menu_Re", -1, "meun_view", "立即刷新(R)", false},
    {"menu_u", -1, "meun_view", "更新速度(&U)", false},
    {"menu_renew", 0, "menu_u", "高(&H)", true},
    {"menu_renew", 1, "menu_u", "标准(&N)", false},
    {"menu_renew", 2, "menu_u", "低(&L)", false},
    {"menu_renew", 3, "menu_u", "暂停(&P)", false},
    {"menu_help", -1, "", "帮助(&H)", false},
    {"menu_about", -1, "menu_help", "关于Ledra", false},
};

// The update speeds menu_renew(0..3): kTimerInterval << index ms; the last one pauses.
inline constexpr int kSpeedCount = 4;
inline constexpr int kPausedSpeed = kSpeedCount - 1;

inline constexpr platform::WindowDesign kWindow{kCaption, kFormWidth, kClientHeight, kControls,
                                                kMenus,   kTabs,      kStatusPanels};

}  // namespace ledra::app::design
