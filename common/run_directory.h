#pragma once
#include "common/text.h"

// The program path up to its last backslash (whole GBK characters are walked, so a
// trail byte 0x5C is never taken for a separator); empty when the path has none.
Text FolderOfProgramPath(const Text& program_path);
