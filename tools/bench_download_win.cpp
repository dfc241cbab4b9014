// bench_download: one download of the program's page loop, with the program's own HTTP
// client, file writer and thread count, but without the window and its message box.
//
//   bench_download LINK COUNT THREADS FOLDER
//
// FOLDER ends with a backslash. Prints "SECONDS STORED_ALL" (STORED_ALL 1 when the cover
// and every page were stored), timing DownloadPages alone, without the process start.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/form_fields.h"
#include "common/gbk_win.h"
#include "download/download_pages.h"
#include "download/program_services.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) {
    std::fputs("usage: bench_download LINK COUNT THREADS FOLDER\n", stderr);
    return 2;
  }
  PlainFormFields form;
  form.WriteText(Control::下载链接框, WideToGbk(argv[1]));
  form.WriteText(Control::总页码框, WideToGbk(argv[2]));
  const int threads = std::stoi(argv[3]);
  const Text folder = WideToGbk(argv[4]);

  DownloadServices services = ProgramDownloadServices();
  services.book_folder = [folder] { return folder; };
  Text message;
  services.show_message = [&message](const Text& text) { message = text; };

  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  DownloadPages(form, services, threads);
  QueryPerformanceCounter(&end);
  const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
  const bool stored_all = message == "\xcf\xc2\xd4\xd8\xcd\xea\xb3\xc9\xa3\xa1";  // 下载完成！ alone
  std::printf("%.3f %d\n", seconds, stored_all ? 1 : 0);
  return 0;
}
