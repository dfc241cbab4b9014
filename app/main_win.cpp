// Start-up and exit of the program.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>

#include "analysis/http_fetch.h"
#include "app/main_window_win.h"
#include "common/book_folder.h"
#include "common/files.h"
#include "common/gbk_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  SetCurrentDirectoryW(GbkToWide(RunDirectory()).c_str());
  // End routines run at exit in the reverse order of registration: BookFolder is released
  // first, then the HTTP session is closed.
  std::atexit(CloseHttpSession);
  std::atexit(ReleaseBookFolder);

  INITCOMMONCONTROLSEX common_controls = {sizeof(common_controls), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&common_controls);

  // Download workers may still hold the window's form fields when the process ends, so the
  // window object is never destroyed.
  auto* window = new MainWindow(instance);
  if (!window->Create()) return 1;
  window->Show(show_command);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (window->PreTranslateMessage(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
