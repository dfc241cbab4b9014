#include "common/run_directory.h"

Text FolderOfProgramPath(const Text& program_path) {
  const Text path = program_path.substr(0, program_path.find('\0'));
  size_t last_backslash = Text::npos;
  for (size_t i = 0; i < path.size();) {
    const unsigned char byte = static_cast<unsigned char>(path[i]);
    if (byte == '\\') last_backslash = i;
    i += (byte >= 0x80 && i + 1 < path.size()) ? 2 : 1;
  }
  return last_backslash == Text::npos ? Text() : path.substr(0, last_backslash);
}
