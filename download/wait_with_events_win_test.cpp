#include "download/wait_with_events.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

int delivered = 0;

LRESULT CALLBACK CountingProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_APP + 1) {
    ++delivered;
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// A message-only window of the calling thread that counts the WM_APP + 1 it receives.
HWND MakeCountingWindow() {
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = CountingProcedure;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"WaitWithEventsTestWindow";
  RegisterClassW(&window_class);
  return CreateWindowExW(0, window_class.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         window_class.hInstance, nullptr);
}

TEST(WaitWithEvents, DispatchesMessagesThatArriveWhileWaiting) {
  const HWND window = MakeCountingWindow();
  ASSERT_NE(window, nullptr);
  delivered = 0;
  // Posted from another thread in the middle of the wait, so the wait must wake for it.
  HANDLE poster = CreateThread(
      nullptr, 0,
      [](LPVOID target) -> DWORD {
        Sleep(30);
        PostMessageW(static_cast<HWND>(target), WM_APP + 1, 0, 0);
        PostMessageW(static_cast<HWND>(target), WM_APP + 1, 0, 0);
        return 0;
      },
      window, 0, nullptr);
  EXPECT_TRUE(WaitWithEvents(300, kMilliseconds));
  WaitForSingleObject(poster, INFINITE);
  CloseHandle(poster);
  EXPECT_EQ(delivered, 2);
  DestroyWindow(window);
}

TEST(WaitWithEvents, ZeroAndNegativeDelaysReturnAtOnce) {
  EXPECT_TRUE(WaitWithEvents(0, kMilliseconds));
  EXPECT_TRUE(WaitWithEvents(-5, kSeconds));
}

TEST(ProcessPendingEvents, StopsAtTheQuitMessageAndLeavesIt) {
  const HWND window = MakeCountingWindow();
  ASSERT_NE(window, nullptr);
  delivered = 0;
  PostMessageW(window, WM_APP + 1, 0, 0);
  PostThreadMessageW(GetCurrentThreadId(), WM_QUIT, 7, 0);
  PostMessageW(window, WM_APP + 1, 0, 0);
  ProcessPendingEvents();
  EXPECT_EQ(delivered, 1);  // only the one before the quit message
  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(message.wParam, 7u);
  ProcessPendingEvents();  // the rest flows once the quit message is gone
  EXPECT_EQ(delivered, 2);
  DestroyWindow(window);
}

TEST(ProcessPendingEvents, EmptyQueueReturnsAtOnce) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
  }
  ProcessPendingEvents();
  EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE));
}

}  // namespace
