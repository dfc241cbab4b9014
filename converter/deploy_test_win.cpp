// Under Wine: the "合并pdf" click writes the converter of this build, byte for byte, into the
// folder named by the title box.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/form_fields.h"
#include "common/files.h"
#include "common/gbk_win.h"
#include "common/safe_name.h"
#include "converter/deploy.h"

namespace {
// Empty when the file cannot be read.
std::string ReadAll(const Text& path) {
  HANDLE file = CreateFileW(GbkToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

bool Exists(const Text& path) { return GetFileAttributesW(GbkToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

const std::string& ConverterBytes() {
  static const std::string bytes = ReadAll(CONVERTER_EXE_PATH);
  return bytes;
}

// A book folder as the analysis makes it, removed with what the test put in it.
class BookFolder {
 public:
  explicit BookFolder(const Text& title) : folder_(RunDirectory() + "\\" + SafeFolderName(title)) {
    CreateOneDirectory(folder_);
  }
  ~BookFolder() {
    DeleteFileW(GbkToWide(Converter()).c_str());
    RemoveDirectoryW(GbkToWide(folder_).c_str());
  }
  Text Converter() const { return folder_ + "\\FreePic2Pdf.exe"; }

 private:
  Text folder_;
};

void Click(const Text& title) {
  PlainFormFields form;
  form.WriteText(Control::书名框, title);
  DeployConverter(form);
}
}  // namespace

TEST(DeployConverter, TheConverterOfThisBuildIsCarried) {
  ASSERT_GT(ConverterBytes().size(), 100000u);
  EXPECT_EQ(ConverterBytes().substr(0, 2), "MZ");
}

TEST(DeployConverter, ClickWritesExactlyTheConverterIntoTheTitlesFolder) {
  const Text titles[] = {
      "Deploy Maths",
      "\xca\xfd\xd1\xa7 \xc6\xdf\xc4\xea\xbc\xb6\xc9\xcf\xb2\xe1",  // 数学 七年级上册 (GBK)
      "..\\..\\a:b?c*<d>",                                            // made safe, stays inside
      "CON",
  };
  for (const Text& title : titles) {
    BookFolder folder(title);
    Click(title);
    EXPECT_EQ(ReadAll(folder.Converter()), ConverterBytes()) << title;
  }
  EXPECT_FALSE(Exists(RunDirectory() + "\\..\\..\\a:b?c*<d>\\FreePic2Pdf.exe"));
}

TEST(DeployConverter, SecondClickReplacesTheFirstCopy) {
  BookFolder folder("Deploy Twice");
  Click("Deploy Twice");
  ASSERT_EQ(ReadAll(folder.Converter()), ConverterBytes());
  // Something longer in its place: the second click must leave exactly the converter.
  WriteFileBytes(folder.Converter(), std::string(ConverterBytes().size() + 4096, 'x'));
  Click("Deploy Twice");
  EXPECT_EQ(ReadAll(folder.Converter()), ConverterBytes());
}

TEST(DeployConverter, ClickBeforeAnyAnalysisWritesIntoTheRunDirectory) {
  const Text path = RunDirectory() + "\\FreePic2Pdf.exe";
  DeleteFileW(GbkToWide(path).c_str());
  Click("");
  EXPECT_EQ(ReadAll(path), ConverterBytes());
  DeleteFileW(GbkToWide(path).c_str());
}

TEST(DeployConverter, TitleWithoutFolderWritesNothing) {
  const Text folder = RunDirectory() + "\\" + SafeFolderName("Never Analysed");
  Click("Never Analysed");
  EXPECT_FALSE(Exists(folder));
  EXPECT_FALSE(Exists(folder + "\\FreePic2Pdf.exe"));
}
