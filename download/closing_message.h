#pragma once
#include "common/text.h"

// Windows only: the box that ends a download. Title "信息：", one OK button, no icon,
// task-modal and without owner, so it belongs to the calling worker thread and the main
// window stays usable. Returns when the user closes it.
void ShowClosingMessage(const Text& message);
