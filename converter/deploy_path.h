#pragma once
#include "common/text.h"

// Where a click on "合并pdf" puts the converter: run directory, backslash, the title as the
// analysis makes it a folder name, backslash, "FreePic2Pdf.exe". An empty title leaves two
// backslashes in a row, which Windows reads as one: the run directory itself.
Text ConverterPath(const Text& run_directory, const Text& title);

// The website's textbook catalogue: "http://" + SITE_HOST + "/jiaocai/".
Text CatalogueAddress();
