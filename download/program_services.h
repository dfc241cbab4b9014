#pragma once
#include "download/download_pages.h"

// Windows only: what a download of the program runs with: WinINet fetches (allowed enough
// connections to one server for 32 at once), file writes, BookFolder, Sleep, the closing
// message box, and the program's shut-down latch.
DownloadServices ProgramDownloadServices();
