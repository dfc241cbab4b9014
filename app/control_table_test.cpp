#include "app/control_table.h"

#include <gtest/gtest.h>

#include <string>

TEST(ControlTable, RemarkIsTwoLinesOf105Bytes) {
  const std::string remark = kRemark;
  EXPECT_EQ(remark.size(), 105u);
  EXPECT_EQ(remark.find("\r\n"), 63u);  // the first line ends with one blank
  EXPECT_EQ(remark.substr(61, 4), "\xa3 \r\n");
  EXPECT_EQ(remark.substr(65, 8), "      2.");
  EXPECT_EQ(remark.substr(0, 4), "\xb1\xb8\xd7\xa2");  // 备注
  EXPECT_EQ(remark.substr(103), "\xa1\xa3");           // 。
  EXPECT_EQ(std::string(RowOf(Control::标签2).text), remark);
}

TEST(ControlTable, DefaultAddressIsOnTheSiteHost) {
  EXPECT_EQ(std::string(RowOf(Control::试读地址框).text),
            std::string("http://") + SITE_HOST + "/jiaocai/yuwen/shujiaoban/yinianjixiace/xiace1.html");
  EXPECT_EQ(std::string(RowOf(Control::编辑框_线程数).text), "10");
}

TEST(ControlTable, CaptionsAreGbk) {
  const struct {
    Control control;
    std::string text;
  } cases[] = {
      {Control::按钮1, "\xba\xcf\xb2\xa2pdf"},
      {Control::标签1, "\xca\xe9\xbf\xaf\xc3\xfb\xa3\xba"},
      {Control::标签25, "\xd2\xb3 \xc2\xeb\xa3\xba"},
      {Control::标签12, "\xca\xd4\xb6\xc1\xb5\xd8\xd6\xb7\xa3\xba"},
      {Control::透明标签2, "\xcf\xdf\xb3\xcc\xca\xfd\xa3\xba"},
      {Control::按钮2, "\xd6\xf7\xd2\xb3"},
      {Control::下载按钮, "\xcd\xbc\xc6\xac\xcf\xc2\xd4\xd8"},
      {Control::进度标签, ""},
      {Control::书名框, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(std::string(RowOf(c.control).text), c.text);
  EXPECT_EQ(std::string(kWindowCaption).size(), 35u);
  EXPECT_EQ(std::string(kWindowCaption).substr(27), " By 1.01");
}

TEST(ControlTable, PlacesAndKindsFollowTheForm) {
  const struct {
    Control control;
    ControlKind kind;
    int x, y, w, h;
  } form[] = {
      {Control::标签2, ControlKind::Label, 144, 176, 376, 48},
      {Control::图片框1, ControlKind::PictureBox, 8, 56, 120, 160},
      {Control::按钮1, ControlKind::Button, 440, 125, 64, 28},
      {Control::进度条, ControlKind::ProgressBar, 216, 126, 120, 24},
      {Control::下载链接框, ControlKind::Edit, 280, 304, 696, 112},
      {Control::标签1, ControlKind::Label, 144, 91, 48, 28},
      {Control::书名框, ControlKind::Edit, 192, 91, 144, 28},
      {Control::标签25, ControlKind::Label, 419, 87, 37, 28},
      {Control::总页码框, ControlKind::Edit, 456, 88, 40, 28},
      {Control::标签12, ControlKind::Label, 80, 16, 56, 28},
      {Control::试读地址框, ControlKind::Edit, 136, 17, 368, 28},
      {Control::览卷源代码框, ControlKind::Edit, 24, 305, 208, 239},
      {Control::透明标签2, ControlKind::TransparentLabel, 144, 128, 40, 24},
      {Control::编辑框_线程数, ControlKind::Edit, 184, 124, 24, 29},
      {Control::按钮2, ControlKind::Button, 8, 16, 64, 32},
      {Control::进度标签, ControlKind::Label, 336, 127, 36, 24},
      {Control::下载按钮, ControlKind::Button, 376, 126, 56, 28},
  };
  ASSERT_EQ(sizeof(form) / sizeof(form[0]), kControlCount);
  for (size_t i = 0; i < kControlCount; ++i) {
    const ControlRow& row = kControlTable[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(row.control, form[i].control);
    EXPECT_EQ(row.kind, form[i].kind);
    EXPECT_EQ(row.rect.x, form[i].x);
    EXPECT_EQ(row.rect.y, form[i].y);
    EXPECT_EQ(row.rect.w, form[i].w);
    EXPECT_EQ(row.rect.h, form[i].h);
    EXPECT_EQ(ControlId(row.control), 1001 + static_cast<int>(i));
  }
}

TEST(ControlTable, OnlyEditBoxesAndButtonsAreTabStops) {
  int stops = 0;
  for (const ControlRow& row : kControlTable) stops += IsTabStop(row.kind) ? 1 : 0;
  EXPECT_EQ(stops, 9);
  EXPECT_FALSE(IsTabStop(ControlKind::Label));
  EXPECT_FALSE(IsTabStop(ControlKind::TransparentLabel));
  EXPECT_FALSE(IsTabStop(ControlKind::PictureBox));
  EXPECT_FALSE(IsTabStop(ControlKind::ProgressBar));
}

TEST(ControlTable, ColoursAndBorders) {
  const struct {
    Control control;
    Colour::Source source;
    int r, g, b;
    Border border;
  } cases[] = {
      {Control::书名框, Colour::Rgb, 236, 236, 236, Border::Sunken},
      {Control::总页码框, Colour::Rgb, 236, 236, 236, Border::Sunken},
      {Control::览卷源代码框, Colour::Rgb, 255, 255, 0, Border::Sunken},
      {Control::试读地址框, Colour::Rgb, 255, 255, 255, Border::Sunken},
      {Control::编辑框_线程数, Colour::Rgb, 255, 255, 255, Border::Single},
      {Control::进度标签, Colour::Rgb, 255, 255, 255, Border::None},
      {Control::图片框1, Colour::ButtonFace, 0, 0, 0, Border::Single},
      {Control::进度条, Colour::ButtonFace, 0, 0, 0, Border::ThinSunken},
      {Control::透明标签2, Colour::None, 0, 0, 0, Border::None},
  };
  for (const auto& c : cases) {
    const Colour& background = RowOf(c.control).background;
    EXPECT_EQ(background.source, c.source);
    if (c.source == Colour::Rgb) {
      EXPECT_EQ(background.r, c.r);
      EXPECT_EQ(background.g, c.g);
      EXPECT_EQ(background.b, c.b);
    }
    EXPECT_EQ(RowOf(c.control).border, c.border);
  }
  const Colour red = RowOf(Control::标签2).text_colour;
  EXPECT_EQ(red.r, 255);
  EXPECT_EQ(red.g, 0);
  EXPECT_EQ(red.b, 0);
}

TEST(ControlTable, HiddenBoxesLieBelowTheClientArea) {
  EXPECT_GE(RowOf(Control::下载链接框).rect.y, kWindowHeight);
  EXPECT_GE(RowOf(Control::览卷源代码框).rect.y, kWindowHeight);
  EXPECT_EQ(RowOf(Control::下载链接框).lines, Lines::Lines);
  EXPECT_EQ(RowOf(Control::览卷源代码框).lines, Lines::Lines);
}

TEST(ControlTable, WindowIsCentredWithHalvesCut) {
  const struct {
    int screen_w, screen_h, left, top;
  } cases[] = {
      {1024, 768, 249, 252},
      {1025, 769, 249, 252},
      {1920, 1080, 697, 408},
      {800, 600, 137, 168},
      {526, 264, 0, 0},
  };
  for (const auto& c : cases) {
    const WindowOrigin origin = CentredWindowOrigin(c.screen_w, c.screen_h);
    EXPECT_EQ(origin.left, c.left) << c.screen_w;
    EXPECT_EQ(origin.top, c.top) << c.screen_h;
  }
}
