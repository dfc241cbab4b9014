#include "download/closing_message.h"

#include <windows.h>

#include "common/gbk_win.h"

namespace {
const char kTitle[] = "\xd0\xc5\xcf\xa2\xa3\xba";  // 信息：
}

void ShowClosingMessage(const Text& message) {
  MessageBoxW(nullptr, GbkToWide(message).c_str(), GbkToWide(kTitle).c_str(), MB_OK | MB_TASKMODAL);
}
