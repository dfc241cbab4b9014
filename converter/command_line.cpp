#include "converter/command_line.h"

#include <cctype>

#include "converter/file_io.h"
#include "converter/pdf_convert.h"

namespace {
bool EndsWithPdf(const std::string& path) {
  if (path.size() < 4) return false;
  std::string suffix = path.substr(path.size() - 4);
  for (char& c : suffix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return suffix == ".pdf";
}

bool IsSeparator(char c) { return c == '/' || c == kPathSeparator; }
}  // namespace

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine* line, std::string* error) {
  *line = CommandLine();
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-h" || arg == "--help" || arg == "/?") {
      line->help = true;
      return true;
    }
    if (arg == "-o") {
      if (i + 1 >= args.size() || !line->output.empty()) {
        *error = "-o needs exactly one output path";
        return false;
      }
      line->output = args[++i];
      continue;
    }
    line->inputs.push_back(arg);
  }
  if (line->output.empty() && line->inputs.size() >= 2 && EndsWithPdf(line->inputs.back())) {
    line->output = line->inputs.back();
    line->inputs.pop_back();
  }
  if (line->inputs.empty()) {
    *error = "no input folder or pictures given";
    return false;
  }
  if (line->output.empty()) {
    if (line->inputs.size() == 1 && IsFolder(line->inputs[0])) line->output = DefaultPdfPath(line->inputs[0]);
    if (line->output.empty()) {
      *error = "no output path given (use -o OUTPUT.pdf)";
      return false;
    }
  }
  return true;
}

std::string DefaultPdfPath(const std::string& folder) {
  std::string trimmed = folder;
  while (trimmed.size() > 1 && IsSeparator(trimmed.back())) trimmed.pop_back();
  const std::string name = FileNameOf(trimmed);
  if (name.empty() || name == "." || name == ".." || name.back() == ':' || IsSeparator(name.back())) {
    return std::string();
  }
  return JoinPath(trimmed, name + ".pdf");
}

std::string UsageText() {
  return "usage: FreePic2Pdf [-o OUTPUT.pdf] INPUT...\n"
         "  INPUT   a folder (its pictures, in natural order of their names) or picture files\n"
         "  -o      the PDF to write; without it a last argument ending in .pdf is taken,\n"
         "          and a single folder gives <folder name>.pdf inside that folder\n"
         "Pictures are JPEG, PNG, GIF or BMP, recognised by content. Exit code: 0 all merged,\n"
         "2 PDF written but some pictures skipped, 1 no PDF written.\n"
         "Without arguments (double-clicked) it merges the pictures in its own folder.\n";
}

int RunCommandLine(const CommandLine& line, std::string* report, std::string* errors) {
  std::vector<std::string> pictures;
  for (const std::string& input : line.inputs) {
    if (IsFolder(input)) {
      bool listed = false;
      const std::vector<std::string> found = FindPicturesInFolder(input, &listed);
      if (!listed) *errors += "cannot list folder " + input + "\n";
      pictures.insert(pictures.end(), found.begin(), found.end());
    } else {
      pictures.push_back(input);
    }
  }
  const ConvertResult result = ConvertPicturesToPdf(pictures, line.output, nullptr);
  for (const SkippedPicture& skipped : result.skipped) {
    *errors += "skipped " + skipped.name + ": " + skipped.reason + "\n";
  }
  if (!result.written) {
    *errors += "no PDF written: " + result.error + "\n";
    return kExitNoPdf;
  }
  *report += line.output + ": " + std::to_string(result.pages) + " pages\n";
  return result.skipped.empty() ? kExitAllMerged : kExitSomeSkipped;
}
