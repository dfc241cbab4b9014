#include "download/download_start.h"

#include <windows.h>
#include <wininet.h>

#include <cstdlib>
#include <memory>
#include <mutex>

#include "analysis/http_fetch.h"
#include "common/book_folder.h"
#include "common/files.h"
#include "download/closing_message.h"
#include "download/download_pages.h"
#include "download/number_text.h"
#include "download/page_rules.h"
#include "download/program_services.h"
#include "download/wait_with_events.h"

namespace {
// Never destroyed: worker threads may still run while exit destroys static objects.
ShutdownLatch& DownloadShutdown() {
  static ShutdownLatch* latch = new ShutdownLatch;
  return *latch;
}

struct LaunchRequest {
  FormFields* form;
};

struct WorkerRequest {
  FormFields* form;
  int threads;
};

DWORD WINAPI DownloadPagesThread(LPVOID parameter) {
  std::unique_ptr<WorkerRequest> request(static_cast<WorkerRequest*>(parameter));
  DownloadPages(*request->form, ProgramDownloadServices(), request->threads);
  return 0;
}

DWORD WINAPI DownloadLauncherThread(LPVOID parameter) {
  std::unique_ptr<LaunchRequest> request(static_cast<LaunchRequest*>(parameter));
  DownloadLauncher(*request->form);
  return 0;
}

void EndDownloadsAtExit() { EndDownloads(); }

// WinINet keeps only a few connections per server open at once unless told otherwise,
// which would cap the pictures fetched together below the thread-count box's 32.
void AllowParallelConnections() {
  DWORD connections = 32;
  InternetSetOptionW(nullptr, INTERNET_OPTION_MAX_CONNS_PER_SERVER, &connections, sizeof connections);
  InternetSetOptionW(nullptr, INTERNET_OPTION_MAX_CONNS_PER_1_0_SERVER, &connections, sizeof connections);
}
}  // namespace

void StartDownload(FormFields& form) {
  static std::once_flag once;
  std::call_once(once, [] { std::atexit(EndDownloadsAtExit); });
  if (DownloadShutdown().IsClosed()) return;
  auto request = std::make_unique<LaunchRequest>(LaunchRequest{&form});
  const HANDLE thread = CreateThread(nullptr, 0, DownloadLauncherThread, request.get(), 0, nullptr);
  if (!thread) return;  // as with any thread that cannot start, no download runs
  request.release();
  CloseHandle(thread);
}

void DownloadLauncher(FormFields& form) {
  if (DownloadShutdown().IsClosed()) return;
  const int threads = ClampFetchThreads(IntegerFromText(form.ReadText(Control::编辑框_线程数)));
  auto request = std::make_unique<WorkerRequest>(WorkerRequest{&form, threads});
  const HANDLE thread = CreateThread(nullptr, 0, DownloadPagesThread, request.get(), 0, nullptr);
  if (thread) {
    request.release();
    CloseHandle(thread);
  }
  WaitWithEvents(10, kMilliseconds);
  ProcessPendingEvents();
}

void EndDownloads() { DownloadShutdown().Close(); }

DownloadServices ProgramDownloadServices() {
  static std::once_flag once;
  std::call_once(once, AllowParallelConnections);
  DownloadServices services;
  services.fetch = HttpFetch;
  services.write_file = WriteFileBytes;
  services.book_folder = ReadBookFolder;
  services.sleep = [](int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); };
  services.show_message = ShowClosingMessage;
  services.shutdown = &DownloadShutdown();
  return services;
}
