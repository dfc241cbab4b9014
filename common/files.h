#pragma once
#include "common/text.h"

// Writes bytes to path: created or truncated, not shared while open. An empty path fails
// at once. True on success; false when the file cannot be opened or a write or the close
// fails (a partly written file stays).
bool WriteFileBytes(const Text& path, const ByteString& bytes);

// The folder of the program file without a trailing backslash; empty when the path has none.
Text RunDirectory();

// Creates exactly this one directory level; false when it exists or cannot be made.
bool CreateOneDirectory(const Text& path);
