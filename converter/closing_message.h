#pragma once
#include <string>

#include "converter/pdf_convert.h"

// The texts the double-clicked converter shows (UTF-8): what was made, or plainly why
// nothing was, and which pictures were left out.
std::string ClosingMessage(const ConvertResult& result, const std::string& output);
std::string NothingToMergeMessage(const std::string& folder);
