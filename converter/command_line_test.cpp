#include "converter/command_line.h"

#include <gtest/gtest.h>

#include "converter/file_io.h"

TEST(CommandLine, ArgumentsGiveInputsAndOutput) {
  struct Case {
    std::vector<std::string> args;
    bool ok;
    std::vector<std::string> inputs;
    std::string output;
  };
  const Case cases[] = {
      {{"-o", "out.pdf", "a.jpg", "b.png"}, true, {"a.jpg", "b.png"}, "out.pdf"},
      {{"a.jpg", "b.png", "out.pdf"}, true, {"a.jpg", "b.png"}, "out.pdf"},
      {{"a.jpg", "OUT.PDF"}, true, {"a.jpg"}, "OUT.PDF"},
      {{"a.jpg", "b.png", "-o", "x.pdf"}, true, {"a.jpg", "b.png"}, "x.pdf"},
      {{"a.jpg"}, false, {}, ""},              // a file alone names no output
      {{"out.pdf"}, false, {}, ""},            // nothing to read
      {{}, false, {}, ""},
      {{"a.jpg", "-o"}, false, {}, ""},
      {{"-o", "a.pdf", "-o", "b.pdf", "c.jpg"}, false, {}, ""},
  };
  for (const Case& c : cases) {
    CommandLine line;
    std::string error;
    EXPECT_EQ(ParseCommandLine(c.args, &line, &error), c.ok) << c.args.size();
    if (!c.ok) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    EXPECT_EQ(line.inputs, c.inputs);
    EXPECT_EQ(line.output, c.output);
  }
}

TEST(CommandLine, HelpIsRecognised) {
  CommandLine line;
  std::string error;
  ASSERT_TRUE(ParseCommandLine({"--help"}, &line, &error));
  EXPECT_TRUE(line.help);
  EXPECT_NE(UsageText().find("usage"), std::string::npos);
}

TEST(CommandLine, FolderGivesPdfNamedAfterIt) {
  const std::string s(1, kPathSeparator);
  const std::pair<std::string, std::string> cases[] = {
      {"books" + s + "Maths", "books" + s + "Maths" + s + "Maths.pdf"},
      {"books" + s + "Maths" + s, "books" + s + "Maths" + s + "Maths.pdf"},
      {"Maths", "Maths" + s + "Maths.pdf"},
      {".", ""},
      {"..", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DefaultPdfPath(c.first), c.second) << c.first;
}
