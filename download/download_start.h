#pragma once
#include "app/form_fields.h"

// Handler of a click on 下载按钮: starts a download on threads of its own and returns at
// once. The form must outlive every download it starts.
void StartDownload(FormFields& form);

// The body of the short-lived launcher thread: reads the thread-count box, starts the
// download worker and lingers about 10 ms processing its messages.
void DownloadLauncher(FormFields& form);

// Called when the program begins to shut down (also run at exit): from then on no
// download reads the book folder, writes a file, touches the form or shows its message.
// Returns once a file write in progress has ended.
void EndDownloads();
