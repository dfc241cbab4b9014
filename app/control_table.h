#pragma once
// The main window and its seventeen controls as data: kinds, places, colours and default
// texts, in the order of the form. Portable, so the layout is checked in the native build too.

#include <cstddef>

#include "app/form_fields.h"

enum class ControlKind { Label, TransparentLabel, PictureBox, Button, ProgressBar, Edit };
enum class Border { None, Single, Sunken, ThinSunken };
enum class Align { Left, Centre };
// Labels: Wrap breaks words over lines. Edits: Lines is multi-line with a vertical scroll bar.
enum class Lines { Single, Wrap, Lines };

struct Colour {
  enum Source { Rgb, ButtonFace, None };
  Source source;
  unsigned char r, g, b;
};
constexpr Colour Rgb(unsigned char r, unsigned char g, unsigned char b) { return {Colour::Rgb, r, g, b}; }
constexpr Colour kButtonFace{Colour::ButtonFace, 0, 0, 0};
constexpr Colour kNoFill{Colour::None, 0, 0, 0};  // a transparent label shows the window behind it
constexpr Colour kBlack = Rgb(0, 0, 0);
constexpr Colour kWhite = Rgb(255, 255, 255);
constexpr Colour kRed = Rgb(255, 0, 0);
constexpr Colour kLightGrey = Rgb(236, 236, 236);
constexpr Colour kYellow = Rgb(255, 255, 0);

struct ControlRect {
  int x, y, w, h;  // in pixels, relative to the client area's top left corner
};

struct ControlRow {
  Control control;
  ControlKind kind;
  ControlRect rect;
  Border border;
  Align align;
  Lines lines;
  Colour text_colour;
  Colour background;
  const char* text;  // GBK
};

// The main window.
constexpr const char* kWindowCaption =  // 朔禾站_教材_电子课本@下载器 By 1.01
    "\xcb\xb7\xba\xcc\xd5\xbe_\xbd\xcc\xb2\xc4_\xb5\xe7\xd7\xd3\xbf\xce\xb1\xbe@\xcf\xc2\xd4\xd8\xc6\xf7 By 1.01";
constexpr int kWindowWidth = 526;  // outer size, frame and caption included
constexpr int kWindowHeight = 264;

struct WindowOrigin {
  int left, top;
};
// Centred on the screen, halves cut to whole pixels.
constexpr WindowOrigin CentredWindowOrigin(int screen_width, int screen_height) {
  return {(screen_width - kWindowWidth) / 2, (screen_height - kWindowHeight) / 2};
}

// 备注：1.复制阅读页地址，在地址框中双击左键自动粘贴，点击下载。 (one blank) CR LF
//       2.部分无法获取书页码，请手动输入。 (six blanks before the 2)
constexpr const char kRemark[] =
    "\xb1\xb8\xd7\xa2\xa3\xba" "1.\xb8\xb4\xd6\xc6\xd4\xc4\xb6\xc1\xd2\xb3\xb5\xd8\xd6\xb7\xa3\xac\xd4\xda\xb5\xd8"
    "\xd6\xb7\xbf\xf2\xd6\xd0\xcb\xab\xbb\xf7\xd7\xf3\xbc\xfc\xd7\xd4\xb6\xaf\xd5\xb3\xcc\xf9\xa3\xac\xb5\xe3\xbb\xf7"
    "\xcf\xc2\xd4\xd8\xa1\xa3 \r\n"
    "      2.\xb2\xbf\xb7\xd6\xce\xde\xb7\xa8\xbb\xf1\xc8\xa1\xca\xe9\xd2\xb3\xc2\xeb\xa3\xac\xc7\xeb\xca\xd6\xb6\xaf"
    "\xca\xe4\xc8\xeb\xa1\xa3";

constexpr const char kDefaultTrialAddress[] =
    "http://" SITE_HOST "/jiaocai/yuwen/shujiaoban/yinianjixiace/xiace1.html";

