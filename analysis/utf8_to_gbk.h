#pragma once
#include "common/text.h"

// The UTF-8 bytes of a web page as a GBK text; characters GBK lacks become "?", and a
// NUL in the page ends the text.
Text Utf8ToGbk(const ByteString& bytes);
