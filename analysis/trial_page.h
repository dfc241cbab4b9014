#pragma once
#include "app/form_fields.h"

// Handler of a double click on 试读地址框: takes the clipboard's address, fetches the trial
// page and fills 书名框, 总页码框, 下载链接框, 览卷源代码框 and 图片框1, then makes the book
// folder and keeps its path in BookFolder. Window thread; returns when both fetches are done.
void AnalyzeTrialPage(FormFields& form);
