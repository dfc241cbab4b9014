// The converter for Windows: double-clicked, it merges the pictures of its own folder into
// "<folder name>.pdf" with a progress window and a closing message; with arguments it is
// the command-line tool (messages on the console or the redirected standard handles).
#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "converter/closing_message.h"
#include "converter/command_line.h"
#include "converter/file_io.h"
#include "converter/pdf_convert.h"
#include "converter/progress_window_win.h"
#include "converter/utf16_win.h"

namespace {
const wchar_t kCaption[] = L"FreePic2Pdf";

struct LocalFreer {
  void operator()(LPWSTR* memory) const { LocalFree(memory); }
};

// A GUI program has no console of its own; started from one, it writes to its parent's.
// Redirected handles (as under a script) are used as they are.
void WriteStandard(DWORD which, const std::string& utf8) {
  if (utf8.empty()) return;
  HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
    static const bool attached = AttachConsole(ATTACH_PARENT_PROCESS) != 0;
    if (!attached) return;
    handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  }
  DWORD mode = 0, written = 0;
  if (GetConsoleMode(handle, &mode)) {
    const std::wstring wide = Utf8ToWide(utf8);
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  } else {
    WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  }
}

int RunWithArguments(const std::vector<std::string>& args) {
  CommandLine line;
  std::string error;
  if (!ParseCommandLine(args, &line, &error)) {
    WriteStandard(STD_ERROR_HANDLE, error + "\n" + UsageText());
    return kExitNoPdf;
  }
  if (line.help) {
    WriteStandard(STD_OUTPUT_HANDLE, UsageText());
    return kExitAllMerged;
  }
  std::string report, errors;
  const int code = RunCommandLine(line, &report, &errors);
  WriteStandard(STD_ERROR_HANDLE, errors);
  WriteStandard(STD_OUTPUT_HANDLE, report);
  return code;
}

std::string OwnFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::string();
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const size_t cut = path.find_last_of(L'\\');
  return cut == std::wstring::npos ? std::string() : WideToUtf8(path.substr(0, cut));
}

void ShowMessage(const std::string& text, UINT icon) {
  MessageBoxW(nullptr, Utf8ToWide(text).c_str(), kCaption, MB_OK | icon);
}

int RunDoubleClicked(HINSTANCE instance) {
  const std::string folder = OwnFolder();
  bool listed = false;
  const std::vector<std::string> pictures = FindPicturesInFolder(folder, &listed);
  if (pictures.empty()) {
    ShowMessage(NothingToMergeMessage(folder), MB_ICONINFORMATION);
    return kExitNoPdf;
  }
  std::string output = DefaultPdfPath(folder);
  if (output.empty()) output = JoinPath(folder, "pictures.pdf");
  ConvertResult result;
  {
    ProgressWindow window(instance);
    result = ConvertPicturesToPdf(pictures, output, [&](size_t done, size_t total, const std::string& name) {
      const std::string text = std::to_string(done) + " / " + std::to_string(total) + "  " + name;
      return window.Update(done, total, Utf8ToWide(text));
    });
  }
  ShowMessage(ClosingMessage(result, output), result.written ? MB_ICONINFORMATION : MB_ICONWARNING);
  if (!result.written) return kExitNoPdf;
  return result.skipped.empty() ? kExitAllMerged : kExitSomeSkipped;
}
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int count = 0;
  std::unique_ptr<LPWSTR, LocalFreer> argv(CommandLineToArgvW(GetCommandLineW(), &count));
  std::vector<std::string> args;
  for (int i = 1; argv && i < count; ++i) args.push_back(WideToUtf8(argv.get()[i]));
  if (!args.empty()) return RunWithArguments(args);
  return RunDoubleClicked(instance);
}
