#pragma once
#include "common/text.h"

// Turns a book title into a name that Windows accepts as one folder inside another:
// control bytes become blanks; < > : " / \ | ? * become "_"; leading and trailing blanks
// and trailing dots go; ".", ".." and device names (CON, PRN, AUX, NUL, COM1-9, LPT1-9,
// with or without an extension) get a "_" after the device name; at most 120 bytes.
// Whole GBK characters are walked, so a trail byte such as 0x5C is never a separator.
// An empty title gives the empty name.
Text SafeFolderName(const Text& title);
