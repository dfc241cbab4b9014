#pragma once
#include <string>
#include <vector>

// The converter's command line, shared by the Windows program and the native tool:
//   freepic2pdf [-o OUTPUT.pdf] INPUT...
// INPUT is a folder (its pictures in natural order) or a picture file. Without -o, a last
// argument ending in ".pdf" is the output, and a single folder gives "<folder name>.pdf"
// inside it.

enum ExitCode {
  kExitAllMerged = 0,
  kExitNoPdf = 1,           // bad arguments, nothing to merge, or the PDF could not be written
  kExitSomeSkipped = 2,     // the PDF is written, without the pictures named on stderr
};

struct CommandLine {
  std::vector<std::string> inputs;
  std::string output;
  bool help = false;
};

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine* line, std::string* error);

// folder + separator + "<folder name>.pdf"; empty when the folder has no usable name.
std::string DefaultPdfPath(const std::string& folder);

std::string UsageText();

// Runs a parsed command line: messages for stdout go to *report, problems to *errors.
int RunCommandLine(const CommandLine& line, std::string* report, std::string* errors);