// The form, control by control. Edit boxes and buttons are tab stops; the tab order is this order.
// 下载链接框 and 览卷源代码框 lie below the client area on purpose: they are never seen.
// clang-format off
constexpr ControlRow kControlTable[] = {
  // control           kind                          {x,   y,   w,   h}   border              align          lines          text    background   text
  {Control::标签2,        ControlKind::Label,            {144, 176, 376,  48}, Border::None,       Align::Left,   Lines::Wrap,   kRed,   kButtonFace, kRemark},
  {Control::图片框1,      ControlKind::PictureBox,       {  8,  56, 120, 160}, Border::Single,     Align::Left,   Lines::Single, kBlack, kButtonFace, ""},
  {Control::按钮1,        ControlKind::Button,           {440, 125,  64,  28}, Border::None,       Align::Centre, Lines::Single, kBlack, kButtonFace, "\xba\xcf\xb2\xa2pdf"},                              // 合并pdf
  {Control::进度条,       ControlKind::ProgressBar,      {216, 126, 120,  24}, Border::ThinSunken, Align::Left,   Lines::Single, kBlack, kButtonFace, ""},
  {Control::下载链接框,   ControlKind::Edit,             {280, 304, 696, 112}, Border::Sunken,     Align::Left,   Lines::Lines,  kBlack, kWhite,      ""},
  {Control::标签1,        ControlKind::Label,            {144,  91,  48,  28}, Border::None,       Align::Left,   Lines::Single, kBlack, kButtonFace, "\xca\xe9\xbf\xaf\xc3\xfb\xa3\xba"},                // 书刊名：
  {Control::书名框,       ControlKind::Edit,             {192,  91, 144,  28}, Border::Sunken,     Align::Centre, Lines::Single, kBlack, kLightGrey,  ""},
  {Control::标签25,       ControlKind::Label,            {419,  87,  37,  28}, Border::None,       Align::Left,   Lines::Single, kBlack, kButtonFace, "\xd2\xb3 \xc2\xeb\xa3\xba"},                       // 页 码：
  {Control::总页码框,     ControlKind::Edit,             {456,  88,  40,  28}, Border::Sunken,     Align::Centre, Lines::Single, kBlack, kLightGrey,  ""},
  {Control::标签12,       ControlKind::Label,            { 80,  16,  56,  28}, Border::None,       Align::Left,   Lines::Single, kBlack, kButtonFace, "\xca\xd4\xb6\xc1\xb5\xd8\xd6\xb7\xa3\xba"},        // 试读地址：
  {Control::试读地址框,   ControlKind::Edit,             {136,  17, 368,  28}, Border::Sunken,     Align::Centre, Lines::Single, kBlack, kWhite,      kDefaultTrialAddress},
  {Control::览卷源代码框, ControlKind::Edit,             { 24, 305, 208, 239}, Border::Sunken,     Align::Left,   Lines::Lines,  kBlack, kYellow,     ""},
  {Control::透明标签2,    ControlKind::TransparentLabel, {144, 128,  40,  24}, Border::None,       Align::Left,   Lines::Single, kBlack, kNoFill,     "\xcf\xdf\xb3\xcc\xca\xfd\xa3\xba"},                // 线程数：
  {Control::编辑框_线程数, ControlKind::Edit,            {184, 124,  24,  29}, Border::Single,     Align::Centre, Lines::Single, kBlack, kWhite,      "10"},
  {Control::按钮2,        ControlKind::Button,           {  8,  16,  64,  32}, Border::None,       Align::Centre, Lines::Single, kBlack, kButtonFace, "\xd6\xf7\xd2\xb3"},                                // 主页
  {Control::进度标签,     ControlKind::Label,            {336, 127,  36,  24}, Border::None,       Align::Centre, Lines::Single, kBlack, kWhite,      ""},
  {Control::下载按钮,     ControlKind::Button,           {376, 126,  56,  28}, Border::None,       Align::Centre, Lines::Single, kBlack, kButtonFace, "\xcd\xbc\xc6\xac\xcf\xc2\xd4\xd8"},                // 图片下载
};
// clang-format on

constexpr size_t kControlCount = sizeof(kControlTable) / sizeof(kControlTable[0]);

constexpr bool TableFollowsTheForm() {
  for (size_t i = 0; i < kControlCount; ++i) {
    if (static_cast<size_t>(kControlTable[i].control) != i) return false;
  }
  return true;
}
static_assert(kControlCount == 17 && TableFollowsTheForm(), "one row per control, in the order of Control");

constexpr const ControlRow& RowOf(Control control) { return kControlTable[static_cast<size_t>(control)]; }

constexpr bool IsTabStop(ControlKind kind) { return kind == ControlKind::Edit || kind == ControlKind::Button; }

// Stable child-window identifiers, so test programs can find a control with GetDlgItem.
constexpr int kFirstControlId = 1001;
constexpr int ControlId(Control control) { return kFirstControlId + static_cast<int>(control); }
