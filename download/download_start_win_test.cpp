// The download button's handler as the window calls it: launcher and worker threads, the
// program's HTTP client, files and book folder, and the real message box, which the test
// reads and closes as a user would.
#include "download/download_start.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/http_fetch.h"
#include "common/book_folder.h"
#include "common/gbk_win.h"
#include "download/recording_form.h"
#include "download/win_test_files.h"
#include "tests/support/test_server.h"

namespace {

const wchar_t kTitle[] = L"\x4fe1\x606f\xff1a";  // 信息：

// The visible message boxes of this process titled 信息：.
std::vector<HWND> ClosingBoxes() {
  std::vector<HWND> boxes;
  EnumWindows(
      [](HWND window, LPARAM found) -> BOOL {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t class_name[64] = {}, title[64] = {};
        GetClassNameW(window, class_name, 64);
        GetWindowTextW(window, title, 64);
        if (process == GetCurrentProcessId() && IsWindowVisible(window) && std::wstring(class_name) == L"#32770" &&
            std::wstring(title) == kTitle) {
          reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&boxes));
  return boxes;
}

// Waits (up to a minute) for `count` boxes to be open.
std::vector<HWND> WaitForBoxes(size_t count) {
  std::vector<HWND> boxes;
  for (int tries = 0; tries < 1200 && (boxes = ClosingBoxes()).size() < count; ++tries) Sleep(50);
  return boxes;
}

// The box's message, as GBK: the text of its static control.
Text BoxText(HWND box) {
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t class_name[64] = {};
    GetClassNameW(child, class_name, 64);
    if (std::wstring(class_name) != L"Static") continue;
    wchar_t text[1024] = {};
    GetWindowTextW(child, text, 1024);
    if (text[0]) return WideToGbk(text);
  }
  return Text();
}

void PressOk(HWND box) {
  SendMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

const Text kDone = "\xcf\xc2\xd4\xd8\xcd\xea\xb3\xc9\xa3\xa1";  // 下载完成！

TEST(StartDownload, ReturnsAtOnceAndEndsWithTheMessageBox) {
  const Text folder = FreshTestFolder(L"dl_start");
  ReplaceBookFolder(folder);
  const Text link = TestServerUrl("/img/dl_start/~book=12000/");
  RecordingForm form;
  form.WriteText(Control::下载链接框, link);
  form.WriteText(Control::总页码框, "3");
  form.WriteText(Control::编辑框_线程数, "10");
  StartDownload(form);
  const std::vector<HWND> boxes = WaitForBoxes(1);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(BoxText(boxes[0]), kDone);
  EXPECT_EQ(GetWindow(boxes[0], GW_OWNER), nullptr);
  EXPECT_EQ(FilesIn(folder), (std::vector<Text>{"01.jpg", "1.png", "2.png", "3.png"}));
  EXPECT_EQ(ReadTestFile(folder + "3.png"), HttpFetch(link + "3.jpg"));
  EXPECT_EQ(form.Captions().back(), "3\xb8\xf6");
  EXPECT_EQ(form.Progress(Control::进度条), 100);
  PressOk(boxes[0]);
  for (int tries = 0; tries < 200 && !ClosingBoxes().empty(); ++tries) Sleep(50);
  EXPECT_TRUE(ClosingBoxes().empty());
}

TEST(StartDownload, TwoPressesGiveTwoDownloadsAndTwoBoxes) {
  const Text folder = FreshTestFolder(L"dl_start_twice");
  ReplaceBookFolder(folder);
  RecordingForm form;
  form.WriteText(Control::下载链接框, TestServerUrl("/img/dl_start_twice/~delay=30/~book=12000/"));
  form.WriteText(Control::总页码框, "4");
  form.WriteText(Control::编辑框_线程数, "1");
  StartDownload(form);
  StartDownload(form);
  const std::vector<HWND> boxes = WaitForBoxes(2);
  ASSERT_EQ(boxes.size(), 2u);
  for (HWND box : boxes) EXPECT_EQ(BoxText(box), kDone);
  EXPECT_EQ(FilesIn(folder).size(), 5u);
  EXPECT_EQ(form.Captions().size(), 8u);  // each download counts its own four pages
  for (HWND box : boxes) PressOk(box);
}

TEST(StartDownload, PressBeforeAnyAnalysisFindsNothingToFetch) {
  ReplaceBookFolder(Text());
  RecordingForm form;  // empty link, empty page count
  StartDownload(form);
  const std::vector<HWND> boxes = WaitForBoxes(1);
  ASSERT_EQ(boxes.size(), 1u);
  // 下载完成！ / 已保存 0/0 页，封面缺失
  EXPECT_EQ(BoxText(boxes[0]), kDone + "\r\n\xd2\xd1\xb1\xa3\xb4\xe6 0/0 \xd2\xb3\xa3\xac\xb7\xe2\xc3\xe6\xc8\xb1\xca\xa7");
  EXPECT_TRUE(form.Captions().empty());
  EXPECT_EQ(GetFileAttributesW(L"01.jpg"), INVALID_FILE_ATTRIBUTES);
  PressOk(boxes[0]);
}

}  // namespace
