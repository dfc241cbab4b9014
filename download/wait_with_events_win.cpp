#include "download/wait_with_events.h"

#include <windows.h>

#include "common/handle_win.h"

namespace {
// Every kind of message a thread can be woken for: input, posted, timer, paint, hot-key
// and sent messages.
constexpr DWORD kAllInput = 0xFF;
}  // namespace

bool WaitWithEvents(int32_t delay, int unit) {
  LARGE_INTEGER due;
  due.QuadPart = RelativeDueTime(delay, unit);
  UniqueHandle timer(CreateWaitableTimerW(nullptr, FALSE, nullptr));
  SetWaitableTimer(timer.get(), &due, 0, nullptr, nullptr, FALSE);
  const HANDLE waited_on = timer.get();
  for (;;) {
    const DWORD woken = MsgWaitForMultipleObjects(1, &waited_on, FALSE, INFINITE, kAllInput);
    // A timer that could not be made would fail every wait; end rather than spin.
    if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED) break;
    ProcessPendingEvents();
  }
  return true;
}

void ProcessPendingEvents() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE) && message.message != WM_QUIT) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(message.wParam));  // keep the quit message for the loop that owns it
      return;
    }
    if (got < 0) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}
