#pragma once
#include "app/form_fields.h"

// Handler of a click on 按钮1: writes the picture-to-PDF converter into the book folder.
void DeployConverter(FormFields& form);

// Handler of a click on 按钮2: opens the website's textbook catalogue in the browser.
void OpenCatalogue();
