#pragma once
#include "common/text.h"

// The clipboard's text as GBK; empty when the clipboard cannot be opened or holds no text.
Text ReadClipboardText();
