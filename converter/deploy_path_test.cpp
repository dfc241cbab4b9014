#include "converter/deploy_path.h"

#include <gtest/gtest.h>

#include "common/safe_name.h"

TEST(DeployPath, ConverterGoesIntoTheTitlesFolder) {
  const std::pair<Text, Text> cases[] = {
      {"Maths", "C:\\run\\Maths\\FreePic2Pdf.exe"},
      {"", "C:\\run\\\\FreePic2Pdf.exe"},  // before any analysis: the run directory itself
      {"\xca\xfd\xd1\xa7", "C:\\run\\\xca\xfd\xd1\xa7\\FreePic2Pdf.exe"},  // GBK title
  };
  for (const auto& c : cases) EXPECT_EQ(ConverterPath("C:\\run", c.first), c.second);
}

TEST(DeployPath, HostileTitlesStayInsideTheRunDirectory) {
  const Text titles[] = {"..\\..\\Windows", "a/b:c*d?", "CON", " .. ", "x\\"};
  for (const Text& title : titles) {
    const Text path = ConverterPath("C:\\run", title);
    EXPECT_EQ(path, "C:\\run\\" + SafeFolderName(title) + "\\FreePic2Pdf.exe");
    const Text folder = SafeFolderName(title);
    EXPECT_EQ(folder.find('\\'), Text::npos) << title;
    EXPECT_EQ(folder.find('/'), Text::npos) << title;
    EXPECT_NE(folder, "..") << title;
  }
}

TEST(DeployPath, CatalogueIsOnTheSiteHost) {
  EXPECT_EQ(CatalogueAddress(), std::string("http://") + SITE_HOST + "/jiaocai/");
}
