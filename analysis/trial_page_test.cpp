#include "analysis/trial_page.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "analysis/http_fetch.h"
#include "analysis/utf8_to_gbk.h"
#include "common/book_folder.h"
#include "common/files.h"
#include "common/gbk_win.h"
#include "tests/support/clipboard_win.h"
#include "tests/support/test_server.h"

namespace {

const Text kPrefix = "http://" + TestServerHost() + "/img/";

bool DirectoryExists(const Text& path) {
  const DWORD attributes = GetFileAttributesW(GbkToWide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The exact name the file system holds for an entry of the run directory, as UTF-16.
std::wstring NameOnDisk(const Text& folder_name) {
  WIN32_FIND_DATAW found = {};
  HANDLE search = FindFirstFileW(GbkToWide(RunDirectory() + "\\" + folder_name).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return L"";
  FindClose(search);
  return found.cFileName;
}

void RemoveBookFolder(const Text& folder_name) {
  if (!folder_name.empty()) RemoveDirectoryW(GbkToWide(RunDirectory() + "\\" + folder_name).c_str());
}

void Analyze(PlainFormFields& form, const std::string& page) {
  ASSERT_TRUE(PutTextOnClipboard(GbkToWide(TestServerUrl(page))));
  AnalyzeTrialPage(form);
}

TEST(AnalyzeTrialPage, IndexCoverFillsEveryField) {
  const Text title = "\xd3\xef\xce\xc4\xd2\xbb\xc4\xea\xbc\xb6\xcf\xc2\xb2\xe1";  // 语文一年级下册
  RemoveBookFolder(title);
  PlainFormFields form;
  Analyze(form, "/analysis/book_index.html");

  EXPECT_EQ(form.ReadText(Control::试读地址框), TestServerUrl("/analysis/book_index.html"));
  EXPECT_EQ(form.ReadText(Control::览卷源代码框), Utf8ToGbk(HttpFetch(TestServerUrl("/analysis/book_index.html"))));
  EXPECT_EQ(form.ReadText(Control::书名框), title);
  EXPECT_EQ(form.ReadText(Control::总页码框), "120");
  const Text link = kPrefix + "analysis/idx/~book=12000/";
  EXPECT_EQ(form.ReadText(Control::下载链接框), link);
  const ByteString cover = form.Picture(Control::图片框1);
  EXPECT_EQ(cover.size(), 12000u);
  EXPECT_EQ(cover, HttpFetch(link + "index.jpg"));

  EXPECT_EQ(ReadBookFolder(), RunDirectory() + "\\" + title + "\\");
  EXPECT_TRUE(DirectoryExists(ReadBookFolder()));
  // The name on disk is the title's own characters, whatever the ANSI code page is.
  EXPECT_EQ(NameOnDisk(title), L"\u8bed\u6587\u4e00\u5e74\u7ea7\u4e0b\u518c");
  RemoveBookFolder(title);
}

TEST(AnalyzeTrialPage, FirstPageCoverWhenThePageNamesNoIndex) {
  const Text title = "\xca\xfd\xd1\xa7 \xc8\xfd\xc4\xea\xbc\xb6";  // 数学 三年级
  PlainFormFields form;
  Analyze(form, "/analysis/book_first.html");
  EXPECT_EQ(form.ReadText(Control::书名框), title);
  EXPECT_EQ(form.ReadText(Control::总页码框), "36");
  const Text link = kPrefix + "analysis/first/~book=11000/";
  EXPECT_EQ(form.ReadText(Control::下载链接框), link);
  EXPECT_EQ(form.Picture(Control::图片框1), HttpFetch(link + "1.jpg"));
  EXPECT_TRUE(DirectoryExists(ReadBookFolder()));
  RemoveBookFolder(title);
}

TEST(AnalyzeTrialPage, IndexNamedOnlyOutsideTheMarkerStillTakesTheIndexBranch) {
  PlainFormFields form;
  Analyze(form, "/analysis/index_elsewhere.html");
  EXPECT_EQ(form.ReadText(Control::书名框), "elsewhere");
  EXPECT_EQ(form.ReadText(Control::总页码框), "8");
  // No "index.jpg" follows the picture marker, so the path is empty.
  EXPECT_EQ(form.ReadText(Control::下载链接框), kPrefix);
  EXPECT_EQ(form.Picture(Control::图片框1), HttpFetch(kPrefix + "index.jpg"));
  RemoveBookFolder("elsewhere");
}

TEST(AnalyzeTrialPage, EmptyClipboardLeavesThePrefixAndTheRunDirectory) {
  PlainFormFields form;
  form.WriteText(Control::试读地址框, "http://default.example/");
  ASSERT_TRUE(PutTextOnClipboard(L""));
  AnalyzeTrialPage(form);
  EXPECT_EQ(form.ReadText(Control::试读地址框), "");
  EXPECT_EQ(form.ReadText(Control::览卷源代码框), "");
  EXPECT_EQ(form.ReadText(Control::书名框), "");
  EXPECT_EQ(form.ReadText(Control::总页码框), "");
  EXPECT_EQ(form.ReadText(Control::下载链接框), kPrefix);
  EXPECT_EQ(form.Picture(Control::图片框1), HttpFetch(kPrefix + "1.jpg"));
  EXPECT_EQ(ReadBookFolder(), RunDirectory() + "\\\\");
}

TEST(AnalyzeTrialPage, HostileTitlesStayInsideTheRunDirectory) {
  struct Case {
    const char* page;
    Text title;
    Text folder_name;
    std::wstring name_on_disk;
  } cases[] = {
      {"/analysis/title_dotdot.html", "..\\..\\x", ".._.._x", L".._.._x"},
      {"/analysis/title_con.html", "CON", "CON_", L"CON_"},
      {"/analysis/title_colon.html", "a:b?c", "a_b_c", L"a_b_c"},
      {"/analysis/title_crlf.html", "A\r\nB", "A  B", L"A  B"},
      // 昞 is 0x95 0x5C in GBK: its trail byte is a backslash, but it is one character.
      {"/analysis/title_trail5c.html", "\x95\x5cx", "\x95\x5cx", L"\u661ex"},
  };
  for (const Case& c : cases) {
    RemoveBookFolder(c.folder_name);
    PlainFormFields form;
    Analyze(form, c.page);
    EXPECT_EQ(form.ReadText(Control::书名框), c.title) << c.page;
    EXPECT_EQ(ReadBookFolder(), RunDirectory() + "\\" + c.folder_name + "\\") << c.page;
    EXPECT_TRUE(DirectoryExists(ReadBookFolder())) << c.page;
    EXPECT_EQ(NameOnDisk(c.folder_name), c.name_on_disk) << c.page;
    RemoveBookFolder(c.folder_name);
  }
}

}  // namespace
