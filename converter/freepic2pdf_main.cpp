// The converter as a command-line tool for Linux and other POSIX systems.
#include <cstdio>
#include <string>
#include <vector>

#include "converter/command_line.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  CommandLine line;
  std::string error;
  if (!ParseCommandLine(args, &line, &error)) {
    std::fprintf(stderr, "%s\n%s", error.c_str(), UsageText().c_str());
    return kExitNoPdf;
  }
  if (line.help) {
    std::fputs(UsageText().c_str(), stdout);
    return kExitAllMerged;
  }
  std::string report, errors;
  const int code = RunCommandLine(line, &report, &errors);
  std::fputs(errors.c_str(), stderr);
  std::fputs(report.c_str(), stdout);
  return code;
}
