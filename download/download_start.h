#pragma once
#include "app/form_fields.h"

// Handler of a click on 下载按钮: starts a download on threads of its own and returns at
// once. The form must outlive every download it starts.
void StartDownload(FormFields& form);
