// download_watch: follows downloads in the program's window from one process, polling
// fast enough to see every step of the progress label and bar, and reads the message
// boxes that end them.
//
//   download_watch HWND BOXES TIMEOUT_MS [ok]
//
// Prints JSON lines in UTF-8: first {"start": true, "caption": TEXT, "position": N}, once
// it watches; then {"caption": TEXT} whenever 进度标签 changes, {"position": N}
// whenever 进度条 changes, and, once BOXES message boxes titled "信息：" of the window's
// process are open, {"box": TEXT} for each of them (pressing its OK button when "ok" is
// given). Exits 0, or 1 when the boxes did not come within TIMEOUT_MS.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/json_text_win.h"

namespace {
// The controls' window IDs: 1001 + their place in the form.
constexpr int kProgressBarId = 1004;
constexpr int kProgressLabelId = 1016;
const wchar_t kBoxTitle[] = L"\x4fe1\x606f\xff1a";  // 信息：

void PrintLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 2000, nullptr);
  return text;
}

std::vector<HWND> ClosingBoxes(DWORD process) {
  struct Search {
    DWORD process;
    std::vector<HWND> boxes;
  } search = {process, {}};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        wchar_t class_name[64] = {}, title[64] = {};
        GetClassNameW(window, class_name, 64);
        GetWindowTextW(window, title, 64);
        if (owner == s->process && IsWindowVisible(window) && std::wstring(class_name) == L"#32770" &&
            std::wstring(title) == kBoxTitle) {
          s->boxes.push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.boxes;
}

std::wstring BoxText(HWND box) {
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t class_name[64] = {};
    GetClassNameW(child, class_name, 64);
    if (std::wstring(class_name) != L"Static") continue;
    const std::wstring text = TextOf(child);
    if (!text.empty()) return text;
  }
  return std::wstring();
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fputs("usage: download_watch HWND BOXES TIMEOUT_MS [ok]\n", stderr);
    return 2;
  }
  const HWND main = reinterpret_cast<HWND>(static_cast<INT_PTR>(std::wcstoll(argv[1], nullptr, 10)));
  const size_t boxes_wanted = static_cast<size_t>(std::wcstol(argv[2], nullptr, 10));
  const DWORD timeout = static_cast<DWORD>(std::wcstol(argv[3], nullptr, 10));
  const bool press_ok = argc > 4 && std::wstring(argv[4]) == L"ok";
  DWORD process = 0;
  GetWindowThreadProcessId(main, &process);
  const HWND label = GetDlgItem(main, kProgressLabelId);
  const HWND bar = GetDlgItem(main, kProgressBarId);
  if (!process || !label || !bar) {
    std::fputs("no such window\n", stderr);
    return 1;
  }

  std::wstring caption = TextOf(label);
  LRESULT position = SendMessageW(bar, PBM_GETPOS, 0, 0);
  PrintLine("{\"start\": true, \"caption\": " + JsonString(caption) + ", \"position\": " + std::to_string(position) + "}");
  const DWORD start = GetTickCount();
  for (bool last_round = false;;) {
    const std::wstring now_caption = TextOf(label);
    if (now_caption != caption) {
      caption = now_caption;
      PrintLine("{\"caption\": " + JsonString(caption) + "}");
    }
    const LRESULT now_position = SendMessageW(bar, PBM_GETPOS, 0, 0);
    if (now_position != position) {
      position = now_position;
      PrintLine("{\"position\": " + std::to_string(position) + "}");
    }
    if (last_round) break;
    // One more look at the progress after the boxes are there: the last page's writes
    // come just before its box.
    if (ClosingBoxes(process).size() >= boxes_wanted) last_round = true;
    if (GetTickCount() - start > timeout) {
      std::fputs("the message boxes did not come\n", stderr);
      return 1;
    }
    Sleep(2);
  }
  for (HWND box : ClosingBoxes(process)) {
    PrintLine("{\"box\": " + JsonString(BoxText(box)) + "}");
    if (press_ok) {
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    }
  }
  return 0;
}
