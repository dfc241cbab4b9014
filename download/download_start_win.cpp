#include "download/download_start.h"

void StartDownload(FormFields&) {}
